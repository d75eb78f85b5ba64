#include "app/utils/MessageBox.h"
#include "workspace/forms/NewFileForm.h"
#include "workspace/forms/RenameForm.h"
#include "workspace/forms/TaxPayerForm.h"
#include "DialogDriver.h"
#include "ScriptedPrompts.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString kTaxpayerIdRule = QStringLiteral("纳税人识别号错误！必须是15位至20位0..9,A..Z,a-z的字符组成！");
const QString kAuthorityRule = QStringLiteral("税务机关代码错误！必须是7,9位0..9的字符组成！");

std::string NameOf(const char *name) { return name; }

// ---- new unit ---------------------------------------------------------------

struct CaptionCase {
    const char *name;
    QString collectionType;
    QString caption, codeLabel, nameLabel;
};
void PrintTo(const CaptionCase &c, std::ostream *os) { *os << c.name; }

class TaxPayerCaptionTest : public ::testing::TestWithParam<CaptionCase> {};

TEST_P(TaxPayerCaptionTest, CaptionsFollowTheCollectionType)
{
    const CaptionCase &c = GetParam();
    TfrmTaxPayer dialog(c.collectionType);
    EXPECT_EQ(dialog.windowTitle(), c.caption);
    EXPECT_EQ(Child<QLabel>(&dialog, "lblSWSBH")->text(), c.codeLabel);
    EXPECT_EQ(Child<QLabel>(&dialog, "lblNSRMC")->text(), c.nameLabel);
    dialog.show();
    EXPECT_FALSE(Child<QLineEdit>(&dialog, "edtSWJGDM")->isVisible());
    EXPECT_EQ(Child<QLineEdit>(&dialog, "edtSWSBH")->maxLength(), 20);
}

INSTANTIATE_TEST_SUITE_P(
    NewUnit, TaxPayerCaptionTest,
    ::testing::Values(
        CaptionCase{"Agency", QStringLiteral("CGDK"), QStringLiteral("新增中介机构"),
                    QStringLiteral("中介机构代码(&C):"), QStringLiteral("中介机构名称(&N):")},
        CaptionCase{"AuthorityLowerCase", QStringLiteral("cgsk"), QStringLiteral("新增税务机关"),
                    QStringLiteral("税务机关代码(&C):"), QStringLiteral("税务机关名称(&N):")},
        CaptionCase{"SingleTaxpayer", QStringLiteral("CGZK"), QStringLiteral("新增纳税人"),
                    QStringLiteral("纳税人识别号(&H):"), QStringLiteral("纳税人名称(&N):")},
        CaptionCase{"Empty", QString(), QStringLiteral("新增纳税人"), QStringLiteral("纳税人识别号(&H):"),
                    QStringLiteral("纳税人名称(&N):")}),
    [](const ::testing::TestParamInfo<CaptionCase> &info) { return NameOf(info.param.name); });

struct UnitCase {
    const char *name;
    QString collectionType;
    QString code, unitName;
    QString message;      // empty: accepted
    QString storedCode;   // when accepted
};
void PrintTo(const UnitCase &c, std::ostream *os) { *os << c.name; }

class TaxPayerAcceptTest : public ::testing::TestWithParam<UnitCase> {
protected:
    ScriptedMessages messages;
};

TEST_P(TaxPayerAcceptTest, OkAppliesTheCodeRuleBeforeTrimming)
{
    const UnitCase &c = GetParam();
    TfrmTaxPayer dialog(c.collectionType);
    dialog.show();
    Child<QLineEdit>(&dialog, "edtSWSBH")->setText(c.code);
    Child<QLineEdit>(&dialog, "edtNSRMC")->setText(c.unitName);
    auto *btnOK = Child<QPushButton>(&dialog, "btnOK");
    ASSERT_TRUE(btnOK->isEnabled());
    btnOK->click();
    if (c.message.isEmpty()) {
        EXPECT_TRUE(messages.shown().isEmpty()) << messages.last().toStdString();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.Info().SWSBH, c.storedCode);
        EXPECT_EQ(dialog.Info().NSRMC, QStringLiteral("北京运输有限公司"));
        EXPECT_TRUE(dialog.Info().SWJGDM.isEmpty());
    } else {
        ASSERT_EQ(messages.shown().size(), 1);
        EXPECT_EQ(messages.last(), c.message);
        EXPECT_EQ(messages.shown().first().flags, TMessageBox::WarningOk);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(Child<QLineEdit>(&dialog, "edtSWSBH")->text(), c.code); // left for correcting
    }
}

const QString kName = QStringLiteral(" 北京运输有限公司  ");

