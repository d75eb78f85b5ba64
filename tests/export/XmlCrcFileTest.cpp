#include "export/XmlCrcFile.h"

#include "app/utils/Errors.h"
#include "export/CRCUtils.h"
#include "TempWorkspace.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"GBK\"?>";

class CrcDocumentTest : public ::testing::Test {
protected:
    // Writes a declared file and returns its path.
    QString Declared(const QString &name, const QByteArray &content)
    {
        return ws.Write(name, content);
    }
    QString WriteCrc(const QByteArray &body)
    {
        return ws.Write(QStringLiteral("R2024_X_CRC.XML"), QByteArray(kDeclaration) + "\r\n" + body);
    }
    // (NAME, CRCVALUE) of every FILE, in order.
    QList<QPair<QString, QString>> Entries(const QString &path)
    {
        QList<QPair<QString, QString>> entries;
        const TCrcDocument crc = LoadCrcDocument(path);
        for (const TXMLFILEType &item : crc.root.Items())
            entries.append({item.NAME(), item.CRCVALUE()});
        return entries;
    }
    QStringList FilesInFolder() const { return QDir(ws.path()).entryList(QDir::Files, QDir::Name); }

    TempWorkspace ws;
};

TEST_F(CrcDocumentTest, FreshDocumentHoldsTheDeclarationAndOneFile)
{
    const QString declared = Declared(QStringLiteral("R202401_X_JK.XML"), "123456789");
    const QString crcPath = ws.file(QStringLiteral("R202401_X_CRC.XML"));
    UpdateCrcDocument(crcPath, declared);

    const QByteArray bytes = ws.Read(QStringLiteral("R202401_X_CRC.XML"));
    EXPECT_TRUE(bytes.startsWith(kDeclaration)) << bytes.constData();
    EXPECT_TRUE(bytes.contains("<FILE NAME=\"R202401_X_JK.XML\" CRCVALUE=\"CBF43926\"/>")) << bytes.constData();
    const TCrcDocument crc = LoadCrcDocument(crcPath);
    EXPECT_EQ(crc.root.NodeName(), QStringLiteral("CRC"));
    EXPECT_EQ(crc.root.Count(), 1);
    EXPECT_EQ(FilesInFolder(), (QStringList{QStringLiteral("R202401_X_CRC.XML"), QStringLiteral("R202401_X_JK.XML")}));
}

TEST_F(CrcDocumentTest, RepeatedDeclarationUpdatesInPlaceIgnoringCase)
{
    const QString crcPath = WriteCrc("<CRC><FILE NAME=\"other.xml\" CRCVALUE=\"11111111\"/>"
                                     "<FILE NAME=\"r2024_x_jk.xml\" CRCVALUE=\"00000000\"/></CRC>");
    const QString declared = Declared(QStringLiteral("R2024_X_JK.XML"), "123456789");
    // The CRC document named in another letter case is the same document.
    UpdateCrcDocument(ws.file(QStringLiteral("r2024_x_crc.xml")), declared);

    const auto entries = Entries(crcPath);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0], qMakePair(QStringLiteral("other.xml"), QStringLiteral("11111111")));
    EXPECT_EQ(entries[1], qMakePair(QStringLiteral("r2024_x_jk.xml"), QStringLiteral("CBF43926")));
    EXPECT_EQ(FilesInFolder().size(), 2);
}

TEST_F(CrcDocumentTest, NewFileComesLastAndOthersStay)
{
    const QString crcPath = WriteCrc("<CRC><FILE NAME=\"other.xml\" CRCVALUE=\"11111111\"/>"
                                     "<FILE NAME=\" R2024_X_JK.XML\" CRCVALUE=\"22222222\"/></CRC>");
    // The writer compares untrimmed: the name with a leading blank is another file.
    UpdateCrcDocument(crcPath, Declared(QStringLiteral("R2024_X_JK.XML"), ""));
    const auto entries = Entries(crcPath);
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[0].second, QStringLiteral("11111111"));
    EXPECT_EQ(entries[1].second, QStringLiteral("22222222"));
    EXPECT_EQ(entries[2], qMakePair(QStringLiteral("R2024_X_JK.XML"), QStringLiteral("00000000")));
}

TEST_F(CrcDocumentTest, WriterAndReaderBothUseTheFirstOfTwoEqualNames)
{
    const QString crcPath = WriteCrc("<CRC><FILE NAME=\"A_JK.XML\" CRCVALUE=\"11111111\"/>"
                                     "<FILE NAME=\"A_JK.XML\" CRCVALUE=\"22222222\"/></CRC>");
    QString value;
    ASSERT_TRUE(LookupCrcValue(crcPath, QStringLiteral("a_jk.xml"), value));
    EXPECT_EQ(value, QStringLiteral("11111111"));

    UpdateCrcDocument(crcPath, Declared(QStringLiteral("A_JK.XML"), "123456789"));
    const auto entries = Entries(crcPath);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].second, QStringLiteral("CBF43926"));
    EXPECT_EQ(entries[1].second, QStringLiteral("22222222"));
}

