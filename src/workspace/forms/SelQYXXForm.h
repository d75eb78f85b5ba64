#pragma once

#include "workspace/EnterpriseTable.h"

#include <QDialog>

#include <optional>

class QAction;
class QLineEdit;
class QTableView;
class QToolButton;
class TEnterprisePickModel;

// The enterprise picker: a window without a title bar over the table, with
// a search-kind button (by id, the default, or by name), a search box,
// "检索(&F)", the grid, "确定(&O)" and "取消(&C)". A search narrows only
// this picker's view; every picker starts with all rows and the first one
// current. "确定(&O)", Enter and a double click in the grid take the current
// row; with none current they warn "请选择纳税人信息！" and stay open.
// The search box has the focus at first; Enter in it searches, Down moves
// into the grid. Esc and "取消(&C)" close with nothing.
class TSelQYXXForm : public QDialog {
    Q_OBJECT
public:
    explicit TSelQYXXForm(const TEnterpriseTable &table, QWidget *parent = nullptr);

    // The row taken by "确定(&O)", after the dialog was accepted.
    std::optional<TEnterpriseList::Entry> Picked() const { return picked_; }

public slots:
    void SetSearchKind(TEnterpriseSearch kind);
    void btnSearchClick();
    void btnOKClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TEnterpriseSearch kind_ = TEnterpriseSearch::ById;
    const TEnterpriseTable &table_;
    TEnterprisePickModel *model_;
    QToolButton *btnSearchKind_;
    QAction *miById_;
    QAction *miByName_;
    QLineEdit *edtSearch_;
    QTableView *grdQYXX_;
    std::optional<TEnterpriseList::Entry> picked_;
};

// Shows the picker modally under a cell editor whose screen rectangle is
// editorGlobalRect (PlacePickerUnder, within the available area of the
// screen holding the editor); the chosen row, or nothing.
std::optional<TEnterpriseList::Entry> PickEnterprise(QWidget *parent, const TEnterpriseTable &table,
                                                     const QRect &editorGlobalRect);
// Shows the picker modally with its top-left corner at a screen point.
std::optional<TEnterpriseList::Entry> PickEnterpriseAt(QWidget *parent, const TEnterpriseTable &table,
                                                       const QPoint &globalTopLeft);
