#include "IniFile.h"

#include "AtomicFile.h"
#include "Errors.h"
#include "TextFile.h"

#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");
const QByteArray kUtf16LeBom("\xFF\xFE");

// The blanks the profile reader drops: not QChar::isSpace, which would also
// take the full-width blank (a GBK character like any other).
bool IsBlank(QChar c)
{
    const char16_t u = c.unicode();
    return u == u' ' || u == u'\t' || u == u'\r' || u == u'\n' || u == u'\v' || u == u'\f' || u == 0x1A;
}

QString TrimBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

bool SameName(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

bool IsQuote(QChar c) { return c == u'"' || c == u'\''; }

// The value as a reader gets it: one pair of enclosing quotes off, cut.
QString ReadableValue(const QString &stored)
{
    QString value = stored;
    if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    if (value.size() > TIniFile::kMaxValueLength)
        value.truncate(TIniFile::kMaxValueLength);
    return value;
}

// The text written after "=" so that ReadableValue gives value back.
QString StoredValue(const QString &value)
{
    const bool blankEnds = !value.isEmpty() && (IsBlank(value.front()) || IsBlank(value.back()));
    const bool quoted = value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front();
    return blankEnds || quoted ? u'"' + value + u'"' : value;
}

[[noreturn]] void RefuseName(const QString &name)
{
    throw TUserError(QStringLiteral("配置文件中不能保存名称\"%1\"!").arg(name));
}

bool HasLineBreakOrNul(const QString &text)
{
    return text.contains(u'\r') || text.contains(u'\n') || text.contains(QChar(0));
}

QString CheckedSectionName(const QString &section)
{
    const QString name = TrimBlanks(section);
    if (name.isEmpty() || HasLineBreakOrNul(name) || name.contains(u']'))
        RefuseName(section);
    return name;
}

QString CheckedKeyName(const QString &key)
{
    const QString name = TrimBlanks(key);
    if (name.isEmpty() || HasLineBreakOrNul(name) || name.contains(u'=') || name.front() == u'['
        || name.front() == u';')
        RefuseName(key);
    return name;
}

} // namespace

TIniFile::TIniFile(const QString &path)
    : path_(path)
{
    if (QFileInfo::exists(path))
        Parse(ReadFileBytes(path));
}

TIniFile TIniFile::FromBytes(const QByteArray &bytes, const QString &path)
{
    TIniFile file;
    file.path_ = path;
    file.Parse(bytes);
    return file;
}

void TIniFile::Parse(const QByteArray &bytes)
{
    QString text;
    if (bytes.startsWith(kUtf8Bom)) {
        encoding_ = TEncoding::Utf8Bom;
        text = QString::fromUtf8(bytes.mid(kUtf8Bom.size()));
    } else if (bytes.startsWith(kUtf16LeBom)) {
        encoding_ = TEncoding::Utf16LeBom;
        text = QStringDecoder(QStringDecoder::Utf16LE).decode(bytes.mid(kUtf16LeBom.size()));
    } else {
        text = DecodeGbk(bytes);
    }

    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast(); // the final line end starts no line
    TSection *current = nullptr;
    for (QString raw : lines) {
        if (raw.endsWith(u'\r'))
            raw.chop(1);
        const QString line = TrimBlanks(raw);
        if (line.startsWith(u'[')) {
            const qsizetype close = line.lastIndexOf(u']');
            if (close > 0) {
                sections_.push_back({TrimBlanks(line.mid(1, close - 1)), raw, {}});
                current = &sections_.back();
                continue;
            }
        }
        if (!current) {
            preamble_.push_back(raw);
            continue;
        }
        TLine entry{raw, {}, {}, false};
        if (!line.isEmpty() && !line.startsWith(u';')) {
            const qsizetype equals = line.indexOf(u'=');
            entry.key = TrimBlanks(equals < 0 ? line : line.left(equals));
            if (equals >= 0) {
                entry.value = TrimBlanks(line.mid(equals + 1));
                entry.hasValue = true;
            }
        }
        current->lines.push_back(std::move(entry));
    }
}

const TIniFile::TSection *TIniFile::FindSection(const QString &name) const
{
    const QString wanted = TrimBlanks(name);
    for (const TSection &section : sections_)
        if (SameName(section.name, wanted))
            return &section;
    return nullptr;
}

TIniFile::TSection *TIniFile::FindSection(const QString &name)
{
    return const_cast<TSection *>(std::as_const(*this).FindSection(name));
}

