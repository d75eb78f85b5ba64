// CRC text of a 64 MiB file (far larger than any declaration file) against
// a plain read of the same file in the same run, the page cache warm for
// both. The piece-wise reads with each CRC kernel show what the folding
// kernels buy over the table.

#include "export/CRCUtils.h"
#include "export/CrcFold.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t kFileSize = size_t(64) << 20;
constexpr size_t kPiece = 256 * 1024;

struct Fixture {
    QTemporaryDir dir;
    QString path;

    Fixture()
    {
        path = dir.path() + QStringLiteral("/big_JK.XML");
        std::vector<char> bytes(kFileSize);
        std::mt19937_64 rng(7);
        for (size_t i = 0; i < kFileSize; i += 8) {
            const quint64 value = rng();
            std::memcpy(bytes.data() + i, &value, 8);
        }
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), qint64(bytes.size())) != qint64(kFileSize))
            std::abort();
    }
};

const Fixture &TheFixture()
{
    static const Fixture fixture;
    return fixture;
}

// Reads the whole file in pieces, handing each to consume.
template <class Consume>
void ReadPieces(const QString &path, Consume consume)
{
    static std::vector<char> buffer(kPiece);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        std::abort();
    ssize_t got;
    while ((got = ::read(fd, buffer.data(), buffer.size())) > 0)
        consume(buffer.data(), size_t(got));
    ::close(fd);
}

void BM_PlainRead(benchmark::State &state)
{
    const QString &path = TheFixture().path;
    for (auto _ : state) {
        size_t total = 0;
        ReadPieces(path, [&](const char *data, size_t size) {
            benchmark::DoNotOptimize(data);
            total += size;
        });
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(qint64(state.iterations()) * qint64(kFileSize));
}
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond);

void BM_FileCrcText(benchmark::State &state)
{
    const QString &path = TheFixture().path;
    for (auto _ : state)
        benchmark::DoNotOptimize(FileCrcText(path));
    state.SetBytesProcessed(qint64(state.iterations()) * qint64(kFileSize));
}
BENCHMARK(BM_FileCrcText)->Unit(benchmark::kMillisecond);

void BM_ReadWithKernel(benchmark::State &state)
{
    const TCrcKernel kernel = CrcKernel(TCrcKernelKind(state.range(0)));
    if (!kernel) {
        state.SkipWithError("kernel not supported by this processor");
        return;
    }
    const QString &path = TheFixture().path;
    for (auto _ : state) {
        quint32 reg = 0xFFFFFFFFu;
        ReadPieces(path, [&](const char *data, size_t size) {
            reg = kernel(reg, reinterpret_cast<const unsigned char *>(data), size);
        });
        benchmark::DoNotOptimize(reg);
    }
    state.SetBytesProcessed(qint64(state.iterations()) * qint64(kFileSize));
}
BENCHMARK(BM_ReadWithKernel)
    ->ArgName("kernel")
    ->Arg(int(TCrcKernelKind::Table))
    ->Arg(int(TCrcKernelKind::Pclmul))
    ->Arg(int(TCrcKernelKind::Vpclmul512))
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
