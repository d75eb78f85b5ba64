#pragma once

#include "reportdata/ColumnSums.h"
#include "reportdata/FieldValue.h"

#include <QAbstractTableModel>
#include <QString>

#include <memory>
#include <vector>

class TXMLDocument;

// One column of the detail view, read from a COLUMN of the schema's
// field-definition document.
struct TDetailColumn {
    enum class TFooter { None, Text, Sum };

    QString name;  // NAME: the RECORD attribute the column shows
    QString title; // CHSNAME
    TFieldType type = TFieldType::Text;
    int size = 0;   // DATASIZE (0 when empty)
    int width = 20; // DISPWIDTH in pixels (20 when empty)
    TFooter footer = TFooter::None;
    QString footerValue; // the FOOTER's VALUE (the text of a Text footer)
};

// The records of an interface file as a read-only table, for the checker's
// detail view: one column per COLUMN of the field-definition document that
// the schema register names for the file's own SCHEMA NAME, one row per
// RECORD of TAXPAYER/RECORDS.
//
// A cell holds the RECORD's attribute of exactly the column's NAME, read
// as the column's type when the table is built (so a value that does not
// convert fails the building); a missing or empty attribute is an empty
// cell. The interface file stays loaded while the table lives and TEXT
// cells are read from it when asked for, so building costs little more
// than parsing the file.
//
// Roles: DisplayRole the text form (empty for BOOLEAN, which answers
// CheckStateRole), EditRole the typed value (invalid for an empty cell),
// TextAlignmentRole right for numbers. Header: DisplayRole the title,
// kFieldNameRole the NAME, kFooterRole the footer (a Text footer's value,
// a Sum footer's exact total from TColumnSums), kFooterAlignmentRole.
// Column widths (DISPWIDTH) are in Columns().
class TDetailTable : public QAbstractTableModel {
    Q_OBJECT
public:
    ~TDetailTable() override;

    // Builds the table from the interface file fileName, with the schema
    // register and field definitions of the workspace
    // (TApplicationInfo::AppDir, DSDir). Raises TUserError with the user's
    // message: "文件"%S"不存在!" (the file, "SchemaManager.xml" or the
    // field-definition document missing), "数据不存在!", "当前文件格式不符!",
    // "文件格式错误:模式名不存在!", "数据模板管理器数据不存在!",
    // "数据模板管理器中未定义当前模式!", "文件%s格式错误!" (field definitions
    // without children or without COLUMNS), "文件"%S"格式不符!" (no
    // TAXPAYER/RECORDS); the XML layer's errors for files that are not
    // well-formed; TConversionError for a DATASIZE, DISPWIDTH or value that
    // does not convert; the client's field-name and field-type messages for
    // columns it could not show either (empty or repeated NAME, unknown
    // DATATYPE).
    static std::unique_ptr<TDetailTable> Build(const QString &fileName);

    // The window caption: the root's CHSNAME (else "DetailForm"), with
    // "[" NSRMC "]" appended when TAXPAYER has NSRMC.
    QString Caption() const { return caption_; }
    const QString &FileName() const { return fileName_; }
    const std::vector<TDetailColumn> &Columns() const { return columns_; }

    // The typed value of a cell: QString, int, double, QDate or bool;
    // invalid for an empty cell.
    QVariant Value(int row, int column) const;
    // The text a cell shows (BOOLEAN cells: "True"/"False", empty for none).
    QString Text(int row, int column) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    // A cell as read at build time; which member holds depends on the
    // column's type.
    union TCell {
        const char *text; // UTF-8, owned by the document or by texts_
        int integer;
        double number;
        qint64 julianDay;
        bool boolean;
    };
    struct TColumnCells {
        std::vector<TCell> cells;
        std::vector<bool> present;
    };

    TDetailTable();
    void ReadRecords(struct _xmlNode *records);

    QString fileName_;
    QString caption_;
    std::unique_ptr<TXMLDocument> document_;
    std::vector<TDetailColumn> columns_;
    std::vector<TColumnCells> cells_;
    // Attribute values that are not one text node, joined (rare).
    std::vector<std::unique_ptr<char[]>> texts_;
    int rows_ = 0;
    TColumnSums sums_;
};
