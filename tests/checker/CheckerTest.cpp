#include "checker/Checker.h"

#include "CaseNames.h"
#include "ScriptedPrompts.h"
#include "TempWorkspace.h"
#include "app/utils/ApplicationInfo.h"
#include "app/utils/AtomicFile.h"
#include "app/utils/Clock.h"
#include "app/utils/Errors.h"
#include "app/utils/IniFile.h"
#include "app/utils/MessageBox.h"
#include "app/utils/SystemProcess.h"
#include "app/utils/TextFile.h"
#include "entry/ScriptHost.h"
#include "export/XmlCrcFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cerrno>

namespace {

const QString kGolden = QStringLiteral(CHECKER_GOLDEN_DIR);
const QString kDeclared = QStringLiteral("YSFPCGL200601_370211600123456_JK.XML");

QString Utf8File(const QString &path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(file.readAll());
}

void CopyFolder(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    for (const QString &name : QDir(from).entryList(QDir::Files)) {
        if (name != QStringLiteral("expected.txt")) {
            ASSERT_TRUE(QFile::copy(from + QLatin1Char('/') + name, to + name));
        }
    }
}

// Lines of "key=value" until "---", then the results text.
struct Expected {
    QString file;
    QString message;
    QMap<QString, QString> basicInfo;
    QString results;
};

Expected ReadExpected(const QString &folder, const QString &source)
{
    Expected expected;
    const QString text = Utf8File(folder + QStringLiteral("/expected.txt"));
    const int split = text.indexOf(QStringLiteral("---\n"));
    for (const QString &line : text.left(split).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const int eq = line.indexOf(QLatin1Char('='));
        const QString key = line.left(eq);
        const QString value = line.mid(eq + 1);
        if (key == QStringLiteral("file"))
            expected.file = value;
        else if (key == QStringLiteral("message"))
            expected.message = QString(value).replace(QStringLiteral("{SOURCE}"), source);
        else
            expected.basicInfo.insert(key, value);
    }
    expected.results = text.mid(split + 4);
    expected.results.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return expected;
}

// A demo workspace with the checker started on the YSFPCGL schema and an
// empty source folder.
class CheckerFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ws.CopyDemo();
        source = ws.path() + QStringLiteral("软盘/");
        QDir().mkpath(source);
        WriteSettings({QStringLiteral("ysfpcgl"), QStringLiteral("运输发票清单")});
    }
    void TearDown() override { SetDtdCopier(nullptr); }

    void Start()
    {
        ASSERT_EQ(session.Startup(), TCheckerSession::TStartup::Ready) << messages.texts().join(QLatin1Char('|')).toStdString();
        session.Shown();
    }

    // Runs a check; the message it raised, empty when none.
    QString Check()
    {
        try {
            session.Check(false, source);
        } catch (const TUserError &error) {
            return error.Message();
        }
        return QString();
    }

    bool ResultsFileWritten() const { return QFileInfo::exists(ws.file(QStringLiteral("temp.$$$"))); }

    TempWorkspace ws;
    QString source;
    ScriptedMessages messages;
    TCheckerSession session;
};

// ---- Golden folders: one declaration as it arrives, and what the run says ----

class GoldenCheck : public CheckerFixture, public ::testing::WithParamInterface<const char *> {};

