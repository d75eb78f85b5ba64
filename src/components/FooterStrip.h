#pragma once

#include <QWidget>

class QTableView;

// The footer row of a TFooterGrid: a strip below the rows that draws each
// column's footer text (the model's kFooterRole, aligned by
// kFooterAlignmentRole) under that column, following the columns'
// positions, widths, visual order and horizontal scrolling. Painted in the
// palette's button colour with the grid's font in bold.
class TFooterStrip : public QWidget {
    Q_OBJECT
public:
    explicit TFooterStrip(QTableView *grid);

    // The height the strip wants for the grid's font.
    int Height() const;
    // The rectangle of a column's footer cell in strip coordinates (empty
    // for a hidden column or one scrolled out of sight).
    QRect CellRect(int logicalColumn) const;
    // The footer text drawn for a column.
    QString CellText(int logicalColumn) const;
    // The width a column needs to show its footer text whole.
    int WidthFor(int logicalColumn) const;

protected:
    void paintEvent(QPaintEvent *event) override;
    // A footer's whole text as the tool tip of its cell.
    bool event(QEvent *event) override;

private:
    QFont FooterFont() const;

    QTableView *grid_;
};
