#include "components/FooterGrid.h"

#include "components/FooterStrip.h"
#include "reportdata/FooterRole.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>

#include <algorithm>

TFooterGrid::TFooterGrid(QWidget *parent)
    : QTableView(parent)
    , delegate_(new TGridDelegate(this))
    , footer_(new TFooterStrip(this))
{
    setItemDelegate(delegate_);
    setSortingEnabled(false);
    // Pixel scrolling: the footer strip takes room from the viewport, and
    // the scroll ranges are computed for the viewport that remains.
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setSelectionMode(QAbstractItemView::SingleSelection);
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setSortIndicatorShown(false);
    connect(delegate_, &TGridDelegate::ButtonClicked, this, &TFooterGrid::ButtonClicked);
    connect(delegate_, &TGridDelegate::EnterPressed, this, &TFooterGrid::MoveToNextCell);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, &TFooterGrid::UpdateFooter);
    connect(horizontalHeader(), &QHeaderView::sectionMoved, this, &TFooterGrid::UpdateFooter);
    connect(horizontalHeader(), &QHeaderView::geometriesChanged, this, &TFooterGrid::UpdateFooter);
    ApplyMode();
}

void TFooterGrid::setModel(QAbstractItemModel *model)
{
    for (const QMetaObject::Connection &connection : modelConnections_)
        disconnect(connection);
    modelConnections_.clear();
    delegate_->ClearColumnEditors();
    QTableView::setModel(model);
    if (model) {
        const auto update = [this] { UpdateFooter(); };
        modelConnections_ = {
            connect(model, &QAbstractItemModel::headerDataChanged, this, update),
            connect(model, &QAbstractItemModel::modelReset, this, update),
            connect(model, &QAbstractItemModel::layoutChanged, this, update),
            connect(model, &QAbstractItemModel::columnsInserted, this, update),
            connect(model, &QAbstractItemModel::columnsRemoved, this, update),
            connect(model, &QAbstractItemModel::columnsMoved, this, update),
        };
    }
    ApplyMode();
    updateGeometries();
    UpdateFooter();
}

void TFooterGrid::ApplyMode()
{
    setEditTriggers(viewMode_ ? QAbstractItemView::NoEditTriggers
                              : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                                    | QAbstractItemView::AnyKeyPressed);
    setSelectionBehavior(viewMode_ ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    const QModelIndex current = currentIndex();
    if (selectionModel() && current.isValid())
        selectionModel()->select(current, QItemSelectionModel::ClearAndSelect
                                              | (viewMode_ ? QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate));
}

void TFooterGrid::SetViewMode(bool on)
{
    CommitEditor();
    viewMode_ = on;
    ApplyMode();
    viewport()->update();
}

void TFooterGrid::SetAlwaysShowEditor(bool on)
{
    alwaysShowEditor_ = on;
    const QModelIndex current = currentIndex();
    if (on && !viewMode_ && current.isValid() && state() != EditingState && (current.flags() & Qt::ItemIsEditable))
        edit(current);
}

void TFooterGrid::SetColumnEditor(int column, TCellEditor kind, int maxBytes)
{
    delegate_->SetColumnEditor(column, kind, maxBytes);
}

void TFooterGrid::ClearColumnEditors() { delegate_->ClearColumnEditors(); }

QWidget *TFooterGrid::OpenEditor() const { return state() == EditingState ? delegate_->OpenEditor() : nullptr; }

void TFooterGrid::CommitEditor()
{
    if (QWidget *editor = OpenEditor()) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void TFooterGrid::SetEditorText(const QString &text)
{
    if (auto *edit = qobject_cast<QLineEdit *>(OpenEditor()))
        edit->setText(text);
}

std::vector<TColumnLayout> TFooterGrid::CaptureLayout() const
{
    std::vector<TColumnLayout> layout;
    const QAbstractItemModel *data = model();
    if (!data)
        return layout;
    const QHeaderView *header = horizontalHeader();
    for (int column = 0; column < header->count(); ++column) {
        QString field = data->headerData(column, Qt::Horizontal, kFieldNameRole).toString();
        if (field.isEmpty())
            field = data->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        int sortOrder = 0;
        if (header->isSortIndicatorShown() && header->sortIndicatorSection() == column)
            sortOrder = header->sortIndicatorOrder() == Qt::AscendingOrder ? 1 : 2;
        layout.push_back({field, header->visualIndex(column), header->sectionSize(column), sortOrder});
    }
    std::sort(layout.begin(), layout.end(),
              [](const TColumnLayout &a, const TColumnLayout &b) { return a.position < b.position; });
    return layout;
}

void TFooterGrid::ApplyLayout(const std::vector<TColumnLayout> &layout)
{
    const QAbstractItemModel *data = model();
    if (!data)
        return;
    QHeaderView *header = horizontalHeader();
    QHash<QString, int> columns; // upper-case field -> logical column
    for (int column = header->count() - 1; column >= 0; --column) {
        QString field = data->headerData(column, Qt::Horizontal, kFieldNameRole).toString();
        if (field.isEmpty())
            field = data->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        columns.insert(field.toUpper(), column);
    }
    std::vector<TColumnLayout> ordered = layout;
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const TColumnLayout &a, const TColumnLayout &b) { return a.position < b.position; });
    int sortColumn = -1;
    Qt::SortOrder sortOrder = Qt::AscendingOrder;
    int target = 0;
    QList<int> placed;
    for (const TColumnLayout &entry : ordered) {
        const auto found = columns.constFind(entry.field.toUpper());
        if (found == columns.constEnd() || placed.contains(*found))
            continue;
        const int column = *found;
        placed << column;
        header->moveSection(header->visualIndex(column), target++);
        if (entry.width > 0)
            header->resizeSection(column, std::clamp(entry.width, header->minimumSectionSize(), 4000));
        if (entry.sortOrder == 1 || entry.sortOrder == 2) {
            sortColumn = column;
            sortOrder = entry.sortOrder == 1 ? Qt::AscendingOrder : Qt::DescendingOrder;
        }
    }
    header->setSortIndicatorShown(sortColumn >= 0);
    header->setSortIndicator(sortColumn, sortOrder);
    UpdateFooter();
}

