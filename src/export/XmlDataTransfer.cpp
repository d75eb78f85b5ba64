#include "export/XmlDataTransfer.h"

#include "app/utils/AtomicFile.h"
#include "app/utils/Errors.h"
#include "app/utils/Paths.h"
#include "app/utils/TextFile.h"
#include "app/utils/Utils.h"
#include "reportdata/FieldValue.h"
#include "reportdata/XmlDataSet.h"

#include <QStringList>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include <exception>

#include <libxml/tree.h>
#include <libxml/xmlsave.h>

namespace {

const xmlChar *X(const char *text) { return reinterpret_cast<const xmlChar *>(text); }
const xmlChar *X(const QByteArray &bytes) { return reinterpret_cast<const xmlChar *>(bytes.constData()); }

// An attribute of a template node; missing (or a node without attributes)
// reads as empty text.
QString TemplateAttribute(xmlNodePtr node, const char *name)
{
    if (node->type != XML_ELEMENT_NODE)
        return QString();
    xmlChar *value = xmlGetProp(node, X(name));
    if (!value)
        return QString();
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(value));
    xmlFree(value);
    return text;
}

// A tag or attribute name from the template as UTF-8. A name that is no XML
// name, or that GBK cannot hold, would give a file that cannot be read:
// refused before anything is written.
QByteArray ValidName(const QString &name)
{
    const QByteArray utf8 = name.toUtf8();
    if (name.isEmpty() || xmlValidateName(X(utf8), 0) != 0 || !GbkCanHold(name))
        throw TUserError(FormatText(QStringLiteral("接口模板文档中的结点名称\"%S\"无效!"), {name}));
    return utf8;
}

bool IsBlankText(const char *text)
{
    for (; *text; ++text) {
        if (*text != ' ' && *text != '\t' && *text != '\n' && *text != '\r')
            return false;
    }
    return true;
}

// The text form of a value, as TField::AsString gives it, as UTF-8 in
// buffer (returned, NUL-terminated). Written into one buffer reused for
// every value: a report of 100,000 records has more than a million.
const char *TextForm(TFieldType type, const QVariant &value, std::string &buffer)
{
    char digits[64];
    switch (type) {
    case TFieldType::Text:
        buffer = value.toString().toStdString();
        return buffer.c_str();
    case TFieldType::Integer: {
        const auto result = std::to_chars(digits, digits + sizeof digits, value.toInt());
        buffer.assign(digits, result.ptr);
        return buffer.c_str();
    }
    case TFieldType::Float:
    case TFieldType::Currency: {
        const double number = value.toDouble();
        if (number == 0) {
            buffer.assign("0");
            return buffer.c_str();
        }
        // The general form of 15 digits is FormatGeneral's wherever the
        // library writes no exponent; the rest (tiny, huge, not finite) is
        // left to FormatGeneral.
        if (std::isfinite(number)) {
            const auto result = std::to_chars(digits, digits + sizeof digits, number, std::chars_format::general, 15);
            if (result.ec == std::errc() && !std::memchr(digits, 'e', size_t(result.ptr - digits))) {
                buffer.assign(digits, result.ptr);
                return buffer.c_str();
            }
        }
        buffer = FormatGeneral(number).toStdString();
        return buffer.c_str();
    }
    case TFieldType::Date: {
        int year = 0;
        int month = 0;
        int day = 0;
        value.toDate().getDate(&year, &month, &day);
        if (year >= 0 && year <= 9999) {
            const int length = std::snprintf(digits, sizeof digits, "%04d-%02d-%02d", year, month, day);
            buffer.assign(digits, size_t(length));
        } else {
            buffer = FieldValueText(type, value).toStdString();
        }
        return buffer.c_str();
    }
    case TFieldType::Boolean:
        buffer.assign(value.toBool() ? "True" : "False");
        return buffer.c_str();
    }
    buffer.clear();
    return buffer.c_str();
}

// Switches a dataset's controls on again however the walk ends.
class ControlsOff {
public:
    explicit ControlsOff(TXmlDataSet &dataSet)
        : dataSet_(dataSet)
    {
        dataSet_.DisableControls();
    }
    ~ControlsOff() { dataSet_.EnableControls(); }
    ControlsOff(const ControlsOff &) = delete;
    ControlsOff &operator=(const ControlsOff &) = delete;

private:
    TXmlDataSet &dataSet_;
};

struct StreamTarget {
    TAtomicFile *file;
    std::exception_ptr failure;
};

// The saver's output callback: errors of the file are kept for the caller
// (nothing may be thrown through the library).
int WriteToFile(void *context, const char *buffer, int length)
{
    auto *stream = static_cast<StreamTarget *>(context);
    if (stream->failure)
        return -1;
    try {
        stream->file->Write(buffer, length);
    } catch (...) {
        stream->failure = std::current_exception();
        return -1;
    }
    return length;
}

} // namespace

