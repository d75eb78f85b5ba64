#pragma once

#include "workspace/EnterpriseTable.h"

#include <QDialog>

class QPushButton;
class QTableView;
class TEnterpriseEditModel;
class TEnterpriseCellDelegate;

// The enterprise editor "企业信息": a grid straight over the table. Rows are
// changed in place, inserted (Insert key) or typed into the empty row at the
// end; they are never deleted from the grid itself. A row in editing is
// stored through the row checks when the current row changes, on "确定(&O)"
// and on "取消(&C)"; a refused row shows the check's message and stays in
// editing with the operator's text (and the dialog stays open). Down from
// a new last row stores it and opens the next one. Esc outside a cell editor
// first forgets the row in editing, then cancels.
class TQYXXFrom : public QDialog {
    Q_OBJECT
public:
    explicit TQYXXFrom(TEnterpriseTable &table, QWidget *parent = nullptr);

public slots:
    void btnDeleteClick();
    void btnAddClick();
    void btnOKClick();
    void btnCancelClick();
    // Esc and the window's close button: as "取消(&C)".
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Takes an open cell editor's text into the row, then stores the row in
    // editing; false (after the message) when the checks refuse it.
    bool StoreEditedRow();
    // Closes an open cell editor; keep: its text goes into the row first.
    void CloseCellEditor(bool keep);
    void CurrentRowChanged(int current, int previous);
    void EditAt(int row, int column);

    TEnterpriseTable &table_;
    TEnterpriseEditModel *model_;
    TEnterpriseCellDelegate *delegate_;
    QTableView *grdQYXX_;
    bool returning_ = false; // moving the current row back to a refused row
};

// Shows the enterprise editor modally over parent. True when it was closed
// with "确定(&O)" (the caller then writes "QYXX.xml"); the table keeps every
// stored change either way.
bool ExecuteEnterpriseEditor(QWidget *parent, TEnterpriseTable &table);
