#include "CaseNames.h"
#include "TempWorkspace.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/Errors.h"
#include "app/utils/RemovableMedia.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Paths in the cases: "$M" a scratch folder on a file system of its own
// (/dev/shm, as a removable medium is), "$R" a scratch folder on the root
// file system.
struct MediumCase {
    const char *name;
    const char *target;         // the folder to empty
    const char *floppy;         // $CORVANE_FLOPPY, or nullptr
    const char *mountPoint;     // a mounted volume there, or nullptr
    bool removable;             // ... whose disk is removable
    const char *workspace;      // the workspace, or nullptr for one under /tmp
    const char *home;           // $HOME, or nullptr to keep it
    const char *refusal;        // part of the refusal; nullptr: emptied
};

class EmptyMediumTest : public ::testing::TestWithParam<MediumCase> {
protected:
    void SetUp() override
    {
        own = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/corvane-media-XXXXXX"));
        if (!own->isValid())
            GTEST_SKIP() << "no /dev/shm for a file system other than the root one";
        oldHome = qgetenv("HOME");
    }
    void TearDown() override
    {
        qunsetenv("CORVANE_FLOPPY");
        qputenv("HOME", oldHome);
    }
    QString Path(const char *text) const
    {
        QString path = QString::fromUtf8(text);
        path.replace(QStringLiteral("$M"), own->path());
        path.replace(QStringLiteral("$R"), rootFs.path());
        return path;
    }
    // Files, a sub-folder, a hidden file and a link to a folder outside.
    void Fill(const QString &folder) const
    {
        QDir().mkpath(folder + QStringLiteral("/sub"));
        for (const QString &name : {QStringLiteral("/a.txt"), QStringLiteral("/sub/b.txt"), QStringLiteral("/.hidden")}) {
            QFile file(folder + name);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("x");
        }
        QFile::link(outside.path(), folder + QStringLiteral("/link"));
    }

    std::unique_ptr<QTemporaryDir> own;
    QTemporaryDir rootFs;
    QTemporaryDir outside;
    TempWorkspace workspace;
    QByteArray oldHome;
};

