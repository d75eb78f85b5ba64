#include "checker/Batch.h"

#include "CaseNames.h"
#include "TempWorkspace.h"
#include "app/utils/ApplicationInfo.h"
#include "app/utils/TextFile.h"
#include "cli/CliCommands.h"
#include "export/XmlCrcFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

struct BatchOutput {
    int status = 0;
    QString out;
    QString err;
    // The lines of out without the line ends.
    QStringList Lines() const { return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};

BatchOutput Batch(const QStringList &arguments)
{
    BatchOutput run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    run.status = RunBatch(arguments, out, err);
    out.flush();
    err.flush();
    return run;
}

struct DemoDeclaration {
    const char *code;
    const char *schema;
    const char *period;
};

const DemoDeclaration kDeclarations[] = {
    {"370211600123456", "YSFPCGL", "200602"},
    {"370211600123456", "HGWSPZ", "200601"},
    {"320583MA1Q8R2T6W", "FJWZFPCGL", "200601"},
};

QString Stem(const DemoDeclaration &d)
{
    return QString::fromUtf8(d.schema) + QString::fromUtf8(d.period) + QLatin1Char('_') + QString::fromUtf8(d.code);
}

QStringList FilesBelow(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(it.next());
    files.sort();
    return files;
}

// The demo workspace (with the demo's "Check.js") and one declaration of
// each demo schema written by the client's own "corvane-cli declare",
// made once for the suite: declared/<SCHEMA>/ holds the interface file,
// its CRC document and the DTD, as the disk the taxpayer brings.
class BatchTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        workspace_ = new TempWorkspace;
        workspace_->CopyDemo();
        for (const DemoDeclaration &d : kDeclarations) {
            const QString folder = workspace_->file(QStringLiteral("declared/") + QString::fromUtf8(d.schema));
            QDir().mkpath(folder);
            QString out;
            QString err;
            QTextStream outStream(&out);
            QTextStream errStream(&err);
            const int status = RunCli({QStringLiteral("declare"), QString::fromUtf8(d.code), QString::fromUtf8(d.schema),
                                       QString::fromUtf8(d.period), QStringLiteral("--to"), folder},
                                      outStream, errStream);
            errStream.flush();
            ASSERT_EQ(status, 0) << err.toStdString();
        }
    }
    static void TearDownTestSuite()
    {
        delete workspace_;
        workspace_ = nullptr;
    }
    void SetUp() override { TApplicationInfo::SetAppDir(workspace_->path()); }

    // Copies the declaration of schema into tree/relative/; returns the
    // interface file's path there.
    QString Place(const DemoDeclaration &d, const QString &relative)
    {
        const QString from = workspace_->file(QStringLiteral("declared/") + QString::fromUtf8(d.schema) + QLatin1Char('/'));
        const QString to = Tree(relative);
        QDir().mkpath(to);
        for (const QString &name : QDir(from).entryList(QDir::Files))
            EXPECT_TRUE(QFile::copy(from + name, to + name)) << name.toStdString();
        return to + Stem(d) + QStringLiteral("_JK.XML");
    }
    QString Tree(const QString &relative = QString()) const
    {
        return QDir::cleanPath(tree_.path() + QLatin1Char('/') + relative) + QLatin1Char('/');
    }

    static TempWorkspace *workspace_;
    QTemporaryDir tree_;
};

TempWorkspace *BatchTest::workspace_ = nullptr;

// Replaces the first occurrence of from in the GBK file.
void Edit(const QString &path, const QString &from, const QString &to)
{
    QByteArray bytes = ReadFileBytes(path);
    const QByteArray needle = EncodeGbk(from);
    const qsizetype at = bytes.indexOf(needle);
    ASSERT_GE(at, 0) << from.toStdString();
    bytes.replace(at, needle.size(), EncodeGbk(to));
    WriteFileAtomically(path, bytes);
}

// Records the file's present CRC in the CRC document its root names.
void Reseal(const QString &interfaceFile, const QString &crcName)
{
    UpdateCrcDocument(QFileInfo(interfaceFile).absolutePath() + QLatin1Char('/') + crcName, interfaceFile);
}

QJsonObject JsonRow(const QString &line)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
    EXPECT_TRUE(document.isObject()) << line.toStdString();
    return document.object();
}

// ---- Declarations written by the client pass; the run writes nothing ----

