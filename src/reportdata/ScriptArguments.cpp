#include "reportdata/ScriptArguments.h"

#include "app/utils/Utils.h"
#include "reportdata/XmlDataSet.h"

namespace {

void AppendFieldValues(const TXmlDataSet &dataSet, QVariantList &arguments)
{
    for (int i = 0; i < dataSet.FieldCount(); ++i) {
        const TField &field = dataSet.Fields(i);
        if (field.DataType() == TFieldType::Date)
            arguments << QVariant(field.AsDateTime());
        else
            arguments << field.Value();
    }
}

} // namespace

QVariantList BuildRecordArguments(const TXmlDataSet &dataSet)
{
    QVariantList arguments;
    arguments.reserve(dataSet.FieldCount() + 2);
    arguments << QVariant(PeriodEndDate(dataSet.AccMonth())) << QVariant(dataSet.RecNo());
    AppendFieldValues(dataSet, arguments);
    return arguments;
}

QVariantList BuildCheckValueArguments(const TXmlDataSet &dataSet, const QString &swjgdm, const QString &swsbh)
{
    QVariantList arguments;
    arguments.reserve(dataSet.FieldCount() + 4);
    arguments << QVariant(swjgdm) << QVariant(swsbh) << QVariant(PeriodEndDate(dataSet.AccMonth()))
              << QVariant(dataSet.RecNo());
    AppendFieldValues(dataSet, arguments);
    return arguments;
}
