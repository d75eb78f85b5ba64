#include "workspace/NavigationTree.h"

#include "app/utils/Errors.h"
#include "app/utils/Utils.h"
#include "documents/XmlTaxPayer.h"

TTaxPayerRec TTreeNode::TaxPayer() const
{
    const auto *rec = std::get_if<TTaxPayerRec>(&record_);
    return rec ? *rec : TTaxPayerRec();
}

TSchemaRec TTreeNode::Schema() const
{
    const auto *rec = std::get_if<TSchemaRec>(&record_);
    return rec ? *rec : TSchemaRec();
}

TXmlFileRec TTreeNode::Report() const
{
    const auto *rec = std::get_if<TXmlFileRec>(&record_);
    return rec ? *rec : TXmlFileRec();
}

TNavigationTree::TNavigationTree(QObject *parent) : QAbstractItemModel(parent) {}

TNavigationTree::~TNavigationTree() = default;

template <class Record>
std::unique_ptr<TTreeNode> TNavigationTree::MakeNode(TNodeKind kind, const QString &caption, const Record &record)
{
    auto node = std::make_unique<TTreeNode>();
    node->kind_ = kind;
    node->caption_ = caption;
    node->record_ = record;
    return node;
}

std::unique_ptr<TTreeNode> TNavigationTree::MakeTaxPayer(const TTaxPayerRec &taxpayer)
{
    return MakeNode(TNodeKind::TaxPayer, taxpayer.NSRMC, taxpayer);
}

std::unique_ptr<TTreeNode> TNavigationTree::MakeSchema(const TSchemaRec &schema)
{
    return MakeNode(TNodeKind::Schema, schema.CHSNAME, schema);
}

std::unique_ptr<TTreeNode> TNavigationTree::MakeReport(const TXmlFileRec &report)
{
    return MakeNode(TNodeKind::Report, PeriodOfFileName(report.FileName), report);
}

void TNavigationTree::Build(TTaxPayerRegistry &taxpayers, const TSchemaRegister &schemas, const TFileRegister &files)
{
    beginResetModel();
    root_ = std::make_unique<TTreeNode>();
    root_->caption_ = QStringLiteral("目录");
    // The root is in place before anything can fail, so a failure leaves a
    // tree that still offers its commands.
    try {
        const TReportFileIndex index = files.IndexReportFiles();
        const int schemaCount = schemas.Count();
        std::vector<TSchemaRec> schemaRecs;
        schemaRecs.reserve(size_t(schemaCount));
        for (int i = 0; i < schemaCount; ++i)
            schemaRecs.push_back(schemas.SchemaRecord(QString(), i));
        for (const TTaxPayerRec &taxpayer : taxpayers.Enumerate()) {
            auto taxpayerNode = MakeTaxPayer(taxpayer);
            for (TSchemaRec schema : schemaRecs) {
                schema.SWSBH = taxpayer.SWSBH;
                auto schemaNode = MakeSchema(schema);
                for (const TXmlFileRec &report : index.ReportFiles(taxpayer.SWSBH, schema.NAME))
                    Adopt(schemaNode.get(), MakeReport(report));
                Adopt(taxpayerNode.get(), std::move(schemaNode));
            }
            Adopt(root_.get(), std::move(taxpayerNode));
        }
    } catch (const TConversionError &error) {
        root_->children_.clear();
        endResetModel();
        throw TUserError(QStringLiteral("报表登记文件\"%1\"中的报表状态无法读取: %2")
                             .arg(files.FileName(), error.Message()));
    } catch (...) {
        root_->children_.clear();
        endResetModel();
        throw;
    }
    endResetModel();
}

void TNavigationTree::Clear()
{
    beginResetModel();
    root_.reset();
    endResetModel();
}

TTreeNode *TNavigationTree::Adopt(TTreeNode *parent, std::unique_ptr<TTreeNode> node)
{
    node->parent_ = parent;
    node->row_ = parent->ChildCount();
    parent->children_.push_back(std::move(node));
    return parent->children_.back().get();
}

TTreeNode *TNavigationTree::Append(TTreeNode *parent, std::unique_ptr<TTreeNode> node)
{
    const int row = parent->ChildCount();
    beginInsertRows(IndexOf(parent), row, row);
    TTreeNode *added = Adopt(parent, std::move(node));
    endInsertRows();
    return added;
}

TTreeNode *TNavigationTree::AddTaxPayer(const TTaxPayerRec &taxpayer, const TSchemaRegister &schemas)
{
    auto node = MakeTaxPayer(taxpayer);
    for (int i = 0; i < schemas.Count(); ++i)
        Adopt(node.get(), MakeSchema(schemas.SchemaRecord(taxpayer.SWSBH, i)));
    return Append(root_.get(), std::move(node));
}

TTreeNode *TNavigationTree::AddReport(TTreeNode *schemaNode, const TXmlFileRec &report)
{
    return Append(schemaNode, MakeReport(report));
}

