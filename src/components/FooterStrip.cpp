#include "components/FooterStrip.h"

#include "reportdata/FooterRole.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <QTableView>

TFooterStrip::TFooterStrip(QTableView *grid)
    : QWidget(grid)
    , grid_(grid)
{
    setObjectName(QStringLiteral("pnlFooter"));
    setAutoFillBackground(false);
}

QFont TFooterStrip::FooterFont() const
{
    QFont font = grid_->font();
    font.setBold(true);
    return font;
}

int TFooterStrip::Height() const { return QFontMetrics(FooterFont()).height() + 8; }

QRect TFooterStrip::CellRect(int logicalColumn) const
{
    const QHeaderView *header = grid_->horizontalHeader();
    if (!grid_->model() || logicalColumn < 0 || logicalColumn >= header->count() || header->isSectionHidden(logicalColumn))
        return QRect();
    // The strip starts at the grid's frame; the cells at the viewport's left.
    const int offset = grid_->viewport()->geometry().left() - geometry().left();
    const QRect cell(offset + grid_->columnViewportPosition(logicalColumn), 0, grid_->columnWidth(logicalColumn), height());
    const QRect visible(offset, 0, grid_->viewport()->width(), height());
    return cell.intersects(visible) ? cell : QRect();
}

QString TFooterStrip::CellText(int logicalColumn) const
{
    if (!grid_->model())
        return QString();
    return grid_->model()->headerData(logicalColumn, Qt::Horizontal, kFooterRole).toString();
}

void TFooterStrip::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPalette &palette = grid_->palette();
    painter.fillRect(rect(), palette.color(QPalette::Button));
    painter.setPen(palette.color(QPalette::Mid));
    painter.drawLine(0, 0, width(), 0);
    const QAbstractItemModel *model = grid_->model();
    if (!model)
        return;
    const int offset = grid_->viewport()->geometry().left() - geometry().left();
    painter.setClipRect(QRect(offset, 0, grid_->viewport()->width(), height()));
    painter.setFont(FooterFont());
    const QHeaderView *header = grid_->horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        const QRect cell = CellRect(column);
        if (cell.isEmpty())
            continue;
        painter.setPen(palette.color(QPalette::Mid));
        painter.drawLine(cell.right(), 1, cell.right(), height());
        const QString text = CellText(column);
        if (text.isEmpty())
            continue;
        const QVariant alignment = model->headerData(column, Qt::Horizontal, kFooterAlignmentRole);
        const int flags = alignment.isValid() ? alignment.toInt() : int(Qt::AlignLeft | Qt::AlignVCenter);
        painter.setPen(palette.color(QPalette::ButtonText));
        // A total that does not fit is shown cut with an ellipsis, never
        // cut silently into a smaller number; its tool tip has it whole.
        const QRect box = cell.adjusted(4, 1, -5, 0);
        painter.drawText(box, flags, painter.fontMetrics().elidedText(text, Qt::ElideRight, box.width()));
    }
}

int TFooterStrip::WidthFor(int logicalColumn) const
{
    const QString text = CellText(logicalColumn);
    return text.isEmpty() ? 0 : QFontMetrics(FooterFont()).horizontalAdvance(text) + 4 + 5 + 2;
}

bool TFooterStrip::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const QPoint pos = static_cast<QHelpEvent *>(event)->pos();
    const QHeaderView *header = grid_->horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        if (CellRect(column).contains(pos) && !CellText(column).isEmpty()) {
            QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), CellText(column), this);
            return true;
        }
    }
    QToolTip::hideText();
    event->ignore();
    return true;
}