TEST_P(EmptyMediumTest, OnlyARemovableMediumIsEmptied)
{
    const MediumCase &c = GetParam();
    const QString target = Path(c.target);
    Fill(target);
    QFile keep(outside.path() + QStringLiteral("/keep.txt"));
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    keep.close();
    if (c.floppy)
        qputenv("CORVANE_FLOPPY", Path(c.floppy).toLocal8Bit());
    if (c.home) {
        QDir().mkpath(Path(c.home));
        qputenv("HOME", Path(c.home).toLocal8Bit());
    }
    if (c.workspace) {
        QDir().mkpath(Path(c.workspace));
        TApplicationInfo::SetAppDir(Path(c.workspace));
    } else {
        workspace.MakeCurrent();
    }
    QList<TMountedVolume> volumes;
    if (c.mountPoint)
        volumes.append({Path(c.mountPoint), QStringLiteral("/dev/sdz1"), c.removable});

    const QStringList before = QDir(target).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    if (c.refusal) {
        try {
            EmptyRemovableMedium(target, volumes);
            ADD_FAILURE() << "emptied";
        } catch (const TUserError &e) {
            EXPECT_TRUE(e.Message().contains(QString::fromUtf8(c.refusal))) << e.Message().toStdString();
            EXPECT_TRUE(e.Message().startsWith(QStringLiteral("“"))) << e.Message().toStdString();
        }
        EXPECT_EQ(QDir(target).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
    } else {
        EmptyRemovableMedium(target, volumes);
        EXPECT_TRUE(QFileInfo(target).isDir());
        EXPECT_EQ(QDir(target).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                  QStringList());
    }
    EXPECT_TRUE(keep.exists()); // a link is removed, never followed
}

INSTANTIATE_TEST_SUITE_P(
    Guard, EmptyMediumTest,
    ::testing::Values(
        MediumCase{"the_folder_the_variable_names", "$M/medium", "$M/medium", nullptr, false, nullptr, nullptr, nullptr},
        MediumCase{"a_removable_volume", "$M/medium", nullptr, "$M/medium", true, nullptr, nullptr, nullptr},
        MediumCase{"a_volume_that_is_not_removable", "$M/medium", nullptr, "$M/medium", false, nullptr, nullptr,
                   "不是可移动磁盘"},
        MediumCase{"neither", "$M/medium", nullptr, nullptr, false, nullptr, nullptr, "不是可移动磁盘"},
        MediumCase{"a_folder_inside_the_medium", "$M/medium/sub", "$M/medium", "$M/medium", true, nullptr, nullptr,
                   "不是可移动磁盘"},
        MediumCase{"the_variable_on_the_root_file_system", "$R/floppy", "$R/floppy", nullptr, false, nullptr, nullptr,
                   "系统盘"},
        MediumCase{"a_removable_volume_on_the_root_device", "$R/floppy", nullptr, "$R/floppy", true, nullptr, nullptr,
                   "系统盘"},
        MediumCase{"the_workspace", "$M/medium", "$M/medium", nullptr, false, "$M/medium", nullptr, "工作目录"},
        MediumCase{"inside_the_workspace", "$M/ws/medium", "$M/ws/medium", nullptr, false, "$M/ws", nullptr, "工作目录"},
        MediumCase{"holding_the_workspace", "$M/medium", "$M/medium", nullptr, false, "$M/medium/ws", nullptr, "工作目录"},
        MediumCase{"the_home_folder", "$M/medium", "$M/medium", nullptr, false, nullptr, "$M/medium", "用户主目录"},
        MediumCase{"inside_the_home_folder", "$M/home/medium", "$M/home/medium", nullptr, false, nullptr, "$M/home",
                   "用户主目录"},
        MediumCase{"holding_the_home_folder", "$M/medium", nullptr, "$M/medium", true, nullptr, "$M/medium/user",
                   "用户主目录"}),
    [](const auto &info) { return CaseName(info.index, info.param.name); });

TEST(RemovableMediumFolder, IsTheVariablesFolderElseTheOneRemovableVolume)
{
    const QString cannot = QStringLiteral("系统不能创建传出路径 \"");
    QTemporaryDir scratch;
    qputenv("CORVANE_FLOPPY", (scratch.path() + QStringLiteral("/floppy")).toLocal8Bit());
    EXPECT_EQ(RemovableMediumFolder({}), scratch.path() + QStringLiteral("/floppy/"));
    EXPECT_TRUE(QFileInfo(scratch.path() + QStringLiteral("/floppy")).isDir()); // created

    // A folder that cannot be created is named in the message.
    QFile blocker(scratch.path() + QStringLiteral("/file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("CORVANE_FLOPPY", (scratch.path() + QStringLiteral("/file/floppy")).toLocal8Bit());
    try {
        RemovableMediumFolder({});
        ADD_FAILURE() << "no refusal";
    } catch (const TUserError &e) {
        EXPECT_EQ(e.Message(), cannot + scratch.path() + QStringLiteral("/file/floppy\" ,请先建立路径后再传出!"));
    }
    qunsetenv("CORVANE_FLOPPY");

    const TMountedVolume stick{QStringLiteral("/media/op/STICK"), QStringLiteral("/dev/sdb1"), true};
    const TMountedVolume card{QStringLiteral("/media/op/CARD"), QStringLiteral("/dev/mmcblk0p1"), true};
    const TMountedVolume disk{QStringLiteral("/data"), QStringLiteral("/dev/sda2"), false};
    const TMountedVolume stickAgain{QStringLiteral("/mnt/stick"), QStringLiteral("/dev/sdb1"), true};
    EXPECT_EQ(RemovableMediumFolder({disk, stick}), QStringLiteral("/media/op/STICK/"));
    EXPECT_EQ(RemovableMediumFolder({stick, stickAgain}), QStringLiteral("/media/op/STICK/")); // one medium
    for (const QList<TMountedVolume> &volumes : {QList<TMountedVolume>{disk}, QList<TMountedVolume>{stick, card}}) {
        try {
            RemovableMediumFolder(volumes);
            ADD_FAILURE() << "no refusal";
        } catch (const TUserError &e) {
            EXPECT_TRUE(e.Message().startsWith(cannot + QStringLiteral("可移动磁盘("))) << e.Message().toStdString();
            if (volumes.size() == 2) {
                EXPECT_TRUE(e.Message().contains(QStringLiteral("/media/op/STICK, /media/op/CARD"))) << e.Message().toStdString();
            }
        }
    }
}

} // namespace
