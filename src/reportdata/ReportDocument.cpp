#include "reportdata/ReportDocument.h"

#include "xml/XmlDocument.h"

#include "app/utils/AtomicFile.h"
#include "app/utils/Errors.h"
#include "app/utils/Paths.h"
#include "app/utils/Utils.h"
#include "reportdata/ReportWriter.h"
#include "xml/LibXmlSupport.h"

#include <QFile>

#include <libxml/parser.h>
#include <libxml/xmlsave.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <unistd.h>

namespace {

// No DTD loading, no entity substitution, no network: report files may come
// from other installations. Short texts are stored inside their nodes.
constexpr int kParseOptions =
    XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_NOWARNING | XML_PARSE_NOERROR | XML_PARSE_COMPACT;
// No indentation or line breaks are added: a report can hold 100,000
// records, and indenting them makes saving a third slower and the file a
// third larger.

QString SystemMessage(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// The parser asks for a few kilobytes at a time; the file is read in large
// blocks instead, so a big report costs a few dozen system calls, not
// thousands.
constexpr qsizetype kBlockSize = 1 << 20;

struct ReadSource {
    int fd = -1;
    int error = 0;
    TFileIdentity identity;
    QByteArray block;
    qsizetype offset = 0; // next unread byte of block
};

int ReadChunk(void *context, char *buffer, int length)
{
    auto *source = static_cast<ReadSource *>(context);
    if (source->offset >= source->block.size()) {
        source->block.resize(kBlockSize);
        ssize_t got = 0;
        do {
            got = ::read(source->fd, source->block.data(), size_t(kBlockSize));
        } while (got < 0 && errno == EINTR);
        if (got < 0) {
            source->error = errno;
            return -1;
        }
        source->block.resize(got);
        source->offset = 0;
        source->identity.size += got;
        source->identity.crc =
            quint32(crc32(source->identity.crc, reinterpret_cast<const Bytef *>(source->block.constData()), uInt(got)));
        if (got == 0)
            return 0;
    }
    const int count = int(std::min<qsizetype>(length, source->block.size() - source->offset));
    std::memcpy(buffer, source->block.constData() + source->offset, size_t(count));
    source->offset += count;
    return count;
}

int CloseNothing(void *) { return 0; }

// The saver hands over a few kilobytes at a time; they are collected into
// large blocks before they go to the file.
struct WriteSink {
    TAtomicFile *file = nullptr;
    std::exception_ptr failure;
    TFileIdentity identity;
    QByteArray block;

    // Writes bytes and counts them into the identity. Raises TFileError.
    void Put(const QByteArray &bytes)
    {
        file->Write(bytes);
        identity.size += bytes.size();
        identity.crc = quint32(crc32(identity.crc, reinterpret_cast<const Bytef *>(bytes.constData()), uInt(bytes.size())));
    }

    bool Flush()
    {
        if (block.isEmpty())
            return true;
        try {
            Put(block);
        } catch (...) {
            failure = std::current_exception();
            return false;
        }
        block.resize(0); // keeps the capacity
        return true;
    }
};

[[noreturn]] void ThrowParseError(xmlParserCtxtPtr ctxt, xmlDocPtr doc, const QString &name)
{
    const QString message = XmlParseErrorText(ctxt, name);
    xmlFreeDoc(doc);
    xmlFreeParserCtxt(ctxt);
    throw TXmlParseError(message);
}

void CheckRoot(xmlDocPtr doc, const QString &name)
{
    const xmlNodePtr root = xmlDocGetRootElement(doc);
    if (!root || !xmlStrEqual(root->name, reinterpret_cast<const xmlChar *>("TAXPAYER"))) {
        xmlFreeDoc(doc);
        throw TUserError(FormatText(QStringLiteral("\"%S\"不是报表数据文件!"), {name}));
    }
}

} // namespace

TReportDocument::TReportDocument() { xmlInitParser(); }

TReportDocument::~TReportDocument() { xmlFreeDoc(doc_); }

void TReportDocument::Adopt(xmlDocPtr doc, const TFileIdentity &identity)
{
    xmlFreeDoc(doc_);
    doc_ = doc;
    identity_ = identity;
}

void TReportDocument::Load(const QString &path)
{
    const QString resolved = ResolveCaseInsensitive(path);
    ReadSource source;
    source.fd = ::open(QFile::encodeName(resolved).constData(), O_RDONLY | O_CLOEXEC);
    if (source.fd < 0)
        throw TFileError(resolved, SystemMessage(errno));
    source.identity.exists = true;
    source.identity.crc = quint32(crc32(0, nullptr, 0));

    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    if (!ctxt) {
        ::close(source.fd);
        throw TXmlParseError(QStringLiteral("XML 解析器无法启动"));
    }
    const QByteArray url = QFile::encodeName(resolved);
    xmlDocPtr doc = xmlCtxtReadIO(ctxt, ReadChunk, CloseNothing, &source, url.constData(), nullptr, kParseOptions);
    ::close(source.fd);
    if (source.error != 0) {
        xmlFreeDoc(doc);
        xmlFreeParserCtxt(ctxt);
        throw TFileError(resolved, SystemMessage(source.error));
    }
    if (!doc || !ctxt->wellFormed)
        ThrowParseError(ctxt, doc, resolved);
    xmlFreeParserCtxt(ctxt);
    CheckRoot(doc, resolved);
    // Refused now rather than at the next save, which would write a file
    // that cannot be read back: the file stays as it is.
    const QString badName = FirstNameOutsideGbk(doc);
    if (!badName.isNull()) {
        xmlFreeDoc(doc);
        throw TUserError(FormatText(QStringLiteral("报表数据文件\"%S\"含有 GBK 无法保存的名称\"%S\"!"),
                                    {resolved, badName}));
    }
    Adopt(doc, source.identity);
}

void TReportDocument::LoadSkeleton(const QString &payerCode, const QString &version, const QString &dsFile)
{
    const QByteArray text = NewReportFileLines(payerCode, version, dsFile).join(QLatin1Char('\n')).toUtf8();
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    if (!ctxt)
        throw TXmlParseError(QStringLiteral("XML 解析器无法启动"));
    xmlDocPtr doc = xmlCtxtReadMemory(ctxt, text.constData(), int(text.size()), "(new report)", "UTF-8", kParseOptions);
    if (!doc || !ctxt->wellFormed)
        ThrowParseError(ctxt, doc, QStringLiteral("(new report)"));
    xmlFreeParserCtxt(ctxt);
    Adopt(doc, TFileIdentity());
}

void TReportDocument::Save(const QString &path, const std::function<void(const TFileIdentity &written)> &beforeReplace)
{
    const QString resolved = ResolveCaseInsensitive(path);
    {
        TAtomicFile file(resolved);
        WriteSink sink;
        sink.file = &file;
        sink.identity.exists = true;
        if (WriteReportXml(doc_, [&sink](const QByteArray &block) { sink.Put(block); })) {
            if (beforeReplace)
                beforeReplace(sink.identity);
            file.Commit();
            identity_ = sink.identity;
            return;
        }
    }

    // Something only libxml2 knows how to write (comments, CDATA, ...), in
    // bytes that read back as they were.
    const QByteArray bytes = PlainBytesThatReadBack(doc_);
    TAtomicFile file(resolved);
    WriteSink sink;
    sink.file = &file;
    sink.identity.exists = true;
    sink.Put(bytes);
    if (beforeReplace)
        beforeReplace(sink.identity);
    file.Commit();
    identity_ = sink.identity;
}

TXMLTAXPAYERType TReportDocument::Root() const { return TXMLTAXPAYERType(xmlDocGetRootElement(doc_)); }

TXMLYSFPType TReportDocument::YSFP() const { return Root().YSFP(); }
