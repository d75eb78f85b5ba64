#include "reportdata/ReportJournal.h"

#include "app/utils/Errors.h"

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

constexpr char kMagic[] = "CORVANE-JOURNAL 1";

QString SystemMessage(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

quint32 Crc(const QByteArray &bytes)
{
    return quint32(crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef *>(bytes.constData()), uInt(bytes.size())));
}

QByteArray Hex8(quint32 value) { return QByteArray::number(value, 16).rightJustified(8, '0').toUpper(); }

QByteArray HeaderLine(const TFileIdentity &identity)
{
    return QByteArray(kMagic) + ' ' + QByteArray::number(identity.size) + ' ' + Hex8(identity.crc) + '\n';
}

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

bool ParseHeader(QByteArrayView line, TFileIdentity *identity)
{
    const QByteArray text = line.toByteArray();
    const QList<QByteArray> parts = text.split(' ');
    if (parts.size() != 4 || parts[0] + ' ' + parts[1] != kMagic)
        return false;
    bool sizeOk = false;
    bool crcOk = false;
    identity->exists = true;
    identity->size = parts[2].toLongLong(&sizeOk);
    identity->crc = parts[3].toUInt(&crcOk, 16);
    return sizeOk && crcOk && parts[3].size() == 8;
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

TReportJournal::TRecovery TReportJournal::Recover(const QString &reportPath, const TFileIdentity &identity)
{
    TRecovery recovery;
    const QString path = PathFor(reportPath);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return recovery;
        throw TFileError(path, SystemMessage(errno));
    }
    recovery.found = true;
    recovery.inUse = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    QByteArray bytes;
    try {
        bytes = ReadAll(fd, path);
    } catch (...) {
        ::close(fd);
        throw;
    }

    const qsizetype headerEnd = bytes.indexOf('\n');
    TFileIdentity base;
    recovery.matches = headerEnd >= 0 && ParseHeader(QByteArrayView(bytes).first(headerEnd), &base) && base == identity;
    ::close(fd);
    if (!recovery.matches) {
        if (!recovery.inUse)
            recovery.setAsidePath = SetAsideFor(reportPath);
        return recovery;
    }

    qsizetype start = headerEnd + 1;
    for (;;) {
        const qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            break; // nothing more, or a torn last entry
        const QByteArrayView line = QByteArrayView(bytes).sliced(start, end - start);
        start = end + 1;
        if (line.size() < 10 || line[8] != ' ')
            break;
        bool ok = false;
        const quint32 crc = line.first(8).toByteArray().toUInt(&ok, 16);
        const QByteArray payload = line.sliced(9).toByteArray();
        if (!ok || crc != Crc(payload))
            break;
        TJournalEntry entry;
        if (!ParsePayload(payload, &entry))
            break;
        recovery.entries.push_back(std::move(entry));
    }
    return recovery;
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

TReportJournal::TReportJournal(const QString &reportPath, const TFileIdentity &base)
    : path_(PathFor(reportPath))
{
    fd_ = ::open(QFile::encodeName(path_).constData(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0666);
    if (fd_ < 0)
        throw TFileError(path_, SystemMessage(errno));
    const QByteArray header = HeaderLine(base);
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0 || ::write(fd_, header.constData(), size_t(header.size())) != header.size()
        || ::fdatasync(fd_) != 0) {
        const int error = errno;
        ::close(fd_);
        fd_ = -1;
        ::unlink(QFile::encodeName(path_).constData());
        throw TFileError(path_, SystemMessage(error));
    }
    SyncFolderOf(path_);
}

TReportJournal::~TReportJournal()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void TReportJournal::Append(const TJournalEntry &entry)
{
    if (failed_ || fd_ < 0)
        throw TFileError(path_, QStringLiteral("日志文件写入失败, 请关闭报表后重新打开"));
    const QByteArray payload = Payload(entry);
    const QByteArray line = Hex8(Crc(payload)) + ' ' + payload + '\n';
    const char *data = line.constData();
    qsizetype left = line.size();
    while (left > 0) {
        const ssize_t written = ::write(fd_, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            failed_ = true;
            throw TFileError(path_, SystemMessage(written < 0 ? errno : EIO));
        }
        data += written;
        left -= written;
    }
    if (::fdatasync(fd_) != 0) {
        failed_ = true;
        throw TFileError(path_, SystemMessage(errno));
    }
}

void TReportJournal::Remove()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    ::unlink(QFile::encodeName(path_).constData());
    SyncFolderOf(path_);
}
