#include "app/utils/Errors.h"
#include "app/utils/TextFile.h"
#include "FileSizeLimit.h"
#include "TempWorkspace.h"

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