TEST_F(CrcDocumentTest, ReaderTrimsRecordedNamesButNotValues)
{
    const QString crcPath = WriteCrc("<CRC>"
                                     "<FILE NAME=\" \tB_JK.XML&#10; \" CRCVALUE=\" CBF43926 \"/>"
                                     "<FILE NAME=\"C_JK.XML\" CRCVALUE=\"cbf43926\"/>"
                                     "</CRC>");
    const struct {
        const char *name;
        bool found;
        const char *value;
    } cases[] = {
        {"b_jk.xml", true, " CBF43926 "},
        {"C_JK.XML", true, "cbf43926"},
        {"D_JK.XML", false, "unchanged"},
        {" C_JK.XML", false, "unchanged"}, // the asked-for name is not trimmed
    };
    for (const auto &c : cases) {
        QString value = QStringLiteral("unchanged");
        EXPECT_EQ(LookupCrcValue(crcPath, QString::fromLatin1(c.name), value), c.found) << c.name;
        EXPECT_EQ(value, QString::fromLatin1(c.value)) << c.name;
    }
}

TEST_F(CrcDocumentTest, ReaderGivesFalseForEntriesMissingAttributes)
{
    const QString withoutValue = WriteCrc("<CRC><FILE NAME=\"A_JK.XML\"/></CRC>");
    QString value = QStringLiteral("unchanged");
    EXPECT_FALSE(LookupCrcValue(withoutValue, QStringLiteral("A_JK.XML"), value));
    const QString withoutName = WriteCrc("<CRC><FILE CRCVALUE=\"11111111\"/>"
                                         "<FILE NAME=\"A_JK.XML\" CRCVALUE=\"22222222\"/></CRC>");
    EXPECT_FALSE(LookupCrcValue(withoutName, QStringLiteral("A_JK.XML"), value));
    EXPECT_EQ(value, QStringLiteral("unchanged"));
}

TEST_F(CrcDocumentTest, BrokenOrMissingDocumentsRaiseAndStayUntouched)
{
    const QByteArray broken = QByteArray(kDeclaration) + "\r\n<CRC><FILE NAME=\"A_JK.XML\"></CRC>";
    const QString crcPath = ws.Write(QStringLiteral("A_CRC.XML"), broken);
    QString value;
    EXPECT_THROW(LookupCrcValue(crcPath, QStringLiteral("A_JK.XML"), value), TXmlParseError);
    EXPECT_THROW(UpdateCrcDocument(crcPath, Declared(QStringLiteral("A_JK.XML"), "x")), TXmlParseError);
    EXPECT_EQ(ws.Read(QStringLiteral("A_CRC.XML")), broken);
    EXPECT_THROW(LookupCrcValue(ws.file(QStringLiteral("none.xml")), QStringLiteral("A_JK.XML"), value),
                 TFileError);
}

TEST_F(CrcDocumentTest, DocumentIsUntouchedWhenTheCrcCannotBeComputed)
{
    EXPECT_THROW(UpdateCrcDocument(ws.file(QStringLiteral("B_CRC.XML")), ws.file(QStringLiteral("B_JK.XML"))),
                 TFileError);
    EXPECT_TRUE(FilesInFolder().isEmpty());

    const QString crcPath = WriteCrc("<CRC><FILE NAME=\"B_JK.XML\" CRCVALUE=\"11111111\"/></CRC>");
    const QByteArray before = ws.Read(QStringLiteral("R2024_X_CRC.XML"));
    EXPECT_THROW(UpdateCrcDocument(crcPath, ws.file(QStringLiteral("B_JK.XML"))), TFileError);
    EXPECT_EQ(ws.Read(QStringLiteral("R2024_X_CRC.XML")), before);
}

TEST_F(CrcDocumentTest, GetCrcDocumentOpensFromTheFileNameOrCreatesTheRoot)
{
    TXMLDocument empty;
    TXMLCRCType created = GetCrcDocument(empty);
    EXPECT_EQ(created.NodeName(), QStringLiteral("CRC"));
    EXPECT_EQ(created.Count(), 0);

    const QString crcPath = WriteCrc("<CRC><FILE NAME=\"A_JK.XML\" CRCVALUE=\"11111111\"/></CRC>");
    TXMLDocument named;
    named.SetFileName(crcPath);
    TXMLCRCType loaded = GetCrcDocument(named);
    ASSERT_EQ(loaded.Count(), 1);
    EXPECT_EQ(loaded.Get(0).CRCVALUE(), QStringLiteral("11111111"));
}

} // namespace
