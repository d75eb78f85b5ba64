#include "workspace/forms/NewFileForm.h"

#include "widgets/DialogButtons.h"

#include "app/utils/MessageBox.h"
#include "app/utils/Utils.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

TfrmNewFile::TfrmNewFile(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmNewFile"));
    setWindowTitle(QStringLiteral("新增报表"));

    auto *lblHint = new QLabel(
        QStringLiteral("请您确认要新增报表的所属区间，格式YYYYMM（年月）。所属区间概念上类似于财务上会计区间。"), this);
    lblHint->setObjectName(QStringLiteral("lblHint"));
    lblHint->setWordWrap(true);

    auto *lblPeriod = new QLabel(QStringLiteral("所属区间(&M)"), this);
    lblPeriod->setObjectName(QStringLiteral("lblPeriod"));
    edtYear_ = new QSpinBox(this);
    edtYear_->setObjectName(QStringLiteral("edtYear"));
    edtYear_->setRange(1980, 9999);
    lblPeriod->setBuddy(edtYear_);
    auto *lblYear = new QLabel(QStringLiteral("年"), this);
    lblYear->setObjectName(QStringLiteral("lblYear"));
    edtMonth_ = new QSpinBox(this);
    edtMonth_->setObjectName(QStringLiteral("edtMonth"));
    edtMonth_->setRange(1, 12);
    auto *lblMonth = new QLabel(QStringLiteral("月"), this);
    lblMonth->setObjectName(QStringLiteral("lblMonth"));

    const TDialogButtons buttons = MakeOkCancel(this);
    connect(buttons.ok, &QPushButton::clicked, this, &TfrmNewFile::btnOKClick);
    connect(buttons.cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *period = new QHBoxLayout;
    period->setSpacing(6);
    period->addWidget(lblPeriod);
    period->addSpacing(6);
    period->addWidget(edtYear_);
    period->addWidget(lblYear);
    period->addSpacing(6);
    period->addWidget(edtMonth_);
    period->addWidget(lblMonth);
    period->addStretch();


    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(20, 16, 20, 14);
    layout->setVerticalSpacing(12);
    layout->addWidget(lblHint, 0, 0);
    layout->addLayout(period, 1, 0);
    layout->addLayout(buttons.row, 2, 0);
    layout->setRowMinimumHeight(2, 36);
    layout->setColumnMinimumWidth(0, 340);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    edtYear_->setFocus();
}

void TfrmNewFile::SetPeriod(const QString &period)
{
    edtYear_->setValue(period.left(4).toInt());
    edtMonth_->setValue(period.mid(4, 2).toInt());
    edtYear_->selectAll();
}

QString TfrmNewFile::Period() const
{
    return QString::asprintf("%.4d%.2d", edtYear_->value(), edtMonth_->value());
}

void TfrmNewFile::btnOKClick()
{
    if (!IsValidPeriod(Period())) {
        TMessageBox::Show(QStringLiteral("所属区间的格式错误,请检查!"), TMessageBox::WarningOk);
        return;
    }
    accept();
}

bool ExecuteNewFile(QWidget *parent, QString &period)
{
    TfrmNewFile dialog(parent);
    dialog.SetPeriod(period);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    period = dialog.Period();
    return true;
}