QString TIniFile::ReadString(const QString &section, const QString &key, const QString &defaultValue) const
{
    const TSection *found = FindSection(section);
    const QString wanted = TrimBlanks(key);
    if (!found || wanted.isEmpty())
        return defaultValue;
    for (const TLine &line : found->lines)
        if (!line.key.isEmpty() && SameName(line.key, wanted))
            return line.hasValue ? ReadableValue(line.value) : defaultValue;
    return defaultValue;
}

bool TIniFile::SectionExists(const QString &section) const { return FindSection(section) != nullptr; }

bool TIniFile::ValueExists(const QString &section, const QString &key) const
{
    const TSection *found = FindSection(section);
    const QString wanted = TrimBlanks(key);
    if (!found || wanted.isEmpty())
        return false;
    for (const TLine &line : found->lines)
        if (!line.key.isEmpty() && SameName(line.key, wanted))
            return true;
    return false;
}

QStringList TIniFile::ReadSection(const QString &section) const
{
    QStringList names;
    const TSection *found = FindSection(section);
    if (!found)
        return names;
    // The buffer ends in the list's own terminator, after each name's.
    int room = kKeyListBytes - 1;
    for (const TLine &line : found->lines) {
        if (line.key.isEmpty())
            continue;
        const int size = int(EncodeGbk(line.key).size()) + 1;
        if (size > room)
            break;
        room -= size;
        names << line.key;
    }
    return names;
}

QStringList TIniFile::ReadSections() const
{
    QStringList names;
    for (const TSection &section : sections_) {
        bool seen = false;
        for (const QString &name : std::as_const(names))
            seen = seen || SameName(name, section.name);
        if (!seen)
            names << section.name;
    }
    return names;
}

void TIniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    const QString sectionName = CheckedSectionName(section);
    const QString keyName = CheckedKeyName(key);
    if (HasLineBreakOrNul(value))
        throw TUserError(QStringLiteral("配置项\"%1\"的值不能包含换行符!").arg(keyName));

    TSection *target = FindSection(sectionName);
    if (!target) {
        // A new section is set off from the lines before it by a blank line.
        const QString *last = nullptr;
        if (!sections_.empty())
            last = sections_.back().lines.empty() ? &sections_.back().header : &sections_.back().lines.back().raw;
        else if (!preamble_.empty())
            last = &preamble_.back();
        if (last && !TrimBlanks(*last).isEmpty()) {
            if (sections_.empty())
                preamble_.push_back(QString());
            else
                sections_.back().lines.push_back(TLine{});
        }
        sections_.push_back({sectionName, u'[' + sectionName + u']', {}});
        target = &sections_.back();
    }
    const QString stored = StoredValue(value);
    size_t insertAt = 0;
    for (size_t i = 0; i < target->lines.size(); ++i) {
        TLine &line = target->lines[i];
        if (line.key.isEmpty())
            continue;
        if (SameName(line.key, keyName)) {
            if (line.hasValue && line.value == stored)
                return;
            line.raw = line.key + u'=' + stored;
            line.value = stored;
            line.hasValue = true;
            modified_ = true;
            return;
        }
        insertAt = i + 1;
    }
    target->lines.insert(target->lines.begin() + qsizetype(insertAt), TLine{keyName + u'=' + stored, keyName, stored, true});
    modified_ = true;
}

void TIniFile::DeleteKey(const QString &section, const QString &key)
{
    TSection *found = FindSection(section);
    const QString wanted = TrimBlanks(key);
    if (!found || wanted.isEmpty())
        return;
    const auto removed = std::erase_if(found->lines, [&](const TLine &line) {
        return !line.key.isEmpty() && SameName(line.key, wanted);
    });
    modified_ = modified_ || removed > 0;
}

void TIniFile::EraseSection(const QString &section)
{
    const QString wanted = TrimBlanks(section);
    const auto removed = std::erase_if(sections_, [&](const TSection &s) { return SameName(s.name, wanted); });
    modified_ = modified_ || removed > 0;
}

QByteArray TIniFile::ToBytes() const
{
    QString text;
    const auto add = [&text](const QString &line) {
        text += line;
        text += QStringLiteral("\r\n");
    };
    for (const QString &line : preamble_)
        add(line);
    for (const TSection &section : sections_) {
        add(section.header);
        for (const TLine &line : section.lines)
            add(line.raw);
    }
    switch (encoding_) {
    case TEncoding::Utf8Bom:
        return kUtf8Bom + text.toUtf8();
    case TEncoding::Utf16LeBom:
        return kUtf16LeBom + QByteArray(QStringEncoder(QStringEncoder::Utf16LE).encode(text));
    case TEncoding::Gbk:
        break;
    }
    return EncodeGbk(text);
}

void TIniFile::UpdateFile()
{
    WriteFileAtomically(path_, ToBytes());
    modified_ = false;
}
