// Faults that must not lock the operator out of a report nor lose a
// record: a full disk, an immutable report file, a file its owner made
// read-only.

#include "FileSizeLimit.h"
#include "ReportFixtures.h"
#include "ScriptedPrompts.h"

#include "app/utils/Errors.h"
#include "reportdata/ReportJournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <optional>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace fixtures;

namespace {

const QString kJournalFull = QStringLiteral("磁盘空间已满, 日志文件写入失败, 请关闭报表后重新打开");

// The report folder as a small file system of its own (a tmpfs, when this
// process may mount one), filled up and freed on demand. Without a mount,
// a file size limit stands in for the full disk.
class DiskSpace {
public:
    explicit DiskSpace(const QString &folder)
        : folder_(folder)
    {
        QDir().mkpath(folder);
        mounted_ = ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=512k") == 0;
    }
    ~DiskSpace()
    {
        limit_.reset();
        if (mounted_) {
            QDir(folder_).removeRecursively();
            ::umount2(QFile::encodeName(folder_).constData(), MNT_DETACH);
        }
    }
    bool Mounted() const { return mounted_; }
    // No room for another byte in a new block; without a mount, no file
    // may grow beyond limit bytes.
    void Fill(rlim_t limit)
    {
        if (!mounted_) {
            limit_.emplace(limit);
            return;
        }
        QFile filler(folder_ + "/filler");
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    void Free()
    {
        limit_.reset();
        if (mounted_)
            QFile::remove(folder_ + "/filler");
    }

private:
    QString folder_;
    bool mounted_ = false;
    std::optional<FileSizeLimit> limit_;
};

class ReportFaultTest : public WorkspaceTest {
protected:
    QString Entered(TXmlDataSet &ds) { return ds.FieldByName("NAME").AsString(); }
    ScriptedMessages messages;
};

TEST_F(ReportFaultTest, AFullDiskRefusesPostsButOpensTheReportAndLosesNothing)
{
    DiskSpace disk(ws.file("Data"));
    if (!disk.Mounted())
        std::fprintf(stderr, "no tmpfs mount here: a file size limit stands in for the full disk\n");
    const QString report = InvoiceReport({Invoice("OLD", 1)});
    const QString journal = TReportJournal::PathFor(report);
    const QByteArray before = ws.Read("Data/INVOICE200601.xml");

    auto ds = Open(report);
    ds->AppendRecord({"KEEP0"});
    disk.Fill(rlim_t(QFileInfo(journal).size()));
    // The journal's last block may still hold a few posts; then they are refused.
    QStringList acknowledged{"OLD", "KEEP0"};
    std::optional<QString> refusal;
    for (int n = 1; n <= 200 && !refusal; ++n) {
        ds->Append();
        ds->FieldByName("NAME").SetAsString(QStringLiteral("KEEP%1").arg(n));
        try {
            ds->Post();
            acknowledged << QStringLiteral("KEEP%1").arg(n);
        } catch (const TFileError &error) {
            refusal = error.Message();
        }
    }
    ASSERT_TRUE(refusal);
    EXPECT_EQ(*refusal, journal + ": " + kJournalFull);
    // The record stays in the grid, unposted, and is refused again.
    EXPECT_EQ(ds->State(), TDataSetState::Insert);
    EXPECT_TRUE(Entered(*ds).startsWith("KEEP"));
    try {
        ds->Post();
        ADD_FAILURE() << "posted on a full disk";
    } catch (const TFileError &error) {
        EXPECT_EQ(error.Message(), journal + ": " + kJournalFull);
    }
    ds->Cancel();
    EXPECT_THROW(ds->Close(), TFileError); // the report cannot be written either
    EXPECT_EQ(ws.Read("Data/INVOICE200601.xml"), before);
    EXPECT_TRUE(QFileInfo::exists(journal));

    // Opened again on the full disk: every acknowledged record, the journal kept.
    ds = Open(report);
    EXPECT_FALSE(ds->ReadOnly());
    QStringList shown;
    for (int row = 0; row < ds->RecordCount(); ++row)
        shown << ds->ViewText(row, 0);
    EXPECT_EQ(shown, acknowledged);
    ASSERT_EQ(messages.shown().size(), 1) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(messages.shown().at(0).flags, 48);
    EXPECT_EQ(messages.last(), QStringLiteral("磁盘空间已满,报表\"%1\"暂时不能保存!未保存的修改已从日志文件中恢复,"
                                              "日志文件保留到报表保存成功为止。")
                                   .arg(report));
    EXPECT_EQ(ws.Read("Data/INVOICE200601.xml"), before);
    EXPECT_TRUE(QFileInfo::exists(journal));

    // Room again: posts go on in the same journal, and the close writes it all.
    disk.Free();
    ds->AppendRecord({"AFTER"});
    ds->Close();
    EXPECT_EQ(StoredNames(report), acknowledged << "AFTER");
    EXPECT_EQ(FolderOf(report), QStringList{"INVOICE200601.xml"});
}

// Sets or clears the immutable flag; false when the file system or the
// process may not.
bool SetImmutable(const QString &path, bool immutable)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = immutable ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return ok;
}

TEST_F(ReportFaultTest, AnImmutableReportOpensWithItsJournalAndIsWrittenWhenItCanBe)
{
    const QString report = InvoiceReport({Invoice("A", 1)});
    RunCrashHelper(ws, report);
    const QString journal = TReportJournal::PathFor(report);
    if (!SetImmutable(report, true))
        GTEST_SKIP() << "the immutable flag cannot be set here (needs CAP_LINUX_IMMUTABLE and a file system with it)";
    struct Unset {
        QString path;
        ~Unset() { SetImmutable(path, false); }
    } unset{report};

    auto ds = Open(report);
    EXPECT_FALSE(ds->ReadOnly());
    EXPECT_EQ(ds->RecordCount(), 4); // the journal's changes, in memory
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown().at(0).flags, 48);
    EXPECT_EQ(messages.last(), QStringLiteral("报表\"%1\"暂时不能保存(%2)!未保存的修改已从日志文件中恢复,"
                                              "日志文件保留到报表保存成功为止。")
                                   .arg(report, QString::fromLocal8Bit(std::strerror(EPERM))));
    ds->AppendRecord({"IMM"});
    EXPECT_THROW(ds->Close(), TFileError);
    EXPECT_EQ(StoredNames(report), QStringList{"A"});
    EXPECT_TRUE(QFileInfo::exists(journal));

