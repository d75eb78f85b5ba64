#include "documents/QYXX.h"

#include "app/utils/Paths.h"
#include "app/utils/TextFile.h"

using namespace XmlTaxPayer;

void TEnterpriseList::EnsureExists(const QString &path)
{
    if (FileExistsAnyCase(path))
        return;
    WriteGbkLines(path, {QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>"), QStringLiteral("<TAXPAYERS>"),
                         QStringLiteral("</TAXPAYERS>")});
}

QList<TEnterpriseList::Entry> TEnterpriseList::Enumerate()
{
    QList<Entry> result;
    for (TXMLTAXPAYERType item : TXMLTAXPAYERSType(Root()).Items())
        result.append({item.SWSBH(), item.NSRMC()});
    return result;
}

void TEnterpriseList::ReplaceAll(const QList<Entry> &entries)
{
    TXMLTAXPAYERSType list(Root());
    list.Clear();
    for (const Entry &entry : entries) {
        TXMLTAXPAYERType item = list.Add();
        item.SetSWSBH(entry.SWSBH);
        item.SetNSRMC(entry.NSRMC);
    }
    Write();
}
