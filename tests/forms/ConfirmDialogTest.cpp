// The double-entry confirmation dialog behind TConfirmDialog: what the
// operator sees, what typing gives, and the demo's confirmed columns laid
// out without clipping.

#include "DialogDriver.h"
#include "TempWorkspace.h"
#include "app/utils/ApplicationInfo.h"
#include "entry/RecordValidation.h"
#include "entry/forms/ConfirmForm.h"
#include "reportdata/XmlDataSet.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

std::vector<TColumn> Entries()
{
    TColumn fphm{QStringLiteral("FPHM"), QStringLiteral("发票号码"), QStringLiteral("TEXT"), 8,
                 QStringLiteral("运输发票右上角的发票号码，8位数字。"), QStringLiteral("00031507")};
    TColumn yfje{QStringLiteral("YFJE"), QStringLiteral("运费金额"), QStringLiteral("CURRENCY"), 0,
                 QStringLiteral("发票上注明的运费金额。"), QStringLiteral("12.50")};
    TColumn kprq{QStringLiteral("KPRQ"), QStringLiteral("开票日期"), QStringLiteral("DATE"), 0, QString(),
                 QStringLiteral("20060105")};
    return {fphm, yfje, kprq};
}

// Confim through the GUI handler with the operator typing texts into the
// boxes in order and then pressing key (Enter confirms from the last box,
// Escape cancels).
int TypeAndConfirm(const QStringList &texts, Qt::Key key = Qt::Key_Return)
{
    QWidget window;
    TGuiConfirmHandler handler(&window);
    TConfirmDialog::SetHandler(&handler);
    WhenModal([texts, key](QWidget *modal) {
        auto *dialog = qobject_cast<TfrmConfirm *>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
        for (int i = 0; i < texts.size(); ++i) {
            QLineEdit *box = dialog->ValueBox(i);
            EXPECT_EQ(QApplication::focusWidget(), box) << "box " << i;
            QTest::keyClicks(box, texts.at(i));
            if (i + 1 < texts.size())
                QTest::keyClick(box, Qt::Key_Return); // on to the next box
        }
        QTest::keyClick(QApplication::focusWidget(), key);
        if (dialog->isVisible())
            dialog->reject();
    });
    const int answer = TConfirmDialog::Confim(Entries());
    TConfirmDialog::SetHandler(nullptr);
    return answer;
}

TEST(ConfirmDialog, ValuesTypedAgainConfirm)
{
    EXPECT_EQ(TypeAndConfirm({"00031507", "12.5", "2006-1-5"}), 0);
}

TEST(ConfirmDialog, TheFirstEntryThatDiffersIsAnswered)
{
    EXPECT_EQ(TypeAndConfirm({"00031507", "12.05", "2006-01-06"}), 2);
    EXPECT_EQ(TypeAndConfirm({"0003157", "12.50", "20060105"}), 1);
}

TEST(ConfirmDialog, EscapeAbandons)
{
    EXPECT_EQ(TypeAndConfirm({"00031507"}, Qt::Key_Escape), -1);
}

TEST(ConfirmDialog, CancelAbandonsAndOkChecksEveryBox)
{
    TfrmConfirm dialog(Entries());
    dialog.ValueBox(0)->setText(QStringLiteral("00031507"));
    dialog.ValueBox(1)->setText(QStringLiteral("12.50"));
    Child<QPushButton>(&dialog, "btnOK")->click();
    EXPECT_EQ(dialog.Result(), 3); // the date box is empty

    TfrmConfirm cancelled(Entries());
    Child<QPushButton>(&cancelled, "btnCancel")->click();
    EXPECT_EQ(cancelled.Result(), -1);
}

TEST(ConfirmDialog, StoredValuesAreNeverShownAndPastingIsRefused)
{
    TfrmConfirm dialog(Entries());
    ASSERT_TRUE(ShowActive(&dialog));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("数据确认"));
    EXPECT_EQ(Child<QLabel>(&dialog, "lblPrompt")->text(), QStringLiteral("请再次输入以下数据项:"));
    EXPECT_EQ(Child<QLabel>(&dialog, "lblCaption2")->text(), QStringLiteral("运费金额:"));
    for (const QWidget *widget : dialog.findChildren<QWidget *>()) {
        const QLabel *label = qobject_cast<const QLabel *>(widget);
        const QLineEdit *box = qobject_cast<const QLineEdit *>(widget);
        const QString text = label ? label->text() : box ? box->text() + box->placeholderText() : QString();
        for (const TColumn &entry : Entries()) {
            EXPECT_FALSE(text.contains(entry.value)) << widget->objectName().toStdString();
            EXPECT_FALSE(widget->toolTip().contains(entry.value)) << widget->objectName().toStdString();
        }
    }
    // The focused box's comment is the hint.
    EXPECT_EQ(Child<QLabel>(&dialog, "lblHint")->text(), Entries()[0].comment);

    QApplication::clipboard()->setText(QStringLiteral("00031507"));
    QTest::keySequence(dialog.ValueBox(0), QKeySequence::Paste);
    EXPECT_EQ(dialog.ValueBox(0)->text(), QString());
    dialog.reject();
}

// The demo report's confirmed columns (CONFIRM of the transport-invoice
// schema) for its first record, as the checks before posting list them.
std::vector<TColumn> DemoEntries(TempWorkspace &ws)
{
    ws.CopyDemo();
    TXmlDataSet report;
    report.SetFileName(ws.file(QStringLiteral("Data/370211600123456/YSFPCGL200601.xml")));
    report.SetReadOnly(true);
    report.Open();
    return BuildConfirmList(TApplicationInfo::DSDir() + QStringLiteral("YSFPCGL.xml"), report);
}

TEST(ConfirmDialog, TheDemoColumnsFitTheirLabels)
{
    TempWorkspace ws;
    const std::vector<TColumn> entries = DemoEntries(ws);
    ASSERT_FALSE(entries.empty());
    TfrmConfirm dialog(entries);
    ASSERT_TRUE(ShowActive(&dialog));
    for (const QLabel *label : dialog.findChildren<QLabel *>()) {
        if (!label->wordWrap()) {
            EXPECT_GE(label->width(), label->sizeHint().width()) << label->objectName().toStdString();
        }
    }
    const QByteArray shot = qgetenv("CORVANE_CONFIRM_SHOT");
    if (!shot.isEmpty()) {
        EXPECT_TRUE(dialog.grab().save(QString::fromLocal8Bit(shot)));
    }
}

} // namespace
