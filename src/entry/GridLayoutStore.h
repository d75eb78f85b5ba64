#pragma once

#include <QString>

#include <optional>
#include <vector>

// One column of a grid's stored layout.
struct TColumnLayout {
    QString field;     // the field the column shows
    int position = 0;  // visual index, from 0
    int width = 0;     // pixels
    int sortOrder = 0; // sort marker: 0 none, 1 ascending, 2 descending
};

// The grid layout store "GridLayout.ini": one section per schema NAME, one
// entry per column, "<field>=<position>,<width>,<sortOrder>", e.g.
// "FPDM=0,100,0". Columns are matched by field name (letter case ignored)
// when a layout is applied, so a layout saved before the schema gained or
// lost a column still restores the columns that remain.
//
// The file is read at each Read and rewritten at each Write, so other
// sections (other schemas, other programs' entries) stay as they are.
class TGridLayoutStore {
public:
    explicit TGridLayoutStore(const QString &iniPath);

    const QString &FileName() const { return path_; }

    // The layout stored under section, ordered by position. nullopt when the
    // file or the section is missing, the file cannot be read, or an entry of
    // the section is damaged (not three numbers, negative, an unknown sort
    // marker, a field twice): the grid then keeps its default layout.
    std::optional<std::vector<TColumnLayout>> Read(const QString &section) const;
    // Replaces the whole section with layout (atomically; an empty layout
    // removes the section); an empty section name does nothing. Raises TFileError when the file cannot be written,
    // TUserError for a field name an INI file cannot hold.
    void Write(const QString &section, const std::vector<TColumnLayout> &layout);

private:
    QString path_;
};
