#include "TempWorkspace.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/FileOps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TempWorkspace::TempWorkspace() { dir_.setAutoRemove(true); }

QString TempWorkspace::path() const { return dir_.path() + QLatin1Char('/'); }

QString TempWorkspace::file(const QString &relative) const { return path() + relative; }

void TempWorkspace::CopyDemo()
{
    CopyFolderTree(QStringLiteral(CORVANE_DEMO_WORKSPACE), dir_.path());
    MakeCurrent();
}

void TempWorkspace::MakeCurrent() { TApplicationInfo::SetAppDir(dir_.path()); }

QString TempWorkspace::Write(const QString &relative, const QByteArray &bytes) const
{
    const QString target = file(relative);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile out(target);
    if (out.open(QIODevice::WriteOnly))
        out.write(bytes);
    return target;
}

QByteArray TempWorkspace::Read(const QString &relative) const
{
    QFile in(file(relative));
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}
