#include "entry/ScriptHost.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/Clock.h"
#include "app/utils/Errors.h"
#include "app/utils/MessageBox.h"
#include "app/utils/Paths.h"
#include "app/utils/SystemProcess.h"
#include "app/utils/TextFile.h"
#include "entry/HostBridge.h"
#include "entry/ScriptDialect.h"
#include "entry/ScriptValues.h"

#include <QFile>
#include <QFileInfo>
#include <QJSEngine>
#include <QUrl>

static void InitPreludeResource()
{
    Q_INIT_RESOURCE(jscript_prelude);
}

namespace {

const QString kPreludePath = QStringLiteral(":/corvane/JScriptPrelude.js");
const QString kInvokeProgram = QStringLiteral("__corvaneInvoke()");
const QString kInvokeName = QStringLiteral("corvane-invoke");

// One entry of the engine's exception stack: "function:line:column:url".
struct TFrame {
    int line = 0;
    int column = 0;
    QString url;
};

TFrame ParseFrame(const QString &entry)
{
    TFrame frame;
    const qsizetype first = entry.indexOf(QLatin1Char(':'));
    const qsizetype second = first < 0 ? -1 : entry.indexOf(QLatin1Char(':'), first + 1);
    const qsizetype third = second < 0 ? -1 : entry.indexOf(QLatin1Char(':'), second + 1);
    if (third < 0)
        return frame;
    frame.line = entry.mid(first + 1, second - first - 1).toInt();
    frame.column = std::max(0, entry.mid(second + 1, third - second - 1).toInt());
    frame.url = entry.mid(third + 1);
    return frame;
}

} // namespace

TScriptHost::TScriptHost()
    : engine_(std::make_unique<QJSEngine>())
    , watchdog_([this] { engine_->setInterrupted(true); })
{
    InitPreludeResource();
    auto *bridge = new TScriptHostBridge(engine_.get());
    engine_->globalObject().setProperty(QStringLiteral("__corvaneHost"), engine_->newQObject(bridge));
    // The descriptions of the errors the prelude raises itself.
    QJSValue texts = engine_->newObject();
    for (const int number : DescribedScriptErrors())
        texts.setProperty(static_cast<quint32>(number), ScriptErrorDescription(number));
    engine_->globalObject().setProperty(QStringLiteral("__corvaneErrorTexts"), texts);
    QFile file(kPreludePath);
    if (!file.open(QIODevice::ReadOnly))
        throw TUserError(QStringLiteral("脚本引擎的 JScript 支持缺失：%1").arg(kPreludePath));
    QStringList trace;
    const QJSValue prelude = engine_->evaluate(QString::fromUtf8(file.readAll()), kPreludePath, 1, &trace);
    if (!trace.isEmpty() || !prelude.isObject())
        throw TUserError(QStringLiteral("脚本引擎的 JScript 支持无法加载：%1 %2")
                             .arg(prelude.toString(), trace.join(QLatin1Char(' '))));
    pending_ = prelude.property(QStringLiteral("pending"));
}

TScriptHost::~TScriptHost() = default;

std::unique_ptr<TScriptHost> TScriptHost::CreateScriptEngine(const QString &scriptPath, int timeoutMs)
{
    const QString resolved = ResolveCaseInsensitive(scriptPath);
    const QString text = LoadTextFile(resolved);
    auto host = std::make_unique<TScriptHost>();
    host->SetTimeout(timeoutMs);
    host->AddCode(text, QFileInfo(resolved).absoluteFilePath());
    return host;
}

QJSValue TScriptHost::Evaluate(const QString &program, const QString &fileName, QStringList *trace, bool *timedOut)
{
    engine_->setInterrupted(false);
    watchdog_.Arm(timeoutMs_);
    const QJSValue result = engine_->evaluate(program, fileName, 1, trace);
    const bool fired = watchdog_.Disarm();
    // The flag counts only when the watchdog set it for this call.
    *timedOut = fired && engine_->isInterrupted();
    engine_->setInterrupted(false);
    return result;
}

void TScriptHost::AddCode(const QString &text, const QString &fileName)
{
    Compile(text, fileName);
}

QVariant TScriptHost::EvaluateCode(const QString &text, const QString &fileName)
{
    return FromScriptValue(Compile(text, fileName));
}

QJSValue TScriptHost::Compile(const QString &text, const QString &fileName)
{
    TCodeUnit unit;
    unit.name = fileName.isEmpty() ? QStringLiteral("/corvane-code/%1").arg(units_.size() + 1) : fileName;
    unit.url = QUrl::fromLocalFile(unit.name).toString();
    unit.lines = text.split(QLatin1Char('\n'));
    const TDialectScript program = RewriteDialect(preprocessor_.Process(text));
    unit.sourceLines = program.sourceLines;
    units_.append(unit);

    QStringList trace;
    bool timedOut = false;
    const QJSValue result = Evaluate(program.text, unit.name, &trace, &timedOut);
    if (timedOut)
        throw TimeoutError();
    if (!trace.isEmpty())
        throw ErrorFrom(result, trace);
    return result;
}

