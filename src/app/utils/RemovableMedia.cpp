#include "RemovableMedia.h"

#include "ApplicationInfo.h"
#include "Errors.h"
#include "FileOps.h"
#include "Utils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>

#include <pwd.h>
#include <sys/stat.h>

namespace {

const QString kCannotCreate = QStringLiteral("系统不能创建传出路径 \"%S\" ,请先建立路径后再传出!");

QString FloppyVariable() { return qEnvironmentVariable("CORVANE_FLOPPY").trimmed(); }

QString WithoutSlash(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

// The path with links and "." / ".." resolved; empty when it does not exist.
QString Canonical(const QString &path)
{
    return path.isEmpty() ? QString() : QFileInfo(path).canonicalFilePath();
}

bool InsideOrEqual(const QString &path, const QString &folder)
{
    if (path.isEmpty() || folder.isEmpty())
        return false;
    return path == folder || path.startsWith(folder == QLatin1String("/") ? folder : folder + QLatin1Char('/'));
}

bool Overlap(const QString &a, const QString &b) { return InsideOrEqual(a, b) || InsideOrEqual(b, a); }

// "sdb1" -> the removable flag of disk "sdb"; a whole disk reads its own.
bool DiskRemovable(const QString &device)
{
    if (!device.startsWith(QLatin1String("/dev/")))
        return false;
    const QString name = QFileInfo(QFileInfo(device).canonicalFilePath()).fileName();
    if (name.isEmpty())
        return false;
    QString block = QFileInfo(QStringLiteral("/sys/class/block/") + name).canonicalFilePath();
    if (block.isEmpty())
        return false;
    // A partition's own folder lies in the folder of its disk.
    if (QFileInfo::exists(block + QStringLiteral("/partition")))
        block = QFileInfo(block).path();
    QFile flag(block + QStringLiteral("/removable"));
    return flag.open(QIODevice::ReadOnly) && flag.readAll().trimmed() == "1";
}

// Where people keep their own files: $HOME, this user's home and those of
// root and of every ordinary account. System accounts whose "home" is "/"
// or a system folder are not people's folders and are left out.
QStringList HomeFolders()
{
    QStringList homes{qEnvironmentVariable("HOME"), QDir::homePath(), QStringLiteral("/root"), QStringLiteral("/home")};
    setpwent();
    while (const passwd *entry = getpwent()) {
        if (entry->pw_uid == 0 || entry->pw_uid >= 1000)
            homes << QString::fromLocal8Bit(entry->pw_dir);
    }
    endpwent();
    QStringList result;
    for (const QString &home : homes) {
        const QString path = Canonical(home);
        if (!path.isEmpty() && path != QLatin1String("/") && !result.contains(path))
            result << path;
    }
    return result;
}

bool SameDeviceAsRoot(const QString &path)
{
    struct stat folder {};
    struct stat root {};
    if (stat(QFile::encodeName(path).constData(), &folder) != 0 || stat("/", &root) != 0)
        return true; // what cannot be told apart is not emptied
    return folder.st_dev == root.st_dev;
}

// Why folder (canonical) may not be emptied; empty when it may.
QString Refusal(const QString &folder, const QString &shown, const QList<TMountedVolume> &volumes)
{
    bool medium = false;
    const QString floppy = FloppyVariable();
    if (!floppy.isEmpty() && Canonical(floppy) == folder)
        medium = true;
    for (const TMountedVolume &volume : volumes) {
        if (volume.removable && Canonical(volume.mountPoint) == folder)
            medium = true;
    }
    if (!medium)
        return FormatText(QStringLiteral("“%S”不是可移动磁盘,系统不会删除其中的文件!"), {shown});
    if (folder == QLatin1String("/") || SameDeviceAsRoot(folder))
        return FormatText(QStringLiteral("“%S”在系统盘上,不是可移动磁盘,系统不会删除其中的文件!"), {shown});
    if (Overlap(folder, Canonical(TApplicationInfo::AppDir())))
        return FormatText(QStringLiteral("“%S”是工作目录、在工作目录中或包含工作目录,系统不会删除其中的文件!"), {shown});
    for (const QString &home : HomeFolders()) {
        if (Overlap(folder, home))
            return FormatText(QStringLiteral("“%S”是用户主目录、在用户主目录中或包含用户主目录,系统不会删除其中的文件!"), {shown});
    }
    return QString();
}

} // namespace

QList<TMountedVolume> MountedVolumes()
{
    QList<TMountedVolume> volumes;
    for (const QStorageInfo &storage : QStorageInfo::mountedVolumes()) {
        if (!storage.isValid() || !storage.isReady())
            continue;
        const QString device = QString::fromLocal8Bit(storage.device());
        volumes.append({WithoutSlash(storage.rootPath()), device, DiskRemovable(device)});
    }
    return volumes;
}

QString RemovableMediumFolder() { return RemovableMediumFolder(MountedVolumes()); }

QString RemovableMediumFolder(const QList<TMountedVolume> &volumes)
{
    const QString floppy = FloppyVariable();
    if (!floppy.isEmpty()) {
        try {
            return TApplicationInfo::EnsureDir(floppy);
        } catch (const TFileError &) {
            throw TUserError(FormatText(kCannotCreate, {floppy}));
        }
    }
    // A volume mounted at several places (a bind mount) is one medium.
    QSet<QString> devices;
    QStringList mountPoints;
    for (const TMountedVolume &volume : volumes) {
        if (!volume.removable || devices.contains(volume.device))
            continue;
        devices.insert(volume.device);
        mountPoints << volume.mountPoint;
    }
    if (mountPoints.isEmpty())
        throw TUserError(FormatText(kCannotCreate, {QStringLiteral("可移动磁盘(没有插入或没有挂载)")}));
    if (mountPoints.size() > 1)
        throw TUserError(FormatText(
            kCannotCreate,
            {QStringLiteral("可移动磁盘(挂载了%1个: %2; 请用环境变量 CORVANE_FLOPPY 指定其中一个)")
                 .arg(mountPoints.size())
                 .arg(mountPoints.join(QStringLiteral(", ")))}));
    return mountPoints.first() + QLatin1Char('/');
}

void EmptyRemovableMedium(const QString &folder) { EmptyRemovableMedium(folder, MountedVolumes()); }

void EmptyRemovableMedium(const QString &folder, const QList<TMountedVolume> &volumes)
{
    const QString path = Canonical(folder);
    if (path.isEmpty() || !QFileInfo(path).isDir())
        return;
    const QString refusal = Refusal(path, WithoutSlash(folder), volumes);
    if (!refusal.isEmpty())
        throw TUserError(refusal);
    const QFileInfoList entries =
        QDir(path).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo &entry : entries) {
        if (entry.isDir() && !entry.isSymLink())
            DeleteFolderTree(entry.filePath());
        else
            QFile::remove(entry.filePath());
    }
}
