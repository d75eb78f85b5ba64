#include "cli/CliTreeCommands.h"

#include "app/ClientSession.h"
#include "app/utils/ApplicationInfo.h"
#include "app/utils/Errors.h"
#include "app/utils/Utils.h"
#include "cli/CliPrompts.h"
#include "app/utils/Paths.h"
#include "entry/RecordImport.h"
#include "print/Print.h"
#include "workspace/CollectionType.h"

#include <QFileInfo>

#include <functional>

namespace {

// What a command opens. Commands that write take the workspace lock first,
// so that they never overwrite what a running client keeps in memory; the
// one that only reads takes no lock and writes nothing back.
enum class TOpen { Documents, DocumentsAndTree, TreeToRead };

using TSessionBody = std::function<int(TClientSession &, const TCliMessages &)>;

// Opens the workspace, runs body and closes the workspace, which writes the
// open report and every changed document. A failure while opening or in
// body, and every notice the session shows, is written to err; the run
// fails when body failed or an error notice was shown.
int RunSession(TCliContext &c, const TCliAnswers &answers, bool confirmed, TOpen open, const TSessionBody &body)
{
    TCliMessages messages(c.err, confirmed);
    TCliPrompts prompts(answers);
    int status = kCliOk;
    {
        TClientSession session(prompts);
        try {
            if (open != TOpen::TreeToRead)
                session.LockWorkspace();
            session.LoadRegisterDocuments();
            if (open == TOpen::TreeToRead) {
                for (TRegisterDocument *document : {static_cast<TRegisterDocument *>(&session.TaxPayers()),
                                                    static_cast<TRegisterDocument *>(&session.Schemas()),
                                                    static_cast<TRegisterDocument *>(&session.Files()),
                                                    static_cast<TRegisterDocument *>(&session.Config())})
                    document->SetSaveOnClose(false);
            }
            if (open != TOpen::Documents) {
                session.ApplyCollectionType();
                session.BuildTree();
            }
            status = body(session, messages);
        } catch (const TUserError &e) {
            c.err << "corvane-cli: " << e.Message() << Qt::endl;
            status = kCliFailed;
        } catch (const TSilentAbort &) {
            status = kCliFailed;
        }
        session.CloseWorkspace();
    }
    return messages.ErrorShown() ? kCliFailed : status;
}

// The delete commands go on only with --yes (taken out of args here);
// without it the question would be answered Cancel and nothing would happen,
// which a script must not mistake for success.
bool TakeYes(QStringList &args)
{
    return args.removeAll(QStringLiteral("--yes")) > 0;
}

void RequireYes(bool yes, const QString &what)
{
    if (!yes)
        throw TCliUsageError(QStringLiteral("%1 needs --yes, which answers OK to the question asked before deleting").arg(what));
}

TTreeNode *TaxPayerNode(TClientSession &session, const QString &code)
{
    TTreeNode *node = session.Tree().FindTaxPayer(code);
    if (!node)
        throw TUserError(QStringLiteral("没有找到纳税人识别号 \"%1\"").arg(code));
    return node;
}

TTreeNode *SchemaNode(TClientSession &session, const QString &code, const QString &schema)
{
    TTreeNode *node = session.Tree().FindSchema(TaxPayerNode(session, code), schema);
    if (!node)
        throw TUserError(QStringLiteral("没有找到报表种类 \"%1\"").arg(schema));
    return node;
}

TTreeNode *ReportNode(TClientSession &session, const QString &code, const QString &schema, const QString &period)
{
    TTreeNode *schemaNode = SchemaNode(session, code, schema);
    const QString fileName = ReportFileName(schemaNode->Schema().NAME, period);
    TTreeNode *node = session.Tree().FindReport(schemaNode, fileName);
    if (!node)
        throw TUserError(QStringLiteral("没有找到报表 \"%1\"").arg(fileName));
    return node;
}

QString NodeLine(const TTreeNode &node)
{
    switch (node.Kind()) {
    case TNodeKind::Root: return node.Caption();
    case TNodeKind::TaxPayer: return node.Caption() + QStringLiteral(" [") + node.TaxPayer().SWSBH + QLatin1Char(']');
    case TNodeKind::Schema: return node.Caption() + QStringLiteral(" [") + node.Schema().NAME + QLatin1Char(']');
    case TNodeKind::Report: {
        const int status = node.Report().STATUS;
        QString text = ReportStatusText(status);
        if (text.isEmpty())
            text = QStringLiteral("状态 %1").arg(status);
        return node.Caption() + QStringLiteral(" [") + text + QLatin1Char(']');
    }
    }
    return node.Caption();
}

void PrintTree(QTextStream &out, const TTreeNode &node, int depth)
{
    out << QString(depth * 2, QLatin1Char(' ')) << NodeLine(node) << '\n';
    for (int row = 0; row < node.ChildCount(); ++row)
        PrintTree(out, *node.Child(row), depth + 1);
}

} // namespace

