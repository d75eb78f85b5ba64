#include "reportdata/ReportJournal.h"

#include "app/utils/AtomicFile.h"
#include "app/utils/Errors.h"
#include "app/utils/Utils.h"

#include <QFile>
#include <QFileInfo>

#include <libxml/tree.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kMagic1[] = "CORVANE-JOURNAL 1";
constexpr char kMagic2[] = "CORVANE-JOURNAL 2";

const QString kWriteFailed = QStringLiteral("日志文件写入失败, 请关闭报表后重新打开");
const QString kWriteFailedDiskFull = QStringLiteral("磁盘空间已满, 日志文件写入失败, 请关闭报表后重新打开");

QString SystemMessage(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

quint32 Crc(const QByteArray &bytes)
{
    return quint32(crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef *>(bytes.constData()), uInt(bytes.size())));
}

QByteArray Hex8(quint32 value) { return QByteArray::number(value, 16).rightJustified(8, '0').toUpper(); }

void AppendEscaped(QByteArray &out, const QByteArray &utf8)
{
    for (const char c : utf8) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
}

QByteArray HeaderLine(const TFileIdentity &identity, const QString &fileName)
{
    QByteArray line = QByteArray(kMagic2) + ' ' + QByteArray::number(identity.size) + ' ' + Hex8(identity.crc) + ' ';
    AppendEscaped(line, fileName.toUtf8());
    return line + '\n';
}

QByteArray EntryLine(const QByteArray &payload) { return Hex8(Crc(payload)) + ' ' + payload + '\n'; }

bool Unescape(QByteArrayView field, QByteArray *out)
{
    out->clear();
    out->reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c != '\\') {
            *out += c;
            continue;
        }
        if (++i >= field.size())
            return false;
        switch (field[i]) {
        case '\\':
            *out += '\\';
            break;
        case 't':
            *out += '\t';
            break;
        case 'n':
            *out += '\n';
            break;
        case 'r':
            *out += '\r';
            break;
        default:
            return false;
        }
    }
    return true;
}

QByteArray Payload(const TJournalEntry &entry)
{
    QByteArray out;
    auto field = [&out](const QByteArray &utf8) {
        out += '\t';
        AppendEscaped(out, utf8);
    };
    switch (entry.kind) {
    case TJournalEntry::Kind::Append:
        out = "A";
        field(entry.pkid.toUtf8());
        break;
    case TJournalEntry::Kind::Edit:
        out = "E";
        field(QByteArray::number(entry.index));
        field(entry.pkid.toUtf8());
        break;
    case TJournalEntry::Kind::Delete:
        out = "D";
        field(QByteArray::number(entry.index));
        break;
    case TJournalEntry::Kind::Attribute:
        out = "T";
        field(entry.name.toUtf8());
        field(entry.value.toUtf8());
        break;
    }
    for (const auto &[name, text] : entry.fields) {
        field(name);
        field(text.toUtf8());
    }
    return out;
}

bool ParseIndex(const QByteArray &text, int *index)
{
    bool ok = false;
    *index = text.toInt(&ok);
    return ok && *index >= 0;
}

bool ParsePayload(QByteArrayView payload, TJournalEntry *entry)
{
    std::vector<QByteArray> parts;
    qsizetype start = 0;
    for (;;) {
        const qsizetype tab = payload.indexOf('\t', start);
        QByteArray part;
        if (!Unescape(payload.sliced(start, (tab < 0 ? payload.size() : tab) - start), &part))
            return false;
        parts.push_back(part);
        if (tab < 0)
            break;
        start = tab + 1;
    }
    const QByteArray &kind = parts[0];
    size_t next = 1;
    if (kind == "A" && parts.size() >= 2) {
        entry->kind = TJournalEntry::Kind::Append;
        entry->pkid = QString::fromUtf8(parts[1]);
        next = 2;
    } else if (kind == "E" && parts.size() >= 3) {
        entry->kind = TJournalEntry::Kind::Edit;
        if (!ParseIndex(parts[1], &entry->index))
            return false;
        entry->pkid = QString::fromUtf8(parts[2]);
        next = 3;
    } else if (kind == "D" && parts.size() == 2) {
        entry->kind = TJournalEntry::Kind::Delete;
        return ParseIndex(parts[1], &entry->index);
    } else if (kind == "T" && parts.size() == 3) {
        entry->kind = TJournalEntry::Kind::Attribute;
        entry->name = QString::fromUtf8(parts[1]);
        entry->value = QString::fromUtf8(parts[2]);
        return true;
    } else {
        return false;
    }
    if ((parts.size() - next) % 2 != 0)
        return false;
    for (size_t i = next; i < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            return false;
        entry->fields.emplace_back(parts[i], QString::fromUtf8(parts[i + 1]));
    }
    return true;
}

