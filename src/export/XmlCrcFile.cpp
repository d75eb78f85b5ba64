#include "export/XmlCrcFile.h"

#include "app/utils/Paths.h"
#include "app/utils/Utils.h"
#include "export/CRCUtils.h"

#include <QFileInfo>

namespace {

constexpr char kRootTag[] = "CRC";

// Strips what the checker's reading of a recorded name ignores: blanks and
// control characters (everything up to and including the space) at either end.
QString TrimBlanksAndControls(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= ' ')
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= ' ')
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

TXMLCRCType GetCrcDocument(TXMLDocument &document)
{
    if (!document.HasRoot() && !document.FileName().isEmpty() && FileExistsAnyCase(document.FileName()))
        document.Load(document.FileName());
    if (!document.HasRoot())
        return TXMLCRCType(document.CreateRoot(kRootTag));
    return TXMLCRCType(document.DocumentElement());
}

TCrcDocument LoadCrcDocument(const QString &fileName)
{
    TCrcDocument result;
    result.document = TXMLDocument::LoadFile(fileName);
    result.root = GetCrcDocument(*result.document);
    return result;
}

void UpdateCrcDocument(const QString &crcDocumentPath, const QString &declaredFilePath)
{
    const QString name = FileNamePart(declaredFilePath);
    const QString crcText = FileCrcText(declaredFilePath);

    const QString path = ResolveCaseInsensitive(crcDocumentPath);
    TXMLDocument document;
    document.SetFileName(path);
    if (QFileInfo::exists(path))
        document.Load(path);
    TXMLCRCType root = GetCrcDocument(document);

    bool found = false;
    for (TXMLFILEType &item : root.Items()) {
        if (SameTextIgnoringAsciiCase(item.NAME(), name)) {
            item.SetCRCVALUE(crcText);
            found = true;
            break;
        }
    }
    if (!found) {
        TXMLFILEType item = root.Add();
        item.SetNAME(name);
        item.SetCRCVALUE(crcText);
    }
    document.SaveTo(path);
}

bool LookupCrcValue(const QString &crcDocumentPath, const QString &fileName, QString &value)
{
    const TCrcDocument crc = LoadCrcDocument(crcDocumentPath);
    for (const TXMLFILEType &item : crc.root.Items()) {
        if (!item.HasAttribute("NAME"))
            return false;
        if (SameTextIgnoringAsciiCase(TrimBlanksAndControls(item.NAME()), fileName)) {
            if (!item.HasAttribute("CRCVALUE"))
                return false;
            value = item.CRCVALUE();
            return true;
        }
    }
    return false;
}
