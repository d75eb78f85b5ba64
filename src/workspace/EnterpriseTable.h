#pragma once

#include "documents/QYXX.h"

#include <QList>
#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>

class TXmlDataSet;

// The verdict of the row checks on one row.
struct TRowCheck {
    enum class Kind {
        Stored,  // the row is in the table
        Dropped, // its SWSBH was empty: nothing stored, nothing to say
        Refused, // nothing stored; message says why
    } kind = Kind::Stored;
    // When Refused: "纳税人识别号错误！必须是15位至20位0..9,A..Z,a-z的字符组成！"
    // or "当前税务识别号“<SWSBH>”已存在！".
    QString message;
};

// Shows a refusal's message in an error box titled "系统错误"; nothing for
// a stored or dropped row.
void ShowRowRefusal(const TRowCheck &check);

// The enterprise list held in memory while the program runs: (SWSBH, NSRMC)
// pairs in list order, each having passed the row checks:
//   1. an empty SWSBH drops the row without a message;
//   2. SWSBH must pass IsValidTaxpayerCode;
//   3. no other row may have the same SWSBH, letter case ignored.
// Editors limit typing to 20 characters of SWSBH and 100 of NSRMC. Longer
// names (a hand-edited "QYXX.xml", a long name field of a report) are kept
// whole: the table never cuts what it was given. Nothing here shows
// anything; callers show refusals with ShowRowRefusal.
//
// Every change is announced after it was made, for models that follow it.
class TEnterpriseTable : public QObject {
    Q_OBJECT
public:
    using Entry = TEnterpriseList::Entry;

    static constexpr int MaxIdLength = 20;
    static constexpr int MaxNameLength = 100;

    explicit TEnterpriseTable(QObject *parent = nullptr);

    // Empties the table, then appends each entry through the row checks.
    // Stops at the first refused entry and returns its check; the entries
    // before it stay, that one and the rest are not loaded. Stored when all
    // were stored or dropped.
    TRowCheck Load(const QList<Entry> &entries);
    // Every row in table order (what ReplaceAll writes).
    QList<Entry> Rows() const { return rows_; }
    int Count() const { return int(rows_.size()); }
    bool IsEmpty() const { return rows_.isEmpty(); }
    // Row index (0 <= index < Count()).
    const Entry &At(int index) const { return rows_.at(index); }

    // Adds a row at the end / before row at (0 <= at <= Count()).
    TRowCheck Append(const QString &swsbh, const QString &nsrmc);
    TRowCheck Insert(int at, const QString &swsbh, const QString &nsrmc);
    // Changes row index; its own SWSBH is no duplicate of itself. Dropped
    // (an empty SWSBH) leaves the row as it was.
    TRowCheck Replace(int index, const QString &swsbh, const QString &nsrmc);
    // Removes row index; its SWSBH is free for other rows afterwards.
    void Delete(int index);

    // The first row whose SWSBH equals swsbh without regard to letter case;
    // -1 when none does.
    int IndexOf(const QString &swsbh) const;
    // The NSRMC of the row whose SWSBH equals swsbh exactly (letter case
    // included); nothing when no row does.
    std::optional<QString> FindName(const QString &swsbh) const;

    // The checks a row with swsbh would face at index (ignore: the row it
    // replaces, -1 for a new row). Stored means it would be stored.
    TRowCheck Check(const QString &swsbh, int ignore = -1) const;

signals:
    void RowInserted(int index);
    void RowChanged(int index);
    void RowRemoved(int index);
    // Load replaced every row.
    void Reset();

private:
    QList<Entry> rows_;
};

// ---- The table and report records ----

// A report field holding a taxpayer id: its name contains "SWSBH" (letter
// case significant).
bool IsIdField(const QString &fieldName);
// The name field paired with idField in dataSet: the part of idField before
// "SWSBH" followed by "NSRMC" when the dataset has that field, else followed
// by "MC" when it has that one; empty when it has neither. The dataset's own
// spelling of the field name is returned.
QString NameFieldOf(const TXmlDataSet &dataSet, const QString &idField);

// Where the report grid's focus is when a record is posted: the text of
// the focused cell and the id remembered when the focus last entered an id
// cell.
struct TGridFocus {
    QString focusedCellText;
    QString rememberedId;
};

// Learns the (id, name) pairs of the dataset's current record buffer before
// it is posted. Walks fieldsInColumnOrder (the grid's column order), taking
// only id fields the dataset has:
//   - an id field without a name field ends the walk;
//   - with focus given, a focused cell whose text equals the remembered id
//     ends the walk (the id was not changed); without focus (no grid: rows
//     imported from a file) this does not apply;
//   - when no row's SWSBH equals the id exactly and id and name are both
//     non-empty, the pair is appended to table. An id the table holds in
//     another letter case is already known: nothing is learnt from it and
//     the record is not refused for it.
// A pair the row checks refuse ends the walk and is returned (the caller
// shows it and refuses the post); otherwise Stored. Shows nothing.
TRowCheck LearnFromRecord(TEnterpriseTable &table, const TXmlDataSet &dataSet, const QStringList &fieldsInColumnOrder,
                          const TGridFocus *focus);

// ---- The picker ----

enum class TEnterpriseSearch { ById, ByName };

// Indexes of the rows whose SWSBH (ById) or NSRMC (ByName) contains text,
// letter case significant, in table order; none for an empty text.
QList<int> SearchRows(const TEnterpriseTable &table, TEnterpriseSearch kind, const QString &text);

// Where a picker of size picker goes under a cell editor at editorGlobal
// (screen coordinates), kept within workArea: left edges aligned, top one
// pixel below the editor; narrowed to the work area's width, moved left so
// its right edge is inside and right so its left edge is; placed above the
// editor when it overflows the bottom and there is more room above; then
// its height is cut at the work area's top and bottom.
QRect PlacePickerUnder(const QRect &editorGlobal, const QSize &picker, const QRect &workArea);