TEST_F(BatchTest, DeclarationsOfEveryDemoSchemaPassInSortedRows)
{
    Place(kDeclarations[2], QStringLiteral("z"));
    Place(kDeclarations[0], QStringLiteral("a/deep/er"));
    Place(kDeclarations[1], QStringLiteral("m"));
    const QStringList before = FilesBelow(Tree());

    const BatchOutput run = Batch({Tree()});
    ASSERT_EQ(run.status, 0) << run.out.toStdString() << run.err.toStdString();
    const QStringList lines = run.Lines();
    ASSERT_EQ(lines.size(), 5) << run.out.toStdString();
    EXPECT_EQ(lines.first(), QStringLiteral("path\tschema\ttaxpayer\tperiod\tcrc\tdtd\tscript\terrors\ttotals\tmessage"));
    const int order[] = {0, 1, 2};
    const QString folders[] = {QStringLiteral("a/deep/er"), QStringLiteral("m"), QStringLiteral("z")};
    for (int i = 0; i < 3; ++i) {
        const DemoDeclaration &d = kDeclarations[order[i]];
        const QStringList cells = lines.at(i + 1).split(QLatin1Char('\t'));
        ASSERT_EQ(cells.size(), 10) << lines.at(i + 1).toStdString();
        EXPECT_EQ(cells.at(0), Tree(folders[i]) + Stem(d) + QStringLiteral("_JK.XML"));
        EXPECT_EQ(cells.at(1), QString::fromUtf8(d.schema).toLower());
        EXPECT_EQ(cells.at(2), QString::fromUtf8(d.code));
        EXPECT_EQ(cells.at(3), QString::fromUtf8(d.period));
        EXPECT_EQ(cells.mid(4, 4), QStringList({"pass", "pass", "pass", "0"})) << lines.at(i + 1).toStdString();
        EXPECT_FALSE(cells.at(8).isEmpty()) << "the demo script reports totals";
    }
    EXPECT_EQ(lines.last(), QStringLiteral("# 共检查 3 个申报文件：通过 3 个，未通过 0 个"));
    EXPECT_TRUE(run.err.contains(QStringLiteral("已检查 3/3"))) << run.err.toStdString();

    // Results stay in memory: no DTD copied, no results file anywhere.
    EXPECT_EQ(FilesBelow(Tree()), before);
    EXPECT_FALSE(QFileInfo::exists(workspace_->file(QStringLiteral("temp.$$$"))));
}

// ---- What fails, and how it is said ----

struct FailureCase {
    const char *name;
    // Breaks the declaration at path (its CRC document's name is crcName).
    void (*breakIt)(const QString &path, const QString &crcName);
    const char *crc, *dtd, *script;
    const char *message; // contained in the row's message
};

const FailureCase kFailures[] = {
    {"changed byte",
     [](const QString &path, const QString &) { Edit(path, QStringLiteral("RECORDCOUNT=\""), QStringLiteral("RECORDCOUNT=\"1")); },
     "fail", "pass", "-", "申报文件的CRC检验值不正确，申报文件数据已被修改或不完整！"},
    {"renamed after declaring",
     [](const QString &path, const QString &) {
         QFile::rename(path, QFileInfo(path).absolutePath() + QStringLiteral("/YSFPCGL200602_X_JK.XML"));
     },
     "fail", "pass", "-", "无法读取验证文件“"},
    {"no CRC attribute",
     [](const QString &path, const QString &crcName) {
         Edit(path, QStringLiteral(" CRC=\"") + crcName + QLatin1Char('"'), QString());
     },
     "fail", "fail", "-", "数据验证文件 “"},
    {"breaks its DTD, resealed",
     [](const QString &path, const QString &crcName) {
         Edit(path, QStringLiteral(" CJLX=\"DLZK\""), QString());
         Reseal(path, crcName);
     },
     "pass", "fail", "", "申报文件不符合类型定义文件“YSFPCGLJK.DTD”"},
    {"record count the script refuses, resealed",
     [](const QString &path, const QString &crcName) {
         Edit(path, QStringLiteral("RECORDCOUNT=\""), QStringLiteral("RECORDCOUNT=\"9"));
         Reseal(path, crcName);
     },
     "pass", "pass", "errors", ""},
};

class BatchFailure : public BatchTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(BatchFailure, FailsThatFileAndTheRun)
{
    const FailureCase &c = GetParam();
    const QString good = Place(kDeclarations[1], QStringLiteral("good"));
    const QString bad = Place(kDeclarations[0], QStringLiteral("bad"));
    c.breakIt(bad, Stem(kDeclarations[0]) + QStringLiteral("_CRC.XML"));

