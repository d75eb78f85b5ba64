#include "app/utils/Errors.h"
#include "documents/XmlFileManager.h"
#include "documents/XmlSchemaManager.h"
#include "DocumentFixtures.h"

#include <gtest/gtest.h>

namespace {

struct Registers {
    TempWorkspace ws;
    TSchemaRegister schemas;
    TFileRegister files;

    explicit Registers(const QString &fileManager)
    {
        schemas.Open(WriteGbkDocument(ws, QStringLiteral("SchemaManager.xml"),
                                      QStringLiteral("<SCHEMAMANAGER>"
                                                     "<SCHEMA NAME=\"YSFPCGL\" CHSNAME=\"运输发票\" DS=\"YSFPCGL.xml\" "
                                                     "JK=\"YSFPCGLJK.xml\" Transfer=\"YSFPCGLTransfer.xml\"/>"
                                                     "<SCHEMA NAME=\"HGWSPZ\" CHSNAME=\"海关完税凭证\"/>"
                                                     "</SCHEMAMANAGER>")));
        files.Open(WriteGbkDocument(ws, QStringLiteral("FileManager.xml"), fileManager));
    }
};

QStringList Names(const QList<TXmlFileRec> &recs)
{
    QStringList names;
    for (const TXmlFileRec &rec : recs)
        names << QStringLiteral("%1:%2:%3").arg(rec.FileName).arg(rec.STATUS).arg(rec.SBRQ);
    return names;
}

} // namespace

TEST(SchemaRegister, RecordsAndCaseInsensitiveFind)
{
    Registers r(QStringLiteral("<FILEMANAGER/>"));
    EXPECT_EQ(r.schemas.Count(), 2);
    const TSchemaRec rec = r.schemas.SchemaRecord(QStringLiteral("123"), 0);
    EXPECT_EQ(rec.SWSBH, QStringLiteral("123"));
    EXPECT_EQ(rec.CHSNAME, QStringLiteral("运输发票"));
    EXPECT_EQ(rec.Transfer, QStringLiteral("YSFPCGLTransfer.xml"));
    EXPECT_EQ(r.schemas.SchemaRecord(QString(), 1).DS, QString()); // missing attribute reads empty
    EXPECT_EQ(r.schemas.Find(QStringLiteral("hgwspz")), 1);
    EXPECT_EQ(r.schemas.Find(QStringLiteral("none")), -1);
}

TEST(FileRegister, NewTaxpayerGetsAFileListPerSchemaAndReportsAppendInOrder)
{
    Registers r(QStringLiteral("<FILEMANAGER/>"));
    r.files.AddTaxpayer(QStringLiteral("110101000000001"), r.schemas);
    r.files.AddReportFile({QStringLiteral("110101000000001"), QStringLiteral("ysfpcgl"), QStringLiteral("YSFPCGL200601.xml"), 1, {}});
    r.files.AddReportFile({QStringLiteral("110101000000001"), QStringLiteral("YSFPCGL"), QStringLiteral("YSFPCGL200602.xml"), 1, {}});

    TFileRegister again;
    again.Open(r.ws.file(QStringLiteral("FileManager.xml")));
    EXPECT_EQ(again.FindFileList(again.FindTaxpayer(QStringLiteral("110101000000001")), QStringLiteral("HGWSPZ")), 1);
    EXPECT_EQ(Names(again.ReportFiles(QStringLiteral("110101000000001"), QStringLiteral("YSFPCGL"))),
              QStringList({"YSFPCGL200601.xml:1:", "YSFPCGL200602.xml:1:"}));
    EXPECT_EQ(again.Root().Get(0).Count(), 2); // no extra FILELIST for the lower-case schema name
}

TEST(FileRegister, ReportOfAnUnknownTaxpayerCreatesOnlyItsFileList)
{
    Registers r(QStringLiteral("<FILEMANAGER/>"));
    r.files.AddReportFile({QStringLiteral("X1"), QStringLiteral("HGWSPZ"), QStringLiteral("HGWSPZ200601.xml"), 1, {}});
    ASSERT_EQ(r.files.Root().Count(), 1);
    EXPECT_EQ(r.files.Root().Get(0).Count(), 1);
    EXPECT_EQ(r.files.Root().Get(0).Get(0).TYPEID(), QStringLiteral("HGWSPZ"));
}

TEST(FileRegister, UpdateAndDeleteActOnTheFirstMatchingFile)
{
    Registers r(QStringLiteral("<FILEMANAGER>"
                               "<TAXPAYER SWSBH=\"a1\"><FILELIST TYPEID=\"YSFPCGL\">"
                               "<DATAFILE NAME=\"YSFPCGL200601.xml\" STATUS=\"1\" SBRQ=\"\"/>"
                               "<DATAFILE NAME=\"ysfpcgl200601.XML\" STATUS=\"1\"/>"
                               "</FILELIST></TAXPAYER></FILEMANAGER>"));
    TXmlFileRec rec{QStringLiteral("A1"), QStringLiteral("ysfpcgl"), QStringLiteral("YSFPCGL200601.XML"), 9,
                    QStringLiteral("2026-12-10")};
    r.files.UpdateReportFile(rec);
    EXPECT_EQ(Names(r.files.ReportFiles(QStringLiteral("a1"), QStringLiteral("YSFPCGL"))),
              QStringList({"YSFPCGL200601.xml:9:2026-12-10", "ysfpcgl200601.XML:1:"}));
    r.files.DeleteReportFile(rec);
    EXPECT_EQ(Names(r.files.ReportFiles(QStringLiteral("a1"), QStringLiteral("YSFPCGL"))),
              QStringList({"ysfpcgl200601.XML:1:"}));
    r.files.DeleteTaxpayer(QStringLiteral("A1"));
    EXPECT_EQ(r.files.Root().Count(), 0);
    // Nothing matching: nothing happens, nothing raised.
    r.files.DeleteReportFile(rec);
    r.files.UpdateReportFile(rec);
}

TEST(FileRegister, UnreadableStatusStopsEnumeration)
{
    Registers r(QStringLiteral("<FILEMANAGER><TAXPAYER SWSBH=\"a1\"><FILELIST TYPEID=\"S\">"
                               "<DATAFILE NAME=\"S200601.xml\" STATUS=\"x\"/></FILELIST></TAXPAYER></FILEMANAGER>"));
    EXPECT_THROW(r.files.ReportFiles(QStringLiteral("a1"), QStringLiteral("S")), TConversionError);
}

TEST(FileRegister, NewTaxpayerWithEmptySchemaRegisterHasNoFileLists)
{
    TempWorkspace ws;
    TSchemaRegister schemas;
    schemas.Open(WriteGbkDocument(ws, QStringLiteral("SchemaManager.xml"), QStringLiteral("<SCHEMAMANAGER/>")));
    TFileRegister files;
    files.Open(WriteGbkDocument(ws, QStringLiteral("FileManager.xml"), QStringLiteral("<FILEMANAGER/>")));
    files.AddTaxpayer(QStringLiteral("a1"), schemas);
    EXPECT_EQ(files.Root().Get(0).Count(), 0);
}
