#include "checker/DetailTable.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/Errors.h"
#include "app/utils/Paths.h"
#include "app/utils/Utils.h"
#include "reportdata/FooterRole.h"
#include "reportdata/XmlFieldDefine.h"
#include "xml/XmlDocument.h"

#include <libxml/tree.h>

#include <cstring>
#include <utility>

namespace {

QString NotFound(const QString &path) { return FormatText(QStringLiteral("文件\"%S\"不存在!"), {path}); }

// The first child that is not a comment or processing instruction (the
// documents are parsed without layout blanks, so text here is content).
xmlNodePtr FirstContentChild(xmlNodePtr node)
{
    xmlNodePtr child = node ? node->children : nullptr;
    while (child && (child->type == XML_COMMENT_NODE || child->type == XML_PI_NODE))
        child = child->next;
    return child;
}

bool IsElementNamed(xmlNodePtr node, const char *name)
{
    return node && node->type == XML_ELEMENT_NODE && xmlStrcasecmp(node->name, BAD_CAST name) == 0;
}

// A decimal integer of a COLUMN child; empty text gives fallback.
int ReadDefinitionInteger(const QString &text, int fallback)
{
    const QByteArray utf8 = text.trimmed().toUtf8();
    return utf8.isEmpty() ? fallback : ReadIntegerText(utf8);
}

TDetailColumn ReadColumn(const TXMLCOLUMNType &column, int position)
{
    TDetailColumn result;
    result.name = column.NAME();
    if (result.name.isEmpty())
        throw TUserError(QStringLiteral("第%1个字段的字段名为空!").arg(position));
    result.title = column.CHSNAME();
    const QString typeText = column.DATATYPE();
    if (!ParseFieldType(typeText.trimmed(), &result.type))
        throw TUserError(FormatText(QStringLiteral("系统不支持字段类型\"%S\"!"), {typeText}));
    result.size = ReadDefinitionInteger(column.DATASIZE(), 0);
    result.width = ReadDefinitionInteger(column.DISPWIDTH(), 20);
    const TXMLFOOTERType footer = column.FOOTER();
    result.footerValue = footer.VALUE();
    const QString kind = footer.VALUETYPE().trimmed();
    if (kind.compare(QLatin1String("TEXT"), Qt::CaseInsensitive) == 0)
        result.footer = TDetailColumn::TFooter::Text;
    else if (kind.compare(QLatin1String("SUM"), Qt::CaseInsensitive) == 0)
        result.footer = TDetailColumn::TFooter::Sum;
    return result;
}

// The DS entry of the schema register for schemaName: the first entry whose
// NAME matches (letter case ignored) and that has a DS attribute.
QString FindDefinitionFile(const QString &schemaName)
{
    const QString path = TApplicationInfo::AppFile(QStringLiteral("SchemaManager.xml"));
    if (!FileExistsAnyCase(path))
        throw TUserError(NotFound(path));
    const std::unique_ptr<TXMLDocument> document = TXMLDocument::LoadFile(path);
    const xmlNodePtr root = document->DocumentElement().Raw();
    if (!root || !root->children)
        throw TUserError(QStringLiteral("数据模板管理器数据不存在!"));
    for (xmlNodePtr entry = root->children; entry; entry = entry->next) {
        if (entry->type != XML_ELEMENT_NODE)
            continue;
        const TXMLNode node(entry);
        if (node.HasAttribute("DS") && SameTextIgnoringAsciiCase(node.Attribute("NAME"), schemaName))
            return node.Attribute("DS");
    }
    return QString();
}

std::vector<TDetailColumn> ReadColumns(const QString &definitionFile)
{
    const QString path = ResolveInFolder(TApplicationInfo::DSDir(), definitionFile);
    if (!FileExistsAnyCase(path))
        throw TUserError(NotFound(path));
    const std::unique_ptr<TXMLDocument> document = TXMLDocument::LoadFile(path);
    const xmlNodePtr root = document->DocumentElement().Raw();
    const QString malformed = FormatText(QStringLiteral("文件%s格式错误!"), {path});
    if (!root || !root->children)
        throw TUserError(malformed);
    xmlNodePtr columnsNode = root->children;
    while (columnsNode && !IsElementNamed(columnsNode, "COLUMNS"))
        columnsNode = columnsNode->next;
    if (!columnsNode)
        throw TUserError(malformed);

    std::vector<TDetailColumn> columns;
    for (xmlNodePtr child = columnsNode->children; child; child = child->next) {
        if (child->type != XML_ELEMENT_NODE)
            continue;
        TDetailColumn column = ReadColumn(TXMLCOLUMNType(child), int(columns.size()) + 1);
        for (const TDetailColumn &earlier : columns) {
            if (earlier.name.compare(column.name, Qt::CaseInsensitive) == 0)
                throw TUserError(FormatText(QStringLiteral("字段名\"%S\"重复!"), {column.name}));
        }
        columns.push_back(std::move(column));
    }
    return columns;
}

// An attribute's value as UTF-8 bytes in the document, or null when it is
// not a single text node (entity references); "" for an empty value.
const char *DirectValue(xmlAttrPtr attribute)
{
    const xmlNodePtr child = attribute->children;
    if (!child)
        return "";
    if (child->type == XML_TEXT_NODE && !child->next)
        return reinterpret_cast<const char *>(child->content);
    return nullptr;
}

} // namespace

