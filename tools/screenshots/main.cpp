#include "Shots.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/MessageBox.h"
#include "documents/XmlConfig.h"
#include "documents/XmlTaxPayer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>

#include <cstdio>
#include <exception>

namespace {

// Every table of shots the tool knows, in the order they are taken.
QList<TShot> AllShots() { return MainWindowShots() + DialogShots() + EntryShots() + EnterpriseShots() + ExportShots() + CheckerShots(); }

// Title, collection type and first unit of the workspace; what cannot be
// read stays empty.
TShotContext ReadWorkspace()
{
    TShotContext context;
    try {
        TConfigDocument config;
        config.Open(TApplicationInfo::AppFile(QStringLiteral("Config.xml")));
        TMessageBox::SetApplicationTitle(config.GetConfigValue(QStringLiteral("Title")));
        context.collectionType = config.GetConfigValue(QStringLiteral("CJLX"));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "Config.xml: %s\n", error.what());
    }
    try {
        TTaxPayerRegistry units;
        units.Open(TApplicationInfo::AppFile(QStringLiteral("TaxPayers.xml")));
        const QList<TTaxPayerRec> all = units.Enumerate();
        if (!all.isEmpty())
            context.firstUnitName = all.first().NSRMC;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "TaxPayers.xml: %s\n", error.what());
    }
    return context;
}

// Lets a freshly shown window lay out and paint.
void Settle()
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 150)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: corvane-screenshots OUTDIR WORKSPACE [SHOT...]\nshots:");
        for (const TShot &shot : AllShots())
            std::fprintf(stderr, " %s", qPrintable(shot.name));
        std::fprintf(stderr, "\n");
        return 2;
    }
    const QString outDir = arguments.takeFirst();
    TApplicationInfo::SetAppDir(arguments.takeFirst());
    const QStringList wanted = arguments;
    QDir().mkpath(outDir);
    const TShotContext context = ReadWorkspace();

    int failures = 0;
    for (const TShot &shot : AllShots()) {
        if (!wanted.isEmpty() && !wanted.contains(shot.name))
            continue;
        std::unique_ptr<QWidget> widget = shot.build(context);
        widget->show();
        Settle();
        const QString file = QDir(outDir).filePath(shot.name + QStringLiteral(".png"));
        if (widget->grab().save(file)) {
            std::printf("%s %dx%d\n", qPrintable(file), widget->width(), widget->height());
        } else {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