    ASSERT_TRUE(SetImmutable(report, false));
    Open(report)->Close();
    EXPECT_EQ(StoredNames(report), QStringList({"EDITED", "R1", "R3", "MID", "IMM"}));
    EXPECT_EQ(FolderOf(report), QStringList{"INVOICE200601.xml"});
    EXPECT_EQ(messages.shown().size(), 1);
}

// Tests run as root, where the mode bits stop no write: the dataset reads
// them instead of trying.
TEST_F(ReportFaultTest, AFileWithoutOwnerWritePermissionOpensReadOnlyAndIsNeverRewritten)
{
    const QString report = InvoiceReport({Invoice("A", 1)});
    RunCrashHelper(ws, report);
    ASSERT_EQ(::chmod(QFile::encodeName(report).constData(), 0444), 0);
    const QByteArray before = ws.Read("Data/INVOICE200601.xml");
    const QByteArray journalBefore = ws.Read("Data/INVOICE200601.xml.journal");
    struct stat was {};
    ::stat(QFile::encodeName(report).constData(), &was);

    auto ds = Open(report);
    EXPECT_TRUE(ds->ReadOnly());
    EXPECT_EQ(ds->ReadOnlyReason(), TReadOnlyReason::FileReadOnly);
    EXPECT_EQ(ds->RecordCount(), 4); // shown with the journal's changes
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown().at(0).flags, 64);
    EXPECT_EQ(messages.last(), QStringLiteral("报表文件\"%1\"是只读文件,只能查看,不能修改!").arg(report));
    try {
        ds->Append();
        ADD_FAILURE() << "appended to a read-only file";
    } catch (const TUserError &error) {
        EXPECT_EQ(error.Message(), "报表文件是只读文件,只能查看,不能修改!");
    }
    ds->SetReadOnly(false); // a window leaving view mode cannot change that
    EXPECT_TRUE(ds->ReadOnly());
    ds->Close();

    struct stat now {};
    ::stat(QFile::encodeName(report).constData(), &now);
    EXPECT_EQ(now.st_ino, was.st_ino); // not replaced
    EXPECT_EQ(now.st_mode & 07777, 0444u);
    EXPECT_EQ(ws.Read("Data/INVOICE200601.xml"), before);
    EXPECT_EQ(ws.Read("Data/INVOICE200601.xml.journal"), journalBefore); // kept for when it may be written

    // A reader that asked for read-only needs no notice.
    TXmlDataSet reader;
    reader.SetReadOnly(true);
    reader.SetFileName(report);
    reader.Open();
    reader.Close();
    EXPECT_EQ(messages.shown().size(), 1);
}

} // namespace
