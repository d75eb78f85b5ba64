#include "checker/Batch.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/Errors.h"
#include "app/utils/Paths.h"
#include "app/utils/TextFile.h"
#include "app/utils/Utils.h"
#include "checker/Checker.h"
#include "entry/XmlDomDtd.h"
#include "export/CRCUtils.h"
#include "export/XmlCrcFile.h"
#include "xml/XmlDocument.h"

#include "app/utils/IniFile.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QThread>

#include <libxml/globals.h>
#include <libxml/parser.h>
#include <libxml/valid.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>

namespace {

// A command line the batch mode cannot run: exit status 2 with the usage.
class TBatchUsageError : public TUserError {
public:
    using TUserError::TUserError;
};

const QString kCheckFileSuffix = QStringLiteral("_CheckFile");

// ---- The schema's DTD, validated against the parsed file ----

// A schema's DTD as the DS folder holds it, read once for the run; each
// worker parses its own copy (libxml2 validation writes into the DTD's
// document while it runs).
struct TDtdSource {
    QString name;  // as the window names it: CODE + "JK.DTD"
    QByteArray bytes;
    QString error; // why it cannot be used; empty when it can
};

void IgnoreGeneric(void *, const char *, ...) {}

// Collects the first validity error libxml2 raises on this thread.
struct TValidityErrors {
    QString first;
    int line = 0;
    static void Collect(void *context, xmlErrorPtr error)
    {
        auto *self = static_cast<TValidityErrors *>(context);
        if (!error || !self->first.isEmpty())
            return;
        self->first = QString::fromUtf8(error->message ? error->message : "?").trimmed();
        self->line = error->line;
    }
};

// While it lives, libxml2's structured errors of this thread go to errors.
class TStructuredErrorScope {
public:
    explicit TStructuredErrorScope(TValidityErrors *errors)
        : previous_(xmlStructuredError), previousContext_(xmlStructuredErrorContext)
    {
        xmlSetStructuredErrorFunc(errors, &TValidityErrors::Collect);
    }
    ~TStructuredErrorScope() { xmlSetStructuredErrorFunc(previousContext_, previous_); }
    TStructuredErrorScope(const TStructuredErrorScope &) = delete;
    TStructuredErrorScope &operator=(const TStructuredErrorScope &) = delete;

private:
    xmlStructuredErrorFunc previous_;
    void *previousContext_;
};

// Parses DTD bytes; nothing outside them is read. Null with errors.first
// set when they are not a DTD.
xmlDtdPtr ParseDtd(const QByteArray &bytes, TValidityErrors &errors)
{
    TStructuredErrorScope scope(&errors);
    TDomEntityGuard guard;
    xmlParserInputBufferPtr input =
        xmlParserInputBufferCreateMem(bytes.constData(), int(bytes.size()), XML_CHAR_ENCODING_NONE);
    if (!input)
        return nullptr;
    // xmlIOParseDTD frees input.
    return xmlIOParseDTD(nullptr, input, XML_CHAR_ENCODING_NONE);
}

// Validates doc against dtd alone (the file's own DOCTYPE is not followed).
// Empty when valid, else the first error with its line.
QString ValidateAgainst(xmlDocPtr doc, xmlDtdPtr dtd)
{
    TValidityErrors errors;
    bool valid = false;
    {
        TStructuredErrorScope scope(&errors);
        TDomEntityGuard guard;
        xmlValidCtxtPtr context = xmlNewValidCtxt();
        if (!context)
            return QStringLiteral("XML 验证器无法启动");
        valid = xmlValidateDtd(context, doc, dtd) == 1;
        xmlFreeValidCtxt(context);
    }
    if (valid)
        return QString();
    if (errors.first.isEmpty())
        return QStringLiteral("结构不符");
    return errors.line > 0 ? QStringLiteral("第 %1 行：%2").arg(errors.line).arg(errors.first) : errors.first;
}

// ---- One file ----

QString AttributeOf(xmlNodePtr node, const char *name)
{
    if (!node)
        return QString();
    xmlChar *value = xmlGetProp(node, reinterpret_cast<const xmlChar *>(name));
    if (!value)
        return QString();
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(value));
    xmlFree(value);
    return text;
}

