#include "entry/ScriptDialect.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <vector>

int TDialectScript::SourceLine(int line) const
{
    if (sourceLines.isEmpty())
        return line;
    if (line < 1 || line > sourceLines.size())
        return 0;
    return sourceLines.at(line - 1);
}

namespace {

bool IsIdentStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

bool IsIdentPart(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

bool IsSpace(QChar c)
{
    return c.isSpace() || c == QChar(0xFEFF);
}

enum class Brace { FunctionBody, Block, Object };
// Condition: the parentheses after if, while, for, with, switch or catch.
enum class Paren { Params, Call, Condition, Group };
enum class Token { None, Word, Keyword, Literal, Punct };

struct TOpen {
    QChar kind;                // '{', '(' or '['
    Brace brace = Brace::Block;
    Paren paren = Paren::Group;
    qsizetype pos = 0;
    int scope = -1;            // a function body: its scope
    int hoisted = -1;          // the body of a moved declaration: its index
    int ternaries = 0;         // '?' still waiting for their ':'
};

struct TScope {
    qsizetype end = -1;        // its closing '}', or the end of the text
    std::vector<int> hoisted;
};

struct TReplacement {
    qsizetype length = 0;
    QString text;
};

struct THoisted {
    qsizetype start = 0;
    qsizetype end = 0;         // just after the body's '}'
    int scope = 0;
};

const QSet<QString> &Keywords()
{
    static const QSet<QString> words = {
        QStringLiteral("break"), QStringLiteral("case"), QStringLiteral("catch"), QStringLiteral("continue"),
        QStringLiteral("default"), QStringLiteral("delete"), QStringLiteral("do"), QStringLiteral("else"),
        QStringLiteral("finally"), QStringLiteral("for"), QStringLiteral("function"), QStringLiteral("if"),
        QStringLiteral("in"), QStringLiteral("instanceof"), QStringLiteral("new"), QStringLiteral("return"),
        QStringLiteral("switch"), QStringLiteral("throw"), QStringLiteral("try"), QStringLiteral("typeof"),
        QStringLiteral("var"), QStringLiteral("void"), QStringLiteral("while"), QStringLiteral("with"),
    };
    return words;
}

class TDialectPass {
public:
    explicit TDialectPass(const QString &text) : src_(text)
    {
        lineStarts_.push_back(0);
        for (qsizetype i = 0; i < src_.size(); ++i) {
            if (IsBreak(i))
                lineStarts_.push_back(i + 1);
        }
        scopes_.push_back({});
    }

    TDialectScript Run()
    {
        Scan();
        TDialectScript result;
        // Brackets that do not pair up: the engine will refuse the text, and
        // it should see it as written.
        const bool unbalanced = !open_.empty() || unpaired_;
        if (unbalanced || (hoisted_.empty() && replacements_.isEmpty())) {
            result.text = src_;
            return result;
        }
        for (size_t s = 0; s < scopes_.size(); ++s) {
            if (!scopes_[s].hoisted.empty())
                insertAt_.insert(scopes_[s].end, static_cast<int>(s));
        }
        for (size_t h = 0; h < hoisted_.size(); ++h) {
            if (hoisted_[h].end > hoisted_[h].start)
                hoistedAt_.insert(hoisted_[h].start, static_cast<int>(h));
        }
        Emit(0, src_.size(), -1);
        if (linePending_)
            lines_.push_back(LineOf(src_.size()));
        result.text = out_;
        result.sourceLines = lines_;
        return result;
    }

private:
    // A line break ends at i: LF, or CR not followed by LF.
    bool IsBreak(qsizetype i) const
    {
        const QChar c = src_.at(i);
        return c == QLatin1Char('\n')
            || (c == QLatin1Char('\r') && (i + 1 >= src_.size() || src_.at(i + 1) != QLatin1Char('\n')));
    }

    int LineOf(qsizetype pos) const
    {
        const auto it = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), pos);
        return static_cast<int>(it - lineStarts_.begin());
    }

    qsizetype ColumnOf(qsizetype pos) const
    {
        return pos - lineStarts_[LineOf(pos) - 1];
    }

    // --- scanning -------------------------------------------------------

