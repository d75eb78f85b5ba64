#pragma once

#include "documents/XmlTaxPayer.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The new-unit dialog. Captions and the code rule follow the collection
// type. "确定" is enabled while code and name are both filled in, and closes
// the dialog only when the code passes the rule (otherwise the rule's
// message is shown and the dialog stays open). Enter in the code box moves
// on to the name box; in the name box it confirms.
class TfrmTaxPayer : public QDialog {
    Q_OBJECT
public:
    explicit TfrmTaxPayer(const QString &collectionType, QWidget *parent = nullptr);

    // Fills the boxes from info (code and name).
    void SetInfo(const TTaxPayerInfo &info);
    // The unit accepted by "确定": trimmed code and name, empty SWJGDM.
    TTaxPayerInfo Info() const { return info_; }

public slots:
    void btnOKClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void UpdateOk();

    QString collectionType_;
    TTaxPayerInfo info_;
    QLineEdit *edtSWSBH_;
    QLineEdit *edtNSRMC_;
    QLineEdit *edtSWJGDM_;
    QPushButton *btnOK_;
};

// Shows the new-unit dialog modally over parent, starting with info's code
// and name. On "确定" info becomes the accepted unit and the result is true.
bool ExecuteNewUnit(QWidget *parent, const QString &collectionType, TTaxPayerInfo &info);
