#pragma once

#include <QAbstractTableModel>
#include <QSet>
#include <QString>

#include <functional>

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
// The model follows the dataset's notifications (rows inserted and removed,
// values changed, reset on open and close). It must not outlive the dataset.
class TDataSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
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

signals:
    // Another row became current in the dataset (-1: none).
    void CurrentRowChanged(int row);

private:
    bool IsCell(const QModelIndex &index) const;
    void OnDataChange(const TDataChange &change);
    bool Fail(const std::exception &error);

    TXmlDataSet &dataSet_;
    int listener_ = 0;
    bool postOnSubmit_ = true;
    QSet<int> readOnlyColumns_;
    QString lastError_;
};
