#include "ScriptTestSupport.h"

#include <gtest/gtest.h>

namespace {

const QString kDataDir = QStringLiteral(ENTRY_TEST_DATA);

// Script text that loads the GBK fixture into doc with the given ProgID,
// after setup. The fixture names its DTD "JK.DTD", which lies beside it as
// "jk.dtd".
QString LoadFixture(const char *progId = "Microsoft.XMLDOM", const QString &setup = QString())
{
    return QStringLiteral("var doc = new ActiveXObject('%1');\n"
                          "doc.async = false;\n%3"
                          "if (!doc.load(%2)) throw new Error(1, doc.parseError.reason);\n")
        .arg(QLatin1String(progId), JsString(kDataDir + QStringLiteral("/DOM-GBK.XML")), setup);
}

QString RunText(TScriptHost &host, const QString &body)
{
    return RunBody(host, body).toString();
}

TEST(XmlDomTest, LoadsGbkFileWithoutRegardToCase)
{
    TScriptHost host;
    EXPECT_EQ(RunText(host, LoadFixture() + QStringLiteral(
                            "var root = doc.documentElement;\n"
                            "return [doc.parseError.errorCode, root.nodeName, root.nodeType, doc.nodeType,\n"
                            "        root.getAttribute('纳税人'), root.attributes.length, root.childNodes.length,\n"
                            "        root.childNodes.item(0).nodeName, root.selectSingleNode('ROW/XM').text,\n"
                            "        root.getAttribute('none') === null, root.parentNode.nodeName,\n"
                            "        root.firstChild.getAttribute('ID'), root.lastChild.getAttribute('ID'),\n"
                            "        root.firstChild.nextSibling.getAttribute('ID')].join('|');")),
              QStringLiteral("0|申报|1|9|北京测试有限公司|2|3|ROW|工资薪金|true|#document|1|3|2"));
}

TEST(XmlDomTest, WhiteSpaceIsDroppedUnlessPreserved)
{
    TScriptHost host;
    const QString probe = QStringLiteral(
        "var root = doc.documentElement, second = root.childNodes.item(1);\n"
        "var xm = second.selectSingleNode('XM');\n"
        "return [root.childNodes.length, xm.text, xm.firstChild.nodeValue, xm.firstChild.nodeType,\n"
        "        root.selectSingleNode('ROW[@ID=\"3\"]').childNodes.length].join('|');");
    EXPECT_EQ(RunText(host, LoadFixture() + probe), QStringLiteral("3|劳务报酬|  劳务报酬  |3|3"));
    // With white space kept the newlines between rows are text nodes; "1" is then one of them.
    EXPECT_EQ(RunText(host, QStringLiteral("var doc = new ActiveXObject('Microsoft.XMLDOM');\n"
                                       "doc.preserveWhiteSpace = true;\n"
                                       "doc.load(%1);\n"
                                       "var root = doc.documentElement;\n"
                                       "return [root.childNodes.length, root.childNodes.item(1).nodeName,\n"
                                       "        root.selectSingleNode('ROW/XM').text.length].join('|');")
                            .arg(JsString(kDataDir + QStringLiteral("/dom-gbk.xml")))),
              QStringLiteral("7|ROW|4"));
}

TEST(XmlDomTest, SelectionLanguageDependsOnTheProgId)
{
    TScriptHost host;
    const struct {
        const char *progId;
        const char *setup;
        const char *expression;
        const char *id;
    } cases[] = {
        {"Microsoft.XMLDOM", "", "//ROW[0]", "1"},
        {"Microsoft.XMLDOM", "", "//ROW[ 1 ]", "2"},
        {"Msxml2.DOMDocument", "", "/*/ROW[2]/XM", ""},
        {"Msxml2.DOMDocument.3.0", "", "//ROW[0]", "1"},
        {"Msxml2.DOMDocument.3.0", "doc.setProperty('SelectionLanguage', 'XPath');", "//ROW[1]", "1"},
        {"Msxml2.DOMDocument.6.0", "", "//ROW[1]", "1"},
        {"Msxml2.DOMDocument.6.0", "doc.setProperty('SelectionLanguage', 'XSLPattern');", "//ROW[1]", "2"},
        {"Msxml2.DOMDocument.4.0", "", "//ROW[last()]", "3"},
        {"Microsoft.XMLDOM", "", "//ROW[@ID='2']", "2"},
    };
    for (const auto &c : cases) {
        // The 6.0 names refuse a DOCTYPE unless told otherwise.
        const QString body = LoadFixture(c.progId, QStringLiteral("doc.setProperty('ProhibitDTD', false);\n"))
            + QString::fromLatin1(c.setup)
            + QStringLiteral("\nvar node = doc.selectSingleNode(\"%1\");\n"
                             "return node.nodeName == 'XM' ? node.parentNode.getAttribute('ID') + node.text : node.getAttribute('ID');")
                  .arg(QLatin1String(c.expression));
        const QString expected = *c.id ? QString::fromLatin1(c.id) : QStringLiteral("3稿酬");
        EXPECT_EQ(RunText(host, body), expected) << c.progId << " " << c.expression;
    }
    // Quoted text is not an index; getProperty reads the language back.
    EXPECT_EQ(RunText(host, LoadFixture() + QStringLiteral(
                            "return [doc.selectNodes(\"//ROW[@ID='[0]']\").length, doc.getProperty('SelectionLanguage'),\n"
                            "        doc.selectSingleNode('//NOTHING') === null].join('|');")),
              QStringLiteral("0|XSLPattern|true"));
}

TEST(XmlDomTest, ParseErrorDescribesTheFailure)
{
    TScriptHost host;
    EXPECT_EQ(RunText(host, QStringLiteral("var doc = new ActiveXObject('Msxml2.DOMDocument.6.0');\n"
                                       "var loaded = doc.load(%1);\n"
                                       "var e = doc.parseError;\n"
                                       "return [loaded, e.errorCode != 0, e.line, e.linepos > 0, e.srcText,\n"
                                       "        e.reason.length > 0, doc.documentElement === null].join('|');")
                            .arg(JsString(kDataDir + QStringLiteral("/broken.xml")))),
              QStringLiteral("false|true|5|true|  </RWO>|true|true"));
    EXPECT_EQ(RunText(host, QStringLiteral("var doc = new ActiveXObject('Microsoft.XMLDOM');\n"
                                       "return [doc.load('/no/such/file.xml'), doc.parseError.errorCode != 0,\n"
                                       "        doc.load('http://example.invalid/x.xml'), doc.parseError.errorCode != 0,\n"
                                       "        doc.loadXML('<a><b></a>'), doc.parseError.line,\n"
                                       "        doc.loadXML('<a/>'), doc.parseError.errorCode].join('|');")),
              QStringLiteral("false|true|false|true|false|1|true|0"));
}

TEST(XmlDomTest, MemberNamesIgnoreLetterCase)
{
    TScriptHost host;
    EXPECT_EQ(RunText(host, LoadFixture() + QStringLiteral(
                            "doc.Async = false;\n"
                            "var rows = doc.DocumentElement.SelectNodes('ROW');\n"
                            "return [rows.Length, rows.Item(1).GETATTRIBUTE('ID'), doc.PARSEERROR.ErrorCode,\n"
                            "        doc.documentelement.NodeName, rows[2].getAttribute('ID'), doc.async].join('|');")),
              QStringLiteral("3|2|0|申报|3|false"));
    const std::optional<TScriptError> error =
        BodyError(host, QStringLiteral("var doc = new ActiveXObject('Microsoft.XMLDOM');\ndoc.noSuchThing = 1;"));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Number(), ScriptErrorNumber::NoSuchMember);
    EXPECT_EQ(error->Line(), 3);
}

