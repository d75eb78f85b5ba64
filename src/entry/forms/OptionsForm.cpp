#include "entry/forms/OptionsForm.h"

#include "widgets/DialogButtons.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TfrmOptions::TfrmOptions(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("选项"));

    auto *basic = new QGroupBox(QStringLiteral("基本设置"), this);
    basic->setObjectName(QStringLiteral("gbxBasic"));
    cbxAlwaysShowEditor_ = new QCheckBox(QStringLiteral("光标移入表格后自动进行编辑模式"), basic);
    cbxAlwaysShowEditor_->setObjectName(QStringLiteral("cbxAlwaysShowEditor"));
    cbxAutoCopy_ = new QCheckBox(QStringLiteral("新增记录时自动复制上条记录数据"), basic);
    cbxAutoCopy_->setObjectName(QStringLiteral("cbxAutoCopy"));
    auto *basicLayout = new QVBoxLayout(basic);
    basicLayout->addWidget(cbxAlwaysShowEditor_);
    basicLayout->addWidget(cbxAutoCopy_);

    auto *print = new QGroupBox(QStringLiteral("打印格式"), this);
    print->setObjectName(QStringLiteral("rgpPrintStyle"));
    rbt98_ = new QRadioButton(QStringLiteral("Windows 9X, 2000"), print);
    rbt98_->setObjectName(QStringLiteral("rbt98"));
    rbtXP_ = new QRadioButton(QStringLiteral("Windows XP, 2003"), print);
    rbtXP_->setObjectName(QStringLiteral("rbtXP"));
    auto *printLayout = new QVBoxLayout(print);
    printLayout->addWidget(rbt98_);
    printLayout->addWidget(rbtXP_);

    const TDialogButtons buttons = MakeOkCancel(this);
    connect(buttons.ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(buttons.cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 14, 14, 12);
    layout->setSpacing(10);
    layout->addWidget(basic);
    layout->addWidget(print);
    layout->addLayout(buttons.row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    SetOptions(TOptionsRec());
}

void TfrmOptions::SetOptions(const TOptionsRec &options)
{
    cbxAlwaysShowEditor_->setChecked(options.alwaysShowEditor);
    cbxAutoCopy_->setChecked(options.autoCopyRecord);
    const bool xp = options.printStyle.compare(QStringLiteral("XP"), Qt::CaseInsensitive) == 0;
    rbtXP_->setChecked(xp);
    rbt98_->setChecked(!xp);
}

TOptionsRec TfrmOptions::Options() const
{
    TOptionsRec options;
    options.alwaysShowEditor = cbxAlwaysShowEditor_->isChecked();
    options.autoCopyRecord = cbxAutoCopy_->isChecked();
    options.printStyle = rbtXP_->isChecked() ? QStringLiteral("XP") : QStringLiteral("98");
    return options;
}

bool ExecuteOptions(QWidget *parent, TOptionsRec &options)
{
    TfrmOptions dialog(parent);
    dialog.SetOptions(options);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    options = dialog.Options();
    return true;
}