QVariant TScriptHost::Run(const QString &functionName, const QVariantList &arguments)
{
    const QJSValue function = engine_->globalObject().property(functionName);
    if (!function.isCallable()) {
        if (function.isUndefined())
            throw TScriptError(ScriptErrorNumber::NoSuchMember, 0, 0, QString(),
                               ScriptErrorDescription(ScriptErrorNumber::NoSuchMember));
        throw TScriptError(ScriptErrorNumber::FunctionExpected, 0, 0, QString(),
                           ScriptErrorDescription(ScriptErrorNumber::FunctionExpected));
    }
    QJSValue args = engine_->newArray(static_cast<uint>(arguments.size()));
    for (qsizetype i = 0; i < arguments.size(); ++i)
        args.setProperty(static_cast<quint32>(i), ToScriptValue(*engine_, arguments.at(i)));
    pending_.setProperty(QStringLiteral("fn"), function);
    pending_.setProperty(QStringLiteral("args"), args);

    QStringList trace;
    bool timedOut = false;
    const QJSValue thrown = Evaluate(kInvokeProgram, kInvokeName, &trace, &timedOut);
    const bool done = pending_.property(QStringLiteral("done")).toBool();
    const QJSValue value = pending_.property(QStringLiteral("result"));
    pending_.setProperty(QStringLiteral("fn"), QJSValue(QJSValue::NullValue));
    pending_.setProperty(QStringLiteral("args"), QJSValue(QJSValue::NullValue));
    pending_.setProperty(QStringLiteral("result"), QJSValue());
    pending_.setProperty(QStringLiteral("done"), false);
    // A function that returned is a success even when the watchdog fired
    // between its return and the end of the evaluation.
    if (done)
        return FromScriptValue(value);
    if (timedOut)
        throw TimeoutError();
    throw ErrorFrom(thrown, trace);
}

QVariant TScriptHost::RunScript(const QString &functionName, const QVariantList &arguments)
{
    try {
        return Run(functionName, arguments);
    } catch (const TScriptError &error) {
        if (error.Number() == 0)
            return QVariant();
        ShowScriptError(error);
        throw TSilentAbort();
    }
}

void TScriptHost::CollectGarbage()
{
    engine_->collectGarbage();
}

TScriptError TScriptHost::TimeoutError() const
{
    return TScriptError(ScriptErrorNumber::TimedOut, 0, 0, QString(),
                        QStringLiteral("%1 (%2 毫秒)")
                            .arg(ScriptErrorDescription(ScriptErrorNumber::TimedOut))
                            .arg(timeoutMs_));
}

TScriptError TScriptHost::ErrorFrom(const QJSValue &thrown, const QStringList &trace) const
{
    TScriptErrorInfo info;
    bool syntax = false;
    if (thrown.isError()) {
        if (thrown.hasOwnProperty(QStringLiteral("number"))) {
            info.number = ScriptErrorNumberOf(thrown.property(QStringLiteral("number")).toNumber());
            info.description = thrown.hasOwnProperty(QStringLiteral("description"))
                ? thrown.property(QStringLiteral("description")).toString()
                : thrown.property(QStringLiteral("message")).toString();
        } else {
            const QString name = thrown.property(QStringLiteral("name")).toString();
            info = ClassifyEngineError(name, thrown.property(QStringLiteral("message")).toString());
            syntax = name == QLatin1String("SyntaxError");
        }
    } else {
        info = {ScriptErrorNumber::UncaughtException,
                ScriptErrorDescription(ScriptErrorNumber::UncaughtException)};
    }

    // The innermost frame in a rule script; the prelude's and the call's own
    // frames are not the script's. When the stack overflowed, the innermost
    // frame is the entry of a function that could not start, so the call
    // that made it is the failing line.
    QList<std::pair<const TCodeUnit *, TFrame>> frames;
    for (const QString &entry : trace) {
        const TFrame frame = ParseFrame(entry);
        // The latest code of a name is the one that ran.
        for (auto unit = units_.crbegin(); unit != units_.crend(); ++unit) {
            if (frame.url == unit->url || frame.url == unit->name || QUrl(frame.url).toLocalFile() == unit->name) {
                frames.append({&*unit, frame});
                break;
            }
        }
    }
    if (frames.isEmpty())
        return TScriptError(info.number, 0, 0, QString(), info.description);
    const auto &[unit, frame] = info.number == ScriptErrorNumber::OutOfStack && frames.size() > 1
        ? frames.at(1) : frames.first();
    const int line = unit->sourceLines.isEmpty() ? frame.line
        : frame.line >= 1 && frame.line <= unit->sourceLines.size() ? unit->sourceLines.at(frame.line - 1) : 0;
    const QString lineText = line >= 1 && line <= unit->lines.size() ? unit->lines.at(line - 1) : QString();
    if (syntax) {
        QString untrimmed = lineText;
        if (untrimmed.endsWith(QLatin1Char('\r')))
            untrimmed.chop(1);
        info = ClassifySyntaxError(thrown.property(QStringLiteral("message")).toString(), untrimmed, frame.column);
    }
    return TScriptError(info.number, line, frame.column, lineText.trimmed(), info.description);
}

void ShowScriptError(const TScriptError &error)
{
    TMessageBox::Show(error.Message(), TMessageBox::ErrorOk);
}

std::unique_ptr<TScriptHost> CreateScriptEngineOrInstall(const QString &scriptName)
{
    const auto attempt = [&scriptName]() -> std::unique_ptr<TScriptHost> {
        try {
            return TScriptHost::CreateScriptEngine(TApplicationInfo::AppFile(scriptName));
        } catch (const std::exception &) {
            return nullptr;
        }
    };
    if (std::unique_ptr<TScriptHost> engine = attempt())
        return engine;
    const QString installer = TApplicationInfo::AppFile(QStringLiteral("RegOcx.sh"));
    TSystemProcess::RunAndWait(QLatin1Char('"') + installer + QLatin1Char('"'), TSystemProcess::Hidden);
    TClock::Wait(5000);
    if (std::unique_ptr<TScriptHost> engine = attempt())
        return engine;
    TMessageBox::Show(QStringLiteral("建立脚本引挚对象时发生错误，请先安装脚本引挚组件！"), TMessageBox::ErrorOk);
    return nullptr;
}