TEST(XmlDomTest, EnumeratorWalksANodeList)
{
    TScriptHost host;
    EXPECT_EQ(RunText(host, LoadFixture() + QStringLiteral(
                            "var out = [];\n"
                            "for (var e = new Enumerator(doc.getElementsByTagName('XM')); !e.atEnd(); e.moveNext())\n"
                            "  out.push(e.item().text);\n"
                            "var list = doc.documentElement.childNodes, n, ids = [];\n"
                            "while ((n = list.nextNode()) != null) ids.push(n.getAttribute('ID'));\n"
                            "return out.join(',') + '|' + ids.join(',') + '|' + doc.getElementsByTagName('*').length;")),
              QStringLiteral("工资薪金,劳务报酬,稿酬|1,2,3|9"));
}

TEST(XmlDomTest, LoadXmlTextAndSerialisation)
{
    TScriptHost host;
    EXPECT_EQ(RunText(host, QStringLiteral(
                            "var doc = new ActiveXObject('Msxml2.DOMDocument.6.0');\n"
                            "doc.loadXML('<a x=\"1\"><b>t&amp;中</b><!--c--><![CDATA[<raw>]]></a>');\n"
                            "var a = doc.documentElement, attr = a.attributes.getNamedItem('x');\n"
                            "return [a.xml, attr.xml, attr.name, attr.value, attr.nodeType, a.text,\n"
                            "        a.childNodes.item(1).nodeType, a.childNodes.item(2).nodeValue, doc.xml].join('|');")),
              QStringLiteral("<a x=\"1\"><b>t&amp;中</b><!--c--><![CDATA[<raw>]]></a>|x=\"1\"|x|1|2|t&中<raw>|8|<raw>|"
                             "<a x=\"1\"><b>t&amp;中</b><!--c--><![CDATA[<raw>]]></a>\r\n"));
}

