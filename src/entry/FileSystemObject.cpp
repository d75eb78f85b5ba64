#include "entry/FileSystemObject.h"

#include "app/utils/Errors.h"
#include "app/utils/Paths.h"
#include "app/utils/TextFile.h"
#include "entry/ScriptErrors.h"

#include <QFileInfo>
#include <QStringDecoder>

namespace {

QString LocalPath(const QString &path)
{
    QString local = path;
    local.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return ResolveCaseInsensitive(local);
}

bool IsSeparator(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char('\\');
}

// path without trailing separators (a lone root separator stays).
QString WithoutTrailingSeparators(const QString &path)
{
    qsizetype end = path.size();
    while (end > 1 && IsSeparator(path.at(end - 1)))
        --end;
    return path.left(end);
}

qsizetype LastSeparator(const QString &path)
{
    return std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
}

} // namespace

bool TFileSystemObject::FileExists(const QString &path) const
{
    return !path.isEmpty() && QFileInfo(LocalPath(path)).isFile();
}

bool TFileSystemObject::FolderExists(const QString &path) const
{
    return !path.isEmpty() && QFileInfo(LocalPath(path)).isDir();
}

QString TFileSystemObject::GetFileName(const QString &path) const
{
    const QString trimmed = WithoutTrailingSeparators(path);
    if (trimmed.size() == 1 && IsSeparator(trimmed.at(0)))
        return QString();
    return trimmed.mid(LastSeparator(trimmed) + 1);
}

QString TFileSystemObject::GetBaseName(const QString &path) const
{
    const QString name = GetFileName(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

QString TFileSystemObject::GetExtensionName(const QString &path) const
{
    const QString name = GetFileName(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1);
}

QString TFileSystemObject::GetParentFolderName(const QString &path) const
{
    const QString trimmed = WithoutTrailingSeparators(path);
    const qsizetype separator = LastSeparator(trimmed);
    if (separator < 0)
        return QString();
    return WithoutTrailingSeparators(trimmed.left(separator + 1));
}

QString TFileSystemObject::BuildPath(const QString &path, const QString &name) const
{
    if (path.isEmpty())
        return name;
    if (IsSeparator(path.back()))
        return path + name;
    const QChar separator = path.contains(QLatin1Char('\\')) && !path.contains(QLatin1Char('/'))
        ? QLatin1Char('\\') : QLatin1Char('/');
    return path + separator + name;
}

QObject *TFileSystemObject::OpenTextFile(const QString &path, int ioMode, bool create, const QVariant &format)
{
    Q_UNUSED(create);
    if (ioMode == 2 || ioMode == 8) {
        ThrowScriptError(ScriptErrorNumber::PermissionDenied, ScriptErrorDescription(ScriptErrorNumber::PermissionDenied));
        return nullptr;
    }
    if (ioMode != 1) {
        ThrowScriptError(ScriptErrorNumber::InvalidCall, ScriptErrorDescription(ScriptErrorNumber::InvalidCall));
        return nullptr;
    }
    bool unicode = false;
    if (format.metaType().id() == QMetaType::QString) {
        const QString name = format.toString();
        if (name.compare(QLatin1String("Unicode"), Qt::CaseInsensitive) == 0)
            unicode = true;
        else if (name.compare(QLatin1String("ASCII"), Qt::CaseInsensitive) != 0) {
            ThrowScriptError(ScriptErrorNumber::InvalidCall, ScriptErrorDescription(ScriptErrorNumber::InvalidCall));
            return nullptr;
        }
    } else {
        const int code = format.isValid() ? format.toInt() : 0;
        if (code == -1)
            unicode = true;
        else if (code != 0 && code != -2) {
            ThrowScriptError(ScriptErrorNumber::InvalidCall, ScriptErrorDescription(ScriptErrorNumber::InvalidCall));
            return nullptr;
        }
    }
    const QString local = LocalPath(path);
    if (path.isEmpty() || !QFileInfo(local).isFile()) {
        ThrowScriptError(ScriptErrorNumber::FileNotFound, ScriptErrorDescription(ScriptErrorNumber::FileNotFound));
        return nullptr;
    }
    QByteArray bytes;
    try {
        bytes = ReadFileBytes(local);
    } catch (const TFileError &) {
        ThrowScriptError(ScriptErrorNumber::PermissionDenied, ScriptErrorDescription(ScriptErrorNumber::PermissionDenied));
        return nullptr;
    }
    QString text;
    if (unicode) {
        if (bytes.startsWith("\xFF\xFE"))
            bytes.remove(0, 2);
        text = QStringDecoder(QStringDecoder::Utf16LE).decode(bytes);
    } else {
        text = DecodeGbk(bytes);
    }
    return Adopt(new TTextStream(text));
}

TTextStream::TTextStream(const QString &text)
    : text_(text)
{
}

bool TTextStream::AtEndOfLine() const
{
    return AtEndOfStream() || text_.at(pos_) == QLatin1Char('\r') || text_.at(pos_) == QLatin1Char('\n');
}

void TTextStream::Advance(qsizetype to)
{
    for (; pos_ < to; ++pos_) {
        const QChar c = text_.at(pos_);
        const bool crBeforeLf = c == QLatin1Char('\r') && pos_ + 1 < text_.size()
            && text_.at(pos_ + 1) == QLatin1Char('\n');
        if (c == QLatin1Char('\n') || (c == QLatin1Char('\r') && !crBeforeLf)) {
            ++line_;
            lineStart_ = pos_ + 1;
        }
    }
}

QString TTextStream::ReadLine()
{
    if (AtEndOfStream()) {
        ThrowScriptError(ScriptErrorNumber::InputPastEnd, ScriptErrorDescription(ScriptErrorNumber::InputPastEnd));
        return QString();
    }
    qsizetype end = pos_;
    while (end < text_.size() && text_.at(end) != QLatin1Char('\r') && text_.at(end) != QLatin1Char('\n'))
        ++end;
    const QString line = text_.mid(pos_, end - pos_);
    qsizetype next = end;
    if (next < text_.size() && text_.at(next) == QLatin1Char('\r'))
        ++next;
    if (next < text_.size() && text_.at(next) == QLatin1Char('\n'))
        ++next;
    Advance(next);
    return line;
}

QString TTextStream::ReadAll()
{
    const QString rest = text_.mid(pos_);
    Advance(text_.size());
    return rest;
}

QString TTextStream::Read(int count)
{
    if (AtEndOfStream()) {
        ThrowScriptError(ScriptErrorNumber::InputPastEnd, ScriptErrorDescription(ScriptErrorNumber::InputPastEnd));
        return QString();
    }
    const QString part = text_.mid(pos_, std::max(count, 0));
    Advance(pos_ + part.size());
    return part;
}

void TTextStream::SkipLine()
{
    ReadLine();
}

void TTextStream::Skip(int count)
{
    Advance(std::min<qsizetype>(text_.size(), pos_ + std::max(count, 0)));
}

void TTextStream::Close()
{
    text_.clear();
    pos_ = 0;
    lineStart_ = 0;
}
