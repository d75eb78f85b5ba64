#include "entry/forms/ConfirmForm.h"

#include "widgets/DialogButtons.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmConfirm::TfrmConfirm(const std::vector<TColumn> &entries, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      entries_(entries)
{
    setObjectName(QStringLiteral("frmConfirm"));
    setWindowTitle(QStringLiteral("数据确认"));

    auto *lblPrompt = new QLabel(QStringLiteral("请再次输入以下数据项:"), this);
    lblPrompt->setObjectName(QStringLiteral("lblPrompt"));

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);
    for (size_t i = 0; i < entries_.size(); ++i) {
        const TColumn &entry = entries_[i];
        const QString number = QString::number(i + 1);
        auto *label = new QLabel((entry.caption.isEmpty() ? entry.name : entry.caption) + QStringLiteral(":"), this);
        label->setObjectName(QStringLiteral("lblCaption") + number);
        auto *box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("edtValue") + number);
        box->setMinimumWidth(220);
        box->setToolTip(entry.comment);
        // A value is typed again from the paper, not copied from the grid:
        // pasting is refused (no context menu, see eventFilter for the keys).
        box->setContextMenuPolicy(Qt::NoContextMenu);
        label->setBuddy(box);
        box->installEventFilter(this);
        connect(box, &QLineEdit::returnPressed, this, [this, i]() {
            if (i + 1 < boxes_.size())
                boxes_[i + 1]->setFocus();
            else
                accept();
        });
        grid->addWidget(label, int(i), 0);
        grid->addWidget(box, int(i), 1);
        boxes_.push_back(box);
    }

    lblHint_ = new QLabel(this);
    lblHint_->setObjectName(QStringLiteral("lblHint"));
    lblHint_->setWordWrap(true);
    lblHint_->setMinimumHeight(lblHint_->fontMetrics().lineSpacing() * 2);
    lblHint_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette hintPalette = lblHint_->palette();
    hintPalette.setColor(QPalette::WindowText, hintPalette.color(QPalette::Disabled, QPalette::WindowText));
    lblHint_->setPalette(hintPalette);

    // Enter moves between the boxes; it presses no button by itself.
    const TDialogButtons buttons = MakeOkCancel(this);
    buttons.ok->setDefault(false);
    buttons.ok->setAutoDefault(false);
    buttons.cancel->setAutoDefault(false);
    connect(buttons.ok, &QPushButton::clicked, this, &TfrmConfirm::accept);
    connect(buttons.cancel, &QPushButton::clicked, this, &TfrmConfirm::reject);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 14);
    layout->setSpacing(10);
    layout->addWidget(lblPrompt);
    layout->addLayout(grid);
    layout->addWidget(lblHint_);
    layout->addLayout(buttons.row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // The hint label wraps within the width the boxes give the dialog.
    lblHint_->setMaximumWidth(grid->sizeHint().width() > 0 ? grid->sizeHint().width() : 300);

    QWidget *previous = nullptr;
    for (QLineEdit *box : boxes_) {
        if (previous)
            setTabOrder(previous, box);
        previous = box;
    }
    if (previous)
        setTabOrder(previous, buttons.ok);
    setTabOrder(buttons.ok, buttons.cancel);
    if (!boxes_.empty())
        boxes_.front()->setFocus();
}

bool TfrmConfirm::eventFilter(QObject *watched, QEvent *event)
{
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)
        && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Paste)) {
        event->accept();
        return true;
    }
    if (event->type() == QEvent::FocusIn) {
        for (size_t i = 0; i < boxes_.size(); ++i) {
            if (boxes_[i] == watched)
                lblHint_->setText(entries_[i].comment);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmConfirm::accept()
{
    result_ = 0;
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (!ConfirmValueMatches(entries_[i], boxes_[i]->text())) {
            result_ = int(i + 1);
            break;
        }
    }
    QDialog::accept();
}

void TfrmConfirm::reject()
{
    result_ = -1;
    QDialog::reject();
}

int ExecuteConfirm(QWidget *parent, const std::vector<TColumn> &entries)
{
    TfrmConfirm dialog(entries, parent);
    dialog.exec();
    return dialog.Result();
}