TDetailTable::TDetailTable()
    : sums_([this](int row, int column) { return Value(row, column); })
{
}

TDetailTable::~TDetailTable() = default;

std::unique_ptr<TDetailTable> TDetailTable::Build(const QString &fileName)
{
    if (!FileExistsAnyCase(fileName))
        throw TUserError(NotFound(fileName));
    std::unique_ptr<TDetailTable> table(new TDetailTable);
    table->fileName_ = fileName;
    table->document_ = TXMLDocument::LoadFile(fileName);
    const TXMLNode root = table->document_->DocumentElement();
    if (root.IsNull() || !root.Raw()->children)
        throw TUserError(QStringLiteral("数据不存在!"));
    if (root.NodeName() != QLatin1String("SCHEMA"))
        throw TUserError(QStringLiteral("当前文件格式不符!"));
    if (!root.HasAttribute("NAME"))
        throw TUserError(QStringLiteral("文件格式错误:模式名不存在!"));
    const QString schemaName = root.Attribute("NAME");
    table->caption_ = root.HasAttribute("CHSNAME") ? root.Attribute("CHSNAME") : QStringLiteral("DetailForm");

    const QString definitionFile = FindDefinitionFile(schemaName);
    if (definitionFile.isEmpty())
        throw TUserError(QStringLiteral("数据模板管理器中未定义当前模式!"));
    table->columns_ = ReadColumns(definitionFile);
    table->cells_.resize(table->columns_.size());

    const QString misshapen = FormatText(QStringLiteral("文件\"%S\"格式不符!"), {fileName});
    const xmlNodePtr taxpayer = FirstContentChild(root.Raw());
    if (!IsElementNamed(taxpayer, "TAXPAYER"))
        throw TUserError(misshapen);
    const TXMLNode taxpayerNode(taxpayer);
    if (taxpayerNode.HasAttribute("NSRMC"))
        table->caption_ += QLatin1Char('[') + taxpayerNode.Attribute("NSRMC") + QLatin1Char(']');
    const xmlNodePtr records = FirstContentChild(taxpayer);
    if (!IsElementNamed(records, "RECORDS"))
        throw TUserError(misshapen);
    table->ReadRecords(records);

    for (int column = 0; column < int(table->columns_.size()); ++column) {
        if (table->columns_[size_t(column)].footer == TDetailColumn::TFooter::Sum)
            table->sums_.AddColumn(column, table->columns_[size_t(column)].type, table->rows_);
    }
    return table;
}

