#include "app/utils/AtomicFile.h"
#include "CaseNames.h"
#include "TempWorkspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QStringList Entries(const TempWorkspace &ws)
{
    return QDir(ws.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

void SetAge(const QString &path, int seconds)
{
    timeval times[2];
    gettimeofday(&times[0], nullptr);
    times[0].tv_sec -= seconds;
    times[1] = times[0];
    ASSERT_EQ(utimes(QFile::encodeName(path).constData(), times), 0);
}

TEST(AtomicFile, CommitReplacesTheFileKeepsItsModeAndLeavesNoTemporary)
{
    TempWorkspace ws;
    const QString target = ws.Write("R.xml", "old");
    ASSERT_EQ(chmod(QFile::encodeName(target).constData(), 0640), 0);
    {
        TAtomicFile file(target);
        file.Write(QByteArray("new"));
        // The temporary is named after the target and this process.
        const QStringList during = Entries(ws);
        ASSERT_EQ(during.size(), 2);
        EXPECT_TRUE(during.at(0).startsWith(QStringLiteral(".R.xml.~%1.").arg(getpid()))) << during.at(0).toStdString();
        file.Commit();
    }
    EXPECT_EQ(Entries(ws), QStringList{"R.xml"});
    EXPECT_EQ(ws.Read("R.xml"), QByteArray("new"));
    EXPECT_EQ(QFileInfo(target).permissions() & 0x7777,
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup);

    {
        TAtomicFile abandoned(target);
        abandoned.Write(QByteArray("never"));
    }
    EXPECT_EQ(Entries(ws), QStringList{"R.xml"});
    EXPECT_EQ(ws.Read("R.xml"), QByteArray("new"));
}

// One file beside the target "R.xml": its name ({dead}: a process that
// ended, {self}: this process, {parent}: a live process older than the
// file, {young}: a live process started after the file was written), how
// long ago it was written, and whether the clean-up removes it.
struct StaleCase {
    const char *name;
    int age;
    bool removed;
};

const StaleCase kStaleCases[] = {
    {".R.xml.~{dead}.a1B2c3", 0, true},
    {".R.xml.~{self}.a1B2c3", 0, true},   // no TAtomicFile of this process writes it
    {".R.xml.~{parent}.a1B2c3", 0, false},
    {".R.xml.~{young}.a1B2c3", 3600, true}, // the pid came back for another process
    {".R.xml.a1B2c3", 0, false},          // older scheme: may be written right now
    {".R.xml.a1B2c3", 120, true},
    {".r.xml.~{dead}.a1B2c3", 0, false},  // another target
    {".R.xml.lock.~{dead}.a1B2c3", 0, false},
    {".R.xml.journal", 120, false},
    {".R.xml.~{dead}.a1B2c", 120, false},
    {".R.xml.~{dead}.a1B2c3d", 120, false},
    {".R.xml.~.a1B2c3", 120, false},
    {".R.xml.~12x.a1B2c3", 120, false},
    {".R.xml.a1B2-3", 120, false},
    {"R.xml.a1B2c3", 120, false},
    {"R.xml.~{dead}.a1B2c3", 120, false},
};

class StaleTemporaries : public ::testing::TestWithParam<StaleCase> {};

TEST_P(StaleTemporaries, OnlyLeftoversOfDeadWritersOfTheTargetGo)
{
    const StaleCase &c = GetParam();
    TempWorkspace ws;
    const QString target = ws.Write("R.xml", "report");

    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    ASSERT_GT(child, 0);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);

    QString name = QString::fromLatin1(c.name);
    name.replace("{dead}", QString::number(child))
        .replace("{self}", QString::number(getpid()))
        .replace("{parent}", QString::number(getppid()));
    QProcess young;
    const QString path = ws.file(name.contains("{young}") ? "placeholder" : name);
    if (name.contains("{young}")) {
        ws.Write("placeholder", "x");
        SetAge(ws.file("placeholder"), c.age);
        young.start("sleep", {"30"});
        ASSERT_TRUE(young.waitForStarted());
        name.replace("{young}", QString::number(young.processId()));
        ASSERT_TRUE(QFile::rename(path, ws.file(name)));
    } else {
        ws.Write(name, "partial");
        SetAge(path, c.age);
    }

    EXPECT_EQ(TAtomicFile::RemoveStaleTemporaries(target), c.removed ? 1 : 0);
    EXPECT_EQ(QFileInfo::exists(ws.file(name)), !c.removed);
    EXPECT_EQ(ws.Read("R.xml"), QByteArray("report"));
    if (young.state() != QProcess::NotRunning) {
        young.kill();
        young.waitForFinished();
    }
}

INSTANTIATE_TEST_SUITE_P(Names, StaleTemporaries, ::testing::ValuesIn(kStaleCases),
                         [](const ::testing::TestParamInfo<StaleCase> &info) {
                             return CaseName(info.index, info.param.name);
                         });

TEST(AtomicFile, ATemporaryBeingWrittenHereIsKept)
{
    TempWorkspace ws;
    const QString target = ws.Write("R.xml", "old");
    TAtomicFile file(target);
    file.Write(QByteArray("half"));
    EXPECT_EQ(TAtomicFile::RemoveStaleTemporaries(target), 0);
    file.Write(QByteArray(" and the rest"));
    file.Commit();
    EXPECT_EQ(ws.Read("R.xml"), QByteArray("half and the rest"));
    EXPECT_EQ(Entries(ws), QStringList{"R.xml"});
}

TEST(AtomicFile, ADirectoryOrAMissingFolderIsLeftAlone)
{
    TempWorkspace ws;
    QDir().mkpath(ws.file(".R.xml.a1B2c3"));
    SetAge(ws.file(".R.xml.a1B2c3"), 600);
    EXPECT_EQ(TAtomicFile::RemoveStaleTemporaries(ws.file("R.xml")), 0);
    EXPECT_TRUE(QFileInfo(ws.file(".R.xml.a1B2c3")).isDir());
    EXPECT_EQ(TAtomicFile::RemoveStaleTemporaries(ws.file("missing/R.xml")), 0);
}

} // namespace
