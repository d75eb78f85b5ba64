#include "SystemProcess.h"

#include <QProcess>
#include <QUrl>

bool TProcessLauncher::OpenDocument(const QString &target)
{
    // Opening documents needs the desktop (xdg-open); logic code does not
    // link the GUI, so the desktop's own opener is started detached. The
    // desktop programs install a launcher that asks the desktop directly.
    return QProcess::startDetached(QStringLiteral("xdg-open"), {target});
}

bool TProcessLauncher::StartDetached(const QString &program, const QStringList &arguments)
{
    return QProcess::startDetached(program, arguments);
}

bool TProcessLauncher::RunAndWait(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(-1))
        return false;
    process.waitForFinished(-1);
    return true;
}

namespace {

TProcessLauncher g_real;
TSystemProcess::Launcher *g_launcher = &g_real;

} // namespace

void TSystemProcess::SetLauncher(Launcher *launcher) { g_launcher = launcher ? launcher : &g_real; }

bool TSystemProcess::Open(const QString &file, ShowMode)
{
    try {
        return g_launcher->OpenDocument(file);
    } catch (...) {
        return false;
    }
}

int TSystemProcess::OpenWith(const QString &program, const QString &parameters, ShowMode)
{
    try {
        return g_launcher->StartDetached(program, QProcess::splitCommand(parameters)) ? 33 : 2;
    } catch (...) {
        return 2;
    }
}

void TSystemProcess::RunAndWait(const QString &commandLine, ShowMode)
{
    QStringList words = QProcess::splitCommand(commandLine.left(511));
    if (words.isEmpty())
        return;
    QString program = words.takeFirst();
    if (program.endsWith(QStringLiteral(".sh"), Qt::CaseInsensitive)) {
        words.prepend(program);
        program = QStringLiteral("sh");
    }
    g_launcher->RunAndWait(program, words);
}
