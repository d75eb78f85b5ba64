#include "checker/forms/DetailForm.h"

#include "checker/DetailTable.h"
#include "components/FooterGrid.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

TDetailForm::TDetailForm(std::unique_ptr<TDetailTable> table, QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint
                          | Qt::WindowCloseButtonHint)
    , table_(std::move(table))
{
    setObjectName(QStringLiteral("DetailForm"));
    setWindowTitle(table_->Caption());

    grid_ = new TFooterGrid(this);
    grid_->setObjectName(QStringLiteral("DBGrid"));
    grid_->SetViewMode(true);
    grid_->setModel(table_.get());
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
    const auto &columns = table_->Columns();
    for (int column = 0; column < int(columns.size()); ++column)
        grid_->setColumnWidth(column, columns[size_t(column)].width);
    if (table_->rowCount() > 0)
        grid_->setCurrentIndex(table_->index(0, 0));

    btnClose_ = new QPushButton(QStringLiteral("退出(&X)"), this);
    btnClose_->setObjectName(QStringLiteral("btnClose"));
    btnClose_->setAutoDefault(false);
    connect(btnClose_, &QPushButton::clicked, this, &QDialog::accept);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnClose_);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 8);
    layout->addWidget(grid_, 1);
    layout->addLayout(buttons);

    setSizeGripEnabled(true);
    resize(531, 485);
}

TDetailForm::~TDetailForm()
{
    // The grid is a child and goes after the table: unbind it first.
    grid_->setModel(nullptr);
}

void ShowDetail(const QString &fileName, QWidget *parent, const std::function<void()> &onBuilt)
{
    TDetailForm form(TDetailTable::Build(fileName), parent);
    if (onBuilt)
        onBuilt();
    form.exec();
}
