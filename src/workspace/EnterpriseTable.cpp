#include "workspace/EnterpriseTable.h"

#include "app/utils/MessageBox.h"
#include "app/utils/Utils.h"
#include "reportdata/XmlDataSet.h"

#include <algorithm>

namespace {

const QString kIdMarker = QStringLiteral("SWSBH");

} // namespace

void ShowRowRefusal(const TRowCheck &check)
{
    if (check.kind != TRowCheck::Kind::Refused)
        return;
    TMessageBox::ShowCaption(check.message, QStringLiteral("系统错误"), TMessageBox::ErrorOk);
}

TEnterpriseTable::TEnterpriseTable(QObject *parent) : QObject(parent) {}

TRowCheck TEnterpriseTable::Check(const QString &swsbh, int ignore) const
{
    if (swsbh.isEmpty())
        return {TRowCheck::Kind::Dropped, QString()};
    if (!IsValidTaxpayerCode(swsbh))
        return {TRowCheck::Kind::Refused,
                QStringLiteral("纳税人识别号错误！必须是15位至20位0..9,A..Z,a-z的字符组成！")};
    for (int i = 0; i < rows_.size(); ++i) {
        if (i != ignore && rows_.at(i).SWSBH.compare(swsbh, Qt::CaseInsensitive) == 0)
            return {TRowCheck::Kind::Refused, QStringLiteral("当前税务识别号“") + swsbh + QStringLiteral("”已存在！")};
    }
    return {};
}

TRowCheck TEnterpriseTable::Load(const QList<Entry> &entries)
{
    rows_.clear();
    TRowCheck verdict;
    for (const Entry &entry : entries) {
        const TRowCheck check = Check(entry.SWSBH);
        if (check.kind == TRowCheck::Kind::Refused) {
            verdict = check;
            break;
        }
        if (check.kind == TRowCheck::Kind::Stored)
            rows_.append(entry);
    }
    emit Reset();
    return verdict;
}

TRowCheck TEnterpriseTable::Append(const QString &swsbh, const QString &nsrmc)
{
    return Insert(Count(), swsbh, nsrmc);
}

TRowCheck TEnterpriseTable::Insert(int at, const QString &swsbh, const QString &nsrmc)
{
    const TRowCheck check = Check(swsbh);
    if (check.kind != TRowCheck::Kind::Stored)
        return check;
    at = std::clamp(at, 0, Count());
    rows_.insert(at, Entry{swsbh, nsrmc});
    emit RowInserted(at);
    return check;
}

TRowCheck TEnterpriseTable::Replace(int index, const QString &swsbh, const QString &nsrmc)
{
    const TRowCheck check = Check(swsbh, index);
    if (check.kind != TRowCheck::Kind::Stored)
        return check;
    rows_[index] = Entry{swsbh, nsrmc};
    emit RowChanged(index);
    return check;
}

void TEnterpriseTable::Delete(int index)
{
    if (index < 0 || index >= Count())
        return;
    rows_.removeAt(index);
    emit RowRemoved(index);
}

int TEnterpriseTable::IndexOf(const QString &swsbh) const
{
    for (int i = 0; i < rows_.size(); ++i) {
        if (rows_.at(i).SWSBH.compare(swsbh, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

std::optional<QString> TEnterpriseTable::FindName(const QString &swsbh) const
{
    for (const Entry &row : rows_) {
        if (row.SWSBH == swsbh)
            return row.NSRMC;
    }
    return std::nullopt;
}

bool IsIdField(const QString &fieldName) { return fieldName.contains(kIdMarker, Qt::CaseSensitive); }

QString NameFieldOf(const TXmlDataSet &dataSet, const QString &idField)
{
    const int at = idField.indexOf(kIdMarker, 0, Qt::CaseSensitive);
    if (at < 0)
        return {};
    const QString prefix = idField.left(at);
    for (const char *suffix : {"NSRMC", "MC"}) {
        if (const TField *field = dataSet.FindField(prefix + QLatin1String(suffix)))
            return field->FieldName();
    }
    return {};
}

TRowCheck LearnFromRecord(TEnterpriseTable &table, const TXmlDataSet &dataSet, const QStringList &fieldsInColumnOrder,
                          const TGridFocus *focus)
{
    // The pairs are gathered and checked first and appended only when all
    // pass: a refused record leaves the list as it was.
    QList<TEnterpriseTable::Entry> learnt;
    const auto learntAlready = [&learnt](const QString &id) {
        for (const TEnterpriseTable::Entry &entry : learnt) {
            if (entry.SWSBH.compare(id, Qt::CaseInsensitive) == 0)
                return true;
        }
        return false;
    };
    for (const QString &name : fieldsInColumnOrder) {
        if (!IsIdField(name))
            continue;
        const TField *idField = dataSet.FindField(name);
        if (!idField)
            continue;
        const QString nameField = NameFieldOf(dataSet, idField->FieldName());
        if (nameField.isEmpty())
            break;
        if (focus && focus->focusedCellText == focus->rememberedId)
            break;
        const QString id = idField->AsString();
        const QString enterprise = dataSet.FieldByName(nameField).AsString();
        if (id.isEmpty() || enterprise.isEmpty() || table.FindName(id).has_value())
            continue;
        // Known in another letter case: the list has this enterprise; the
        // record is not to be refused for how its id is written. An id two
        // columns of the record share is learnt once.
        if (table.IndexOf(id) >= 0 || learntAlready(id))
            continue;
        const TRowCheck check = table.Check(id);
        if (check.kind == TRowCheck::Kind::Refused)
            return check;
        learnt.append({id, enterprise});
    }
    for (const TEnterpriseTable::Entry &entry : learnt)
        table.Append(entry.SWSBH, entry.NSRMC);
    return {};
}

QList<int> SearchRows(const TEnterpriseTable &table, TEnterpriseSearch kind, const QString &text)
{
    QList<int> found;
    if (text.isEmpty())
        return found;
    for (int i = 0; i < table.Count(); ++i) {
        const TEnterpriseTable::Entry &row = table.At(i);
        const QString &value = kind == TEnterpriseSearch::ById ? row.SWSBH : row.NSRMC;
        if (value.contains(text, Qt::CaseSensitive))
            found.append(i);
    }
    return found;
}

QRect PlacePickerUnder(const QRect &editorGlobal, const QSize &picker, const QRect &workArea)
{
    // Edges as the desktop counts them: right and bottom lie just outside.
    const int editorTop = editorGlobal.y();
    const int editorBottom = editorGlobal.y() + editorGlobal.height();
    const int areaLeft = workArea.x();
    const int areaTop = workArea.y();
    const int areaRight = workArea.x() + workArea.width();
    const int areaBottom = workArea.y() + workArea.height();

    int left = editorGlobal.x();
    int top = editorBottom + 1;
    int width = std::min(picker.width(), workArea.width());
    int height = picker.height();

    if (left + width > areaRight)
        left = areaRight - width;
    if (left < areaLeft)
        left = areaLeft;
    if (top + height > areaBottom && editorTop - areaTop > areaBottom - editorBottom)
        top = editorTop - height;
    if (top < areaTop) {
        height -= areaTop - top;
        top = areaTop;
    }
    if (top + height > areaBottom)
        height = areaBottom - top;
    return QRect(left, top, width, std::max(height, 0));
}
