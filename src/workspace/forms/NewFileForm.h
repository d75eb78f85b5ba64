#pragma once

#include <QDialog>

class QSpinBox;

// The new-report dialog: the period of the report as a year and a month.
// "确定" closes it only for a valid period.
class TfrmNewFile : public QDialog {
    Q_OBJECT
public:
    explicit TfrmNewFile(QWidget *parent = nullptr);

    // Year from the first four characters of period, month from the fifth
    // and sixth; values outside the boxes' ranges are pulled into them.
    void SetPeriod(const QString &period);
    // The boxes as "yyyyMM".
    QString Period() const;

public slots:
    void btnOKClick();

private:
    QSpinBox *edtYear_;
    QSpinBox *edtMonth_;
};

// Shows the dialog modally over parent with the proposed period. On "确定"
// period becomes the chosen one ("yyyyMM", valid) and the result is true.
bool ExecuteNewFile(QWidget *parent, QString &period);
