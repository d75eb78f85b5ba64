#include "entry/ScriptPreprocessor.h"

#include "entry/ScriptErrors.h"

#include <QList>

#include <cmath>
#include <vector>

using TValue = TScriptPreprocessor::TValue;

namespace {

bool IsIdentChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

bool Truthy(const TValue &v)
{
    return v.number != 0 && !std::isnan(v.number);
}

TValue Bool(bool b)
{
    return {b ? 1.0 : 0.0, true};
}

QString ValueText(const TValue &v)
{
    if (v.isBool)
        return v.number != 0 ? QStringLiteral("true") : QStringLiteral("false");
    if (std::isnan(v.number))
        return QStringLiteral("NaN");
    if (std::isinf(v.number))
        return v.number > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    return QString::number(v.number, 'g', 15);
}

// The expressions of "@if", "@elif" and "@set": numbers, true/false,
// @variables, parentheses and the script language's unary, arithmetic,
// shift, comparison, bitwise and logical operators.
class TExpression {
public:
    TExpression(const QString &text, const QHash<QString, TValue> &variables)
        : text_(text), variables_(variables)
    {
    }

    // The value; sets error to a description when the text is not an expression.
    TValue Evaluate(QString *error)
    {
        error_.clear();
        pos_ = 0;
        TValue v = Binary(0);
        SkipBlanks();
        if (error_.isEmpty() && pos_ < text_.size())
            error_ = QStringLiteral("意外的 '%1'").arg(text_.mid(pos_));
        *error = error_;
        return v;
    }

private:
    void SkipBlanks()
    {
        while (pos_ < text_.size() && text_.at(pos_).isSpace())
            ++pos_;
    }

    bool Take(const char *op)
    {
        SkipBlanks();
        const QLatin1String token(op);
        if (!QStringView(text_).mid(pos_).startsWith(token))
            return false;
        // "<" must not take the first half of "<<" or "<=", and so on.
        const qsizetype after = pos_ + token.size();
        if (after < text_.size()) {
            const QChar next = text_.at(after);
            const QChar last = token.back();
            if ((last == QLatin1Char('<') || last == QLatin1Char('>') || last == QLatin1Char('='))
                && (next == QLatin1Char('=') || next == QLatin1Char('<') || next == QLatin1Char('>')))
                return false;
            if ((token == QLatin1String("&") && next == QLatin1Char('&'))
                || (token == QLatin1String("|") && next == QLatin1Char('|')))
                return false;
            if (token == QLatin1String("!") && next == QLatin1Char('='))
                return false;
        }
        pos_ = after;
        return true;
    }

    // Binary operators by level, lowest first.
    TValue Binary(int level)
    {
        static const std::vector<std::vector<const char *>> kLevels = {
            {"||"}, {"&&"}, {"|"}, {"^"}, {"&"}, {"===", "!==", "==", "!="},
            {"<=", ">=", "<", ">"}, {">>>", "<<", ">>"}, {"+", "-"}, {"*", "/", "%"},
        };
        if (level >= static_cast<int>(kLevels.size()))
            return Unary();
        TValue left = Binary(level + 1);
        for (;;) {
            const char *matched = nullptr;
            for (const char *op : kLevels[level]) {
                if (Take(op)) {
                    matched = op;
                    break;
                }
            }
            if (!matched || !error_.isEmpty())
                return left;
            const TValue right = Binary(level + 1);
            left = Apply(QLatin1String(matched), left, right);
        }
    }

    static TValue Apply(QLatin1String op, const TValue &a, const TValue &b)
    {
        const double x = a.number, y = b.number;
        const auto i32 = [](double v) {
            return std::isfinite(v) ? static_cast<int32_t>(static_cast<int64_t>(v)) : 0;
        };
        if (op == QLatin1String("||")) return Truthy(a) ? a : b;
        if (op == QLatin1String("&&")) return Truthy(a) ? b : a;
        if (op == QLatin1String("|")) return {double(i32(x) | i32(y)), false};
        if (op == QLatin1String("^")) return {double(i32(x) ^ i32(y)), false};
        if (op == QLatin1String("&")) return {double(i32(x) & i32(y)), false};
        if (op == QLatin1String("===")) return Bool(a.isBool == b.isBool && x == y);
        if (op == QLatin1String("!==")) return Bool(!(a.isBool == b.isBool && x == y));
        if (op == QLatin1String("==")) return Bool(x == y);
        if (op == QLatin1String("!=")) return Bool(x != y);
        if (op == QLatin1String("<=")) return Bool(x <= y);
        if (op == QLatin1String(">=")) return Bool(x >= y);
        if (op == QLatin1String("<")) return Bool(x < y);
        if (op == QLatin1String(">")) return Bool(x > y);
        if (op == QLatin1String("<<")) return {double(i32(x) << (i32(y) & 31)), false};
        if (op == QLatin1String(">>")) return {double(i32(x) >> (i32(y) & 31)), false};
        if (op == QLatin1String(">>>")) return {double(uint32_t(i32(x)) >> (i32(y) & 31)), false};
        if (op == QLatin1String("+")) return {x + y, false};
        if (op == QLatin1String("-")) return {x - y, false};
        if (op == QLatin1String("*")) return {x * y, false};
        if (op == QLatin1String("/")) return {x / y, false};
        return {std::fmod(x, y), false};
    }

