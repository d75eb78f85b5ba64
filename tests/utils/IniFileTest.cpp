#include "app/utils/Errors.h"
#include "app/utils/IniFile.h"
#include "app/utils/TextFile.h"
#include "CaseNames.h"
#include "TempWorkspace.h"

#include <gtest/gtest.h>

namespace {

// One read from a file's text: the value of section/key, "<default>" when
// the reader falls back to the default.
struct ReadCase {
    const char *name;
    const char *text;
    const char *section;
    const char *key;
    QString expected;
};

const QString kDefault = QStringLiteral("<default>");

const ReadCase kReadCases[] = {
    {"plain", "[A]\r\nk=v\r\n", "A", "k", "v"},
    {"section and key in any case", "[Settings]\r\nSchemaCode=ysfp\r\n", "SETTINGS", "schemacode", "ysfp"},
    {"text before the first section is ignored", "k=early\r\n[A]\r\nx=1\r\n", "A", "k", kDefault},
    {"blanks around names and values", "  [ A ]  \r\n\t k \t=\t v w \t\r\n", "A", "k", "v w"},
    {"full-width blank is text", "[A]\r\nk=\u3000v\u3000\r\n", "A", "k", "\u3000v\u3000"},
    {"double quotes removed once", "[A]\r\nk=\"\"v\"\"\r\n", "A", "k", "\"v\""},
    {"single quotes removed", "[A]\r\nk= 'v w' \r\n", "A", "k", "v w"},
    {"mismatched quotes kept", "[A]\r\nk=\"v'\r\n", "A", "k", "\"v'"},
    {"lone quote kept", "[A]\r\nk=\"\r\n", "A", "k", "\""},
    {"only the first = splits", "[A]\r\nk=a=b\r\n", "A", "k", "a=b"},
    {"empty value", "[A]\r\nk=\r\n", "A", "k", ""},
    {"line without = reads as default", "[A]\r\nk\r\n", "A", "k", kDefault},
    {"first of a key twice", "[A]\r\nk=1\r\nK=2\r\n", "A", "k", "1"},
    {"first of a section twice", "[A]\r\nk=1\r\n[B]\r\nk=3\r\n[a]\r\nk=2\r\nz=9\r\n", "A", "k", "1"},
    {"key only in the second section of that name", "[A]\r\nk=1\r\n[a]\r\nz=9\r\n", "A", "z", kDefault},
    {"comment is no key", "[A]\r\n;k=1\r\n", "A", ";k", kDefault},
    {"LF line ends", "[A]\nk=v\n[B]\nk=w", "B", "k", "w"},
    {"lone CR stays in the line", "[A]\rk=v\r\n", "A", "k", kDefault},
    {"header runs to the last bracket", "[A]B] ; note\r\nk=v\r\n", "A]B", "k", "v"},
    {"header without bracket is a line", "[A]\r\n[B\r\nk=v\r\n", "A", "k", "v"},
    {"missing section", "[A]\r\nk=v\r\n", "B", "k", kDefault},
    {"GBK names and values", "[基本信息]\r\n纳税人名称=北京市贸易公司\r\n", "基本信息", "纳税人名称", "北京市贸易公司"},
};

class IniRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniRead, ReadsAsTheProfileCallsRead)
{
    const ReadCase &c = GetParam();
    const TIniFile ini = TIniFile::FromBytes(EncodeGbk(QString::fromUtf8(c.text)));
    EXPECT_EQ(ini.ReadString(QString::fromUtf8(c.section), QString::fromUtf8(c.key), kDefault).toStdString(),
              c.expected.toStdString());
}

INSTANTIATE_TEST_SUITE_P(Cases, IniRead, ::testing::ValuesIn(kReadCases),
                         [](const auto &info) { return CaseName(info.index, info.param.name); });

} // namespace

