#include "export/CRCUtils.h"
#include "export/CrcFold.h"

#include "app/utils/Errors.h"
#include "TempWorkspace.h"

#include <QFile>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <random>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// An independent CRC-32 register update, one bit at a time.
quint32 BitwiseCrcUpdate(quint32 crc, const QByteArray &bytes)
{
    for (const char c : bytes) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return crc;
}

quint32 BitwiseCrc(const QByteArray &bytes) { return ~BitwiseCrcUpdate(0xFFFFFFFFu, bytes); }

QByteArray RandomBytes(qsizetype size, unsigned seed)
{
    std::mt19937 rng(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &c : bytes)
        c = char(rng() & 0xFF);
    return bytes;
}

TEST(CrcUpdateTest, IsTheBareRegisterUpdate)
{
    const QByteArray data = RandomBytes(1000, 1);
    for (const quint32 start : {0u, 0xFFFFFFFFu, 0x12345678u}) {
        EXPECT_EQ(CrcUpdate(start, data.constData(), data.size()), BitwiseCrcUpdate(start, data));
        EXPECT_EQ(CrcUpdate(start, data.constData(), 0), start);
    }
    // Feeding in pieces gives the same register as feeding at once.
    quint32 reg = 0xFFFFFFFFu;
    reg = CrcUpdate(reg, data.constData(), 7);
    reg = CrcUpdate(reg, data.constData() + 7, 993);
    EXPECT_EQ(~reg, BitwiseCrc(data));
}

// Every kernel this processor runs, over lengths around its block and
// stride sizes, odd alignments and arbitrary starting registers.
TEST(CrcKernelTest, EveryKernelIsTheBareRegisterUpdate)
{
    const QByteArray pool = RandomBytes(70000, 2);
    std::mt19937 rng(3);
    std::vector<qsizetype> lengths;
    for (qsizetype n = 0; n <= 1100; ++n)
        lengths.push_back(n);
    for (int i = 0; i < 200; ++i)
        lengths.push_back(qsizetype(rng() % 65000));
    int kernels = 0;
    for (const TCrcKernelKind kind : {TCrcKernelKind::Table, TCrcKernelKind::Pclmul, TCrcKernelKind::Vpclmul512}) {
        const TCrcKernel kernel = CrcKernel(kind);
        if (!kernel)
            continue;
        ++kernels;
        for (const qsizetype length : lengths) {
            const qsizetype offset = qsizetype(rng() % 64);
            const quint32 start = quint32(rng());
            const QByteArray bytes = pool.mid(offset, length);
            ASSERT_EQ(kernel(start, reinterpret_cast<const unsigned char *>(bytes.constData()), size_t(length)),
                      BitwiseCrcUpdate(start, bytes))
                << "kernel " << int(kind) << " length " << length << " offset " << offset;
        }
    }
    EXPECT_GE(kernels, 1);
    EXPECT_NE(FastestCrcKernel(), nullptr);
}

TEST(FileCrcTest, KnownValues)
{
    TempWorkspace ws;
    const struct {
        QByteArray content;
        const char *text;
    } cases[] = {
        {QByteArray("123456789"), "CBF43926"},
        {QByteArray(), "00000000"},
        {QByteArray("a"), "E8B7BE43"},
    };
    for (const auto &c : cases) {
        const QString path = ws.Write(QStringLiteral("f.bin"), c.content);
        EXPECT_EQ(FileCrcText(path), QString::fromLatin1(c.text)) << c.content.constData();
    }
}

TEST(FileCrcTest, SmallValuesKeepLeadingZeros)
{
    QByteArray content;
    for (int i = 0;; ++i) {
        content = "content " + QByteArray::number(i);
        if (BitwiseCrc(content) < 0x01000000u)
            break;
    }
    TempWorkspace ws;
    const QString text = FileCrcText(ws.Write(QStringLiteral("small.txt"), content));
    EXPECT_EQ(text.size(), 8);
    EXPECT_TRUE(text.startsWith(QStringLiteral("00"))) << text.toStdString();
    EXPECT_EQ(text, CrcText(BitwiseCrc(content)));
    EXPECT_EQ(CrcText(0xABCD), QStringLiteral("0000ABCD"));
}

TEST(FileCrcTest, LargeFilesMatchAnIndependentCrc)
{
    TempWorkspace ws;
    // Sizes around and across the pieces the file is read in.
    for (const qsizetype size : {qsizetype(250000), qsizetype(1 << 20), qsizetype(3 * (1 << 20) + 17)}) {
        const QByteArray content = RandomBytes(size, unsigned(size));
        const QString path = ws.Write(QStringLiteral("big.bin"), content);
        EXPECT_EQ(FileCrc(path), BitwiseCrc(content)) << size;
    }
}

TEST(FileCrcTest, NameIsResolvedWithoutRegardToCase)
{
    TempWorkspace ws;
    ws.Write(QStringLiteral("A_JK.XML"), "123456789");
    EXPECT_EQ(FileCrcText(ws.file(QStringLiteral("a_jk.xml"))), QStringLiteral("CBF43926"));
}

TEST(FileCrcTest, UnreadableFilesRaiseTheSystemsMessage)
{
    TempWorkspace ws;
    try {
        FileCrc(ws.file(QStringLiteral("missing.xml")));
        FAIL() << "no error";
    } catch (const TFileError &e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("missing.xml")));
        EXPECT_TRUE(e.Message().contains(QString::fromLocal8Bit(strerror(ENOENT)))) << e.what();
    }
    EXPECT_THROW(FileCrc(ws.path()), TFileError);
}

// Clears the immutable flag again, so the scratch folder can be removed.
struct ImmutableGuard {
    int fd = -1;
    ~ImmutableGuard()
    {
        if (fd < 0)
            return;
        int flags = 0;
        if (ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags &= ~FS_IMMUTABLE_FL;
            ioctl(fd, FS_IOC_SETFLAGS, &flags);
        }
        close(fd);
    }
};

TEST(FileCrcTest, FilesThatCannotBeOpenedForWritingAreVerified)
{
    TempWorkspace ws;
    const QString path = ws.Write(QStringLiteral("ro.xml"), "123456789");
    const QByteArray native = QFile::encodeName(path);
    ASSERT_EQ(chmod(native.constData(), 0444), 0);
    EXPECT_EQ(FileCrcText(path), QStringLiteral("CBF43926"));

    // The tests run as root, for whom mode 0444 still allows writing. An
    // immutable file refuses a writing open even to root, like a
    // write-protected medium does.
    ImmutableGuard guard;
    guard.fd = open(native.constData(), O_RDONLY);
    ASSERT_GE(guard.fd, 0);
    int flags = 0;
    if (ioctl(guard.fd, FS_IOC_GETFLAGS, &flags) != 0)
        GTEST_SKIP() << "file flags not supported here";
    flags |= FS_IMMUTABLE_FL;
    if (ioctl(guard.fd, FS_IOC_SETFLAGS, &flags) != 0)
        GTEST_SKIP() << "the immutable flag cannot be set here";
    const int writable = open(native.constData(), O_RDWR);
    if (writable >= 0)
        close(writable);
    ASSERT_LT(writable, 0) << "an immutable file opened for writing";
    EXPECT_EQ(FileCrcText(path), QStringLiteral("CBF43926"));
}

} // namespace
