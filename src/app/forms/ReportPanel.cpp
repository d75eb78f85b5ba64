#include "app/forms/ReportPanel.h"

#include "app/ClientSession.h"
#include "app/utils/MessageBox.h"
#include "components/FooterGrid.h"
#include "entry/GridLayoutStore.h"
#include "entry/ReportGrid.h"
#include "entry/forms/RecEditForm.h"
#include "reportdata/DataSetModel.h"
#include "reportdata/FooterRole.h"
#include "reportdata/XmlDataSet.h"
#include "workspace/forms/SelQYXXForm.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

TCellEditor CellEditorOf(TColumnPresentation::Editor editor)
{
    switch (editor) {
    case TColumnPresentation::Editor::Text: return TCellEditor::Text;
    case TColumnPresentation::Editor::Date: return TCellEditor::Date;
    case TColumnPresentation::Editor::ButtonEdit: return TCellEditor::ButtonEdit;
    default: return TCellEditor::Plain;
    }
}

TDataSetModel::TFooterKind FooterKindOf(TColumnPresentation::Footer footer)
{
    switch (footer) {
    case TColumnPresentation::Footer::Text: return TDataSetModel::TFooterKind::Text;
    case TColumnPresentation::Footer::Sum: return TDataSetModel::TFooterKind::Sum;
    default: return TDataSetModel::TFooterKind::None;
    }
}

} // namespace

TReportPanel::TReportPanel(TClientSession &session, QWidget *parent) : QWidget(parent), session_(session)
{
    setObjectName(QStringLiteral("pnlReport"));
    Run = [](const std::function<void()> &command) { command(); };
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 0, 0, 0);
    layout->setSpacing(4);

    lblTitle_ = new QLabel(this);
    lblTitle_->setObjectName(QStringLiteral("lblTitle"));
    lblTitle_->setAlignment(Qt::AlignCenter);
    QFont titleFont = lblTitle_->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    titleFont.setBold(true);
    lblTitle_->setFont(titleFont);
    lblTitle_->hide();
    layout->addWidget(lblTitle_);

    auto *bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("pnlLocate"));
    BuildLocateBar(bar);
    layout->addWidget(bar);

    grdInvoices_ = new TFooterGrid(this);
    grdInvoices_->setObjectName(QStringLiteral("grdInvoices"));
    grdInvoices_->setAlternatingRowColors(true);
    grdInvoices_->verticalHeader()->setDefaultSectionSize(grdInvoices_->fontMetrics().height() + 8);
    layout->addWidget(grdInvoices_, 1);

    auto *pages = new QTabWidget(this);
    pages->setObjectName(QStringLiteral("pgHint"));
    memo1_ = new QPlainTextEdit(pages);
    memo1_->setObjectName(QStringLiteral("Memo1"));
    memo1_->setReadOnly(true);
    memo1_->setMaximumHeight(memo1_->fontMetrics().height() * 4 + 12);
    pages->addTab(memo1_, QStringLiteral("操作提示"));
    pages->setMaximumHeight(memo1_->maximumHeight() + pages->tabBar()->sizeHint().height() + 8);
    layout->addWidget(pages);

    TReportGrid &grid = session_.Grid();
    connect(&grid, &TReportGrid::HintChanged, memo1_, &QPlainTextEdit::setPlainText);
    connect(grdInvoices_, &TFooterGrid::CurrentCellChanged, this, &TReportPanel::OnCurrentCellChanged);
    connect(grdInvoices_, &TFooterGrid::ButtonClicked, this, &TReportPanel::OnButtonClicked);
    connect(grdInvoices_, &QAbstractItemView::doubleClicked, this, [this] { OpenRecordEditor(); });
    connect(grdInvoices_, &TFooterGrid::PasteRequested, this,
            [this](const QString &text) { Run([this, text] { session_.PasteRows(text); }); });
    connect(grdInvoices_->horizontalHeader(), &QHeaderView::sectionMoved, this, [this] { PublishColumnOrder(); });
    connect(grdInvoices_, &TFooterGrid::AppendRequested, this, [this] {
        Run([this] { session_.Grid().Append(); });
        ShowCurrentRecord();
    });
    connect(grdInvoices_, &TFooterGrid::CancelRequested, this, [this] {
        Run([this] { session_.Grid().Cancel(); });
        ShowCurrentRecord();
    });
    SetAlwaysShowEditor(grid.AlwaysShowEditor());
}

