#include "AtomicFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString SystemMessage(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// The temporaries this process is writing now, so that a clean-up never
// takes one from under a live TAtomicFile of its own.
std::mutex g_liveMutex;
std::set<QByteArray> g_live;

void SetLive(const QByteArray &path, bool live)
{
    const std::lock_guard<std::mutex> guard(g_liveMutex);
    if (live)
        g_live.insert(path);
    else
        g_live.erase(path);
}

bool IsLive(const QByteArray &path)
{
    const std::lock_guard<std::mutex> guard(g_liveMutex);
    return g_live.count(path) != 0;
}

bool IsAlphanumeric(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

bool IsRandomPart(QByteArrayView text)
{
    if (text.size() != 6)
        return false;
    for (const char c : text) {
        if (!IsAlphanumeric(c))
            return false;
    }
    return true;
}

// When the process pid started, in seconds since the epoch; -1 when that
// cannot be told (no /proc).
double ProcessStart(pid_t pid)
{
    static const double bootTime = [] {
        double boot = -1;
        if (FILE *file = std::fopen("/proc/stat", "re")) {
            char line[256];
            while (std::fgets(line, sizeof line, file)) {
                long long seconds = 0;
                if (std::sscanf(line, "btime %lld", &seconds) == 1) {
                    boot = double(seconds);
                    break;
                }
            }
            std::fclose(file);
        }
        return boot;
    }();
    if (bootTime < 0)
        return -1;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // Field 22, counted from the one after the command name in parentheses.
    const qsizetype close = text.lastIndexOf(')');
    if (close < 0)
        return -1;
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    if (fields.size() < 20)
        return -1;
    bool ok = false;
    const qulonglong ticks = fields.at(19).toULongLong(&ok);
    if (!ok)
        return -1;
    return bootTime + double(ticks) / double(sysconf(_SC_CLK_TCK));
}

// Whether a temporary named with pid, last written at modified, may still
// belong to a live writer.
bool WriterMayLive(pid_t pid, const QByteArray &path, const timespec &modified)
{
    if (pid == ::getpid())
        return IsLive(path);
    if (::kill(pid, 0) != 0 && errno == ESRCH)
        return false;
    const double started = ProcessStart(pid);
    // A process cannot have written a file before it started; two seconds
    // allow for the coarse clock of the boot time.
    return started < 0 || started <= double(modified.tv_sec) + double(modified.tv_nsec) / 1e9 + 2.0;
}

} // namespace

TAtomicFileError::TAtomicFileError(const QString &path, int error)
    : TFileError(path, SystemMessage(error))
    , error_(error)
{
}

bool TAtomicFileError::IsDiskFullError(int error) { return error == ENOSPC || error == EDQUOT || error == EFBIG; }

TAtomicFile::TAtomicFile(const QString &path)
    : path_(path)
{
    const QFileInfo info(path);
    tempPath_ = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName()
                                  + QStringLiteral(".~%1.XXXXXX").arg(::getpid()));
    fd_ = mkostemp(tempPath_.data(), O_CLOEXEC);
    if (fd_ < 0) {
        const int error = errno;
        tempPath_.clear();
        throw TAtomicFileError(path_, error);
    }
    SetLive(tempPath_, true);
    // Keep the permissions of the file being replaced; new files get the
    // usual mode the umask allows.
    struct stat old {};
    mode_t mode = 0666;
    if (::stat(QFile::encodeName(path).constData(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    ::fchmod(fd_, mode);
}

TAtomicFile::~TAtomicFile()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (!tempPath_.isEmpty()) {
        ::unlink(tempPath_.constData());
        SetLive(tempPath_, false);
    }
}

void TAtomicFile::Fail(int error)
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    ::unlink(tempPath_.constData());
    SetLive(tempPath_, false);
    tempPath_.clear();
    throw TAtomicFileError(path_, error);
}

void TAtomicFile::Write(const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd_, data, size_t(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            Fail(errno);
        }
        data += written;
        size -= written;
    }
}

void TAtomicFile::Commit()
{
    if (::fsync(fd_) != 0)
        Fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        Fail(errno);
    if (::rename(tempPath_.constData(), QFile::encodeName(path_).constData()) != 0)
        Fail(errno);
    SetLive(tempPath_, false);
    tempPath_.clear();
    // Make the rename itself durable.
    const int dir = ::open(QFile::encodeName(QFileInfo(path_).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

int TAtomicFile::RemoveStaleTemporaries(const QString &target)
{
    const QFileInfo info(target);
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    const QByteArray prefix = '.' + QFile::encodeName(info.fileName()) + '.';
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return 0;
    int removed = 0;
    const time_t now = std::time(nullptr);
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArrayView name(entry->d_name);
        if (!name.startsWith(prefix))
            continue;
        const QByteArrayView rest = name.sliced(prefix.size());
        pid_t pid = 0;
        bool named = false;  // the scheme with a pid
        bool legacy = false; // the older scheme
        if (IsRandomPart(rest)) {
            legacy = true;
        } else if (rest.size() > 8 && rest.front() == '~' && rest[rest.size() - 7] == '.'
                   && IsRandomPart(rest.last(6))) {
            const QByteArrayView digits = rest.sliced(1, rest.size() - 8);
            bool ok = digits.size() <= 10;
            for (const char c : digits)
                ok = ok && c >= '0' && c <= '9';
            const long long value = ok ? QByteArray(digits.data(), digits.size()).toLongLong(&ok) : 0;
            named = ok && value > 0 && value <= 0x7FFFFFFF;
            pid = pid_t(value);
        }
        if (!named && !legacy)
            continue;
        const QByteArray path = folder + '/' + name.toByteArray();
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        const bool stale = named ? !WriterMayLive(pid, path, st.st_mtim) : now - st.st_mtim.tv_sec > 60;
        if (stale && ::unlink(path.constData()) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}
