#include "workspace/forms/QYXXForm.h"

#include "workspace/EnterpriseTableModel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

// Cell editors limited to 20 characters of SWSBH and 100 of NSRMC; a name
// stored longer than that is shown whole and not cut by opening its cell.
// Knows the editor that is open, so the form can take its text on OK.
class TEnterpriseCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        auto *editor = new QLineEdit(parent);
        editor->setFrame(false);
        editor_ = editor;
        return editor;
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        auto *line = static_cast<QLineEdit *>(editor);
        const QString text = index.data(Qt::EditRole).toString();
        const int limit = index.column() == TEnterpriseEditModel::ColSWSBH ? TEnterpriseTable::MaxIdLength
                                                                           : TEnterpriseTable::MaxNameLength;
        line->setMaxLength(std::max(limit, int(text.size())));
        line->setText(text);
    }

    void destroyEditor(QWidget *editor, const QModelIndex &index) const override
    {
        if (editor == editor_)
            editor_ = nullptr;
        QStyledItemDelegate::destroyEditor(editor, index);
    }

    QWidget *OpenEditor() const { return editor_; }

private:
    mutable QPointer<QWidget> editor_;
};

TQYXXFrom::TQYXXFrom(TEnterpriseTable &table, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), table_(table)
{
    setObjectName(QStringLiteral("frmQYXX"));
    setWindowTitle(QStringLiteral("企业信息"));

    model_ = new TEnterpriseEditModel(table_, this);
    delegate_ = new TEnterpriseCellDelegate(this);
    grdQYXX_ = new QTableView(this);
    grdQYXX_->setObjectName(QStringLiteral("grdQYXX"));
    grdQYXX_->setModel(model_);
    grdQYXX_->setItemDelegate(delegate_);
    grdQYXX_->setSelectionMode(QAbstractItemView::SingleSelection);
    grdQYXX_->setSelectionBehavior(QAbstractItemView::SelectItems);
    grdQYXX_->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked
                              | QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    grdQYXX_->verticalHeader()->setVisible(false);
    grdQYXX_->horizontalHeader()->setHighlightSections(false);
    grdQYXX_->horizontalHeader()->setStretchLastSection(true);
    grdQYXX_->setColumnWidth(TEnterpriseEditModel::ColSWSBH, 200);
    grdQYXX_->setAlternatingRowColors(true);
    grdQYXX_->installEventFilter(this);
    connect(grdQYXX_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current, const QModelIndex &previous) {
                CurrentRowChanged(current.row(), previous.row());
            });

    auto makeButton = [this](const QString &caption, const char *name) {
        auto *button = new QPushButton(caption, this);
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false); // Enter belongs to the grid
        return button;
    };
    QPushButton *btnDelete = makeButton(QStringLiteral("删除(&D)"), "btnDelete");
    QPushButton *btnAdd = makeButton(QStringLiteral("添加(&A)"), "btnAdd");
    QPushButton *btnOK = makeButton(QStringLiteral("确定(&O)"), "btnOK");
    QPushButton *btnCancel = makeButton(QStringLiteral("取消(&C)"), "btnCancel");
    connect(btnDelete, &QPushButton::clicked, this, &TQYXXFrom::btnDeleteClick);
    connect(btnAdd, &QPushButton::clicked, this, &TQYXXFrom::btnAddClick);
    connect(btnOK, &QPushButton::clicked, this, &TQYXXFrom::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TQYXXFrom::btnCancelClick);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btnDelete);
    buttons->addWidget(btnAdd);
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);
    layout->addWidget(grdQYXX_, 1);
    layout->addLayout(buttons);
    resize(600, 420);

    grdQYXX_->setCurrentIndex(model_->index(0, 0));
    grdQYXX_->setFocus();
}

