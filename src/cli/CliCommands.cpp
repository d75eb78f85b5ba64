#include "cli/CliCommands.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/Errors.h"
#include "app/utils/WorkspaceLock.h"
#include "cli/CliContext.h"
#include "cli/CliScriptCommand.h"
#include "cli/CliTreeCommands.h"
#include "documents/XmlConfig.h"
#include "export/CRCUtils.h"
#include "reportdata/HashFunc.h"
#include "reportdata/ReportExport.h"
#include "reportdata/XmlDataSet.h"

#include <QBuffer>

#include <functional>
#include <map>

namespace {

// CRC text and name of each file, like the familiar checksum tools. A file
// that cannot be read is reported and the others are still done.
int CrcCommand(TCliContext &c)
{
    if (c.args.isEmpty())
        return kCliUsage;
    int status = kCliOk;
    for (const QString &file : c.args) {
        try {
            c.out << FileCrcText(file) << "  " << file << Qt::endl;
        } catch (const TUserError &e) {
            c.err << "corvane-cli: " << e.Message() << Qt::endl;
            status = kCliFailed;
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

int ConfigCommand(TCliContext &c)
{
    if (c.args.size() == 2 && c.args[0] == QLatin1String("get")) {
        TConfigDocument config;
        c.out << OpenConfig(config).GetConfigValue(c.args[1]) << Qt::endl;
        return kCliOk;
    }
    if (c.args.size() == 3 && c.args[0] == QLatin1String("set")) {
        const TWorkspaceLock lock;
        TConfigDocument config;
        OpenConfig(config).SetConfigValue(c.args[1], c.args[2]);
        return kCliOk;
    }
    return kCliUsage;
}

// The key digest of a text: support staff use it to find which record a
// duplicate-key message is about.
int KeyHashCommand(TCliContext &c)
{
    if (c.args.size() != 1)
        return kCliUsage;
    c.out << HashKeyText(c.args[0]) << Qt::endl;
    return kCliOk;
}

// The records of a report with their captions, for spreadsheets (CSV in
// UTF-8 with a byte-order mark) or as tab-separated text. The report's
// field definitions come from the workspace's DS folder.
int ReportExportCommand(TCliContext &c)
{
    QStringList args = c.args;
    const bool csv = args.removeAll(QStringLiteral("--csv")) > 0;
    if (args.size() != 2 || args[0] != QLatin1String("export"))
        return kCliUsage;
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
    return kCliOk;
}

// "report export" reads a report file; "report new", "report delete" and
// "report import" run the client's own commands.
int ReportCommand(TCliContext &c)
{
    const QString verb = c.args.value(0);
    if (verb == QLatin1String("new") || verb == QLatin1String("delete") || verb == QLatin1String("import"))
        return ReportFileCommand(c);
    return ReportExportCommand(c);
}

using Command = std::function<int(TCliContext &)>;

const std::map<QString, Command> &Commands()
{
    static const std::map<QString, Command> commands = {
        {QStringLiteral("crc"), CrcCommand},
        {QStringLiteral("config"), ConfigCommand},
        {QStringLiteral("declare"), DeclareCommand},
        {QStringLiteral("keyhash"), KeyHashCommand},
        {QStringLiteral("print"), PrintCommand},
        {QStringLiteral("report"), ReportCommand},
        {QStringLiteral("script"), ScriptCommand},
        {QStringLiteral("tree"), TreeCommand},
        {QStringLiteral("taxpayer"), TaxPayerCommand},
        {QStringLiteral("undeclare"), UndeclareCommand},
        {QStringLiteral("upgrade"), UpgradeCommand},
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
        "  script [--check] --eval EXPRESSION\n"
        "                          load the workspace's Script.js (Check.js with\n"
        "                          --check) and print the expression's value as\n"
        "                          the programs read script results\n"
        "  script [--check] --call FUNCTION [ARG...]\n"
        "                          call a script function with text arguments\n"
        "                          (--date yyyy-MM-dd passes a date) and print its\n"
        "                          result; a script error prints the five-line\n"
        "                          report and exits with status 1\n"
        "\n"
        "The navigation tree's commands, run as the client runs them (CODE is a\n"
        "taxpayer id, SCHEMA a schema NAME, PERIOD yyyyMM):\n"
        "  tree                    the tree: taxpayers, their schemas and reports\n"
        "  taxpayer add CODE NAME  a new unit; the code follows the collection\n"
        "                          type's rule\n"
        "  taxpayer rename CODE NAME\n"
        "                          give a unit a new name\n"
        "  taxpayer delete CODE --yes\n"
        "                          remove a unit from the registers (its files stay)\n"
        "  report new CODE SCHEMA [PERIOD]\n"
        "                          a new report for PERIOD, else for the period the\n"
        "                          client proposes; prints the data file's path\n"
        "  report delete CODE SCHEMA PERIOD --yes\n"
        "                          remove a report and its data file\n"
        "  report import CODE SCHEMA PERIOD FILE.csv\n"
        "                          append the rows of a CSV file (UTF-8 or GBK; the\n"
        "                          first row names the fields by NAME or caption)\n"
        "                          to a report awaiting declaration, through the\n"
        "                          schema's rules; prints \"imported N, refused M\"\n"
        "                          and one line per refused row; status 1 when any\n"
        "                          row was refused\n"
        "  upgrade                 the data-version step of the client's start-up\n"
        "                          (moves an old layout); prints the version reached\n"
        "  declare CODE SCHEMA PERIOD --to DIR\n"
        "                          declare a report: the interface file, its CRC\n"
        "                          document and the schema's DTD written into DIR,\n"
        "                          audited by the schema's script, archived in the\n"
        "                          period's declaration folder, the report marked\n"
        "                          declared; prints the files written; status 1 on\n"
        "                          any refusal or a refused audit (nothing is left\n"
        "                          behind and the report stays as it was)\n"
        "  declare CODE SCHEMA PERIOD --floppy\n"
        "                          the same onto the removable medium ($CORVANE_FLOPPY,\n"
        "                          else the one mounted removable disk); what is on\n"
        "                          it is kept\n"
        "  undeclare CODE SCHEMA PERIOD --yes\n"
        "                          a declared report back to awaiting declaration;\n"
        "                          the declared files stay\n"
        "  print CODE SCHEMA PERIOD [--fixed-assets | --other]\n"
        "                          the list of a declared report: writes DS/print.xml\n"
        "                          and the page rendered from it with the schema's\n"
        "                          style sheet, prints the page's path; schemas with\n"
        "                          a fixed-asset column need one of the two options\n"
        "  --help                  this text\n"
        "\n"
        "--yes answers OK to the question the client asks before a delete or an\n"
        "undeclare; either without it is refused with exit status 2.\n"
        "There is no password: this is an administrator's tool, working on files\n"
        "the administrator can read and change anyway.\n"
        "\n"
        "Exit status: 0 success, 1 failure, 2 wrong command line.\n");
}

int RunCli(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    if (arguments.isEmpty() || arguments[0] == QLatin1String("--help") || arguments[0] == QLatin1String("-h")) {
        (arguments.isEmpty() ? err : out) << CliUsage();
        return arguments.isEmpty() ? kCliUsage : kCliOk;
    }
    const auto found = Commands().find(arguments[0]);
    if (found == Commands().end()) {
        err << "corvane-cli: unknown command \"" << arguments[0] << "\"\n\n" << CliUsage();
        return kCliUsage;
    }
    const QStringList rest = arguments.mid(1);
    TCliContext context{rest, out, err};
    try {
        const int status = found->second(context);
        if (status == kCliUsage)
            err << "corvane-cli: wrong arguments for \"" << arguments[0] << "\"\n\n" << CliUsage();
        return status;
    } catch (const TCliUsageError &e) {
        err << "corvane-cli: " << e.Message() << Qt::endl;
        return kCliUsage;
    } catch (const TUserError &e) {
        err << "corvane-cli: " << e.Message() << Qt::endl;
        return kCliFailed;
    }
}