// The first line: the identity it names and, from the second format on,
// the file name (null for the first format).
bool ParseHeader(QByteArrayView line, TFileIdentity *identity, QString *fileName)
{
    const QByteArray text = line.toByteArray();
    QList<QByteArray> parts = text.split(' ');
    QByteArray name;
    bool named = false;
    if (parts.size() >= 5 && parts[0] + ' ' + parts[1] == kMagic2) {
        // The name is the rest of the line, spaces and all.
        const qsizetype nameStart = parts[0].size() + parts[1].size() + parts[2].size() + parts[3].size() + 4;
        if (!Unescape(QByteArrayView(text).sliced(nameStart), &name))
            return false;
        parts = parts.mid(0, 4);
        named = true;
    } else if (parts.size() != 4 || parts[0] + ' ' + parts[1] != kMagic1) {
        return false;
    }
    bool sizeOk = false;
    bool crcOk = false;
    identity->exists = true;
    identity->size = parts[2].toLongLong(&sizeOk);
    identity->crc = parts[3].toUInt(&crcOk, 16);
    *fileName = named ? QString::fromUtf8(name) : QString();
    return sizeOk && crcOk && parts[3].size() == 8;
}

// A fold mark's payload: "F <size> <crc> <count>".
bool ParseFold(QByteArrayView payload, TFileIdentity *identity, int *count)
{
    const QList<QByteArray> parts = payload.toByteArray().split('\t');
    if (parts.size() != 4 || parts[0] != "F" || parts[2].size() != 8)
        return false;
    bool sizeOk = false;
    bool crcOk = false;
    bool countOk = false;
    identity->exists = true;
    identity->size = parts[1].toLongLong(&sizeOk);
    identity->crc = parts[2].toUInt(&crcOk, 16);
    *count = parts[3].toInt(&countOk);
    return sizeOk && crcOk && countOk && *count >= 0;
}

// The payload of an intact entry line, or false.
bool CheckedPayload(QByteArrayView line, QByteArray *payload)
{
    if (line.size() < 10 || line[8] != ' ')
        return false;
    bool ok = false;
    const quint32 crc = line.first(8).toByteArray().toUInt(&ok, 16);
    *payload = line.sliced(9).toByteArray();
    return ok && crc == Crc(*payload);
}

void SyncFolderOf(const QString &path)
{
    const int dir = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

QByteArray ReadAll(int fd, const QString &path)
{
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw TFileError(path, SystemMessage(errno));
        if (got == 0)
            return bytes;
        bytes.append(buffer, got);
    }
}

QString FreeAsidePath(const QString &journalPath)
{
    QString candidate = journalPath + QStringLiteral(".stale");
    for (int n = 1; QFileInfo::exists(candidate); ++n)
        candidate = journalPath + QStringLiteral(".stale.%1").arg(n);
    return candidate;
}

void SetRecordCount(TReportDocument &document, const std::vector<xmlNodePtr> &records)
{
    document.YSFP().SetRecordCount(int(records.size()));
}

} // namespace

QString TReportJournal::PathFor(const QString &reportPath) { return reportPath + QStringLiteral(".journal"); }

