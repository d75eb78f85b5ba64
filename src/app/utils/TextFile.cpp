#include "TextFile.h"

#include "AtomicFile.h"
#include "Errors.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

QString DecodeGbk(const QByteArray &bytes)
{
    QStringDecoder decoder("GB18030");
    return decoder.decode(bytes);
}

QByteArray EncodeGbk(const QString &text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
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
