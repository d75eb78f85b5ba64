#include "entry/forms/RecEditForm.h"

#include "app/utils/CommandRunner.h"
#include "app/utils/TextFile.h"
#include "entry/ReportGrid.h"
#include "reportdata/XmlDataSet.h"
#include "workspace/EnterpriseTable.h"
#include "workspace/forms/SelQYXXForm.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValidator>

namespace {

// Keeps a text within a number of GBK bytes, as the file stores it.
class TGbkLengthValidator : public QValidator {
public:
    TGbkLengthValidator(int maxBytes, QObject *parent) : QValidator(parent), maxBytes_(maxBytes) {}
    State validate(QString &input, int &) const override
    {
        return EncodeGbk(input).size() <= maxBytes_ ? Acceptable : Invalid;
    }

private:
    int maxBytes_;
};

bool IsNumeric(TFieldType type)
{
    return type == TFieldType::Integer || type == TFieldType::Float || type == TFieldType::Currency;
}

} // namespace

TfrmRecEdit::TfrmRecEdit(TReportGrid &grid, TEnterpriseTable *enterprises, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , grid_(grid)
    , report_(*grid.Report())
    , enterprises_(enterprises)
{
    setObjectName(QStringLiteral("frmRecEdit"));
    setWindowTitle(QStringLiteral("记录编辑"));

    auto *fields = new QWidget;
    fields->setObjectName(QStringLiteral("pnlFields"));
    auto *form = new QFormLayout(fields);
    form->setContentsMargins(5, 10, 5, 10);
    form->setVerticalSpacing(5);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    for (int i = 0; i < report_.FieldCount(); ++i) {
        const TField &field = report_.Fields(i);
        QWidget *control = BuildControl(i);
        control->setToolTip(field.Definition().comment);
        control->installEventFilter(this);
        controls_.push_back(control);
        auto *label = new QLabel(field.DisplayLabel() + QStringLiteral(":"), fields);
        label->setObjectName(QStringLiteral("lbl") + field.FieldName());
        label->setBuddy(control);
        form->addRow(label, control);
    }

    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("sbxFields"));
    scroll->setWidget(fields);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto *bottom = new QWidget(this);
    bottom->setObjectName(QStringLiteral("pnlBottom"));
    auto *buttons = new QHBoxLayout(bottom);
    buttons->setContentsMargins(5, 6, 5, 6);
    const auto navigator = [this, bottom](const char *name, const QString &hint, QStyle::StandardPixmap icon,
                                          void (TReportGrid::*move)()) {
        auto *button = new QToolButton(bottom);
        button->setObjectName(QString::fromLatin1(name));
        button->setToolTip(hint);
        button->setIcon(style()->standardIcon(icon));
        button->setAutoRaise(true);
        connect(button, &QToolButton::clicked, this, [this, move] {
            CommitFocused();
            RunCommand([this, move] { (grid_.*move)(); });
        });
        return button;
    };
    buttons->addWidget(navigator("btnFirst", QStringLiteral("首条"), QStyle::SP_MediaSkipBackward, &TReportGrid::First));
    buttons->addWidget(navigator("btnPrior", QStringLiteral("上条"), QStyle::SP_MediaSeekBackward, &TReportGrid::Prior));
    buttons->addWidget(navigator("btnNext", QStringLiteral("下条"), QStyle::SP_MediaSeekForward, &TReportGrid::Next));
    buttons->addWidget(navigator("btnLast", QStringLiteral("末条"), QStyle::SP_MediaSkipForward, &TReportGrid::Last));
    buttons->addStretch();
    auto *btnSave = new QPushButton(QStringLiteral("保存并新增(&S)"), bottom);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    auto *btnCancel = new QPushButton(QStringLiteral("取消"), bottom);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addWidget(btnSave);
    buttons->addWidget(btnCancel);
    connect(btnSave, &QPushButton::clicked, this, &TfrmRecEdit::SaveAndAppend);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmRecEdit::reject);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);
    layout->setSpacing(0);
    layout->addWidget(scroll, 1);
    layout->addWidget(bottom);

    // As tall as the fields need, within the screen; wide enough for the
    // labels and a date.
    fields->adjustSize();
    const int wanted = fields->sizeHint().height() + bottom->sizeHint().height() + 20;
    resize(qMax(380, fields->sizeHint().width() + 30), qMin(wanted, 640));

    listener_ = report_.AddDataChangeListener([this](const TDataChange &) { Refresh(); });
    Refresh();
    btnSave->setFocus();
}

TfrmRecEdit::~TfrmRecEdit() { report_.RemoveDataChangeListener(listener_); }

QWidget *TfrmRecEdit::Control(int field) const
{
    return field >= 0 && field < int(controls_.size()) ? controls_[size_t(field)] : nullptr;
}

QWidget *TfrmRecEdit::BuildControl(int index)
{
    const TField &field = report_.Fields(index);
    const QString name = QStringLiteral("edt") + field.FieldName();
    switch (field.DataType()) {
    case TFieldType::Boolean: {
        auto *box = new QCheckBox(this);
        box->setObjectName(name);
        connect(box, &QCheckBox::toggled, this, [this, index] { Commit(index); });
        return box;
    }
    case TFieldType::Date: {
        auto *date = new QDateEdit(this);
        date->setObjectName(name);
        date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        date->setCalendarPopup(true);
        date->setMinimumDate(QDate(1900, 1, 1));
        connect(date, &QDateEdit::editingFinished, this, [this, index] { Commit(index); });
        return date;
    }
    default:
        break;
    }
    auto *edit = new QLineEdit(this);
    edit->setObjectName(name);
    if (field.DataType() == TFieldType::Text && field.Size() > 0)
        edit->setValidator(new TGbkLengthValidator(field.Size(), edit));
    if (IsNumeric(field.DataType()))
        edit->setAlignment(Qt::AlignRight);
    if (IsIdField(field.FieldName())) {
        QAction *button = edit->addAction(style()->standardIcon(QStyle::SP_ArrowDown), QLineEdit::TrailingPosition);
        button->setObjectName(QStringLiteral("btn") + field.FieldName());
        button->setToolTip(QStringLiteral("从企业信息中选择"));
        connect(button, &QAction::triggered, this, [this, index] { Pick(index); });
    }
    connect(edit, &QLineEdit::editingFinished, this, [this, index] { Commit(index); });
    return edit;
}

