#include "export/CRCUtils.h"

#include "app/utils/Errors.h"
#include "app/utils/Paths.h"
#include "export/CrcFold.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Large enough that system calls cost nothing measurable, small enough to
// stay in the processor's cache between the copy and the CRC pass. (Mapping
// the file instead was measured slower: setting up the page tables costs
// more than the copy it saves.)
constexpr size_t kPieceSize = 256 * 1024;

QString SystemMessage(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

class TFileDescriptor {
public:
    explicit TFileDescriptor(int fd) : fd_(fd) {}
    ~TFileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    TFileDescriptor(const TFileDescriptor &) = delete;
    TFileDescriptor &operator=(const TFileDescriptor &) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

quint32 CrcUpdate(quint32 crc, const char *buffer, qint64 length)
{
    if (length <= 0)
        return crc;
    return FastestCrcKernel()(crc, reinterpret_cast<const unsigned char *>(buffer), std::size_t(length));
}

quint32 FileCrc(const QString &fileName)
{
    const QString path = ResolveCaseInsensitive(fileName);
    const TFileDescriptor file(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0)
        throw TFileError(path, SystemMessage(errno));
    struct stat info {};
    if (::fstat(file.get(), &info) != 0)
        throw TFileError(path, SystemMessage(errno));
    if (S_ISDIR(info.st_mode))
        throw TFileError(path, SystemMessage(EISDIR));

    const std::unique_ptr<char[]> buffer(new char[kPieceSize]);
    quint32 reg = 0xFFFFFFFFu;
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer.get(), kPieceSize);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw TFileError(path, SystemMessage(errno));
        }
        if (got == 0)
            break;
        reg = CrcUpdate(reg, buffer.get(), got);
    }
    return ~reg;
}

QString CrcText(quint32 value)
{
    return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

QString FileCrcText(const QString &fileName)
{
    return CrcText(FileCrc(fileName));
}