int TreeCommand(TCliContext &c)
{
    if (!c.args.isEmpty())
        return kCliUsage;
    return RunSession(c, {}, false, TOpen::TreeToRead, [&c](TClientSession &session, const TCliMessages &) {
        if (session.Tree().Root())
            PrintTree(c.out, *session.Tree().Root(), 0);
        c.out.flush();
        return kCliOk;
    });
}

int TaxPayerCommand(TCliContext &c)
{
    QStringList args = c.args;
    const bool yes = TakeYes(args);
    const QString verb = args.value(0);
    if (verb == QLatin1String("add") && args.size() == 3 && !yes) {
        // The dialog's "确定" stays disabled until both are filled in.
        if (!NewUnitComplete(args[1], args[2]))
            throw TCliUsageError(QStringLiteral("the code and the name must not be empty"));
        return RunSession(c, {args[1], args[2], {}, {}, false}, false, TOpen::DocumentsAndTree,
                          [](TClientSession &session, const TCliMessages &) {
                              session.Select(session.Tree().Root());
                              session.NewUnit();
                              return kCliOk;
                          });
    }
    if (verb == QLatin1String("rename") && args.size() == 3 && !yes) {
        if (args[2].trimmed().isEmpty())
            throw TCliUsageError(QStringLiteral("the new name must not be empty"));
        const QString code = args[1];
        return RunSession(c, {{}, args[2], {}, {}, false}, false, TOpen::DocumentsAndTree,
                          [&code](TClientSession &session, const TCliMessages &) {
                              session.Select(TaxPayerNode(session, code));
                              session.RenameUnit();
                              return kCliOk;
                          });
    }
    if (verb == QLatin1String("delete") && args.size() == 2) {
        RequireYes(yes, QStringLiteral("taxpayer delete"));
        const QString code = args[1];
        return RunSession(c, {}, true, TOpen::DocumentsAndTree, [&code](TClientSession &session, const TCliMessages &) {
            session.Select(TaxPayerNode(session, code));
            session.DeleteUnit();
            return kCliOk;
        });
    }
    return kCliUsage;
}

