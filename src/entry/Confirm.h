#pragma once

#include <QString>
#include <QtGlobal>

#include <vector>

// One field the operator must type a second time before a record is
// posted: a column named in the field-definition document's CONFIRM text,
// with the current record's value formatted by the column's type (see
// BuildConfirmList in RecordValidation.h).
struct TColumn {
    QString name;      // NAME
    QString caption;   // CHSNAME
    QString dataType;  // DATATYPE as written in the document
    quint8 dataSize = 0; // DATASIZE, low 8 bits; 0 when empty
    QString comment;   // COMMENT
    QString value;     // the record's value: TEXT and INTEGER as text, DATE
                       // "yyyyMMdd", FLOAT and CURRENCY "0.00", BOOLEAN
                       // "True"/"False", other types empty
};

// The double-entry confirmation. Whoever stands behind it (the GUI's dialog,
// a test) asks the operator to type each entry again without being shown
// the stored value and answers:
//   0      every entry was typed as stored;
//   n > 0  entry n (1-based) was typed differently;
//   other  the operator gave up; the post is abandoned without a message.
// The entries are not changed.
class TConfirmDialog {
public:
    class Handler {
    public:
        virtual ~Handler() = default;
        virtual int Confirm(const std::vector<TColumn> &entries) = 0;
    };

    // Asks the installed handler; without one the confirmation cannot be
    // made and the answer is -1 (abandoned).
    static int Confim(const std::vector<TColumn> &entries);
    // Installs the handler (not owned); nullptr removes it.
    static void SetHandler(Handler *handler);
    static Handler *CurrentHandler();
};

// Whether typed is the entry's value typed again, compared as a value of
// the entry's DATATYPE (letter case ignored), so that equal values typed in
// different forms match:
//   FLOAT, CURRENCY  numbers equal to the cent ("12.5" matches "12.50";
//                    "1,234.5" with group separators is a number too);
//   INTEGER          equal integers ("007" matches "7");
//   DATE             the same day, typed "yyyy-M-d", "yyyy/M/d", "yyyy.M.d"
//                    or "yyyyMMdd" (the entry holds "yyyyMMdd");
//   BOOLEAN          the same truth: True/False, T/F, Yes/No, Y/N, 1/0, 是/否;
//   TEXT and others  the same text, letter case included.
// Blanks around what was typed (and around a TEXT value) never count: they
// cannot be seen in an entry box or a grid cell. Text that does not read as
// a value of the type matches nothing.
bool ConfirmValueMatches(const TColumn &entry, const QString &typed);
