#include "workspace/CollectionType.h"

#include "app/utils/Errors.h"
#include "app/utils/Utils.h"
#include "documents/XmlTaxPayer.h"

namespace {

bool Is(const QString &collectionType, const char *name)
{
    return SameTextIgnoringAsciiCase(collectionType, QString::fromLatin1(name));
}

} // namespace

TCollectionTypeTexts CollectionTypeTexts(const QString &collectionType)
{
    TCollectionTypeTexts t;
    t.newUnitCommand = QStringLiteral("新增企业(&N)");
    t.deleteUnitCommand = QStringLiteral("删除企业(&D)");
    t.newUnitButton = QStringLiteral("新增企业");
    t.deleteUnitButton = QStringLiteral("删除企业");
    t.dialogCaption = QStringLiteral("新增纳税人");
    t.codeLabel = QStringLiteral("纳税人识别号(&H):");
    t.nameLabel = QStringLiteral("纳税人名称(&N):");
    if (Is(collectionType, "CGDK")) {
        t.newUnitCommand = t.newUnitButton = QStringLiteral("新增中介机构(&N)");
        t.deleteUnitCommand = t.deleteUnitButton = QStringLiteral("删除中介机构(&D)");
        t.dialogCaption = QStringLiteral("新增中介机构");
        t.codeLabel = QStringLiteral("中介机构代码(&C):");
        t.nameLabel = QStringLiteral("中介机构名称(&N):");
    } else if (Is(collectionType, "CGSK")) {
        t.newUnitCommand = t.newUnitButton = QStringLiteral("新增税务机关(&N)");
        t.deleteUnitCommand = t.deleteUnitButton = QStringLiteral("删除税务机关(&D)");
        t.dialogCaption = QStringLiteral("新增税务机关");
        t.codeLabel = QStringLiteral("税务机关代码(&C):");
        t.nameLabel = QStringLiteral("税务机关名称(&N):");
        t.authorityCode = true;
    }
    t.singleUnit = Is(collectionType, "CGDK") || Is(collectionType, "CGSK") || Is(collectionType, "CGZK")
                   || Is(collectionType, "DKZK");
    t.searchBoxVisible = !t.singleUnit;
    return t;
}

QString UnitCodeError(const QString &collectionType, const QString &code)
{
    if (CollectionTypeTexts(collectionType).authorityCode)
        return IsValidAuthorityCode(code) ? QString()
                                          : QStringLiteral("税务机关代码错误！必须是7,9位0..9的字符组成！");
    return IsValidTaxpayerCode(code)
               ? QString()
               : QStringLiteral("纳税人识别号错误！必须是15位至20位0..9,A..Z,a-z的字符组成！");
}

TTaxPayerRec AcceptNewUnit(const QString &collectionType, const QString &code, const QString &name)
{
    const QString error = UnitCodeError(collectionType, code);
    if (!error.isEmpty())
        throw TUserError(error);
    return TTaxPayerRec{code.trimmed(), name.trimmed(), QString()};
}

bool NewUnitComplete(const QString &code, const QString &name)
{
    return !code.trimmed().isEmpty() && !name.trimmed().isEmpty();
}
