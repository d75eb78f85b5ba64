#pragma once

#include <QtGlobal>

#include <cstddef>

// The CRC register update in the processor's fastest way. Long inputs are
// folded 16 bytes at a time with carry-less multiplication (PCLMULQDQ, or
// VPCLMULQDQ on 64-byte vectors), several times faster than a table; zlib
// handles short inputs, tails and processors without these instructions.
// Every kernel gives the same result as the bare register update.

// A bare register update: no initial value, no final complement.
using TCrcKernel = quint32 (*)(quint32 crc, const unsigned char *data, std::size_t length);

enum class TCrcKernelKind { Table, Pclmul, Vpclmul512 };

// The kernel of kind, or nullptr when this processor cannot run it.
TCrcKernel CrcKernel(TCrcKernelKind kind);

// The fastest kernel this processor runs (chosen once).
TCrcKernel FastestCrcKernel();