xmlNodePtr FirstChildElementNamed(xmlNodePtr parent, const char *name)
{
    for (xmlNodePtr child = parent ? parent->children : nullptr; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE
            && QString::fromUtf8(reinterpret_cast<const char *>(child->name)).compare(
                   QLatin1String(name), Qt::CaseInsensitive) == 0)
            return child;
    }
    return nullptr;
}

QString FolderOf(const QString &path)
{
    return QFileInfo(path).absolutePath() + QLatin1Char('/');
}

// What a worker keeps between files: its script engine and the DTDs it
// has parsed.
class TBatchWorker {
public:
    TBatchWorker(const std::map<QString, TDtdSource> &dtds, const TBatchOptions &options)
        : dtds_(dtds), options_(options)
    {
    }
    ~TBatchWorker()
    {
        for (auto &[code, dtd] : parsed_) {
            if (dtd)
                xmlFreeDtd(dtd);
        }
    }
    TBatchWorker(const TBatchWorker &) = delete;
    TBatchWorker &operator=(const TBatchWorker &) = delete;

    void SetHost(TScriptHost *host) { host_ = host; }
    TBatchFileResult Check(const QString &path, const QString &code);

private:
    // The parsed DTD of code, or null with why in *error.
    xmlDtdPtr Dtd(const QString &code, QString *error);
    void VerifyCrc(TBatchFileResult &result, xmlDocPtr doc, const QByteArray &bytes);
    void RunScript(TBatchFileResult &result);
    static void Fail(TBatchFileResult &result, const QString &message);

    TScriptHost *host_ = nullptr;
    const std::map<QString, TDtdSource> &dtds_;
    const TBatchOptions &options_;
    std::map<QString, xmlDtdPtr> parsed_;
    std::map<QString, QString> parseErrors_;
};

void TBatchWorker::Fail(TBatchFileResult &result, const QString &message)
{
    if (result.message.isEmpty())
        result.message = message;
}

xmlDtdPtr TBatchWorker::Dtd(const QString &code, QString *error)
{
    const auto known = parsed_.find(code);
    if (known != parsed_.end()) {
        *error = parseErrors_[code];
        return known->second;
    }
    const TDtdSource &source = dtds_.at(code);
    xmlDtdPtr dtd = nullptr;
    QString why = source.error;
    if (why.isEmpty()) {
        TValidityErrors errors;
        dtd = ParseDtd(source.bytes, errors);
        if (!dtd)
            why = QStringLiteral("类型定义文件“%1”格式错误：%2").arg(source.name, errors.first);
    }
    parsed_[code] = dtd;
    parseErrors_[code] = why;
    *error = why;
    return dtd;
}

// The window's steps 7 to 10 on the bytes already read: the CRC document
// named by the root's CRC attribute, in the file's folder, must record the
// CRC text of exactly these bytes under the file's name.
void TBatchWorker::VerifyCrc(TBatchFileResult &result, xmlDocPtr doc, const QByteArray &bytes)
{
    const QString folder = FolderOf(result.path);
    const QString crcName = AttributeOf(xmlDocGetRootElement(doc), "CRC");
    result.crc = TBatchVerdict::Fail;
    try {
        const QString crcPath = crcName.isEmpty() ? folder : ResolveInFolder(folder, crcName);
        if (crcName.isEmpty() || !FileExistsAnyCase(crcPath)) {
            Fail(result, FormatText(QStringLiteral("数据验证文件 “%S” 不存在！"), {folder + crcName}));
            return;
        }
        QString recorded;
        if (!LookupCrcValue(crcPath, FileNamePart(result.path), recorded)) {
            Fail(result, FormatText(QStringLiteral("无法读取验证文件“%S”的数据！"), {crcPath}));
            return;
        }
        const QString actual = CrcText(~CrcUpdate(0xFFFFFFFFu, bytes.constData(), bytes.size()));
        if (recorded.compare(actual, Qt::CaseInsensitive) != 0) {
            Fail(result, QStringLiteral("申报文件的CRC检验值不正确，申报文件数据已被修改或不完整！"));
            return;
        }
    } catch (const TUserError &error) {
        Fail(result, error.Message());
        return;
    }
    result.crc = TBatchVerdict::Pass;
}

