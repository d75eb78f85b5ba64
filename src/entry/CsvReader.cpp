#include "entry/CsvReader.h"

#include "app/utils/TextFile.h"

#include <QStringDecoder>

namespace {

QList<QStringList> ParseDelimited(const QString &text, QChar separator, QList<int> *firstLines)
{
    QList<QStringList> rows;
    if (firstLines)
        firstLines->clear();
    const QChar *p = text.constData();
    const QChar *const end = p + text.size();
    int line = 1;
    while (p < end) {
        QStringList row;
        if (firstLines)
            firstLines->append(line);
        // One row: fields until a line end outside quotes or the end.
        for (;;) {
            QString field;
            if (p < end && *p == QLatin1Char('"')) {
                ++p;
                for (;;) {
                    if (p >= end)
                        break; // unterminated: the rest of the text is the field
                    if (*p == QLatin1Char('"')) {
                        if (p + 1 < end && p[1] == QLatin1Char('"')) {
                            field += QLatin1Char('"');
                            p += 2;
                            continue;
                        }
                        ++p;
                        break;
                    }
                    if (*p == QLatin1Char('\n') || (*p == QLatin1Char('\r') && !(p + 1 < end && p[1] == QLatin1Char('\n'))))
                        ++line;
                    field += *p++;
                }
            }
            const QChar *start = p;
            while (p < end && *p != separator && *p != QLatin1Char('\n') && *p != QLatin1Char('\r'))
                ++p;
            field.append(start, p - start);
            row << field;
            if (p < end && *p == separator) {
                ++p;
                continue;
            }
            break;
        }
        if (p < end && *p == QLatin1Char('\r'))
            ++p;
        if (p < end && *p == QLatin1Char('\n'))
            ++p;
        ++line;
        rows << row;
    }
    return rows;
}

} // namespace

QString DecodeCsvBytes(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        return decoder.decode(bytes.mid(2));
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return DecodeGbk(bytes);
}

QList<QStringList> ReadCsvText(const QByteArray &bytes, QList<int> *firstLines)
{
    return ParseDelimited(DecodeCsvBytes(bytes), QLatin1Char(','), firstLines);
}

QList<QStringList> ReadCsvFile(const QString &path, QList<int> *firstLines)
{
    return ReadCsvText(ReadFileBytes(path), firstLines);
}

QList<QStringList> ParseTabText(const QString &text, QList<int> *firstLines)
{
    return ParseDelimited(text, QLatin1Char('\t'), firstLines);
}
