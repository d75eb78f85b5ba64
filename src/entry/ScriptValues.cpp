#include "entry/ScriptValues.h"

#include <QDateTime>
#include <QJSEngine>

#include <cmath>
#include <limits>

QJSValue ToScriptValue(QJSEngine &engine, const QVariant &value)
{
    if (!value.isValid())
        return QJSValue(QJSValue::UndefinedValue);
    switch (value.metaType().id()) {
    case QMetaType::Nullptr:
        return QJSValue(QJSValue::NullValue);
    case QMetaType::QString:
        return QJSValue(value.toString());
    case QMetaType::Bool:
        return QJSValue(value.toBool());
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UShort:
        return QJSValue(value.toInt());
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Double:
    case QMetaType::Float:
        return QJSValue(value.toDouble());
    case QMetaType::QDate:
        return engine.toScriptValue(value.toDate().startOfDay(Qt::LocalTime));
    case QMetaType::QDateTime:
        return engine.toScriptValue(value.toDateTime().toLocalTime());
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        const QVariantList items = value.toList();
        QJSValue array = engine.newArray(static_cast<uint>(items.size()));
        for (qsizetype i = 0; i < items.size(); ++i)
            array.setProperty(static_cast<quint32>(i), ToScriptValue(engine, items.at(i)));
        return array;
    }
    default:
        return engine.toScriptValue(value);
    }
}

QVariant FromScriptValue(const QJSValue &value)
{
    if (value.isUndefined())
        return QVariant();
    if (value.isNull())
        return QVariant::fromValue(nullptr);
    if (value.isBool())
        return value.toBool();
    if (value.isNumber()) {
        const double number = value.toNumber();
        if (std::isfinite(number) && number == std::trunc(number)
            && number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max()
            && !(number == 0 && std::signbit(number)))
            return static_cast<int>(number);
        return number;
    }
    if (value.isString())
        return value.toString();
    if (value.isDate())
        return value.toDateTime().toLocalTime();
    if (value.isArray()) {
        QVariantList items;
        const int length = value.property(QStringLiteral("length")).toInt();
        for (int i = 0; i < length; ++i)
            items << FromScriptValue(value.property(static_cast<quint32>(i)));
        return items;
    }
    return value.toString();
}
