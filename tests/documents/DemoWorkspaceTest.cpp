// The bundled demo workspace is a real installation: its documents load
// through the same classes the programs use and refer only to files that
// exist.

#include "app/utils/ApplicationInfo.h"
#include "app/utils/Paths.h"
#include "documents/QYXX.h"
#include "documents/XmlConfig.h"
#include "documents/XmlFileManager.h"
#include "documents/XmlSchemaManager.h"
#include "documents/XmlTaxPayer.h"

#include <gtest/gtest.h>

class DemoWorkspace : public ::testing::Test {
protected:
    void SetUp() override
    {
        TApplicationInfo::SetAppDir(QStringLiteral(CORVANE_DEMO_WORKSPACE));
        taxpayers.Open(TApplicationInfo::AppFile(QStringLiteral("TaxPayers.xml")));
        schemas.Open(TApplicationInfo::AppFile(QStringLiteral("SchemaManager.xml")));
        files.Open(TApplicationInfo::AppFile(QStringLiteral("FileManager.xml")));
        config.Open(TApplicationInfo::AppFile(QStringLiteral("Config.xml")));
        enterprises.Open(TApplicationInfo::AppFile(QStringLiteral("QYXX.xml")));
        for (TRegisterDocument *doc : {static_cast<TRegisterDocument *>(&taxpayers), static_cast<TRegisterDocument *>(&schemas),
                                       static_cast<TRegisterDocument *>(&files), static_cast<TRegisterDocument *>(&config)})
            doc->SetSaveOnClose(false); // reading must never change the bundled files
    }

    TTaxPayerRegistry taxpayers;
    TSchemaRegister schemas;
    TFileRegister files;
    TConfigDocument config;
    TEnterpriseList enterprises;
};

TEST_F(DemoWorkspace, ConfigurationHasWhatTheProgramsRead)
{
    EXPECT_FALSE(config.GetConfigValue(QStringLiteral("Title")).isEmpty());
    EXPECT_EQ(config.GetConfigValue(QStringLiteral("VERSION")), QStringLiteral("2.40"));
    EXPECT_EQ(config.GetConfigValue(QStringLiteral("CJRDM")).toUpper(), QStringLiteral("@SWSBH"));
    EXPECT_GT(config.Configuration().Package().Count(), 0);
    EXPECT_FALSE(enterprises.Enumerate().isEmpty());
}

TEST_F(DemoWorkspace, EverySchemaHasItsSupportFiles)
{
    ASSERT_GE(schemas.Count(), 3);
    for (int i = 0; i < schemas.Count(); ++i) {
        const TSchemaRec schema = schemas.SchemaRecord(QString(), i);
        for (const QString &name : {schema.DS, schema.Transfer, schema.NAME + QStringLiteral("JK.DTD")})
            EXPECT_TRUE(FileExistsAnyCase(ResolveInFolder(TApplicationInfo::DSDir(), name))) << name.toStdString();
    }
}

TEST_F(DemoWorkspace, EveryRegisteredReportExistsInItsDataFolder)
{
    int reports = 0;
    int declared = 0;
    for (const TTaxPayerRec &taxpayer : taxpayers.Enumerate()) {
        const int index = files.FindTaxpayer(taxpayer.SWSBH);
        ASSERT_GE(index, 0) << taxpayer.SWSBH.toStdString();
        for (int s = 0; s < schemas.Count(); ++s) {
            const QString schema = schemas.SchemaRecord(QString(), s).NAME;
            EXPECT_GE(files.FindFileList(index, schema), 0);
            for (const TXmlFileRec &rec : files.ReportFiles(taxpayer.SWSBH, schema)) {
                ++reports;
                declared += rec.STATUS == kStatusDeclared ? 1 : 0;
                EXPECT_TRUE(FileExistsAnyCase(ResolveInFolder(TApplicationInfo::DataDir(taxpayer.SWSBH), rec.FileName)))
                    << rec.FileName.toStdString();
            }
        }
    }
    EXPECT_GE(reports, 4);
    EXPECT_GE(declared, 1);
}
