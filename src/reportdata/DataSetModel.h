#pragma once

#include "reportdata/ColumnSums.h"

#include <QAbstractTableModel>
#include <QSet>
#include <QString>

#include <functional>
#include <map>

class TXmlDataSet;
struct TDataChange;

// A Qt table model over an open report dataset: one column per field (the
// display label as header, the column's COMMENT as header tool tip), one row
// per view row (records in order, plus the record being inserted at its
// insert position). data() reads only the cell asked for, straight from the
// record (the buffer for the row being edited or inserted); nothing is cached.
//
// Roles: DisplayRole the text form (empty for BOOLEAN fields, which answer
// CheckStateRole); EditRole the typed value (QString, int, double, QDate,
// bool); a stored text that does not convert is shown as stored.
//
// Editing: setData makes the row current (which posts a pending edit of
// another row, like any move), puts the dataset into edit state and sets the
// field; a value equal to the shown one changes nothing. A TEXT value longer
// than the field's size (GBK bytes) is refused. The row stays unposted until
// submit() (views call it when an editor closes with SubmitModelCache, e.g.
// on Enter or when the current row changes), a move to another row, or the
// host's Post; revert() cancels. With SetPostOnSubmit(false), submit() does
// nothing and posting is left to the host. Failures are not thrown into Qt:
// setData/submit return false, LastError() keeps the message and OnError is
// called with it.
//
// Footers (FooterRole.h): headerData(column, Qt::Horizontal, kFooterRole)
// answers a column's footer text, kFieldNameRole its field name. A Sum
// footer totals the column over the view rows, the row being edited or
// inserted with the values it shows; the total is computed when the footer
// is set and on reset, and then kept up from each change notice
// (TColumnSums), so a post costs the same at any report size.
// headerDataChanged(Qt::Horizontal, c, c) tells views when a footer text
// changed.
//
// The model follows the dataset's notifications (rows inserted and removed,
// values changed, reset on open and close). It must not outlive the dataset.
class TDataSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum class TFooterKind { None, Text, Sum };
    explicit TDataSetModel(TXmlDataSet &dataSet, QObject *parent = nullptr);
    ~TDataSetModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    bool submit() override;
    void revert() override;

    TXmlDataSet &DataSet() const { return dataSet_; }
    bool PostOnSubmit() const { return postOnSubmit_; }
    void SetPostOnSubmit(bool post) { postOnSubmit_ = post; }
    // A column whose cells cannot be edited through the model (the CRC column).
    void SetColumnReadOnly(int column, bool readOnly);
    QString LastError() const { return lastError_; }
    std::function<void(const QString &)> OnError;

    // The footer of a column: None (empty), Text (value shown as it is) or
    // Sum (the column's total; value unused). Columns out of range are ignored.
    void SetFooter(int column, TFooterKind kind, const QString &value = QString());
    void ClearFooters();

signals:
    // Another row became current in the dataset (-1: none).
    void CurrentRowChanged(int row);

private:
    bool IsCell(const QModelIndex &index) const;
    void OnDataChange(const TDataChange &change);
    bool Fail(const std::exception &error);
    QString FooterText(int column) const;
    // Tells views about footers whose text is no longer the one they were told.
    void RefreshFooters();

    TXmlDataSet &dataSet_;
    int listener_ = 0;
    bool postOnSubmit_ = true;
    QSet<int> readOnlyColumns_;
    QString lastError_;
    std::map<int, QString> footerTexts_; // column -> static text (Text footers)
    std::map<int, QString> shownFooters_; // column -> text last announced
    int shownInsertRow_ = -1; // the row header last told to read "*"
    TColumnSums sums_;
};
