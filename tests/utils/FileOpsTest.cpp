#include "app/utils/FileOps.h"
#include "TempWorkspace.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

TEST(FileOps, CopyFileChunkedCopiesEveryByte)
{
    TempWorkspace ws;
    QByteArray big(250000, '\0');
    for (int i = 0; i < big.size(); ++i)
        big[i] = char(i * 7 + (i >> 9));
    ws.Write(QStringLiteral("big.bin"), big);
    ws.Write(QStringLiteral("empty.bin"), QByteArray());
    ws.Write(QStringLiteral("dest.bin"), "older and longer content that must go");
    EXPECT_TRUE(CopyFileChunked(ws.file(QStringLiteral("big.bin")), ws.file(QStringLiteral("dest.bin"))));
    EXPECT_EQ(ws.Read(QStringLiteral("dest.bin")), big);
    EXPECT_TRUE(CopyFileChunked(ws.file(QStringLiteral("empty.bin")), ws.file(QStringLiteral("e2.bin"))));
    EXPECT_TRUE(QFileInfo::exists(ws.file(QStringLiteral("e2.bin"))));
    EXPECT_EQ(QFileInfo(ws.file(QStringLiteral("e2.bin"))).size(), 0);
}

TEST(FileOps, MoveFolderOfEmptyAndNestedTrees)
{
    TempWorkspace ws;
    QDir().mkpath(ws.file(QStringLiteral("empty")));
    EXPECT_TRUE(MoveFolder(ws.file(QStringLiteral("empty")), ws.file(QStringLiteral("Data/empty"))));
    EXPECT_TRUE(QFileInfo(ws.file(QStringLiteral("Data/empty"))).isDir());
    EXPECT_FALSE(QFileInfo::exists(ws.file(QStringLiteral("empty"))));

    ws.Write(QStringLiteral("Help/a.txt"), "a");
    ws.Write(QStringLiteral("Help/sub/b.txt"), "b");
    ws.Write(QStringLiteral("Help/.hidden"), "h");
    EXPECT_TRUE(MoveFolder(ws.file(QStringLiteral("Help")), ws.file(QStringLiteral("Data/Help"))));
    EXPECT_EQ(ws.Read(QStringLiteral("Data/Help/sub/b.txt")), QByteArray("b"));
    EXPECT_EQ(ws.Read(QStringLiteral("Data/Help/.hidden")), QByteArray("h"));
    EXPECT_FALSE(QFileInfo::exists(ws.file(QStringLiteral("Help"))));
}

// A file present at both ends with different content keeps the destination's
// content, and the source's differing copy is not thrown away.
TEST(FileOps, MoveFolderNeverLosesADifferingFile)
{
    TempWorkspace ws;
    ws.Write(QStringLiteral("src/same.txt"), "same");
    ws.Write(QStringLiteral("src/diff.txt"), "source");
    ws.Write(QStringLiteral("dst/same.txt"), "same");
    ws.Write(QStringLiteral("dst/diff.txt"), "destination");
    EXPECT_FALSE(MoveFolder(ws.file(QStringLiteral("src")), ws.file(QStringLiteral("dst"))));
    EXPECT_EQ(ws.Read(QStringLiteral("dst/diff.txt")), QByteArray("destination"));
    EXPECT_EQ(ws.Read(QStringLiteral("src/diff.txt")), QByteArray("source"));
    EXPECT_FALSE(QFileInfo::exists(ws.file(QStringLiteral("src/same.txt"))));
}

TEST(FileOps, DeleteAndList)
{
    TempWorkspace ws;
    ws.Write(QStringLiteral("t/a/b/c.txt"), "c");
    ws.Write(QStringLiteral("t/YSFPCGL.xml"), "1");
    ws.Write(QStringLiteral("t/ysfpcgl2.xml"), "2");
    ws.Write(QStringLiteral("t/.YSFPCGL3.xml"), "3");
    ws.Write(QStringLiteral("t/other.xml"), "o");
    QDir().mkpath(ws.file(QStringLiteral("t/.hiddendir")));
    QStringList folders;
    ListSubfolders(ws.file(QStringLiteral("t")), folders);
    EXPECT_EQ(folders, QStringList({QStringLiteral("a")}));
    QStringList files;
    ListFilesWithPrefix(ws.file(QStringLiteral("t")), QStringLiteral("YSFPCGL"), files);
    EXPECT_EQ(files, QStringList({ws.file(QStringLiteral("t/YSFPCGL.xml")), ws.file(QStringLiteral("t/ysfpcgl2.xml"))}));

    EXPECT_FALSE(DeleteFolder(QString()));
    EXPECT_TRUE(DeleteFolder(ws.file(QStringLiteral("t/a"))));
    EXPECT_FALSE(QFileInfo::exists(ws.file(QStringLiteral("t/a"))));
    DeleteFolderTree(ws.file(QStringLiteral("t")));
    DeleteFolderTree(ws.file(QStringLiteral("never")));
    EXPECT_FALSE(QFileInfo::exists(ws.file(QStringLiteral("t"))));
}