// The window's steps 12 and 14, the results kept in memory.
void TBatchWorker::RunScript(TBatchFileResult &result)
{
    QString text;
    QElapsedTimer timer;
    timer.start();
    try {
        text = host_->Run(result.schemaCode + kCheckFileSuffix, {result.path}).toString();
    } catch (const TScriptError &error) {
        result.scriptNs = timer.nsecsElapsed();
        // An engine failure without an error number is ignored, as the
        // window ignores it: the results are empty.
        if (error.Number() != 0) {
            result.script = error.Number() == ScriptErrorNumber::TimedOut ? TScriptOutcome::TimedOut
                                                                         : TScriptOutcome::Failed;
            Fail(result, error.Message());
            return;
        }
    }
    if (result.scriptNs == 0)
        result.scriptNs = timer.nsecsElapsed();

    TCheckResult read;
    try {
        ReadCheckResults(TIniFile::FromBytes(ResultsFileBytes(text)), read);
    } catch (const TUserError &) {
        result.script = TScriptOutcome::Failed;
        Fail(result, QStringLiteral("读取检查结果文件时发生错误！"));
        return;
    }
    const QString swsbh = read.basicInfo.value(QStringLiteral("纳税人识别号"));
    const QString period = read.basicInfo.value(QStringLiteral("所属区间"));
    if (!swsbh.isEmpty())
        result.taxpayerId = swsbh;
    if (!period.isEmpty())
        result.period = period;
    for (const TResultRow &row : read.rows) {
        if (row.kind == TResultRow::Kind::Error) {
            result.errors.append(row.text);
        } else {
            const qsizetype equals = row.text.indexOf(QLatin1Char('='));
            result.totals.append({row.text.left(equals), equals < 0 ? QString() : row.text.mid(equals + 1)});
        }
    }
    result.errorCount = read.errorCount;
    result.script = read.errorCount > 0 ? TScriptOutcome::Errors : TScriptOutcome::Clean;

    if (options_.save) {
        const QString name = ResultsFileName(FolderOf(result.path), result.schemaCode, period, swsbh);
        try {
            WriteFileAtomically(name, EncodeGbk(ResultsText(read.rows)));
            result.savedTo = name;
        } catch (const TUserError &error) {
            result.script = TScriptOutcome::Failed;
            Fail(result, error.Message());
        }
    }
}

TBatchFileResult TBatchWorker::Check(const QString &path, const QString &code)
{
    TBatchFileResult result;
    result.path = path;
    result.schemaCode = code;

    QByteArray bytes;
    std::unique_ptr<TXMLDocument> document;
    try {
        bytes = ReadFileBytes(path);
        document = TXMLDocument::FromBytes(bytes, path);
    } catch (const TUserError &error) {
        // Unreadable or not well-formed: nothing can be verified.
        result.dtd = bytes.isNull() ? TBatchVerdict::Skipped : TBatchVerdict::Fail;
        Fail(result, error.Message());
        return result;
    }
    xmlDocPtr doc = document->Raw();
    xmlNodePtr root = xmlDocGetRootElement(doc);
    result.period = AttributeOf(root, "SSSQ");
    result.taxpayerId = AttributeOf(FirstChildElementNamed(root, "TAXPAYER"), "SWSBH");

    VerifyCrc(result, doc, bytes);

    QString dtdError;
    xmlDtdPtr dtd = Dtd(code, &dtdError);
    if (dtd) {
        const QString invalid = ValidateAgainst(doc, dtd);
        result.dtd = invalid.isEmpty() ? TBatchVerdict::Pass : TBatchVerdict::Fail;
        if (!invalid.isEmpty())
            Fail(result, QStringLiteral("申报文件不符合类型定义文件“%1”：%2").arg(dtds_.at(code).name, invalid));
    } else {
        result.dtd = TBatchVerdict::Fail;
        Fail(result, dtdError);
    }
    document.reset();

    // As in the window: no script for a file that is not proved whole, nor
    // without the DTD its DOM validates against.
    if (result.crc == TBatchVerdict::Pass && dtd)
        RunScript(result);
    return result;
}

