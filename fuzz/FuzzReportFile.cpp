// A report file as a hand-edited or damaged file may be: any bytes either
// fail to open with a message, or open; every stored value then reads as a
// value or a conversion error, and closing writes a file that opens again
// with the same stored texts.

#include "app/utils/ApplicationInfo.h"
#include "app/utils/Errors.h"
#include "app/utils/FileOps.h"
#include "reportdata/XmlDataSet.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

QString Workspace()
{
    static QTemporaryDir dir;
    static bool ready = false;
    if (!ready) {
        CopyFolderTree(QStringLiteral(CORVANE_DEMO_WORKSPACE "/DS"), dir.path() + QStringLiteral("/DS"));
        QDir().mkpath(dir.path() + QStringLiteral("/Data"));
        TApplicationInfo::SetAppDir(dir.path());
        ready = true;
    }
    return dir.path();
}

QStringList StoredTexts(const TXmlDataSet &report)
{
    QStringList texts;
    for (int r = 0; r < report.RecordCount(); ++r) {
        for (int f = 0; f < report.FieldCount(); ++f) {
            texts << report.StoredText(r, f);
            try {
                (void)report.ViewValue(r, f);
            } catch (const TUserError &) {
            }
        }
    }
    return texts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    const QString path = Workspace() + QStringLiteral("/Data/R200601.xml");
    QFile::remove(path);
    QFile::remove(path + QStringLiteral(".journal"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 0;
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    QStringList before;
    try {
        TXmlDataSet report;
        report.SetFileName(path);
        report.Open();
        before = StoredTexts(report);
        report.Close();
    } catch (const TUserError &) {
        return 0;
    }
    try {
        TXmlDataSet again;
        again.SetReadOnly(true);
        again.SetFileName(path);
        again.Open();
        if (StoredTexts(again) != before)
            std::abort(); // closing changed what the records hold
    } catch (const TUserError &) {
        std::abort(); // we wrote a report we cannot open again
    }
    return 0;
}
