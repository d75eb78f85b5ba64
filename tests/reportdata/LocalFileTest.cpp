#include "ReportFixtures.h"

#include "app/utils/Errors.h"
#include "reportdata/ReportDocument.h"
#include "reportdata/XmlLocalFile.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class LocalFileTest : public WorkspaceTest {};

TFieldDef Def(const QString &name, TFieldType type, int size)
{
    TFieldDef def;
    def.name = def.label = name;
    def.type = type;
    def.size = size;
    return def;
}

TEST_F(LocalFileTest, MissingFieldElementIsAddedOnRead)
{
    const QString path = WriteReport("R.xml", "<TAXPAYER><YSFP><REC PKID=\"1\"><OLD>x</OLD></REC></YSFP></TAXPAYER>");
    TReportDocument document;
    document.Load(path);
    TXMLRECType rec = document.YSFP().Get(0);

    QVariant value;
    rec.ReadField(Def("T", TFieldType::Text, 5), value);
    EXPECT_EQ(value, QVariant(QString()));
    rec.ReadField(Def("C", TFieldType::Currency, 0), value);
    EXPECT_EQ(value, QVariant(0.0));
    rec.ReadField(Def("B", TFieldType::Boolean, 0), value);
    EXPECT_EQ(value, QVariant(false));
    for (const TFieldType type : {TFieldType::Integer, TFieldType::Float, TFieldType::Date}) {
        value = QVariant(QStringLiteral("unchanged"));
        EXPECT_THROW(rec.ReadField(Def("N", type, 0), value), TConversionError);
        EXPECT_EQ(value, QVariant(QStringLiteral("unchanged")));
    }
    for (const char *name : {"T", "C", "B", "N"})
        EXPECT_FALSE(rec.FindChild(name).IsNull()) << name;
    EXPECT_EQ(rec.CountChildren("N"), 1); // added once, found afterwards
}

TEST_F(LocalFileTest, WriteFieldReplacesTheTextAndKeepsOverlongTextWhole)
{
    const QString path = WriteReport("R.xml", "<TAXPAYER><YSFP><REC PKID=\"1\"><T>abcdefghij</T></REC></YSFP></TAXPAYER>");
    TReportDocument document;
    document.Load(path);
    TXMLRECType rec = document.YSFP().Get(0);
    const TFieldDef text = Def("T", TFieldType::Text, 3);

    QVariant value;
    rec.ReadField(text, value);
    EXPECT_EQ(value.toString(), "abcdefghij"); // longer than its size of 3: kept whole
    rec.WriteField(text, value);
    rec.WriteField(Def("M", TFieldType::Currency, 0), QVariant(-12.345));
    rec.WriteField(Def("D", TFieldType::Date, 0), QVariant(QDate(2006, 1, 31)));
    document.Save(path);

    const QString saved = DecodeGbk(ws.Read("Data/R.xml"));
    EXPECT_TRUE(saved.contains("<T>abcdefghij</T>"));
    EXPECT_TRUE(saved.contains("<M>-12.35</M>"));
    EXPECT_TRUE(saved.contains("<D>2006-01-31</D>"));
}

TEST_F(LocalFileTest, SkeletonHasTheFiveLinesValues)
{
    const QStringList lines = NewReportFileLines("110101", "1.00", "A&B.xml");
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], "<?xml version=\"1.0\" encoding=\"GBK\"?>");
    EXPECT_EQ(lines[1], "<TAXPAYER SWSBH=\"110101\">");
    EXPECT_EQ(lines[2], "<YSFP Version=\"1.00\" DSFile=\"A&amp;B.xml\" RecordCount=\"0\">");
    EXPECT_EQ(lines[3], "</YSFP>");
    EXPECT_EQ(lines[4], "</TAXPAYER>");

    TReportDocument document;
    document.LoadSkeleton("110101", "1.00", "A&B.xml");
    EXPECT_FALSE(document.Identity().exists);
    EXPECT_EQ(document.YSFP().DSFile(), "A&B.xml");
    EXPECT_EQ(document.YSFP().Count(), 0);
}

