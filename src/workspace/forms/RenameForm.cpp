#include "workspace/forms/RenameForm.h"

#include "widgets/DialogButtons.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TfrmRename::TfrmRename(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmRename"));
    setWindowTitle(QStringLiteral("更改属性"));

    auto *lblName = new QLabel(QStringLiteral("新的名称(&N):"), this);
    lblName->setObjectName(QStringLiteral("lblName"));
    edtName_ = new QLineEdit(this);
    edtName_->setObjectName(QStringLiteral("edtName"));
    edtName_->setMaxLength(60);
    edtName_->setMinimumWidth(280);
    lblName->setBuddy(edtName_);
    connect(edtName_, &QLineEdit::textChanged, this, &TfrmRename::UpdateOk);

    // The unit's tax authority code is not edited here.
    auto *edtSWJGDM = new QLineEdit(this);
    edtSWJGDM->setObjectName(QStringLiteral("edtSWJGDM"));
    edtSWJGDM->setVisible(false);

    const TDialogButtons buttons = MakeOkCancel(this);
    btnOK_ = buttons.ok;
    connect(btnOK_, &QPushButton::clicked, this, &QDialog::accept);
    connect(buttons.cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(20, 20, 20, 14);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(10);
    grid->addWidget(lblName, 0, 0);
    grid->addWidget(edtName_, 0, 1);
    grid->addWidget(edtSWJGDM, 1, 1);
    grid->addLayout(buttons.row, 2, 0, 1, 2);
    grid->setRowMinimumHeight(2, 36);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    edtName_->setFocus();
    UpdateOk();
}

void TfrmRename::SetName(const QString &name)
{
    edtName_->setText(name);
    edtName_->selectAll();
}

QString TfrmRename::Name() const { return edtName_->text().trimmed(); }

void TfrmRename::UpdateOk() { btnOK_->setEnabled(!Name().isEmpty()); }

bool ExecuteRename(QWidget *parent, QString &name)
{
    TfrmRename dialog(parent);
    dialog.SetName(name);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    name = dialog.Name();
    return true;
}
