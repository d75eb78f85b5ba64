#include "documents/XmlConfig.h"

#include "app/utils/Utils.h"

using namespace XmlConfig;

TXMLConfigurationType TConfigDocument::Configuration() const { return TXMLConfigurationType(Root().Raw()); }

TXMLItemType TConfigDocument::FindItem(const QString &name) const
{
    // Looked up without creating GlobalResources: a read never changes the document.
    const TXMLGlobalResourcesType resources(Configuration().FindChild("GlobalResources"));
    for (const TXMLItemType &item : resources.Items()) {
        if (SameTextIgnoringAsciiCase(item.NAME(), name))
            return item;
    }
    return TXMLItemType();
}

QString TConfigDocument::GetConfigValue(const QString &name) const
{
    const TXMLItemType item = FindItem(name);
    return item.IsNull() ? QString() : item.VALUE();
}

void TConfigDocument::SetConfigValue(const QString &name, const QString &value)
{
    TXMLItemType item = FindItem(name);
    if (item.IsNull()) {
        item = Configuration().GlobalResources().Add();
        item.SetNAME(name);
    }
    item.SetVALUE(value);
    Write();
}
