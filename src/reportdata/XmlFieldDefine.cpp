#include "reportdata/XmlFieldDefine.h"

#include "app/utils/Errors.h"
#include "app/utils/TextFile.h"
#include "app/utils/Utils.h"

#include <QSet>

#include <libxml/tree.h>

namespace {

// GB18030 is GBK plus four-byte sequences (second byte a digit); a name with
// such a sequence could not be written into a GBK document.
bool IsElementName(const QString &name)
{
    const QByteArray utf8 = name.toUtf8();
    return xmlValidateName(reinterpret_cast<const xmlChar *>(utf8.constData()), 0) == 0 && GbkCanHold(name);
}

int ParseSize(const QString &text)
{
    bool ok = false;
    const int size = text.trimmed().toInt(&ok, 10);
    if (!ok)
        throw TConversionError(QStringLiteral("\"%1\"不是有效的整数值").arg(text));
    return size;
}

} // namespace

TFieldDefineDocument::TFieldDefineDocument(std::unique_ptr<TXMLDocument> document)
    : document_(std::move(document))
{
}

TXMLFORMType TFieldDefineDocument::FORM() const { return TXMLFORMType(document_->DocumentElement().Raw()); }

std::unique_ptr<TFieldDefineDocument> LoadFieldDefinitions(const QString &path)
{
    return std::make_unique<TFieldDefineDocument>(TXMLDocument::LoadFile(path));
}

std::vector<TFieldDef> BuildFieldList(const TXMLFORMType &form)
{
    std::vector<TFieldDef> fields;
    QSet<QString> seen;
    const TXMLCOLUMNSType columns = form.COLUMNS();
    int position = 0;
    for (const TXMLCOLUMNType &column : columns.Items()) {
        ++position;
        TFieldDef field;
        field.name = column.NAME();
        if (field.name.isEmpty())
            throw TUserError(QStringLiteral("第%1个字段的字段名为空!").arg(position));
        if (!IsElementName(field.name))
            throw TUserError(FormatText(QStringLiteral("字段名\"%S\"无效!"), {field.name}));
        if (seen.contains(field.name.toUpper()))
            throw TUserError(FormatText(QStringLiteral("字段名\"%S\"重复!"), {field.name}));
        seen.insert(field.name.toUpper());

        const QString typeText = column.DATATYPE();
        if (!ParseFieldType(typeText, &field.type))
            throw TUserError(FormatText(QStringLiteral("系统不支持字段类型\"%S\"!"), {typeText}));
        if (field.type == TFieldType::Text || field.type == TFieldType::Boolean) {
            field.size = ParseSize(column.DATASIZE());
            if ((field.type == TFieldType::Boolean && field.size != 0) || field.size < 0)
                throw TUserError(FormatText(QStringLiteral("字段\"%S\"的长度%d无效!"), {field.name, field.size}));
        }
        field.label = column.CHSNAME();
        if (field.label.isEmpty())
            field.label = field.name;
        field.rule = column.REGULAREXP();
        field.comment = column.COMMENT();
        fields.push_back(field);
    }
    return fields;
}

QStringList SplitKeyFields(const QString &keyFields)
{
    QStringList names;
    for (const QString &part : keyFields.split(QLatin1Char(';'))) {
        const QString name = part.trimmed();
        if (!name.isEmpty())
            names << name;
    }
    return names;
}

std::vector<TXMLCOLUMNType> ConfirmColumns(const TXMLFORMType &form)
{
    std::vector<TXMLCOLUMNType> result;
    const std::vector<TXMLCOLUMNType> columns = form.COLUMNS().Items();
    QString rest = form.CONFIRM().trimmed() + QLatin1Char(';');
    while (rest != QLatin1String(";")) {
        const qsizetype separator = rest.indexOf(QLatin1Char(';'));
        // Names are taken as written: " QTY" names no column.
        const QString name = rest.left(separator);
        rest = rest.mid(separator + 1);
        if (rest.isEmpty())
            rest = QStringLiteral(";");
        if (name.isEmpty())
            continue;
        for (const TXMLCOLUMNType &column : columns) {
            if (SameTextIgnoringAsciiCase(column.NAME(), name)) {
                result.push_back(column);
                break;
            }
        }
    }
    return result;
}

bool ParseComputedRule(const QString &rule, QString *target, QString *function)
{
    const QStringList parts = rule.split(QLatin1Char('='), Qt::SkipEmptyParts);
    if (parts.size() < 2)
        return false;
    *target = parts.at(0).trimmed();
    *function = parts.at(1).trimmed();
    return true;
}
