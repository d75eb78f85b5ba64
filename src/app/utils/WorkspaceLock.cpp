#include "WorkspaceLock.h"

#include "ApplicationInfo.h"
#include "Errors.h"
#include "Paths.h"
#include "Utils.h"

#include <QLockFile>

TWorkspaceLock::TWorkspaceLock(const char *lockName)
    : lock_(std::make_unique<QLockFile>(LockFilePath(lockName)))
{
    // Only a lock whose process is gone is stale, however old it is: a
    // client may run for days.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0))
        return;
    QString folder = TApplicationInfo::AppDir();
    if (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    if (lock_->error() == QLockFile::LockFailedError) {
        qint64 pid = 0;
        QString host;
        QString holder;
        if (lock_->getLockInfo(&pid, &host, &holder)) {
            throw TUserError(FormatText(QStringLiteral("工作目录\"%S\"正由 %S 使用（主机 %S，进程 %D），"
                                                       "同一工作目录只能由一个程序写入，请先关闭它再试。"),
                                        {folder, holder.isEmpty() ? QStringLiteral("另一个程序") : holder, host,
                                         pid}));
        }
        throw TUserError(FormatText(QStringLiteral("工作目录\"%S\"正由另一个程序使用，请先关闭它再试。"), {folder}));
    }
    throw TUserError(FormatText(QStringLiteral("无法在工作目录\"%S\"中建立锁文件\"%S\"，不能写入这个工作目录。"),
                                {folder, QString::fromLatin1(lockName)}));
}

TWorkspaceLock::~TWorkspaceLock() = default; // QLockFile unlocks and removes its file

QString TWorkspaceLock::LockFilePath(const char *lockName)
{
    return JoinPath(TApplicationInfo::AppDir(), QString::fromLatin1(lockName));
}
