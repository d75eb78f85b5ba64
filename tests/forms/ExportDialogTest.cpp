#include "app/utils/ApplicationInfo.h"
#include "app/utils/MessageBox.h"
#include "export/forms/DataExportForm.h"
#include "reportdata/XmlDataSet.h"
#include "CaseNames.h"
#include "DialogDriver.h"
#include "ScriptedPrompts.h"
#include "TempWorkspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString kStem = QStringLiteral("YSFPCGL200602_370211600123456");

// The demo's report of 200602 (three records) and its declaration.
class ExportDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        workspace.CopyDemo();
        report.SetFileName(workspace.file(QStringLiteral("Data/370211600123456/YSFPCGL200602.xml")));
        report.SetAccMonth(QStringLiteral("200602"));
        report.SetReadOnly(true);
        report.Open();
        info.period = QStringLiteral("200602");
        info.schemaName = QStringLiteral("YSFPCGL");
        info.schemaCaption = QStringLiteral("运输发票清单");
        info.taxpayerId = QStringLiteral("370211600123456");
        info.taxpayerName = QStringLiteral("青岚机械制造有限公司");
        info.recordCount = report.RecordCount();
        info.collectionType = QStringLiteral("DLZK");
        info.collectorCode = info.taxpayerId;
        info.collectorName = info.taxpayerName;
        info.transferTemplate = QStringLiteral("YSFPCGLTransfer.xml");
        info.crcFileName = kStem + QStringLiteral("_CRC.XML");
        info.interfaceFile = kStem + QStringLiteral("_JK.XML");
    }
    void TearDown() override { qunsetenv("CORVANE_FLOPPY"); }

    TempWorkspace workspace;
    TXmlDataSet report;
    TExportBaseInfo info;
    ScriptedMessages messages;
};

struct CaptionCase {
    const char *collectionType;
    const char *codeLabel;
    const char *nameLabel;
};

class ExportCaptionTest : public ExportDialogTest, public ::testing::WithParamInterface<CaptionCase> {};

TEST_P(ExportCaptionTest, CaptionsFollowTheCollectionType)
{
    TfrmDataExport dialog(QString::fromUtf8(GetParam().collectionType), info, report);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("申报文件导出"));
    EXPECT_EQ(Child<QLabel>(&dialog, "lblCode")->text(), QString::fromUtf8(GetParam().codeLabel));
    EXPECT_EQ(Child<QLabel>(&dialog, "lblName")->text(), QString::fromUtf8(GetParam().nameLabel));
    EXPECT_EQ(Child<QLabel>(&dialog, "lblTitle")->text(), QStringLiteral("系统准备产生并导出运输发票清单"));
    EXPECT_EQ(Child<QLineEdit>(&dialog, "edtPayerCode")->text(), info.taxpayerId);
    EXPECT_EQ(Child<QLineEdit>(&dialog, "edtPayerName")->text(), info.taxpayerName);
}

INSTANTIATE_TEST_SUITE_P(Types, ExportCaptionTest,
                         ::testing::Values(CaptionCase{"CGSK", "税务机关代码:", "税务机关名称:"},
                                           CaptionCase{"cgdk", "中介机构代码:", "中介机构名称:"},
                                           CaptionCase{"DLZK", "纳税人识别号(&H):", "纳税人名称(&N):"}),
                         [](const auto &i) { return CaseName(i.index, i.param.collectionType); });

