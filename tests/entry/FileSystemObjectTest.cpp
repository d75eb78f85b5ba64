#include "ScriptTestSupport.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

const QString kDataDir = QStringLiteral(ENTRY_TEST_DATA);

QString RunText(TScriptHost &host, const QString &body)
{
    return RunBody(host, QStringLiteral("var fso = new ActiveXObject('Scripting.FileSystemObject');\n") + body).toString();
}

TEST(FileSystemObjectTest, TestsFilesAndTakesPathsApart)
{
    TScriptHost host;
    const QString file = JsString(kDataDir + QStringLiteral("/LINES-GBK.TXT"));
    const QString folder = JsString(kDataDir);
    EXPECT_EQ(RunText(host, QStringLiteral("return [fso.FileExists(%1), fso.fileexists(%2), fso.FolderExists(%2),\n"
                                           "        fso.FolderExists(%1), fso.FileExists('/no/such/file')].join('|');")
                                .arg(file, folder)),
              QStringLiteral("true|false|true|false|false"));
    const struct {
        const char *call;
        const char *result;
    } cases[] = {
        {"fso.GetFileName('C:\\\\data\\\\A_JK.XML')", "A_JK.XML"},
        {"fso.GetFileName('/data/folder/')", "folder"},
        {"fso.GetBaseName('/data/A_JK.XML')", "A_JK"},
        {"fso.GetExtensionName('/data/A_JK.XML')", "XML"},
        {"fso.GetParentFolderName('C:\\\\data\\\\A_JK.XML')", "C:\\data"},
        {"fso.BuildPath('C:\\\\data', 'x.xml')", "C:\\data\\x.xml"},
        {"fso.BuildPath('/data/', 'x.xml')", "/data/x.xml"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(RunText(host, QStringLiteral("return %1;").arg(QLatin1String(c.call))), QString::fromLatin1(c.result))
            << c.call;
}

TEST(FileSystemObjectTest, ReadsGbkAndUnicodeTextFiles)
{
    TScriptHost host;
    EXPECT_EQ(RunText(host, QStringLiteral("var s = fso.OpenTextFile(%1, 1, false, 0), lines = [];\n"
                                           "while (!s.AtEndOfStream) lines.push(s.Line + ':' + s.ReadLine());\n"
                                           "s.Close();\n"
                                           "return lines.join('|');")
                                .arg(JsString(kDataDir + QStringLiteral("/lines-gbk.txt")))),
              QStringLiteral("1:第一行|2:第二行|3:|4:末行"));
    EXPECT_EQ(RunText(host, QStringLiteral("var s = fso.opentextfile(%1, 1, false, -1);\n"
                                           "return s.readline() + '|' + s.ReadAll() + '|' + s.atEndOfStream;")
                                .arg(JsString(kDataDir + QStringLiteral("/lines-utf16.txt")))),
              QStringLiteral("Ünï|二行\r\n|true"));
    // Default format, backslash path.
    QString path = kDataDir + QStringLiteral("/lines-gbk.txt");
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    EXPECT_EQ(RunText(host, QStringLiteral("return fso.OpenTextFile(%1).ReadAll().length;").arg(JsString(path))),
              QStringLiteral("14"));
}

TEST(FileSystemObjectTest, RefusesWritingAndReportsMissingFiles)
{
    TScriptHost host;
    const QString existing = JsString(kDataDir + QStringLiteral("/lines-gbk.txt"));
    const struct {
        QString body;
        int number;
    } cases[] = {
        {QStringLiteral("fso.OpenTextFile(%1, 2, true);").arg(existing), ScriptErrorNumber::PermissionDenied},
        {QStringLiteral("fso.OpenTextFile(%1, 8);").arg(existing), ScriptErrorNumber::PermissionDenied},
        {QStringLiteral("fso.OpenTextFile('/no/such/file.txt');"), ScriptErrorNumber::FileNotFound},
        {QStringLiteral("fso.OpenTextFile(%1, 1, false, 5);").arg(existing), ScriptErrorNumber::InvalidCall},
        {QStringLiteral("var s = fso.OpenTextFile(%1); s.ReadAll(); s.ReadLine();").arg(existing),
         ScriptErrorNumber::InputPastEnd},
        {QStringLiteral("fso.CreateTextFile('/tmp/x.txt');"), ScriptErrorNumber::NoSuchMember},
        {QStringLiteral("fso.DeleteFile(%1);").arg(existing), ScriptErrorNumber::NoSuchMember},
        {QStringLiteral("new ActiveXObject('Scripting.Shell');"), ScriptErrorNumber::CannotCreateObject},
        {QStringLiteral("new ActiveXObject('WScript.Shell').Run('rm -rf /');"), ScriptErrorNumber::CannotCreateObject},
        {QStringLiteral("new ActiveXObject('ADODB.Stream');"), ScriptErrorNumber::CannotCreateObject},
        {QStringLiteral("GetObject('winmgmts:');"), ScriptErrorNumber::CannotCreateObject},
    };
    for (const auto &c : cases) {
        const std::optional<TScriptError> error =
            BodyError(host, QStringLiteral("var fso = new ActiveXObject('Scripting.FileSystemObject');\n") + c.body);
        ASSERT_TRUE(error) << c.body.toStdString();
        EXPECT_EQ(error->Number(), c.number) << c.body.toStdString();
        EXPECT_EQ(error->Line(), 3) << c.body.toStdString();
    }
    EXPECT_TRUE(QFileInfo(kDataDir + QStringLiteral("/lines-gbk.txt")).isFile());
}

} // namespace
