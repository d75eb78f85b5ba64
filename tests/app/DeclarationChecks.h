#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <libxml/parser.h>
#include <libxml/valid.h>
#include <zlib.h>

#include <cstdarg>
#include <cstdio>
#include <string>

// Checks of a declared interface file made with other means than the
// client's own: libxml2's DTD validation and zlib's CRC-32.

inline void CollectValidityError(void *errors, const char *format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    static_cast<QString *>(errors)->append(QString::fromUtf8(text));
}

// Validates the interface file against the DTD at dtdPath (the DOCTYPE's
// own name differs in letter case, so the DTD is given, not looked up).
// Returns libxml2's messages; empty when the file is valid.
inline QString DtdValidationErrors(const QString &interfacePath, const QString &dtdPath)
{
    QString errors;
    xmlDocPtr doc = xmlReadFile(QFile::encodeName(interfacePath).constData(), nullptr, XML_PARSE_NONET);
    xmlDtdPtr dtd = xmlParseDTD(nullptr, reinterpret_cast<const xmlChar *>(QFile::encodeName(dtdPath).constData()));
    if (!doc || !dtd) {
        errors = QStringLiteral("cannot load %1 or %2").arg(interfacePath, dtdPath);
    } else {
        xmlValidCtxtPtr context = xmlNewValidCtxt();
        context->userData = &errors;
        context->error = CollectValidityError;
        context->warning = nullptr;
        if (!xmlValidateDtd(context, doc, dtd) && errors.isEmpty())
            errors = QStringLiteral("not valid");
        xmlFreeValidCtxt(context);
    }
    if (dtd)
        xmlFreeDtd(dtd);
    if (doc)
        xmlFreeDoc(doc);
    return errors;
}

// zlib's CRC-32 of the file as 8 upper-case hexadecimal digits.
inline QString ZlibCrcText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray bytes = file.readAll();
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef *>(bytes.constData()), uInt(bytes.size()));
    return QStringLiteral("%1").arg(qulonglong(crc), 8, 16, QLatin1Char('0')).toUpper();
}

// The names in a folder, hidden ones (temporary files) included, sorted
// and joined by ", " (readable in a failure).
inline std::string FolderEntries(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names.join(QStringLiteral(", ")).toStdString();
}

// The names sorted and joined as FolderEntries gives them.
inline std::string Names(QStringList names)
{
    names.sort();
    return names.join(QStringLiteral(", ")).toStdString();
}