TEST_F(ExportDialogTest, FloppyModeFirstAndFolderModeOnRequest)
{
    TfrmDataExport dialog(QStringLiteral("DLZK"), info, report);
    dialog.show();
    auto *path = Child<QLineEdit>(&dialog, "edtExportPath");
    auto *open = Child<QPushButton>(&dialog, "btnOpen");
    auto *note = Child<QLabel>(&dialog, "lblNote");
    EXPECT_TRUE(dialog.FloppyMode());
    EXPECT_EQ(QDir::fromNativeSeparators(path->text()), TApplicationInfo::DeclareDir(QStringLiteral("200602")));
    EXPECT_TRUE(path->isReadOnly());
    EXPECT_FALSE(open->isEnabled());
    EXPECT_TRUE(note->isEnabled());
    EXPECT_EQ(Child<QProgressBar>(&dialog, "ProgressBar")->maximum(), 100);
    const QColor floppyColour = path->palette().color(QPalette::Base);

    Child<QRadioButton>(&dialog, "rbFolder")->click();
    EXPECT_FALSE(path->isReadOnly());
    EXPECT_TRUE(open->isEnabled());
    EXPECT_FALSE(note->isEnabled());
    EXPECT_NE(path->palette().color(QPalette::Base), floppyColour); // button face, then window colour

    // The folder button asks the folder picker.
    ScriptedFolderPicker picker;
    picker.Queue(workspace.file(QStringLiteral("out")));
    QDir().mkpath(workspace.file(QStringLiteral("out")));
    open->click();
    EXPECT_EQ(picker.titles, QStringList{QStringLiteral("请选择要存放的申报文件路径:")});
    EXPECT_EQ(QDir::fromNativeSeparators(path->text()), workspace.file(QStringLiteral("out")));
    EXPECT_TRUE(open->isEnabled());

    // Esc closes it without exporting.
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.Exported());
}

TEST_F(ExportDialogTest, FolderModeWritesTheFilesAndCloses)
{
    QTemporaryDir out;
    TfrmDataExport dialog(QStringLiteral("DLZK"), info, report);
    dialog.show();
    Child<QRadioButton>(&dialog, "rbFolder")->click();
    auto *path = Child<QLineEdit>(&dialog, "edtExportPath");

    // An empty folder is refused and the dialog stays open.
    path->setText(QStringLiteral("   "));
    Child<QPushButton>(&dialog, "btnExport")->click();
    EXPECT_EQ(messages.last(), QStringLiteral("导出的路径不能为空!"));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(Child<QPushButton>(&dialog, "btnExport")->isEnabled());

    path->setText(out.path());
    Child<QPushButton>(&dialog, "btnExport")->click();
    EXPECT_TRUE(messages.last().startsWith(QStringLiteral("恭喜您，申报文件已经成功传出！"))) << messages.last().toStdString();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(dialog.Exported());
    EXPECT_EQ(Child<QProgressBar>(&dialog, "ProgressBar")->value(), 100);
    EXPECT_EQ(info.interfaceFile, out.path() + QLatin1Char('/') + kStem + QStringLiteral("_JK.XML"));
    EXPECT_TRUE(QFileInfo::exists(info.interfaceFile));
    EXPECT_TRUE(QFileInfo::exists(out.path() + QLatin1Char('/') + kStem + QStringLiteral("_CRC.XML")));
}

TEST_F(ExportDialogTest, FloppyModeWritesOntoTheMediumAfterTheQuestion)
{
    QTemporaryDir medium;
    qputenv("CORVANE_FLOPPY", medium.path().toLocal8Bit());
    TfrmDataExport dialog(QStringLiteral("DLZK"), info, report);
    dialog.show();

    messages.Answer(TMessageBox::IdCancel); // the question: the dialog stays open
    Child<QPushButton>(&dialog, "btnExport")->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(QDir(medium.path()).entryList(QDir::Files), QStringList());

    // No keeps what is on the medium.
    const QString older = medium.path() + QStringLiteral("/older.txt");
    QFile olderFile(older);
    ASSERT_TRUE(olderFile.open(QIODevice::WriteOnly));
    olderFile.close();
    messages.Answer(TMessageBox::IdNo);
    Child<QPushButton>(&dialog, "btnExport")->click();
    EXPECT_TRUE(QFileInfo::exists(older));
    EXPECT_TRUE(messages.texts().value(1).startsWith(QStringLiteral("系统将向软盘传出申报文件，请选择：")));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(QFileInfo(info.interfaceFile).absolutePath(), QFileInfo(medium.path()).absoluteFilePath());
    EXPECT_TRUE(QFileInfo::exists(info.interfaceFile));
}

} // namespace
