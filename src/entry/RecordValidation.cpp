#include "entry/RecordValidation.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/Errors.h"
#include "app/utils/MessageBox.h"
#include "app/utils/Paths.h"
#include "app/utils/Utils.h"
#include "documents/XmlSchemaManager.h"
#include "documents/XmlTaxPayer.h"
#include "entry/ScriptHost.h"
#include "entry/ScriptResult.h"
#include "reportdata/FieldValue.h"
#include "reportdata/ScriptArguments.h"
#include "reportdata/XmlDataSet.h"
#include "reportdata/XmlFieldDefine.h"

namespace {

quint8 DataSizeOf(const QString &text)
{
    if (text.isEmpty())
        return 0;
    bool ok = false;
    const int size = text.trimmed().toInt(&ok, 10);
    if (!ok)
        throw TConversionError(QStringLiteral("\"%1\"不是有效的整数值").arg(text));
    return quint8(size & 0xFF);
}

QString Cents(double value) { return FormatFixed(RoundCurrency(value), 2); }

QString ConfirmValue(const QString &dataType, const TField &field)
{
    const auto is = [&](const char *name) { return dataType.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; };
    if (is("TEXT") || is("INTEGER"))
        return field.AsString();
    if (is("DATE"))
        return field.AsDate().toString(QStringLiteral("yyyyMMdd"));
    if (is("FLOAT"))
        return Cents(field.AsFloat());
    if (is("CURRENCY"))
        return Cents(ReadCurrencyText(field.AsString().toUtf8()));
    if (is("BOOLEAN"))
        return field.AsBoolean() ? QStringLiteral("True") : QStringLiteral("False");
    return QString();
}

} // namespace

std::vector<TColumn> BuildConfirmList(const QString &fieldDefinitionFile, const TXmlDataSet &dataSet)
{
    if (!FileExistsAnyCase(fieldDefinitionFile))
        throw TUserError(FormatText(QStringLiteral("%S文件不存在!请仔细检查"), {fieldDefinitionFile}));
    const auto document = LoadFieldDefinitions(ResolveCaseInsensitive(fieldDefinitionFile));
    std::vector<TColumn> entries;
    for (const TXMLCOLUMNType &column : ConfirmColumns(document->FORM())) {
        TColumn entry;
        entry.name = column.NAME();
        entry.caption = column.CHSNAME();
        entry.dataType = column.DATATYPE();
        entry.dataSize = DataSizeOf(column.DATASIZE());
        entry.comment = column.COMMENT();
        entry.value = ConfirmValue(entry.dataType, dataSet.FieldByName(entry.name));
        entries.push_back(entry);
    }
    return entries;
}

TRecordValidator::TRecordValidator(const TRecordContext &context)
    : context_(context)
{
}

QString TRecordValidator::TaxAuthorityCode() const
{
    const int index = context_.taxPayers.Find(context_.swsbh);
    if (index < 0)
        return QString();
    return context_.taxPayers.TaxPayers().Items().at(size_t(index)).SWJGDM();
}

QString TRecordValidator::FieldDefinitionPath() const
{
    const int index = context_.schemas.Find(context_.schemaName);
    const QString name = index < 0 ? QString() : context_.schemas.Schemas().Items().at(size_t(index)).DS();
    if (name.trimmed().isEmpty())
        return TApplicationInfo::DSDir() + name;
    return ResolveInFolder(TApplicationInfo::DSDir(), name);
}

QVariant TRecordValidator::Call(const QString &suffix, const QVariantList &arguments)
{
    const QString function = ScriptFunctionName(context_.schemaName, suffix);
    if (interactive_)
        return context_.host.RunScript(function, arguments);
    try {
        return context_.host.Run(function, arguments);
    } catch (const TScriptError &error) {
        // As RunScript: an error without a number is no error.
        if (error.Number() == 0)
            return QVariant();
        throw;
    }
}

void TRecordValidator::Refuse(const QString &text, int style, const QString &caption)
{
    if (!interactive_)
        throw TUserError(text);
    if (caption.isEmpty())
        TMessageBox::Show(text, style);
    else
        TMessageBox::ShowCaption(text, caption, style);
    throw TSilentAbort();
}

void TRecordValidator::BeforePost(TXmlDataSet &dataSet)
{
    if (TField *crc = dataSet.FindField(QStringLiteral("CRC"))) {
        const QVariantList arguments = BuildCheckValueArguments(dataSet, TaxAuthorityCode(), context_.swsbh);
        crc->SetAsString(ScriptResultText(Call(QStringLiteral("_OnCRC"), arguments)));
    }

    const QVariant verdict = Call(QStringLiteral("_OnBeforePost"), BuildRecordArguments(dataSet));
    if (ScriptResultIs(verdict, 8888))
        Refuse(QString::fromUtf8(kInconsistent), TMessageBox::InformationOk);
    if (ScriptResultIs(verdict, 0)) {
        const QVariant reason = Call(QStringLiteral("_OnGetErrorMessage"), QVariantList{verdict});
        throw TUserError(ScriptResultText(reason));
    }

    if (confirmation_)
        ConfirmEntries(dataSet);

    if (dataSet.HasKeyFields()) {
        CheckKey(dataSet);
        if (LearnEnterprises) {
            const QString refusal = LearnEnterprises(dataSet);
            if (!refusal.isEmpty())
                Refuse(refusal, TMessageBox::ErrorOk, QStringLiteral("系统错误"));
        }
    }
}

void TRecordValidator::ConfirmEntries(TXmlDataSet &dataSet)
{
    const std::vector<TColumn> entries = BuildConfirmList(FieldDefinitionPath(), dataSet);
    if (entries.empty())
        return;
    const int answer = TConfirmDialog::Confim(entries);
    if (answer == 0)
        return;
    if (answer > 0) {
        const QString caption = size_t(answer) <= entries.size() ? entries[size_t(answer - 1)].caption : QString();
        Refuse(QString::fromUtf8(kInconsistent) + QStringLiteral("\r\n错误数据项：") + caption,
               TMessageBox::InformationOk);
    }
    if (interactive_)
        throw TSilentAbort();
    throw TUserError(QStringLiteral("数据确认已取消,记录未保存。"));
}

void TRecordValidator::CheckKey(TXmlDataSet &dataSet)
{
    const QString digest = dataSet.KeyDigest();
    TKeyList &keys = dataSet.KeyList();
    const int holder = keys.IndexOf(digest);
    if (dataSet.State() == TDataSetState::Edit) {
        const int position = dataSet.RecNo() - 1;
        if (holder != -1 && holder != position)
            throw TUserError(QString::fromUtf8(kDuplicateKey));
        keys.Put(position, digest);
    } else {
        if (holder != -1)
            throw TUserError(QString::fromUtf8(kDuplicateKey));
        keys.Add(digest);
    }
}
