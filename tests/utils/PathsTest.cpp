#include "app/utils/ApplicationInfo.h"
#include "app/utils/Errors.h"
#include "app/utils/Paths.h"
#include "TempWorkspace.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

TEST(Paths, ResolvesExistingNamesWithoutRegardToCase)
{
    TempWorkspace ws;
    ws.Write(QStringLiteral("DS/YSFPCGLJK.DTD"), "x");
    ws.Write(QStringLiteral("Data/ab/File_JK.XML"), "y");
    EXPECT_EQ(ResolveCaseInsensitive(ws.file(QStringLiteral("ds/ysfpcgljk.dtd"))), ws.file(QStringLiteral("DS/YSFPCGLJK.DTD")));
    EXPECT_EQ(ResolveCaseInsensitive(ws.file(QStringLiteral("DATA/AB/file_jk.xml"))),
              ws.file(QStringLiteral("Data/ab/File_JK.XML")));
    // Missing leaf: existing parents take their spelling, the new name stays.
    EXPECT_EQ(ResolveCaseInsensitive(ws.file(QStringLiteral("data/AB/new.xml"))), ws.file(QStringLiteral("Data/ab/new.xml")));
    EXPECT_TRUE(FileExistsAnyCase(ws.file(QStringLiteral("ds/YsfpcglJK.dtd"))));
    EXPECT_FALSE(FileExistsAnyCase(ws.file(QStringLiteral("ds"))));
    EXPECT_TRUE(FolderExistsAnyCase(ws.file(QStringLiteral("ds"))));
}

TEST(Paths, SafeRelativeNameRefusesEscapes)
{
    EXPECT_EQ(SafeRelativeName(QStringLiteral("YSFPCGL.xml")), QStringLiteral("YSFPCGL.xml"));
    EXPECT_EQ(SafeRelativeName(QStringLiteral("sub\\a.xml")), QStringLiteral("sub/a.xml"));
    for (const char *bad : {"../Config.xml", "a/../../b", "/etc/passwd", "C:\\x.xml", "..\\x", ""})
        EXPECT_THROW(SafeRelativeName(QString::fromLatin1(bad)), TUserError) << bad;
}

TEST(ApplicationInfo, FoldersOfTheWorkspace)
{
    TempWorkspace ws;
    ws.MakeCurrent();
    EXPECT_EQ(TApplicationInfo::AppDir(), ws.path());
    EXPECT_EQ(TApplicationInfo::DSDir(), ws.file(QStringLiteral("DS/")));
    EXPECT_EQ(TApplicationInfo::DataDir(QStringLiteral("123")), ws.file(QStringLiteral("Data/123/")));
    EXPECT_FALSE(QFileInfo::exists(ws.file(QStringLiteral("Data/123"))));
    EXPECT_EQ(TApplicationInfo::EnsureDataDir(QStringLiteral("123")), ws.file(QStringLiteral("Data/123/")));
    EXPECT_TRUE(QFileInfo(ws.file(QStringLiteral("Data/123"))).isDir());
    EXPECT_EQ(TApplicationInfo::DeclareDir(QStringLiteral("200601")), ws.file(QStringLiteral("数据上报/200601/")));
    // An existing folder under another letter case is reused.
    QDir().mkpath(ws.file(QStringLiteral("ds")));
    EXPECT_EQ(TApplicationInfo::DSDir(), ws.file(QStringLiteral("ds/")));
    EXPECT_THROW(TApplicationInfo::DataDir(QStringLiteral("../x")), TUserError);
}

TEST(ApplicationInfo, WorkspaceFromArgumentsOrEnvironment)
{
    TempWorkspace a;
    TempWorkspace b;
    qputenv("CORVANE_HOME", b.path().toUtf8());
    QStringList rest = TApplicationInfo::InitFromArguments({QStringLiteral("prog"), QStringLiteral("--workspace"), a.path(),
                                                            QStringLiteral("x")});
    EXPECT_EQ(rest, QStringList({QStringLiteral("prog"), QStringLiteral("x")}));
    EXPECT_EQ(TApplicationInfo::AppDir(), a.path());
    TApplicationInfo::InitFromArguments({QStringLiteral("prog")});
    EXPECT_EQ(TApplicationInfo::AppDir(), b.path());
    qunsetenv("CORVANE_HOME");
}
