#pragma once

#include "documents/RegisterDocument.h"
#include "xml/XmlNode.h"

#include <QString>

// Bindings of "Config.xml". Only the Item elements of GlobalResources are
// used by the programs; the Package branch and the GlobalResources
// attributes are exposed and kept unchanged by every save.
namespace XmlConfig {

class TXMLItemType : public TXMLNode {
public:
    static constexpr const char kTag[] = "Item";
    using TXMLNode::TXMLNode;
    QString NAME() const { return Attribute("NAME"); }
    void SetNAME(const QString &v) { SetAttribute("NAME", v); }
    QString VALUE() const { return Attribute("VALUE"); }
    void SetVALUE(const QString &v) { SetAttribute("VALUE", v); }
};

class TXMLGlobalResourcesType : public TXMLCollection<TXMLItemType> {
public:
    using TXMLCollection::TXMLCollection;
    QString EDITALLOWED() const { return Attribute("EDITALLOWED"); }
    void SetEDITALLOWED(const QString &v) { SetAttribute("EDITALLOWED", v); }
    QString EDITED() const { return Attribute("EDITED"); }
    void SetEDITED(const QString &v) { SetAttribute("EDITED", v); }
};

class TXMLAttributeType : public TXMLNode {
public:
    static constexpr const char kTag[] = "Attribute";
    using TXMLNode::TXMLNode;
    QString Name() const { return Attribute("Name"); }
    void SetName(const QString &v) { SetAttribute("Name", v); }
    int Value() const { return Attribute("Value").toInt(); }
    void SetValue(int v) { SetIntAttribute("Value", v); }
};

class TXMLAttribute_UnitType : public TXMLCollection<TXMLAttributeType> {
public:
    using TXMLCollection::TXMLCollection;
};

class TXMLSubElementType : public TXMLNode {
public:
    using TXMLNode::TXMLNode;
    QString Name() const { return Attribute("Name"); }
    void SetName(const QString &v) { SetAttribute("Name", v); }
};

class TXMLElementType : public TXMLNode {
public:
    static constexpr const char kTag[] = "Element";
    using TXMLNode::TXMLNode;
    QString Name() const { return Attribute("Name"); }
    void SetName(const QString &v) { SetAttribute("Name", v); }
    TXMLAttribute_UnitType Attribute_Unit() { return TXMLAttribute_UnitType(Child("Attribute_Unit")); }
    TXMLSubElementType SubElement() { return TXMLSubElementType(Child("SubElement").Raw()); }
};

class TXMLPackageType : public TXMLCollection<TXMLElementType> {
public:
    using TXMLCollection::TXMLCollection;
    QString Root() const { return Attribute("Root"); }
    void SetRoot(const QString &v) { SetAttribute("Root", v); }
};

class TXMLConfigurationType : public TXMLNode {
public:
    using TXMLNode::TXMLNode;
    TXMLGlobalResourcesType GlobalResources() { return TXMLGlobalResourcesType(Child("GlobalResources")); }
    TXMLPackageType Package() { return TXMLPackageType(Child("Package")); }
};

} // namespace XmlConfig

// "Config.xml": named settings. Item names compare without regard to ASCII
// case (no trimming); the first of several equal names is the only one
// ever read or changed.
class TConfigDocument : public TRegisterDocument {
public:
    XmlConfig::TXMLConfigurationType Configuration() const;

    // The VALUE of the first matching Item; empty text when there is none
    // or its value cannot be read.
    QString GetConfigValue(const QString &name) const;
    // Sets the VALUE of the first matching Item, or appends an Item (NAME as
    // written, then VALUE); then writes the whole document.
    void SetConfigValue(const QString &name, const QString &value);

private:
    XmlConfig::TXMLItemType FindItem(const QString &name) const;
};