void TQYXXFrom::CloseCellEditor(bool keep)
{
    QWidget *editor = delegate_->OpenEditor();
    if (!editor)
        return;
    if (keep)
        emit delegate_->commitData(editor);
    emit delegate_->closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void TQYXXFrom::EditAt(int row, int column)
{
    const QModelIndex index = model_->index(row, column);
    grdQYXX_->setCurrentIndex(index);
    grdQYXX_->setFocus();
    grdQYXX_->edit(index);
}

bool TQYXXFrom::StoreEditedRow()
{
    CloseCellEditor(true);
    const TRowCheck check = model_->Commit();
    if (check.kind != TRowCheck::Kind::Refused)
        return true;
    ShowRowRefusal(check);
    returning_ = true;
    EditAt(model_->EditingRow(), TEnterpriseEditModel::ColSWSBH);
    returning_ = false;
    return false;
}

void TQYXXFrom::CurrentRowChanged(int current, int)
{
    const int editing = model_->EditingRow();
    if (returning_ || editing < 0 || editing == current)
        return;
    const TRowCheck check = model_->Commit();
    if (check.kind != TRowCheck::Kind::Refused)
        return;
    ShowRowRefusal(check);
    // Back to the refused row; a click that moved away selects its own
    // cell after this, so the selection follows once the click is done.
    const QModelIndex back = model_->index(model_->EditingRow(), TEnterpriseEditModel::ColSWSBH);
    returning_ = true;
    grdQYXX_->setCurrentIndex(back);
    returning_ = false;
    QTimer::singleShot(0, grdQYXX_, [grid = grdQYXX_] {
        grid->selectionModel()->select(grid->currentIndex(), QItemSelectionModel::ClearAndSelect);
    });
}

void TQYXXFrom::btnDeleteClick()
{
    if (table_.IsEmpty() && model_->EditingRow() < 0)
        return;
    const int row = grdQYXX_->currentIndex().row();
    if (row < 0)
        return;
    CloseCellEditor(false);
    model_->DeleteRow(row);
    if (!grdQYXX_->currentIndex().isValid())
        grdQYXX_->setCurrentIndex(model_->index(std::min(row, model_->rowCount() - 1), 0));
    grdQYXX_->setFocus();
}

void TQYXXFrom::btnAddClick()
{
    if (table_.IsEmpty())
        return;
    if (!StoreEditedRow())
        return;
    EditAt(model_->AppendRow(), TEnterpriseEditModel::ColSWSBH);
}

void TQYXXFrom::btnOKClick()
{
    if (StoreEditedRow())
        accept();
}

void TQYXXFrom::btnCancelClick()
{
    if (StoreEditedRow())
        QDialog::reject();
}

void TQYXXFrom::reject() { btnCancelClick(); }

void TQYXXFrom::keyPressEvent(QKeyEvent *event)
{
    // Esc outside a cell editor forgets the row in editing, as a data grid
    // does; only with nothing in editing does it cancel the dialog.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && model_->EditingRow() >= 0) {
        CloseCellEditor(false);
        model_->Revert();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TQYXXFrom::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == grdQYXX_ && event->type() == QEvent::KeyPress && !delegate_->OpenEditor()) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const int row = grdQYXX_->currentIndex().row();
        if (key == Qt::Key_Insert) {
            if (StoreEditedRow() && row >= 0) {
                model_->InsertRowAt(row);
                EditAt(row, TEnterpriseEditModel::ColSWSBH);
            }
            return true;
        }
        // Down from a new last row stores it and goes on to the next new one.
        if (key == Qt::Key_Down && row >= 0 && row == model_->EditingRow() && row == model_->rowCount() - 1) {
            if (StoreEditedRow())
                grdQYXX_->setCurrentIndex(model_->index(model_->AppendRow(), grdQYXX_->currentIndex().column()));
            return true;
        }
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && row >= 0) {
            grdQYXX_->edit(grdQYXX_->currentIndex());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool ExecuteEnterpriseEditor(QWidget *parent, TEnterpriseTable &table)
{
    TQYXXFrom dialog(table, parent);
    return dialog.exec() == QDialog::Accepted;
}
