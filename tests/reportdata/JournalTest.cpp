#include "ReportFixtures.h"

#include "app/utils/Errors.h"
#include "reportdata/HashFunc.h"
#include "reportdata/ReportDocument.h"
#include "reportdata/ReportJournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class JournalTest : public WorkspaceTest {
protected:
    // A keyed report with one record, changed by a helper process that is
    // then killed; returns the report's path.
    QString CrashedReport()
    {
        const QString path = InvoiceReport({Invoice("A", 1, HashKeyText("A"))}, "NAME");
        QProcess helper;
        helper.start(QStringLiteral(CRASH_HELPER), {ws.path(), path});
        EXPECT_TRUE(helper.waitForFinished(60000));
        EXPECT_EQ(helper.exitStatus(), QProcess::CrashExit) << helper.readAllStandardError().toStdString();
        EXPECT_TRUE(QFileInfo::exists(TReportJournal::PathFor(path)));
        EXPECT_EQ(StoredNames(path), QStringList({"A"})); // the report file itself was not written
        return path;
    }

    const QStringList recovered{"EDITED", "R1", "R3", "MID"};
};

TEST_F(JournalTest, EveryPostAndDeleteSurvivesAKill)
{
    const QString path = CrashedReport();

    auto ds = Open(path);
    EXPECT_EQ(ds->RecordCount(), 4);
    QStringList names;
    for (int row = 0; row < ds->RecordCount(); ++row)
        names << ds->ViewText(row, 0);
    EXPECT_EQ(names, recovered);
    EXPECT_EQ(ds->PayerCode(), "110101000000777");
    // Keys came back with the records: a repeated key is still refused.
    EXPECT_EQ(ds->KeyList().Get(0), HashKeyText("EDITED"));
    ds->Append();
    ds->FieldByName("NAME").SetAsString("R3");
    EXPECT_THROW(ds->Post(), TUserError);
    ds->Cancel();

    // Folded into the report at load; the journal is gone.
    EXPECT_FALSE(QFileInfo::exists(TReportJournal::PathFor(path)));
    EXPECT_EQ(StoredNames(path), recovered);
    ds->Close();
    EXPECT_EQ(StoredNames(path), recovered);
}

TEST_F(JournalTest, ATornLastEntryIsIgnored)
{
    const QString path = CrashedReport();
    QFile journal(TReportJournal::PathFor(path));
    ASSERT_TRUE(journal.open(QIODevice::Append));
    journal.write("01234567 A\t{TORN}\tNAME\tTORN"); // cut before its line end
    journal.close();

    auto ds = Open(path);
    EXPECT_EQ(ds->RecordCount(), 4);
    EXPECT_EQ(StoredNames(path), recovered);
    EXPECT_FALSE(QFileInfo::exists(TReportJournal::PathFor(path)));
}