int ReportFileCommand(TCliContext &c)
{
    QStringList args = c.args;
    const bool yes = TakeYes(args);
    const QString verb = args.value(0);
    if (verb == QLatin1String("new") && (args.size() == 3 || args.size() == 4) && !yes) {
        const QString code = args[1];
        const QString schema = args[2];
        return RunSession(c, {{}, {}, args.value(3), {}, false}, false, TOpen::DocumentsAndTree,
                          [&](TClientSession &session, const TCliMessages &) {
                              session.Select(SchemaNode(session, code, schema));
                              session.NewReport();
                              // The new report is selected (and open) now.
                              const TXmlFileRec report = session.Selected()->Report();
                              c.out << TApplicationInfo::DataDir(report.SWSBH) + report.FileName << Qt::endl;
                              return kCliOk;
                          });
    }
    if (verb == QLatin1String("import") && args.size() == 5 && !yes) {
        const QString code = args[1];
        const QString schema = args[2];
        const QString period = args[3];
        const QString file = QFileInfo(args[4]).absoluteFilePath();
        return RunSession(c, {}, false, TOpen::DocumentsAndTree, [&](TClientSession &session, const TCliMessages &) {
            TTreeNode *node = ReportNode(session, code, schema, period);
            if (node->Report().STATUS != kStatusAwaiting)
                throw TUserError(FormatText(QStringLiteral("报表\"%S\"不是待申报报表,不能导入数据!"), {node->Report().FileName}));
            // The rows pass the same rules as typed ones.
            if (!session.CreateScriptEngine())
                return kCliFailed;
            session.Shown();
            session.Select(node);
            const TImportResult result = session.ImportFile(file);
            // The enterprise pairs learnt go to "QYXX.xml" as the window
            // writes them when it closes.
            session.Closing();
            c.out << "imported " << result.imported << ", refused " << result.refused.size() << Qt::endl;
            for (const TImportRefusal &refusal : result.refused)
                c.out << "line " << refusal.line << ": " << QString(refusal.message).replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(QLatin1Char('\n'), QLatin1Char(' ')) << Qt::endl;
            return result.refused.empty() ? kCliOk : kCliFailed;
        });
    }
    if (verb == QLatin1String("delete") && args.size() == 4) {
        RequireYes(yes, QStringLiteral("report delete"));
        const QString code = args[1];
        const QString schema = args[2];
        const QString period = args[3];
        return RunSession(c, {}, true, TOpen::DocumentsAndTree, [&](TClientSession &session, const TCliMessages &) {
            TTreeNode *node = ReportNode(session, code, schema, period);
            try {
                session.Select(node);
            } catch (const TUserError &e) {
                // Its data file is missing or unreadable: the window says so
                // and still offers the delete, and so does the tool.
                if (session.Selected() != node)
                    throw;
                c.err << "corvane-cli: " << e.Message() << Qt::endl;
            }
            session.DeleteReport();
            return kCliOk;
        });
    }
    return kCliUsage;
}

int UpgradeCommand(TCliContext &c)
{
    if (!c.args.isEmpty())
        return kCliUsage;
    return RunSession(c, {}, false, TOpen::Documents, [&c](TClientSession &session, const TCliMessages &messages) {
        const double version = session.RunDataVersion();
        c.out << FormatText(QStringLiteral("%3.2f"), {version}) << Qt::endl;
        // A folder that could not be moved has been reported; the version
        // stays and the upgrade runs again next time.
        return messages.NoticeCount() > 0 ? kCliFailed : kCliOk;
    });
}

namespace {

// Takes option (and, with a value, the argument after it) out of args.
bool TakeOption(QStringList &args, const QString &option)
{
    return args.removeAll(option) > 0;
}

bool TakeValue(QStringList &args, const QString &option, QString &value)
{
    const int at = args.indexOf(option);
    if (at < 0 || at + 1 >= args.size())
        return false;
    value = args[at + 1];
    args.remove(at, 2);
    return true;
}

// The files one declaration wrote: the export folder's three and the
// declaration folder's copies.
QStringList DeclaredFiles(const TExportBaseInfo &info)
{
    const QString folder = QFileInfo(info.interfaceFile).absolutePath();
    const QString dtd = info.schemaName + QStringLiteral("JK.DTD");
    QStringList files{info.interfaceFile, info.crcFileName};
    if (FileExistsAnyCase(JoinPath(folder, dtd)))
        files << ResolveCaseInsensitive(JoinPath(folder, dtd));
    const QString archive = TApplicationInfo::DeclareDir(info.period);
    if (!SameFolder(archive, folder)) {
        for (const QString &name : {QFileInfo(info.interfaceFile).fileName(), dtd}) {
            if (FileExistsAnyCase(archive + name))
                files << ResolveCaseInsensitive(archive + name);
        }
    }
    return files;
}

} // namespace

