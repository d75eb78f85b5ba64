#pragma once

#include <QDialog>

#include <functional>
#include <memory>

class QPushButton;
class TDetailTable;
class TFooterGrid;

// The records of an interface file as a read-only table with its footer
// row (TDetailTable in a TFooterGrid): caption from the table, columns as
// wide as their DISPWIDTH, "退出(&X)" at the bottom right. A resizable window
// that can be maximised; it opens at 531 x 485.
class TDetailForm : public QDialog {
    Q_OBJECT
public:
    // Shows table (owned from now on).
    explicit TDetailForm(std::unique_ptr<TDetailTable> table, QWidget *parent = nullptr);
    ~TDetailForm() override;

    TDetailTable *Table() const { return table_.get(); }
    TFooterGrid *Grid() const { return grid_; }

private:
    std::unique_ptr<TDetailTable> table_;
    TFooterGrid *grid_;
    QPushButton *btnClose_;
};

// Builds the detail view of the interface file fileName and shows it
// modally over parent. Building errors (TDetailTable::Build) pass on to
// the caller; the window is then never shown. onBuilt, when given, runs
// once the table is built, before the window shows (the caller's wait
// cursor ends there).
void ShowDetail(const QString &fileName, QWidget *parent, const std::function<void()> &onBuilt = {});
