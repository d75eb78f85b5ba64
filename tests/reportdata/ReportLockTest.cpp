// One writer per report: two processes (the helper) on the same report, a
// lock left by a killed process, and what kills at any moment leave behind.

#include "ReportFixtures.h"
#include "ScriptedPrompts.h"

#include "app/utils/Errors.h"
#include "reportdata/ReportDocument.h"
#include "reportdata/ReportJournal.h"
#include "reportdata/ReportLock.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <gtest/gtest.h>

using namespace fixtures;

namespace {

// The helper in hold mode: a client with the report open.
class Holder {
public:
    Holder(const QString &workspace, const QString &report)
    {
        process_.start(QStringLiteral(CRASH_HELPER), {workspace, report, QStringLiteral("hold")});
    }
    ~Holder()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    // The next line it prints.
    std::string Line()
    {
        while (!process_.canReadLine()) {
            if (!process_.waitForReadyRead(30000))
                return "(no answer) " + process_.readAllStandardError().toStdString();
        }
        return process_.readLine().trimmed().toStdString();
    }
    std::string Command(const QString &command)
    {
        process_.write((command + QLatin1Char('\n')).toUtf8());
        return Line();
    }
    void Kill()
    {
        process_.kill();
        process_.waitForFinished();
    }

private:
    QProcess process_;
};

class ReportLockTest : public WorkspaceTest {
protected:
    void SetUp() override
    {
        WorkspaceTest::SetUp();
        report = InvoiceReport({Invoice("OLD", 1)});
    }
    QString report;
    ScriptedMessages messages;
};

TEST_F(ReportLockTest, TheSecondProcessIsReadOnlyAndCannotWriteBackOldRecords)
{
    Holder a(ws.path(), report);
    ASSERT_EQ(a.Line(), "open 0");
    Holder b(ws.path(), report); // opened before anything was posted
    ASSERT_EQ(b.Line(), "open 1");

    EXPECT_EQ(b.Command("post FROM-B").rfind("refused ", 0), 0u); // a refusal, never a second journal
    for (const char *name : {"A1", "A2", "A3"})
        EXPECT_EQ(a.Command(QStringLiteral("post ") + name), std::string("posted ") + name);
    EXPECT_EQ(a.Command("close"), "closed");
    EXPECT_EQ(b.Command("close"), "closed");

    EXPECT_EQ(StoredNames(report), QStringList({"OLD", "A1", "A2", "A3"}));
    EXPECT_EQ(FolderOf(report), QStringList{"INVOICE200601.xml"});
}

TEST_F(ReportLockTest, ALockLeftByAKilledProcessIsTakenOverAndRemovedAtClose)
{
    {
        Holder killed(ws.path(), report);
        ASSERT_EQ(killed.Line(), "open 0");
        ASSERT_EQ(killed.Command("post ACKED"), "posted ACKED");
        killed.Kill();
    }
    ASSERT_TRUE(QFileInfo::exists(TReportLock::PathFor(report)));

    auto ds = Open(report);
    EXPECT_FALSE(ds->ReadOnly());
    EXPECT_EQ(ds->ReadOnlyReason(), TReadOnlyReason::None);
    ds->AppendRecord({"AFTER"});
    ds->Close();
    EXPECT_EQ(StoredNames(report), QStringList({"OLD", "ACKED", "AFTER"}));
    EXPECT_EQ(FolderOf(report), QStringList{"INVOICE200601.xml"});
    EXPECT_TRUE(messages.shown().isEmpty()) << messages.last().toStdString();
}

TEST_F(ReportLockTest, ASecondDatasetHereIsReadOnlyUntilTheFirstCloses)
{
    auto first = Open(report);
    {
        auto second = Open(report);
        EXPECT_EQ(second->ReadOnlyReason(), TReadOnlyReason::OpenElsewhere);
        second->SetReadOnly(false); // asking does not make it writable
        try {
            second->Append();
            ADD_FAILURE() << "appended to a report open elsewhere";
        } catch (const TUserError &error) {
            EXPECT_EQ(error.Message(), "报表已在另一个程序中打开,只能查看,不能修改!");
        }
        EXPECT_THROW(second->Save(), TUserError);
        second->Close();
    }
    first->AppendRecord({"FIRST"});
    first->Close();
    EXPECT_FALSE(QFileInfo::exists(TReportLock::PathFor(report)));

    // The lock went with the close; opening again takes it again.
    first->Open();
    EXPECT_FALSE(first->ReadOnly());
    first->AppendRecord({"AGAIN"});
    first->Close();
    EXPECT_EQ(StoredNames(report), QStringList({"OLD", "FIRST", "AGAIN"}));
    EXPECT_EQ(FolderOf(report), QStringList{"INVOICE200601.xml"});

    // Asked for: the reason says so, and the refusal keeps its old words.
    auto viewer = std::make_unique<TXmlDataSet>();
    viewer->SetFileName(report);
    viewer->SetReadOnly(true);
    EXPECT_EQ(viewer->ReadOnlyReason(), TReadOnlyReason::Requested);
    EXPECT_EQ(TXmlDataSet::ReadOnlyText(TReadOnlyReason::Requested), "报表为只读,不能修改!");
}

// A client killed at random moments while it posts, saves, closes and opens
// again: after the next open and close, exactly the report file is left,
// holding every record whose post had returned.
TEST_F(ReportLockTest, KillsAtAnyMomentLeaveOnlyTheReportWithEveryAcknowledgedRecord)
{
    QStringList acknowledged{"OLD"};
    for (int round = 0; round < 12; ++round) {
        QProcess churn;
        churn.start(QStringLiteral(CRASH_HELPER),
                    {ws.path(), report, QStringLiteral("churn"), QStringLiteral("K%1").arg(round)});
        ASSERT_TRUE(churn.waitForStarted());
        ASSERT_TRUE(churn.waitForReadyRead(30000)) << churn.readAllStandardError().toStdString();
        QThread::msleep(QRandomGenerator::global()->bounded(10, 250));
        churn.kill();
        churn.waitForFinished();
        for (const QByteArray &line : churn.readAllStandardOutput().split('\n')) {
            if (line.startsWith("posted "))
                acknowledged << QString::fromUtf8(line.mid(7));
        }

        auto ds = Open(report);
        EXPECT_FALSE(ds->ReadOnly());
        ds->Close();
        EXPECT_EQ(FolderOf(report), QStringList{"INVOICE200601.xml"}) << "round " << round;
        const QStringList stored = StoredNames(report);
        for (const QString &name : acknowledged)
            EXPECT_TRUE(stored.contains(name)) << "round " << round << ": lost " << name.toStdString();
        QStringList once = stored;
        EXPECT_EQ(once.removeDuplicates(), 0) << "round " << round;
    }
    EXPECT_TRUE(messages.shown().isEmpty()) << messages.last().toStdString();
}

} // namespace