TEST(XmlDomTest, ExternalEntitiesAreNeverLoaded)
{
    TScriptHost host;
    const QString result = RunText(host, QStringLiteral(
        "var doc = new ActiveXObject('Microsoft.XMLDOM');\n"
        "doc.resolveExternals = true;\n"
        "var ok = doc.loadXML('<!DOCTYPE a [<!ENTITY e SYSTEM \"file:///etc/hostname\">]><a>[&e;]</a>');\n"
        "return ok ? doc.documentElement.text : 'refused';"));
    EXPECT_TRUE(result == QStringLiteral("[]") || result == QStringLiteral("refused")) << result.toStdString();
}

TEST(XmlDomTest, NodesKeepTheirDocumentAlive)
{
    TScriptHost host;
    host.AddCode(LoadFixture().replace(QStringLiteral("var doc"), QStringLiteral("var kept"))
                     .replace(QStringLiteral("doc."), QStringLiteral("kept."))
                 + QStringLiteral("var row = kept.documentElement.childNodes.item(1);\n"
                                  "kept.loadXML('<other/>');\n"
                                  "kept = null;\n"),
                 QStringLiteral("/rules/keep.js"));
    host.CollectGarbage();
    EXPECT_EQ(RunBody(host, QStringLiteral("return row.selectSingleNode('XM').text + row.parentNode.nodeName;")).toString(),
              QStringLiteral("劳务报酬申报"));
    EXPECT_EQ(RunBody(host, LoadFixture() + QStringLiteral("return doc.documentElement === doc.documentElement;")),
              QVariant(true));
}

TEST(XmlDomTest, BadExpressionsRaiseError5AndBackslashPathsLoad)
{
    TScriptHost host;
    QString path = kDataDir + QStringLiteral("/dom-gbk.xml");
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    EXPECT_EQ(RunText(host, QStringLiteral("var doc = new ActiveXObject('Microsoft.XMLDOM');\n"
                                       "var ok = doc.load(%1);\n"
                                       "try { doc.selectNodes('//ROW['); } catch (e) { return ok + '|' + (e.number & 0xFFFF); }")
                            .arg(JsString(path))),
              QStringLiteral("true|5"));
}

} // namespace