void TNavigationTree::Remove(TTreeNode *node)
{
    if (!node || !node->parent_)
        return;
    TTreeNode *parent = node->parent_;
    const int row = node->Row();
    beginRemoveRows(IndexOf(parent), row, row);
    parent->children_.erase(parent->children_.begin() + row);
    for (size_t i = size_t(row); i < parent->children_.size(); ++i)
        parent->children_[i]->row_ = int(i);
    endRemoveRows();
}

void TNavigationTree::Changed(TTreeNode *node)
{
    const QModelIndex index = IndexOf(node);
    emit dataChanged(index, index);
}

void TNavigationTree::SetCaption(TTreeNode *node, const QString &caption)
{
    node->caption_ = caption;
    Changed(node);
}

void TNavigationTree::SetTaxPayer(TTreeNode *node, const TTaxPayerRec &taxpayer)
{
    if (node->kind_ == TNodeKind::TaxPayer)
        node->record_ = taxpayer;
}

void TNavigationTree::SetReport(TTreeNode *node, const TXmlFileRec &report)
{
    if (node->kind_ != TNodeKind::Report)
        return;
    node->record_ = report;
    Changed(node); // the icon follows the status
}

namespace {

// The first child of node whose code (as key gives it) matches, letter case ignored.
template <class Key>
TTreeNode *FirstChild(const TTreeNode *node, const QString &code, Key key)
{
    if (!node)
        return nullptr;
    for (int row = 0; row < node->ChildCount(); ++row) {
        if (SameTextIgnoringAsciiCase(key(node->Child(row)), code))
            return node->Child(row);
    }
    return nullptr;
}

} // namespace

TTreeNode *TNavigationTree::FindTaxPayer(const QString &swsbh) const
{
    return FirstChild(root_.get(), swsbh, [](const TTreeNode *n) { return n->TaxPayer().SWSBH; });
}

TTreeNode *TNavigationTree::FindSchema(const TTreeNode *taxpayerNode, const QString &schemaName) const
{
    return FirstChild(taxpayerNode, schemaName, [](const TTreeNode *n) { return n->Schema().NAME; });
}

TTreeNode *TNavigationTree::FindReport(const TTreeNode *schemaNode, const QString &fileName) const
{
    return FirstChild(schemaNode, fileName, [](const TTreeNode *n) { return n->Report().FileName; });
}

QString TNavigationTree::ReportPath(const TTreeNode *reportNode)
{
    const TTreeNode *schema = reportNode->Parent();
    const TTreeNode *taxpayer = schema ? schema->Parent() : nullptr;
    if (!taxpayer)
        return reportNode->Caption();
    return taxpayer->Caption() + QLatin1Char('\\') + schema->Caption() + QLatin1Char('\\') + reportNode->Caption();
}

TTreeIcon TNavigationTree::Icon(const TTreeNode *node)
{
    switch (node->Kind()) {
    case TNodeKind::Root: return TTreeIcon::Root;
    case TNodeKind::TaxPayer: return TTreeIcon::TaxPayer;
    case TNodeKind::Schema: return TTreeIcon::Schema;
    case TNodeKind::Report:
        return node->Report().STATUS == kStatusAwaiting ? TTreeIcon::Awaiting : TTreeIcon::Declared;
    }
    return TTreeIcon::Root;
}

QModelIndex TNavigationTree::IndexOf(const TTreeNode *node) const
{
    if (!node)
        return QModelIndex();
    return createIndex(node->Row(), 0, const_cast<TTreeNode *>(node));
}

TTreeNode *TNavigationTree::NodeOf(const QModelIndex &index) const
{
    return index.isValid() ? static_cast<TTreeNode *>(index.internalPointer()) : nullptr;
}

QModelIndex TNavigationTree::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || row < 0)
        return QModelIndex();
    if (!parent.isValid())
        return row == 0 && root_ ? createIndex(0, 0, root_.get()) : QModelIndex();
    const TTreeNode *node = NodeOf(parent);
    if (row >= node->ChildCount())
        return QModelIndex();
    return createIndex(row, 0, node->Child(row));
}

QModelIndex TNavigationTree::parent(const QModelIndex &child) const
{
    const TTreeNode *node = NodeOf(child);
    return node ? IndexOf(node->Parent()) : QModelIndex();
}

int TNavigationTree::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return root_ ? 1 : 0;
    if (parent.column() != 0)
        return 0;
    return NodeOf(parent)->ChildCount();
}

int TNavigationTree::columnCount(const QModelIndex &) const { return 1; }

QVariant TNavigationTree::data(const QModelIndex &index, int role) const
{
    const TTreeNode *node = NodeOf(index);
    if (!node)
        return {};
    switch (role) {
    case Qt::DisplayRole: return node->Caption();
    case IconRole: return int(Icon(node));
    case KindRole: return int(node->Kind());
    default: return {};
    }
}
