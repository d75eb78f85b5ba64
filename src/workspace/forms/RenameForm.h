#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

// The rename dialog of a unit: one name box (at most 60 characters);
// "确定" is enabled while the name is not blank.
class TfrmRename : public QDialog {
    Q_OBJECT
public:
    explicit TfrmRename(QWidget *parent = nullptr);

    void SetName(const QString &name);
    // The name as entered, trimmed.
    QString Name() const;

private:
    void UpdateOk();

    QLineEdit *edtName_;
    QPushButton *btnOK_;
};

// Shows the rename dialog modally over parent, starting with name. On "确定"
// name becomes the trimmed new name and the result is true.
bool ExecuteRename(QWidget *parent, QString &name);
