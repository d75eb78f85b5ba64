#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// An INI file read the way Windows' private-profile calls read it, which is
// how the files of the other installations (the checker's settings, the
// check script's results, the grid layouts) were written and are read:
//
// - "[name]" opens a section (the name runs to the line's last "]"); lines
//   before the first section are ignored; "key=value" is an entry, a line
//   without "=" an entry without a value (listed, read as the default);
//   lines starting with ";" are comments.
// - Section and key names match without regard to letter case; blanks
//   (space, tab, CR, the end-of-file character 0x1A) around names and values
//   are dropped; full-width blanks are text.
// - A value loses one pair of enclosing quotes (both " or both ') and is cut
//   to kMaxValueLength characters.
// - A section or key that occurs twice: the first one is read. A key twice in
//   a section is listed twice.
// - The key names of a section are listed in file order through a buffer of
//   kKeyListBytes bytes, each name taking its GBK length plus one; the
//   listing stops at the first name that no longer fits.
//
// Files are GBK text (a UTF-8 or UTF-16 byte-order mark is honoured and kept);
// lines end in CR LF or LF when read (a lone CR is part of its line), CR LF
// when written.
//
// Changes are made in memory and written by UpdateFile(), atomically; lines
// that were not changed (comments, other sections, their order and spelling)
// are written back as they were.
class TIniFile {
public:
    static constexpr int kMaxValueLength = 2047;
    static constexpr int kKeyListBytes = 16384;

    // Reads path; a file that does not exist reads as an empty file. Raises
    // TFileError when the file exists but cannot be read.
    explicit TIniFile(const QString &path);
    // The file given by its bytes, to be written to path (if ever).
    static TIniFile FromBytes(const QByteArray &bytes, const QString &path = QString());

    const QString &FileName() const { return path_; }

    // The value of key in section, or defaultValue when the section, the key
    // or its "=" is missing.
    QString ReadString(const QString &section, const QString &key, const QString &defaultValue = QString()) const;
    bool SectionExists(const QString &section) const;
    bool ValueExists(const QString &section, const QString &key) const;
    // The key names of the section, in file order (see the buffer rule above).
    QStringList ReadSection(const QString &section) const;
    // The section names, in file order, each once.
    QStringList ReadSections() const;

    // Sets key in section (the first occurrence of each), adding the key at
    // the end of the section or the section at the end of the file. A value
    // with blanks at its ends or with enclosing quotes is written quoted, so
    // that it reads back as given. Names are trimmed. Raises TUserError for
    // names or values an INI file cannot hold (line breaks, NUL; "=" or a
    // leading "[" or ";" in a key; "]" in a section name; empty names).
    void WriteString(const QString &section, const QString &key, const QString &value);
    // Removes every occurrence of key from the section that is read.
    void DeleteKey(const QString &section, const QString &key);
    // Removes every section of that name with its lines.
    void EraseSection(const QString &section);

    // Whether anything was changed since reading or the last UpdateFile.
    bool Modified() const { return modified_; }
    // The file's bytes as UpdateFile writes them.
    QByteArray ToBytes() const;
    // Writes the file atomically (TAtomicFile). Raises TFileError.
    void UpdateFile();

private:
    enum class TEncoding { Gbk, Utf8Bom, Utf16LeBom };
    struct TLine {
        QString raw;     // written back unchanged unless the entry is set
        QString key;     // empty: not an entry (blank, comment, broken header)
        QString value;   // trimmed, quotes kept
        bool hasValue = false;
    };
    struct TSection {
        QString name;
        QString header;
        std::vector<TLine> lines;
    };

    TIniFile() = default;
    void Parse(const QByteArray &bytes);
    const TSection *FindSection(const QString &name) const;
    TSection *FindSection(const QString &name);

    QString path_;
    TEncoding encoding_ = TEncoding::Gbk;
    std::vector<QString> preamble_;
    std::vector<TSection> sections_;
    bool modified_ = false;
};