void TfrmRecEdit::Refresh()
{
    if (refreshing_ || !report_.Active())
        return;
    refreshing_ = true;
    const bool editable = !report_.ReadOnly() && !grid_.ViewMode();
    for (int i = 0; i < report_.FieldCount() && i < int(controls_.size()); ++i) {
        const TField &field = report_.Fields(i);
        QWidget *control = controls_[size_t(i)];
        const bool empty = report_.IsEmpty();
        if (auto *box = qobject_cast<QCheckBox *>(control)) {
            box->setChecked(!empty && field.AsBoolean());
        } else if (auto *date = qobject_cast<QDateEdit *>(control)) {
            date->setDate(empty ? QDate(1900, 1, 1) : field.AsDate());
        } else if (auto *edit = qobject_cast<QLineEdit *>(control)) {
            const QString text = empty ? QString() : field.AsString();
            if (edit->text() != text)
                edit->setText(text);
            // The check value is computed when the record is posted.
            edit->setReadOnly(!editable || field.FieldName().compare(QStringLiteral("CRC"), Qt::CaseInsensitive) == 0);
        }
        control->setEnabled(editable || qobject_cast<QLineEdit *>(control));
    }
    refreshing_ = false;
}

void TfrmRecEdit::Commit(int index)
{
    if (refreshing_ || !report_.Active() || report_.ReadOnly())
        return;
    QWidget *control = Control(index);
    TField &field = report_.Fields(index);
    QVariant value;
    if (auto *box = qobject_cast<QCheckBox *>(control))
        value = box->isChecked();
    else if (auto *date = qobject_cast<QDateEdit *>(control))
        value = date->date();
    else if (auto *edit = qobject_cast<QLineEdit *>(control)) {
        if (edit->isReadOnly())
            return;
        value = edit->text();
    }
    const bool empty = report_.IsEmpty();
    const QString shown = empty ? QString() : field.AsString();
    const QString wanted = value.typeId() == QMetaType::QDate ? value.toDate().toString(QStringLiteral("yyyy-MM-dd"))
                           : value.typeId() == QMetaType::Bool ? (value.toBool() ? QStringLiteral("True") : QStringLiteral("False"))
                                                               : value.toString();
    if (wanted == shown && !empty)
        return;
    if (empty && wanted.isEmpty())
        return;
    const bool ok = RunCommand([&] {
        if (report_.State() == TDataSetState::Browse)
            report_.Edit();
        if (value.typeId() == QMetaType::QString)
            field.SetAsString(value.toString());
        else
            field.SetValue(value);
    });
    if (!ok)
        Refresh();
    // Leaving an id field fills its name from the enterprise list.
    if (ok && IsIdField(field.FieldName()))
        RunCommand([&] { grid_.FillName(index); });
}

void TfrmRecEdit::Pick(int index)
{
    if (!enterprises_ || report_.ReadOnly() || grid_.ViewMode())
        return;
    QWidget *control = Control(index);
    const QPoint below = control->mapToGlobal(QPoint(0, control->height()));
    const std::optional<TEnterpriseList::Entry> picked = PickEnterpriseAt(this, *enterprises_, below);
    if (!picked)
        return;
    if (auto *edit = qobject_cast<QLineEdit *>(control))
        edit->setText(picked->SWSBH);
    Commit(index);
}

void TfrmRecEdit::CommitFocused()
{
    // The tool buttons take no focus, so the control being typed in has not
    // written its field yet.
    QWidget *focused = focusWidget();
    for (size_t i = 0; focused && i < controls_.size(); ++i) {
        if (controls_[i] == focused || controls_[i]->isAncestorOf(focused))
            Commit(int(i));
    }
}

void TfrmRecEdit::SaveAndAppend()
{
    CommitFocused();
    if (RunCommand([this] { grid_.SaveAndAppend(); }) && !controls_.empty())
        controls_.front()->setFocus();
}

void TfrmRecEdit::reject()
{
    CommitFocused();
    // A refused post keeps the editor open with the record as it is.
    if (RunCommand([this] { grid_.CancelRecordEditor(); }))
        QDialog::reject();
}

bool TfrmRecEdit::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        const bool down = key->key() == Qt::Key_Down && !qobject_cast<QDateEdit *>(watched);
        if ((enter || down) && key->modifiers() == Qt::NoModifier) {
            focusNextChild();
            return true;
        }
        if (key->key() == Qt::Key_Up && key->modifiers() == Qt::NoModifier && !qobject_cast<QDateEdit *>(watched)) {
            focusPreviousChild();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ShowRecordEditor(QWidget *parent, TReportGrid &grid, TEnterpriseTable *enterprises)
{
    if (!grid.CanOpenRecordEditor())
        return;
    TfrmRecEdit editor(grid, enterprises, parent);
    editor.exec();
}