TReportPanel::~TReportPanel() { Detach(); }

void TReportPanel::BuildLocateBar(QWidget *bar)
{
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel(QStringLiteral("查找字段(&F):"), bar);
    cbxFieldList_ = new QComboBox(bar);
    cbxFieldList_->setObjectName(QStringLiteral("cbxFieldList"));
    cbxFieldList_->setEditable(false);
    cbxFieldList_->setMinimumContentsLength(10);
    cbxFieldList_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    label->setBuddy(cbxFieldList_);
    auto *valueLabel = new QLabel(QStringLiteral("内容(&T):"), bar);
    edtContent_ = new QLineEdit(bar);
    edtContent_->setObjectName(QStringLiteral("edtContent"));
    edtContent_->setMaximumWidth(edtContent_->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 20);
    valueLabel->setBuddy(edtContent_);
    btnLocate_ = new QPushButton(QStringLiteral("查找"), bar);
    btnLocate_->setObjectName(QStringLiteral("btnLocate"));
    layout->addWidget(label);
    layout->addWidget(cbxFieldList_);
    layout->addWidget(valueLabel);
    layout->addWidget(edtContent_, 1);
    layout->addWidget(btnLocate_);
    layout->addStretch(1);
    connect(btnLocate_, &QPushButton::clicked, this, &TReportPanel::Locate);
    connect(edtContent_, &QLineEdit::returnPressed, this, &TReportPanel::Locate);
}

void TReportPanel::Attach(TXmlDataSet *report)
{
    Detach();
    model_ = new TDataSetModel(*report, this);
    // A record is posted when the grid's cursor leaves its row (or by
    // "保存"), not when a cell editor closes.
    model_->SetPostOnSubmit(false);
    // A value the model refuses (a number that is none, a text too long, a
    // record refused on the way to another row) is said at once.
    model_->OnError = [](const QString &message) { TMessageBox::Show(message, TMessageBox::ErrorOk); };
    connect(model_, &TDataSetModel::CurrentRowChanged, this, [this] { ShowCurrentRecord(); });
    grdInvoices_->setModel(model_);
    grdInvoices_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
}

void TReportPanel::Detach()
{
    cbxFieldList_->clear();
    if (!model_)
        return;
    grdInvoices_->ClearColumnEditors();
    grdInvoices_->setModel(nullptr);
    delete model_;
    model_ = nullptr;
}

void TReportPanel::Bind()
{
    TReportGrid &grid = session_.Grid();
    if (!model_ || !grid.Report())
        return;
    cbxFieldList_->clear();
    cbxFieldList_->addItems(grid.FieldLabels());
    model_->ClearFooters();
    grdInvoices_->ClearColumnEditors();
    grdInvoices_->resizeColumnsToContents();
    for (const TColumnPresentation &column : grid.Presentation()) {
        model_->SetFooter(column.column, FooterKindOf(column.footer), column.footerValue);
        if (column.readOnly)
            model_->SetColumnReadOnly(column.column, true);
        grdInvoices_->SetColumnEditor(column.column, CellEditorOf(column.editor), column.maxBytes);
    }
    grdInvoices_->FitColumnsToFooters();
    // The stored layout of the schema, when there is one.
    if (TGridLayoutStore *store = session_.GridLayouts()) {
        if (const auto layout = store->Read(grid.SchemaName()))
            grdInvoices_->ApplyLayout(*layout);
    }
    PublishColumnOrder();
    ApplyViewMode(session_.ViewMode());
    ShowCurrentRecord();
    const QModelIndex current = grdInvoices_->currentIndex();
    grid.ColumnEntered(current.isValid() ? current.column() : 0);
}

