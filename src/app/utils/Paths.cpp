#include "Paths.h"

#include "Errors.h"
#include "Utils.h"

#include <QDir>
#include <QFileInfo>

QString JoinPath(const QString &folder, const QString &name)
{
    if (folder.isEmpty())
        return name;
    if (folder.endsWith(QLatin1Char('/')))
        return name.startsWith(QLatin1Char('/')) ? folder + name.mid(1) : folder + name;
    return name.startsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

static QString FindEntryAnyCase(const QString &folder, const QString &name)
{
    QDir dir(folder.isEmpty() ? QStringLiteral("/") : folder);
    const QStringList entries =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &entry : entries) {
        if (SameTextIgnoringAsciiCase(entry, name))
            return entry;
    }
    return QString();
}

QString ResolveCaseInsensitive(const QString &path)
{
    if (path.isEmpty() || QFileInfo::exists(path))
        return path;
    const bool absolute = path.startsWith(QLatin1Char('/'));
    const bool trailingSlash = path.endsWith(QLatin1Char('/'));
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString current = absolute ? QStringLiteral("/") : QString();
    bool stillExists = true;
    for (const QString &part : parts) {
        QString next = current.isEmpty() ? part : JoinPath(current, part);
        if (stillExists && part != QLatin1String(".") && part != QLatin1String("..")
            && !QFileInfo::exists(next)) {
            const QString found = FindEntryAnyCase(current.isEmpty() ? QStringLiteral(".") : current, part);
            if (found.isEmpty())
                stillExists = false;
            else
                next = current.isEmpty() ? found : JoinPath(current, found);
        }
        current = next;
    }
    if (trailingSlash && !current.endsWith(QLatin1Char('/')))
        current += QLatin1Char('/');
    return current;
}

bool FileExistsAnyCase(const QString &path)
{
    return QFileInfo(ResolveCaseInsensitive(path)).isFile();
}

bool FolderExistsAnyCase(const QString &path)
{
    return QFileInfo(ResolveCaseInsensitive(path)).isDir();
}

QString SafeRelativeName(const QString &name)
{
    QString cleaned = name.trimmed();
    cleaned.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const auto refuse = [&name]() {
        return TUserError(QStringLiteral("文件名\"%1\"不合法：只能是所在文件夹内的相对路径。").arg(name));
    };
    if (cleaned.isEmpty() || cleaned.startsWith(QLatin1Char('/'))
        || (cleaned.size() >= 2 && cleaned.at(1) == QLatin1Char(':')))
        throw refuse();
    const QStringList parts = cleaned.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        if (part == QLatin1String(".."))
            throw refuse();
    }
    return parts.join(QLatin1Char('/'));
}

QString ResolveInFolder(const QString &folder, const QString &name)
{
    return ResolveCaseInsensitive(JoinPath(folder, SafeRelativeName(name)));
}

QString FileNamePart(const QString &path)
{
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return cut < 0 ? path : path.mid(cut + 1);
}

bool SameFolder(const QString &a, const QString &b)
{
    const auto normal = [](const QString &folder) {
        const QString canonical = QFileInfo(ResolveCaseInsensitive(folder)).canonicalFilePath();
        return canonical.isEmpty() ? QFileInfo(folder).absoluteFilePath() : canonical;
    };
    return SameTextIgnoringAsciiCase(normal(a), normal(b));
}
