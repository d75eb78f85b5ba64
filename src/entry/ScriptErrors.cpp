#include "entry/ScriptErrors.h"

#include "app/utils/Utils.h"

#include <QRegularExpression>

#include <cmath>

TScriptError::TScriptError(int number, int line, int column, const QString &sourceText,
                           const QString &description)
    : TUserError(ScriptErrorReport(number, line, column, sourceText, description))
    , number_(number)
    , line_(line)
    , column_(column)
    , sourceText_(sourceText)
    , description_(description)
{
}

QString ScriptErrorReport(int number, int line, int column, const QString &sourceText,
                          const QString &description)
{
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("计算脚本时发生错误，以下是出错信息：") + crlf
        + FormatText(QStringLiteral("错误编号:%D"), {number}) + crlf
        + FormatText(QStringLiteral("错误行号:%D,列号:%D"), {line, column}) + crlf
        + FormatText(QStringLiteral("错误文本:%S"), {sourceText}) + crlf
        + FormatText(QStringLiteral("错误说明:%S"), {description}) + crlf;
}

QString ScriptErrorDescription(int number)
{
    switch (number) {
    case ScriptErrorNumber::InvalidCall: return QStringLiteral("Invalid procedure call or argument");
    case ScriptErrorNumber::TypeMismatch: return QStringLiteral("Type mismatch");
    case ScriptErrorNumber::OutOfStack: return QStringLiteral("Out of stack space");
    case ScriptErrorNumber::FileNotFound: return QStringLiteral("File not found");
    case ScriptErrorNumber::InputPastEnd: return QStringLiteral("Input past end of file");
    case ScriptErrorNumber::PermissionDenied: return QStringLiteral("Permission denied");
    case ScriptErrorNumber::CannotCreateObject: return QStringLiteral("Automation server can't create object");
    case ScriptErrorNumber::NoSuchMember: return QStringLiteral("Object doesn't support this property or method");
    case ScriptErrorNumber::SyntaxError: return QStringLiteral("Syntax error");
    case ScriptErrorNumber::FunctionExpected: return QStringLiteral("Function expected");
    case ScriptErrorNumber::ObjectExpected: return QStringLiteral("Object expected");
    case ScriptErrorNumber::UndefinedIdentifier: return QStringLiteral("Undefined identifier");
    case ScriptErrorNumber::VBArrayExpected: return QStringLiteral("VBArray expected");
    case ScriptErrorNumber::UncaughtException: return QStringLiteral("Exception thrown and not caught");
    case ScriptErrorNumber::TimedOut: return QStringLiteral("Script timed out");
    default: return QString();
    }
}

namespace {

// The engine's own messages for the kinds that have a number of their own.
// Anything not matched keeps the engine's text under a kind-wide number.
struct TMessageRule {
    const char *pattern;
    int number;
    // Description; "%1" is replaced by the pattern's first capture.
    const char *description;
};

const TMessageRule kTypeErrorRules[] = {
    {R"(^Property '(.*)' of object .* is not a function$)", ScriptErrorNumber::NoSuchMember,
     "Object doesn't support property or method '%1'"},
    {R"(^Cannot (?:read|call|set) (?:property|method) '(.*)' of (?:undefined|null)$)",
     ScriptErrorNumber::ObjectExpected, "Object expected"},
    {R"(^Value is (?:undefined|null) and could not be converted to an object$)",
     ScriptErrorNumber::ObjectExpected, "Object expected"},
    {R"(^(.*) is not a function$)", ScriptErrorNumber::FunctionExpected, "Function expected"},
};

TScriptErrorInfo MatchRules(const TMessageRule *rules, size_t count, const QString &message,
                            bool *matched)
{
    for (size_t i = 0; i < count; ++i) {
        const QRegularExpression pattern(QString::fromLatin1(rules[i].pattern));
        const QRegularExpressionMatch match = pattern.match(message);
        if (!match.hasMatch())
            continue;
        *matched = true;
        QString description = QString::fromUtf8(rules[i].description);
        if (description.contains(QLatin1String("%1")))
            description = description.arg(match.captured(1));
        return {rules[i].number, description};
    }
    *matched = false;
    return {};
}

} // namespace

TScriptErrorInfo ClassifyEngineError(const QString &name, const QString &message)
{
    if (name == QLatin1String("SyntaxError")) {
        QString description = ScriptErrorDescription(ScriptErrorNumber::SyntaxError);
        if (!message.isEmpty())
            description += QStringLiteral(" (") + message + QLatin1Char(')');
        return {ScriptErrorNumber::SyntaxError, description};
    }
    if (name == QLatin1String("ReferenceError")) {
        static const QRegularExpression notDefined(QStringLiteral("^(.*) is not defined$"));
        const QRegularExpressionMatch match = notDefined.match(message);
        return {ScriptErrorNumber::UndefinedIdentifier,
                match.hasMatch() ? QStringLiteral("'%1' is undefined").arg(match.captured(1)) : message};
    }
    if (name == QLatin1String("TypeError")) {
        bool matched = false;
        TScriptErrorInfo info = MatchRules(kTypeErrorRules, std::size(kTypeErrorRules), message, &matched);
        if (matched)
            return info;
        return {ScriptErrorNumber::TypeMismatch, ScriptErrorDescription(ScriptErrorNumber::TypeMismatch)};
    }
    if (name == QLatin1String("RangeError") && message.startsWith(QLatin1String("Maximum call stack size")))
        return {ScriptErrorNumber::OutOfStack, ScriptErrorDescription(ScriptErrorNumber::OutOfStack)};
    // A plain Error without a number, or a kind without a number of its own:
    // it was thrown and nobody caught it. Its own text says more than the
    // generic description, so it is kept.
    QString description = message;
    if (name != QLatin1String("Error") && !name.isEmpty() && !message.isEmpty())
        description = name + QStringLiteral(": ") + message;
    if (description.isEmpty())
        description = ScriptErrorDescription(ScriptErrorNumber::UncaughtException);
    return {ScriptErrorNumber::UncaughtException, description};
}

int ScriptErrorCode(int number)
{
    if (number > 0 && number < 0x10000)
        return static_cast<int>(0x800A0000u | static_cast<unsigned>(number));
    return number;
}

int ScriptErrorNumberOf(double code)
{
    if (!std::isfinite(code))
        return 0;
    const long long whole = static_cast<long long>(code);
    if (whole < INT32_MIN || whole > UINT32_MAX)
        return 0;
    const auto bits = static_cast<unsigned>(static_cast<uint32_t>(whole));
    if ((bits & 0xFFFF0000u) == 0x800A0000u)
        return static_cast<int>(bits & 0xFFFFu);
    return static_cast<int>(bits);
}
