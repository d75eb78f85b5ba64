#pragma once

#include "workspace/NavigationTree.h"

#include <QString>

// What a selection in the navigation tree offers: which items of the tree's
// context menu (mirrored into "操作(&O)") are shown and enabled, and which of
// the six command buttons of the toolbar are enabled. One pure function of
// the selection, so every case can be checked without a window.

struct TMenuItemState {
    bool visible = false;
    bool enabled = false;
    bool operator==(const TMenuItemState &) const = default;
};

struct TCommandOffer {
    // Context menu items, in menu order.
    TMenuItemState newUnit;      // "新增企业(&N)" or its collection-type caption
    TMenuItemState editUnit;     // "更改属性(&P)"
    TMenuItemState deleteUnit;   // "删除企业(&D)" or its collection-type caption
    TMenuItemState separator1;
    TMenuItemState newReport;    // "新增报表(&N)"
    TMenuItemState openForEdit;  // "修改报表(&E)"
    TMenuItemState openForView;  // "查看报表(&V)"
    TMenuItemState deleteReport; // "删除报表(&D)"
    TMenuItemState separator2;
    TMenuItemState declare;      // "数据申报(&B)"
    TMenuItemState undeclare;    // "修改申报(&G)"

    // Toolbar buttons.
    bool newUnitButton = false;
    bool deleteUnitButton = false;
    bool newReportButton = false;
    bool deleteReportButton = false;
    bool declareButton = false;
    bool undeclareButton = false;

    // Only a report selection decides the print button ("打印清单"); other
    // selections leave it as it is.
    bool decidesPrint = false;
    bool printButton = false;

    bool operator==(const TCommandOffer &) const = default;
};

struct TSelection {
    TNodeKind kind = TNodeKind::Root;
    int status = 1;              // report nodes: STATUS
    QString collectionType;      // "CJLX"
    bool rootHasChild = false;   // a unit exists already
    bool isCurrentReport = false; // report nodes: the report open in the grid
    bool interfaceFileExists = false; // report nodes: its declared file is in the declaration folder
};

// Whether a new unit may be added: the single-unit collection types
// ("CGZK", "CGSK", "CGDK", "DKZK") allow one; every other allows any number.
bool NewUnitAllowed(const QString &collectionType, bool rootHasChild);

TCommandOffer OfferFor(const TSelection &selection);
