#pragma once

#include "entry/Confirm.h"

#include <QDialog>

#include <vector>

class QLabel;
class QLineEdit;
class QWidget;

// The double-entry confirmation ("数据确认"): one entry box per listed
// column, labelled with its caption, in list order; the column's comment is
// the box's tool tip and is shown under the boxes while the box has the
// focus. The stored values are never shown: the operator types each value
// again from the paper form, and pasting into the boxes is refused. Enter moves to the next box and, in the last
// one, confirms.
//
// "确定" closes with Result() 0 when every box matches its entry
// (ConfirmValueMatches), else with the 1-based number of the first entry
// that does not; "取消" and Esc close with -1.
class TfrmConfirm : public QDialog {
    Q_OBJECT
public:
    explicit TfrmConfirm(const std::vector<TColumn> &entries, QWidget *parent = nullptr);

    // The answer as TConfirmDialog::Confim gives it (-1 until confirmed).
    int Result() const { return result_; }

    // The entry box of entry index (0-based), for tests and tools.
    QLineEdit *ValueBox(int index) const { return boxes_.at(size_t(index)); }

public slots:
    void accept() override;
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::vector<TColumn> entries_;
    std::vector<QLineEdit *> boxes_;
    QLabel *lblHint_;
    int result_ = -1;
};

// Shows the confirmation modally over parent and returns its answer.
int ExecuteConfirm(QWidget *parent, const std::vector<TColumn> &entries);

// Stands behind TConfirmDialog in the GUI: shows TfrmConfirm over the
// window given (which must outlive the handler).
class TGuiConfirmHandler : public TConfirmDialog::Handler {
public:
    explicit TGuiConfirmHandler(QWidget *parent)
        : parent_(parent)
    {
    }
    int Confirm(const std::vector<TColumn> &entries) override { return ExecuteConfirm(parent_, entries); }

private:
    QWidget *parent_;
};
