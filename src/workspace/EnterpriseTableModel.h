#pragma once

#include "workspace/EnterpriseTable.h"

#include <QAbstractTableModel>

#include <optional>

// The enterprise editor's grid over the table itself: columns "税务识别号"
// (SWSBH) and "企业名称" (NSRMC). One row at a time can be in editing: its
// values live here until Commit stores them through the row checks (or
// Revert forgets them). Below the last row there is always an empty row to
// type into; typing into it makes it a new row in editing. Changes of the
// table made by anyone else reset the model and forget the row in editing.
class TEnterpriseEditModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColSWSBH = 0, ColNSRMC = 1 };

    explicit TEnterpriseEditModel(TEnterpriseTable &table, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    // Puts value into the row in editing; a row starts editing at its first
    // real change. Refused (false) for a row other than the one in editing.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    TEnterpriseTable &Table() const { return table_; }
    // The view row in editing, -1 when none is.
    int EditingRow() const { return editing_ ? editing_->row : -1; }
    // The table index shown at row; -1 for a new row in editing and for the
    // empty row at the end.
    int TableIndex(int row) const;
    // The empty row at the end (the row to type a new enterprise into).
    int AppendRow() const { return rowCount() - 1; }

    // Stores the row in editing through the row checks. Stored: it is in the
    // table now. Dropped (empty SWSBH): a new row disappears, a changed row
    // shows its stored values again. Refused: the row stays in editing with
    // its values. Stored when nothing was in editing.
    TRowCheck Commit();
    // Forgets the row in editing.
    void Revert();
    // Starts a new empty row in editing at row (before the table row shown
    // there); nothing while another row is in editing or at the empty row
    // at the end, which is a new row already.
    void InsertRowAt(int row);
    // Deletes the table row shown at row, or forgets it when it is the row
    // in editing; nothing for the empty row at the end.
    void DeleteRow(int row);

private:
    struct Editing {
        int row = -1;
        bool isNew = false;
        TEnterpriseTable::Entry values;
    };

    bool NewAtEnd() const;
    void TableReset();

    TEnterpriseTable &table_;
    std::optional<Editing> editing_;
    bool changingTable_ = false;
};

// The picker's grid: the table's rows, or the rows a search found.
class TEnterprisePickModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TEnterprisePickModel(const TEnterpriseTable &table, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Shows only these table rows.
    void ShowRows(const QList<int> &tableRows);
    // Shows every row of the table.
    void ShowAll();
    const TEnterpriseTable::Entry &Row(int row) const { return table_.At(rows_.at(row)); }

private:
    const TEnterpriseTable &table_;
    QList<int> rows_;
};