TEST_P(GoldenCheck, RunsTheStepsOfACheck)
{
    const QString folder = kGolden + QLatin1Char('/') + QString::fromLatin1(GetParam());
    CopyFolder(folder, source);
    const Expected expected = ReadExpected(folder, source);
    Start();

    EXPECT_EQ(Check(), expected.message);
    const TCheckResult &result = session.Result();
    EXPECT_EQ(result.file, source + expected.file);
    EXPECT_EQ(result.status, QStringLiteral("申报文件检查结束。"));
    EXPECT_EQ(result.basicInfo, expected.basicInfo);
    if (expected.message.isEmpty()) {
        EXPECT_EQ(ResultsText(result.rows), expected.results);
        EXPECT_TRUE(ResultsFileWritten());
        EXPECT_TRUE(QFileInfo::exists(source + QStringLiteral("YSFPCGLJK.DTD")));
        EXPECT_EQ(session.ErrorsCaption(), QStringLiteral("共发现%1项错误").arg(result.errorCount));
    } else {
        // Stopped before the script: no results, nothing written anywhere.
        EXPECT_TRUE(result.rows.empty());
        EXPECT_FALSE(ResultsFileWritten());
        EXPECT_FALSE(QFileInfo::exists(source + QStringLiteral("YSFPCGLJK.DTD")));
        EXPECT_EQ(session.ErrorsCaption(), QStringLiteral("共发现%d项错误"));
    }
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(QLatin1Char('|')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Golden, GoldenCheck,
                         ::testing::Values("good", "changed-byte", "renamed", "no-crc-attribute", "script-errors",
                                           "two-files"),
                         [](const auto &info) { return CaseName(info.index, info.param); });

// ---- The DTD beside the file ----

TEST_F(CheckerFixture, WriteProtectedFolderIsCheckedWithoutTheDtdCopy)
{
    CopyFolder(kGolden + QStringLiteral("/good"), source);
    SetDtdCopier([](const QString &, const QString &destination) { throw TAtomicFileError(destination, EROFS); });
    Start();

    EXPECT_EQ(Check(), QString());
    const TCheckResult &result = session.Result();
    EXPECT_FALSE(result.dtdCopied);
    EXPECT_EQ(result.status, QStringLiteral("申报文件检查结束。(路径不可写,类型定义文件未复制)"));
    EXPECT_EQ(result.rows.size(), 4u);
    EXPECT_EQ(result.errorCount, 0);
    EXPECT_FALSE(QFileInfo::exists(source + QStringLiteral("YSFPCGLJK.DTD")));
    // Nothing else was written beside the checked files.
    EXPECT_EQ(QDir(source).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST_F(CheckerFixture, OtherCopyFailuresAndAMissingDtdFailTheCheck)
{
    CopyFolder(kGolden + QStringLiteral("/good"), source);
    Start();
    SetDtdCopier([](const QString &, const QString &destination) { throw TAtomicFileError(destination, ENOSPC); });
    EXPECT_EQ(Check(), QStringLiteral("复制申报文件的类型定义文件“YSFPCGLJK.DTD”失败！"));
    EXPECT_FALSE(ResultsFileWritten());

    SetDtdCopier(nullptr);
    ASSERT_TRUE(QFile::remove(ws.file(QStringLiteral("DS/YSFPCGLJK.DTD"))));
    EXPECT_EQ(Check(), QStringLiteral("复制申报文件的类型定义文件“YSFPCGLJK.DTD”失败！"));
    EXPECT_FALSE(ResultsFileWritten());
    EXPECT_TRUE(session.Result().dtdCopied);
}

// ---- Source folders ----

TEST_F(CheckerFixture, SourceFolderAndFileRefusals)
{
    Start();
    const QString missing = ws.path() + QStringLiteral("没有");
    EXPECT_EQ(QString::fromUtf8([&] {
                  try {
                      session.Check(false, QStringLiteral("  ") + missing + QStringLiteral(" "));
                  } catch (const TUserError &e) {
                      return std::string(e.what());
                  }
                  return std::string();
              }()),
              QStringLiteral("指定的路径 “%1/” 不存在！").arg(missing));
    EXPECT_EQ(Check(), QStringLiteral("在路径“%1”下没有发现相关的申报文件，请检查！").arg(source));
    EXPECT_EQ(session.Result().status, QStringLiteral("申报文件检查结束。"));

    qputenv("CORVANE_FLOPPY", missing.toUtf8());
    try {
        session.Check(true, QString());
        ADD_FAILURE() << "a missing medium was checked";
    } catch (const TUserError &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("指定的路径 “%1/” 不存在！").arg(missing));
    }
    // A floppy folder is never created by looking at it.
    EXPECT_FALSE(QFileInfo::exists(missing));
    qputenv("CORVANE_FLOPPY", source.toUtf8());
    CopyFolder(kGolden + QStringLiteral("/good"), source);
    session.Check(true, QString());
    EXPECT_EQ(session.Result().rows.size(), 4u);
    qunsetenv("CORVANE_FLOPPY");
}

TEST(FindFiles, MatchesWithoutRegardToCaseInNameOrder)
{
    TempWorkspace ws;
    for (const char *name : {"ysfpcgl200602_1_JK.XML", "YSFPCGL200601_1_jk.xml", "YSFPCGL200601_0_JK.xml",
                             "HGWSPZ200601_1_JK.XML", "YSFPCGL200601_1_JK.XML.bak", "YSFPCGL.txt"})
        ws.Write(QString::fromLatin1(name), "x");
    QDir().mkpath(ws.file(QStringLiteral("YSFPCGL_dir_JK.xml")));

    EXPECT_EQ(FindFiles(ws.path(), QStringLiteral("ysfpcgl*_JK.xml")),
              (QStringList{ws.file(QStringLiteral("YSFPCGL200601_0_JK.xml")),
                           ws.file(QStringLiteral("YSFPCGL200601_1_jk.xml")),
                           ws.file(QStringLiteral("ysfpcgl200602_1_JK.XML"))}));
    // Without the trailing "/" too; a missing folder finds nothing.
    EXPECT_EQ(FindFiles(ws.path().chopped(1), QStringLiteral("HGWSPZ*_JK.xml")).size(), 1);
    EXPECT_TRUE(FindFiles(ws.file(QStringLiteral("none")), QStringLiteral("*")).isEmpty());
}

// ---- Start-up, settings and the schema choice ----

class RecordingLauncher : public TSystemProcess::Launcher {
public:
    RecordingLauncher() { TSystemProcess::SetLauncher(this); }
    ~RecordingLauncher() override { TSystemProcess::SetLauncher(nullptr); }
    bool OpenDocument(const QString &) override { return false; }
    bool StartDetached(const QString &, const QStringList &) override { return false; }
    bool RunAndWait(const QString &program, const QStringList &arguments) override
    {
        ran << (program + QLatin1Char(' ') + arguments.join(QLatin1Char(' '))).trimmed();
        return true;
    }
    QStringList ran;
};

TEST_F(CheckerFixture, StartupTakesTheTitleFromConfigAndGoesOnWithoutIt)
{
    Start();
    EXPECT_EQ(session.Caption(), QStringLiteral("抵扣凭证数据采集系统 V2.40"));
    ASSERT_EQ(session.SchemaList().size(), 3);
    EXPECT_EQ(session.SchemaList()[1].code, QStringLiteral("hgwspz"));
    EXPECT_EQ(session.SchemaList()[2].name, QStringLiteral("废旧物资发票清单"));
    EXPECT_EQ(session.SelectedIndex(), 0);
    // A second checker on the same workspace is refused.
    {
        TCheckerSession second;
        EXPECT_EQ(second.Startup(), TCheckerSession::TStartup::Terminate);
    }
}

TEST_F(CheckerFixture, StartupGoesOnWithABrokenConfig)
{
    ws.Write(QStringLiteral("Config.xml"), "<configuration><GlobalResources>");
    Start();
    EXPECT_EQ(session.Caption(), QStringLiteral("Vettra v2.30"));
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].flags, TMessageBox::ErrorOk);
    EXPECT_EQ(session.SchemaList().size(), 3);
}

