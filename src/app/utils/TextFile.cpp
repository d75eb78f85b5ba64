#include "TextFile.h"

#include "AtomicFile.h"
#include "Errors.h"

#include <QFile>
#include <QByteArrayView>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace {

constexpr char16_t kEuro = 0x20AC;
constexpr char kEuroByte = '\x80';

// Length of the GB18030 sequence that starts at bytes[i]: 1 for a single
// byte, 2 or 4 after a lead byte (81 to FE); fewer at a truncated end.
qsizetype SequenceLength(const QByteArray &bytes, qsizetype i)
{
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x81 || lead == 0xFF || i + 1 >= bytes.size())
        return 1;
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    if (second >= '0' && second <= '9')
        return std::min<qsizetype>(4, bytes.size() - i);
    return 2;
}

} // namespace

QString DecodeGbk(const QByteArray &bytes)
{
    // A lone 0x80 can only be found by walking the sequences: 0x80 is also
    // a valid second byte of a two-byte character.
    QString text;
    text.reserve(bytes.size());
    qsizetype start = 0;
    qsizetype i = 0;
    const auto flush = [&](qsizetype end) {
        if (end > start)
            text += QStringDecoder("GB18030").decode(QByteArrayView(bytes).sliced(start, end - start));
    };
    while (i < bytes.size()) {
        if (bytes[i] == kEuroByte) {
            flush(i);
            text += QChar(kEuro);
            start = ++i;
            continue;
        }
        i += SequenceLength(bytes, i);
    }
    flush(bytes.size());
    return text;
}

QByteArray EncodeGbk(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    QStringEncoder encoder("GB18030");
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text.at(i) != QChar(kEuro))
            continue;
        if (i > start)
            bytes += encoder.encode(QStringView(text).sliced(start, i - start));
        if (i < text.size())
            bytes += kEuroByte;
        start = i + 1;
    }
    return bytes;
}

bool GbkCanHold(const QString &text)
{
    const QByteArray bytes = EncodeGbk(text);
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype length = SequenceLength(bytes, i);
        if (length == 4)
            return false;
        i += length;
    }
    return true;
}

QByteArray ReadFileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TFileError(path, file.errorString());
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw TFileError(path, file.errorString());
    return bytes;
}

QStringList ReadGbkLines(const QString &path)
{
    QString text = DecodeGbk(ReadFileBytes(path));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    if (text.isEmpty())
        return {};
    return text.split(QLatin1Char('\n'));
}

QString LoadTextFile(const QString &path)
{
    QString result;
    for (const QString &line : ReadGbkLines(path)) {
        result += line;
        result += QStringLiteral("\r\n");
    }
    return result;
}

void WriteFileAtomically(const QString &path, const QByteArray &bytes)
{
    TAtomicFile file(path);
    file.Write(bytes);
    file.Commit();
}

void WriteGbkLines(const QString &path, const QStringList &lines)
{
    QString text;
    for (const QString &line : lines) {
        text += line;
        text += QStringLiteral("\r\n");
    }
    WriteFileAtomically(path, EncodeGbk(text));
}
