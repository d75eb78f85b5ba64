#include "workspace/forms/TaxPayerForm.h"

#include "app/utils/Errors.h"
#include "app/utils/MessageBox.h"
#include "workspace/CollectionType.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TfrmTaxPayer::TfrmTaxPayer(const QString &collectionType, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      collectionType_(collectionType)
{
    const TCollectionTypeTexts texts = CollectionTypeTexts(collectionType);
    setObjectName(QStringLiteral("frmTaxPayer"));
    setWindowTitle(texts.dialogCaption);

    auto *lblSWSBH = new QLabel(texts.codeLabel, this);
    lblSWSBH->setObjectName(QStringLiteral("lblSWSBH"));
    edtSWSBH_ = new QLineEdit(this);
    edtSWSBH_->setObjectName(QStringLiteral("edtSWSBH"));
    edtSWSBH_->setMaxLength(20);
    lblSWSBH->setBuddy(edtSWSBH_);

    auto *lblNSRMC = new QLabel(texts.nameLabel, this);
    lblNSRMC->setObjectName(QStringLiteral("lblNSRMC"));
    edtNSRMC_ = new QLineEdit(this);
    edtNSRMC_->setObjectName(QStringLiteral("edtNSRMC"));
    edtNSRMC_->setMinimumWidth(260);
    lblNSRMC->setBuddy(edtNSRMC_);

    // Kept for the record's SWJGDM; a new unit never has one.
    edtSWJGDM_ = new QLineEdit(this);
    edtSWJGDM_->setObjectName(QStringLiteral("edtSWJGDM"));
    edtSWJGDM_->setVisible(false);

    btnOK_ = new QPushButton(QStringLiteral("确定"), this);
    btnOK_->setObjectName(QStringLiteral("btnOK"));
    auto *btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    // "确定" is the default button only while the name box (or the button
    // itself) has the focus; the code box takes Enter for moving on. This
    // runs after the dialog's own default-button bookkeeping of each change.
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget *, QWidget *now) { btnOK_->setDefault(now == edtNSRMC_ || now == btnOK_); });
    connect(btnOK_, &QPushButton::clicked, this, &TfrmTaxPayer::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    for (QLineEdit *box : {edtSWSBH_, edtNSRMC_, edtSWJGDM_})
        connect(box, &QLineEdit::textChanged, this, &TfrmTaxPayer::UpdateOk);
    edtSWSBH_->installEventFilter(this);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(20, 20, 20, 14);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(10);
    grid->addWidget(lblSWSBH, 0, 0);
    grid->addWidget(edtSWSBH_, 0, 1);
    grid->addWidget(lblNSRMC, 1, 0);
    grid->addWidget(edtNSRMC_, 1, 1);
    grid->addWidget(edtSWJGDM_, 2, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK_);
    buttons->addWidget(btnCancel);
    grid->addLayout(buttons, 3, 0, 1, 2);
    grid->setRowMinimumHeight(3, 36);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(edtSWSBH_, edtNSRMC_);
    setTabOrder(edtNSRMC_, btnOK_);
    setTabOrder(btnOK_, btnCancel);
    edtSWSBH_->setFocus();
    UpdateOk();
}

void TfrmTaxPayer::SetInfo(const TTaxPayerInfo &info)
{
    edtSWSBH_->setText(info.SWSBH);
    edtNSRMC_->setText(info.NSRMC);
    edtSWJGDM_->clear();
    UpdateOk();
}

void TfrmTaxPayer::UpdateOk()
{
    btnOK_->setEnabled(NewUnitComplete(edtSWSBH_->text(), edtNSRMC_->text()));
}

void TfrmTaxPayer::btnOKClick()
{
    try {
        info_ = AcceptNewUnit(collectionType_, edtSWSBH_->text(), edtNSRMC_->text());
    } catch (const TUserError &error) {
        TMessageBox::Show(error.Message(), TMessageBox::WarningOk);
        edtSWSBH_->setFocus();
        edtSWSBH_->selectAll();
        return;
    }
    accept();
}

bool TfrmTaxPayer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == edtSWSBH_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            edtNSRMC_->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool ExecuteNewUnit(QWidget *parent, const QString &collectionType, TTaxPayerInfo &info)
{
    TfrmTaxPayer dialog(collectionType, parent);
    dialog.SetInfo(info);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    info = dialog.Info();
    return true;
}