// The key names of a section in file order, twice when a key is there twice,
// lines without "=" included, comments and blank lines not; the sections
// each once.
TEST(IniFile, ListsKeysInFileOrder)
{
    const TIniFile ini = TIniFile::FromBytes(EncodeGbk(QStringLiteral(
        "[检查结果]\r\nE2=第二条\r\n; note\r\n\r\nE1=第一条\r\ne2=again\r\nbare\r\n[Other]\r\nx=1\r\n[检查结果]\r\nE9=late\r\n")));
    EXPECT_EQ(ini.ReadSection(QStringLiteral("检查结果")),
              QStringList({QStringLiteral("E2"), QStringLiteral("E1"), QStringLiteral("e2"), QStringLiteral("bare")}));
    EXPECT_EQ(ini.ReadString(QStringLiteral("检查结果"), QStringLiteral("e2")), QStringLiteral("第二条"));
    EXPECT_EQ(ini.ReadSections(), QStringList({QStringLiteral("检查结果"), QStringLiteral("Other")}));
    EXPECT_TRUE(ini.ValueExists(QStringLiteral("检查结果"), QStringLiteral("BARE")));
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("检查结果"), QStringLiteral("E9")));
}

// The names go through a 16384-byte buffer, each taking its GBK length plus
// one and the list one more: 1023 names of 15 bytes fill 16368 bytes, a
// 16-byte name no longer fits, and the listing stops there. Values are cut
// to 2047 characters.
TEST(IniFile, KeyListBufferAndValueLength)
{
    QString text = QStringLiteral("[R]\r\n");
    for (int i = 0; i < 1023; ++i)
        text += QStringLiteral("K%1=v\r\n").arg(i, 14, 10, QLatin1Char('0'));
    text += QStringLiteral("KLONG0123456789X=v\r\nZ=v\r\n[V]\r\nlong=%1\r\n").arg(QString(3000, u'汉'));
    const TIniFile ini = TIniFile::FromBytes(EncodeGbk(text));
    const QStringList keys = ini.ReadSection(QStringLiteral("R"));
    ASSERT_EQ(keys.size(), 1023);
    EXPECT_EQ(keys.back(), QStringLiteral("K00000000001022"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("R"), QStringLiteral("Z")), QStringLiteral("v"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("V"), QStringLiteral("long")), QString(2047, u'汉'));

    // Chinese names take two bytes a character.
    QString wide = QStringLiteral("[W]\r\n");
    for (int i = 0; i < 3000; ++i)
        wide += QStringLiteral("键%1=v\r\n").arg(i, 4, 10, QLatin1Char('0')); // 7 bytes each with the terminator
    EXPECT_EQ(TIniFile::FromBytes(EncodeGbk(wide)).ReadSection(QStringLiteral("W")).size(), 16383 / 7);
}

// Writing changes only what it must: other sections, comments, spelling and
// order stay; a new key goes after the section's last key, a new section at
// the end after a blank line; lines end in CR LF; the file is replaced whole.
TEST(IniFile, WritesKeepTheRestOfTheFile)
{
    TempWorkspace ws;
    const QString path = ws.Write(QStringLiteral("a.ini"), EncodeGbk(QStringLiteral(
        "; 检查程序设置\n[Settings]\nSchemaCode = ysfp \n\n[Other]\nKeep=1\n")));
    TIniFile ini(path);
    ini.WriteString(QStringLiteral("settings"), QStringLiteral("SCHEMACODE"), QStringLiteral("hgwspz"));
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("SchemaName"), QStringLiteral("海关完税凭证"));
    ini.WriteString(QStringLiteral("New"), QStringLiteral("k"), QStringLiteral("v"));
    EXPECT_TRUE(ini.Modified());
    ini.UpdateFile();
    EXPECT_EQ(DecodeGbk(ws.Read(QStringLiteral("a.ini"))),
              QStringLiteral("; 检查程序设置\r\n[Settings]\r\nSchemaCode=hgwspz\r\nSchemaName=海关完税凭证\r\n\r\n"
                             "[Other]\r\nKeep=1\r\n\r\n[New]\r\nk=v\r\n"));

    TIniFile again(path);
    again.DeleteKey(QStringLiteral("SETTINGS"), QStringLiteral("schemacode"));
    again.EraseSection(QStringLiteral("other"));
    again.UpdateFile();
    EXPECT_EQ(DecodeGbk(ws.Read(QStringLiteral("a.ini"))),
              QStringLiteral("; 检查程序设置\r\n[Settings]\r\nSchemaName=海关完税凭证\r\n\r\n[New]\r\nk=v\r\n"));
    EXPECT_EQ(ws.Read(QStringLiteral("a.ini")).count("\r\n"), ws.Read(QStringLiteral("a.ini")).count("\n"));
}

