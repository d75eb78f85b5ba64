#include "workspace/CommandOffer.h"

#include <gtest/gtest.h>

namespace {

constexpr TMenuItemState kHidden{false, false};
constexpr TMenuItemState kShown{true, true};
constexpr TMenuItemState kDisabled{true, false};

struct OfferCase {
    const char *name;
    TSelection selection;
    TCommandOffer expected;
};

TCommandOffer Offer(std::initializer_list<TMenuItemState TCommandOffer::*> shown,
                    std::initializer_list<bool TCommandOffer::*> buttons)
{
    TCommandOffer offer;
    for (auto item : shown)
        offer.*item = kShown;
    for (auto button : buttons)
        offer.*button = true;
    return offer;
}

TCommandOffer ReportOffer(bool awaiting, bool current, bool print)
{
    TCommandOffer offer = Offer({&TCommandOffer::deleteReport, &TCommandOffer::separator2, &TCommandOffer::declare},
                                {&TCommandOffer::deleteReportButton, &TCommandOffer::declareButton});
    (awaiting ? offer.openForEdit : offer.openForView) = current ? kDisabled : kShown;
    if (!awaiting) {
        offer.undeclare = kShown;
        offer.undeclareButton = true;
    }
    offer.decidesPrint = true;
    offer.printButton = print;
    return offer;
}

TSelection Report(int status, bool current = false, bool fileExists = false)
{
    return {TNodeKind::Report, status, QString(), true, current, fileExists};
}

class CommandOfferTest : public ::testing::TestWithParam<OfferCase> {};

TEST_P(CommandOfferTest, FollowsTheSelection) { EXPECT_EQ(OfferFor(GetParam().selection), GetParam().expected); }

const TCommandOffer kNewUnit = Offer({&TCommandOffer::newUnit}, {&TCommandOffer::newUnitButton});
const TCommandOffer kNothing;

INSTANTIATE_TEST_SUITE_P(
    Selections, CommandOfferTest,
    ::testing::Values(
        OfferCase{"RootOfAnEmptySingleUnitWorkspace", {TNodeKind::Root, 1, "CGSK", false}, kNewUnit},
        OfferCase{"RootWithTheOneUnit", {TNodeKind::Root, 1, "cgsk", true}, kNothing},
        OfferCase{"RootWithTheOneUnitDKZK", {TNodeKind::Root, 1, "DKZK", true}, kNothing},
        OfferCase{"RootOfAMultiUnitType", {TNodeKind::Root, 1, "DLZK", true}, kNewUnit},
        OfferCase{"RootOfAnEmptyType", {TNodeKind::Root, 1, "", true}, kNewUnit},
        OfferCase{"TaxPayer", {TNodeKind::TaxPayer, 1, "CGZK", true},
                  Offer({&TCommandOffer::editUnit, &TCommandOffer::deleteUnit}, {&TCommandOffer::deleteUnitButton})},
        OfferCase{"Schema", {TNodeKind::Schema, 1, "", true},
                  Offer({&TCommandOffer::newReport}, {&TCommandOffer::newReportButton})},
        OfferCase{"AwaitingReportNotYetOpen", Report(1), ReportOffer(true, false, false)},
        OfferCase{"AwaitingReportOpen", Report(1, true), ReportOffer(true, true, false)},
        OfferCase{"DeclaredWithItsFile", Report(9, true, true), ReportOffer(false, true, true)},
        OfferCase{"DeclaredWithoutItsFile", Report(9, true, false), ReportOffer(false, true, false)},
        OfferCase{"OtherStatusNeverPrints", Report(5, false, true), ReportOffer(false, false, false)}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