void TReportPanel::SetTitle(const QString &title)
{
    lblTitle_->setText(title);
    lblTitle_->show();
}

void TReportPanel::ApplyViewMode(bool viewMode)
{
    grdInvoices_->SetViewMode(viewMode);
    if (!model_)
        return;
    const std::vector<TColumnPresentation> &presentation = session_.Grid().Presentation();
    for (int column = 0; column < model_->columnCount(); ++column) {
        bool readOnly = viewMode;
        for (const TColumnPresentation &p : presentation) {
            if (p.column == column && p.readOnly)
                readOnly = true;
        }
        model_->SetColumnReadOnly(column, readOnly);
    }
}

void TReportPanel::SetAlwaysShowEditor(bool on) { grdInvoices_->SetAlwaysShowEditor(on); }

void TReportPanel::SaveLayout(const QString &section)
{
    TGridLayoutStore *store = session_.GridLayouts();
    if (section.isEmpty() || !store || !model_)
        return;
    Run([this, store, section] { store->Write(section, grdInvoices_->CaptureLayout()); });
}

void TReportPanel::OpenRecordEditor()
{
    TReportGrid &grid = session_.Grid();
    if (!grid.CanOpenRecordEditor())
        return;
    ShowRecordEditor(window(), grid, &session_.EnterpriseTable());
    ShowCurrentRecord();
}

void TReportPanel::ShowCurrentRecord()
{
    TXmlDataSet *report = session_.Grid().Report();
    if (!model_ || !report || !report->Active())
        return;
    const int row = report->CurrentViewRow();
    if (row < 0 || row >= model_->rowCount())
        return;
    QModelIndex current = grdInvoices_->currentIndex();
    const int column = current.isValid() ? current.column() : grdInvoices_->horizontalHeader()->logicalIndex(0);
    if (current.isValid() && current.row() == row)
        return;
    following_ = true;
    grdInvoices_->setCurrentIndex(model_->index(row, qMax(column, 0)));
    following_ = false;
}

void TReportPanel::OnCurrentCellChanged(const QModelIndex &current, const QModelIndex &previous)
{
    if (!model_)
        return;
    TReportGrid &grid = session_.Grid();
    TXmlDataSet *report = grid.Report();
    if (!report || !report->Active())
        return;
    if (!following_) {
        // Leaving a cell of the current record: the id columns' name fill.
        if (previous.isValid() && previous.row() == report->CurrentViewRow() && previous != current)
            Run([&grid, previous] { grid.CellLeft(previous.column()); });
        if (previous.isValid() && current.isValid() && previous.row() != current.row()) {
            bool moved = false;
            Run([&grid, current, &moved] {
                grid.MoveTo(current.row());
                moved = true;
            });
            if (!moved) {
                // The record could not be posted: the cursor stays with it.
                ShowCurrentRecord();
                return;
            }
        }
    }
    if (current.isValid())
        grid.ColumnEntered(current.column());
}

void TReportPanel::OnButtonClicked(const QModelIndex &index, QWidget *editor)
{
    if (!index.isValid() || session_.ViewMode())
        return;
    const QRect anchor(editor->mapToGlobal(QPoint(0, 0)), editor->size());
    const std::optional<TEnterpriseList::Entry> picked = PickEnterprise(window(), session_.EnterpriseTable(), anchor);
    if (!picked)
        return;
    grdInvoices_->SetEditorText(picked->SWSBH);
    const int field = index.column();
    Run([this, field, &picked] { session_.Grid().PickInto(field, picked->SWSBH, picked->NSRMC); });
}

void TReportPanel::PublishColumnOrder()
{
    if (!model_)
        return;
    QStringList fields;
    const QHeaderView *header = grdInvoices_->horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual)
        fields << model_->headerData(header->logicalIndex(visual), Qt::Horizontal, kFieldNameRole).toString();
    session_.Grid().SetColumnOrder(fields);
}

void TReportPanel::Locate()
{
    Run([this] { session_.Grid().Locate(cbxFieldList_->currentText(), edtContent_->text()); });
    ShowCurrentRecord();
}
