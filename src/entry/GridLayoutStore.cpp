#include "entry/GridLayoutStore.h"

#include "app/utils/Errors.h"
#include "app/utils/IniFile.h"

#include <QSet>
#include <QStringList>

#include <algorithm>

namespace {

std::optional<TColumnLayout> ParseEntry(const QString &field, const QString &text)
{
    const QStringList parts = text.split(u',');
    if (parts.size() != 3)
        return std::nullopt;
    int numbers[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        numbers[i] = parts[i].trimmed().toInt(&ok);
        if (!ok || numbers[i] < 0)
            return std::nullopt;
    }
    if (numbers[2] > 2)
        return std::nullopt;
    return TColumnLayout{field, numbers[0], numbers[1], numbers[2]};
}

} // namespace

TGridLayoutStore::TGridLayoutStore(const QString &iniPath)
    : path_(iniPath)
{
}

std::optional<std::vector<TColumnLayout>> TGridLayoutStore::Read(const QString &section) const
{
    if (section.trimmed().isEmpty())
        return std::nullopt;
    try {
        const TIniFile ini(path_);
        if (!ini.SectionExists(section))
            return std::nullopt;
        std::vector<TColumnLayout> layout;
        QSet<QString> seen;
        for (const QString &field : ini.ReadSection(section)) {
            const QString folded = field.toUpper();
            if (seen.contains(folded))
                return std::nullopt;
            seen.insert(folded);
            const std::optional<TColumnLayout> column = ParseEntry(field, ini.ReadString(section, field));
            if (!column)
                return std::nullopt;
            layout.push_back(*column);
        }
        std::stable_sort(layout.begin(), layout.end(),
                         [](const TColumnLayout &a, const TColumnLayout &b) { return a.position < b.position; });
        return layout;
    } catch (const TFileError &) {
        return std::nullopt;
    }
}

void TGridLayoutStore::Write(const QString &section, const std::vector<TColumnLayout> &layout)
{
    if (section.trimmed().isEmpty())
        return;
    TIniFile ini(path_);
    ini.EraseSection(section);
    for (const TColumnLayout &column : layout)
        ini.WriteString(section, column.field,
                        QStringLiteral("%1,%2,%3").arg(column.position).arg(column.width).arg(column.sortOrder));
    ini.UpdateFile();
}
