#pragma once

#include <QString>

#include <vector>

using xmlNodePtr = struct _xmlNode *;

// A handle on one element of a TXMLDocument; it does not own the element.
// The typed bindings (TXML...Type) derive from it and add a few named
// getters and setters. Names of elements and attributes match exactly;
// every change marks the document modified.
class TXMLNode {
public:
    TXMLNode() = default;
    explicit TXMLNode(xmlNodePtr node) : node_(node) {}

    bool IsNull() const { return node_ == nullptr; }
    xmlNodePtr Raw() const { return node_; }
    QString NodeName() const;

    // Attribute value; a missing attribute reads as empty text.
    QString Attribute(const char *name) const;
    bool HasAttribute(const char *name) const;
    // Sets (or adds, after the existing ones) an attribute.
    void SetAttribute(const char *name, const QString &value);
    void SetIntAttribute(const char *name, int value);

    // The element's text (all text below it).
    QString Text() const;
    // Replaces the element's children by one text node.
    void SetText(const QString &value);

    // The first child element named name, created (appended) when missing:
    // reading a missing field adds it, so the next save writes it.
    TXMLNode Child(const char *name);
    // The first child element named name, or a null node.
    TXMLNode FindChild(const char *name) const;
    // Text of Child(name).
    QString ChildText(const char *name);
    void SetChildText(const char *name, const QString &value);

    // Child elements named name, in document order.
    int CountChildren(const char *name) const;
    TXMLNode ChildAt(const char *name, int index) const;
    std::vector<TXMLNode> Children(const char *name) const;
    TXMLNode AppendChild(const char *name);
    // Inserts before the index-th child named name (appends when index is the count).
    TXMLNode InsertChild(const char *name, int index);
    void RemoveChildAt(const char *name, int index);
    void RemoveChildren(const char *name);

    // Unlinks and frees this element; the handle becomes null.
    void Remove();

protected:
    void Touch() const;

    xmlNodePtr node_ = nullptr;
};

// A collection binding: an element whose children named Item::kTag are its
// items, counted and indexed from 0 among those children only.
template <class Item>
class TXMLCollection : public TXMLNode {
public:
    using TXMLNode::TXMLNode;
    explicit TXMLCollection(const TXMLNode &node) : TXMLNode(node.Raw()) {}

    int Count() const { return CountChildren(Item::kTag); }
    Item Get(int index) const { return Item(ChildAt(Item::kTag, index).Raw()); }
    Item Add() { return Item(AppendChild(Item::kTag).Raw()); }
    Item Insert(int index) { return Item(InsertChild(Item::kTag, index).Raw()); }
    void Delete(int index) { RemoveChildAt(Item::kTag, index); }
    void Clear() { RemoveChildren(Item::kTag); }
    std::vector<Item> Items() const
    {
        std::vector<Item> items;
        for (const TXMLNode &node : Children(Item::kTag))
            items.emplace_back(node.Raw());
        return items;
    }
};