// ---- The run ----

struct TSharedRun {
    const QList<QPair<QString, QString>> &files;
    std::vector<TBatchFileResult> &results;
    const std::map<QString, TDtdSource> &dtds;
    const TBatchOptions &options;
    const TBatchProgress &progress;
    std::atomic<int> next{0};
    std::mutex progressMutex;
    int done = 0;
    std::atomic<qint64> engineNs{0};
};

using TEngineFactory = std::function<std::unique_ptr<TScriptHost>()>;

// Checks files until none is left. The engine is made anew after every
// kFilesPerEngine files: the script host keeps every DOM object a script
// ever touched alive for the engine's lifetime, so one engine over a
// thousand declarations would hold all of them and collect ever slower.
void WorkOn(TSharedRun &run, std::unique_ptr<TScriptHost> host, const TEngineFactory &makeEngine)
{
    // Measured on 200-record declarations: 32 keeps the collector's work
    // small; 100 doubled the script's time for no gain in engine making.
    constexpr int kFilesPerEngine = 32;
    xmlSetGenericErrorFunc(nullptr, IgnoreGeneric);
    TBatchWorker worker(run.dtds, run.options);
    const int total = int(run.files.size());
    int checked = 0;
    for (int index = run.next++; index < total; index = run.next++) {
        if (checked == kFilesPerEngine) {
            QElapsedTimer timer;
            timer.start();
            try {
                std::unique_ptr<TScriptHost> fresh = makeEngine();
                host = std::move(fresh);
            } catch (const std::exception &) {
                // The old engine goes on.
            }
            run.engineNs += timer.nsecsElapsed();
            checked = 0;
        }
        ++checked;
        worker.SetHost(host.get());
        const auto &[path, code] = run.files.at(index);
        TBatchFileResult result;
        try {
            result = worker.Check(path, code);
        } catch (const std::exception &error) {
            result.path = path;
            result.schemaCode = code;
            result.script = TScriptOutcome::Failed;
            result.message = QString::fromUtf8(error.what());
        }
        run.results[size_t(index)] = std::move(result);
        std::lock_guard<std::mutex> lock(run.progressMutex);
        ++run.done;
        if (run.progress)
            run.progress(run.done, total);
    }
}

std::map<QString, TDtdSource> ReadDtds(const QList<QPair<QString, QString>> &files)
{
    std::map<QString, TDtdSource> dtds;
    for (const auto &file : files) {
        const QString &code = file.second;
        if (dtds.count(code))
            continue;
        TDtdSource source;
        source.name = DtdFileName(code);
        const QString path = ResolveInFolder(TApplicationInfo::DSDir(), source.name);
        try {
            if (!FileExistsAnyCase(path))
                source.error = QStringLiteral("类型定义文件“%1”不存在！").arg(path);
            else
                source.bytes = ReadFileBytes(path);
        } catch (const TUserError &error) {
            source.error = error.Message();
        }
        dtds.emplace(code, source);
    }
    return dtds;
}

void RequireFolders(const QStringList &folders)
{
    for (const QString &folder : folders) {
        if (!QFileInfo(folder).isDir()) {
            const QString shown = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
            throw TUserError(FormatText(QStringLiteral("指定的路径 “%S” 不存在！"), {shown}));
        }
    }
}

bool MatchesMask(const QString &name, const QString &code)
{
    static const QString suffix = QStringLiteral("_jk.xml");
    return name.size() >= code.size() + suffix.size() && name.startsWith(code, Qt::CaseInsensitive)
        && name.endsWith(suffix, Qt::CaseInsensitive);
}

} // namespace