    TValue Unary()
    {
        if (Take("!")) return Bool(!Truthy(Unary()));
        if (Take("-")) return {-Unary().number, false};
        if (Take("+")) return {Unary().number, false};
        if (Take("~")) {
            const double v = Unary().number;
            return {double(~(std::isfinite(v) ? static_cast<int32_t>(static_cast<int64_t>(v)) : 0)), false};
        }
        return Primary();
    }

    TValue Primary()
    {
        SkipBlanks();
        if (pos_ >= text_.size()) {
            Fail(QStringLiteral("缺少表达式"));
            return {};
        }
        if (Take("(")) {
            const TValue v = Binary(0);
            if (!Take(")"))
                Fail(QStringLiteral("缺少 ')'"));
            return v;
        }
        const QChar c = text_.at(pos_);
        if (c == QLatin1Char('@')) {
            const qsizetype start = ++pos_;
            while (pos_ < text_.size() && IsIdentChar(text_.at(pos_)))
                ++pos_;
            const QString name = text_.mid(start, pos_ - start);
            return variables_.value(name, TValue{NAN, false});
        }
        if (c.isDigit() || c == QLatin1Char('.')) {
            const qsizetype start = pos_;
            while (pos_ < text_.size() && (IsIdentChar(text_.at(pos_)) || text_.at(pos_) == QLatin1Char('.')))
                ++pos_;
            const QString literal = text_.mid(start, pos_ - start);
            bool ok = false;
            double number = literal.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                ? double(literal.mid(2).toLongLong(&ok, 16))
                : literal.toDouble(&ok);
            if (!ok)
                Fail(QStringLiteral("无效数字 '%1'").arg(literal));
            return {number, false};
        }
        if (IsIdentChar(c)) {
            const qsizetype start = pos_;
            while (pos_ < text_.size() && IsIdentChar(text_.at(pos_)))
                ++pos_;
            const QString word = text_.mid(start, pos_ - start);
            if (word == QLatin1String("true")) return Bool(true);
            if (word == QLatin1String("false")) return Bool(false);
            if (word == QLatin1String("NaN")) return {NAN, false};
            Fail(QStringLiteral("意外的 '%1'").arg(word));
            return {};
        }
        Fail(QStringLiteral("意外的 '%1'").arg(c));
        return {};
    }

    void Fail(const QString &message)
    {
        if (error_.isEmpty())
            error_ = message;
        pos_ = text_.size();
    }

    QString text_;
    const QHash<QString, TValue> &variables_;
    qsizetype pos_ = 0;
    QString error_;
};

} // namespace

// One run over one text. Kept out of the header: it is the scanner.
class TConditionalPass {
public:
    TConditionalPass(TScriptPreprocessor &owner, const QString &source)
        : owner_(owner), src_(source)
    {
        out_.reserve(source.size());
    }

    QString Run()
    {
        while (pos_ < src_.size()) {
            const QChar c = src_.at(pos_);
            if (inConditional_ && At("@*/")) {
                Blank(3);
                inConditional_ = false;
            } else if (At("//")) {
                LineComment();
            } else if (At("/*")) {
                BlockComment();
            } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
                StringLiteral(c);
            } else if (c == QLatin1Char('/') && RegexAllowed()) {
                RegexLiteral();
            } else if (c == QLatin1Char('@') && (owner_.enabled_ || At("@cc_on"))) {
                Directive();
            } else {
                Code();
            }
        }
        if (!frames_.empty())
            Fail(frames_.back().line, frames_.back().column, QStringLiteral("缺少 '@end'"));
        return out_;
    }