TEST_F(CheckerFixture, AnEngineThatCannotBeCreatedTwiceEndsTheStart)
{
    RecordingLauncher launcher;
    TClock::SetFixed(QDateTime(QDate(2024, 3, 1), QTime(9, 0)));
    ws.Write(QStringLiteral("Check.js"), "function (");
    EXPECT_EQ(session.Startup(), TCheckerSession::TStartup::Terminate);
    EXPECT_EQ(launcher.ran.size(), 1);
    EXPECT_TRUE(launcher.ran.value(0).contains(QStringLiteral("RegOcx.sh"))) << launcher.ran.value(0).toStdString();
    EXPECT_EQ(TClock::WaitedMilliseconds(), 5000);
    EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("建立脚本引挚对象时发生错误，请先安装脚本引挚组件！")});
    TClock::SetFixed(QDateTime());
}

TEST_F(CheckerFixture, AFailingSchemaListIsReportedAndLeftEmpty)
{
    ws.Write(QStringLiteral("Check.js"), "function GetSchemaList() { return undefinedThing.x; }");
    Start();
    EXPECT_TRUE(session.SchemaList().isEmpty());
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].flags, TMessageBox::ErrorOk);
}

TEST_F(CheckerFixture, FirstStartChoosesTheFirstSchemaAndRemembersItAtClose)
{
    QFile::remove(SettingsFileName());
    Start();
    EXPECT_EQ(session.SelectedIndex(), -1);
    session.Activated();
    EXPECT_EQ(session.Settings().SchemaCode, QStringLiteral("ysfpcgl"));
    EXPECT_TRUE(session.Settings().Modified);
    EXPECT_FALSE(QFileInfo::exists(SettingsFileName()));
    session.ChooseSchema(2);
    session.Close();

    const TSettings stored = ReadSettings();
    EXPECT_EQ(stored.SchemaCode, QStringLiteral("fjwzfpcgl"));
    EXPECT_EQ(stored.SchemaName, QStringLiteral("废旧物资发票清单"));
    EXPECT_FALSE(stored.Modified);
    // GBK, CR LF, section "Settings".
    EXPECT_EQ(DecodeGbk(ws.Read(QStringLiteral("Vettra.ini"))),
              QStringLiteral("[Settings]\r\nSchemaCode=fjwzfpcgl\r\nSchemaName=废旧物资发票清单\r\n"));
}

