// The scripts' XML DOM on any input: the first line is a selection
// expression (tried as an XSL Pattern and as XPath), the rest a document.
// Nothing may crash, leak or read out of bounds.

#include "entry/XmlDomTree.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype cut = bytes.indexOf('\n');
    const QString expression = QString::fromUtf8(cut < 0 ? bytes : bytes.left(cut));
    const QString text = QString::fromUtf8(cut < 0 ? QByteArray() : bytes.mid(cut + 1));

    (void)XslPatternToXPath(expression);
    const TDomLoadResult loaded = LoadDomText(text, size % 2 == 0);
    if (!loaded.tree)
        return 0;
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
    return 0;
}
