#include "print/Print.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/Errors.h"
#include "app/utils/MessageBox.h"
#include "app/utils/Paths.h"
#include "app/utils/TextFile.h"
#include "app/utils/Utils.h"
#include "documents/XmlSchemaManager.h"
#include "reportdata/XmlFieldDefine.h"

namespace {

// The root start tag of an interface file, as the print file is searched for it.
const QString kRootTag = QStringLiteral("<SCHEMA NAME=\"");

QString StyleSheetInstruction(const QString &form, const QString &schemaName,
                              const QString &collectionType, const QString &printStyle)
{
    return FormatText(QStringLiteral("<?xml-stylesheet type=\"text/xsl\" href=\"%1.xslt\"?>").arg(form),
                      {schemaName, collectionType, printStyle});
}

// The instruction goes in front of every root start tag, found without
// regard to case; the tag keeps the spelling it has (an element name is
// case-sensitive, so writing it in another case would break the file).
QString InsertInstruction(const QString &line, const QString &instruction)
{
    QString result;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = line.indexOf(kRootTag, from, Qt::CaseInsensitive);
        if (at < 0)
            break;
        result += QStringView(line).mid(from, at - from);
        result += instruction;
        result += QStringView(line).mid(at, kRootTag.size());
        from = at + kRootTag.size();
    }
    if (from == 0)
        return line;
    result += QStringView(line).mid(from);
    return result;
}

} // namespace

bool HasFixedAssetColumn(const QString &schemaName, const TSchemaRegister &schemas)
{
    const int index = schemas.Find(schemaName);
    const QString ds = index < 0 ? QString() : schemas.Schemas().Items().at(size_t(index)).DS();
    const QString path = TApplicationInfo::DSDir() + ds;
    if (ds.isEmpty() || !FileExistsAnyCase(path))
        throw TUserError(FormatText(QStringLiteral("%S文件不存在!请仔细检查"), {path}));
    const auto document = LoadFieldDefinitions(ResolveInFolder(TApplicationInfo::DSDir(), ds));
    for (const TXMLCOLUMNType &column : document->FORM().COLUMNS().Items()) {
        if (column.NAME().compare(QLatin1String("GDZCXM"), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString PreparePrintFile(const QString &interfaceFile, const QString &collectionType,
                         const QString &schemaName, const QString &printStyle,
                         const TSchemaRegister &schemas, TFixedAssetChoice choice)
{
    if (!FileExistsAnyCase(interfaceFile))
        throw TUserError(FormatText(QStringLiteral("数据文件“%S”不存在！"), {interfaceFile}));
    QStringList lines = ReadGbkLines(ResolveCaseInsensitive(interfaceFile));

    QString form = QStringLiteral("%S%SJK%S");
    if (HasFixedAssetColumn(schemaName, schemas)) {
        if (choice == TFixedAssetChoice::Ask) {
            const int answer = TMessageBox::Show(
                QStringLiteral("按[确定]打印固定资产清单,按[取消]打印非固定资产清单。"),
                TMessageBox::QuestionOkCancel);
            choice = answer == TMessageBox::IdOk ? TFixedAssetChoice::FixedAssets : TFixedAssetChoice::Other;
        }
        form = choice == TFixedAssetChoice::FixedAssets ? QStringLiteral("%S%SJK1%S") : QStringLiteral("%S%SJK0%S");
    }
    const QString instruction = StyleSheetInstruction(form, schemaName, collectionType, printStyle);
    for (QString &line : lines)
        line = InsertInstruction(line, instruction);

    const QString printFile = ResolveInFolder(TApplicationInfo::DSDir(), QStringLiteral("print.xml"));
    WriteGbkLines(printFile, lines);
    return printFile;
}