TEST_F(CheckerFixture, SettingsAreTrimmedAndAForgottenSchemaIsStillChecked)
{
    ws.Write(QStringLiteral("Vettra.ini"),
             EncodeGbk(QStringLiteral("; kept\r\n[settings]\r\n schemacode =  YSFPCGL  \r\nSchemaName= 旧的 \r\n")));
    const TSettings read = ReadSettings();
    EXPECT_EQ(read.SchemaCode, QStringLiteral("YSFPCGL"));
    EXPECT_EQ(read.SchemaName, QStringLiteral("旧的"));

    ws.Write(QStringLiteral("Vettra.ini"), "[Settings]\r\nSchemaCode=old\r\n");
    ASSERT_TRUE(QFile::rename(ws.file(QStringLiteral("DS/YSFPCGLJK.DTD")), ws.file(QStringLiteral("DS/OLDJK.DTD"))));
    CopyFolder(kGolden + QStringLiteral("/good"), source);
    ASSERT_TRUE(QFile::rename(source + kDeclared, source + QStringLiteral("old_JK.xml")));
    UpdateCrcDocument(source + QStringLiteral("YSFPCGL200601_370211600123456_CRC.XML"),
                      source + QStringLiteral("old_JK.xml"));
    Start();
    EXPECT_EQ(session.SelectedIndex(), -1);
    session.Activated(); // a remembered code is kept
    EXPECT_FALSE(session.Settings().Modified);
    // The remembered code names the file, the DTD and the function.
    EXPECT_THROW(session.Check(false, source), TSilentAbort);
    EXPECT_TRUE(QFileInfo::exists(source + QStringLiteral("OLDJK.DTD")));
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_TRUE(messages.shown()[0].text.contains(QStringLiteral("错误编号:438")))
        << messages.shown()[0].text.toStdString();
    session.Close();
    EXPECT_EQ(ReadSettings().SchemaCode, QStringLiteral("old")); // not chosen: not written
}

TEST(ParseSchemaList, TakesLinesWithABar)
{
    const QList<TSchemaEntry> list =
        ParseSchemaList(QStringLiteral("YSFPCGL|运输|发票\r\n\r\nno bar\nhgwspz|\r|空代码\n"));
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list[0].code, QStringLiteral("ysfpcgl"));
    EXPECT_EQ(list[0].name, QStringLiteral("运输|发票"));
    EXPECT_EQ(list[1].name, QString());
    EXPECT_EQ(list[2].code, QString());
    EXPECT_EQ(list[2].name, QStringLiteral("空代码"));
    EXPECT_TRUE(ParseSchemaList(QString()).isEmpty());
}

// ---- Results ----

TEST(CheckResults, ReadAsTheChecker)
{
    const QString text = QStringLiteral(
        "outside=ignored\n[基本信息]\n纳税人识别号 = \"3702\" \n所属区间=200601\n"
        "[合计项目]\n记录数=2\n金额合计=1.50\n记录数=9\n"
        "[检查结果]\nA=第1条记录有错！\nB=第2条=也有错\n");
    TCheckResult result;
    ReadCheckResults(TIniFile::FromBytes(ResultsFileBytes(text)), result);
    EXPECT_EQ(result.basicInfo.value(QStringLiteral("纳税人识别号")), QStringLiteral("3702"));
    EXPECT_FALSE(result.basicInfo.contains(QStringLiteral("申报日期")));
    EXPECT_EQ(result.errorCount, 2);
    EXPECT_EQ(ResultsText(result.rows),
              QStringLiteral("记录号\t检查结果\r\n合计项\t记录数=2\r\n合计项\t金额合计=1.50\r\n合计项\t记录数=2\r\n"
                             "错误\t第1条记录有错！\r\n错误\t第2条=也有错\r\n"));

    TCheckResult noErrors;
    ReadCheckResults(TIniFile::FromBytes(ResultsFileBytes(QStringLiteral("[合计项目]\r\n记录数=0"))), noErrors);
    EXPECT_EQ(noErrors.errorCount, 0);
    EXPECT_EQ(ResultsText(noErrors.rows), QStringLiteral("记录号\t检查结果\r\n合计项\t记录数=0\r\n"));
    EXPECT_EQ(ResultsText({}), QStringLiteral("记录号\t检查结果\r\n"));
    EXPECT_EQ(ResultsFileBytes(QStringLiteral("a\nb\r\nc")), QByteArray("a\r\nb\r\nc\r\n"));
}

