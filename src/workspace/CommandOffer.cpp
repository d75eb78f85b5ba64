#include "workspace/CommandOffer.h"

#include "documents/XmlFileManager.h"
#include "workspace/CollectionType.h"

namespace {

constexpr TMenuItemState kShown{true, true};

} // namespace

bool NewUnitAllowed(const QString &collectionType, bool rootHasChild)
{
    return !CollectionTypeTexts(collectionType).singleUnit || !rootHasChild;
}

TCommandOffer OfferFor(const TSelection &selection)
{
    TCommandOffer offer;
    switch (selection.kind) {
    case TNodeKind::Root:
        if (NewUnitAllowed(selection.collectionType, selection.rootHasChild)) {
            offer.newUnit = kShown;
            offer.newUnitButton = true;
        }
        break;
    case TNodeKind::TaxPayer:
        offer.editUnit = kShown;
        offer.deleteUnit = kShown;
        offer.deleteUnitButton = true;
        break;
    case TNodeKind::Schema:
        offer.newReport = kShown;
        offer.newReportButton = true;
        break;
    case TNodeKind::Report: {
        const bool awaiting = selection.status == kStatusAwaiting;
        (awaiting ? offer.openForEdit : offer.openForView) = {true, !selection.isCurrentReport};
        offer.deleteReport = kShown;
        offer.separator2 = kShown;
        offer.declare = kShown;
        if (!awaiting)
            offer.undeclare = kShown;
        offer.deleteReportButton = true;
        offer.declareButton = true;
        offer.undeclareButton = !awaiting;
        offer.decidesPrint = true;
        offer.printButton = selection.status == kStatusDeclared && selection.interfaceFileExists;
        break;
    }
    }
    return offer;
}