void TDetailTable::ReadRecords(xmlNodePtr records)
{
    const int columnCount = int(columns_.size());
    std::vector<QByteArray> names;
    names.reserve(size_t(columnCount));
    for (const TDetailColumn &column : columns_)
        names.push_back(column.name.toUtf8());

    int recordCount = 0;
    for (xmlNodePtr child = records->children; child; child = child->next)
        recordCount += IsElementNamed(child, "RECORD") ? 1 : 0;
    for (TColumnCells &column : cells_) {
        column.cells.resize(size_t(recordCount));
        column.present.resize(size_t(recordCount));
    }

    // Attribute names come from the parser's dictionary, so one name is one
    // pointer: remember which column each pointer met so far belongs to
    // (-1: none) and compare bytes only for a pointer not seen yet.
    std::vector<std::pair<const xmlChar *, int>> seen;
    const auto columnOf = [&](const xmlChar *name) {
        for (const auto &entry : seen) {
            if (entry.first == name)
                return entry.second;
        }
        int found = -1;
        for (int column = 0; column < columnCount; ++column) {
            if (std::strcmp(reinterpret_cast<const char *>(name), names[size_t(column)].constData()) == 0) {
                found = column;
                break;
            }
        }
        if (seen.size() < 256)
            seen.emplace_back(name, found);
        return found;
    };

    int row = 0;
    for (xmlNodePtr child = records->children; child; child = child->next) {
        if (!IsElementNamed(child, "RECORD"))
            continue;
        for (xmlAttrPtr attribute = child->properties; attribute; attribute = attribute->next) {
            const int column = columnOf(attribute->name);
            if (column < 0)
                continue;
            const char *text = DirectValue(attribute);
            if (!text) {
                xmlChar *joined = xmlNodeListGetString(child->doc, attribute->children, 1);
                const size_t length = joined ? std::strlen(reinterpret_cast<const char *>(joined)) : 0;
                texts_.emplace_back(new char[length + 1]);
                std::memcpy(texts_.back().get(), joined ? reinterpret_cast<const char *>(joined) : "", length + 1);
                xmlFree(joined);
                text = texts_.back().get();
            }
            // An empty attribute leaves the cell empty, as a missing one does.
            if (!*text)
                continue;
            const QByteArrayView bytes(text, qsizetype(std::strlen(text)));
            TCell &cell = cells_[size_t(column)].cells[size_t(row)];
            switch (columns_[size_t(column)].type) {
            case TFieldType::Text:
                cell.text = text;
                break;
            case TFieldType::Integer:
                cell.integer = ReadIntegerText(bytes);
                break;
            case TFieldType::Float:
                cell.number = ReadFloatText(bytes);
                break;
            case TFieldType::Currency:
                cell.number = RoundCurrency(ReadFloatText(bytes));
                break;
            case TFieldType::Date:
                cell.julianDay = ReadDateText(bytes).toJulianDay();
                break;
            case TFieldType::Boolean:
                cell.boolean = ConvertFieldValue(TFieldType::Boolean, QString::fromUtf8(bytes)).toBool();
                break;
            }
            cells_[size_t(column)].present[size_t(row)] = true;
        }
        ++row;
    }
    rows_ = row;
}

QVariant TDetailTable::Value(int row, int column) const
{
    if (row < 0 || row >= rows_ || column < 0 || column >= int(columns_.size()))
        return QVariant();
    const TColumnCells &cells = cells_[size_t(column)];
    if (!cells.present[size_t(row)])
        return QVariant();
    const TCell &cell = cells.cells[size_t(row)];
    switch (columns_[size_t(column)].type) {
    case TFieldType::Text:
        return QVariant(QString::fromUtf8(cell.text));
    case TFieldType::Integer:
        return QVariant(cell.integer);
    case TFieldType::Float:
    case TFieldType::Currency:
        return QVariant(cell.number);
    case TFieldType::Date:
        return QVariant(QDate::fromJulianDay(cell.julianDay));
    case TFieldType::Boolean:
        return QVariant(cell.boolean);
    }
    return QVariant();
}

QString TDetailTable::Text(int row, int column) const
{
    const QVariant value = Value(row, column);
    if (!value.isValid())
        return QString();
    return FieldValueText(columns_[size_t(column)].type, value);
}

int TDetailTable::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : rows_; }

int TDetailTable::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(columns_.size());
}

QVariant TDetailTable::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this)
        return QVariant();
    const TFieldType type = columns_[size_t(index.column())].type;
    switch (role) {
    case Qt::DisplayRole:
        return type == TFieldType::Boolean ? QVariant() : QVariant(Text(index.row(), index.column()));
    case Qt::EditRole:
        return Value(index.row(), index.column());
    case Qt::CheckStateRole:
        return type == TFieldType::Boolean ? FieldCheckState(Value(index.row(), index.column())) : QVariant();
    case Qt::TextAlignmentRole:
        return FieldCellAlignment(type);
    default:
        return QVariant();
    }
}

QVariant TDetailTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        if (role == Qt::DisplayRole && section >= 0 && section < rows_)
            return section + 1;
        return QVariant();
    }
    if (section < 0 || section >= int(columns_.size()))
        return QVariant();
    const TDetailColumn &column = columns_[size_t(section)];
    switch (role) {
    case Qt::DisplayRole:
        return column.title;
    case kFieldNameRole:
        return column.name;
    case kFooterRole:
        if (column.footer == TDetailColumn::TFooter::Text)
            return column.footerValue;
        if (column.footer == TDetailColumn::TFooter::Sum)
            return sums_.Text(section);
        return QString();
    case kFooterAlignmentRole:
        return FooterAlignment(column.footer == TDetailColumn::TFooter::Sum);
    default:
        return QVariant();
    }
}

Qt::ItemFlags TDetailTable::flags(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this)
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}
