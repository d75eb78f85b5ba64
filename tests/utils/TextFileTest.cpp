#include "app/utils/Errors.h"
#include "app/utils/TextFile.h"
#include "FileSizeLimit.h"
#include "TempWorkspace.h"

#include <QStringDecoder>

#include <gtest/gtest.h>

TEST(TextFile, GbkLinesRoundTripWithCrLf)
{
    TempWorkspace ws;
    // "纳税人" in GBK, written by hand.
    const QByteArray gbk("\xC4\xC9\xCB\xB0\xC8\xCB\r\nabc\r\n");
    ws.Write(QStringLiteral("a.txt"), gbk);
    EXPECT_EQ(ReadGbkLines(ws.file(QStringLiteral("a.txt"))), QStringList({QStringLiteral("纳税人"), QStringLiteral("abc")}));
    EXPECT_EQ(LoadTextFile(ws.file(QStringLiteral("a.txt"))), QStringLiteral("纳税人\r\nabc\r\n"));
    WriteGbkLines(ws.file(QStringLiteral("b.txt")), {QStringLiteral("纳税人"), QStringLiteral("abc")});
    EXPECT_EQ(ws.Read(QStringLiteral("b.txt")), gbk);
}

// Code page 936 as Windows writes it: the euro sign is the single byte 0x80.
// A2 E3, which GB18030 and older files of this program use for it, still
// reads as the euro sign; 0x80 as the second byte of a character is part of
// that character.
TEST(TextFile, EuroSignIsTheByte80)
{
    TempWorkspace ws;
    ws.Write(QStringLiteral("euro.txt"), QByteArray("\x80" "12\r\n\xA2\xE3" "5\r\n\x81\x80\x80\r\n"));
    EXPECT_EQ(ReadGbkLines(ws.file(QStringLiteral("euro.txt"))),
              QStringList({QStringLiteral("€12"), QStringLiteral("€5"), QStringLiteral("\u4E90€")}));
    WriteGbkLines(ws.file(QStringLiteral("out.txt")), {QStringLiteral("€12"), QStringLiteral("单价€")});
    EXPECT_EQ(ws.Read(QStringLiteral("out.txt")), QByteArray("\x80" "12\r\n\xB5\xA5\xBC\xDB\x80\r\n"));
    EXPECT_EQ(EncodeGbk(QStringLiteral("€")), QByteArray("\x80"));
    EXPECT_TRUE(GbkCanHold(QStringLiteral("€ 单价")));
}

// Every other one- and two-byte character reads and writes as before, and
// characters code page 936 cannot hold keep their four-byte form.
TEST(TextFile, EveryOtherGbkCharacterRoundTripsUnchanged)
{
    QStringDecoder gb18030("GB18030");
    int checked = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            const QByteArray bytes{char(lead), char(trail)};
            const QString before = gb18030.decode(bytes);
            ASSERT_EQ(DecodeGbk(bytes), before) << bytes.toHex().constData();
            if (before == QStringLiteral("€"))
                continue;
            ASSERT_EQ(EncodeGbk(before), bytes) << bytes.toHex().constData();
            ++checked;
        }
    }
    EXPECT_GT(checked, 23000);
    for (int ascii = 0; ascii < 0x80; ++ascii)
        EXPECT_EQ(DecodeGbk(QByteArray(1, char(ascii))), QString(QChar(ascii)));
    const QString outside = QStringLiteral("\u00A2\U0001F600");
    EXPECT_EQ(EncodeGbk(outside), QByteArray("\x81\x30\x84\x34\x94\x39\xFC\x36"));
    EXPECT_EQ(DecodeGbk(EncodeGbk(outside)), outside);
    EXPECT_FALSE(GbkCanHold(outside));
}

TEST(TextFile, LineEndsOfAnyKindAndMissingFile)
{
    TempWorkspace ws;
    ws.Write(QStringLiteral("a.txt"), "a\nb\rc");
    EXPECT_EQ(ReadGbkLines(ws.file(QStringLiteral("a.txt"))), QStringList({"a", "b", "c"}));
    EXPECT_THROW(ReadGbkLines(ws.file(QStringLiteral("none.txt"))), TFileError);
}

// Tests run as root, so permissions cannot make a write fail; a file size
// limit can. The old file must survive and the system's message must reach
// the caller.
TEST(TextFile, FailedAtomicWriteKeepsTheOldFile)
{
    TempWorkspace ws;
    ws.Write(QStringLiteral("keep.txt"), "old content");
    QString message;
    try {
        FileSizeLimit limit(64);
        WriteFileAtomically(ws.file(QStringLiteral("keep.txt")), QByteArray(4096, 'x'));
    } catch (const TFileError &e) {
        message = e.Message();
    }
    EXPECT_FALSE(message.isEmpty()) << "a write beyond the size limit succeeded";
    EXPECT_EQ(ws.Read(QStringLiteral("keep.txt")), QByteArray("old content"));
}