// One child of Body (or of an item), resolved once per run.
struct TXmlDataTransfer::Item {
    QByteArray caption; // attribute or element name
    int field = -1;
    TFieldType type = TFieldType::Text;
    bool attribute = false;
    // An earlier attribute item of the same level wrote this name: set, not add.
    bool repeated = false;
    // The items of the nested element named caption (none: no nested element).
    std::vector<Item> children;
};

QString EscapeXmlText(const QString &text)
{
    QString result = text;
    result.replace(QLatin1Char('&'), QStringLiteral("&amp;"));
    result.replace(QLatin1Char('\''), QStringLiteral("&apos;"));
    result.replace(QLatin1Char('"'), QStringLiteral("&quot;"));
    result.replace(QLatin1Char('<'), QStringLiteral("&lt;"));
    result.replace(QLatin1Char('>'), QStringLiteral("&gt;"));
    return result;
}

TXmlDataTransfer::TXmlDataTransfer()
    : ownTarget_(std::make_unique<TXMLDocument>())
{
}

TXmlDataTransfer::~TXmlDataTransfer() = default;

void TXmlDataTransfer::Execute()
{
    if (!dataSet_ || !dataSet_->Active())
        throw TUserError(QStringLiteral("报表没有打开!"));
    taxPayer_ = nullptr;
    recordContainer_ = nullptr;
    recordName_.clear();
    recordFound_ = false;
    lastPercent_ = -1;
    blankText_ = false;

    WriteHeader();
    BuildHead();
    WriteBody();
    TargetDocument().SetModified(true);
}

void TXmlDataTransfer::WriteHeader()
{
    const TExportBaseInfo &i = info_;
    const QStringList lines{
        QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>"),
        // A system literal knows no entities: the name goes in as it is.
        QStringLiteral("<!DOCTYPE SCHEMA SYSTEM \"%1JK.dtd\">").arg(i.schemaName),
        QStringLiteral("<SCHEMA NAME=\"%1\" CHSNAME=\"%2\" SSSQ=\"%3\" CRC=\"%4\">")
            .arg(EscapeXmlText(i.schemaName), EscapeXmlText(i.schemaCaption), EscapeXmlText(i.period),
                 EscapeXmlText(i.crcFileName)),
        QStringLiteral("<TAXPAYER SWSBH=\"%1\" NSRMC=\"%2\" SBRQ=\"%3\" RECORDCOUNT=\"%4\" CJLX=\"%5\" CJRDM=\"%6\" "
                       "CJRMC=\"%7\">")
            .arg(EscapeXmlText(i.taxpayerId), EscapeXmlText(i.taxpayerName),
                 i.declarationDate.toString(QStringLiteral("yyyy-MM-dd")), QString::number(i.recordCount),
                 EscapeXmlText(i.collectionType), EscapeXmlText(i.collectorCode), EscapeXmlText(i.collectorName)),
        QStringLiteral("</TAXPAYER>"),
        QStringLiteral("</SCHEMA>"),
    };
    TXMLDocument &target = TargetDocument();
    target.LoadText(lines.join(QStringLiteral("\r\n")));

    xmlNodePtr root = xmlDocGetRootElement(target.Raw());
    taxPayer_ = xmlFirstElementChild(root);
    // The line break kept inside the empty TAXPAYER is layout; left in, it
    // would make the record part mixed content and unindented.
    for (xmlNodePtr child = taxPayer_->children; child;) {
        xmlNodePtr next = child->next;
        if (child->type == XML_TEXT_NODE && xmlIsBlankNode(child)) {
            xmlUnlinkNode(child);
            xmlFreeNode(child);
        }
        child = next;
    }
}

xmlNodePtr TXmlDataTransfer::TemplateChild(const char *name) const
{
    if (!template_ || !template_->HasRoot())
        return nullptr;
    for (xmlNodePtr child = xmlDocGetRootElement(template_->Raw())->children; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE && xmlStrEqual(child->name, X(name)))
            return child;
    }
    return nullptr;
}

void TXmlDataTransfer::BuildHead()
{
    xmlNodePtr head = TemplateChild("Head");
    if (!head)
        throw TUserError(QStringLiteral("在接口模板文档中没有找到表头结点!"));
    WalkHead(head, taxPayer_);
    if (!recordFound_)
        throw TUserError(QStringLiteral("在接口模板文档中没有找到记录结点!"));
}

void TXmlDataTransfer::WalkHead(xmlNodePtr templateNode, xmlNodePtr target)
{
    for (xmlNodePtr child = templateNode->children; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE && xmlStrcasecmp(child->name, X("Record")) == 0) {
            recordName_ = TemplateAttribute(child, "Name");
            recordContainer_ = target;
            recordFound_ = true;
            return;
        }
        const QByteArray tag = ValidName(TemplateAttribute(child, "Name"));
        WalkHead(child, xmlNewChild(target, nullptr, X(tag), nullptr));
    }
}

