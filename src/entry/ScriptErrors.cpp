#include "entry/ScriptErrors.h"

#include "app/utils/Utils.h"

#include <QRegularExpression>

#include <algorithm>
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

namespace {

// The descriptions of the numbers the host reports, as the Chinese edition
// of the engine family words them. 9000 is the host's own.
struct TDescription {
    int number;
    const char *text;
};

const TDescription kDescriptions[] = {
    {ScriptErrorNumber::InvalidCall, "无效的过程调用或参数"},
    {ScriptErrorNumber::SubscriptOutOfRange, "下标越界"},
    {ScriptErrorNumber::TypeMismatch, "类型不匹配"},
    {ScriptErrorNumber::OutOfStack, "堆栈空间溢出"},
    {ScriptErrorNumber::FileNotFound, "文件未找到"},
    {ScriptErrorNumber::InputPastEnd, "输入超出文件尾"},
    {ScriptErrorNumber::PermissionDenied, "没有权限"},
    {ScriptErrorNumber::CannotCreateObject, "Automation 服务器不能创建对象"},
    {ScriptErrorNumber::NoSuchMember, "对象不支持此属性或方法"},
    {ScriptErrorNumber::KeyAlreadyExists, "此关键字已经与该集合的一个元素相关联"},
    {ScriptErrorNumber::SyntaxError, "语法错误"},
    {ScriptErrorNumber::ExpectedSemicolon, "缺少 ';'"},
    {ScriptErrorNumber::ExpectedCloseParen, "缺少 ')'"},
    {ScriptErrorNumber::ExpectedCloseBrace, "缺少 '}'"},
    {ScriptErrorNumber::UnterminatedString, "未结束的字符串常量"},
    {ScriptErrorNumber::FunctionExpected, "缺少函数"},
    {ScriptErrorNumber::ObjectExpected, "缺少对象"},
    {ScriptErrorNumber::UndefinedIdentifier, "'%1' 未定义"},
    {ScriptErrorNumber::VBArrayExpected, "缺少 VBArray"},
    {ScriptErrorNumber::UncaughtException, "引发了异常但未捕获"},
    {ScriptErrorNumber::TimedOut, "脚本运行超时"},
    {ScriptErrorNumber::ElementNotFound, "元素没找到"},
};

} // namespace

QString ScriptErrorDescription(int number)
{
    for (const TDescription &d : kDescriptions) {
        if (d.number == number)
            return QString::fromUtf8(d.text);
    }
    return QString();
}

QList<int> DescribedScriptErrors()
{
    QList<int> numbers;
    for (const TDescription &d : kDescriptions)
        numbers << d.number;
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

namespace {

// The engine's own messages for the kinds that have a number of their own.
// Anything not matched keeps the engine's text under a kind-wide number.
struct TMessageRule {
    const char *pattern;
    int number;
};

const TMessageRule kTypeErrorRules[] = {
    {R"(^Property '(.*)' of object .* is not a function$)", ScriptErrorNumber::NoSuchMember},
    {R"(^Cannot (?:read|call|set) (?:property|method) '(.*)' of (?:undefined|null)$)",
     ScriptErrorNumber::ObjectExpected},
    {R"(^Value is (?:undefined|null) and could not be converted to an object$)",
     ScriptErrorNumber::ObjectExpected},
    {R"(^(.*) is not a function$)", ScriptErrorNumber::FunctionExpected},
};

// "Expected token `x'": the token the engine missed, and its number.
const struct {
    const char *token;
    int number;
} kExpectedTokens[] = {
    {";", ScriptErrorNumber::ExpectedSemicolon},
    {")", ScriptErrorNumber::ExpectedCloseParen},
    {"}", ScriptErrorNumber::ExpectedCloseBrace},
};

// Whether a string literal opened by the quote at index start of line ends
// on that line.
bool StringEndsOnLine(const QString &line, qsizetype start)
{
    const QChar quote = line.at(start);
    for (qsizetype i = start + 1; i < line.size(); ++i) {
        if (line.at(i) == QLatin1Char('\\'))
            ++i;
        else if (line.at(i) == quote)
            return true;
    }
    return false;
}

TScriptErrorInfo MatchRules(const TMessageRule *rules, size_t count, const QString &message,
                            bool *matched)
{
    for (size_t i = 0; i < count; ++i) {
        const QRegularExpression pattern(QString::fromLatin1(rules[i].pattern));
        const QRegularExpressionMatch match = pattern.match(message);
        if (!match.hasMatch())
            continue;
        *matched = true;
        return {rules[i].number, ScriptErrorDescription(rules[i].number)};
    }
    *matched = false;
    return {};
}

} // namespace

TScriptErrorInfo ClassifyEngineError(const QString &name, const QString &message)
{
    if (name == QLatin1String("SyntaxError"))
        return ClassifySyntaxError(message);
    if (name == QLatin1String("ReferenceError")) {
        static const QRegularExpression notDefined(QStringLiteral("^(.*) is not defined$"));
        const QRegularExpressionMatch match = notDefined.match(message);
        return {ScriptErrorNumber::UndefinedIdentifier,
                match.hasMatch()
                    ? ScriptErrorDescription(ScriptErrorNumber::UndefinedIdentifier).arg(match.captured(1))
                    : message};
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

TScriptErrorInfo ClassifySyntaxError(const QString &message, const QString &lineText, int column)
{
    const auto info = [](int number) { return TScriptErrorInfo{number, ScriptErrorDescription(number)}; };
    // The engine names the column where the literal starts.
    const qsizetype at = column - 1;
    if (at >= 0 && at < lineText.size()) {
        const QChar c = lineText.at(at);
        if ((c == QLatin1Char('"') || c == QLatin1Char('\'')) && !StringEndsOnLine(lineText, at))
            return info(ScriptErrorNumber::UnterminatedString);
    }
    static const QRegularExpression expected(QStringLiteral("^Expected token `(.*)'$"));
    const QRegularExpressionMatch match = expected.match(message);
    if (match.hasMatch()) {
        for (const auto &token : kExpectedTokens) {
            if (match.captured(1) == QLatin1String(token.token))
                return info(token.number);
        }
    }
    return info(ScriptErrorNumber::SyntaxError);
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