    const BatchOutput run = Batch({QStringLiteral("--json"), Tree()});
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    const QStringList lines = run.Lines();
    ASSERT_EQ(lines.size(), 3) << run.out.toStdString();
    const QJsonObject failed = JsonRow(lines.at(0));
    EXPECT_TRUE(failed.value("path").toString().startsWith(Tree(QStringLiteral("bad")))) << lines.at(0).toStdString();
    EXPECT_EQ(failed.value("crc").toString(), QString::fromUtf8(c.crc)) << lines.at(0).toStdString();
    EXPECT_EQ(failed.value("dtd").toString(), QString::fromUtf8(c.dtd)) << lines.at(0).toStdString();
    if (*c.script) {
        EXPECT_EQ(failed.value("script").toString(), QString::fromUtf8(c.script)) << lines.at(0).toStdString();
    }
    EXPECT_FALSE(failed.value("passed").toBool());
    if (*c.message) {
        EXPECT_TRUE(failed.value("message").toString().contains(QString::fromUtf8(c.message))) << lines.at(0).toStdString();
    }
    if (QString::fromUtf8(c.script) == QLatin1String("errors")) {
        EXPECT_GT(failed.value("errorCount").toInt(), 0);
        EXPECT_EQ(failed.value("errors").toArray().size(), failed.value("errorCount").toInt());
    }
    if (QString::fromUtf8(c.script) == QLatin1String("-")) {
        EXPECT_FALSE(failed.contains("errorCount")) << "no script call after a failed CRC";
    }

    const QJsonObject passed = JsonRow(lines.at(1));
    EXPECT_EQ(passed.value("path").toString(), good);
    EXPECT_TRUE(passed.value("passed").toBool()) << lines.at(1).toStdString();
    const QJsonObject summary = JsonRow(lines.at(2));
    EXPECT_EQ(summary.value("files").toInt(), 2);
    EXPECT_EQ(summary.value("passed").toInt(), 1);
    EXPECT_EQ(summary.value("failed").toInt(), 1);
}

INSTANTIATE_TEST_SUITE_P(Declarations, BatchFailure, ::testing::ValuesIn(kFailures),
                         [](const auto &info) { return CaseName(info.index, info.param.name); });

// ---- Options ----

TEST_F(BatchTest, SchemaOptionChecksOnlyThatSchema)
{
    for (int i = 0; i < 3; ++i)
        Place(kDeclarations[i], QString::number(i));
    for (const QString &code : {QStringLiteral("hgwspz"), QStringLiteral("HGWSPZ")}) {
        const BatchOutput run = Batch({QStringLiteral("--schema"), code, Tree()});
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        const QStringList lines = run.Lines();
        ASSERT_EQ(lines.size(), 3) << run.out.toStdString();
        EXPECT_TRUE(lines.at(1).startsWith(Tree(QStringLiteral("1")) + Stem(kDeclarations[1]))) << lines.at(1).toStdString();
    }
    const BatchOutput unknown = Batch({QStringLiteral("--schema"), QStringLiteral("nosuch"), Tree()});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("nosuch"))) << unknown.err.toStdString();
    EXPECT_TRUE(unknown.out.isEmpty());
}

TEST_F(BatchTest, SaveWritesEachResultsTextBesideItsFile)
{
    const QString first = Place(kDeclarations[0], QStringLiteral("one"));
    const QString second = Place(kDeclarations[2], QStringLiteral("two"));
    const QString expected[] = {Tree(QStringLiteral("one")) + QStringLiteral("ysfpcgl200602_370211600123456_检查结果.txt"),
                                Tree(QStringLiteral("two")) + QStringLiteral("fjwzfpcgl200601_320583MA1Q8R2T6W_检查结果.txt")};

    const BatchOutput run = Batch({QStringLiteral("--save"), QStringLiteral("--json"), Tree()});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(QFileInfo::exists(expected[i])) << expected[i].toStdString();
        const QString text = DecodeGbk(ReadFileBytes(expected[i]));
        EXPECT_TRUE(text.startsWith(QStringLiteral("记录号\t检查结果\r\n"))) << text.toStdString();
        EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n")));
        EXPECT_TRUE(text.contains(QStringLiteral("合计项\t"))) << text.toStdString();
        EXPECT_EQ(JsonRow(run.Lines().at(i)).value("saved").toString(), expected[i]);
    }
    (void)first;
    (void)second;

    // A results file that cannot be written fails its row (here a folder
    // stands where the file would go); the others are still saved.
    QFile::remove(expected[0]);
    QFile::remove(expected[1]);
    ASSERT_TRUE(QDir().mkpath(expected[0]));
    const BatchOutput blocked = Batch({QStringLiteral("--save"), QStringLiteral("--json"), Tree()});
    EXPECT_EQ(blocked.status, 1);
    const QJsonObject row = JsonRow(blocked.Lines().at(0));
    EXPECT_FALSE(row.value("passed").toBool());
    EXPECT_TRUE(row.value("message").toString().contains(expected[0])) << row.value("message").toString().toStdString();
    EXPECT_TRUE(QFileInfo(expected[1]).isFile());
}

