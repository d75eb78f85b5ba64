#pragma once

#include <QString>

using xmlDocPtr = struct _xmlDoc *;
using xmlParserCtxtPtr = struct _xmlParserCtxt *;

// Helpers over libxml2 shared by every reader and writer of workspace
// documents (TXMLDocument here, the report document of the data engine).

// "name(line): the parser's message" for a parse that failed in ctxt.
QString XmlParseErrorText(xmlParserCtxtPtr ctxt, const QString &name);

// The first element, attribute or other node name in doc that GBK cannot
// hold, or a null QString when every name fits. Text outside GBK is saved
// as character references, but names cannot be: a document with such a
// name would be saved as a file that cannot be read back.
QString FirstNameOutsideGbk(xmlDocPtr doc);

// The content of the first CDATA section, comment or processing instruction
// in doc that GBK cannot hold, or a null QString. Such content is written
// unescaped, so a character outside GBK would be saved as the letters of a
// character reference and read back as those letters.
QString FirstVerbatimTextOutsideGbk(xmlDocPtr doc);