INSTANTIATE_TEST_SUITE_P(
    NewUnit, TaxPayerAcceptTest,
    ::testing::Values(
        UnitCase{"TaxpayerId", QString(), QStringLiteral("110101198001010"), kName, QString(),
                 QStringLiteral("110101198001010")},
        UnitCase{"LowerCaseIdKeptAsTyped", QStringLiteral("CGZK"), QStringLiteral("11010119800101ab"), kName,
                 QString(), QStringLiteral("11010119800101ab")},
        UnitCase{"LeadingSpaceRefused", QString(), QStringLiteral(" 110101198001010"), kName, kTaxpayerIdRule, {}},
        UnitCase{"TrailingSpaceRefused", QString(), QStringLiteral("110101198001010 "), kName, kTaxpayerIdRule,
                 {}},
        UnitCase{"FourteenCharactersRefused", QString(), QStringLiteral("11010119800101"), kName, kTaxpayerIdRule,
                 {}},
        UnitCase{"AuthoritySevenDigits", QStringLiteral("CGSK"), QStringLiteral("1101010"), kName, QString(),
                 QStringLiteral("1101010")},
        UnitCase{"AuthorityNineDigits", QStringLiteral("CGSK"), QStringLiteral("110101000"), kName, QString(),
                 QStringLiteral("110101000")},
        UnitCase{"AuthorityEightDigitsRefused", QStringLiteral("CGSK"), QStringLiteral("11010100"), kName,
                 kAuthorityRule, {}},
        UnitCase{"AuthorityLetterRefused", QStringLiteral("CGSK"), QStringLiteral("110101A"), kName,
                 kAuthorityRule, {}},
        UnitCase{"AgencyUsesTheTaxpayerIdRule", QStringLiteral("CGDK"), QStringLiteral("1101010"), kName,
                 kTaxpayerIdRule, {}}),
    [](const ::testing::TestParamInfo<UnitCase> &info) { return NameOf(info.param.name); });

TEST(TaxPayerDialogTest, OkIsEnabledOnlyWhileCodeAndNameAreFilledIn)
{
    TfrmTaxPayer dialog{QString()};
    auto *code = Child<QLineEdit>(&dialog, "edtSWSBH");
    auto *name = Child<QLineEdit>(&dialog, "edtNSRMC");
    auto *btnOK = Child<QPushButton>(&dialog, "btnOK");
    EXPECT_FALSE(btnOK->isEnabled());
    code->setText(QStringLiteral("1"));
    EXPECT_FALSE(btnOK->isEnabled());
    name->setText(QStringLiteral("   "));
    EXPECT_FALSE(btnOK->isEnabled());
    name->setText(QStringLiteral("甲"));
    EXPECT_TRUE(btnOK->isEnabled());
    code->setText(QStringLiteral(" "));
    EXPECT_FALSE(btnOK->isEnabled());
    dialog.SetInfo(TTaxPayerRec{QStringLiteral("110101198001010"), QStringLiteral("甲"), QString()});
    EXPECT_TRUE(btnOK->isEnabled());
}

TEST(TaxPayerDialogTest, EnterMovesFromCodeToNameAndThenConfirms)
{
    ScriptedMessages messages;
    TfrmTaxPayer dialog{QString()};
    dialog.SetInfo(TTaxPayerRec{QStringLiteral("110101198001010"), QStringLiteral("甲公司"), QString()});
    ASSERT_TRUE(ShowActive(&dialog));
    auto *code = Child<QLineEdit>(&dialog, "edtSWSBH");
    auto *name = Child<QLineEdit>(&dialog, "edtNSRMC");
    auto *btnOK = Child<QPushButton>(&dialog, "btnOK");
    ASSERT_EQ(QApplication::focusWidget(), code);
    EXPECT_FALSE(btnOK->isDefault());
    QTest::keyClick(code, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible()); // complete, but Enter in the code box does not confirm
    EXPECT_EQ(QApplication::focusWidget(), name);
    EXPECT_TRUE(btnOK->isDefault());
    QTest::keyClick(name, Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), code);
    EXPECT_FALSE(btnOK->isDefault());
    QTest::keyClick(code, Qt::Key_Return);
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Info().NSRMC, QStringLiteral("甲公司"));
}