int DeclareCommand(TCliContext &c)
{
    QStringList args = c.args;
    TCliAnswers answers;
    answers.floppy = TakeOption(args, QStringLiteral("--floppy"));
    const bool toFolder = TakeValue(args, QStringLiteral("--to"), answers.exportFolder);
    if (args.size() != 3 || answers.floppy == toFolder)
        return kCliUsage;
    if (toFolder && answers.exportFolder.trimmed().isEmpty())
        throw TCliUsageError(QStringLiteral("--to needs a folder"));
    if (toFolder)
        answers.exportFolder = QFileInfo(answers.exportFolder).absoluteFilePath();
    const QString code = args[0];
    const QString schema = args[1];
    const QString period = args[2];
    return RunSession(c, answers, false, TOpen::DocumentsAndTree,
                      [&](TClientSession &session, const TCliMessages &) {
                          TTreeNode *node = ReportNode(session, code, schema, period);
                          // The audit runs the schema's script.
                          if (!session.CreateScriptEngine())
                              return kCliFailed;
                          session.Select(node);
                          session.Declare();
                          const TExportBaseInfo &info = session.LastDeclaration();
                          for (const QString &file : DeclaredFiles(info))
                              c.out << file << Qt::endl;
                          return kCliOk;
                      });
}

int UndeclareCommand(TCliContext &c)
{
    QStringList args = c.args;
    const bool yes = TakeYes(args);
    if (args.size() != 3)
        return kCliUsage;
    RequireYes(yes, QStringLiteral("undeclare"));
    const QString code = args[0];
    const QString schema = args[1];
    const QString period = args[2];
    return RunSession(c, {}, true, TOpen::DocumentsAndTree, [&](TClientSession &session, const TCliMessages &) {
        TTreeNode *node = ReportNode(session, code, schema, period);
        if (node->Report().STATUS == kStatusAwaiting)
            throw TUserError(FormatText(QStringLiteral("报表\"%S\"尚未申报,不能修改申报状态!"), {node->Report().FileName}));
        session.Select(node);
        session.Undeclare();
        return kCliOk;
    });
}

int PrintCommand(TCliContext &c)
{
    QStringList args = c.args;
    const bool fixedAssets = TakeOption(args, QStringLiteral("--fixed-assets"));
    const bool other = TakeOption(args, QStringLiteral("--other"));
    if (args.size() != 3 || (fixedAssets && other))
        return kCliUsage;
    const QString code = args[0];
    const QString schema = args[1];
    const QString period = args[2];
    return RunSession(c, {}, false, TOpen::DocumentsAndTree, [&](TClientSession &session, const TCliMessages &) {
        TTreeNode *node = ReportNode(session, code, schema, period);
        if (node->Report().STATUS != kStatusDeclared)
            throw TUserError(FormatText(QStringLiteral("报表\"%S\"尚未申报,不能打印!"), {node->Report().FileName}));
        TFixedAssetChoice choice = fixedAssets ? TFixedAssetChoice::FixedAssets : TFixedAssetChoice::Other;
        if (!fixedAssets && !other) {
            // The client asks which list; a script must say it.
            if (HasFixedAssetColumn(node->Parent()->Schema().NAME, session.Schemas()))
                throw TUserError(QStringLiteral("报表种类 \"%1\" 有固定资产列: 请用 --fixed-assets 或 --other 指定打印哪一份清单")
                                     .arg(node->Parent()->Schema().NAME));
            choice = TFixedAssetChoice::Ask;
        }
        session.Select(node);
        c.out << session.PreparePrintPage(choice) << Qt::endl;
        return kCliOk;
    });
}