struct UsageCase {
    const char *name;
    QStringList arguments; // "DIR" stands for an existing folder
};

class BatchUsage : public BatchTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(BatchUsage, WrongCommandLineExitsTwoWithUsage)
{
    QStringList arguments = GetParam().arguments;
    arguments.replaceInStrings(QRegularExpression(QStringLiteral("^DIR$")), Tree());
    const BatchOutput run = Batch(arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("用法: vettra"))) << run.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, BatchUsage,
    ::testing::Values(UsageCase{"no folder", {}}, UsageCase{"options only", {"--json", "--save"}},
                      UsageCase{"unknown option", {"--fast", "DIR"}}, UsageCase{"jobs zero", {"--jobs", "0", "DIR"}},
                      UsageCase{"jobs not a number", {"--jobs", "two", "DIR"}},
                      UsageCase{"jobs without value", {"DIR", "--jobs"}},
                      UsageCase{"schema without value", {"DIR", "--schema"}}),
    [](const auto &info) { return CaseName(info.index, info.param.name); });

TEST_F(BatchTest, MissingFolderOrNoInterfaceFileFailsTheRun)
{
    const BatchOutput missing = Batch({Tree(QStringLiteral("nowhere"))});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("指定的路径 “") + Tree(QStringLiteral("nowhere")) + QStringLiteral("” 不存在！")))
        << missing.err.toStdString();
    EXPECT_TRUE(missing.out.isEmpty());

    const BatchOutput empty = Batch({Tree()});
    EXPECT_EQ(empty.status, 1);
    EXPECT_TRUE(empty.err.contains(QStringLiteral("没有发现相关的申报文件"))) << empty.err.toStdString();
}

// ---- Threads: a failing script call fails only its file ----

// A check script of its own: "broken" files make _CheckFile throw, "slow"
// ones never return; the others pass with their folder's name as total.
const char kScript[] = R"(
function GetSchemaList(unused) { return "ysfpcgl|运输发票清单\r\nhgwspz|海关完税凭证\r\n"; }
function ysfpcgl_CheckFile(path) {
  if (path.indexOf("broken") >= 0) throw new Error("无法检查");
  if (path.indexOf("slow") >= 0) { while (true) {} }
  var folder = path.split("/");
  return "[基本信息]\r\n纳税人识别号=370211600123456\r\n所属区间=200602\r\n[合计项目]\r\n文件夹=" +
         folder[folder.length - 2] + "\r\n";
}
)";

TEST_F(BatchTest, ScriptErrorOrTimeOutFailsOnlyItsFileOnAnyThread)
{
    const QString script = Tree(QStringLiteral("script")) + QStringLiteral("Check.js");
    QDir().mkpath(QFileInfo(script).absolutePath());
    WriteFileAtomically(script, EncodeGbk(QString::fromUtf8(kScript)));
    QStringList names;
    for (int i = 0; i < 8; ++i)
        names.append(QStringLiteral("f%1").arg(i));
    names.insert(3, QStringLiteral("f2-broken"));
    names.insert(6, QStringLiteral("f4-slow"));
    for (const QString &name : names)
        Place(kDeclarations[0], QStringLiteral("files/") + name);

    QString single;
    for (const int jobs : {1, 2}) {
        TBatchOptions options;
        options.folders = {Tree(QStringLiteral("files"))};
        options.jobs = jobs;
        options.timeoutMs = 400;
        options.scriptPath = script;
        const TBatchRun run = RunBatchChecks(options);
        EXPECT_EQ(run.jobs, jobs);
        ASSERT_EQ(run.files.size(), size_t(names.size()));
        QString rows;
        for (const TBatchFileResult &file : run.files) {
            const QString folder = QFileInfo(file.path).dir().dirName();
            rows += folder + QLatin1Char(' ') + ScriptOutcomeText(file.script) + QLatin1Char('\n');
            if (folder.endsWith(QLatin1String("broken"))) {
                EXPECT_EQ(file.script, TScriptOutcome::Failed);
                EXPECT_TRUE(file.message.contains(QStringLiteral("无法检查"))) << file.message.toStdString();
            } else if (folder.endsWith(QLatin1String("slow"))) {
                EXPECT_EQ(file.script, TScriptOutcome::TimedOut) << file.message.toStdString();
            } else {
                EXPECT_TRUE(file.Passed()) << file.path.toStdString() << file.message.toStdString();
                ASSERT_EQ(file.totals.size(), 1);
                EXPECT_EQ(file.totals.first().second, folder) << "the row is its own file's";
            }
        }
        if (jobs == 1)
            single = rows;
        else
            EXPECT_EQ(rows, single) << "the same rows in the same order whatever the threads";
    }
}

} // namespace
