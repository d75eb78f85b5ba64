// A CRC document from another installation, read by the checker: any bytes
// give a value, no value or an error, never a crash.

#include "app/utils/Errors.h"
#include "export/XmlCrcFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/A_CRC.XML");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    try {
        QString value;
        (void)LookupCrcValue(path, QStringLiteral("A_JK.XML"), value);
    } catch (const TUserError &) {
    }
    return 0;
}
