// Loading through the scripts' XML DOM with a DOCTYPE: the defaults of each
// DOM name, where the DTD is found, what a violation or a missing DTD makes
// of load and parseError, and what is never read.

#include "ScriptTestSupport.h"
#include "TempWorkspace.h"

#include "app/utils/TextFile.h"
#include "entry/ScriptResult.h"
#include "entry/XmlDomDtd.h"

#include <QFile>

#include <functional>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

// --- defaults per ProgID -------------------------------------------------------

struct DefaultsCase {
    const char *name;
    const char *progId;
    const char *expected; // validateOnParse|resolveExternals|SelectionLanguage|ProhibitDTD
};

void PrintTo(const DefaultsCase &c, std::ostream *out) { *out << c.progId; }

class DomDefaults : public ::testing::TestWithParam<DefaultsCase> {};

TEST_P(DomDefaults, FollowTheDomName)
{
    const DefaultsCase &c = GetParam();
    TScriptHost host;
    const QString script = QStringLiteral("var doc = new ActiveXObject('%1');\n"
                                          "return [doc.validateOnParse, doc.resolveExternals,\n"
                                          "        doc.getProperty('SelectionLanguage'), doc.getProperty('ProhibitDTD')].join('|');")
                               .arg(QLatin1String(c.progId));
    EXPECT_EQ(RunBody(host, script).toString(), QLatin1String(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    ProgIds, DomDefaults,
    ::testing::Values(DefaultsCase{"MicrosoftXmlDom", "Microsoft.XMLDOM", "true|true|XSLPattern|false"},
                      DefaultsCase{"MicrosoftXmlDomAnyCase", " microsoft.XMLDom ", "true|true|XSLPattern|false"},
                      DefaultsCase{"MicrosoftFreeThreaded", "Microsoft.FreeThreadedXMLDOM", "true|true|XSLPattern|false"},
                      DefaultsCase{"MsxmlDomDocument", "MSXML.DOMDocument", "true|true|XSLPattern|false"},
                      DefaultsCase{"Msxml2DomDocument", "Msxml2.DOMDocument", "true|true|XSLPattern|false"},
                      DefaultsCase{"Msxml2FreeThreaded", "Msxml2.FreeThreadedDOMDocument", "true|true|XSLPattern|false"},
                      DefaultsCase{"Msxml2Version26", "Msxml2.DOMDocument.2.6", "true|true|XSLPattern|false"},
                      DefaultsCase{"Msxml2Version30", "Msxml2.DOMDocument.3.0", "true|true|XSLPattern|false"},
                      DefaultsCase{"Msxml2FreeThreaded30", "Msxml2.FreeThreadedDOMDocument.3.0", "true|true|XSLPattern|false"},
                      DefaultsCase{"Msxml2Version40", "Msxml2.DOMDocument.4.0", "true|true|XPath|false"},
                      DefaultsCase{"Msxml2Version50", "Msxml2.DOMDocument.5.0", "true|true|XPath|false"},
                      DefaultsCase{"Msxml2Version60", "Msxml2.DOMDocument.6.0", "false|false|XPath|true"},
                      DefaultsCase{"Msxml2FreeThreaded60", "Msxml2.FreeThreadedDOMDocument.6.0", "false|false|XPath|true"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(DomDefaults, PropertiesAreSettableWithoutRegardToCase)
{
    TScriptHost host;
    EXPECT_EQ(RunBody(host, QStringLiteral("var doc = new ActiveXObject('Microsoft.XMLDOM');\n"
                                           "doc.ValidateOnParse = false; doc.RESOLVEEXTERNALS = false;\n"
                                           "var a = [doc.validateOnParse, doc.resolveexternals].join(',');\n"
                                           "doc.setProperty('validateonparse', true); doc.setProperty('ResolveExternals', 1);\n"
                                           "doc.setProperty('prohibitdtd', true);\n"
                                           "return a + '|' + [doc.ValidateOnParse, doc.resolveExternals,\n"
                                           "                  doc.getProperty('ProhibitDTD')].join(',');"))
                  .toString(),
              QStringLiteral("false,false|true,true,true"));
}

// --- loading with a DTD --------------------------------------------------------

// The DTDs a case puts beside the document or into the DS folder.
enum class Dtd {
    None,
    Strict,      // RECORD has JE only
    Lenient,     // RECORD may have JX too
    Malformed,   // a syntax error on its line 3
    Oversized,   // Strict padded beyond the size limit
    LinkOutside, // a symbolic link to the strict DTD outside both folders
    Fifo,        // a named pipe: reading it would never end
    ExternalPe,  // declares RECORD only through an external parameter entity
    ExternalEntity,
};

enum class Records {
    Valid,
    Broken, // the second record has JX instead of JE
    UsingEntity,
};

enum class Failure { None, Invalid, NotFound, Denied };

struct LoadCase {
    const char *name;
    const char *progId;
    const char *setup;
    // The DOCTYPE's system identifier; null for no DOCTYPE. "{doc}" stands
    // for the document's folder, "{ws}" for the workspace, both ending in "/".
    const char *systemId;
    Records records;
    // Name and kind of the DTD file beside the document and in DS.
    const char *besideName;
    Dtd beside;
    const char *dsName;
    Dtd ds;
    bool fromText;
    Failure failure;
    // When failing: parseError.line (0 unchecked) and texts srcText and
    // reason contain.
    int line;
    const char *srcText;
    const char *reason;
};

void PrintTo(const LoadCase &c, std::ostream *out) { *out << c.name; }

QByteArray DtdText(Dtd kind)
{
    const QString head = QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>\n"
                                        "<!-- 测试接口文件 -->\n");
    const QString envelope = QStringLiteral("<!ELEMENT SCHEMA (TAXPAYER)>\n"
                                            "<!ATTLIST SCHEMA NAME CDATA #REQUIRED>\n"
                                            "<!ELEMENT TAXPAYER (RECORD*)>\n"
                                            "<!ATTLIST TAXPAYER RECORDCOUNT CDATA #REQUIRED>\n");
    const QString record = QStringLiteral("<!ELEMENT RECORD EMPTY>\n"
                                          "<!ATTLIST RECORD JE CDATA #REQUIRED>\n");
    switch (kind) {
    case Dtd::Strict:
        return EncodeGbk(head + envelope + record);
    case Dtd::Lenient:
        return EncodeGbk(head + envelope
                         + QStringLiteral("<!ELEMENT RECORD EMPTY>\n"
                                          "<!ATTLIST RECORD JE CDATA #IMPLIED JX CDATA #IMPLIED>\n"));
    case Dtd::Malformed:
        return EncodeGbk(head + QStringLiteral("<!ELEMENT SCHEMA (TAXPAYER>\n") + record);
    case Dtd::Oversized:
        return EncodeGbk(head + envelope + record + QStringLiteral("<!--%1-->\n").arg(QString(kMaxDomDtdBytes, QLatin1Char('x'))));
    case Dtd::ExternalPe:
        return EncodeGbk(head + envelope + QStringLiteral("<!ENTITY % more SYSTEM \"more.dtd\">\n%more;\n"));
    case Dtd::ExternalEntity:
        return EncodeGbk(head
                         + QStringLiteral("<!ELEMENT SCHEMA (TAXPAYER)>\n"
                                          "<!ATTLIST SCHEMA NAME CDATA #REQUIRED>\n"
                                          "<!ELEMENT TAXPAYER (#PCDATA|RECORD)*>\n"
                                          "<!ATTLIST TAXPAYER RECORDCOUNT CDATA #REQUIRED>\n"
                                          "<!ENTITY secret SYSTEM \"secret.txt\">\n")
                         + record);
    case Dtd::None:
    case Dtd::LinkOutside:
    case Dtd::Fifo:
        break;
    }
    return QByteArray();
}

QString DocumentText(const QString &systemId, bool doctype, Records records)
{
    const QString second = records == Records::Broken ? QStringLiteral("<RECORD JX=\"2\"/>")
        : records == Records::UsingEntity            ? QStringLiteral("&secret;")
                                                     : QStringLiteral("<RECORD JE=\"2\"/>");
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>\n%1"
                          "<SCHEMA NAME=\"测试\">\n"
                          "  <TAXPAYER RECORDCOUNT=\"2\">\n"
                          "    <RECORD JE=\"1\"/>\n"
                          "    %2\n"
                          "  </TAXPAYER>\n"
                          "</SCHEMA>\n")
        .arg(doctype ? QStringLiteral("<!DOCTYPE SCHEMA SYSTEM \"%1\">\n").arg(systemId) : QString(), second);
}

class DomValidation : public ::testing::TestWithParam<LoadCase> {
protected:
    void SetUp() override
    {
        ws.MakeCurrent();
        ws.Write(QStringLiteral("DS/readme.txt"), "DTDs");
        ws.Write(QStringLiteral("outside/T.DTD"), DtdText(Dtd::Strict));
        ws.Write(kFolder + QStringLiteral("more.dtd"), "<!ELEMENT RECORD EMPTY>\n<!ATTLIST RECORD JE CDATA #REQUIRED>\n");
        ws.Write(kFolder + QStringLiteral("secret.txt"), "SECRET-7731");
    }

    void Place(const QString &folder, const char *name, Dtd kind)
    {
        if (kind == Dtd::None)
            return;
        if (kind == Dtd::LinkOutside) {
            ASSERT_TRUE(QFile::link(ws.file(QStringLiteral("outside/T.DTD")), ws.file(folder + QLatin1String(name))));
            return;
        }
        if (kind == Dtd::Fifo) {
            ASSERT_EQ(mkfifo(QFile::encodeName(ws.file(folder + QLatin1String(name))).constData(), 0600), 0);
            return;
        }
        ws.Write(folder + QLatin1String(name), DtdText(kind));
    }

    const QString kFolder = QStringLiteral("数据上报/200601/");
    TempWorkspace ws;
};

TEST_P(DomValidation, LoadFollowsTheDtd)
{
    const LoadCase &c = GetParam();
    Place(kFolder, c.besideName, c.beside);
    Place(QStringLiteral("DS/"), c.dsName, c.ds);
    QString systemId = c.systemId ? QString::fromUtf8(c.systemId) : QString();
    systemId.replace(QLatin1String("{doc}"), ws.file(kFolder)).replace(QLatin1String("{ws}"), ws.path());
    const QString text = DocumentText(systemId, c.systemId != nullptr, c.records);
    QString load;
    if (c.fromText) {
        QString literal = JsString(text);
        literal.replace(QLatin1Char('\n'), QLatin1String("\\n"));
        load = QStringLiteral("doc.loadXML(%1)").arg(literal);
    } else {
        load = QStringLiteral("doc.load(%1)").arg(JsString(ws.Write(kFolder + QStringLiteral("T_JK.XML"), EncodeGbk(text))));
    }

    TScriptHost host;
    const QString script = QStringLiteral("var doc = new ActiveXObject('%1');\n"
                                          "doc.async = false;\n%2\n"
                                          "var ok = %3, e = doc.parseError;\n"
                                          "var seen = doc.xml + e.reason + e.srcText;\n"
                                          "return [ok, e.errorCode, e.line, e.linepos, e.srcText, e.reason,\n"
                                          "        seen.indexOf('SECRET') < 0, ok == (doc.documentElement != null)].join('\\u0001');")
                               .arg(QLatin1String(c.progId), QLatin1String(c.setup), load);
    const QStringList got = RunBody(host, script).toString().split(QChar(1));
    ASSERT_EQ(got.size(), 8);
    const QString &srcText = got.at(4), &reason = got.at(5);
    EXPECT_EQ(got.at(6), QStringLiteral("true")) << "a file that must never be read was read";
    EXPECT_EQ(got.at(7), QStringLiteral("true"));
    EXPECT_EQ(got.at(0), c.failure == Failure::None ? QStringLiteral("true") : QStringLiteral("false")) << reason.toStdString();
    const int code = got.at(1).toInt();
    switch (c.failure) {
    case Failure::None:
        EXPECT_EQ(code, 0);
        return;
    case Failure::Invalid:
        EXPECT_EQ(static_cast<unsigned>(code) & 0xFFFFF000u, 0xC00CE000u) << code;
        break;
    case Failure::NotFound:
        EXPECT_EQ(code, DomErrorCode::FileNotFound);
        break;
    case Failure::Denied:
        EXPECT_EQ(code, DomErrorCode::AccessDenied);
        break;
    }
    if (c.line) {
        EXPECT_EQ(got.at(2).toInt(), c.line);
    }
    EXPECT_GT(got.at(3).toInt(), 0);
    EXPECT_TRUE(srcText.contains(QLatin1String(c.srcText))) << srcText.toStdString();
    EXPECT_TRUE(reason.contains(QLatin1String(c.reason))) << reason.toStdString();
}

constexpr const char *kXmlDom = "Microsoft.XMLDOM";
constexpr const char *kDom30 = "Msxml2.DOMDocument.3.0";
constexpr const char *kDom60 = "Msxml2.DOMDocument.6.0";
constexpr const char *kDoctypeLine = "<!DOCTYPE SCHEMA";
constexpr const char *kBrokenLine = "<RECORD JX=\"2\"/>";

INSTANTIATE_TEST_SUITE_P(
    Cases, DomValidation,
    ::testing::Values(
        LoadCase{"ValidFileWithItsDtdBeside", kXmlDom, "", "T.DTD", Records::Valid, "T.DTD", Dtd::Strict, "", Dtd::None,
                 false, Failure::None, 0, "", ""},
        LoadCase{"BrokenFileFailsSayingWhereAndWhy", kXmlDom, "", "T.DTD", Records::Broken, "T.DTD", Dtd::Strict, "",
                 Dtd::None, false, Failure::Invalid, 6, kBrokenLine, "JX"},
        LoadCase{"MissingBesideFoundInDs", kXmlDom, "", "T.DTD", Records::Valid, "", Dtd::None, "T.DTD", Dtd::Strict,
                 false, Failure::None, 0, "", ""},
        LoadCase{"MissingBesideValidatedAgainstTheDsCopy", kDom30, "", "T.DTD", Records::Broken, "", Dtd::None, "T.DTD",
                 Dtd::Strict, false, Failure::Invalid, 6, kBrokenLine, "JX"},
        LoadCase{"TheDtdBesideComesBeforeDs", kXmlDom, "", "T.DTD", Records::Broken, "T.DTD", Dtd::Lenient, "T.DTD",
                 Dtd::Strict, false, Failure::None, 0, "", ""},
        LoadCase{"DtdNowhereFails", kXmlDom, "", "T.DTD", Records::Valid, "", Dtd::None, "", Dtd::None, false,
                 Failure::NotFound, 2, kDoctypeLine, "T.DTD"},
        LoadCase{"NotValidatingLoadsABrokenFile", kXmlDom, "doc.validateOnParse = false;", "T.DTD", Records::Broken,
                 "T.DTD", Dtd::Strict, "", Dtd::None, false, Failure::None, 0, "", ""},
        LoadCase{"NotValidatingStillReadsTheDtd", kXmlDom, "doc.validateOnParse = false;", "T.DTD", Records::Valid, "",
                 Dtd::None, "", Dtd::None, false, Failure::NotFound, 2, kDoctypeLine, "T.DTD"},
        LoadCase{"NotResolvingReadsNoDtd", kXmlDom, "doc.resolveExternals = false;", "T.DTD", Records::Broken, "T.DTD",
                 Dtd::Malformed, "", Dtd::None, false, Failure::None, 0, "", ""},
        LoadCase{"NotResolvingNeedsNoDtd", kDom30, "doc.resolveExternals = false;", "T.DTD", Records::Valid, "",
                 Dtd::None, "", Dtd::None, false, Failure::None, 0, "", ""},
        LoadCase{"MalformedDtdFailsWithItsOwnLine", kXmlDom, "", "T.DTD", Records::Valid, "T.DTD", Dtd::Malformed, "",
                 Dtd::None, false, Failure::Invalid, 3, "<!ELEMENT SCHEMA (TAXPAYER>", ""},
        LoadCase{"NameBesideDiffersInLetterCase", kXmlDom, "", "t.dtd", Records::Broken, "T.DTD", Dtd::Strict, "",
                 Dtd::None, false, Failure::Invalid, 6, kBrokenLine, "JX"},
        LoadCase{"NameInDsDiffersInLetterCase", kXmlDom, "", "T.dtd", Records::Valid, "", Dtd::None, "t.DTD",
                 Dtd::Strict, false, Failure::None, 0, "", ""},
        LoadCase{"NetworkUrlRefused", kXmlDom, "", "http://127.0.0.1:9/T.DTD", Records::Valid, "T.DTD", Dtd::Strict,
                 "T.DTD", Dtd::Strict, false, Failure::Denied, 2, kDoctypeLine, "http://127.0.0.1:9/T.DTD"},
        LoadCase{"AbsolutePathOutsideRefused", kXmlDom, "", "{ws}outside/T.DTD", Records::Valid, "T.DTD", Dtd::Strict,
                 "T.DTD", Dtd::Strict, false, Failure::Denied, 2, kDoctypeLine, "outside"},
        LoadCase{"FileUrlOutsideRefused", kXmlDom, "", "file://{ws}outside/T.DTD", Records::Valid, "", Dtd::None, "",
                 Dtd::None, false, Failure::Denied, 2, kDoctypeLine, "outside"},
        LoadCase{"ParentFolderRefused", kXmlDom, "", "../../outside/T.DTD", Records::Valid, "", Dtd::None, "T.DTD",
                 Dtd::Strict, false, Failure::Denied, 2, kDoctypeLine, "outside"},
        LoadCase{"DriveLetterRefused", kXmlDom, "", "C:\\DTD\\T.DTD", Records::Valid, "T.DTD", Dtd::Strict, "",
                 Dtd::None, false, Failure::Denied, 2, kDoctypeLine, "T.DTD"},
        LoadCase{"SymbolicLinkOutRefused", kXmlDom, "", "T.DTD", Records::Valid, "T.DTD", Dtd::LinkOutside, "",
                 Dtd::None, false, Failure::Denied, 2, kDoctypeLine, "T.DTD"},
        LoadCase{"NamedPipeRefused", kXmlDom, "", "T.DTD", Records::Valid, "T.DTD", Dtd::Fifo, "", Dtd::None, false,
                 Failure::Denied, 2, kDoctypeLine, "not a file"},
        LoadCase{"AbsolutePathBesideRead", kXmlDom, "", "{doc}T.DTD", Records::Broken, "T.DTD", Dtd::Strict, "",
                 Dtd::None, false, Failure::Invalid, 6, kBrokenLine, "JX"},
        LoadCase{"FileUrlIntoDsRead", kXmlDom, "", "file://{ws}DS/T.DTD", Records::Valid, "", Dtd::None, "T.DTD",
                 Dtd::Strict, false, Failure::None, 0, "", ""},
        LoadCase{"OversizedDtdRefused", kXmlDom, "", "T.DTD", Records::Valid, "T.DTD", Dtd::Oversized, "", Dtd::None,
                 false, Failure::Denied, 2, kDoctypeLine, "larger"},
        LoadCase{"ExternalParameterEntityNotRead", kXmlDom, "", "T.DTD", Records::Valid, "T.DTD", Dtd::ExternalPe, "",
                 Dtd::None, false, Failure::Denied, 8, "%more;", "more.dtd"},
        LoadCase{"ExternalGeneralEntityNotRead", kXmlDom, "", "T.DTD", Records::UsingEntity, "T.DTD",
                 Dtd::ExternalEntity, "", Dtd::None, false, Failure::Denied, 6, "&secret;", "secret.txt"},
        LoadCase{"ExternalGeneralEntityNotReadWhenNotValidating", kXmlDom, "doc.validateOnParse = false;", "T.DTD",
                 Records::UsingEntity, "T.DTD", Dtd::ExternalEntity, "", Dtd::None, false, Failure::None, 0, "", ""},
        LoadCase{"WithoutDoctypeThereIsNothingToValidate", kXmlDom, "", nullptr, Records::Broken, "T.DTD", Dtd::Strict,
                 "", Dtd::None, false, Failure::None, 0, "", ""},
        LoadCase{"TextFindsItsDtdInDs", kXmlDom, "", "T.DTD", Records::Valid, "", Dtd::None, "T.DTD", Dtd::Strict,
                 true, Failure::None, 0, "", ""},
        LoadCase{"TextValidatedAgainstTheDsCopy", kXmlDom, "", "t.dtd", Records::Broken, "", Dtd::None, "T.DTD",
                 Dtd::Strict, true, Failure::Invalid, 6, kBrokenLine, "JX"},
        LoadCase{"TextLooksNowhereButDs", kXmlDom, "", "T.DTD", Records::Valid, "T.DTD", Dtd::Strict, "", Dtd::None,
                 true, Failure::NotFound, 2, kDoctypeLine, "T.DTD"},
        LoadCase{"Version60RefusesADoctype", kDom60, "", "T.DTD", Records::Valid, "T.DTD", Dtd::Strict, "", Dtd::None,
                 false, Failure::Invalid, 2, kDoctypeLine, "DTD is prohibited"},
        LoadCase{"Version60AllowedADoctypeReadsNothing", kDom60, "doc.setProperty('ProhibitDTD', false);", "T.DTD",
                 Records::Broken, "", Dtd::None, "", Dtd::None, false, Failure::None, 0, "", ""},
        LoadCase{"Version60ValidatesWhenAsked", kDom60,
                 "doc.setProperty('ProhibitDTD', false); doc.validateOnParse = true; doc.resolveExternals = true;",
                 "T.DTD", Records::Broken, "T.DTD", Dtd::Strict, "", Dtd::None, false, Failure::Invalid, 6, kBrokenLine,
                 "JX"},
        LoadCase{"ProhibitDtdSetOnAnOlderName", kDom30, "doc.setProperty('ProhibitDTD', true);", "T.DTD",
                 Records::Valid, "T.DTD", Dtd::Strict, "", Dtd::None, false, Failure::Invalid, 2, kDoctypeLine,
                 "DTD is prohibited"}),
    [](const auto &info) { return std::string(info.param.name); });

// parseError.url names the file the failure lies in: the DTD for an error
// found in it, else the document as the script named it.
TEST(DomParseErrorUrl, NamesTheDtdForItsOwnErrors)
{
    TempWorkspace ws;
    ws.MakeCurrent();
    ws.Write(QStringLiteral("in/t.dtd"), "<!ELEMENT a EMPTY>\n<!ELEMENT b (a>\n");
    ws.Write(QStringLiteral("in/u.dtd"), "<!ELEMENT a EMPTY>\n");
    ws.Write(QStringLiteral("in/t.xml"), "<!DOCTYPE a SYSTEM 'T.DTD'>\n<a/>\n");
    ws.Write(QStringLiteral("in/u.xml"), "<!DOCTYPE a SYSTEM 'u.dtd'>\n<a>\n<b/></a>\n");
    TScriptHost host;
    const QString script = QStringLiteral("var doc = new ActiveXObject('Microsoft.XMLDOM'), r = [];\n"
                                          "doc.load(%1); r.push(doc.parseError.url, doc.parseError.line, doc.parseError.srcText);\n"
                                          "doc.load(%2); r.push(doc.parseError.url, doc.parseError.line, doc.parseError.srcText);\n"
                                          "return r.join('|');")
                               .arg(JsString(ws.file(QStringLiteral("IN/T.XML"))), JsString(ws.file(QStringLiteral("in/u.xml"))));
    EXPECT_EQ(RunBody(host, script).toString(),
              QStringList({ws.file(QStringLiteral("in/t.dtd")), QStringLiteral("2"), QStringLiteral("<!ELEMENT b (a>"),
                           ws.file(QStringLiteral("in/u.xml")), QStringLiteral("3"), QStringLiteral("<b/></a>")})
                  .join(QLatin1Char('|')));
}

// An internal subset is all there is to validate against when the DOCTYPE
// names no external DTD; it is used whether or not externals are resolved.
TEST(DomInternalSubset, ValidatesWhenValidating)
{
    TScriptHost host;
    EXPECT_EQ(RunBody(host, QStringLiteral(
                                "var doc = new ActiveXObject('Microsoft.XMLDOM');\n"
                                "var dtd = '<!DOCTYPE a [<!ELEMENT a EMPTY>]>';\n"
                                "var r = [doc.loadXML(dtd + '<a/>'), doc.loadXML(dtd + '<a><b/></a>'),\n"
                                "         doc.parseError.errorCode != 0, doc.parseError.reason.indexOf('b') >= 0];\n"
                                "doc.resolveExternals = false;\n"
                                "r.push(doc.loadXML(dtd + '<a><b/></a>'));\n"
                                "doc.validateOnParse = false;\n"
                                "r.push(doc.loadXML(dtd + '<a><b/></a>'));\n"
                                "return r.join('|');"))
                  .toString(),
              QStringLiteral("true|false|true|true|false|true"));
    // References to IDs are checked once the whole document is read.
    EXPECT_EQ(RunBody(host, QStringLiteral(
                                "var doc = new ActiveXObject('Microsoft.XMLDOM');\n"
                                "var dtd = '<!DOCTYPE a [<!ELEMENT a (b*)><!ELEMENT b EMPTY>'\n"
                                "        + '<!ATTLIST b id ID #IMPLIED ref IDREF #IMPLIED>]>\\n';\n"
                                "var r = [doc.loadXML(dtd + '<a><b id=\"x\"/><b ref=\"x\"/></a>'),\n"
                                "         doc.loadXML(dtd + '<a>\\n<b id=\"x\"/>\\n<b ref=\"zz\"/></a>')];\n"
                                "var e = doc.parseError;\n"
                                "return r.concat([e.errorCode != 0, e.reason.indexOf('zz') >= 0, e.line, e.srcText]).join('|');"))
                  .toString(),
              QStringLiteral("true|false|true|true|4|<b ref=\"zz\"/></a>"));
}

// --- the demo workspace's audit ----------------------------------------------------

class DemoAudit : public ::testing::Test {
protected:
    void SetUp() override
    {
        ws.CopyDemo();
        host = TScriptHost::CreateScriptEngine(ws.file(QStringLiteral("Script.js")));
    }

    // The declared demo file, changed by edit, written into folder (with
    // the DTD copied beside it when withDtd); returns its path.
    QString Declared(const QString &folder, bool withDtd, const std::function<void(QString &)> &edit = {})
    {
        QString text = DecodeGbk(ws.Read(kDeclared));
        if (edit)
            edit(text);
        if (withDtd)
            ws.Write(folder + QStringLiteral("YSFPCGLJK.DTD"), ws.Read(QStringLiteral("DS/YSFPCGLJK.DTD")));
        return ws.Write(folder + QStringLiteral("YSFPCGL200601_370211600123456_JK.XML"), EncodeGbk(text));
    }

    // The audit's verdict: empty when the file passes, else the message.
    QString Audit(const QString &path)
    {
        const QVariant verdict = host->Run(QStringLiteral("ysfpcgl_OnAuditFile"), {path});
        if (!ScriptResultIs(verdict, 0))
            return QString();
        return ScriptResultText(host->Run(QStringLiteral("ysfpcgl_OnGetErrorMessage"), {verdict}));
    }

    const QString kDeclared = QStringLiteral("数据上报/200601/YSFPCGL200601_370211600123456_JK.XML");
    TempWorkspace ws;
    std::unique_ptr<TScriptHost> host;
};

TEST_F(DemoAudit, TheDeclaredFileValidatesAgainstItsDtd)
{
    EXPECT_EQ(Audit(ws.file(kDeclared)), QString());
    // On write-protected media no DTD can be copied beside the file: the DS copy judges it.
    EXPECT_EQ(Audit(Declared(QStringLiteral("floppy/"), false)), QString());
}

TEST_F(DemoAudit, AFileBreakingItsDtdFailsAsUnreadable)
{
    const QString path = Declared(QStringLiteral("export/"), true, [](QString &text) {
        text.replace(QStringLiteral(" GDZCXM=\"True\""), QString());
    });
    const QString message = Audit(path);
    EXPECT_TRUE(message.startsWith(QStringLiteral("申报文件无法读取："))) << message.toStdString();
    EXPECT_TRUE(message.contains(QLatin1String("GDZCXM"))) << message.toStdString();
}

TEST_F(DemoAudit, AFileWithoutAnyDtdFailsAsUnreadable)
{
    QFile::remove(ws.file(QStringLiteral("DS/YSFPCGLJK.DTD")));
    const QString message = Audit(Declared(QStringLiteral("export/"), false));
    EXPECT_TRUE(message.startsWith(QStringLiteral("申报文件无法读取："))) << message.toStdString();
    EXPECT_TRUE(message.contains(QLatin1String("YSFPCGLJK.dtd"))) << message.toStdString();
}

TEST_F(DemoAudit, AValidFileStillFailsTheScriptsOwnChecks)
{
    const QString path = Declared(QStringLiteral("export/"), true, [](QString &text) {
        text.replace(QStringLiteral("RECORDCOUNT=\"4\""), QStringLiteral("RECORDCOUNT=\"5\""));
    });
    const QString message = Audit(path);
    EXPECT_TRUE(message.contains(QStringLiteral("记录数"))) << message.toStdString();
}

} // namespace
