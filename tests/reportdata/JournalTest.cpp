#include "CaseNames.h"
#include "ReportFixtures.h"
#include "ScriptedPrompts.h"

#include "app/utils/Errors.h"
#include "reportdata/HashFunc.h"
#include "reportdata/ReportDocument.h"
#include "reportdata/ReportJournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

using namespace fixtures;

namespace {

class JournalTest : public WorkspaceTest {
protected:
    // A keyed report with one record, changed by a helper process that is
    // then killed; returns the report's path.
    QString CrashedReport()
    {
        const QString path = InvoiceReport({Invoice("A", 1, HashKeyText("A"))}, "NAME");
        RunCrashHelper(ws, path);
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

TEST_F(JournalTest, AJournalForOtherBytesIsSetAsideNotApplied)
{
    const QString path = CrashedReport();
    const QString journalPath = TReportJournal::PathFor(path);
    ASSERT_TRUE(QFile::copy(journalPath, ws.file("journal.copy")));
    Open(path)->Close(); // folds the journal in

    // An old copy brought back: it names the bytes before the fold.
    ASSERT_TRUE(QFile::copy(ws.file("journal.copy"), journalPath));
    ScriptedMessages messages;
    auto ds = Open(path);
    EXPECT_EQ(ds->RecordCount(), 4); // nothing applied twice
    EXPECT_FALSE(QFileInfo::exists(journalPath));
    EXPECT_EQ(ws.Read("Data/INVOICE200601.xml.journal.stale"), ws.Read("journal.copy"));
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown().at(0).flags, 48);
    EXPECT_EQ(messages.last(), QStringLiteral("报表\"%1\"旁的日志文件不属于这个报表文件,其中 7 项修改没有应用,"
                                              "日志文件已另存为\"%2\"!")
                                   .arg(path, journalPath + ".stale"));
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

// ---------------------------------------------------------------- journals found at load

std::vector<xmlNodePtr> RecordNodes(const TReportDocument &document)
{
    std::vector<xmlNodePtr> records;
    for (const TXMLRECType &rec : document.YSFP().Items())
        records.push_back(rec.Raw());
    return records;
}

// A journal beside report, for its bytes as they are, appending J1..Jcount.
void WriteJournal(const QString &report, int count)
{
    TReportDocument document;
    document.Load(report);
    TReportJournal journal(report, document.Identity());
    for (int i = 1; i <= count; ++i) {
        TJournalEntry entry;
        entry.pkid = QStringLiteral("{J%1}").arg(i);
        entry.fields = {{"NAME", QStringLiteral("J%1").arg(i)}};
        journal.Append(entry);
    }
}

// The line of an entry that does not apply to a report of few records.
QByteArray DeleteFarLine(const TempWorkspace &ws)
{
    const QString scratch = ws.file("scratch.xml");
    {
        TReportJournal journal(scratch, TFileIdentity{true, 1, 2});
        TJournalEntry entry;
        entry.kind = TJournalEntry::Kind::Delete;
        entry.index = 99;
        journal.Append(entry);
    }
    const QByteArray line = ws.Read("scratch.xml.journal").split('\n').at(1);
    QFile::remove(scratch + ".journal");
    return line;
}

// What is done to a journal of ten appended records J1..J10 (line 0 is the
// first line), and what loading then applies and reports.
struct DamageCase {
    const char *name;
    enum Damage { ChangeByte, NotApplying, TornEnd } damage;
    int line;
    int applied;
    enum Report { Silent, Damaged, Foreign } report;
    int lost;
};

const DamageCase kDamageCases[] = {
    {"a middle entry changed", DamageCase::ChangeByte, 3, 2, DamageCase::Damaged, 8},
    {"the last complete entry changed", DamageCase::ChangeByte, 10, 9, DamageCase::Damaged, 1},
    {"an entry that does not apply", DamageCase::NotApplying, 5, 4, DamageCase::Damaged, 6},
    {"the first line changed", DamageCase::ChangeByte, 0, 0, DamageCase::Foreign, 10},
    {"a torn last line", DamageCase::TornEnd, 11, 10, DamageCase::Silent, 0},
};

void PrintTo(const DamageCase &c, std::ostream *os) { *os << c.name; }

class JournalDamageTest : public WorkspaceTest, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(JournalDamageTest, WhatAppliesIsAppliedAndTheRestIsKeptAndReported)
{
    const DamageCase &c = GetParam();
    const QString report = InvoiceReport({Invoice("OLD", 1)});
    const QString journal = TReportJournal::PathFor(report);
    WriteJournal(report, 10);
    QList<QByteArray> lines = ws.Read("Data/INVOICE200601.xml.journal").split('\n');
    ASSERT_EQ(lines.size(), 12); // the first line, ten entries, nothing after the last line end
    switch (c.damage) {
    case DamageCase::ChangeByte:
        lines[c.line][12] = lines[c.line][12] == 'X' ? 'Y' : 'X';
        break;
    case DamageCase::NotApplying:
        lines[c.line] = DeleteFarLine(ws);
        break;
    case DamageCase::TornEnd:
        lines[c.line] = lines[1].left(20); // no line end
        break;
    }
    const QByteArray damaged = lines.join('\n');
    ws.Write("Data/INVOICE200601.xml.journal", damaged);

    ScriptedMessages messages;
    auto ds = Open(report);
    QStringList expected{"OLD"};
    for (int i = 1; i <= c.applied; ++i)
        expected << QStringLiteral("J%1").arg(i);
    EXPECT_EQ(ds->RecordCount(), expected.size());
    EXPECT_EQ(StoredNames(report), expected); // saved at once
    EXPECT_FALSE(QFileInfo::exists(journal));
    const QString stale = journal + ".stale";
    if (c.report == DamageCase::Silent) {
        EXPECT_TRUE(messages.shown().isEmpty()) << messages.last().toStdString();
        EXPECT_FALSE(QFileInfo::exists(stale));
    } else {
        ASSERT_EQ(messages.shown().size(), 1) << messages.texts().join('\n').toStdString();
        EXPECT_EQ(messages.shown().at(0).flags, 48);
        const QString text = c.report == DamageCase::Damaged
                                 ? QStringLiteral("报表\"%1\"的日志文件已损坏,有 %2 项修改未能恢复,日志文件已另存为\"%3\"!")
                                 : QStringLiteral("报表\"%1\"旁的日志文件不属于这个报表文件,其中 %2 项修改没有应用,"
                                                  "日志文件已另存为\"%3\"!");
        EXPECT_EQ(messages.last(), text.arg(report).arg(c.lost).arg(stale));
        // The kept copy holds every line as it was.
        EXPECT_TRUE(ws.Read("Data/INVOICE200601.xml.journal.stale").startsWith(damaged));
    }
    ds->AppendRecord({"NEXT"});
    ds->Close();
    EXPECT_EQ(StoredNames(report), expected << "NEXT");
    QStringList left{"INVOICE200601.xml"};
    if (c.report != DamageCase::Silent)
        left << "INVOICE200601.xml.journal.stale";
    EXPECT_EQ(FolderOf(report), left);

    // Told once: the kept journal is not the report's journal any more.
    Open(report)->Close();
    EXPECT_EQ(messages.shown().size(), c.report == DamageCase::Silent ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Lines, JournalDamageTest, ::testing::ValuesIn(kDamageCases),
                         [](const ::testing::TestParamInfo<DamageCase> &info) {
                             return CaseName(info.index, info.param.name);
                         });

// A crash after the new report file replaced the old one and before the
// journal was removed or set aside: the fold mark tells what the file holds.
TEST_F(JournalTest, AJournalAlreadyInTheFileIsRemovedAndOnlyItsRestIsKept)
{
    const QString report = InvoiceReport({Invoice("OLD", 1)});
    TReportDocument document;
    document.Load(report);
    std::vector<xmlNodePtr> records = RecordNodes(document);
    {
        TReportJournal journal(report, document.Identity());
        for (const char *name : {"F1", "F2"}) {
            TJournalEntry entry;
            entry.pkid = QStringLiteral("{%1}").arg(name);
            entry.fields = {{"NAME", QString::fromLatin1(name)}};
            journal.Append(entry);
            ASSERT_TRUE(TReportJournal::Apply(entry, document, records));
        }
        document.Save(report, [&](const TFileIdentity &written) { journal.MarkFolded(written, journal.Count()); });
    } // killed here: the journal stays
    ASSERT_TRUE(QFileInfo::exists(TReportJournal::PathFor(report)));

    ScriptedMessages messages;
    Open(report)->Close();
    EXPECT_EQ(StoredNames(report), QStringList({"OLD", "F1", "F2"})); // not twice
    EXPECT_EQ(FolderOf(report), QStringList{"INVOICE200601.xml"});
    EXPECT_TRUE(messages.shown().isEmpty()) << messages.last().toStdString();

    // A damaged journal whose intact start was saved: the rest is kept.
    WriteJournal(report, 5);
    QList<QByteArray> lines = ws.Read("Data/INVOICE200601.xml.journal").split('\n');
    lines[3][12] = lines[3][12] == 'X' ? 'Y' : 'X';
    ws.Write("Data/INVOICE200601.xml.journal", lines.join('\n'));
    document.Load(report);
    const TReportJournal::TScan scan = TReportJournal::Scan(report, document.Identity());
    ASSERT_EQ(scan.entries.size(), 2u);
    records = RecordNodes(document);
    for (const TJournalEntry &entry : scan.entries)
        ASSERT_TRUE(TReportJournal::Apply(entry, document, records));
    {
        auto journal = TReportJournal::Reopen(report, scan.completeLength, scan.changes);
        document.Save(report, [&](const TFileIdentity &written) { journal->MarkFolded(written, 2); });
    } // killed before the journal was set aside

    auto ds = Open(report);
    EXPECT_EQ(StoredNames(report), QStringList({"OLD", "F1", "F2", "J1", "J2"}));
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.last(), QStringLiteral("报表\"%1\"的日志文件已损坏,有 3 项修改未能恢复,日志文件已另存为\"%2\"!")
                                   .arg(report, TReportJournal::PathFor(report) + ".stale"));
}

// Leftovers of a crash that hold no change: removed at the next open,
// without a word.
struct LeftoverCase {
    const char *name;
    const char *file;  // beside the report; {pid}: a process that ended
    QByteArray bytes;  // {size} {crc}: the report's identity
};

const LeftoverCase kLeftovers[] = {
    {"an empty journal", "INVOICE200601.xml.journal", ""},
    {"a torn first line", "INVOICE200601.xml.journal", "CORVANE-JOURN"},
    {"a journal without changes", "INVOICE200601.xml.journal", "CORVANE-JOURNAL 2 {size} {crc} INVOICE200601.xml\n"},
    {"a journal without changes for other bytes", "INVOICE200601.xml.journal", "CORVANE-JOURNAL 1 7 0000ABCD\n"},
    {"a temporary of a dead writer", ".INVOICE200601.xml.~{pid}.a1B2c3", "<TAXPAYER"},
    {"a lock of a dead holder", "INVOICE200601.xml.lock", ""},
};

void PrintTo(const LeftoverCase &c, std::ostream *os) { *os << c.name; }

class LeftoverTest : public WorkspaceTest, public ::testing::WithParamInterface<LeftoverCase> {};

TEST_P(LeftoverTest, IsRemovedSilentlyAtTheNextOpen)
{
    const LeftoverCase &c = GetParam();
    const QString report = InvoiceReport({Invoice("OLD", 1)});
    TReportDocument document;
    document.Load(report);
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    QByteArray bytes = c.bytes;
    bytes.replace("{size}", QByteArray::number(document.Identity().size))
        .replace("{crc}", QByteArray::number(document.Identity().crc, 16).rightJustified(8, '0').toUpper());
    ws.Write("Data/" + QString::fromLatin1(c.file).replace("{pid}", QString::number(child)), bytes);

    ScriptedMessages messages;
    auto ds = Open(report);
    EXPECT_FALSE(ds->ReadOnly());
    ds->Close();
    EXPECT_EQ(FolderOf(report), QStringList{"INVOICE200601.xml"});
    EXPECT_EQ(StoredNames(report), QStringList{"OLD"});
    EXPECT_TRUE(messages.shown().isEmpty()) << messages.last().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Files, LeftoverTest, ::testing::ValuesIn(kLeftovers),
                         [](const ::testing::TestParamInfo<LeftoverCase> &info) {
                             return CaseName(info.index, info.param.name);
                         });

// Two new reports of one schema and taxpayer have the same bytes: a journal
// names its file, and one copied beside the other report is refused there.
TEST_F(JournalTest, AJournalOfAnotherReportWithTheSameBytesIsRefused)
{
    const QString xml = ReportXml("INVOICE.xml", {Invoice("OLD", 1)});
    const QString first = InvoiceReport({Invoice("OLD", 1)});
    const QString second = WriteReport("INVOICE200602.xml", xml);
    ASSERT_EQ(ws.Read("Data/INVOICE200601.xml"), ws.Read("Data/INVOICE200602.xml"));
    auto ds = Open(first);
    ds->AppendRecord({"ONE"});
    ds->AppendRecord({"TWO"});
    const QByteArray journal = ws.Read("Data/INVOICE200601.xml.journal");
    ds->Close();
    ws.Write("Data/INVOICE200602.xml.journal", journal);

    ScriptedMessages messages;
    Open(second)->Close();
    EXPECT_EQ(StoredNames(second), QStringList{"OLD"});
    EXPECT_EQ(ws.Read("Data/INVOICE200602.xml.journal.stale"), journal);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.last(), QStringLiteral("报表\"%1\"旁的日志文件不属于这个报表文件,其中 2 项修改没有应用,"
                                              "日志文件已另存为\"%2\"!")
                                   .arg(second, TReportJournal::PathFor(second) + ".stale"));

    // A journal of the first format names no file: it applies to the bytes it names.
    QList<QByteArray> lines = journal.split('\n');
    const QList<QByteArray> header = lines[0].split(' ');
    lines[0] = "CORVANE-JOURNAL 1 " + header[2] + ' ' + header[3];
    WriteReport("INVOICE200602.xml", xml); // the bytes it names again (the close rewrote them)
    ws.Write("Data/INVOICE200602.xml.journal", lines.join('\n'));
    Open(second)->Close();
    EXPECT_EQ(StoredNames(second), QStringList({"OLD", "ONE", "TWO"}));
    EXPECT_EQ(messages.shown().size(), 1);
}

} // namespace
