#pragma once

#include <QString>

// CRC-32 of declared files (reflected polynomial 0xEDB88320, the check value
// of "123456789" is CBF43926). Both programs use the same routines: the
// client seals an interface file with its CRC text, the checker recomputes
// it, and the password check value is a CRC text too.

// Feeds length bytes into a running CRC register. No initial value and no
// final complement are applied: the CRC-32 of a whole input is
// ~CrcUpdate(0xFFFFFFFF, ...). length 0 returns crc unchanged.
quint32 CrcUpdate(quint32 crc, const char *buffer, qint64 length);

// The CRC-32 of the file's bytes (0 for an empty file). The file is opened
// read-only, so read-only files and write-protected media can be verified.
// Raises TFileError with the system's message when the file cannot be
// opened or read. The name is resolved without regard to letter case.
quint32 FileCrc(const QString &fileName);

// FileCrc as the CRC text: 8 upper-case hexadecimal digits, zero-padded.
QString FileCrcText(const QString &fileName);

// A CRC value as CRC text (0xABCD gives "0000ABCD").
QString CrcText(quint32 value);