    void Scan()
    {
        while (pos_ < src_.size()) {
            const QChar c = src_.at(pos_);
            if (IsSpace(c)) {
                if (IsBreak(pos_))
                    sawBreak_ = true;
                ++pos_;
            } else if (At("//")) {
                while (pos_ < src_.size() && src_.at(pos_) != QLatin1Char('\n') && src_.at(pos_) != QLatin1Char('\r'))
                    ++pos_;
            } else if (At("/*")) {
                const qsizetype end = src_.indexOf(QLatin1String("*/"), pos_ + 2);
                const qsizetype stop = end < 0 ? src_.size() : end + 2;
                for (qsizetype i = pos_; i < stop; ++i) {
                    if (IsBreak(i))
                        sawBreak_ = true;
                }
                pos_ = stop;
            } else if (c == QLatin1Char('"') || c == QLatin1Char('\'') || c == QLatin1Char('`')) {
                SkipQuoted(c);
                Took(Token::Literal);
            } else if (c == QLatin1Char('/') && RegexAllowed()) {
                SkipRegex();
                Took(Token::Literal);
            } else if (c.isDigit() || (c == QLatin1Char('.') && pos_ + 1 < src_.size() && src_.at(pos_ + 1).isDigit())) {
                Number();
                Took(Token::Literal);
            } else if (IsIdentStart(c)) {
                Word();
            } else {
                Punct(c);
            }
        }
        scopes_[0].end = src_.size();
    }

    // A number literal. "010" is octal (8), as in JScript; "08" and "019",
    // which hold a digit octal does not have, are decimal.
    void Number()
    {
        const qsizetype start = pos_;
        while (pos_ < src_.size() && (IsIdentPart(src_.at(pos_)) || src_.at(pos_) == QLatin1Char('.')))
            ++pos_;
        const QString literal = src_.mid(start, pos_ - start);
        static const QRegularExpression legacy(QStringLiteral("^0[0-9]+$"));
        if (!legacy.match(literal).hasMatch())
            return;
        static const QRegularExpression octal(QStringLiteral("^0[0-7]+$"));
        bool ok = false;
        const qulonglong value = octal.match(literal).hasMatch() ? literal.toULongLong(&ok, 8)
                                                                 : literal.toULongLong(&ok, 10);
        if (ok)
            replacements_.insert(start, {literal.size(), QString::number(value)});
    }

    bool At(const char *text) const
    {
        return QStringView(src_).mid(pos_).startsWith(QLatin1String(text));
    }

    void Took(Token kind, const QString &text = QString())
    {
        prev_ = kind;
        prevText_ = text;
        sawBreak_ = false;
        labelColon_ = false;
        if (kind != Token::Punct || text != QLatin1String(")"))
            closedParen_ = Paren::Group;
    }

    void SkipQuoted(QChar quote)
    {
        ++pos_;
        while (pos_ < src_.size()) {
            const QChar c = src_.at(pos_);
            if (c == QLatin1Char('\\')) {
                pos_ += 2;
                continue;
            }
            ++pos_;
            if (c == quote || (quote != QLatin1Char('`') && (c == QLatin1Char('\n') || c == QLatin1Char('\r'))))
                return;
        }
    }

    void SkipRegex()
    {
        ++pos_;
        bool inClass = false;
        while (pos_ < src_.size()) {
            const QChar c = src_.at(pos_);
            if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
                return;
            if (c == QLatin1Char('\\')) {
                pos_ += 2;
                continue;
            }
            ++pos_;
            if (c == QLatin1Char('['))
                inClass = true;
            else if (c == QLatin1Char(']'))
                inClass = false;
            else if (c == QLatin1Char('/') && !inClass)
                break;
        }
        while (pos_ < src_.size() && IsIdentPart(src_.at(pos_)))
            ++pos_;
    }

    bool RegexAllowed() const
    {
        switch (prev_) {
        case Token::None:
            return true;
        case Token::Keyword:
            return true; // none of them ends a value
        case Token::Punct:
            return prevText_ != QLatin1String(")") && prevText_ != QLatin1String("]");
        default:
            return false;
        }
    }

    const TOpen *Innermost() const { return open_.empty() ? nullptr : &open_.back(); }

    // Whether the innermost bracket holds statements (a block, a function
    // body, or the script itself).
    bool InStatements() const
    {
        const TOpen *top = Innermost();
        return !top || (top->kind == QLatin1Char('{') && top->brace != Brace::Object);
    }