private:
    struct TFrame {
        bool outerActive;
        bool taking;
        bool done;
        bool sawElse;
        int line;
        int column;
    };

    bool At(const char *text) const
    {
        return QStringView(src_).mid(pos_).startsWith(QLatin1String(text));
    }

    bool Active() const
    {
        for (const TFrame &frame : frames_) {
            if (!frame.taking)
                return false;
        }
        return true;
    }

    // Moves past one character, writing it when active and a blank (or the
    // same line break) when not.
    void Put(bool keep)
    {
        const QChar c = src_.at(pos_);
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            out_ += c;
            if (c == QLatin1Char('\n') || pos_ + 1 >= src_.size() || src_.at(pos_ + 1) != QLatin1Char('\n')) {
                ++line_;
                lineStart_ = pos_ + 1;
            }
        } else {
            out_ += keep ? c : QChar(QLatin1Char(' '));
        }
        ++pos_;
    }

    void Copy() { Put(Active()); }

    void Blank(qsizetype count)
    {
        for (qsizetype i = 0; i < count && pos_ < src_.size(); ++i)
            Put(false);
    }

    bool StartsConditional(qsizetype at) const
    {
        return QStringView(src_).mid(at).startsWith(QLatin1Char('@'))
            && (owner_.enabled_ || QStringView(src_).mid(at).startsWith(QLatin1String("@cc_on")));
    }

    void LineComment()
    {
        if (StartsConditional(pos_ + 2)) {
            // "//@": the rest of the line is code; the "@" is read next.
            Blank(2);
            return;
        }
        while (pos_ < src_.size() && src_.at(pos_) != QLatin1Char('\n') && src_.at(pos_) != QLatin1Char('\r'))
            Copy();
    }

    void BlockComment()
    {
        if (StartsConditional(pos_ + 2)) {
            Blank(2);
            inConditional_ = true;
            return;
        }
        Copy();
        Copy();
        while (pos_ < src_.size() && !At("*/"))
            Copy();
        if (pos_ < src_.size()) {
            Copy();
            Copy();
        }
    }

    void StringLiteral(QChar quote)
    {
        Copy();
        while (pos_ < src_.size()) {
            const QChar c = src_.at(pos_);
            if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
                break;
            if (c == QLatin1Char('\\') && pos_ + 1 < src_.size()) {
                Copy();
                Copy();
                continue;
            }
            Copy();
            if (c == quote)
                break;
        }
        previous_ = QLatin1Char('"');
        word_.clear();
        inWord_ = false;
    }

    // A "/" starts a regular expression where a value is expected, not
    // where one has just ended (then it divides).
    bool RegexAllowed() const
    {
        if (previous_.isNull())
            return true;
        if (IsIdentChar(previous_)) {
            static const QStringList kKeywords = {
                QStringLiteral("return"), QStringLiteral("typeof"), QStringLiteral("case"),
                QStringLiteral("do"), QStringLiteral("else"), QStringLiteral("in"),
                QStringLiteral("new"), QStringLiteral("delete"), QStringLiteral("void"),
                QStringLiteral("throw"), QStringLiteral("instanceof")};
            return kKeywords.contains(word_);
        }
        return QStringLiteral("(,=:[!&|?{};+-*%<>~^").contains(previous_);
    }

    void RegexLiteral()
    {
        Copy();
        bool inClass = false;
        while (pos_ < src_.size()) {
            const QChar c = src_.at(pos_);
            if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
                break;
            if (c == QLatin1Char('\\') && pos_ + 1 < src_.size()) {
                Copy();
                Copy();
                continue;
            }
            Copy();
            if (c == QLatin1Char('['))
                inClass = true;
            else if (c == QLatin1Char(']'))
                inClass = false;
            else if (c == QLatin1Char('/') && !inClass)
                break;
        }
        previous_ = QLatin1Char(')');
        word_.clear();
        inWord_ = false;
    }

    void Code()
    {
        const QChar c = src_.at(pos_);
        if (c.isSpace()) {
            inWord_ = false;
        } else if (IsIdentChar(c)) {
            if (!inWord_)
                word_.clear();
            word_ += c;
            inWord_ = true;
            previous_ = c;
        } else {
            word_.clear();
            inWord_ = false;
            previous_ = c;
        }
        Copy();
    }

    void Directive()
    {
        const int line = line_;
        const int column = static_cast<int>(pos_ - lineStart_) + 1;
        qsizetype end = pos_ + 1;
        while (end < src_.size() && IsIdentChar(src_.at(end)))
            ++end;
        const QString name = src_.mid(pos_ + 1, end - pos_ - 1);
        const bool active = Active();
        if (name.isEmpty()) {
            Blank(1);
            return;
        }
        if (name == QLatin1String("cc_on")) {
            owner_.enabled_ = true;
            Blank(end - pos_);
        } else if (name == QLatin1String("if")) {
            Blank(end - pos_);
            const QString expression = Condition(line, column);
            const bool taking = active && Truthy(Evaluate(expression, line, column));
            frames_.push_back({active, taking, taking, false, line, column});
        } else if (name == QLatin1String("elif")) {
            if (frames_.empty() || frames_.back().sawElse)
                Fail(line, column, QStringLiteral("'@elif' 前缺少 '@if'"));
            Blank(end - pos_);
            const QString expression = Condition(line, column);
            TFrame &frame = frames_.back();
            frame.taking = frame.outerActive && !frame.done && Truthy(Evaluate(expression, line, column));
            frame.done = frame.done || frame.taking;
        } else if (name == QLatin1String("else")) {
            if (frames_.empty() || frames_.back().sawElse)
                Fail(line, column, QStringLiteral("'@else' 前缺少 '@if'"));
            Blank(end - pos_);
            TFrame &frame = frames_.back();
            frame.taking = frame.outerActive && !frame.done;
            frame.done = true;
            frame.sawElse = true;
        } else if (name == QLatin1String("end")) {
            if (frames_.empty())
                Fail(line, column, QStringLiteral("'@end' 前缺少 '@if'"));
            Blank(end - pos_);
            frames_.pop_back();
        } else if (name == QLatin1String("set")) {
            Blank(end - pos_);
            Set(active, line, column);
        } else if (active) {
            out_ += ValueText(owner_.variables_.value(name, TValue{NAN, false}));
            pos_ = end;
            previous_ = QLatin1Char('0');
            word_.clear();
            inWord_ = false;
        } else {
            Blank(end - pos_);
        }
    }

    // "( expression )" after "@if"/"@elif", blanked; returns the expression.
    QString Condition(int line, int column)
    {
        while (pos_ < src_.size() && src_.at(pos_).isSpace())
            Put(false);
        if (pos_ >= src_.size() || src_.at(pos_) != QLatin1Char('('))
            Fail(line, column, QStringLiteral("缺少 '('"));
        Put(false);
        int depth = 1;
        QString expression;
        while (pos_ < src_.size()) {
            const QChar c = src_.at(pos_);
            if (c == QLatin1Char('('))
                ++depth;
            else if (c == QLatin1Char(')') && --depth == 0) {
                Put(false);
                return expression;
            }
            expression += c;
            Put(false);
        }
        Fail(line, column, QStringLiteral("缺少 ')'"));
        return QString();
    }

    // "@set @name = expression" up to the end of the line or of the
    // conditional comment.
    void Set(bool active, int line, int column)
    {
        qsizetype end = pos_;
        while (end < src_.size() && src_.at(end) != QLatin1Char('\n') && src_.at(end) != QLatin1Char('\r')
               && !QStringView(src_).mid(end).startsWith(QLatin1String("@*/")))
            ++end;
        const QString statement = src_.mid(pos_, end - pos_).trimmed();
        Blank(end - pos_);
        const qsizetype equals = statement.indexOf(QLatin1Char('='));
        const QString target = equals < 0 ? QString() : statement.left(equals).trimmed();
        if (!target.startsWith(QLatin1Char('@')) || target.size() < 2)
            Fail(line, column, QStringLiteral("'@set' 后缺少 '@名称 = 值'"));
        QString expression = statement.mid(equals + 1).trimmed();
        if (expression.endsWith(QLatin1Char(';')))
            expression.chop(1);
        if (active)
            owner_.variables_.insert(target.mid(1), Evaluate(expression, line, column));
    }

    TValue Evaluate(const QString &expression, int line, int column)
    {
        TExpression parser(expression, owner_.variables_);
        QString error;
        const TValue value = parser.Evaluate(&error);
        if (!error.isEmpty())
            Fail(line, column, QStringLiteral("条件表达式有误：") + error);
        return value;
    }

    [[noreturn]] void Fail(int line, int column, const QString &detail) const
    {
        QStringList lines = src_.split(QLatin1Char('\n'));
        QString text = line >= 1 && line <= lines.size() ? lines.at(line - 1) : QString();
        throw TScriptError(ScriptErrorNumber::SyntaxError, line, column, text.trimmed(),
                           ScriptErrorDescription(ScriptErrorNumber::SyntaxError) + QStringLiteral("（")
                               + detail + QStringLiteral("）"));
    }

    TScriptPreprocessor &owner_;
    const QString &src_;
    QString out_;
    qsizetype pos_ = 0;
    int line_ = 1;
    qsizetype lineStart_ = 0;
    bool inConditional_ = false;
    std::vector<TFrame> frames_;
    // The last significant character of code and the identifier it ends.
    QChar previous_;
    QString word_;
    bool inWord_ = false;
};

TScriptPreprocessor::TScriptPreprocessor()
{
    variables_.insert(QStringLiteral("_jscript"), Bool(true));
    variables_.insert(QStringLiteral("_jscript_version"), {5.8, false});
    variables_.insert(QStringLiteral("_jscript_build"), {16384, false});
    variables_.insert(QStringLiteral("_win32"), Bool(true));
    variables_.insert(QStringLiteral("_x86"), Bool(true));
}

QString TScriptPreprocessor::Process(const QString &text)
{
    if (!enabled_ && !text.contains(QLatin1String("@cc_on")))
        return text;
    TConditionalPass pass(*this, text);
    return pass.Run();
}
