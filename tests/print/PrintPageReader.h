#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <libxml/HTMLparser.h>
#include <libxml/xpath.h>

#include <memory>
#include <vector>

// Reads a rendered print page back as an HTML document, to look at what
// an operator would see: the text of elements found by an XPath.
class PrintPageReader {
public:
    explicit PrintPageReader(const QByteArray &html)
        : doc_(htmlReadMemory(html.constData(), int(html.size()), "print.html", "UTF-8",
                              HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET),
               &xmlFreeDoc)
    {
    }

    bool Parsed() const { return doc_ != nullptr; }

    // The normalized text of every node the expression selects, in order.
    QStringList Texts(const char *expression) const
    {
        QStringList texts;
        if (!doc_)
            return texts;
        std::unique_ptr<xmlXPathContext, decltype(&xmlXPathFreeContext)> context(xmlXPathNewContext(doc_.get()),
                                                                                 &xmlXPathFreeContext);
        std::unique_ptr<xmlXPathObject, decltype(&xmlXPathFreeObject)> result(
            xmlXPathEvalExpression(BAD_CAST expression, context.get()), &xmlXPathFreeObject);
        if (!result || !result->nodesetval)
            return texts;
        for (int i = 0; i < result->nodesetval->nodeNr; ++i) {
            xmlChar *content = xmlNodeGetContent(result->nodesetval->nodeTab[i]);
            texts << QString::fromUtf8(reinterpret_cast<const char *>(content)).simplified();
            xmlFree(content);
        }
        return texts;
    }

    // The cells of every row of the record list, one text per cell.
    std::vector<QStringList> ListRows() const
    {
        std::vector<QStringList> rows;
        const int n = Texts("//table[@class='list']/tbody/tr").size();
        for (int i = 1; i <= n; ++i) {
            const QByteArray path = "//table[@class='list']/tbody/tr[" + QByteArray::number(i) + "]/td";
            rows.push_back(Texts(path.constData()));
        }
        return rows;
    }

private:
    std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> doc_;
};
