#pragma once

#include <QPointer>
#include <QStyledItemDelegate>

#include <map>

// The cell editor a grid column uses.
enum class TCellEditor {
    Plain,      // a line edit over the cell's text
    Text,       // a line edit limited to the column's GBK bytes
    Date,       // "yyyy-MM-dd" through the mask "0000-99-99"; commits a QDate
    ButtonEdit, // a line edit with a drop-down button (TButtonLineEdit)
};

class TFooterGrid;

// The item delegate of TFooterGrid: cell editors by column, check boxes
// centred and toggled by a click or Space (not in view mode), dates shown
// as "yyyy-MM-dd", and Enter in an editor committing the cell and moving on.
//
// Every editor is a line edit: cells are committed as text (EditRole), which
// the model converts to the field's type; a blank text for a value that is
// not text means "no value" and changes nothing. A Date editor refuses Enter
// and Tab while its text is no date (the editor stays open); leaving it
// otherwise keeps the stored date.
class TGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    struct TColumnEditor {
        TCellEditor kind = TCellEditor::Plain;
        int maxBytes = 0;
    };

    explicit TGridDelegate(TFooterGrid *grid);

    void SetColumnEditor(int column, TCellEditor kind, int maxBytes);
    void ClearColumnEditors() { editors_.clear(); }
    TColumnEditor ColumnEditor(int column) const;
    // The cell editor open now (null when none).
    QWidget *OpenEditor() const { return openEditor_; }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    QString displayText(const QVariant &value, const QLocale &locale) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The date a Date editor's text holds ("yyyy-MM-dd", month and day with
    // one or two digits); an invalid QDate when it holds none.
    static QDate ParseDate(const QString &text);

signals:
    // The drop-down button of a ButtonEdit editor was pressed.
    void ButtonClicked(const QModelIndex &index, QWidget *editor);
    // Enter committed and closed an editor: the grid moves to the next cell.
    void EnterPressed();

protected:
    bool eventFilter(QObject *object, QEvent *event) override;
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;

private:
    TFooterGrid *grid_;
    std::map<int, TColumnEditor> editors_;
    mutable QPointer<QWidget> openEditor_;
};