TReportJournal::TScan TReportJournal::Scan(const QString &reportPath, const TFileIdentity &identity)
{
    TScan scan;
    const QString path = PathFor(reportPath);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return scan;
        throw TFileError(path, SystemMessage(errno));
    }
    scan.inUse = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    QByteArray bytes;
    try {
        bytes = ReadAll(fd, path);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);

    const qsizetype headerEnd = bytes.indexOf('\n');
    if (headerEnd < 0) {
        scan.kind = TScan::Kind::Empty;
        return scan;
    }
    scan.headerEnd = headerEnd + 1;
    scan.completeLength = scan.headerEnd;
    TFileIdentity base;
    QString fileName;
    const bool header = ParseHeader(QByteArrayView(bytes).first(headerEnd), &base, &fileName);

    bool intact = header; // still in the intact run from the start
    bool folded = false;
    TFileIdentity foldedAs;
    qsizetype start = scan.headerEnd;
    for (;;) {
        const qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            break; // nothing more, or a torn last line
        const QByteArrayView line = QByteArrayView(bytes).sliced(start, end - start);
        start = end + 1;
        scan.completeLength = start;
        QByteArray payload;
        if (!CheckedPayload(line, &payload)) {
            ++scan.changes;
            intact = false;
            continue;
        }
        TFileIdentity mark;
        int count = 0;
        if (ParseFold(payload, &mark, &count)) {
            folded = true;
            foldedAs = mark;
            scan.folded = count;
            continue;
        }
        ++scan.changes;
        TJournalEntry entry;
        if (!ParsePayload(payload, &entry)) {
            intact = false;
            continue;
        }
        if (intact) {
            scan.entries.push_back(std::move(entry));
            scan.entryEnds.push_back(start);
        }
    }

    const QString reportName = QFileInfo(reportPath).fileName();
    if (!header || (!fileName.isNull() && !SameTextIgnoringAsciiCase(fileName, reportName)))
        scan.kind = TScan::Kind::Foreign;
    else if (base == identity)
        scan.kind = TScan::Kind::Current;
    else if (folded && foldedAs == identity && scan.folded <= scan.changes)
        scan.kind = TScan::Kind::Folded;
    else
        scan.kind = TScan::Kind::Foreign;
    if (scan.kind != TScan::Kind::Current) {
        scan.entries.clear();
        scan.entryEnds.clear();
    }
    if (scan.kind != TScan::Kind::Folded)
        scan.folded = 0;
    return scan;
}

void TReportJournal::DeleteFor(const QString &reportPath)
{
    const QString path = PathFor(reportPath);
    if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT)
        throw TFileError(path, SystemMessage(errno));
    SyncFolderOf(path);
}

QString TReportJournal::SetAsideFor(const QString &reportPath)
{
    const QString path = PathFor(reportPath);
    const QString aside = FreeAsidePath(path);
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(aside).constData()) != 0)
        throw TFileError(path, SystemMessage(errno));
    SyncFolderOf(path);
    return aside;
}

bool TReportJournal::Apply(const TJournalEntry &entry, TReportDocument &document, std::vector<xmlNodePtr> &records)
{
    switch (entry.kind) {
    case TJournalEntry::Kind::Append: {
        TXMLYSFPType ysfp = document.YSFP();
        xmlNodePtr record = xmlNewDocNode(document.Raw(), nullptr, reinterpret_cast<const xmlChar *>("REC"), nullptr);
        TXMLRECType(record).SetPKID(entry.pkid);
        for (const auto &[name, text] : entry.fields)
            AppendTextElement(record, name, text);
        xmlAddChild(ysfp.Raw(), record);
        records.push_back(record);
        SetRecordCount(document, records);
        return true;
    }
    case TJournalEntry::Kind::Edit: {
        if (entry.index >= int(records.size()))
            return false;
        xmlNodePtr record = records[size_t(entry.index)];
        if (!entry.pkid.isEmpty())
            TXMLRECType(record).SetPKID(entry.pkid);
        xmlNodePtr hint = nullptr;
        for (const auto &[name, text] : entry.fields) {
            xmlNodePtr element = FindFieldElement(record, name, &hint);
            if (element)
                SetElementText(element, text);
            else
                AppendTextElement(record, name, text);
        }
        return true;
    }
    case TJournalEntry::Kind::Delete: {
        if (entry.index >= int(records.size()))
            return false;
        xmlNodePtr record = records[size_t(entry.index)];
        records.erase(records.begin() + entry.index);
        xmlUnlinkNode(record);
        xmlFreeNode(record);
        SetRecordCount(document, records);
        return true;
    }
    case TJournalEntry::Kind::Attribute:
        if (entry.name == QLatin1String("SWSBH"))
            document.Root().SetSWSBH(entry.value);
        else if (entry.name == QLatin1String("Version"))
            document.YSFP().SetVersion(entry.value);
        else if (entry.name == QLatin1String("DSFile"))
            document.YSFP().SetDSFile(entry.value);
        else
            return false;
        return true;
    }
    return false;
}

