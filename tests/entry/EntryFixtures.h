#pragma once

// The open demo report with the record checks installed as the session
// installs them, and scripted stand-ins for the confirmation dialog.

#include "ScriptTestSupport.h"
#include "ScriptedPrompts.h"
#include "TempWorkspace.h"
#include "documents/XmlSchemaManager.h"
#include "documents/XmlTaxPayer.h"
#include "entry/Confirm.h"
#include "entry/RecordValidation.h"
#include "entry/ScriptHost.h"
#include "reportdata/XmlDataSet.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// Answers the confirmation with answer and keeps the lists it was shown.
class ScriptedConfirm : public TConfirmDialog::Handler {
public:
    ScriptedConfirm() { TConfirmDialog::SetHandler(this); }
    ~ScriptedConfirm() override { TConfirmDialog::SetHandler(nullptr); }
    int Confirm(const std::vector<TColumn> &entries) override
    {
        calls.push_back(entries);
        return answer;
    }
    int answer = 0;
    std::vector<std::vector<TColumn>> calls;
};

// A transport-invoice record as an operator types it (KCSE follows YFJE).
struct TInvoiceRow {
    QString fpdm = QStringLiteral("237006110013");
    QString fphm = QStringLiteral("00050001");
    QString kprq = QStringLiteral("2006-01-20");
    QString cyrswsbh = QStringLiteral("370203588812345");
    QString cyrmc = QStringLiteral("远驰运输有限公司");
    QString yfje = QStringLiteral("1000");
};

// What a test of the record checks holds: a scratch workspace with its
// registers and script engine, the checks and the report they guard.
class RecordCheckTest : public ::testing::Test {
protected:
    TempWorkspace ws;
    TTaxPayerRegistry taxPayers;
    TSchemaRegister schemas;
    std::unique_ptr<TScriptHost> host;
    std::unique_ptr<TRecordValidator> validator;
    std::unique_ptr<TXmlDataSet> report;
    ScriptedMessages messages;
};

// A copy of the demo workspace with the transport-invoice report of
// 200601 (four records, keyed by FPDM;FPHM, CONFIRM "FPHM;YFJE;") open
// and the checks of its schema installed.
class DemoReportTest : public RecordCheckTest {
protected:
    void SetUp() override
    {
        ws.CopyDemo();
        taxPayers.Open(ws.file(QStringLiteral("TaxPayers.xml")));
        schemas.Open(ws.file(QStringLiteral("SchemaManager.xml")));
        host = TScriptHost::CreateScriptEngine(ws.file(QStringLiteral("Script.js")));
        OpenReport(QStringLiteral("YSFPCGL"), QStringLiteral("Data/370211600123456/YSFPCGL200601.xml"));
    }

    void OpenReport(const QString &schema, const QString &relative, const QString &swsbh = "370211600123456",
                    const QString &period = "200601")
    {
        validator = std::make_unique<TRecordValidator>(TRecordContext{schema, swsbh, taxPayers, schemas, *host});
        report = std::make_unique<TXmlDataSet>();
        report->SetFileName(ws.file(relative));
        report->SetAccMonth(period);
        report->SetScriptEngine(host.get());
        report->BeforePost = [this](TXmlDataSet &dataSet) { validator->BeforePost(dataSet); };
        report->Open();
    }

    void Type(const TInvoiceRow &row)
    {
        report->FieldByName(QStringLiteral("FPDM")).SetAsString(row.fpdm);
        report->FieldByName(QStringLiteral("FPHM")).SetAsString(row.fphm);
        report->FieldByName(QStringLiteral("KPRQ")).SetAsString(row.kprq);
        report->FieldByName(QStringLiteral("CYRSWSBH")).SetAsString(row.cyrswsbh);
        report->FieldByName(QStringLiteral("CYRMC")).SetAsString(row.cyrmc);
        report->FieldByName(QStringLiteral("YFJE")).SetAsString(row.yfje);
    }

    void AppendTyped(const TInvoiceRow &row = {})
    {
        report->Append();
        Type(row);
    }

    QStringList Keys() const
    {
        QStringList keys;
        for (int i = 0; i < report->KeyList().Count(); ++i)
            keys << report->KeyList().Get(i);
        return keys;
    }

    QString Text(const char *field) const { return report->FieldByName(QString::fromLatin1(field)).AsString(); }

    ScriptedConfirm confirm;
};
