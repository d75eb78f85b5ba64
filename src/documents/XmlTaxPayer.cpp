#include "documents/XmlTaxPayer.h"

#include "app/utils/Utils.h"


using namespace XmlTaxPayer;

TXMLTAXPAYERSType TTaxPayerRegistry::TaxPayers() const { return TXMLTAXPAYERSType(Root()); }

QList<TTaxPayerRec> TTaxPayerRegistry::Enumerate()
{
    QList<TTaxPayerRec> result;
    for (TXMLTAXPAYERType item : TaxPayers().Items())
        result.append({item.SWSBH(), item.NSRMC(), item.SWJGDM()});
    return result;
}

int TTaxPayerRegistry::Find(const QString &swsbh)
{
    int index = 0;
    for (TXMLTAXPAYERType item : TaxPayers().Items()) {
        if (SameTextIgnoringAsciiCase(item.SWSBH(), swsbh))
            return index;
        ++index;
    }
    return -1;
}

void TTaxPayerRegistry::Add(const TTaxPayerInfo &info)
{
    TXMLTAXPAYERType item = TaxPayers().Add();
    item.SetSWSBH(info.SWSBH);
    item.SetNSRMC(info.NSRMC);
    item.SetSWJGDM(info.SWJGDM);
    Write();
}

void TTaxPayerRegistry::Update(const TTaxPayerRec &rec)
{
    const int index = Find(rec.SWSBH);
    if (index < 0)
        return;
    TXMLTAXPAYERType item = TaxPayers().Get(index);
    item.SetNSRMC(rec.NSRMC);
    item.SetSWJGDM(rec.SWJGDM);
    Write();
}

void TTaxPayerRegistry::Delete(const QString &swsbh)
{
    const int index = Find(swsbh);
    if (index < 0)
        return;
    TaxPayers().Delete(index);
    Write();
}
