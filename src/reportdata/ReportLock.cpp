#include "reportdata/ReportLock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

QString TReportLock::PathFor(const QString &reportPath) { return reportPath + QStringLiteral(".lock"); }

TReportLock::TReportLock(const QString &reportPath)
    : path_(PathFor(reportPath))
{
    const QByteArray path = QFile::encodeName(path_);
    // A releasing holder removes the file before it lets the lock go: a lock
    // won on a file that is no longer the one at the path is worth nothing,
    // and the next round opens the file that is there now.
    for (int round = 0; round < 100; ++round) {
        const int fd = ::open(path.constData(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0) {
            if (errno == EINTR)
                continue;
            error_ = errno;
            return;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            if (error == EINTR)
                continue;
            if (error == EWOULDBLOCK) {
                state_ = State::Busy;
            } else {
                error_ = error;
            }
            return;
        }
        struct stat held {};
        struct stat there {};
        if (::fstat(fd, &held) == 0 && ::stat(path.constData(), &there) == 0 && held.st_dev == there.st_dev
            && held.st_ino == there.st_ino) {
            fd_ = fd;
            state_ = State::Held;
            return;
        }
        ::close(fd);
    }
    error_ = EAGAIN;
}

TReportLock::~TReportLock()
{
    if (fd_ < 0)
        return;
    ::unlink(QFile::encodeName(path_).constData());
    ::close(fd_);
}
