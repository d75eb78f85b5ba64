#pragma once

#include <QDialog>

#include <vector>

class QAbstractButton;
class QWidget;
class TEnterpriseTable;
class TReportGrid;
class TXmlDataSet;
struct TDataChange;

// The vertical record editor ("记录编辑"): one line per field of the open
// report, in field order, each a label and a control bound to the field of
// the current record (a check box for BOOLEAN, a date editor for DATE, an
// edit box with a button for an id field, an edit box otherwise; the
// column's COMMENT as the control's tool tip). A control writes its field
// when it is left; the controls follow the report's changes (computed
// values, moves). Enter moves to the next control like Down.
//
// "保存并新增(&S)" posts and appends; "取消" and Esc ask about a changed
// record and close; the navigator moves between records. The id field's
// button opens the enterprise picker below the control; leaving an id
// control fills its name field from the enterprise list.
class TfrmRecEdit : public QDialog {
    Q_OBJECT
public:
    TfrmRecEdit(TReportGrid &grid, TEnterpriseTable *enterprises, QWidget *parent = nullptr);
    ~TfrmRecEdit() override;

    // The control bound to field index (nullptr when none).
    QWidget *Control(int field) const;

public slots:
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *BuildControl(int field);
    void Refresh();
    // Writes a control's text into its field (the record is edited first).
    void Commit(int field);
    void Pick(int field);
    void CommitFocused();
    void SaveAndAppend();

    TReportGrid &grid_;
    TXmlDataSet &report_;
    TEnterpriseTable *enterprises_;
    std::vector<QWidget *> controls_;
    int listener_ = 0;
    bool refreshing_ = false;
};

// Shows the record editor modally over parent when grid may open it.
void ShowRecordEditor(QWidget *parent, TReportGrid &grid, TEnterpriseTable *enterprises);
