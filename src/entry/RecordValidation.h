#pragma once

#include "entry/Confirm.h"

#include <QString>
#include <QVariant>
#include <QVariantList>

#include <functional>
#include <vector>

class TSchemaRegister;
class TScriptHost;
class TTaxPayerRegistry;
class TXmlDataSet;

// The confirmation list of the dataset's current record: the columns named
// in the CONFIRM text of the field-definition document at
// fieldDefinitionFile (a full path, found without regard to letter case),
// in CONFIRM order. The document is read afresh on every call, because
// schema updates replace it while a report is open.
//
// CONFIRM is trimmed and split at ";". The names between the semicolons
// are taken as written: an empty name or one with blanks around it (as in
// "FPHM; YFJE") matches no column and is skipped; NAMEs compare without
// regard to letter case; a name listed twice gives two entries. Values by
// DATATYPE (letter case ignored): TEXT and INTEGER the field's text, DATE
// "yyyyMMdd", FLOAT and CURRENCY "0.00", BOOLEAN "True"/"False", any other
// type empty text. DATASIZE gives its low 8 bits (0 when empty).
//
// Raises TUserError "%S文件不存在!请仔细检查" with the path when there is no
// such file, the XML layer's errors for a document that does not load,
// TConversionError for a DATASIZE that is no integer, and the dataset's
// error for a listed column that is no field of the report.
std::vector<TColumn> BuildConfirmList(const QString &fieldDefinitionFile, const TXmlDataSet &dataSet);

// What the checks of one open report need from the main window.
struct TRecordContext {
    QString schemaName; // the schema NAME: script functions are named by it
    QString swsbh;      // the open report's taxpayer
    TTaxPayerRegistry &taxPayers; // gives the taxpayer's SWJGDM
    TSchemaRegister &schemas;     // gives the schema's field-definition file
    TScriptHost &host;
};

// The checks a record of the open report passes before it is written; its
// BeforePost is installed as the report dataset's BeforePost. In order:
//  1. when the report has a CRC field, "<name>_OnCRC" with the check-value
//     arguments; the result, as text, goes into CRC (and stays there when
//     a later step refuses the record);
//  2. "<name>_OnBeforePost" with the record arguments: 8888 means the
//     entries disagree; 0 or false rejects the record with the text of
//     "<name>_OnGetErrorMessage" (never called after 8888);
//  3. with confirmation on, the double-entry confirmation of the CONFIRM
//     columns (TConfirmDialog::Confim), when there are any;
//  4. when the report has key fields: the key digest must not belong to
//     another record; it is then added (new record) or put at the record's
//     position (edited record) in the key list, which the dataset's Post
//     then finds done;
//  5. when the report has key fields, LearnEnterprises.
// A refused record is not written; the dataset stays in edit or insert
// state with the operator's values, and its Post puts the key list back as
// it was when step 5 refuses after step 4.
//
// Interactive (the default; records typed by the operator): script errors
// are shown as the five-line report and end in TSilentAbort; an 8888, a
// mismatching confirmation entry ("...错误数据项：" + its caption) and a
// learning refusal (caption "系统错误") are shown with TMessageBox and end
// in TSilentAbort; an abandoned confirmation ends in TSilentAbort; a
// rejection and a duplicate key raise TUserError with their text.
// Not interactive (rows brought in from elsewhere): nothing is shown, and
// every refusal raises a TUserError with the text the operator would have
// been shown (a script error: its five-line report, as a TScriptError).
class TRecordValidator {
public:
    static constexpr const char *kInconsistent = "您输入的数据前后不符，请重新录入。";
    static constexpr const char *kDuplicateKey = "您录入了重复数据,请检查!(数据项重复)";

    explicit TRecordValidator(const TRecordContext &context);

    // Double-entry confirmation (on by default): off for rows that were
    // not typed by the operator.
    void SetConfirmation(bool on) { confirmation_ = on; }
    bool Confirmation() const { return confirmation_; }
    void SetInteractive(bool on) { interactive_ = on; }
    bool Interactive() const { return interactive_; }

    const TRecordContext &Context() const { return context_; }

    // The SWJGDM of the report's taxpayer in the registry (empty when the
    // registry has no such taxpayer).
    QString TaxAuthorityCode() const;
    // DS folder + the schema's DS name ("DS folder" alone when the schema
    // is not registered, which BuildConfirmList then reports missing).
    QString FieldDefinitionPath() const;

    void BeforePost(TXmlDataSet &dataSet);

    // The enterprise-list learning step: adds the record's new id/name
    // pairs to the enterprise list and returns the text of a refusal
    // (empty: fine). It shows nothing itself. Unset: nothing is learnt.
    std::function<QString(TXmlDataSet &)> LearnEnterprises;

private:
    QVariant Call(const QString &suffix, const QVariantList &arguments);
    [[noreturn]] void Refuse(const QString &text, int style, const QString &caption = QString());
    void ConfirmEntries(TXmlDataSet &dataSet);
    void CheckKey(TXmlDataSet &dataSet);

    TRecordContext context_;
    bool confirmation_ = true;
    bool interactive_ = true;
};
