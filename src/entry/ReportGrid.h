#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

class TEnterpriseTable;
class TXmlDataSet;
struct TGridFocus;

// The two data-entry preferences and the print style, as the options
// dialog shows and returns them.
struct TOptionsRec {
    bool alwaysShowEditor = false;
    bool autoCopyRecord = true;
    QString printStyle = QStringLiteral("98"); // "98" or "XP"
};

// How one grid column presents its field, derived from the schema's
// field-definition document.
struct TColumnPresentation {
    enum class Footer { None, Text, Sum };
    enum class Editor { Plain, Text, Date, Check, ButtonEdit };

    int column = -1;         // the field's index (the model's column)
    QString field;           // NAME
    Footer footer = Footer::None;
    QString footerValue;     // shown for Footer::Text
    bool readOnly = false;   // the check-value column "CRC": computed when posting
    Editor editor = Editor::Plain;
    int maxBytes = 0;        // Editor::Text: DATASIZE in GBK bytes (0: no limit)
};

// Which record commands the tool bar offers.
struct TRecordCommands {
    bool first = false;
    bool prior = false;
    bool next = false;
    bool last = false;
    bool append = false;  // "新增"
    bool post = false;    // "保存"
    bool remove = false;  // "删除"
    bool edit = false;    // "纵向编辑"

    bool operator==(const TRecordCommands &) const = default;
};

// The report area of the client's main window without widgets: the open
// report as the grid shows it, the state of the record commands, the hint
// text, the locate bar, auto copy, the id columns' name fill and the
// vertical editor's two commands. The window renders what it announces and
// tells it where the grid's cursor is (ColumnEntered, CellLeft, MoveTo).
//
// Commands raise TUserError / TSilentAbort like every command; the caller
// runs them through RunCommand.
class TReportGrid : public QObject {
    Q_OBJECT
public:
    explicit TReportGrid(QObject *parent = nullptr);
    ~TReportGrid() override;

    // Binds the grid to an open report of schemaName (the grid layout
    // section): computes the column presentation and the locate bar's field
    // labels and starts following the report's changes. Installs the auto
    // copy steps as the report's BeforeInsert and OnNewRecord. enterprises
    // (not owned, may be null) answers the name fill.
    void Attach(TXmlDataSet *report, const QString &schemaName, TEnterpriseTable *enterprises);
    // Lets go of the report (before it is closed).
    void Detach();
    TXmlDataSet *Report() const { return report_; }
    QString SchemaName() const { return schemaName_; }

    const std::vector<TColumnPresentation> &Presentation() const { return presentation_; }
    // The fields' display labels in field order (the locate bar's list).
    const QStringList &FieldLabels() const { return fieldLabels_; }

    // Edit mode and view mode (read-only grid).
    void SetViewMode(bool viewMode);
    bool ViewMode() const { return viewMode_; }

    // ---- preferences ----
    bool AutoCopy() const { return autoCopy_; }
    void SetAutoCopy(bool on) { autoCopy_ = on; }
    bool AlwaysShowEditor() const { return alwaysShowEditor_; }
    void SetAlwaysShowEditor(bool on);

    // ---- state the tool bar and status bar show ----
    TRecordCommands Commands() const;
    // "记录位置: %d/%d"
    QString RecordPosition() const;
    // The COMMENT of the column last entered.
    QString Hint() const { return hint_; }
    // The grid's fields in column (visual) order; field order until the
    // window says otherwise.
    QStringList ColumnOrder() const;
    void SetColumnOrder(const QStringList &fields);
    // Where the grid's cursor is, for learning enterprise pairs at post.
    TGridFocus Focus() const;
    int CurrentField() const { return currentField_; }
    // Whether the vertical record editor may open (a report open for editing).
    bool CanOpenRecordEditor() const;

    // ---- the grid's cursor ----
    // A data column became current: shows its COMMENT as the hint and,
    // for an id column, remembers the cell's text.
    void ColumnEntered(int field);
    // The cursor leaves a cell of the current record: fills the name column
    // of an id column whose text changed and is a listed enterprise.
    void CellLeft(int field);
    // The grid's cursor went to view row row: makes it the current record
    // (which posts the record being edited; a refused post raises and the
    // record stays current).
    void MoveTo(int row);

    // ---- commands ----
    void First();
    void Prior();
    void Next();
    void Last();
    void Append();
    void Post();
    // Gives up the changes of the record being edited or added.
    void Cancel();
    void Delete();
    // The locate bar: finds the first record whose field labelled
    // fieldLabel equals text (trimmed, letter case ignored), or says
    // "没有找到符合条件的记录!". Blank text does nothing. A record being
    // edited or added is posted first; a refused post raises its own error
    // and the record stays pending.
    void Locate(const QString &fieldLabel, const QString &text);
    // A pick from the enterprise picker for the id field: the record is
    // edited, the id set and, when the record has one, the name column too.
    void PickInto(int field, const QString &swsbh, const QString &nsrmc);
    // Fills the name column of idField from the enterprise list when the
    // id is listed (the record editor's name fill, and the grid's).
    void FillName(int idField);

    // The vertical editor's "保存并新增(&S)": posts a record being edited or
    // added, then appends a new one. A refused post raises and appends nothing.
    void SaveAndAppend();
    // Its "取消" (and Esc): a changed record is posted when the operator
    // answers OK to "当前记录尚未存盘,您确认保存?", else given up.
    void CancelRecordEditor();

signals:
    // The record commands, the position or the hint may show otherwise.
    void StateChanged();
    void HintChanged(const QString &hint);

private:
    void BuildPresentation();
    void OnBeforeInsert();
    void OnNewRecord();
    void RequireReport() const;

    TXmlDataSet *report_ = nullptr;
    TEnterpriseTable *enterprises_ = nullptr;
    QString schemaName_;
    int listener_ = 0;
    std::vector<TColumnPresentation> presentation_;
    QStringList fieldLabels_;
    QStringList columnOrder_;
    bool viewMode_ = true;
    bool autoCopy_ = true;
    bool alwaysShowEditor_ = false;
    QString hint_;
    int currentField_ = -1;
    QString rememberedId_;
    QVariantList copyBuffer_;
};