void TFooterGrid::MoveToNextCell()
{
    const QAbstractItemModel *data = model();
    if (!data || data->rowCount() == 0)
        return;
    const QHeaderView *header = horizontalHeader();
    const auto firstVisible = [header](int from) {
        int visual = from;
        while (visual < header->count() && header->isSectionHidden(header->logicalIndex(visual)))
            ++visual;
        return visual;
    };
    const QModelIndex current = currentIndex();
    int row = current.isValid() ? current.row() : 0;
    int visual = current.isValid() ? firstVisible(header->visualIndex(current.column()) + 1) : firstVisible(0);
    if (visual >= header->count()) {
        if (row + 1 >= data->rowCount())
            return;
        ++row;
        visual = firstVisible(0);
    }
    if (visual >= header->count())
        return;
    setCurrentIndex(data->index(row, header->logicalIndex(visual)));
}

void TFooterGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (model() && previous.isValid() && current.isValid() && previous.row() != current.row())
        model()->submit();
    emit CurrentCellChanged(current, previous);
    if (alwaysShowEditor_ && !viewMode_ && current.isValid() && currentIndex() == current
        && (current.flags() & Qt::ItemIsEditable) && state() != EditingState)
        edit(current);
}

void TFooterGrid::keyPressEvent(QKeyEvent *event)
{
    if (state() != EditingState) {
        const int key = event->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter)
            && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            MoveToNextCell();
            event->accept();
            return;
        }
        // Keys of a record grid: Insert, or Down on the last row, asks for
        // a new record; Esc gives up the changes of the current one.
        const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        const int rows = model() ? model()->rowCount() : -1;
        const bool lastRow = rows == 0 || (rows > 0 && currentIndex().row() == rows - 1);
        if (!viewMode_ && rows >= 0 && plain && (key == Qt::Key_Insert || (key == Qt::Key_Down && lastRow))) {
            emit AppendRequested();
            event->accept();
            return;
        }
        if (!viewMode_ && plain && key == Qt::Key_Escape) {
            emit CancelRequested();
            event->accept();
            return;
        }
        const bool paste = event->matches(QKeySequence::Paste)
                           || (key == Qt::Key_Insert && event->modifiers() == Qt::ShiftModifier);
        if (paste) {
            if (!viewMode_)
                emit PasteRequested(QGuiApplication::clipboard()->text());
            event->accept();
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

void TFooterGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (!viewMode_) {
        QTableView::mouseDoubleClickEvent(event);
        return;
    }
    // View mode: nothing edits or toggles; the window may still react.
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid())
        emit doubleClicked(index);
    event->accept();
}

void TFooterGrid::updateGeometries()
{
    if (placing_)
        return;
    placing_ = true;
    QTableView::updateGeometries();
    PlaceFooter();
    placing_ = false;
}

void TFooterGrid::PlaceFooter()
{
    // The table view lays out its headers and scroll ranges for a viewport
    // without the strip; take the strip's room from the viewport's bottom
    // and compute the ranges again. Showing a scroll bar changes the
    // viewport once more, hence the second round.
    const int height = footer_->Height();
    const QMargins margins = viewportMargins();
    if (margins.bottom() != height)
        setViewportMargins(margins.left(), margins.top(), margins.right(), height);
    for (int round = 0; round < 2; ++round) {
        const QSize size = viewport()->size();
        verticalScrollBar()->setPageStep(size.height());
        verticalScrollBar()->setSingleStep(qMax(verticalHeader()->defaultSectionSize(), 1));
        verticalScrollBar()->setRange(0, qMax(0, verticalHeader()->length() - size.height()));
        horizontalScrollBar()->setPageStep(size.width());
        horizontalScrollBar()->setRange(0, qMax(0, horizontalHeader()->length() - size.width()));
    }
    const QRect area = viewport()->geometry();
    if (!verticalHeader()->isHidden()) {
        const QRect rows = verticalHeader()->geometry();
        verticalHeader()->setGeometry(rows.left(), area.top(), rows.width(), area.height());
    }
    const int left = contentsRect().left();
    footer_->setGeometry(left, area.bottom() + 1, area.right() + 1 - left, height);
    footer_->raise();
    footer_->update();
}

void TFooterGrid::UpdateFooter() { footer_->update(); }

void TFooterGrid::FitColumnsToFooters()
{
    QHeaderView *header = horizontalHeader();
    for (int column = 0; column < header->count(); ++column) {
        const int wanted = footer_->WidthFor(column);
        if (wanted > header->sectionSize(column))
            header->resizeSection(column, wanted);
    }
}

void TFooterGrid::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    if (dx != 0)
        footer_->update();
}