TEST_F(JournalTest, AnEntryWithABadChecksumEndsTheReplay)
{
    const QString path = CrashedReport();
    QFile journal(TReportJournal::PathFor(path));
    ASSERT_TRUE(journal.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = journal.readAll().split('\n');
    journal.close();
    ASSERT_GE(lines.size(), 3);
    lines[2][12] = lines[2][12] == 'X' ? 'Y' : 'X'; // the second entry: R2 appended
    ASSERT_TRUE(journal.open(QIODevice::WriteOnly | QIODevice::Truncate));
    journal.write(lines.join('\n'));
    journal.close();

    auto ds = Open(path);
    EXPECT_EQ(StoredNames(path), QStringList({"A", "R1"}));
}

TEST_F(JournalTest, AJournalForOtherBytesIsSetAsideNotApplied)
{
    const QString path = CrashedReport();
    const QString journalPath = TReportJournal::PathFor(path);
    ASSERT_TRUE(QFile::copy(journalPath, ws.file("journal.copy")));
    Open(path)->Close(); // folds the journal in

    // As if removing the journal after the fold had not reached the disk.
    ASSERT_TRUE(QFile::copy(ws.file("journal.copy"), journalPath));
    auto ds = Open(path);
    EXPECT_EQ(ds->RecordCount(), 4); // nothing applied twice
    EXPECT_FALSE(QFileInfo::exists(journalPath));
    EXPECT_TRUE(QFileInfo::exists(journalPath + ".stale"));
}

TEST_F(JournalTest, PostsAreJournaledUntilTheReportIsSaved)
{
    const QString path = InvoiceReport({});
    const QString journalPath = TReportJournal::PathFor(path);
    auto ds = Open(path);
    EXPECT_FALSE(QFileInfo::exists(journalPath)); // nothing changed yet
    ds->AppendRecord({"ONE"});
    EXPECT_TRUE(QFileInfo::exists(journalPath));

    // A second dataset on the same report (another program) sees the
    // journaled record but may not change or write the report.
    {
        TXmlDataSet other;
        other.SetFileName(path);
        other.Open();
        EXPECT_TRUE(other.ReadOnly());
        EXPECT_EQ(other.RecordCount(), 1);
        other.Close();
    }
    EXPECT_TRUE(QFileInfo::exists(journalPath));

    ds->Save();
    EXPECT_FALSE(QFileInfo::exists(journalPath));
    EXPECT_EQ(StoredNames(path), QStringList({"ONE"}));
    ds->AppendRecord({"TWO"}); // a new journal for the new bytes
    EXPECT_TRUE(QFileInfo::exists(journalPath));
    ds->Close();
    EXPECT_FALSE(QFileInfo::exists(journalPath));
    EXPECT_EQ(StoredNames(path), QStringList({"ONE", "TWO"}));
}

TEST_F(JournalTest, EntriesRoundTripThroughTheFileWithAnyCharacters)
{
    QDir().mkpath(ws.file("Data"));
    const QString report = ws.file("Data/R.xml");
    const TFileIdentity identity{true, 123, 0xABCDEF01u};
    const QString odd = QStringLiteral("a\tb\\n\nc\r\nd 中文 😀");
    using Kind = TJournalEntry::Kind;
    std::vector<TJournalEntry> written(4);
    written[0].kind = Kind::Append;
    written[0].pkid = "{P}";
    written[0].fields = {{"NAME", odd}, {"QTY", ""}};
    written[1].kind = Kind::Edit;
    written[1].index = 4;
    written[1].fields = {{"NAME", "\\"}};
    written[2].kind = Kind::Delete;
    written[2].index = 2;
    written[3].kind = Kind::Attribute;
    written[3].name = "SWSBH";
    written[3].value = odd;
    {
        TReportJournal journal(report, identity);
        EXPECT_THROW(TReportJournal(report, identity), TFileError); // one writer at a time
        for (const TJournalEntry &entry : written)
            journal.Append(entry);
    }

    const TReportJournal::TScan recovery = TReportJournal::Scan(report, identity);
    EXPECT_EQ(recovery.kind, TReportJournal::TScan::Kind::Current);
    EXPECT_FALSE(recovery.inUse);
    EXPECT_EQ(recovery.changes, int(written.size()));
    ASSERT_EQ(recovery.entries.size(), written.size());
    for (size_t i = 0; i < written.size(); ++i) {
        const TJournalEntry &a = written[i];
        const TJournalEntry &b = recovery.entries[i];
        EXPECT_EQ(int(a.kind), int(b.kind)) << i;
        EXPECT_EQ(a.index, b.index) << i;
        EXPECT_EQ(a.pkid, b.pkid) << i;
        EXPECT_EQ(a.name, b.name) << i;
        EXPECT_EQ(a.value, b.value) << i;
        EXPECT_EQ(a.fields, b.fields) << i;
    }

    TFileIdentity other = identity;
    other.crc ^= 1;
    const TReportJournal::TScan stale = TReportJournal::Scan(report, other);
    EXPECT_EQ(stale.kind, TReportJournal::TScan::Kind::Foreign);
    EXPECT_TRUE(stale.entries.empty());
}

} // namespace
