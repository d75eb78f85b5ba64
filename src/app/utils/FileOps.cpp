#include "FileOps.h"

#include "AtomicFile.h"
#include "Errors.h"
#include "Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QFileInfoList EntriesOf(const QString &folder, QDir::Filters extra = QDir::Hidden | QDir::System)
{
    QDir dir(folder);
    return dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | extra, QDir::Name | QDir::DirsFirst);
}

bool IsRealFolder(const QFileInfo &info) { return info.isDir() && !info.isSymLink(); }

bool SameContent(const QString &a, const QString &b)
{
    QFile fa(a);
    QFile fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size())
        return false;
    while (!fa.atEnd()) {
        if (fa.read(kCopyChunkSize) != fb.read(kCopyChunkSize))
            return false;
    }
    return true;
}

// Deletes entries of folder; with onlyMoved, a file is deleted only when the
// same content is at the mirrored place under movedTo.
void DeleteEntries(const QString &folder, const QString &movedTo)
{
    for (const QFileInfo &entry : EntriesOf(folder)) {
        const QString mirror = movedTo.isEmpty() ? QString() : JoinPath(movedTo, entry.fileName());
        if (IsRealFolder(entry)) {
            DeleteEntries(entry.filePath(), mirror);
            QDir().rmdir(entry.filePath());
        } else if (mirror.isEmpty() || SameContent(entry.filePath(), mirror)) {
            QFile::remove(entry.filePath());
        }
    }
}

} // namespace

bool CopyFileChunked(const QString &source, const QString &destination)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw TFileError(source, in.errorString());
    TAtomicFile out(destination);
    while (!in.atEnd()) {
        const QByteArray piece = in.read(kCopyChunkSize);
        if (in.error() != QFileDevice::NoError)
            throw TFileError(source, in.errorString());
        out.Write(piece);
    }
    out.Commit();
    return true;
}

bool CopyFolderTree(const QString &source, const QString &destination)
{
    if (source.isEmpty())
        return false;
    const QFileInfo sourceInfo(source);
    if (!sourceInfo.isDir())
        throw TFileError(source, QStringLiteral("文件夹不存在"));
    if (!QDir(source).isReadable())
        return false;
    if (!QDir().mkpath(destination))
        return false;
    for (const QFileInfo &entry : EntriesOf(source)) {
        const QString target = JoinPath(destination, entry.fileName());
        if (IsRealFolder(entry)) {
            QDir().mkpath(target);
            CopyFolderTree(entry.filePath(), target);
        } else if (!QFileInfo::exists(target)) {
            try {
                CopyFileChunked(entry.filePath(), target);
            } catch (const TFileError &) {
                // a single file that cannot be copied is skipped
            }
        }
    }
    return true;
}

bool DeleteFolder(const QString &folder)
{
    if (folder.isEmpty())
        return false;
    if (!QFileInfo(folder).isDir())
        throw TFileError(folder, QStringLiteral("文件夹不存在"));
    if (!QDir(folder).isReadable())
        return false;
    DeleteEntries(folder, QString());
    QDir().rmdir(folder);
    return !QFileInfo::exists(folder);
}

void DeleteFolderTree(const QString &folder)
{
    if (!QFileInfo(folder).isDir())
        return;
    DeleteEntries(folder, QString());
    QDir().rmdir(folder);
}

bool MoveFolder(const QString &source, const QString &destination)
{
    if (!CopyFolderTree(source, destination))
        return false;
    DeleteEntries(source, destination);
    QDir().rmdir(source);
    return !QFileInfo::exists(source);
}

void ListSubfolders(const QString &folder, QStringList &list)
{
    for (const QFileInfo &entry : EntriesOf(folder, QDir::Filters())) {
        if (entry.isDir())
            list << entry.fileName();
    }
}

void ListFilesWithPrefix(const QString &folder, const QString &prefix, QStringList &list)
{
    QString base = folder;
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    const QFileInfoList entries = QDir(base).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (entry.fileName().startsWith(prefix, Qt::CaseInsensitive))
            list << base + entry.fileName();
    }
}
