// The scripts' XML DOM on any input: the first line is a selection
// expression (tried as an XSL Pattern and as XPath), the rest a document,
// optionally followed by a form feed and a DTD. The document is parsed as
// text as it stands, then, with validation on and external DTDs resolved,
// as text again (finding its DTD only in the scratch DS folder) and as a
// file written beside the DTD ("T.DTD"; or into DS, so the fallback is
// taken, for every third input size).
// Nothing may crash, leak or read out of bounds, and nothing outside the
// document's folder and DS may be read: files above and beside those
// folders hold a marker that must never show in a loaded document or a
// parse error. (Any file in those two folders may serve as the DTD.)

#include "entry/XmlDomTree.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

constexpr char kMarker[] = "SECRET-MARKER-5a1";

struct Scratch {
    Scratch()
    {
        QDir(dir.path()).mkpath(QStringLiteral("doc"));
        QDir(dir.path()).mkpath(QStringLiteral("DS"));
        QDir(dir.path()).mkpath(QStringLiteral("other"));
        for (const QString &name : {QStringLiteral("secret.txt"), QStringLiteral("other/secret.txt")})
            Write(name, QByteArray(kMarker));
    }

    QString Path(const QString &relative) const { return dir.path() + QLatin1Char('/') + relative; }

    void Write(const QString &relative, const QByteArray &bytes) const
    {
        QFile file(Path(relative));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            abort();
    }

    QTemporaryDir dir;
};

void Select(const TDomLoadResult &loaded, const QString &expression)
{
    if (!loaded.tree)
        return;
    for (bool xpath : {false, true}) {
        TDomSettings settings;
        settings.xpath = xpath;
        QString error;
        const xmlNodePtr root = reinterpret_cast<xmlNodePtr>(loaded.tree->Doc());
        for (xmlNodePtr node : SelectDomNodes(root, expression, settings, &error)) {
            (void)DomNodeName(node);
            (void)DomNodeText(node, false);
            (void)DomNodeXml(*loaded.tree, node);
            (void)DomChildren(node);
        }
    }
}

// The marker may show only when the input itself carries it.
void CheckNothingElseWasRead(const TDomLoadResult &loaded, bool inputHasMarker)
{
    if (inputHasMarker)
        return;
    QString seen = loaded.reason + loaded.srcText;
    if (loaded.tree)
        seen += DomNodeXml(*loaded.tree, reinterpret_cast<xmlNodePtr>(loaded.tree->Doc()))
            + DomNodeText(reinterpret_cast<xmlNodePtr>(loaded.tree->Doc()), true);
    if (seen.contains(QLatin1String(kMarker)))
        abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const Scratch scratch;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype cut = bytes.indexOf('\n');
    const QString expression = QString::fromUtf8(cut < 0 ? bytes : bytes.left(cut));
    const QByteArray rest = cut < 0 ? QByteArray() : bytes.mid(cut + 1);
    const qsizetype feed = rest.indexOf('\f');
    const QByteArray document = feed < 0 ? rest : rest.left(feed);
    const QByteArray dtd = feed < 0 ? QByteArray() : rest.mid(feed + 1);
    const QString text = QString::fromUtf8(document);
    const bool inputHasMarker = bytes.contains(kMarker);

    (void)XslPatternToXPath(expression);
    TDomLoadOptions plain;
    plain.preserveWhiteSpace = size % 2 == 0;
    Select(LoadDomText(text, plain), expression);

    QFile::remove(scratch.Path(QStringLiteral("doc/T.DTD")));
    QFile::remove(scratch.Path(QStringLiteral("DS/T.DTD")));
    if (feed >= 0)
        scratch.Write(size % 3 == 0 ? QStringLiteral("DS/T.DTD") : QStringLiteral("doc/T.DTD"), dtd);
    scratch.Write(QStringLiteral("doc/d.xml"), document);

    TDomLoadOptions validating = plain;
    validating.validateOnParse = true;
    validating.resolveExternals = true;
    validating.dtdFallbackFolder = scratch.Path(QStringLiteral("DS"));
    const TDomLoadResult fromText = LoadDomText(text, validating);
    CheckNothingElseWasRead(fromText, inputHasMarker);
    const TDomLoadResult fromFile = LoadDomFile(scratch.Path(QStringLiteral("doc/d.xml")), validating);
    CheckNothingElseWasRead(fromFile, inputHasMarker);
    Select(fromFile, expression);
    return 0;
}
