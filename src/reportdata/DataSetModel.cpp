#include "reportdata/DataSetModel.h"

#include "app/utils/Errors.h"
#include "app/utils/TextFile.h"
#include "reportdata/FooterRole.h"
#include "reportdata/XmlDataSet.h"

#include <algorithm>

bool TDataSetModel::IsCell(const QModelIndex &index) const
{
    return index.isValid() && index.model() == this && !index.parent().isValid() && index.row() < rowCount()
           && index.column() < columnCount();
}

TDataSetModel::TDataSetModel(TXmlDataSet &dataSet, QObject *parent)
    : QAbstractTableModel(parent)
    , dataSet_(dataSet)
    , sums_([this](int row, int column) { return dataSet_.ViewValue(row, column); })
{
    listener_ = dataSet_.AddDataChangeListener([this](const TDataChange &change) { OnDataChange(change); });
}

TDataSetModel::~TDataSetModel() { dataSet_.RemoveDataChangeListener(listener_); }

int TDataSetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !dataSet_.Active() ? 0 : dataSet_.ViewRowCount();
}

int TDataSetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() || !dataSet_.Active() ? 0 : dataSet_.FieldCount();
}

QVariant TDataSetModel::data(const QModelIndex &index, int role) const
{
    if (!IsCell(index))
        return QVariant();
    const TField &field = dataSet_.Fields(index.column());
    const TFieldType type = field.DataType();
    switch (role) {
    case Qt::DisplayRole:
        if (type == TFieldType::Boolean)
            return QVariant();
        return dataSet_.ViewText(index.row(), index.column());
    case Qt::EditRole:
        try {
            return dataSet_.ViewValue(index.row(), index.column());
        } catch (const TConversionError &) {
            return dataSet_.StoredText(dataSet_.RecordOfViewRow(index.row()), index.column());
        }
    case Qt::CheckStateRole:
        if (type != TFieldType::Boolean)
            return QVariant();
        try {
            return FieldCheckState(dataSet_.ViewValue(index.row(), index.column()));
        } catch (const TConversionError &) {
            return FieldCheckState(QVariant());
        }
    case Qt::TextAlignmentRole:
        return FieldCellAlignment(type);
    default:
        return QVariant();
    }
}

QVariant TDataSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= columnCount())
            return QVariant();
        if (role == Qt::DisplayRole)
            return dataSet_.Fields(section).DisplayLabel();
        if (role == Qt::ToolTipRole)
            return dataSet_.Fields(section).Definition().comment;
        if (role == kFieldNameRole)
            return dataSet_.Fields(section).FieldName();
        if (role == kFooterRole)
            return FooterText(section);
        if (role == kFooterAlignmentRole)
            return FooterAlignment(sums_.Sums(section));
        return QVariant();
    }
    if (role != Qt::DisplayRole || section < 0 || section >= rowCount())
        return QVariant();
    return section == dataSet_.InsertViewRow() ? QVariant(QStringLiteral("*")) : QVariant(section + 1);
}

Qt::ItemFlags TDataSetModel::flags(const QModelIndex &index) const
{
    if (!IsCell(index))
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (dataSet_.ReadOnly() || readOnlyColumns_.contains(index.column()))
        return flags;
    if (dataSet_.Fields(index.column()).DataType() == TFieldType::Boolean)
        return flags | Qt::ItemIsUserCheckable;
    return flags | Qt::ItemIsEditable;
}

void TDataSetModel::SetColumnReadOnly(int column, bool readOnly)
{
    if (readOnly)
        readOnlyColumns_.insert(column);
    else
        readOnlyColumns_.remove(column);
}

bool TDataSetModel::Fail(const std::exception &error)
{
    // The user has been told already (a rule's own message, a cancelled
    // confirmation): refuse without a second message.
    if (dynamic_cast<const TSilentAbort *>(&error)) {
        lastError_.clear();
        return false;
    }
    lastError_ = QString::fromUtf8(error.what());
    if (OnError)
        OnError(lastError_);
    return false;
}