bool TBatchFileResult::Passed() const
{
    return crc == TBatchVerdict::Pass && dtd == TBatchVerdict::Pass && script == TScriptOutcome::Clean
        && message.isEmpty();
}

QString BatchVerdictText(TBatchVerdict verdict)
{
    switch (verdict) {
    case TBatchVerdict::Pass:
        return QStringLiteral("pass");
    case TBatchVerdict::Fail:
        return QStringLiteral("fail");
    case TBatchVerdict::Skipped:
        break;
    }
    return QStringLiteral("-");
}

QString ScriptOutcomeText(TScriptOutcome outcome)
{
    switch (outcome) {
    case TScriptOutcome::Clean:
        return QStringLiteral("pass");
    case TScriptOutcome::Errors:
        return QStringLiteral("errors");
    case TScriptOutcome::Failed:
        return QStringLiteral("error");
    case TScriptOutcome::TimedOut:
        return QStringLiteral("timeout");
    case TScriptOutcome::NotRun:
        break;
    }
    return QStringLiteral("-");
}

QList<QPair<QString, QString>> FindInterfaceFiles(const QStringList &folders, const QStringList &schemaCodes)
{
    QList<QPair<QString, QString>> found;
    QSet<QString> seen;
    RequireFolders(folders);
    for (const QString &folder : folders) {
        const QFileInfo info(folder);
        // Links to folders are not followed: a link back up the tree would
        // never end.
        QDirIterator it(info.absoluteFilePath(), QDir::Files | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString name = it.fileName();
            QString best;
            for (const QString &code : schemaCodes) {
                if (code.size() > best.size() && MatchesMask(name, code))
                    best = code;
            }
            if (best.isEmpty())
                continue;
            const QFileInfo file(path);
            const QString canonical = file.canonicalFilePath();
            if (seen.contains(canonical))
                continue;
            seen.insert(canonical);
            found.append({QDir::cleanPath(file.absoluteFilePath()), best});
        }
    }
    std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    return found;
}

TBatchRun RunBatchChecks(const TBatchOptions &options, const TBatchProgress &progress)
{
    const QString scriptPath = options.scriptPath.isEmpty() ? TApplicationInfo::AppFile(QStringLiteral("Check.js"))
                                                            : options.scriptPath;
    RequireFolders(options.folders);
    xmlInitParser();
    QElapsedTimer engineTimer;
    engineTimer.start();
    std::unique_ptr<TScriptHost> host = TScriptHost::CreateScriptEngine(scriptPath, options.timeoutMs);
    const qint64 firstEngineNs = engineTimer.nsecsElapsed();

    QStringList codes;
    for (const TSchemaEntry &entry : ParseSchemaList(host->Run(QStringLiteral("GetSchemaList"), {QVariant()}).toString()))
        codes.append(entry.code);
    if (!options.schemaCode.isEmpty()) {
        const QString wanted = options.schemaCode.toLower();
        if (!codes.contains(wanted))
            throw TBatchUsageError(QStringLiteral("检查脚本不认识模式“%1”，可用的模式：%2")
                                       .arg(options.schemaCode, codes.join(QStringLiteral(", "))));
        codes = QStringList{wanted};
    }

    const QList<QPair<QString, QString>> files = FindInterfaceFiles(options.folders, codes);
    if (files.isEmpty()) {
        throw TUserError(FormatText(QStringLiteral("在路径“%S”下没有发现相关的申报文件，请检查！"),
                                    {options.folders.join(QStringLiteral("”、“"))}));
    }
    const std::map<QString, TDtdSource> dtds = ReadDtds(files);

    TBatchRun run;
    run.files.resize(size_t(files.size()));
    run.jobs = std::clamp(options.jobs > 0 ? options.jobs : QThread::idealThreadCount(), 1, int(files.size()));
    TSharedRun shared{files, run.files, dtds, options, progress, {0}, {}, 0, {0}};

    // The engine made for the schema list works on this thread; every other
    // worker makes its own on its own thread (an engine stays on the thread
    // that made it). A worker whose engine cannot be made leaves its share
    // to the others.
    const TEngineFactory makeEngine = [&scriptPath, &options] {
        return TScriptHost::CreateScriptEngine(scriptPath, options.timeoutMs);
    };
    std::vector<std::unique_ptr<QThread>> threads;
    for (int i = 1; i < run.jobs; ++i) {
        threads.emplace_back(QThread::create([&shared, &makeEngine] {
            std::unique_ptr<TScriptHost> own;
            try {
                own = makeEngine();
            } catch (const std::exception &) {
                return;
            }
            WorkOn(shared, std::move(own), makeEngine);
        }));
        threads.back()->start();
    }
    WorkOn(shared, std::move(host), makeEngine);
    for (auto &thread : threads)
        thread->wait();

    for (const TBatchFileResult &file : run.files)
        run.scriptNs += file.scriptNs;
    run.engineNs = shared.engineNs + firstEngineNs;
    return run;
}