std::vector<TXmlDataTransfer::Item> TXmlDataTransfer::CompileItems(xmlNodePtr templateNode) const
{
    std::vector<Item> items;
    for (xmlNodePtr child = templateNode->children; child; child = child->next) {
        const QString name = TemplateAttribute(child, "Name");
        const QString caption = TemplateAttribute(child, "Caption");
        const QString mode = TemplateAttribute(child, "Mode");
        Item item;
        if (mode.compare(QLatin1String("Attribute"), Qt::CaseInsensitive) == 0)
            item.attribute = true;
        else if (mode.compare(QLatin1String("Element"), Qt::CaseInsensitive) != 0)
            throw TUserError(FormatText(QStringLiteral("未知的转换标志\"%S\"!"), {mode}));
        const TField &field = dataSet_->FieldByName(name);
        item.field = field.Index();
        item.type = field.DataType();
        item.caption = ValidName(caption);
        for (const Item &earlier : items)
            item.repeated = item.repeated || (item.attribute && earlier.attribute && earlier.caption == item.caption);
        if (child->children)
            item.children = CompileItems(child);
        items.push_back(std::move(item));
    }
    return items;
}

void TXmlDataTransfer::WriteBody()
{
    xmlNodePtr body = TemplateChild("Body");
    if (!body)
        throw TUserError(QStringLiteral("在接口模板文档中没有找到表体结点!"));

    TXmlDataSet &dataSet = *dataSet_;
    dataSet.First();
    ControlsOff controlsOff(dataSet);
    const int count = dataSet.RecordCount();
    if (count > 0) {
        const QByteArray tag = ValidName(recordName_);
        const std::vector<Item> items = CompileItems(body);
        // Records are read where they are stored (the walk began by posting
        // any edit); the cursor stays on the first.
        for (int record = 0; record < count; ++record) {
            MapRecord(recordContainer_, items, tag, record);
            ReportProgress(int(qint64(record + 1) * 100 / count));
        }
    }
    // A progress handler lets the window work meanwhile; whatever moved the
    // cursor there, the walk ends on the first record.
    if (dataSet.RecNo() != 1 && count > 0)
        dataSet.First();
}

const char *TXmlDataTransfer::FieldText(int record, const Item &item)
{
    const QByteArrayView stored = dataSet_->StoredUtf8(record, item.field, &scratch_);
    // A text is its stored form; the other types are read (an unreadable
    // text raises the dataset's conversion error) and written in their form.
    if (item.type == TFieldType::Text) {
        valueText_.assign(stored.data(), size_t(stored.size()));
        return valueText_.c_str();
    }
    return TextForm(item.type, ReadFieldValueText(item.type, stored), valueText_);
}

void TXmlDataTransfer::MapRecord(xmlNodePtr target, const std::vector<Item> &items, const QByteArray &tag, int record)
{
    if (items.empty())
        return;
    xmlNodePtr output = xmlNewChild(target, nullptr, X(tag), nullptr);
    for (const Item &item : items) {
        const char *value = FieldText(record, item);
        if (item.attribute) {
            if (item.repeated)
                xmlSetProp(output, X(item.caption), X(value));
            else
                xmlNewProp(output, X(item.caption), X(value));
        } else {
            // Raw text: the saver escapes it.
            xmlNewTextChild(output, nullptr, X(item.caption), *value ? X(value) : nullptr);
            blankText_ = blankText_ || (*value && IsBlankText(value));
        }
        if (!item.children.empty())
            MapRecord(output, item.children, item.caption, record);
    }
}

void TXmlDataTransfer::ReportProgress(int percent)
{
    if (percent == lastPercent_)
        return;
    lastPercent_ = percent;
    if (OnProgress)
        OnProgress(percent);
}

void TXmlDataTransfer::SaveTo(const QString &path) const
{
    TXMLDocument &target = TargetDocument();
    // Text made only of blanks, or a document this converter did not build,
    // takes the XML layer's save, which makes sure the file reads back as
    // it is. What Execute builds otherwise has names checked, no verbatim
    // text and no blank text: its indented bytes read back unchanged.
    if (blankText_ || !taxPayer_ || xmlDocGetRootElement(target.Raw()) != taxPayer_->parent) {
        target.SaveTo(path);
        return;
    }
    // Streamed into the temporary file: no copy of the whole file in memory.
    TAtomicFile file(ResolveCaseInsensitive(path));
    StreamTarget stream{&file, nullptr};
    xmlSaveCtxtPtr ctxt = xmlSaveToIO(WriteToFile, nullptr, &stream, "GBK", XML_SAVE_FORMAT);
    if (!ctxt)
        throw TUserError(QStringLiteral("无法以 GBK 编码保存文档"));
    const long saved = xmlSaveDoc(ctxt, target.Raw());
    const int closed = xmlSaveClose(ctxt);
    if (stream.failure)
        std::rethrow_exception(stream.failure);
    if (saved < 0 || closed < 0)
        throw TUserError(QStringLiteral("无法以 GBK 编码保存文档"));
    file.Commit();
    target.SetModified(false);
}
