#pragma once

// The demo workspace's four transport invoices (schema YSFPCGL), the
// templates the benchmarks repeat to make reports and declarations of any
// size.

#include "reportdata/HashFunc.h"

#include <QSet>
#include <QString>

// Field texts of one invoice, FPHM left out (each copy gets its own).
struct TFreightInvoice {
    const char *fpdm, *kprq, *cyrswsbh, *cyrmc, *yshwmc, *hwzl, *yslc, *yfje, *kcse, *gdzcxm;
};

inline const TFreightInvoice kFreightInvoices[] = {
    {"237006110011", "2006-01-05", "370203588812345", "远驰运输有限公司", "钢材", "32.5", "420", "3850", "269.5", "False"},
    {"237006110011", "2006-01-12", "370213556677889X", "金岭货运有限公司", "机床配件", "8.75", "185", "1234.5", "86.42", "False"},
    {"237006110012", "2006-01-18", "91370200MA3C4D5E6F", "顺川联运有限公司", "数控车床", "12", "960", "6200", "434", "True"},
    {"237006110011", "2006-01-26", "370203588812345", "远驰运输有限公司", "铸铁件", "21.3", "420", "2640.8", "184.86", "False"},
};

// The i-th invoice of a generated report: the template i % 4.
inline const TFreightInvoice &FreightInvoice(int i) { return kFreightInvoices[i % 4]; }

// The invoice number of record i, eight digits from 00000001.
inline QString FreightInvoiceNumber(int i) { return QStringLiteral("%1").arg(i + 1, 8, 10, QLatin1Char('0')); }

// An invoice code for the template and number whose key digest (code and
// number run together) no earlier record of the report has: a digest that
// collides gets another code. digests collects the report's digests.
inline QString UniqueInvoiceCode(const TFreightInvoice &invoice, const QString &fphm, QSet<QString> &digests)
{
    QString fpdm = QString::fromLatin1(invoice.fpdm);
    QString digest = HashKeyText(fpdm + fphm);
    for (int bump = 13; digests.contains(digest); ++bump) {
        fpdm = QStringLiteral("2370061100%1").arg(bump, 2, 10, QLatin1Char('0'));
        digest = HashKeyText(fpdm + fphm);
    }
    digests.insert(digest);
    return fpdm;
}