bool TDataSetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!IsCell(index) || !(flags(index) & (Qt::ItemIsEditable | Qt::ItemIsUserCheckable)))
        return false;
    TField &field = dataSet_.Fields(index.column());
    QVariant newValue;
    if (role == Qt::CheckStateRole && field.DataType() == TFieldType::Boolean)
        newValue = QVariant(value.toInt() == Qt::Checked);
    else if (role == Qt::EditRole)
        newValue = value;
    else
        return false;
    try {
        if (!newValue.isValid())
            return false;
        const QVariant converted = ConvertFieldValue(field.DataType(), newValue);
        try {
            if (dataSet_.ViewValue(index.row(), index.column()) == converted)
                return true;
        } catch (const TConversionError &) {
            // An unreadable stored text: any value replaces it.
        }
        if (field.DataType() == TFieldType::Text && field.Size() > 0
            && EncodeGbk(converted.toString()).size() > field.Size())
            throw TUserError(QStringLiteral("输入的文本超过了字段\"%1\"的长度%2!").arg(field.DisplayLabel()).arg(field.Size()));

        const int record = dataSet_.RecordOfViewRow(index.row());
        if (record >= 0 && (dataSet_.State() == TDataSetState::Insert || record != dataSet_.GetBookmark()))
            dataSet_.SetRecNo(record + 1);
        if (dataSet_.State() == TDataSetState::Browse)
            dataSet_.Edit();
        field.SetValue(converted);
        return true;
    } catch (const std::exception &error) {
        return Fail(error);
    }
}

bool TDataSetModel::submit()
{
    if (!postOnSubmit_ || !dataSet_.Active() || !dataSet_.Modified())
        return true;
    try {
        dataSet_.Post();
        return true;
    } catch (const std::exception &error) {
        return Fail(error);
    }
}

void TDataSetModel::revert()
{
    if (!dataSet_.Active())
        return;
    try {
        dataSet_.Cancel();
    } catch (const std::exception &error) {
        Fail(error);
    }
}

void TDataSetModel::SetFooter(int column, TFooterKind kind, const QString &value)
{
    if (column < 0 || column >= columnCount())
        return;
    footerTexts_.erase(column);
    sums_.RemoveColumn(column);
    if (kind == TFooterKind::Text)
        footerTexts_[column] = value;
    else if (kind == TFooterKind::Sum)
        sums_.AddColumn(column, dataSet_.Fields(column).DataType(), rowCount());
    RefreshFooters();
}

void TDataSetModel::ClearFooters()
{
    footerTexts_.clear();
    sums_.Clear();
    RefreshFooters();
}

QString TDataSetModel::FooterText(int column) const
{
    const auto text = footerTexts_.find(column);
    if (text != footerTexts_.end())
        return text->second;
    return sums_.Text(column);
}

void TDataSetModel::RefreshFooters()
{
    std::vector<int> columns;
    for (const auto &[column, text] : shownFooters_)
        columns.push_back(column);
    for (const auto &[column, text] : footerTexts_)
        columns.push_back(column);
    for (const int column : sums_.Columns())
        columns.push_back(column);
    std::sort(columns.begin(), columns.end());
    columns.erase(std::unique(columns.begin(), columns.end()), columns.end());
    for (const int column : columns) {
        const QString text = FooterText(column);
        const auto shown = shownFooters_.find(column);
        if (shown != shownFooters_.end() ? shown->second == text : text.isEmpty())
            continue;
        if (text.isEmpty())
            shownFooters_.erase(column);
        else
            shownFooters_[column] = text;
        emit headerDataChanged(Qt::Horizontal, column, column);
    }
}

void TDataSetModel::OnDataChange(const TDataChange &change)
{
    using Kind = TDataChange::Kind;
    switch (change.kind) {
    case Kind::AboutToReset:
        beginResetModel();
        break;
    case Kind::Reset:
        sums_.Reset(rowCount());
        endResetModel();
        RefreshFooters();
        break;
    case Kind::AboutToInsertRows:
        beginInsertRows(QModelIndex(), change.first, change.last);
        break;
    case Kind::RowsInserted:
        sums_.RowsInserted(change.first, change.last);
        endInsertRows();
        RefreshFooters();
        break;
    case Kind::AboutToRemoveRows:
        beginRemoveRows(QModelIndex(), change.first, change.last);
        break;
    case Kind::RowsRemoved:
        sums_.RowsRemoved(change.first, change.last);
        endRemoveRows();
        RefreshFooters();
        break;
    case Kind::RowsChanged: {
        const int columns = columnCount();
        if (columns == 0 || change.first < 0)
            break;
        sums_.RowsChanged(change.first, change.last, change.field);
        const int first = change.field < 0 ? 0 : change.field;
        const int last = change.field < 0 ? columns - 1 : change.field;
        emit dataChanged(index(change.first, first), index(change.last, last));
        RefreshFooters();
        break;
    }
    case Kind::CurrentChanged:
        emit CurrentRowChanged(dataSet_.CurrentViewRow());
        break;
    case Kind::StateChanged: {
        // Of the row headers only the record being inserted reads otherwise
        // ("*"): tell views about that row and the one that read so before,
        // not about every row (a header view walks every row it is told of).
        const int insertRow = dataSet_.InsertViewRow();
        for (const int row : {shownInsertRow_, insertRow}) {
            if (row >= 0 && row < rowCount())
                emit headerDataChanged(Qt::Vertical, row, row);
        }
        shownInsertRow_ = insertRow;
        break;
    }
    }
}
