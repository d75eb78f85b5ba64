#include "components/GridDelegate.h"

#include "app/utils/TextFile.h"
#include "components/ButtonLineEdit.h"
#include "components/FooterGrid.h"

#include <QApplication>
#include <QDate>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QValidator>

namespace {

constexpr char kDateEditorProperty[] = "corvaneDateEditor";

// Limits typing to maxBytes GBK bytes. A stored text that is longer already
// (files keep such texts whole) may still be shortened: a change is refused
// only when it makes an over-long text longer.
class TGbkLengthValidator : public QValidator {
public:
    TGbkLengthValidator(int maxBytes, QObject *parent)
        : QValidator(parent)
        , maxBytes_(maxBytes)
    {
    }
    void Start(const QString &text) { lastBytes_ = int(EncodeGbk(text).size()); }
    State validate(QString &input, int &) const override
    {
        const int bytes = int(EncodeGbk(input).size());
        if (bytes <= maxBytes_) {
            lastBytes_ = bytes;
            return Acceptable;
        }
        if (bytes < lastBytes_) {
            lastBytes_ = bytes;
            return Intermediate;
        }
        return Invalid;
    }

private:
    int maxBytes_;
    mutable int lastBytes_ = 0;
};

QString EditText(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    default:
        return value.toString();
    }
}

bool IsDateEditor(const QObject *editor) { return editor->property(kDateEditorProperty).toBool(); }

// A Date editor's text without its mask blanks; empty when no digit was typed.
QString DateEditorText(const QLineEdit *edit)
{
    QString text = edit->text();
    text.remove(u'_');
    text.remove(u' ');
    return text.count(u'-') == text.size() ? QString() : text;
}

bool IsToggle(const QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent *>(event)->key();
    return key == Qt::Key_Space || key == Qt::Key_Select;
}

QRect CheckRect(const QStyleOptionViewItem &option)
{
    const QStyle *style = option.widget ? option.widget->style() : QApplication::style();
    const int w = style->pixelMetric(QStyle::PM_IndicatorWidth, &option, option.widget);
    const int h = style->pixelMetric(QStyle::PM_IndicatorHeight, &option, option.widget);
    return QRect(option.rect.center().x() - w / 2, option.rect.center().y() - h / 2, w, h);
}

bool IsCheckCell(const QModelIndex &index)
{
    return index.data(Qt::CheckStateRole).isValid() && index.data(Qt::DisplayRole).toString().isEmpty();
}

} // namespace

TGridDelegate::TGridDelegate(TFooterGrid *grid)
    : QStyledItemDelegate(grid)
    , grid_(grid)
{
}

void TGridDelegate::SetColumnEditor(int column, TCellEditor kind, int maxBytes)
{
    editors_[column] = TColumnEditor{kind, std::max(maxBytes, 0)};
}

TGridDelegate::TColumnEditor TGridDelegate::ColumnEditor(int column) const
{
    const auto found = editors_.find(column);
    return found == editors_.end() ? TColumnEditor{} : found->second;
}

QDate TGridDelegate::ParseDate(const QString &text)
{
    return QDate::fromString(text.trimmed(), QStringLiteral("yyyy-M-d"));
}

QWidget *TGridDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const
{
    const TColumnEditor column = ColumnEditor(index.column());
    QLineEdit *edit = nullptr;
    if (column.kind == TCellEditor::ButtonEdit) {
        auto *buttonEdit = new TButtonLineEdit(parent);
        const QPersistentModelIndex cell(index);
        auto *self = const_cast<TGridDelegate *>(this);
        connect(buttonEdit, &TButtonLineEdit::ButtonClicked, self,
                [self, cell, buttonEdit] { emit self->ButtonClicked(cell, buttonEdit); });
        edit = buttonEdit;
    } else {
        edit = new QLineEdit(parent);
    }
    edit->setFrame(false);
    if (column.kind == TCellEditor::Date) {
        edit->setInputMask(QStringLiteral("0000-99-99;_"));
        edit->setProperty(kDateEditorProperty, true);
    } else if ((column.kind == TCellEditor::Text || column.kind == TCellEditor::ButtonEdit) && column.maxBytes > 0) {
        edit->setValidator(new TGbkLengthValidator(column.maxBytes, edit));
    }
    const QVariant alignment = index.data(Qt::TextAlignmentRole);
    if (alignment.isValid())
        edit->setAlignment(Qt::Alignment(alignment.toInt()));
    openEditor_ = edit;
    return edit;
}

void TGridDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *edit = qobject_cast<QLineEdit *>(editor);
    if (!edit) {
        QStyledItemDelegate::setEditorData(editor, index);
        return;
    }
    const QString text = EditText(index.data(Qt::EditRole));
    if (auto *validator = dynamic_cast<const TGbkLengthValidator *>(edit->validator()))
        const_cast<TGbkLengthValidator *>(validator)->Start(text);
    edit->setText(text);
    if (!IsDateEditor(edit))
        edit->selectAll();
}

void TGridDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    auto *edit = qobject_cast<QLineEdit *>(editor);
    if (!edit) {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    if (IsDateEditor(edit)) {
        const QDate date = ParseDate(DateEditorText(edit));
        // No date typed, or no date at all: the stored date stays.
        if (date.isValid())
            model->setData(index, date, Qt::EditRole);
        return;
    }
    const QVariant old = index.data(Qt::EditRole);
    const QString text = edit->text();
    if (old.typeId() != QMetaType::QString && text.trimmed().isEmpty())
        return;
    if (old.isValid() && text == EditText(old))
        return;
    model->setData(index, text, Qt::EditRole);
}

QString TGridDelegate::displayText(const QVariant &value, const QLocale &locale) const
{
    if (value.typeId() == QMetaType::QDate)
        return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    if (value.typeId() == QMetaType::Double)
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    return QStyledItemDelegate::displayText(value, locale);
}

void TGridDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (!IsCheckCell(index)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QStyle *style = option.widget ? option.widget->style() : QApplication::style();
    const bool checked = cell.checkState == Qt::Checked;
    cell.features &= ~QStyleOptionViewItem::HasCheckIndicator;
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, option.widget);
    QStyleOptionViewItem box = cell;
    box.rect = CheckRect(option);
    box.state = (box.state & ~(QStyle::State_On | QStyle::State_Off | QStyle::State_HasFocus))
                | (checked ? QStyle::State_On : QStyle::State_Off);
    style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &box, painter, option.widget);
}

bool TGridDelegate::editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                                const QModelIndex &index)
{
    if (!IsCheckCell(index))
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    if (grid_->ViewMode() || !(index.flags() & Qt::ItemIsUserCheckable) || !(index.flags() & Qt::ItemIsEnabled))
        return false;
    bool toggle = IsToggle(event);
    if (event->type() == QEvent::MouseButtonDblClick)
        return true; // the two clicks have toggled already
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<const QMouseEvent *>(event);
        toggle = mouse->button() == Qt::LeftButton && option.rect.contains(mouse->position().toPoint());
    }
    if (!toggle)
        return false;
    const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    model->setData(index, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    return true;
}

bool TGridDelegate::eventFilter(QObject *object, QEvent *event)
{
    auto *edit = qobject_cast<QLineEdit *>(object);
    if (edit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
        const bool leave = enter || key == Qt::Key_Tab || key == Qt::Key_Backtab;
        if (leave && IsDateEditor(edit)) {
            const QString text = DateEditorText(edit);
            if (!text.isEmpty() && !ParseDate(text).isValid()) {
                QApplication::beep();
                return true;
            }
        }
        if (enter) {
            emit commitData(edit);
            emit closeEditor(edit, QAbstractItemDelegate::NoHint);
            emit EnterPressed();
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}
