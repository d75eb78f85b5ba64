#include "workspace/NavigationTree.h"

#include "app/utils/Errors.h"
#include "app/utils/TextFile.h"
#include "documents/XmlTaxPayer.h"
#include "TempWorkspace.h"

#include <QAbstractItemModelTester>

#include <gtest/gtest.h>

namespace {

class NavigationTreeTest : public ::testing::Test {
protected:
    QString Write(const QString &name, const QString &text)
    {
        return ws.Write(name, EncodeGbk(QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n") + text));
    }
    void Open(const QString &taxpayers, const QString &files)
    {
        registry.Open(Write(QStringLiteral("TaxPayers.xml"), taxpayers));
        schemas.Open(Write(QStringLiteral("SchemaManager.xml"),
                           QStringLiteral("<SCHEMAMANAGER><SCHEMA NAME=\"YSFPCGL\" CHSNAME=\"运输\" DS=\"Y.xml\"/>"
                                          "<SCHEMA NAME=\"HGWSPZ\" CHSNAME=\"海关\" DS=\"H.xml\"/></SCHEMAMANAGER>")));
        register_.Open(Write(QStringLiteral("FileManager.xml"), files));
    }
    TempWorkspace ws;
    TTaxPayerRegistry registry;
    TSchemaRegister schemas;
    TFileRegister register_;
};

QStringList Captions(const TTreeNode *node)
{
    QStringList list;
    for (int i = 0; i < node->ChildCount(); ++i)
        list << node->Child(i)->Caption();
    return list;
}

// The one-pass index must answer exactly what the per-pair walk answers:
// codes and names in any letter case, a taxpayer listed twice, lists for
// schemas that are not registered, entries for unknown taxpayers.
TEST_F(NavigationTreeTest, BuildsWhatThePerPairEnumerationGives)
{
    Open(QStringLiteral("<TAXPAYERS><TAXPAYER><SWSBH>a11111111111111</SWSBH><NSRMC>甲</NSRMC></TAXPAYER>"
                        "<TAXPAYER><SWSBH>B22222222222222</SWSBH><NSRMC>乙</NSRMC></TAXPAYER></TAXPAYERS>"),
         QStringLiteral("<FILEMANAGER>"
                        "<TAXPAYER SWSBH=\"A11111111111111\"><FILELIST TYPEID=\"ysfpcgl\">"
                        "<DATAFILE NAME=\"YSFPCGL200601.xml\" STATUS=\"1\" SBRQ=\"\"/>"
                        "<DATAFILE NAME=\"YSFPCGL200601.xml\" STATUS=\"9\" SBRQ=\"2006-02-01\"/></FILELIST>"
                        "<FILELIST TYPEID=\"OTHER\"><DATAFILE NAME=\"OTHER200601.xml\" STATUS=\"bad\"/></FILELIST>"
                        "<FILELIST TYPEID=\"YSFPCGL\"><DATAFILE NAME=\"YSFPCGL200603.xml\" STATUS=\"1\"/></FILELIST></TAXPAYER>"
                        "<TAXPAYER SWSBH=\"C33333333333333\"><FILELIST TYPEID=\"HGWSPZ\">"
                        "<DATAFILE NAME=\"HGWSPZ200601.xml\" STATUS=\"1\"/></FILELIST></TAXPAYER>"
                        "<TAXPAYER SWSBH=\"a11111111111111\"><FILELIST TYPEID=\"HGWSPZ\">"
                        "<DATAFILE NAME=\"HGWSPZ200512.xml\" STATUS=\"5\"/></FILELIST></TAXPAYER>"
                        "</FILEMANAGER>"));
    TNavigationTree tree;
    QAbstractItemModelTester tester(&tree, QAbstractItemModelTester::FailureReportingMode::Fatal);
    tree.Build(registry, schemas, register_);
    const TTreeNode *root = tree.Root();
    ASSERT_EQ(Captions(root), (QStringList{QStringLiteral("甲"), QStringLiteral("乙")}));
    for (int t = 0; t < root->ChildCount(); ++t) {
        const TTreeNode *taxpayer = root->Child(t);
        for (int s = 0; s < taxpayer->ChildCount(); ++s) {
            const TTreeNode *schema = taxpayer->Child(s);
            const QList<TXmlFileRec> expected = register_.ReportFiles(taxpayer->TaxPayer().SWSBH, schema->Schema().NAME);
            ASSERT_EQ(schema->ChildCount(), expected.size());
            for (int r = 0; r < schema->ChildCount(); ++r) {
                const TXmlFileRec got = schema->Child(r)->Report();
                EXPECT_EQ(got.SWSBH, expected[r].SWSBH);
                EXPECT_EQ(got.SchemaName, expected[r].SchemaName);
                EXPECT_EQ(got.FileName, expected[r].FileName);
                EXPECT_EQ(got.STATUS, expected[r].STATUS);
                EXPECT_EQ(got.SBRQ, expected[r].SBRQ);
            }
        }
    }
    EXPECT_EQ(Captions(root->Child(0)->Child(0)), (QStringList{"200601", "200601", "200603"}));
    EXPECT_EQ(Captions(root->Child(0)->Child(1)), QStringList{"200512"});
    EXPECT_EQ(root->Child(0)->Child(1)->Report().SchemaName, QString()); // schema nodes carry no report

    // Changes keep the model consistent for attached views.
    TTreeNode *added = tree.AddReport(root->Child(1)->Child(0), {QStringLiteral("B22222222222222"), QStringLiteral("YSFPCGL"),
                                                                 QStringLiteral("YSFPCGL200602.xml"), 1, QString()});
    EXPECT_EQ(tree.NodeOf(tree.IndexOf(added)), added);
    tree.Remove(root->Child(0));
    EXPECT_EQ(root->Child(0)->Row(), 0);
    EXPECT_EQ(tree.FindReport(tree.FindSchema(tree.FindTaxPayer(QStringLiteral("b22222222222222")), QStringLiteral("ysfpcgl")),
                              QStringLiteral("ysfpcgl200602.XML")),
              added);
}

TEST_F(NavigationTreeTest, AnUnreadableStatusOfAShownReportNamesTheRegister)
{
    Open(QStringLiteral("<TAXPAYERS><TAXPAYER><SWSBH>A11111111111111</SWSBH><NSRMC>甲</NSRMC></TAXPAYER></TAXPAYERS>"),
         QStringLiteral("<FILEMANAGER><TAXPAYER SWSBH=\"A11111111111111\"><FILELIST TYPEID=\"YSFPCGL\">"
                        "<DATAFILE NAME=\"YSFPCGL200601.xml\" STATUS=\"\"/></FILELIST></TAXPAYER></FILEMANAGER>"));
    TNavigationTree tree;
    try {
        tree.Build(registry, schemas, register_);
        FAIL() << "built";
    } catch (const TUserError &error) {
        EXPECT_TRUE(error.Message().contains(QStringLiteral("FileManager.xml"))) << error.what();
    }
    ASSERT_NE(tree.Root(), nullptr);
    EXPECT_EQ(tree.Root()->ChildCount(), 0);
}

} // namespace
