#include "app/utils/MessageBox.h"
#include "app/utils/WaitPanel.h"
#include "widgets/AboutForm.h"
#include "widgets/GuiMessageBox.h"
#include "widgets/Icons.h"
#include "widgets/WaitForm.h"
#include "DialogDriver.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// ---- message boxes --------------------------------------------------------

struct BoxCase {
    const char *name;
    int flags;
    QList<int> codes; // the buttons, in the order the default index counts them
    int defaultCode;
    int escapeCode;
    QMessageBox::Icon icon;
};
void PrintTo(const BoxCase &c, std::ostream *os) { *os << c.name; }

QMessageBox::StandardButton StandardOf(int code)
{
    switch (code) {
    case TMessageBox::IdCancel: return QMessageBox::Cancel;
    case TMessageBox::IdYes: return QMessageBox::Yes;
    case TMessageBox::IdNo: return QMessageBox::No;
    default: return QMessageBox::Ok;
    }
}

QString TextOf(int code)
{
    switch (code) {
    case TMessageBox::IdCancel: return QStringLiteral("取消");
    case TMessageBox::IdYes: return QStringLiteral("是(&Y)");
    case TMessageBox::IdNo: return QStringLiteral("否(&N)");
    default: return QStringLiteral("确定");
    }
}

class MessageBoxStyleTest : public ::testing::TestWithParam<BoxCase> {};

TEST_P(MessageBoxStyleTest, FlagsChooseButtonsIconAndDefault)
{
    const BoxCase &c = GetParam();
    const auto box = TGuiMessageBox::Build(nullptr, QStringLiteral("标题"), QStringLiteral("<b>正文</b>"), c.flags);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("标题"));
    EXPECT_EQ(box->text(), QStringLiteral("<b>正文</b>"));
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(box->icon(), c.icon);
    EXPECT_EQ(box->buttons().size(), c.codes.size());
    for (int code : c.codes) {
        QAbstractButton *button = box->button(StandardOf(code));
        ASSERT_NE(button, nullptr) << code;
        EXPECT_EQ(button->text(), TextOf(code));
        EXPECT_EQ(TGuiMessageBox::ButtonCode(*box, button), code);
    }
    EXPECT_EQ(TGuiMessageBox::ButtonCode(*box, box->defaultButton()), c.defaultCode);
    EXPECT_EQ(TGuiMessageBox::ButtonCode(*box, box->escapeButton()), c.escapeCode);
    EXPECT_EQ(TGuiMessageBox::ButtonCode(*box, nullptr), c.escapeCode);
    // Nobody to ask gives the same answer as Enter on the real box.
    EXPECT_EQ(TMessageBox::DefaultButton(c.flags), c.defaultCode);
}

using M = TMessageBox;
INSTANTIATE_TEST_SUITE_P(
    Styles, MessageBoxStyleTest,
    ::testing::Values(
        BoxCase{"Error", 16, {M::IdOk}, M::IdOk, M::IdOk, QMessageBox::Critical},
        BoxCase{"Warning", 48, {M::IdOk}, M::IdOk, M::IdOk, QMessageBox::Warning},
        BoxCase{"Information", 64, {M::IdOk}, M::IdOk, M::IdOk, QMessageBox::Information},
        BoxCase{"Plain", 0, {M::IdOk}, M::IdOk, M::IdOk, QMessageBox::NoIcon},
        BoxCase{"QuestionOkCancel", 33, {M::IdOk, M::IdCancel}, M::IdOk, M::IdCancel, QMessageBox::Question},
        BoxCase{"QuestionYesNoCancel", 35, {M::IdYes, M::IdNo, M::IdCancel}, M::IdYes, M::IdCancel,
                QMessageBox::Question},
        BoxCase{"QuestionYesNo", 36, {M::IdYes, M::IdNo}, M::IdYes, M::IdNo, QMessageBox::Question},
        BoxCase{"WarningOkCancelDefaultCancel", 305, {M::IdOk, M::IdCancel}, M::IdCancel, M::IdCancel,
                QMessageBox::Warning},
        BoxCase{"WarningYesNoCancelDefaultNo", 307, {M::IdYes, M::IdNo, M::IdCancel}, M::IdNo, M::IdCancel,
                QMessageBox::Warning},
        BoxCase{"YesNoCancelDefaultThird", 32 + 3 + 0x200, {M::IdYes, M::IdNo, M::IdCancel}, M::IdCancel,
                M::IdCancel, QMessageBox::Question},
        BoxCase{"YesNoDefaultSecond", 36 + 0x100, {M::IdYes, M::IdNo}, M::IdNo, M::IdNo, QMessageBox::Question},
        BoxCase{"IndexBeyondTheButtons", 48 + 0x200, {M::IdOk}, M::IdOk, M::IdOk, QMessageBox::Warning}),
    [](const ::testing::TestParamInfo<BoxCase> &info) { return std::string(info.param.name); });