TEST(TaxPayerDialogTest, EnterOnTheFocusedCancelButtonCancels)
{
    TfrmTaxPayer dialog{QString()};
    dialog.SetInfo(TTaxPayerRec{QStringLiteral("110101198001010"), QStringLiteral("甲公司"), QString()});
    ASSERT_TRUE(ShowActive(&dialog));
    auto *btnCancel = Child<QPushButton>(&dialog, "btnCancel");
    btnCancel->setFocus(Qt::TabFocusReason);
    EXPECT_FALSE(Child<QPushButton>(&dialog, "btnOK")->isDefault());
    QTest::keyClick(btnCancel, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(TaxPayerDialogTest, ExecuteNewUnitStartsWithTheRecordAndFillsItOnOk)
{
    TTaxPayerInfo info{QStringLiteral("110101198001010"), QStringLiteral(" 甲 "), QStringLiteral("old")};
    WhenModal([](QWidget *dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    EXPECT_FALSE(ExecuteNewUnit(nullptr, QString(), info));
    EXPECT_EQ(info.SWJGDM, QStringLiteral("old"));

    WhenModal([](QWidget *dialog) {
        EXPECT_EQ(Child<QLineEdit>(dialog, "edtSWSBH")->text(), QStringLiteral("110101198001010"));
        EXPECT_EQ(Child<QLineEdit>(dialog, "edtNSRMC")->text(), QStringLiteral(" 甲 "));
        Child<QPushButton>(dialog, "btnOK")->click();
    });
    EXPECT_TRUE(ExecuteNewUnit(nullptr, QString(), info));
    EXPECT_EQ(info.SWSBH, QStringLiteral("110101198001010"));
    EXPECT_EQ(info.NSRMC, QStringLiteral("甲"));
    EXPECT_TRUE(info.SWJGDM.isEmpty());
}

// ---- rename -------------------------------------------------------------------

TEST(RenameDialogTest, OkNeedsANonBlankNameAndReturnsItTrimmed)
{
    TfrmRename dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("更改属性"));
    EXPECT_EQ(Child<QLabel>(&dialog, "lblName")->text(), QStringLiteral("新的名称(&N):"));
    auto *edtName = Child<QLineEdit>(&dialog, "edtName");
    auto *btnOK = Child<QPushButton>(&dialog, "btnOK");
    EXPECT_TRUE(btnOK->isDefault());
    for (const QString &blank : {QString(), QStringLiteral("   "), QStringLiteral("\t")}) {
        edtName->setText(blank);
        EXPECT_FALSE(btnOK->isEnabled()) << blank.toStdString();
    }
    edtName->setText(QStringLiteral("  乙公司 "));
    EXPECT_TRUE(btnOK->isEnabled());
    EXPECT_EQ(dialog.Name(), QStringLiteral("乙公司"));
    dialog.SetName(QString(70, QLatin1Char('x')));
    EXPECT_EQ(edtName->text().size(), 60);

    QString name = QStringLiteral("甲公司");
    WhenModal([](QWidget *d) {
        EXPECT_EQ(Child<QLineEdit>(d, "edtName")->text(), QStringLiteral("甲公司"));
        Child<QLineEdit>(d, "edtName")->setText(QStringLiteral(" 丙公司 "));
        Child<QPushButton>(d, "btnOK")->click();
    });
    EXPECT_TRUE(ExecuteRename(nullptr, name));
    EXPECT_EQ(name, QStringLiteral("丙公司"));
    WhenModal([](QWidget *d) { Child<QPushButton>(d, "btnCancel")->click(); });
    EXPECT_FALSE(ExecuteRename(nullptr, name));
    EXPECT_EQ(name, QStringLiteral("丙公司"));
}

// ---- new report ---------------------------------------------------------------

struct PeriodCase {
    const char *name;
    QString given;
    int year, month;
    QString result;
};
void PrintTo(const PeriodCase &c, std::ostream *os) { *os << c.name; }

class NewFilePeriodTest : public ::testing::TestWithParam<PeriodCase> {};

TEST_P(NewFilePeriodTest, PeriodIsSplitOnShowAndJoinedZeroPadded)
{
    const PeriodCase &c = GetParam();
    TfrmNewFile dialog;
    dialog.SetPeriod(c.given);
    EXPECT_EQ(Child<QSpinBox>(&dialog, "edtYear")->value(), c.year);
    EXPECT_EQ(Child<QSpinBox>(&dialog, "edtMonth")->value(), c.month);
    EXPECT_EQ(dialog.Period(), c.result);
}

INSTANTIATE_TEST_SUITE_P(
    NewFile, NewFilePeriodTest,
    ::testing::Values(PeriodCase{"September", QStringLiteral("200309"), 2003, 9, QStringLiteral("200309")},
                      PeriodCase{"December", QStringLiteral("200612"), 2006, 12, QStringLiteral("200612")},
                      PeriodCase{"FirstOfTheRange", QStringLiteral("198001"), 1980, 1, QStringLiteral("198001")},
                      PeriodCase{"LastOfTheRange", QStringLiteral("999912"), 9999, 12, QStringLiteral("999912")},
                      PeriodCase{"OutOfRangeIsPulledIn", QStringLiteral("197013"), 1980, 12,
                                 QStringLiteral("198012")}),
    [](const ::testing::TestParamInfo<PeriodCase> &info) { return NameOf(info.param.name); });

TEST(NewFileDialogTest, ExecuteNewFileReturnsTheChosenPeriod)
{
    ScriptedMessages messages;
    QString period = QStringLiteral("200312");
    WhenModal([](QWidget *dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("新增报表"));
        EXPECT_TRUE(Child<QPushButton>(dialog, "btnOK")->isDefault());
        Child<QSpinBox>(dialog, "edtYear")->setValue(2004);
        Child<QSpinBox>(dialog, "edtMonth")->setValue(1);
        Child<QPushButton>(dialog, "btnOK")->click();
    });
    EXPECT_TRUE(ExecuteNewFile(nullptr, period));
    EXPECT_EQ(period, QStringLiteral("200401"));
    EXPECT_TRUE(messages.shown().isEmpty());

    WhenModal([](QWidget *dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    EXPECT_FALSE(ExecuteNewFile(nullptr, period));
    EXPECT_EQ(period, QStringLiteral("200401"));
}

} // namespace
