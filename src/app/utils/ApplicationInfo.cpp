#include "ApplicationInfo.h"

#include "Errors.h"
#include "Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QString g_appDir;

QString WithSlash(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

QString ResolvedFolder(const QString &path) { return WithSlash(ResolveCaseInsensitive(path)); }

} // namespace

QStringList TApplicationInfo::InitFromArguments(const QStringList &arguments)
{
    QStringList rest;
    QString chosen;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        if (arg == QLatin1String("--workspace") && i + 1 < arguments.size()) {
            chosen = arguments.at(++i);
        } else if (arg.startsWith(QLatin1String("--workspace="))) {
            chosen = arg.mid(12);
        } else {
            rest << arg;
        }
    }
    if (chosen.isEmpty())
        chosen = qEnvironmentVariable("CORVANE_HOME");
    if (chosen.isEmpty())
        chosen = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    SetAppDir(chosen);
    return rest;
}

void TApplicationInfo::SetAppDir(const QString &folder)
{
    g_appDir = WithSlash(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
}

QString TApplicationInfo::AppDir()
{
    if (g_appDir.isEmpty())
        InitFromArguments({});
    return g_appDir;
}

QString TApplicationInfo::DSDir() { return ResolvedFolder(AppDir() + QStringLiteral("DS")); }

QString TApplicationInfo::ManualFile() { return AppFile(QStringLiteral("Manual.chm")); }

QString TApplicationInfo::DataDir(const QString &taxpayerCode)
{
    return ResolvedFolder(AppDir() + QStringLiteral("Data/") + SafeRelativeName(taxpayerCode));
}

QString TApplicationInfo::EnsureDataDir(const QString &taxpayerCode) { return EnsureDir(DataDir(taxpayerCode)); }

QString TApplicationInfo::DeclareDir(const QString &period)
{
    return ResolvedFolder(AppDir() + QStringLiteral("数据上报/") + SafeRelativeName(period));
}

QString TApplicationInfo::EnsureDir(const QString &folder)
{
    const QString path = WithSlash(ResolveCaseInsensitive(folder));
    if (!QFileInfo(path).isDir() && !QDir().mkpath(path))
        throw TFileError(path, QStringLiteral("无法创建文件夹"));
    return path;
}

QString TApplicationInfo::AppFile(const QString &name) { return ResolveCaseInsensitive(AppDir() + name); }