// ---- The command line ----

namespace {

QString Cell(QString text)
{
    for (QChar &c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    }
    return text.simplified().isEmpty() ? QString() : text;
}

QString TotalsText(const TBatchFileResult &file)
{
    QStringList parts;
    for (const auto &[name, value] : file.totals)
        parts.append(name + QLatin1Char('=') + value);
    return parts.join(QStringLiteral("; "));
}

void WriteRow(QTextStream &out, const TBatchFileResult &file)
{
    const QString errors = file.script == TScriptOutcome::Clean || file.script == TScriptOutcome::Errors
        ? QString::number(file.errorCount) : QStringLiteral("-");
    QString message = file.message;
    if (message.isEmpty() && !file.errors.isEmpty())
        message = file.errors.first();
    const QStringList cells = {file.path, file.schemaCode, file.taxpayerId, file.period,
                               BatchVerdictText(file.crc), BatchVerdictText(file.dtd),
                               ScriptOutcomeText(file.script), errors, TotalsText(file), message};
    QStringList clean;
    for (const QString &cell : cells)
        clean.append(Cell(cell));
    out << clean.join(QLatin1Char('\t')) << '\n';
}

void WriteJsonRow(QTextStream &out, const TBatchFileResult &file)
{
    QJsonArray totals;
    for (const auto &[name, value] : file.totals)
        totals.append(QJsonObject{{QStringLiteral("name"), name}, {QStringLiteral("value"), value}});
    QJsonObject row{
        {QStringLiteral("path"), file.path},
        {QStringLiteral("schema"), file.schemaCode},
        {QStringLiteral("taxpayer"), file.taxpayerId},
        {QStringLiteral("period"), file.period},
        {QStringLiteral("crc"), BatchVerdictText(file.crc)},
        {QStringLiteral("dtd"), BatchVerdictText(file.dtd)},
        {QStringLiteral("script"), ScriptOutcomeText(file.script)},
        {QStringLiteral("totals"), totals},
        {QStringLiteral("errors"), QJsonArray::fromStringList(file.errors)},
        {QStringLiteral("passed"), file.Passed()},
    };
    if (file.script == TScriptOutcome::Clean || file.script == TScriptOutcome::Errors)
        row.insert(QStringLiteral("errorCount"), file.errorCount);
    if (!file.message.isEmpty())
        row.insert(QStringLiteral("message"), file.message);
    if (!file.savedTo.isEmpty())
        row.insert(QStringLiteral("saved"), file.savedTo);
    out << QString::fromUtf8(QJsonDocument(row).toJson(QJsonDocument::Compact)) << '\n';
}

struct TBatchCommand {
    TBatchOptions options;
    bool json = false;
};

TBatchCommand ParseArguments(const QStringList &arguments)
{
    TBatchCommand command;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--schema") || argument == QLatin1String("--jobs")) {
            if (i + 1 >= arguments.size())
                throw TBatchUsageError(QStringLiteral("%1 后缺少参数").arg(argument));
            const QString value = arguments.at(++i);
            if (argument == QLatin1String("--schema")) {
                if (value.trimmed().isEmpty())
                    throw TBatchUsageError(QStringLiteral("--schema 后缺少模式代码"));
                command.options.schemaCode = value.trimmed();
            } else {
                bool ok = false;
                command.options.jobs = value.toInt(&ok);
                if (!ok || command.options.jobs < 1)
                    throw TBatchUsageError(QStringLiteral("--jobs 需要一个正整数：%1").arg(value));
            }
        } else if (argument == QLatin1String("--save")) {
            command.options.save = true;
        } else if (argument == QLatin1String("--json")) {
            command.json = true;
        } else if (argument == QLatin1String("--")) {
            command.options.folders.append(arguments.mid(i + 1));
            break;
        } else if (argument.startsWith(QLatin1String("--"))) {
            throw TBatchUsageError(QStringLiteral("未知的选项：%1").arg(argument));
        } else {
            command.options.folders.append(argument);
        }
    }
    if (command.options.folders.isEmpty())
        throw TBatchUsageError(QStringLiteral("没有指定要检查的文件夹"));
    return command;
}

} // namespace

