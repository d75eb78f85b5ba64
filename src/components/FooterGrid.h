#pragma once

#include "components/GridDelegate.h"
#include "entry/GridLayoutStore.h"

#include <QTableView>

#include <vector>

class TFooterStrip;

// The data grid of both programs: a table view with one footer row below
// the rows (TFooterStrip, showing the model's kFooterRole texts under their
// columns), per-column cell editors, check-box cells, edit and view modes
// and column layouts that can be stored by field name.
//
// Behaviour:
// - Enter moves to the next cell (the next column in visual order; after the
//   last, the first column of the next row); in an editor it commits the
//   cell first. Typing or F2 starts editing, a double click too (edit mode).
// - When the current row changes the model is asked to submit() (a record
//   grid posts there); the window decides what a refusal means.
// - Edit mode: one-cell selection. View mode: read-only, whole-row
//   selection, no editors, check boxes do not toggle, a double click edits
//   nothing and no paste is asked for.
// - Column sections can be moved and resized; the header's sort indicator is
//   a marker only: the grid never reorders records.
class TFooterGrid : public QTableView {
    Q_OBJECT
public:
    explicit TFooterGrid(QWidget *parent = nullptr);

    // Binds model (null: none). The column editors set so far are dropped.
    void setModel(QAbstractItemModel *model) override;

    void SetViewMode(bool on);
    bool ViewMode() const { return viewMode_; }
    // Whether a cell's editor opens as soon as the cell becomes current.
    void SetAlwaysShowEditor(bool on);
    bool AlwaysShowEditor() const { return alwaysShowEditor_; }

    // The editor of a column's cells (by logical column); maxBytes limits a
    // Text or ButtonEdit editor to that many GBK bytes when above 0.
    void SetColumnEditor(int column, TCellEditor kind, int maxBytes = 0);
    void ClearColumnEditors();
    // Puts text into the open cell editor as if typed (after a picker
    // opened by ButtonClicked chose a value); it is committed when the
    // editor closes (Enter, another cell). Nothing happens when no editor
    // is open.
    void SetEditorText(const QString &text);
    // Hands the text of an open cell editor to the model and closes it, so
    // that a command run from elsewhere (a tool bar button, closing the
    // window) sees what was typed.
    void CommitEditor();
    // The cell editor open now, or null.
    QWidget *OpenEditor() const;

    // Every column's field (kFieldNameRole, else its title), visual
    // position, width and sort marker.
    // Widens the columns whose footer text does not fit (a total wider
    // than any of its cells).
    void FitColumnsToFooters();

    std::vector<TColumnLayout> CaptureLayout() const;
    // Restores visual order, width and sort marker of the columns whose
    // field (letter case ignored) the layout names; columns it does not name
    // keep their order after the restored ones; entries naming no column
    // are skipped.
    void ApplyLayout(const std::vector<TColumnLayout> &layout);

    TFooterStrip *FooterStrip() const { return footer_; }

signals:
    void CurrentCellChanged(const QModelIndex &current, const QModelIndex &previous);
    // Ctrl+V or Shift+Insert while no cell is being edited (edit mode only),
    // with the clipboard's text.
    void PasteRequested(const QString &text);
    // The drop-down button of a ButtonEdit cell (or Alt+Down, F4 in it).
    // editor is the open cell editor, to place a picker below it.
    void ButtonClicked(const QModelIndex &index, QWidget *editor);
    // Insert, or Down on the last row, outside a cell editor in edit mode:
    // the window appends a record.
    void AppendRequested();
    // Esc outside a cell editor in edit mode: the window gives up the
    // changes of the current record.
    void CancelRequested();

public slots:
    // Makes the next cell current (see Enter above).
    void MoveToNextCell();

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void ApplyMode();
    void PlaceFooter();
    void UpdateFooter();

    TGridDelegate *delegate_;
    TFooterStrip *footer_;
    bool viewMode_ = false;
    bool alwaysShowEditor_ = false;
    bool placing_ = false;
    std::vector<QMetaObject::Connection> modelConnections_;
};
