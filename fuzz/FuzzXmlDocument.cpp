// Any bytes: parsing either fails with TXmlParseError or gives a document
// that is refused at saving (a name or unescaped content GBK cannot hold)
// or saves, parses again and saves to the same bytes.

#include "app/utils/Errors.h"
#include "xml/XmlDocument.h"

#include <cstdint>
#include <cstdlib>

namespace {

void Walk(TXMLNode node, int depth)
{
    if (node.IsNull() || depth > 64)
        return;
    (void)node.NodeName();
    (void)node.Attribute("NAME");
    (void)node.Text();
    for (const TXMLNode &child : node.Children("REC"))
        Walk(child, depth + 1);
    Walk(node.FindChild("TAXPAYER"), depth + 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::unique_ptr<TXMLDocument> doc;
    try {
        doc = TXMLDocument::FromBytes(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)),
                                      QStringLiteral("fuzz"));
    } catch (const TUserError &) {
        return 0;
    }
    Walk(doc->DocumentElement(), 0);
    QByteArray saved;
    try {
        saved = doc->ToBytes();
    } catch (const TUserError &) {
        return 0; // GBK cannot carry it: refused rather than written altered
    }
    std::unique_ptr<TXMLDocument> again;
    try {
        again = TXMLDocument::FromBytes(saved, QStringLiteral("saved"));
    } catch (const TUserError &) {
        std::abort(); // we wrote something we cannot read back
    }
    if (again->ToBytes() != saved)
        std::abort();
    return 0;
}
