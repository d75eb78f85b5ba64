#include "reportdata/ReportWriter.h"

#include <libxml/tree.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iconv.h>

namespace {

constexpr qsizetype kBlockSize = 1 << 20;

// Decodes the UTF-8 character at p (of at most left bytes); 0 when invalid.
int DecodeUtf8(const unsigned char *p, size_t left, size_t *length)
{
    const unsigned char c = p[0];
    int value = 0;
    size_t count = 0;
    if (c < 0x80) {
        *length = 1;
        return c;
    }
    if ((c & 0xE0) == 0xC0) {
        value = c & 0x1F;
        count = 2;
    } else if ((c & 0xF0) == 0xE0) {
        value = c & 0x0F;
        count = 3;
    } else if ((c & 0xF8) == 0xF0) {
        value = c & 0x07;
        count = 4;
    } else {
        return 0;
    }
    if (count > left)
        return 0;
    for (size_t i = 1; i < count; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (p[i] & 0x3F);
    }
    *length = count;
    return value;
}

enum class TBlankText { Kept, Dropped, Unknown };

// What loading (libxml2 without blanks) makes of text, written as it
// stands, in element. Text that is not all spaces, tabs and line feeds is
// kept, and so is blank text that is the element's only child or follows
// text that opens the element. Other blank text is taken for layout and
// dropped, unless text stands before it: then the parser's choice depends
// on how it read that text, and is not known here.
TBlankText BlankTextOnLoading(xmlNodePtr element, xmlNodePtr text)
{
    for (const xmlChar *p = text->content; p && *p; ++p) {
        if (*p != ' ' && *p != '\t' && *p != '\n')
            return TBlankText::Kept;
    }
    if (element->children == text && !text->next)
        return TBlankText::Kept;
    if (element->children != text && element->children->type == XML_TEXT_NODE)
        return TBlankText::Kept;
    for (xmlNodePtr before = element->children; before != text; before = before->next) {
        if (before->type == XML_TEXT_NODE)
            return TBlankText::Unknown;
    }
    return TBlankText::Dropped;
}

class Writer {
public:
    explicit Writer(const std::function<void(const QByteArray &)> &sink)
        : sink_(sink)
        , cd_(iconv_open("GBK", "UTF-8"))
    {
        out_.reserve(kBlockSize + 65536);
    }
    ~Writer()
    {
        if (cd_ != iconv_t(-1))
            iconv_close(cd_);
    }
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;

    bool Document(xmlDocPtr doc)
    {
        if (cd_ == iconv_t(-1) || (doc->standalone != -1 && doc->standalone != -2) || !doc->version
            || !xmlStrEqual(doc->version, reinterpret_cast<const xmlChar *>("1.0")))
            return false;
        xmlNodePtr root = doc->children;
        if (!root || root->next || root->type != XML_ELEMENT_NODE)
            return false;
        Append("<?xml version=\"1.0\" encoding=\"GBK\"?>\n");
        if (!Element(root))
            return false;
        Append("\n");
        sink_(out_);
        return true;
    }

private:
    void Append(const char *text) { out_.append(text); }

    bool Element(xmlNodePtr node)
    {
        if (node->ns || node->nsDef)
            return false;
        out_ += '<';
        if (!Convert(node->name, false, false))
            return false;
        for (xmlAttrPtr attribute = node->properties; attribute; attribute = attribute->next) {
            if (attribute->ns)
                return false;
            out_ += ' ';
            if (!Convert(attribute->name, false, false))
                return false;
            out_ += "=\"";
            for (xmlNodePtr text = attribute->children; text; text = text->next) {
                if (text->type != XML_TEXT_NODE || !Convert(text->content, true, true))
                    return false;
            }
            out_ += '"';
        }
        if (!node->children) {
            out_ += "/>";
            return true;
        }
        out_ += '>';
        for (xmlNodePtr child = node->children; child; child = child->next) {
            if (child->type == XML_ELEMENT_NODE) {
                if (!Element(child))
                    return false;
            } else if (child->type == XML_TEXT_NODE
                       && !xmlStrEqual(child->name, reinterpret_cast<const xmlChar *>("textnoenc"))) {
                switch (BlankTextOnLoading(node, child)) {
                case TBlankText::Dropped:
                    AppendBlanksAsReferences(child->content);
                    break;
                case TBlankText::Unknown:
                    return false;
                case TBlankText::Kept:
                    if (!Convert(child->content, true, false))
                        return false;
                    break;
                }
            } else {
                return false;
            }
        }
        out_ += "</";
        if (!Convert(node->name, false, false))
            return false;
        out_ += '>';
        if (out_.size() >= kBlockSize) {
            sink_(out_);
            out_.resize(0);
        }
        return true;
    }

