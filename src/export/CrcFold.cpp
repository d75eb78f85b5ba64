#include "export/CrcFold.h"

#include <zlib.h>

#include <cstdint>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define CORVANE_CRC_FOLD 1
#include <immintrin.h>
#endif

namespace {

quint32 TableUpdate(quint32 crc, const unsigned char *data, std::size_t length)
{
    // zlib's crc32 complements on entry and exit; undoing both leaves the
    // bare register update. Its length type is unsigned int.
    uLong value = ~crc & 0xFFFFFFFFu;
    while (length > 0) {
        const uInt piece = length > (std::size_t(1) << 30) ? (1u << 30) : uInt(length);
        value = crc32(value, data, piece);
        data += piece;
        length -= piece;
    }
    return quint32(~value);
}

#ifdef CORVANE_CRC_FOLD

// Folding works on the message as a polynomial over GF(2). A 16-byte block
// loaded little-endian into a 128-bit register holds its polynomial
// bit-reflected: register bit i is the coefficient of x^(127 - i). Moving a
// block d bytes further along the message multiplies it by x^(8d); modulo
// the CRC polynomial P that product is congruent to
//     low half * (x^(64 + 8d) mod P) + high half * (x^(8d) mod P),
// which fits in 128 bits again. A reflected carry-less product comes out
// shifted by one degree, hence the exponents one lower below. After the
// last fold the register is one 16-byte block with the same CRC (register
// 0) as everything folded into it, and zlib finishes from there.

constexpr std::uint64_t XPowerModP(unsigned n)
{
    std::uint64_t r = 1;
    for (unsigned i = 0; i < n; ++i) {
        r <<= 1;
        if (r & (std::uint64_t(1) << 32))
            r ^= 0x104C11DB7u;
    }
    return r;
}

constexpr std::uint64_t Reflect64(std::uint64_t v)
{
    std::uint64_t r = 0;
    for (int i = 0; i < 64; ++i) {
        if (v & (std::uint64_t(1) << i))
            r |= std::uint64_t(1) << (63 - i);
    }
    return r;
}

// Multipliers that move a block forward by 16 * blocks bytes.
struct TFoldConstants {
    std::uint64_t low[17] {};
    std::uint64_t high[17] {};
    constexpr TFoldConstants()
    {
        for (unsigned blocks = 1; blocks <= 16; ++blocks) {
            low[blocks] = Reflect64(XPowerModP(63 + 128 * blocks));
            high[blocks] = Reflect64(XPowerModP(128 * blocks - 1));
        }
    }
};
constexpr TFoldConstants kFold;

__attribute__((target("pclmul,sse4.1"))) inline __m128i Multiplier(unsigned blocks)
{
    return _mm_set_epi64x(static_cast<long long>(kFold.high[blocks]), static_cast<long long>(kFold.low[blocks]));
}

inline __m128i Load(const unsigned char *p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
}

__attribute__((target("pclmul,sse4.1"))) inline __m128i Fold(__m128i block, __m128i multiplier)
{
    return _mm_xor_si128(_mm_clmulepi64_si128(block, multiplier, 0x00), _mm_clmulepi64_si128(block, multiplier, 0x11));
}

__attribute__((target("pclmul,sse4.1"))) quint32 Finish(__m128i block, const unsigned char *rest, std::size_t length)
{
    alignas(16) unsigned char bytes[16];
    _mm_store_si128(reinterpret_cast<__m128i *>(bytes), block);
    return TableUpdate(TableUpdate(0, bytes, sizeof bytes), rest, length);
}

// Four independent 16-byte lanes hide the multiplier's latency.
__attribute__((target("pclmul,sse4.1"))) quint32 PclmulUpdate(quint32 crc, const unsigned char *data, std::size_t length)
{
    constexpr std::size_t kStride = 64;
    if (length < 2 * kStride)
        return TableUpdate(crc, data, length);
    __m128i a0 = _mm_xor_si128(Load(data), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i a1 = Load(data + 16);
    __m128i a2 = Load(data + 32);
    __m128i a3 = Load(data + 48);
    data += kStride;
    length -= kStride;
    const __m128i k4 = Multiplier(4);
    while (length >= kStride) {
        a0 = _mm_xor_si128(Fold(a0, k4), Load(data));
        a1 = _mm_xor_si128(Fold(a1, k4), Load(data + 16));
        a2 = _mm_xor_si128(Fold(a2, k4), Load(data + 32));
        a3 = _mm_xor_si128(Fold(a3, k4), Load(data + 48));
        data += kStride;
        length -= kStride;
    }
    const __m128i folded = _mm_xor_si128(_mm_xor_si128(Fold(a0, Multiplier(3)), Fold(a1, Multiplier(2))),
                                         _mm_xor_si128(Fold(a2, Multiplier(1)), a3));
    return Finish(folded, data, length);
}

// Four 64-byte vectors of four lanes each: sixteen lanes in flight.
__attribute__((target("pclmul,sse4.1,avx512f,vpclmulqdq"))) quint32 Vpclmul512Update(quint32 crc,
                                                                                     const unsigned char *data,
                                                                                     std::size_t length)
{
    constexpr std::size_t kStride = 256;
    if (length < 2 * kStride)
        return PclmulUpdate(crc, data, length);
    __m512i a[4];
    for (int i = 0; i < 4; ++i)
        a[i] = _mm512_loadu_si512(data + 64 * i);
    a[0] = _mm512_xor_si512(a[0], _mm512_zextsi128_si512(_mm_cvtsi32_si128(static_cast<int>(crc))));
    data += kStride;
    length -= kStride;
    const auto lo = static_cast<long long>(kFold.low[16]);
    const auto hi = static_cast<long long>(kFold.high[16]);
    const __m512i k16 = _mm512_set_epi64(hi, lo, hi, lo, hi, lo, hi, lo);
    while (length >= kStride) {
#pragma GCC unroll 4
        for (int i = 0; i < 4; ++i) {
            // 0x96: three-way exclusive or.
            a[i] = _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(a[i], k16, 0x00),
                                             _mm512_clmulepi64_epi128(a[i], k16, 0x11), _mm512_loadu_si512(data + 64 * i), 0x96);
        }
        data += kStride;
        length -= kStride;
    }
    alignas(64) unsigned char lanes[kStride];
    for (int i = 0; i < 4; ++i)
        _mm512_store_si512(lanes + 64 * i, a[i]);
    __m128i folded = _mm_load_si128(reinterpret_cast<const __m128i *>(lanes + 240));
    for (unsigned lane = 0; lane < 15; ++lane) {
        const __m128i block = _mm_load_si128(reinterpret_cast<const __m128i *>(lanes + 16 * lane));
        folded = _mm_xor_si128(folded, Fold(block, Multiplier(15 - lane)));
    }
    return Finish(folded, data, length);
}

#endif // CORVANE_CRC_FOLD

} // namespace

TCrcKernel CrcKernel(TCrcKernelKind kind)
{
    switch (kind) {
    case TCrcKernelKind::Table:
        return TableUpdate;
#ifdef CORVANE_CRC_FOLD
    case TCrcKernelKind::Pclmul:
        __builtin_cpu_init();
        return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1") ? PclmulUpdate : nullptr;
    case TCrcKernelKind::Vpclmul512:
        __builtin_cpu_init();
        return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1")
                       && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("vpclmulqdq")
                   ? Vpclmul512Update
                   : nullptr;
#else
    case TCrcKernelKind::Pclmul:
    case TCrcKernelKind::Vpclmul512:
        return nullptr;
#endif
    }
    return nullptr;
}

TCrcKernel FastestCrcKernel()
{
    static const TCrcKernel kernel = [] {
        for (const TCrcKernelKind kind : {TCrcKernelKind::Vpclmul512, TCrcKernelKind::Pclmul}) {
            if (const TCrcKernel found = CrcKernel(kind))
                return found;
        }
        return CrcKernel(TCrcKernelKind::Table);
    }();
    return kernel;
}
