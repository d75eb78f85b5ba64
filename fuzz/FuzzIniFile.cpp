// An INI file from outside (the check script's results, another
// installation's settings or grid layouts): any bytes read without a crash,
// and what is read survives a save: writing the file back and reading it
// again gives the same sections, keys and values. A value set through
// WriteString reads back as given.

#include "app/utils/Errors.h"
#include "app/utils/IniFile.h"

#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void SameContent(const TIniFile &a, const TIniFile &b)
{
    const QStringList sections = a.ReadSections();
    Check(sections == b.ReadSections());
    for (const QString &section : sections) {
        const QStringList keys = a.ReadSection(section);
        Check(keys == b.ReadSection(section));
        for (const QString &key : keys)
            Check(a.ReadString(section, key, QStringLiteral("\x01")) == b.ReadString(section, key, QStringLiteral("\x01")));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    TIniFile ini = TIniFile::FromBytes(bytes);
    SameContent(ini, TIniFile::FromBytes(ini.ToBytes()));

    // The first line's text as a value: set, saved, read back unchanged.
    const qsizetype end = bytes.indexOf('\n');
    const QString value = QString::fromLatin1(end < 0 ? bytes : bytes.left(end)).remove(u'\r').remove(QChar(0));
    const QStringList sections = ini.ReadSections();
    const QString section = sections.isEmpty() ? QStringLiteral("Fuzz") : sections.front();
    try {
        ini.WriteString(section, QStringLiteral("FuzzKey"), value);
    } catch (const TUserError &) {
        return 0; // a section name that cannot be written to
    }
    const TIniFile saved = TIniFile::FromBytes(ini.ToBytes());
    Check(saved.ReadString(section, QStringLiteral("FuzzKey")) == value.left(TIniFile::kMaxValueLength));
    SameContent(ini, saved);
    return 0;
}
