#pragma once

#include "entry/ReportGrid.h"

#include <QDialog>

class QCheckBox;
class QRadioButton;

// The options dialog: the two data-entry preferences and the print style.
// The second print item is chosen exactly when the style is "XP" (letter
// case ignored); "确定" returns "XP" or "98".
class TfrmOptions : public QDialog {
    Q_OBJECT
public:
    explicit TfrmOptions(QWidget *parent = nullptr);

    void SetOptions(const TOptionsRec &options);
    TOptionsRec Options() const;

private:
    QCheckBox *cbxAlwaysShowEditor_;
    QCheckBox *cbxAutoCopy_;
    QRadioButton *rbt98_;
    QRadioButton *rbtXP_;
};

// Shows the options dialog modally over parent, started with options. On
// "确定" options holds the choices and the result is true; "取消" and Esc
// change nothing.
bool ExecuteOptions(QWidget *parent, TOptionsRec &options);