// Values that reading would change (blanks at the ends, enclosing quotes)
// are written quoted and read back as given; names and values an INI file
// cannot hold are refused before anything changes.
TEST(IniFile, WrittenValuesReadBackAsGiven)
{
    TempWorkspace ws;
    const QString path = ws.file(QStringLiteral("b.ini"));
    const QStringList values{QStringLiteral(" padded "), QStringLiteral("\"quoted\""), QStringLiteral("'x'"),
                             QStringLiteral("a\"b"), QStringLiteral("\""), QString(), QStringLiteral("€5;=[x]")};
    {
        TIniFile ini(path);
        for (int i = 0; i < values.size(); ++i)
            ini.WriteString(QStringLiteral("V"), QStringLiteral("k%1").arg(i), values[i]);
        EXPECT_THROW(ini.WriteString(QStringLiteral("V"), QStringLiteral("a=b"), QString()), TUserError);
        EXPECT_THROW(ini.WriteString(QStringLiteral("V"), QStringLiteral("[x"), QString()), TUserError);
        EXPECT_THROW(ini.WriteString(QStringLiteral("V"), QStringLiteral("k"), QStringLiteral("a\r\n[Evil]")), TUserError);
        EXPECT_THROW(ini.WriteString(QStringLiteral("S]"), QStringLiteral("k"), QString()), TUserError);
        EXPECT_THROW(ini.WriteString(QStringLiteral(" "), QStringLiteral("k"), QString()), TUserError);
        ini.UpdateFile();
    }
    const TIniFile read(path);
    EXPECT_EQ(read.ReadSection(QStringLiteral("V")).size(), values.size());
    for (int i = 0; i < values.size(); ++i)
        EXPECT_EQ(read.ReadString(QStringLiteral("V"), QStringLiteral("k%1").arg(i), kDefault), values[i]) << i;
    EXPECT_EQ(read.ReadSections(), QStringList({QStringLiteral("V")}));
}

// A file that does not exist reads empty and is made by the first save; a
// UTF-8 file with its byte-order mark reads and is written back as UTF-8.
TEST(IniFile, MissingFileAndByteOrderMark)
{
    TempWorkspace ws;
    const TIniFile missing(ws.file(QStringLiteral("none.ini")));
    EXPECT_TRUE(missing.ReadSections().isEmpty());
    EXPECT_FALSE(missing.Modified());

    const QString path = ws.Write(QStringLiteral("u.ini"), QByteArray("\xEF\xBB\xBF[A]\r\nk=\xE7\xA8\x8E\r\n"));
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString(QStringLiteral("A"), QStringLiteral("k")), QStringLiteral("税"));
    ini.WriteString(QStringLiteral("A"), QStringLiteral("j"), QStringLiteral("额"));
    ini.UpdateFile();
    EXPECT_EQ(ws.Read(QStringLiteral("u.ini")), QByteArray("\xEF\xBB\xBF[A]\r\nk=\xE7\xA8\x8E\r\nj=\xE9\xA2\x9D\r\n"));

    ws.Write(QStringLiteral("dir.ini/x"), QByteArray());
    EXPECT_THROW(TIniFile(ws.file(QStringLiteral("dir.ini"))), TFileError);
}
