#pragma once

#include <QString>

class TSchemaRegister;

// Printing a declared report: the archived interface file is copied into
// the DS folder as "print.xml" with a style-sheet processing instruction in
// front of its SCHEMA element, and the style sheet it names is applied to
// it here (libxslt) to give "print.html" beside it, which the desktop's
// browser shows and prints. "print.xml" stays as it always was, so a
// browser that applies client-side style sheets still shows it.

// Whether the schema's field-definition document has a COLUMN named
// "GDZCXM" (letter case ignored): such schemas print a fixed-asset list and
// a list of the other records. The document is the DS attribute of the
// first schema register entry named schemaName (letter case ignored; empty
// when there is none) in the DS folder. Raises TUserError
// "%S文件不存在!请仔细检查" with the full path when that file does not
// exist, and the XML layer's errors when it does not load.
bool HasFixedAssetColumn(const QString &schemaName, const TSchemaRegister &schemas);

// Which list a schema with a fixed-asset column prints. Ask puts the
// question to the operator (OK: the fixed-asset list, Cancel: the other).
enum class TFixedAssetChoice { Ask, FixedAssets, Other };

// Writes the print file DS folder + "print.xml" (replacing it atomically)
// and returns its full path. The file is the interface file's GBK text,
// line by line, each line ended by CR LF, with
//   <?xml-stylesheet type="text/xsl" href="<schema><type>JK<style>.xslt"?>
// (JK1 for the fixed-asset list, JK0 for the other records of a schema with
// a fixed-asset column) inserted immediately in front of every
// `<SCHEMA NAME="` (letter case ignored), that is on the root start tag's
// line after the XML declaration and the document type declaration.
// collectionType is CJLX as read at start-up, printStyle the current
// PRINTXSLT ("98" or "XP").
//
// Raises TUserError "数据文件“%S”不存在！" with the path when the interface
// file does not exist, HasFixedAssetColumn's errors, and TFileError when
// a file cannot be read or written. With choice Ask and a fixed-asset
// column, asks "按[确定]打印固定资产清单,按[取消]打印非固定资产清单。"
// through TMessageBox (QuestionOkCancel).
QString PreparePrintFile(const QString &interfaceFile, const QString &collectionType,
                         const QString &schemaName, const QString &printStyle,
                         const TSchemaRegister &schemas,
                         TFixedAssetChoice choice = TFixedAssetChoice::Ask);

// The href of the print file's xml-stylesheet processing instruction (the
// first one of type "text/xsl"); empty when it has none. Raises TFileError
// when the file cannot be read.
QString PrintStyleSheetName(const QString &printFile);

// Applies the style sheet named by the print file's processing instruction
// to it and writes "print.html" beside it (atomically); returns that path.
// The style sheet is looked up in the print file's folder without regard
// to letter case. The transformation reads local files of that folder only:
// no network access, no file written, no file outside the folder read.
//
// The HTML is written as UTF-8 with <meta charset="UTF-8"> placed first in
// its head (any meta charset or content-type of the style sheet's output is
// dropped), whatever encoding the style sheet's xsl:output names, so every
// browser reads it the same way.
//
// Raises TUserError "打印样式表“%S”不存在！" with the style sheet's path
// when it is missing (or the print file names none), TUserError carrying
// libxml2's or libxslt's own messages when the style sheet does not parse,
// does not compile or fails while it runs, and TFileError for files that
// cannot be read or written.
QString RenderPrintPage(const QString &printFile);