    bool InBlock() const
    {
        const TOpen *top = Innermost();
        return top && top->kind == QLatin1Char('{') && top->brace == Brace::Block;
    }

    int &Ternaries() { return open_.empty() ? ternaries_ : open_.back().ternaries; }

    // After a statement's head that takes one statement as its body: the
    // body is block-level even without braces.
    bool AfterBodyHead() const
    {
        if (prev_ == Token::Keyword)
            return prevText_ == QLatin1String("else") || prevText_ == QLatin1String("do");
        return prev_ == Token::Punct && prevText_ == QLatin1String(")") && closedParen_ == Paren::Condition;
    }

    // Whether a statement can start here.
    bool StatementPosition() const
    {
        if (!InStatements())
            return false;
        if (prev_ == Token::None || AfterBodyHead() || labelColon_)
            return true;
        if (prev_ == Token::Keyword)
            return prevText_ == QLatin1String("try") || prevText_ == QLatin1String("finally") || sawBreak_;
        if (prev_ == Token::Punct) {
            if (prevText_ == QLatin1String(";") || prevText_ == QLatin1String("{") || prevText_ == QLatin1String("}"))
                return true;
            if (prevText_ == QLatin1String(")") || prevText_ == QLatin1String("]"))
                return sawBreak_;
            return false;
        }
        return sawBreak_;
    }

