#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

// "详细内容": one result row's text in full, read-only (it can be selected
// and copied). "确定" is the default button; it and Esc close the dialog.
class TfrmContent : public QDialog {
    Q_OBJECT
public:
    explicit TfrmContent(const QString &text, QWidget *parent = nullptr);

private:
    QPlainTextEdit *txtContent_;
    QPushButton *btnOK_;
};

// Shows text in the details dialog modally over parent.
void ShowContent(const QString &text, QWidget *parent);
