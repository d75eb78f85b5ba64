#include "cli/CliCommands.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/Errors.h"
#include "documents/XmlConfig.h"
#include "export/CRCUtils.h"
#include "reportdata/HashFunc.h"
#include "reportdata/ReportExport.h"
#include "reportdata/XmlDataSet.h"

#include <QBuffer>

#include <functional>
#include <map>

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

struct Context {
    const QStringList &args; // the command's own arguments
    QTextStream &out;
    QTextStream &err;
};

// CRC text and name of each file, like the familiar checksum tools. A file
// that cannot be read is reported and the others are still done.
int CrcCommand(Context &c)
{
    if (c.args.isEmpty())
        return kUsage;
    int status = kOk;
    for (const QString &file : c.args) {
        try {
            c.out << FileCrcText(file) << "  " << file << Qt::endl;
        } catch (const TUserError &e) {
            c.err << "corvane-cli: " << e.Message() << Qt::endl;
            status = kFailed;
        }
    }
    return status;
}

TConfigDocument &OpenConfig(TConfigDocument &config)
{
    config.SetSaveOnClose(false);
    config.Open(TApplicationInfo::AppFile(QStringLiteral("Config.xml")));
    return config;
}

int ConfigCommand(Context &c)
{
    if (c.args.size() == 2 && c.args[0] == QLatin1String("get")) {
        TConfigDocument config;
        c.out << OpenConfig(config).GetConfigValue(c.args[1]) << Qt::endl;
        return kOk;
    }
    if (c.args.size() == 3 && c.args[0] == QLatin1String("set")) {
        TConfigDocument config;
        OpenConfig(config).SetConfigValue(c.args[1], c.args[2]);
        return kOk;
    }
    return kUsage;
}

// The key digest of a text: support staff use it to find which record a
// duplicate-key message is about.
int KeyHashCommand(Context &c)
{
    if (c.args.size() != 1)
        return kUsage;
    c.out << HashKeyText(c.args[0]) << Qt::endl;
    return kOk;
}

// The records of a report with their captions, for spreadsheets (CSV in
// UTF-8 with a byte-order mark) or as tab-separated text. The report's
// field definitions come from the workspace's DS folder.
int ReportCommand(Context &c)
{
    QStringList args = c.args;
    const bool csv = args.removeAll(QStringLiteral("--csv")) > 0;
    if (args.size() != 2 || args[0] != QLatin1String("export"))
        return kUsage;
    TXmlDataSet report;
    report.SetReadOnly(true);
    report.SetFileName(args[1]);
    report.Open();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ExportReport(report, buffer, csv ? TExportFormat::Csv : TExportFormat::Tab);
    report.Close();
    // The bytes as they are (a text stream would drop the byte-order mark).
    c.out.flush();
    if (c.out.device())
        c.out.device()->write(buffer.data());
    else
        c.out << QString::fromUtf8(buffer.data());
    return kOk;
}

using Command = std::function<int(Context &)>;

const std::map<QString, Command> &Commands()
{
    static const std::map<QString, Command> commands = {
        {QStringLiteral("crc"), CrcCommand},
        {QStringLiteral("config"), ConfigCommand},
        {QStringLiteral("keyhash"), KeyHashCommand},
        {QStringLiteral("report"), ReportCommand},
    };
    return commands;
}

} // namespace

QString CliUsage()
{
    return QStringLiteral(
        "Usage: corvane-cli [--workspace DIR] COMMAND [ARGUMENTS]\n"
        "\n"
        "The workspace is DIR, else $CORVANE_HOME, else the program's folder.\n"
        "\n"
        "Commands:\n"
        "  crc FILE...             CRC-32 text and name of each file\n"
        "  config get NAME         value of a configuration item of Config.xml\n"
        "  config set NAME VALUE   change (or add) a configuration item\n"
        "  keyhash TEXT            key digest of a text (8 hexadecimal digits)\n"
        "  report export FILE [--csv]\n"
        "                          records of a report with their captions, as\n"
        "                          tab-separated text or CSV for spreadsheets\n"
        "  --help                  this text\n"
        "\n"
        "Exit status: 0 success, 1 failure, 2 wrong command line.\n");
}

int RunCli(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    if (arguments.isEmpty() || arguments[0] == QLatin1String("--help") || arguments[0] == QLatin1String("-h")) {
        (arguments.isEmpty() ? err : out) << CliUsage();
        return arguments.isEmpty() ? kUsage : kOk;
    }
    const auto found = Commands().find(arguments[0]);
    if (found == Commands().end()) {
        err << "corvane-cli: unknown command \"" << arguments[0] << "\"\n\n" << CliUsage();
        return kUsage;
    }
    const QStringList rest = arguments.mid(1);
    Context context{rest, out, err};
    try {
        const int status = found->second(context);
        if (status == kUsage)
            err << "corvane-cli: wrong arguments for \"" << arguments[0] << "\"\n\n" << CliUsage();
        return status;
    } catch (const TUserError &e) {
        err << "corvane-cli: " << e.Message() << Qt::endl;
        return kFailed;
    }
}
