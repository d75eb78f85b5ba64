#include "reportdata/ReportExport.h"

#include "app/utils/Errors.h"
#include "reportdata/XmlDataSet.h"

#include <QFileDevice>

namespace {

QString CsvValue(const QString &value)
{
    if (!value.contains(QLatin1Char(',')) && !value.contains(QLatin1Char('"')) && !value.contains(QLatin1Char('\n'))
        && !value.contains(QLatin1Char('\r')))
        return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString TabValue(QString value)
{
    value.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    for (QChar &c : value) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return value;
}

class RowWriter {
public:
    RowWriter(QIODevice &out, TExportFormat format)
        : out_(out)
        , format_(format)
    {
    }

    void Write(const QStringList &values)
    {
        QString line;
        for (qsizetype i = 0; i < values.size(); ++i) {
            if (i > 0)
                line += format_ == TExportFormat::Csv ? QLatin1Char(',') : QLatin1Char('\t');
            line += format_ == TExportFormat::Csv ? CsvValue(values.at(i)) : TabValue(values.at(i));
        }
        line += format_ == TExportFormat::Csv ? QStringLiteral("\r\n") : QStringLiteral("\n");
        Put(line.toUtf8());
    }

    void Put(const QByteArray &bytes)
    {
        if (out_.write(bytes) != bytes.size()) {
            const auto *file = qobject_cast<const QFileDevice *>(&out_);
            throw TFileError(file ? file->fileName() : QString(), out_.errorString());
        }
    }

private:
    QIODevice &out_;
    TExportFormat format_;
};

} // namespace

void ExportReport(const TXmlDataSet &dataSet, QIODevice &out, TExportFormat format)
{
    if (!dataSet.Active())
        throw TUserError(QStringLiteral("报表没有打开!"));
    RowWriter writer(out, format);
    if (format == TExportFormat::Csv)
        writer.Put(QByteArray("\xEF\xBB\xBF"));
    QStringList header;
    for (int f = 0; f < dataSet.FieldCount(); ++f)
        header << dataSet.Fields(f).DisplayLabel();
    writer.Write(header);

    for (int record = 0; record < dataSet.RecordCount(); ++record) {
        QStringList values;
        values.reserve(dataSet.FieldCount());
        for (int f = 0; f < dataSet.FieldCount(); ++f) {
            const TFieldType type = dataSet.Fields(f).DataType();
            try {
                // Read the stored record, never the edit buffer.
                const QString stored = dataSet.StoredText(record, f);
                values << (type == TFieldType::Text ? stored : FieldValueText(type, ReadFieldValueText(type, stored)));
            } catch (const TConversionError &) {
                values << dataSet.StoredText(record, f);
            }
        }
        writer.Write(values);
    }
}