TEST(CheckResults, FileNameFollowsTheDeclaration)
{
    EXPECT_EQ(ResultsFileName(QStringLiteral("/m/"), QStringLiteral("ysfpcgl"), QStringLiteral("200601"),
                              QStringLiteral("370211600123456")),
              QStringLiteral("/m/ysfpcgl200601_370211600123456_检查结果.txt"));
    EXPECT_EQ(ResultsFileName(QStringLiteral("/m"), QStringLiteral("hgwspz"), QString(), QString()),
              QStringLiteral("/m/hgwspz__检查结果.txt"));
    // Texts from the checked file never lead out of the folder.
    EXPECT_EQ(ResultsFileName(QStringLiteral("/m/"), QStringLiteral("x"), QStringLiteral("../.."),
                              QStringLiteral("a\\b")),
              QStringLiteral("/m/x.._.._a_b_检查结果.txt"));
}

TEST_F(CheckerFixture, SavesTheResultsBesideTheCheckedFiles)
{
    CopyFolder(kGolden + QStringLiteral("/script-errors"), source);
    Start();
    ASSERT_EQ(Check(), QString());
    const QString expected = source + QStringLiteral("ysfpcgl200601_370211600123456_检查结果.txt");
    EXPECT_EQ(session.SaveResults(false, source), expected);
    EXPECT_EQ(DecodeGbk(ReadFileBytes(expected)), ResultsText(session.Result().rows));
    EXPECT_EQ(messages.last(), QStringLiteral("成功保存检查结果到文件 “%1”！").arg(expected));
    // Another schema chosen afterwards names the file; saving again replaces it.
    session.ChooseSchema(1);
    session.SaveResults(false, source);
    EXPECT_TRUE(QFileInfo::exists(source + QStringLiteral("hgwspz200601_370211600123456_检查结果.txt")));

    QDir(source).removeRecursively();
    EXPECT_THROW(session.SaveResults(false, source), TUserError);
}

TEST_F(CheckerFixture, ScriptResultsWithoutSectionsAndScriptErrors)
{
    CopyFolder(kGolden + QStringLiteral("/good"), source);
    ws.Write(QStringLiteral("Check.js"),
             "function GetSchemaList() { return 'ysfpcgl|x'; }\r\n"
             "function ysfpcgl_CheckFile(path) { return 'no sections here'; }\r\n");
    Start();
    EXPECT_EQ(Check(), QString());
    EXPECT_TRUE(session.Result().rows.empty());
    EXPECT_EQ(session.ErrorsCaption(), QStringLiteral("共发现0项错误"));
    EXPECT_EQ(DecodeGbk(ws.Read(QStringLiteral("temp.$$$"))), QStringLiteral("no sections here\r\n"));

}

TEST_F(CheckerFixture, AScriptErrorIsReportedAndEndsTheRunSilently)
{
    CopyFolder(kGolden + QStringLiteral("/good"), source);
    ws.Write(QStringLiteral("Check.js"),
             "function GetSchemaList() { return 'ysfpcgl|x'; }\r\n"
             "function ysfpcgl_CheckFile(path) { return missing.x; }\r\n");
    Start();
    EXPECT_THROW(session.Check(false, source), TSilentAbort);
    EXPECT_EQ(session.Result().status, QStringLiteral("申报文件检查结束。"));
    EXPECT_TRUE(session.Result().rows.empty());
    EXPECT_FALSE(ResultsFileWritten());
    EXPECT_EQ(session.ErrorsCaption(), QStringLiteral("共发现%d项错误"));
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].flags, TMessageBox::ErrorOk);
}