QString BatchUsage()
{
    return QStringLiteral(
        "用法: vettra [--workspace DIR] --batch [--schema CODE] [--save] [--json] [--jobs N] FOLDER...\n"
        "  检查各文件夹（含子文件夹）中的全部申报文件：CRC 验证文件、类型定义文件（DS 文件夹）\n"
        "  和检查脚本 Check.js 的 \"_CheckFile\"；每个文件输出一行，最后一行为汇总。\n"
        "  --schema CODE  只检查该模式的申报文件\n"
        "  --save         把每个文件的检查结果保存到它旁边的 \"…_检查结果.txt\"\n"
        "  --json         每行输出一个 JSON 对象（默认为制表符分隔的文本，首行为列名）\n"
        "  --jobs N       同时检查的文件数（默认为处理器核数）\n"
        "  退出状态: 0 全部通过, 1 有文件未通过或无法检查, 2 命令行错误\n");
}

int RunBatch(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    TBatchCommand command;
    try {
        command = ParseArguments(arguments);
    } catch (const TUserError &error) {
        err << error.Message() << '\n' << BatchUsage();
        err.flush();
        return 2;
    }

    TBatchRun run;
    try {
        QElapsedTimer shown;
        shown.start();
        run = RunBatchChecks(command.options, [&err, &shown](int done, int total) {
            // About five lines a second, and always the last one.
            if (done == total || shown.elapsed() >= 200) {
                err << QStringLiteral("已检查 %1/%2").arg(done).arg(total) << '\n';
                err.flush();
                shown.restart();
            }
        });
    } catch (const TBatchUsageError &error) {
        err << error.Message() << '\n' << BatchUsage();
        err.flush();
        return 2;
    } catch (const TUserError &error) {
        err << error.Message() << '\n';
        err.flush();
        return 1;
    } catch (const TSilentAbort &) {
        return 1;
    }

    if (!command.json)
        out << "path\tschema\ttaxpayer\tperiod\tcrc\tdtd\tscript\terrors\ttotals\tmessage\n";
    int passed = 0;
    for (const TBatchFileResult &file : run.files) {
        if (file.Passed())
            ++passed;
        if (command.json)
            WriteJsonRow(out, file);
        else
            WriteRow(out, file);
    }
    const int total = int(run.files.size());
    if (command.json) {
        const QJsonObject summary{{QStringLiteral("summary"), true},
                                  {QStringLiteral("files"), total},
                                  {QStringLiteral("passed"), passed},
                                  {QStringLiteral("failed"), total - passed}};
        out << QString::fromUtf8(QJsonDocument(summary).toJson(QJsonDocument::Compact)) << '\n';
    } else {
        out << QStringLiteral("# 共检查 %1 个申报文件：通过 %2 个，未通过 %3 个").arg(total).arg(passed).arg(total - passed)
            << '\n';
    }
    out.flush();
    return passed == total ? 0 : 1;
}
