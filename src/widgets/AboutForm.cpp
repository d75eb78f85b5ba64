#include "widgets/AboutForm.h"

#include "app/utils/MessageBox.h"
#include "widgets/Icons.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

TfrmAbout::TfrmAbout(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("关于"));

    auto *imgIcon = new QLabel(this);
    imgIcon->setObjectName(QStringLiteral("imgIcon"));
    imgIcon->setPixmap(AppIcon().pixmap(48, 48));
    imgIcon->setFixedSize(48, 48);

    auto *lblName = new QLabel(QStringLiteral("软件名称: ") + TMessageBox::ApplicationTitle(), this);
    lblName->setObjectName(QStringLiteral("lblName"));
    lblName->setTextFormat(Qt::PlainText);
    auto *lblPurpose = new QLabel(QStringLiteral("月度纳税申报数据的采集、校验与申报"), this);
    lblPurpose->setObjectName(QStringLiteral("lblPurpose"));

    auto *btnOK = new QPushButton(QStringLiteral("确定"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(16, 16, 16, 12);
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(8);
    grid->addWidget(imgIcon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(lblName, 0, 1);
    grid->addWidget(lblPurpose, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    grid->addLayout(buttons, 2, 0, 1, 2);
    grid->setColumnMinimumWidth(1, 240);
    grid->setRowMinimumHeight(2, 40);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

void ShowAbout(QWidget *parent)
{
    TfrmAbout about(parent);
    about.exec();
}
