#include "app/utils/Errors.h"
#include "documents/XmlConfig.h"
#include "DocumentFixtures.h"
#include "FileSizeLimit.h"

#include <gtest/gtest.h>

namespace {

const QString kPackage = QStringLiteral(
    "<Package Root=\"申报\"><Element Name=\"TAXPAYER\"><Attribute_Unit><Attribute Name=\"SWSBH\" Value=\"20\"/>"
    "</Attribute_Unit><SubElement Name=\"YSFP\"/></Element></Package>");

const QString kConfig = QStringLiteral(
    "<configuration><GlobalResources EDITALLOWED=\"1\" EDITED=\"0\">"
    "<Item NAME=\"Title\" VALUE=\"数据采集\"/>"
    "<Item NAME=\"CJLX\" VALUE=\"CGZK\"/>"
    "<Item NAME=\"cjlx\" VALUE=\"CGSK\"/>"
    "<Item NAME=\"NoValue\"/>"
    "</GlobalResources>%1</configuration>")
                            .arg(kPackage);

} // namespace

TEST(ConfigDocument, ReadsTheFirstItemWhateverTheCase)
{
    TempWorkspace ws;
    TConfigDocument config;
    config.Open(WriteGbkDocument(ws, QStringLiteral("Config.xml"), kConfig));
    EXPECT_EQ(config.GetConfigValue(QStringLiteral("title")), QStringLiteral("数据采集"));
    EXPECT_EQ(config.GetConfigValue(QStringLiteral("CJLX")), QStringLiteral("CGZK"));
    EXPECT_EQ(config.GetConfigValue(QStringLiteral("NoValue")), QString());
    EXPECT_EQ(config.GetConfigValue(QStringLiteral("Missing")), QString());
    EXPECT_EQ(config.GetConfigValue(QStringLiteral(" Title")), QString()); // names are not trimmed
    EXPECT_FALSE(config.Document().Modified());
}

TEST(ConfigDocument, SetChangesOneItemAndKeepsEverythingElse)
{
    TempWorkspace ws;
    TConfigDocument config;
    config.Open(WriteGbkDocument(ws, QStringLiteral("Config.xml"), kConfig));
    config.SetConfigValue(QStringLiteral("cjlx"), QStringLiteral("DKZK"));
    config.SetConfigValue(QStringLiteral("PRINTXSLT"), QStringLiteral("98"));

    const QByteArray bytes = ws.Read(QStringLiteral("Config.xml"));
    EXPECT_TRUE(bytes.startsWith("<?xml version=\"1.0\" encoding=\"GBK\"?>"));
    EXPECT_TRUE(bytes.contains(EncodeGbk(QStringLiteral("数据采集")))) << "still GBK";

    TConfigDocument again;
    again.Open(ws.file(QStringLiteral("Config.xml")));
    EXPECT_EQ(again.GetConfigValue(QStringLiteral("CJLX")), QStringLiteral("DKZK"));
    XmlConfig::TXMLGlobalResourcesType resources = again.Configuration().GlobalResources();
    ASSERT_EQ(resources.Count(), 5);
    EXPECT_EQ(resources.Get(2).VALUE(), QStringLiteral("CGSK")); // the second CJLX is untouched
    EXPECT_EQ(resources.Get(4).NAME(), QStringLiteral("PRINTXSLT"));
    EXPECT_EQ(resources.EDITALLOWED(), QStringLiteral("1"));
    XmlConfig::TXMLPackageType package = again.Configuration().Package();
    EXPECT_EQ(package.Root(), QStringLiteral("申报"));
    ASSERT_EQ(package.Count(), 1);
    EXPECT_EQ(package.Get(0).Attribute_Unit().Get(0).Value(), 20);
    EXPECT_EQ(package.Get(0).SubElement().Name(), QStringLiteral("YSFP"));
}

// A save that fails reports the system's message, leaves the file as it
// was and keeps the change in memory. (Tests run as root: a file size limit
// makes the write fail where permissions would not.)
TEST(ConfigDocument, FailedSaveKeepsTheOldFileAndTheChangeInMemory)
{
    TempWorkspace ws;
    TConfigDocument config;
    config.Open(WriteGbkDocument(ws, QStringLiteral("Config.xml"), kConfig));
    const QByteArray before = ws.Read(QStringLiteral("Config.xml"));
    QString message;
    try {
        FileSizeLimit limit(100);
        config.SetConfigValue(QStringLiteral("Title"), QStringLiteral("新标题"));
    } catch (const TFileError &e) {
        message = e.Message();
    }
    EXPECT_TRUE(message.contains(QStringLiteral("Config.xml"))) << message.toStdString();
    EXPECT_EQ(ws.Read(QStringLiteral("Config.xml")), before);
    EXPECT_EQ(config.GetConfigValue(QStringLiteral("Title")), QStringLiteral("新标题"));
}