    int CurrentScope() const
    {
        for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
            if (it->kind == QLatin1Char('{') && it->brace == Brace::FunctionBody)
                return it->scope;
        }
        return 0;
    }

    void Word()
    {
        const qsizetype start = pos_;
        while (pos_ < src_.size() && IsIdentPart(src_.at(pos_)))
            ++pos_;
        const QString word = src_.mid(start, pos_ - start);
        const bool afterDot = prev_ == Token::Punct && prevText_ == QLatin1String(".");
        if (afterDot || !Keywords().contains(word)) {
            if (function_ == FunctionState::Name)
                function_ = FunctionState::Params;
            labelColon_ = false;
            Took(Token::Word, word);
            return;
        }
        if (word == QLatin1String("function")) {
            const bool statement = StatementPosition();
            if (statement && (AfterBodyHead() || InBlock())) {
                pendingHoistStart_ = start;
                pendingHoistScope_ = CurrentScope();
            } else {
                pendingHoistStart_ = -1;
            }
            function_ = FunctionState::Name;
        }
        labelColon_ = false;
        Took(Token::Keyword, word);
    }

    void Punct(QChar c)
    {
        const bool wasLabelColon = labelColon_;
        labelColon_ = false;
        if (c == QLatin1Char('=') && At("=>")) {
            pos_ += 2;
            Took(Token::Punct, QStringLiteral("=>"));
            arrow_ = true;
            return;
        }
        const bool arrow = arrow_;
        arrow_ = false;
        switch (c.unicode()) {
        case '{': {
            TOpen entry{c};
            entry.pos = pos_;
            if (function_ == FunctionState::Body || arrow) {
                entry.brace = Brace::FunctionBody;
            } else if (prev_ == Token::Punct && prevText_ == QLatin1String(")") && closedParen_ == Paren::Call
                       && Innermost() && Innermost()->brace == Brace::Object && Innermost()->kind == QLatin1Char('{')) {
                entry.brace = Brace::FunctionBody; // a method of an object literal
            } else {
                labelColon_ = wasLabelColon;
                entry.brace = StatementPosition() ? Brace::Block : Brace::Object;
                labelColon_ = false;
            }
            if (entry.brace == Brace::FunctionBody) {
                entry.scope = static_cast<int>(scopes_.size());
                scopes_.push_back({});
                if (function_ == FunctionState::Body && pendingHoistStart_ >= 0) {
                    entry.hoisted = static_cast<int>(hoisted_.size());
                    hoisted_.push_back({pendingHoistStart_, 0, pendingHoistScope_});
                }
            }
            function_ = FunctionState::None;
            pendingHoistStart_ = -1;
            open_.push_back(entry);
            ++pos_;
            Took(Token::Punct, QStringLiteral("{"));
            return;
        }
        case '}': {
            if (open_.empty() || open_.back().kind != QLatin1Char('{'))
                unpaired_ = true;
            if (!open_.empty() && open_.back().kind == QLatin1Char('{')) {
                const TOpen entry = open_.back();
                open_.pop_back();
                if (entry.brace == Brace::FunctionBody) {
                    scopes_[entry.scope].end = pos_;
                    if (entry.hoisted >= 0) {
                        THoisted &h = hoisted_[entry.hoisted];
                        h.end = pos_ + 1;
                        scopes_[h.scope].hoisted.push_back(entry.hoisted);
                    }
                }
            }
            ++pos_;
            Took(Token::Punct, QStringLiteral("}"));
            return;
        }
        case '(': {
            TOpen entry{c};
            entry.pos = pos_;
            static const QSet<QString> conditions = {QStringLiteral("if"), QStringLiteral("while"),
                                                     QStringLiteral("for"), QStringLiteral("with"),
                                                     QStringLiteral("switch"), QStringLiteral("catch")};
            if (function_ == FunctionState::Name || function_ == FunctionState::Params) {
                entry.paren = Paren::Params;
                function_ = FunctionState::InParams;
            } else if (prev_ == Token::Keyword && conditions.contains(prevText_)) {
                entry.paren = Paren::Condition;
            } else if (prev_ == Token::Word
                       || (prev_ == Token::Punct && (prevText_ == QLatin1String(")") || prevText_ == QLatin1String("]")))) {
                entry.paren = Paren::Call;
            }
            open_.push_back(entry);
            ++pos_;
            Took(Token::Punct, QStringLiteral("("));
            return;
        }
        case ')': {
            Paren closed = Paren::Group;
            if (open_.empty() || open_.back().kind != QLatin1Char('('))
                unpaired_ = true;
            if (!open_.empty() && open_.back().kind == QLatin1Char('(')) {
                const TOpen entry = open_.back();
                open_.pop_back();
                closed = entry.paren;
                if (entry.paren == Paren::Params && function_ == FunctionState::InParams)
                    function_ = FunctionState::Body;
                if (entry.paren == Paren::Call && AssignmentFollows(pos_ + 1)) {
                    replacements_.insert(entry.pos, {1, QStringLiteral("[__corvaneItemKey(")});
                    replacements_.insert(pos_, {1, QStringLiteral(")]")});
                }
            }
            ++pos_;
            Took(Token::Punct, QStringLiteral(")"));
            closedParen_ = closed;
            return;
        }
        case '[':
            open_.push_back(TOpen{c});
            ++pos_;
            Took(Token::Punct, QStringLiteral("["));
            return;
        case ']':
            if (open_.empty() || open_.back().kind != QLatin1Char('['))
                unpaired_ = true;
            if (!open_.empty() && open_.back().kind == QLatin1Char('['))
                open_.pop_back();
            ++pos_;
            Took(Token::Punct, QStringLiteral("]"));
            return;
        case '?':
            ++Ternaries();
            ++pos_;
            Took(Token::Punct, QStringLiteral("?"));
            return;
        case ':': {
            int &pending = Ternaries();
            const bool label = pending == 0 && InStatements();
            if (pending > 0)
                --pending;
            ++pos_;
            Took(Token::Punct, QStringLiteral(":"));
            labelColon_ = label;
            return;
        }
        default:
            ++pos_;
            Took(Token::Punct, QString(c));
            return;
        }
    }

    // Whether an assignment operator ("=", "+=", ">>>=", ...; not "==" or
    // "=>") follows position from, past blanks and comments.
    bool AssignmentFollows(qsizetype from) const
    {
        qsizetype i = from;
        for (;;) {
            while (i < src_.size() && IsSpace(src_.at(i)))
                ++i;
            const QStringView rest = QStringView(src_).mid(i);
            if (rest.startsWith(QLatin1String("//"))) {
                while (i < src_.size() && src_.at(i) != QLatin1Char('\n') && src_.at(i) != QLatin1Char('\r'))
                    ++i;
            } else if (rest.startsWith(QLatin1String("/*"))) {
                const qsizetype end = src_.indexOf(QLatin1String("*/"), i + 2);
                if (end < 0)
                    return false;
                i = end + 2;
            } else {
                break;
            }
        }
        static const char *const kCompound[] = {">>>=", "<<=", ">>=", "+=", "-=", "*=", "/=", "%=", "&=", "|=", "^="};
        const QStringView rest = QStringView(src_).mid(i);
        for (const char *op : kCompound) {
            if (rest.startsWith(QLatin1String(op)))
                return true;
        }
        return rest.startsWith(QLatin1Char('=')) && !rest.startsWith(QLatin1String("=="))
            && !rest.startsWith(QLatin1String("=>"));
    }

    // --- writing --------------------------------------------------------

    void Put(QChar c, int sourceLine, bool lineBreak)
    {
        if (linePending_) {
            lines_.push_back(sourceLine);
            linePending_ = false;
        }
        out_ += c;
        if (lineBreak)
            linePending_ = true;
    }

    void Pad(qsizetype count, int sourceLine)
    {
        for (qsizetype i = 0; i < count; ++i)
            Put(QLatin1Char(' '), sourceLine, false);
    }

    // The moved declarations of a scope, each on lines of its own at its
    // own column, then the column of what follows (the scope's "}").
    void Insert(int scope)
    {
        const qsizetype at = scopes_[scope].end;
        Put(QLatin1Char('\n'), LineOf(at), true);
        for (const int h : scopes_[scope].hoisted) {
            const THoisted &moved = hoisted_[h];
            Pad(ColumnOf(moved.start), LineOf(moved.start));
            Emit(moved.start, moved.end, h);
            Put(QLatin1Char('\n'), LineOf(moved.end - 1), true);
        }
        Pad(at < src_.size() ? ColumnOf(at) : 0, LineOf(at));
    }

    // Writes the source from..to; self is the moved declaration being
    // written (-1 for the script itself).
    void Emit(qsizetype from, qsizetype to, int self)
    {
        qsizetype i = from;
        while (i < to) {
            const auto hoisted = hoistedAt_.constFind(i);
            if (hoisted != hoistedAt_.cend() && *hoisted != self) {
                // Where a moved declaration stood: an empty statement, and
                // the same line breaks.
                const THoisted &moved = hoisted_[*hoisted];
                for (qsizetype k = moved.start; k < moved.end; ++k) {
                    const bool lineBreak = IsBreak(k);
                    const QChar c = src_.at(k);
                    const QChar blank = k == moved.start ? QLatin1Char(';')
                        : (c == QLatin1Char('\n') || c == QLatin1Char('\r')) ? c : QLatin1Char(' ');
                    Put(blank, LineOf(k), lineBreak);
                }
                i = moved.end;
                continue;
            }
            const auto insert = insertAt_.constFind(i);
            if (insert != insertAt_.cend())
                Insert(*insert);
            const auto replacement = replacements_.constFind(i);
            if (replacement != replacements_.cend()) {
                for (const QChar c : replacement->text)
                    Put(c, LineOf(i), false);
                i += replacement->length;
                continue;
            }
            Put(src_.at(i), LineOf(i), IsBreak(i));
            ++i;
        }
        if (to == src_.size() && self < 0) {
            const auto insert = insertAt_.constFind(to);
            if (insert != insertAt_.cend())
                Insert(*insert);
        }
    }

    enum class FunctionState { None, Name, Params, InParams, Body };

    const QString &src_;
    std::vector<qsizetype> lineStarts_;
    qsizetype pos_ = 0;

    Token prev_ = Token::None;
    QString prevText_;
    Paren closedParen_ = Paren::Group;
    bool sawBreak_ = false;
    bool labelColon_ = false;
    bool arrow_ = false;
    bool unpaired_ = false;
    int ternaries_ = 0;
    FunctionState function_ = FunctionState::None;
    qsizetype pendingHoistStart_ = -1;
    int pendingHoistScope_ = 0;
    std::vector<TOpen> open_;

    std::vector<TScope> scopes_;
    std::vector<THoisted> hoisted_;
    QHash<qsizetype, TReplacement> replacements_;
    QHash<qsizetype, int> insertAt_;
    QHash<qsizetype, int> hoistedAt_;

    QString out_;
    QList<int> lines_;
    bool linePending_ = true;
};

} // namespace

TDialectScript RewriteDialect(const QString &text)
{
    return TDialectPass(text).Run();
}
