#include "workspace/EnterpriseTableModel.h"

namespace {

QVariant ColumnCaption(int section)
{
    return section == 0 ? QStringLiteral("税务识别号") : QStringLiteral("企业名称");
}

const QString &ValueOf(const TEnterpriseTable::Entry &entry, int column)
{
    return column == 0 ? entry.SWSBH : entry.NSRMC;
}

} // namespace

// ---- TEnterpriseEditModel ----

TEnterpriseEditModel::TEnterpriseEditModel(TEnterpriseTable &table, QObject *parent)
    : QAbstractTableModel(parent), table_(table)
{
    connect(&table_, &TEnterpriseTable::RowInserted, this, &TEnterpriseEditModel::TableReset);
    connect(&table_, &TEnterpriseTable::RowChanged, this, &TEnterpriseEditModel::TableReset);
    connect(&table_, &TEnterpriseTable::RowRemoved, this, &TEnterpriseEditModel::TableReset);
    connect(&table_, &TEnterpriseTable::Reset, this, &TEnterpriseEditModel::TableReset);
}

bool TEnterpriseEditModel::NewAtEnd() const { return editing_ && editing_->isNew && editing_->row == table_.Count(); }

int TEnterpriseEditModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    const bool newRow = editing_ && editing_->isNew;
    return table_.Count() + (newRow ? 1 : 0) + (NewAtEnd() ? 0 : 1);
}

int TEnterpriseEditModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : 2; }

int TEnterpriseEditModel::TableIndex(int row) const
{
    if (editing_ && editing_->isNew) {
        if (row == editing_->row)
            return -1;
        if (row > editing_->row)
            --row;
    }
    return row >= 0 && row < table_.Count() ? row : -1;
}

QVariant TEnterpriseEditModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    if (editing_ && editing_->row == index.row())
        return ValueOf(editing_->values, index.column());
    const int tableIndex = TableIndex(index.row());
    if (tableIndex < 0)
        return QString();
    return ValueOf(table_.At(tableIndex), index.column());
}

bool TEnterpriseEditModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    const int row = index.row();
    const QString text = value.toString();
    if (editing_ && editing_->row != row)
        return false;
    if (!editing_) {
        const int tableIndex = TableIndex(row);
        const TEnterpriseTable::Entry stored = tableIndex >= 0 ? table_.At(tableIndex) : TEnterpriseTable::Entry{};
        if (ValueOf(stored, index.column()) == text)
            return true; // an editor left without a change does not start editing the row
        editing_ = Editing{row, tableIndex < 0, stored};
    }
    (index.column() == ColSWSBH ? editing_->values.SWSBH : editing_->values.NSRMC) = text;
    emit dataChanged(this->index(row, 0), this->index(row, 1));
    return true;
}

QVariant TEnterpriseEditModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 2)
        return ColumnCaption(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags TEnterpriseEditModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

TRowCheck TEnterpriseEditModel::Commit()
{
    if (!editing_)
        return {};
    const Editing edit = *editing_;
    const int tableIndex = TableIndex(edit.row);
    const TRowCheck check = table_.Check(edit.values.SWSBH, edit.isNew ? -1 : tableIndex);
    if (check.kind == TRowCheck::Kind::Refused)
        return check;
    if (check.kind == TRowCheck::Kind::Dropped) {
        Revert();
        return check;
    }
    const bool atEnd = NewAtEnd();
    if (atEnd)
        beginInsertRows({}, rowCount(), rowCount()); // the empty row at the end comes back
    changingTable_ = true;
    if (edit.isNew)
        table_.Insert(edit.row, edit.values.SWSBH, edit.values.NSRMC);
    else
        table_.Replace(tableIndex, edit.values.SWSBH, edit.values.NSRMC);
    changingTable_ = false;
    editing_.reset();
    if (atEnd)
        endInsertRows();
    emit dataChanged(index(edit.row, 0), index(edit.row, 1));
    return check;
}

void TEnterpriseEditModel::Revert()
{
    if (!editing_)
        return;
    const Editing edit = *editing_;
    if (edit.isNew && !NewAtEnd()) {
        beginRemoveRows({}, edit.row, edit.row);
        editing_.reset();
        endRemoveRows();
        return;
    }
    editing_.reset();
    emit dataChanged(index(edit.row, 0), index(edit.row, 1));
}

void TEnterpriseEditModel::InsertRowAt(int row)
{
    if (editing_ || TableIndex(row) < 0)
        return;
    beginInsertRows({}, row, row);
    editing_ = Editing{row, true, {}};
    endInsertRows();
}

void TEnterpriseEditModel::DeleteRow(int row)
{
    if (editing_) {
        if (editing_->row == row)
            Revert();
        return;
    }
    const int tableIndex = TableIndex(row);
    if (tableIndex < 0)
        return;
    beginRemoveRows({}, row, row);
    changingTable_ = true;
    table_.Delete(tableIndex);
    changingTable_ = false;
    endRemoveRows();
}

void TEnterpriseEditModel::TableReset()
{
    if (changingTable_)
        return;
    beginResetModel();
    editing_.reset();
    endResetModel();
}

// ---- TEnterprisePickModel ----

TEnterprisePickModel::TEnterprisePickModel(const TEnterpriseTable &table, QObject *parent)
    : QAbstractTableModel(parent), table_(table)
{
    ShowAll();
}

int TEnterprisePickModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(rows_.size()); }

int TEnterprisePickModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : 2; }

QVariant TEnterprisePickModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return ValueOf(Row(index.row()), index.column());
}

QVariant TEnterprisePickModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 2)
        return ColumnCaption(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void TEnterprisePickModel::ShowRows(const QList<int> &tableRows)
{
    beginResetModel();
    rows_ = tableRows;
    endResetModel();
}

void TEnterprisePickModel::ShowAll()
{
    QList<int> all;
    for (int i = 0; i < table_.Count(); ++i)
        all.append(i);
    ShowRows(all);
}