    void AppendBlanksAsReferences(const xmlChar *text)
    {
        for (const xmlChar *p = text; p && *p; ++p)
            out_ += *p == ' ' ? "&#32;" : *p == '\t' ? "&#9;" : "&#10;";
    }

    // Appends text, escaped (text or attribute value) or not (names), in
    // GBK. Runs of ordinary bytes are copied whole; the UTF-8 written is
    // converted afterwards when it holds anything beyond ASCII.
    bool Convert(const xmlChar *text, bool escape, bool attribute)
    {
        if (!text)
            return true;
        const qsizetype start = out_.size();
        const char *run = reinterpret_cast<const char *>(text);
        const char *p = run;
        bool ascii = true;
        for (;; ++p) {
            const unsigned char c = static_cast<unsigned char>(*p);
            if (c == 0)
                break;
            if (c >= 0x80) {
                ascii = false;
                continue;
            }
            if (!escape || c > '>') // nothing above '>' is ever escaped
                continue;
            const char *replacement = nullptr;
            switch (c) {
            case '<':
                replacement = "&lt;";
                break;
            case '>':
                replacement = "&gt;";
                break;
            case '&':
                replacement = "&amp;";
                break;
            case '\r':
                replacement = "&#13;";
                break;
            case '"':
                replacement = attribute ? "&quot;" : nullptr;
                break;
            case '\n':
                replacement = attribute ? "&#10;" : nullptr;
                break;
            case '\t':
                replacement = attribute ? "&#9;" : nullptr;
                break;
            default:
                break;
            }
            if (!replacement)
                continue;
            out_.append(run, p - run);
            out_.append(replacement);
            run = p + 1;
        }
        out_.append(run, p - run);
        if (ascii)
            return true;
        scratch_ = QByteArray(out_.constData() + start, out_.size() - start);
        out_.truncate(start);
        return ToGbk();
    }

    // Converts scratch_ (UTF-8) to GBK at the end of out_; a character GBK
    // cannot hold becomes a decimal character reference, as libxml2 writes it.
    bool ToGbk()
    {
        char *in = scratch_.data();
        size_t inLeft = size_t(scratch_.size());
        while (inLeft > 0) {
            const qsizetype start = out_.size();
            const size_t room = inLeft * 2 + 16;
            out_.resize(start + qsizetype(room));
            char *outPtr = out_.data() + start;
            size_t outLeft = room;
            const size_t result = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
            const int error = errno;
            out_.resize(start + qsizetype(room - outLeft));
            if (result != size_t(-1))
                continue;
            if (error == E2BIG)
                continue;
            if (error != EILSEQ)
                return false;
            size_t length = 0;
            const int value = DecodeUtf8(reinterpret_cast<const unsigned char *>(in), inLeft, &length);
            if (value == 0)
                return false;
            char reference[16];
            out_.append(reference, std::snprintf(reference, sizeof reference, "&#%d;", value));
            in += length;
            inLeft -= length;
        }
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        return true;
    }

    const std::function<void(const QByteArray &)> &sink_;
    iconv_t cd_;
    QByteArray out_;
    QByteArray scratch_;
};

} // namespace

bool WriteReportXml(xmlDocPtr doc, const std::function<void(const QByteArray &block)> &sink)
{
    Writer writer(sink);
    return writer.Document(doc);
}