TEST(GuiMessageBoxTest, AskAnswersWithTheKeyPressed)
{
    TGuiMessageBox handler;
    TMessageBox::SetHandler(&handler);
    TMessageBox::SetApplicationTitle(QStringLiteral("采集客户端"));
    WhenModal([](QWidget *box) {
        EXPECT_EQ(box->windowTitle(), QStringLiteral("采集客户端"));
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_EQ(TMessageBox::Show(QStringLiteral("您确认要删除此单位吗?"), 305), TMessageBox::IdCancel);
    WhenModal([](QWidget *box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_EQ(TMessageBox::Show(QStringLiteral("保存吗?"), 36), TMessageBox::IdNo);
    WhenModal([](QWidget *box) {
        static_cast<QMessageBox *>(box)->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(TMessageBox::ShowCaption(QStringLiteral("保存吗?"), QStringLiteral("警告"), 307), TMessageBox::IdYes);
    TMessageBox::SetHandler(nullptr);
    TMessageBox::SetApplicationTitle(QString());
}

// ---- wait panel and About box -----------------------------------------------

QList<TfrmWait *> WaitPanels()
{
    QList<TfrmWait *> panels;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *panel = qobject_cast<TfrmWait *>(widget))
            panels << panel;
    return panels;
}

TEST(WaitPanelTest, ShowTwiceKeepsOnePanelWithTheLatestMessage)
{
    TGuiWaitPanel handler;
    TWaitPanel::SetHandler(&handler);
    TWaitPanel::Show(QStringLiteral("正在打开报表，请稍候..."));
    TWaitPanel::Show(QStringLiteral("正在申报，请稍候..."));
    ASSERT_EQ(WaitPanels().size(), 1);
    TfrmWait *panel = WaitPanels().first();
    EXPECT_EQ(panel, handler.Panel());
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(Child<QLabel>(panel, "lblMessage")->text(), QStringLiteral("正在申报，请稍候..."));
    EXPECT_GE(panel->width(), 247);
    EXPECT_GE(panel->height(), 51);
    EXPECT_TRUE(panel->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(panel->windowFlags() & Qt::FramelessWindowHint);

    TWaitPanel::Close();
    EXPECT_TRUE(WaitPanels().isEmpty());
    TWaitPanel::Show(QStringLiteral("再次"));
    ASSERT_EQ(WaitPanels().size(), 1);
    EXPECT_EQ(handler.Panel()->Message(), QStringLiteral("再次"));
    TWaitPanel::Close();
    TWaitPanel::SetHandler(nullptr);
}

TEST(AboutBoxTest, NamesTheApplicationAndClosesWithEsc)
{
    TMessageBox::SetApplicationTitle(QStringLiteral("月度申报采集"));
    TfrmAbout about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("关于"));
    EXPECT_EQ(Child<QLabel>(&about, "lblName")->text(), QStringLiteral("软件名称: 月度申报采集"));
    EXPECT_EQ(Child<QPushButton>(&about, "btnOK")->text(), QStringLiteral("确定"));
    about.show();
    QTest::keyClick(&about, Qt::Key_Escape);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Rejected);
    TMessageBox::SetApplicationTitle(QString());
}

// ---- icons ---------------------------------------------------------------

QImage ImageOf(const QIcon &icon, int size, QIcon::Mode mode = QIcon::Normal)
{
    return icon.pixmap(QSize(size, size), 1.0, mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

int OpaquePixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 128;
    return count;
}

TEST(IconsTest, EveryIconIsPaintedAtSmallAndLargeSizesAndTheyDiffer)
{
    QList<QPair<QString, QIcon>> icons{{QStringLiteral("app"), AppIcon()}, {QStringLiteral("wait"), WaitIcon()}};
    for (int role = 0; role <= static_cast<int>(TTreeIcon::Declared); ++role)
        icons.append({QStringLiteral("tree %1").arg(role), TreeIcon(static_cast<TTreeIcon>(role))});
    for (TCommandIcon command : AllCommandIcons())
        icons.append({QStringLiteral("command %1").arg(static_cast<int>(command)), CommandIcon(command)});

    QSet<QByteArray> seen;
    for (const auto &[name, icon] : icons) {
        for (int size : {16, 32}) {
            const QImage image = ImageOf(icon, size);
            EXPECT_EQ(image.size(), QSize(size, size)) << name.toStdString();
            EXPECT_GT(OpaquePixels(image), size * size / 8) << name.toStdString() << " at " << size;
        }
        const QImage large = ImageOf(icon, 32);
        const QByteArray bits(reinterpret_cast<const char *>(large.constBits()), large.sizeInBytes());
        EXPECT_FALSE(seen.contains(bits)) << name.toStdString() << " looks like another icon";
        seen.insert(bits);
    }
    const QIcon schema = TreeIcon(TTreeIcon::Schema);
    EXPECT_NE(ImageOf(schema, 16, QIcon::Selected), ImageOf(schema, 16, QIcon::Normal));
}

} // namespace
