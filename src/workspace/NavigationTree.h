#pragma once

#include "documents/XmlFileManager.h"
#include "documents/XmlSchemaManager.h"
#include "documents/XmlTaxPayer.h"
#include "workspace/TreeIcons.h"

#include <QAbstractItemModel>
#include <QString>

#include <memory>
#include <variant>
#include <vector>

class TTaxPayerRegistry;

// Node kinds of the navigation tree, by level.
enum class TNodeKind : quint8 { Root = 1, TaxPayer = 2, Schema = 3, Report = 4 };

// One node of the navigation tree: its kind, caption and a copy of the
// record it stands for (none for the root). Nodes are owned by the tree;
// a pointer stays valid until the node (or an ancestor) is removed.
class TTreeNode {
public:
    TNodeKind Kind() const { return kind_; }
    const QString &Caption() const { return caption_; }
    TTreeNode *Parent() const { return parent_; }
    int ChildCount() const { return int(children_.size()); }
    TTreeNode *Child(int row) const { return children_.at(size_t(row)).get(); }
    TTreeNode *LastChild() const { return children_.empty() ? nullptr : children_.back().get(); }
    // Position among the parent's children (0 for the root).
    int Row() const { return row_; }

    // Copies of the record; each is empty for nodes of other kinds.
    TTaxPayerRec TaxPayer() const;
    TSchemaRec Schema() const;
    TXmlFileRec Report() const;

private:
    friend class TNavigationTree;
    TNodeKind kind_ = TNodeKind::Root;
    QString caption_;
    std::variant<std::monostate, TTaxPayerRec, TSchemaRec, TXmlFileRec> record_;
    TTreeNode *parent_ = nullptr;
    int row_ = 0;
    std::vector<std::unique_ptr<TTreeNode>> children_;
};

// The navigation tree: the root "目录", one node per taxpayer of the
// registry, under each one node per schema of the schema register, under
// each one node per report file the report file register lists for that
// taxpayer and schema. Every change goes through this model, so attached
// views follow. Qt-Widgets-free.
//
// Roles: DisplayRole the caption, IconRole the TTreeIcon (as int),
// KindRole the TNodeKind (as int).
class TNavigationTree : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Role { IconRole = Qt::UserRole + 1, KindRole };

    explicit TNavigationTree(QObject *parent = nullptr);
    ~TNavigationTree() override;

    // Clears the tree and builds it from the registers, in document order.
    // Raises TUserError naming "FileManager.xml" when a report entry's
    // STATUS is unreadable (the tree then holds only the root).
    void Build(TTaxPayerRegistry &taxpayers, const TSchemaRegister &schemas, const TFileRegister &files);
    // Removes every node, the root included.
    void Clear();

    // The root, or nullptr before Build.
    TTreeNode *Root() const { return root_.get(); }

    // A taxpayer node (caption NSRMC) under the root with one schema node per
    // schema of the register, carrying the taxpayer's SWSBH.
    TTreeNode *AddTaxPayer(const TTaxPayerRec &taxpayer, const TSchemaRegister &schemas);
    // A report node as the last child of a schema node.
    TTreeNode *AddReport(TTreeNode *schemaNode, const TXmlFileRec &report);
    // Removes a node with all its descendants (not the root).
    void Remove(TTreeNode *node);
    // Replaces a node's caption, or the record it carries (same kind).
    void SetCaption(TTreeNode *node, const QString &caption);
    void SetTaxPayer(TTreeNode *node, const TTaxPayerRec &taxpayer);
    void SetReport(TTreeNode *node, const TXmlFileRec &report);

    // The first taxpayer node under the root whose SWSBH matches (ASCII
    // letter case ignored), or nullptr.
    TTreeNode *FindTaxPayer(const QString &swsbh) const;
    // The first schema node of a taxpayer node whose NAME matches.
    TTreeNode *FindSchema(const TTreeNode *taxpayerNode, const QString &schemaName) const;
    // The first report node of a schema node whose file name matches.
    TTreeNode *FindReport(const TTreeNode *schemaNode, const QString &fileName) const;

    // taxpayer caption + "\" + schema caption + "\" + period, for a report node.
    static QString ReportPath(const TTreeNode *reportNode);
    static TTreeIcon Icon(const TTreeNode *node);

    QModelIndex IndexOf(const TTreeNode *node) const;
    TTreeNode *NodeOf(const QModelIndex &index) const;

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    TTreeNode *Append(TTreeNode *parent, std::unique_ptr<TTreeNode> node);
    // Adds node as the last child of parent without notifying views.
    static TTreeNode *Adopt(TTreeNode *parent, std::unique_ptr<TTreeNode> node);
    template <class Record>
    static std::unique_ptr<TTreeNode> MakeNode(TNodeKind kind, const QString &caption, const Record &record);
    static std::unique_ptr<TTreeNode> MakeTaxPayer(const TTaxPayerRec &taxpayer);
    static std::unique_ptr<TTreeNode> MakeSchema(const TSchemaRec &schema);
    static std::unique_ptr<TTreeNode> MakeReport(const TXmlFileRec &report);
    void Changed(TTreeNode *node);

    std::unique_ptr<TTreeNode> root_;
};