TEST_F(LocalFileTest, SavesGbkAndKeepsCharactersOutsideGbk)
{
    TReportDocument document;
    document.LoadSkeleton("110101", "1.00", "D.xml");
    TXMLRECType rec = document.YSFP().Add();
    rec.WriteField(Def("T", TFieldType::Text, 50), QVariant(QStringLiteral("中文 😀 a<b & \"c\"\r\n")));
    const QString path = ws.file("Data/out.xml");
    QDir().mkpath(ws.file("Data"));
    document.Save(path);

    const QByteArray bytes = ws.Read("Data/out.xml");
    EXPECT_TRUE(bytes.startsWith("<?xml version=\"1.0\" encoding=\"GBK\"?>"));
    EXPECT_TRUE(bytes.contains(EncodeGbk(QStringLiteral("中文"))));
    EXPECT_EQ(document.Identity().size, bytes.size());

    TReportDocument again;
    again.Load(path);
    QVariant value;
    again.YSFP().Get(0).ReadField(Def("T", TFieldType::Text, 50), value);
    EXPECT_EQ(value.toString(), QStringLiteral("中文 😀 a<b & \"c\"\r\n"));
    EXPECT_EQ(again.Identity(), document.Identity());
}

// A report only libxml2 can write (here: an XML 1.1 declaration) keeps a
// field's blank text, which the parser would otherwise drop as layout when
// the report is read again.
TEST_F(LocalFileTest, AReportWrittenByLibxml2ReadsBackAsItWas)
{
    const QString path = ws.Write(QStringLiteral("Data/R200601.xml"),
                                  "<?xml version=\"1.1\" encoding=\"GBK\"?>\n<TAXPAYER SWSBH=\"1\">\n"
                                  "<YSFP Version=\"1.00\" DSFile=\"R.xml\" RecordCount=\"1\">\n"
                                  "<REC PKID=\"A\"><BZ><X/>&#32;</BZ><SE>1</SE></REC>\n</YSFP>\n</TAXPAYER>\n");
    TReportDocument report;
    report.Load(path);
    const auto text = [](const TReportDocument &doc) {
        return TXMLNode(doc.YSFP().Items().front().Raw()).FindChild("BZ").Text();
    };
    ASSERT_EQ(text(report), QStringLiteral(" "));
    report.Save(path);
    TReportDocument again;
    again.Load(path);
    EXPECT_EQ(text(again), QStringLiteral(" "));
    const QByteArray saved = ws.Read(QStringLiteral("Data/R200601.xml"));
    again.Save(path);
    EXPECT_EQ(ws.Read(QStringLiteral("Data/R200601.xml")), saved); // and stays so
}

TEST_F(LocalFileTest, LoadRefusesWhatIsNoReportFile)
{
    const QString other = WriteReport("Other.xml", "<FORM/>");
    const QString broken = WriteReport("Broken.xml", "<TAXPAYER><YSFP>");
    // A hand-edited element whose name GBK cannot hold (U+072D): saving it
    // would give a file nobody can read, so it is refused when loading.
    const QString unsavable = ws.Write("Data/Unsavable.xml",
                                       "<?xml version=\"1.0\" encoding=\"UTF-8\"?><TAXPAYER SWSBH=\"1\"><YSFP RecordCount=\"1\">"
                                       "<REC PKID=\"1\"><\xDC\xAD>x</\xDC\xAD></REC></YSFP></TAXPAYER>");
    const QByteArray unsavableBytes = ws.Read("Data/Unsavable.xml");
    TReportDocument document;
    document.LoadSkeleton("KEEP", "1.00", "");
    EXPECT_THROW(document.Load(other), TUserError);
    EXPECT_THROW(document.Load(broken), TXmlParseError);
    try {
        document.Load(unsavable);
        ADD_FAILURE() << "a report with a name GBK cannot hold was loaded";
    } catch (const TUserError &e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("GBK"))) << e.what();
    }
    EXPECT_EQ(ws.Read("Data/Unsavable.xml"), unsavableBytes);
    EXPECT_THROW(document.Load(ws.file("Data/missing.xml")), TFileError);
    EXPECT_EQ(document.Root().SWSBH(), "KEEP"); // a failed load changes nothing
}

} // namespace
