#include "print/Print.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/Errors.h"
#include "app/utils/TextFile.h"
#include "documents/XmlSchemaManager.h"
#include "CaseNames.h"
#include "PrintPageReader.h"
#include "TempWorkspace.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

const QString kDeclared = QStringLiteral("数据上报/200601/YSFPCGL200601_370211600123456_JK.XML");

// A copy of the demo workspace with its schema register open.
class DemoPrintTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ws.CopyDemo();
        schemas.Open(ws.file(QStringLiteral("SchemaManager.xml")));
    }

    // Renders the demo's declared transport-invoice report as the list chosen.
    PrintPageReader RenderDeclared(TFixedAssetChoice choice, const QString &style = QStringLiteral("98"))
    {
        const QString printFile = PreparePrintFile(ws.file(kDeclared), QStringLiteral("DLZK"),
                                                   QStringLiteral("YSFPCGL"), style, schemas, choice);
        const QString page = RenderPrintPage(printFile);
        EXPECT_EQ(page, ws.file(QStringLiteral("DS/print.html")));
        return PrintPageReader(ws.Read(QStringLiteral("DS/print.html")));
    }

    TempWorkspace ws;
    TSchemaRegister schemas;
};

TEST_F(DemoPrintTest, OtherListHoldsTheRecordsWithoutFixedAssetsAndTheirTotals)
{
    const PrintPageReader page = RenderDeclared(TFixedAssetChoice::Other);
    ASSERT_TRUE(page.Parsed());
    EXPECT_EQ(page.Texts("//h1"), QStringList{QStringLiteral("运输发票清单（非固定资产项目）")});
    EXPECT_EQ(page.Texts("//table[@class='list']/thead/tr/th"),
              (QStringList{"序号", "发票代码", "发票号码", "开票日期", "承运人纳税人识别号", "承运人名称",
                           "运输货物名称", "货物重量(吨)", "运输里程(公里)", "运费金额", "允许抵扣税额"}));
    const auto rows = page.ListRows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (QStringList{"1", "237006110011", "00031507", "2006-01-05", "370203588812345",
                                    "远驰运输有限公司", "钢材", "32.5", "420", "3,850.00", "269.50"}));
    EXPECT_EQ(rows[1][2], QStringLiteral("00031622"));
    EXPECT_EQ(rows[2][2], QStringLiteral("00031990"));
    EXPECT_EQ(rows[3], (QStringList{"合计", "", "", "", "", "", "", "62.55", "", "7,725.30", "540.78"}));
}

TEST_F(DemoPrintTest, FixedAssetListHoldsOnlyTheFixedAssetRecord)
{
    const PrintPageReader page = RenderDeclared(TFixedAssetChoice::FixedAssets, QStringLiteral("XP"));
    const auto rows = page.ListRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][2], QStringLiteral("00004418"));
    EXPECT_EQ(rows[1], (QStringList{"合计", "", "", "", "", "", "", "12", "", "6,200.00", "434.00"}));
}

TEST_F(DemoPrintTest, PageCarriesTheDeclarationHeaderInUtf8)
{
    RenderDeclared(TFixedAssetChoice::Other);
    const QByteArray html = ws.Read(QStringLiteral("DS/print.html"));
    const PrintPageReader page(html);
    EXPECT_EQ(page.Texts("//p[@class='period']"), QStringList{QStringLiteral("所属期：2006年01月")});
    EXPECT_EQ(page.Texts("//table[@class='info']//td[@class='value']"),
              (QStringList{"370211600123456", "青岚机械制造有限公司", "2006-02-08", "370211600123456",
                           "青岚机械制造有限公司", "4"}));
    // One charset declaration, first in the head, and the bytes are UTF-8.
    EXPECT_EQ(page.Texts("//meta[@charset or @http-equiv]/@charset"), QStringList{"UTF-8"});
    EXPECT_EQ(page.Texts("//head/*[1]/@charset"), QStringList{"UTF-8"});
    EXPECT_TRUE(html.contains(QStringLiteral("青岚机械制造有限公司").toUtf8()));
    EXPECT_TRUE(html.contains("size: A4 landscape"));
}

} // namespace
