#include "documents/XmlFileManager.h"

#include "app/utils/Errors.h"
#include "app/utils/Utils.h"
#include "documents/XmlSchemaManager.h"

using namespace XmlFileManager;

namespace {

int ParseStatus(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        throw TConversionError(QStringLiteral("\"%1\"不是有效的整数值").arg(text));
    return value;
}

// Both codes with ASCII letters folded to upper case, which is how the
// register compares them, joined by a character no XML text can hold.
QString PairKey(const QString &swsbh, const QString &schemaName)
{
    QString key = swsbh + QChar(0) + schemaName;
    for (QChar &c : key) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    }
    return key;
}

} // namespace

QString ReportStatusText(int status)
{
    switch (status) {
    case kStatusAwaiting: return QStringLiteral("待申报");
    case kStatusDeclared: return QStringLiteral("已申报");
    default: return QString();
    }
}

int TXMLDATAFILEType::STATUS() const { return ParseStatus(Attribute("STATUS")); }

TXMLFILEMANAGERType TFileRegister::Root() const { return TXMLFILEMANAGERType(TRegisterDocument::Root()); }

void TFileRegister::AddTaxpayer(const QString &swsbh, const TSchemaRegister &schemas)
{
    TXMLTAXPAYERType taxpayer = Root().Add();
    taxpayer.SetSWSBH(swsbh);
    for (const XmlSchemaManager::TXMLSCHEMAType &schema : schemas.Schemas().Items())
        taxpayer.Add().SetTYPEID(schema.NAME());
    Write();
}

void TFileRegister::DeleteTaxpayer(const QString &swsbh)
{
    const int index = FindTaxpayer(swsbh);
    if (index < 0)
        return;
    Root().Delete(index);
    Write();
}

int TFileRegister::FindTaxpayer(const QString &swsbh) const
{
    int index = 0;
    for (const TXMLTAXPAYERType &taxpayer : Root().Items()) {
        if (SameTextIgnoringAsciiCase(taxpayer.SWSBH(), swsbh))
            return index;
        ++index;
    }
    return -1;
}

int TFileRegister::FindFileList(int taxpayerIndex, const QString &schemaName) const
{
    int index = 0;
    for (const TXMLFILELISTType &list : Root().Get(taxpayerIndex).Items()) {
        if (SameTextIgnoringAsciiCase(list.TYPEID(), schemaName))
            return index;
        ++index;
    }
    return -1;
}

void TFileRegister::AddReportFile(const TXmlFileRec &rec)
{
    int taxpayerIndex = FindTaxpayer(rec.SWSBH);
    TXMLTAXPAYERType taxpayer;
    if (taxpayerIndex < 0) {
        taxpayer = Root().Add();
        taxpayer.SetSWSBH(rec.SWSBH);
    } else {
        taxpayer = Root().Get(taxpayerIndex);
    }
    TXMLFILELISTType list;
    const int listIndex = taxpayerIndex < 0 ? -1 : FindFileList(taxpayerIndex, rec.SchemaName);
    if (listIndex < 0) {
        list = taxpayer.Add();
        list.SetTYPEID(rec.SchemaName);
    } else {
        list = taxpayer.Get(listIndex);
    }
    TXMLDATAFILEType file = list.Add();
    file.SetNAME(rec.FileName);
    file.SetSTATUS(rec.STATUS);
    file.SetSBRQ(rec.SBRQ);
    Write();
}

TXMLDATAFILEType TFileRegister::FindReportFile(const TXmlFileRec &rec) const
{
    for (const TXMLTAXPAYERType &taxpayer : Root().Items()) {
        if (!SameTextIgnoringAsciiCase(taxpayer.SWSBH(), rec.SWSBH))
            continue;
        for (const TXMLFILELISTType &list : taxpayer.Items()) {
            if (!SameTextIgnoringAsciiCase(list.TYPEID(), rec.SchemaName))
                continue;
            for (const TXMLDATAFILEType &file : list.Items()) {
                if (SameTextIgnoringAsciiCase(file.NAME(), rec.FileName))
                    return file;
            }
        }
    }
    return TXMLDATAFILEType();
}

void TFileRegister::DeleteReportFile(const TXmlFileRec &rec)
{
    TXMLDATAFILEType file = FindReportFile(rec);
    if (file.IsNull())
        return;
    file.Remove();
    Write();
}

void TFileRegister::UpdateReportFile(const TXmlFileRec &rec)
{
    TXMLDATAFILEType file = FindReportFile(rec);
    if (file.IsNull())
        return;
    file.SetSTATUS(rec.STATUS);
    file.SetSBRQ(rec.SBRQ);
    Write();
}

QList<TXmlFileRec> TFileRegister::ReportFiles(const QString &swsbh, const QString &schemaName) const
{
    QList<TXmlFileRec> result;
    for (const TXMLTAXPAYERType &taxpayer : Root().Items()) {
        if (!SameTextIgnoringAsciiCase(taxpayer.SWSBH(), swsbh))
            continue;
        for (const TXMLFILELISTType &list : taxpayer.Items()) {
            if (!SameTextIgnoringAsciiCase(list.TYPEID(), schemaName))
                continue;
            for (const TXMLDATAFILEType &file : list.Items())
                result.append({swsbh, schemaName, file.NAME(), file.STATUS(), file.SBRQ()});
        }
    }
    return result;
}

TReportFileIndex TFileRegister::IndexReportFiles() const
{
    TReportFileIndex index;
    for (const TXMLTAXPAYERType &taxpayer : Root().Items()) {
        const QString swsbh = taxpayer.SWSBH();
        for (const TXMLFILELISTType &list : taxpayer.Items()) {
            QList<TReportFileIndex::TEntry> &files = index.files_[PairKey(swsbh, list.TYPEID())];
            for (const TXMLDATAFILEType &file : list.Items())
                files.append({file.NAME(), file.Attribute("STATUS"), file.SBRQ()});
        }
    }
    return index;
}

QList<TXmlFileRec> TReportFileIndex::ReportFiles(const QString &swsbh, const QString &schemaName) const
{
    QList<TXmlFileRec> result;
    const auto found = files_.constFind(PairKey(swsbh, schemaName));
    if (found == files_.constEnd())
        return result;
    result.reserve(found->size());
    for (const TEntry &file : *found)
        result.append({swsbh, schemaName, file.name, ParseStatus(file.status), file.sbrq});
    return result;
}
