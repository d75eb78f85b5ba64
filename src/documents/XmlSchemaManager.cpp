#include "documents/XmlSchemaManager.h"

#include "app/utils/Utils.h"

using namespace XmlSchemaManager;

TXMLSCHEMAMANAGERType TSchemaRegister::Schemas() const { return TXMLSCHEMAMANAGERType(Root()); }

int TSchemaRegister::Count() const { return Schemas().Count(); }

TSchemaRec TSchemaRegister::SchemaRecord(const QString &swsbh, int index) const
{
    const TXMLSCHEMAType schema = Schemas().Get(index);
    return {swsbh, schema.NAME(), schema.CHSNAME(), schema.DS(), schema.JK(), schema.Transfer()};
}

int TSchemaRegister::Find(const QString &name) const
{
    int index = 0;
    for (const TXMLSCHEMAType &schema : Schemas().Items()) {
        if (SameTextIgnoringAsciiCase(schema.NAME(), name))
            return index;
        ++index;
    }
    return -1;
}