TReportJournal::TReportJournal(const QString &reportPath, const TFileIdentity &base,
                               const std::vector<TJournalEntry> &replayed)
    : path_(PathFor(reportPath))
{
    fd_ = ::open(QFile::encodeName(path_).constData(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        const int error = errno;
        throw TFileError(path_, TAtomicFileError::IsDiskFullError(error) ? kWriteFailedDiskFull : SystemMessage(error));
    }
    // The first line and the changes already made, in one write: a crash
    // leaves an empty journal, a torn one, or the whole of it.
    QByteArray head = HeaderLine(base, QFileInfo(reportPath).fileName());
    for (const TJournalEntry &entry : replayed)
        head += EntryLine(Payload(entry));
    int error = ::flock(fd_, LOCK_EX | LOCK_NB) != 0 ? errno : 0;
    if (error == 0)
        error = WriteLine(head);
    if (error != 0) {
        ::close(fd_);
        fd_ = -1;
        ::unlink(QFile::encodeName(path_).constData());
        throw TFileError(path_, TAtomicFileError::IsDiskFullError(error) ? kWriteFailedDiskFull : SystemMessage(error));
    }
    count_ = int(replayed.size());
    SyncFolderOf(path_);
}

std::unique_ptr<TReportJournal> TReportJournal::Reopen(const QString &reportPath, qint64 length, int count)
{
    std::unique_ptr<TReportJournal> journal(new TReportJournal);
    journal->path_ = PathFor(reportPath);
    journal->fd_ = ::open(QFile::encodeName(journal->path_).constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (journal->fd_ < 0 || ::flock(journal->fd_, LOCK_EX | LOCK_NB) != 0 || ::ftruncate(journal->fd_, length) != 0
        || ::fdatasync(journal->fd_) != 0) {
        throw TFileError(journal->path_, SystemMessage(errno));
    }
    journal->length_ = length;
    journal->count_ = count;
    return journal;
}

TReportJournal::~TReportJournal()
{
    if (fd_ >= 0)
        ::close(fd_);
}

int TReportJournal::WriteLine(const QByteArray &line, bool sync)
{
    const char *data = line.constData();
    qsizetype left = line.size();
    int error = 0;
    while (left > 0) {
        const ssize_t written = ::write(fd_, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            error = written < 0 ? errno : EIO;
            break;
        }
        data += written;
        left -= written;
    }
    if (error == 0 && sync) {
        if (::fdatasync(fd_) != 0)
            error = errno;
        else
            ++flushes_;
    }
    if (error != 0) {
        // A part written stays out of the journal, so that later lines do
        // not follow a damaged one.
        ::ftruncate(fd_, length_);
        return error;
    }
    length_ += line.size();
    unsynced_ = !sync;
    return 0;
}

void TReportJournal::Append(const TJournalEntry &entry, bool sync)
{
    if (failed_ || fd_ < 0)
        throw TFileError(path_, failedFull_ ? kWriteFailedDiskFull : kWriteFailed);
    const int error = WriteLine(EntryLine(Payload(entry)), sync);
    if (error != 0) {
        failed_ = true;
        failedFull_ = TAtomicFileError::IsDiskFullError(error);
        throw TFileError(path_, failedFull_ ? kWriteFailedDiskFull : kWriteFailed);
    }
    ++count_;
}

void TReportJournal::Sync()
{
    if (!unsynced_ || fd_ < 0)
        return;
    if (::fdatasync(fd_) != 0) {
        const int error = errno;
        failed_ = true;
        failedFull_ = TAtomicFileError::IsDiskFullError(error);
        throw TFileError(path_, failedFull_ ? kWriteFailedDiskFull : kWriteFailed);
    }
    unsynced_ = false;
    ++flushes_;
}

void TReportJournal::MarkFolded(const TFileIdentity &written, int count)
{
    if (fd_ < 0)
        throw TAtomicFileError(path_, EBADF);
    if (failed_)
        ::ftruncate(fd_, length_);
    const QByteArray payload = QByteArray("F\t") + QByteArray::number(written.size) + '\t' + Hex8(written.crc) + '\t'
                               + QByteArray::number(count);
    const int error = WriteLine(EntryLine(payload));
    if (error != 0)
        throw TAtomicFileError(path_, error);
}

void TReportJournal::Remove()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    ::unlink(QFile::encodeName(path_).constData());
    SyncFolderOf(path_);
}