// ---- Check.js on broken copies of the declared file ----

struct ScriptCase {
    const char *name;
    const char *from;
    const char *to;
    const char *error; // the first error row, empty: none
};

const ScriptCase kScriptCases[] = {
    {"sound", "", "", ""},
    {"count", "RECORDCOUNT=\"4\"", "RECORDCOUNT=\"3\"", "申报文件的记录数(3)与实际记录数(4)不符！"},
    {"taxpayer id", "SWSBH=\"370211600123456\"", "SWSBH=\"37-0211\"", "纳税人识别号“37-0211”不正确！"},
    {"period", "SSSQ=\"200601\"", "SSSQ=\"200613\"", "申报文件的所属区间“200613”不正确！"},
    {"invoice number", "FPHM=\"00031507\"", "FPHM=\"0003150\"", "第1条记录的发票号码“0003150”不正确！"},
    {"duplicate", "FPHM=\"00031622\"", "FPHM=\"00031507\"",
     "第2条记录的发票(237006110011/00031507)与第1条记录重复！"},
    {"late invoice", "KPRQ=\"2006-01-26\"", "KPRQ=\"2006-02-01\"", "第4条记录的开票日期晚于所属区间！"},
    {"carrier id", "CYRSWSBH=\"91370200MA3C4D5E6F\"", "CYRSWSBH=\"123\"", "第3条记录的承运人纳税人识别号“123”不正确！"},
    {"amount", "YFJE=\"3850\"", "YFJE=\"三千\"", "第1条记录的运费金额“三千”不是数字！"},
    {"tax rule", "KCSE=\"86.42\"", "KCSE=\"86.41\"", "第2条记录的允许抵扣税额(86.41)不等于运费金额的7%(86.42)！"},
    {"other schema", "NAME=\"YSFPCGL\"", "NAME=\"HGWSPZ\"", "申报文件不是YSFPCGL的接口文件！"},
    {"not well formed", "</SCHEMA>", "</SCHEM>", "申报文件无法读取："},
};

class CheckScript : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(CheckScript, ReportsTheFirstFault)
{
    TempWorkspace ws;
    ws.CopyDemo();
    const ScriptCase &c = GetParam();
    QByteArray bytes = ReadFileBytes(ws.file(QStringLiteral("数据上报/200601/") + kDeclared));
    if (*c.from) {
        ASSERT_TRUE(bytes.contains(c.from));
        bytes.replace(c.from, EncodeGbk(QString::fromUtf8(c.to)));
    }
    const QString path = ws.Write(QStringLiteral("in/") + kDeclared, bytes);
    auto host = TScriptHost::CreateScriptEngine(ws.file(QStringLiteral("Check.js")));
    const QString text = host->Run(QStringLiteral("ysfpcgl_CheckFile"), {path}).toString();
    TCheckResult result;
    ReadCheckResults(TIniFile::FromBytes(ResultsFileBytes(text)), result);
    if (*c.error) {
        ASSERT_GE(result.errorCount, 1) << text.toStdString();
        const auto first = std::find_if(result.rows.begin(), result.rows.end(),
                                         [](const TResultRow &r) { return r.kind == TResultRow::Kind::Error; });
        EXPECT_TRUE(first->text.startsWith(QString::fromUtf8(c.error))) << first->text.toStdString();
    } else {
        EXPECT_EQ(result.errorCount, 0) << text.toStdString();
        EXPECT_EQ(result.basicInfo.size(), 5);
    }
}

INSTANTIATE_TEST_SUITE_P(Rules, CheckScript, ::testing::ValuesIn(kScriptCases),
                         [](const auto &info) { return CaseName(info.index, info.param.name); });

TEST(CheckScript, ListsTheDemoSchemas)
{
    TempWorkspace ws;
    ws.CopyDemo();
    auto host = TScriptHost::CreateScriptEngine(ws.file(QStringLiteral("Check.js")));
    const QList<TSchemaEntry> list = ParseSchemaList(host->Run(QStringLiteral("GetSchemaList"), {QVariant()}).toString());
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list[0].code + list[1].code + list[2].code, QStringLiteral("ysfpcgl") + "hgwspz" + "fjwzfpcgl");
    EXPECT_EQ(list[0].name, QStringLiteral("运输发票清单"));
    EXPECT_EQ(list[1].name, QStringLiteral("海关完税凭证"));
}

} // namespace
