#pragma once

#include "TempWorkspace.h"
#include "app/utils/TextFile.h"
#include "export/XmlDataTransfer.h"
#include "reportdata/XmlDataSet.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/valid.h>

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdarg>
#include <memory>
#include <ostream>
#include <vector>

inline void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

namespace transfer {

inline QString DemoFile(const QString &relative)
{
    return QStringLiteral(CORVANE_DEMO_WORKSPACE "/") + relative;
}

// Opens a report read-only (nothing is written back at close).
inline std::unique_ptr<TXmlDataSet> OpenReport(const QString &path)
{
    auto dataSet = std::make_unique<TXmlDataSet>();
    dataSet->SetReadOnly(true);
    dataSet->SetFileName(path);
    dataSet->Open();
    return dataSet;
}

// A declaration of the demo's freight invoice schema by its first taxpayer.
inline TExportBaseInfo DemoInfo()
{
    TExportBaseInfo info;
    info.period = QStringLiteral("200601");
    info.schemaName = QStringLiteral("YSFPCGL");
    info.schemaCaption = QStringLiteral("运输发票清单");
    info.taxpayerId = QStringLiteral("370211600123456");
    info.taxpayerName = QStringLiteral("青岚机械制造有限公司");
    info.declarationDate = QDate(2006, 2, 8);
    info.recordCount = 4;
    info.collectionType = QStringLiteral("DLZK");
    info.collectorCode = info.taxpayerId;
    info.collectorName = info.taxpayerName;
    info.crcFileName = QStringLiteral("YSFPCGL200601_370211600123456_CRC.XML");
    info.transferTemplate = QStringLiteral("YSFPCGLTransfer.xml");
    info.interfaceFile = QStringLiteral("YSFPCGL200601_370211600123456_JK.XML");
    return info;
}

// A file parsed as the receiving side parses it: no DTD, layout blanks dropped.
struct ParsedFile {
    explicit ParsedFile(const QString &path)
    {
        const QByteArray name = QFile::encodeName(path);
        doc = xmlReadFile(name.constData(), nullptr, XML_PARSE_NONET | XML_PARSE_NOBLANKS);
    }
    ~ParsedFile() { xmlFreeDoc(doc); }
    ParsedFile(const ParsedFile &) = delete;
    ParsedFile &operator=(const ParsedFile &) = delete;
    xmlNodePtr Root() const { return doc ? xmlDocGetRootElement(doc) : nullptr; }

    xmlDocPtr doc = nullptr;
};

inline QString Utf8(const xmlChar *text) { return QString::fromUtf8(reinterpret_cast<const char *>(text)); }

inline QString Attr(xmlNodePtr node, const char *name)
{
    xmlChar *value = xmlGetProp(node, reinterpret_cast<const xmlChar *>(name));
    const QString text = value ? Utf8(value) : QStringLiteral("(missing)");
    xmlFree(value);
    return text;
}

// One line per element: its path, its attributes in order and its own text;
// what two files must share to hold the same interface data.
inline void Describe(xmlNodePtr node, const QString &path, QStringList &lines)
{
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE)
            continue;
        const QString here = path + QLatin1Char('/') + Utf8(node->name);
        QString line = here;
        for (xmlAttrPtr attr = node->properties; attr; attr = attr->next)
            line += QStringLiteral(" %1=\"%2\"").arg(Utf8(attr->name), Attr(node, reinterpret_cast<const char *>(attr->name)));
        for (xmlNodePtr child = node->children; child; child = child->next) {
            if (child->type == XML_TEXT_NODE)
                line += QStringLiteral(" text=\"%1\"").arg(Utf8(child->content));
        }
        lines << line;
        Describe(node->children, here, lines);
    }
}

inline QStringList Describe(const QString &path)
{
    ParsedFile file(path);
    if (!file.doc)
        return {QStringLiteral("(does not parse: %1)").arg(path)};
    QStringList lines;
    if (file.doc->intSubset)
        lines << QStringLiteral("DOCTYPE %1 SYSTEM \"%2\"").arg(Utf8(file.doc->intSubset->name), Utf8(file.doc->intSubset->SystemID));
    Describe(file.Root(), QString(), lines);
    return lines;
}

inline void CollectValidityError(void *data, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    *static_cast<QString *>(data) += QString::vasprintf(format, args);
    va_end(args);
}

// The validity errors of the file against the DTD (empty: valid).
inline QString DtdErrors(const QString &file, const QString &dtdPath)
{
    ParsedFile parsed(file);
    if (!parsed.doc)
        return QStringLiteral("does not parse");
    const QByteArray dtdName = QFile::encodeName(dtdPath);
    xmlDtdPtr dtd = xmlParseDTD(nullptr, reinterpret_cast<const xmlChar *>(dtdName.constData()));
    if (!dtd)
        return QStringLiteral("DTD does not load: ") + dtdPath;
    QString errors;
    xmlValidCtxtPtr ctxt = xmlNewValidCtxt();
    ctxt->userData = &errors;
    ctxt->error = CollectValidityError;
    ctxt->warning = nullptr;
    const int valid = xmlValidateDtd(ctxt, parsed.doc, dtd);
    xmlFreeValidCtxt(ctxt);
    xmlFreeDtd(dtd);
    return valid ? QString() : (errors.isEmpty() ? QStringLiteral("invalid") : errors);
}

// zlib's CRC-32 of the file's bytes as CRC text.
inline QString ZlibCrcText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("(unreadable)");
    const QByteArray bytes = file.readAll();
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef *>(bytes.constData()), uInt(bytes.size()));
    return QStringLiteral("%1").arg(qulonglong(crc), 8, 16, QLatin1Char('0')).toUpper();
}

// The percentages one walk over count records reports.
inline std::vector<int> ExpectedProgress(int count)
{
    std::vector<int> percents;
    for (int record = 1; record <= count; ++record) {
        const int percent = int(qint64(record) * 100 / count);
        if (percents.empty() || percents.back() != percent)
            percents.push_back(percent);
    }
    return percents;
}

} // namespace transfer
