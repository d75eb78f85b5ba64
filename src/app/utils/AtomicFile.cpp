#include "AtomicFile.h"

#include "Errors.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString SystemMessage(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

} // namespace

TAtomicFile::TAtomicFile(const QString &path)
    : path_(path)
{
    const QFileInfo info(path);
    tempPath_ = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
    fd_ = mkstemp(tempPath_.data());
    if (fd_ < 0) {
        const int error = errno;
        tempPath_.clear();
        throw TFileError(path_, SystemMessage(error));
    }
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
    if (!tempPath_.isEmpty())
        ::unlink(tempPath_.constData());
}

void TAtomicFile::Fail(int error)
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    ::unlink(tempPath_.constData());
    tempPath_.clear();
    throw TFileError(path_, SystemMessage(error));
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
    tempPath_.clear();
    // Make the rename itself durable.
    const int dir = ::open(QFile::encodeName(QFileInfo(path_).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}
