#include "widgets/GuiMessageBox.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>

namespace {

struct TButtonSpec {
    QMessageBox::StandardButton standard;
    int code;
    const char *text;
};

const TButtonSpec kOk{QMessageBox::Ok, TMessageBox::IdOk, "确定"};
const TButtonSpec kCancel{QMessageBox::Cancel, TMessageBox::IdCancel, "取消"};
const TButtonSpec kYes{QMessageBox::Yes, TMessageBox::IdYes, "是(&Y)"};
const TButtonSpec kNo{QMessageBox::No, TMessageBox::IdNo, "否(&N)"};

// The buttons of a style in the order the default-button index counts them.
QList<TButtonSpec> ButtonsOf(int flags)
{
    switch (flags & 0x0F) {
    case 1: return {kOk, kCancel};
    case 3: return {kYes, kNo, kCancel};
    case 4: return {kYes, kNo};
    default: return {kOk};
    }
}

QMessageBox::Icon IconOf(int flags)
{
    switch (flags & 0xF0) {
    case 16: return QMessageBox::Critical;
    case 32: return QMessageBox::Question;
    case 48: return QMessageBox::Warning;
    case 64: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

} // namespace

std::unique_ptr<QMessageBox> TGuiMessageBox::Build(QWidget *parent, const QString &caption, const QString &text,
                                                   int flags)
{
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(caption);
    box->setText(text);
    box->setTextFormat(Qt::PlainText); // messages quote user data, never markup
    box->setIcon(IconOf(flags));

    const QList<TButtonSpec> specs = ButtonsOf(flags);
    QList<QPushButton *> buttons;
    QPushButton *escape = nullptr;
    for (const TButtonSpec &spec : specs) {
        QPushButton *button = box->addButton(spec.standard);
        button->setText(QString::fromUtf8(spec.text));
        button->setIcon(QIcon()); // some desktop styles add stock images; the dialogs' buttons have none
        buttons << button;
        if (spec.code == TMessageBox::IdCancel || (spec.code == TMessageBox::IdNo && !escape))
            escape = button;
    }
    box->setEscapeButton(escape ? escape : buttons.first());
    const int defaultIndex = (flags & 0x300) >> 8;
    box->setDefaultButton(buttons.value(defaultIndex, buttons.first()));
    return box;
}

int TGuiMessageBox::ButtonCode(const QMessageBox &box, QAbstractButton *button)
{
    if (!button)
        button = box.escapeButton();
    switch (box.standardButton(button)) {
    case QMessageBox::Cancel: return TMessageBox::IdCancel;
    case QMessageBox::Yes: return TMessageBox::IdYes;
    case QMessageBox::No: return TMessageBox::IdNo;
    default: return TMessageBox::IdOk;
    }
}

int TGuiMessageBox::Ask(const QString &caption, const QString &text, int flags)
{
    std::unique_ptr<QMessageBox> box = Build(QApplication::activeWindow(), caption, text, flags);
    box->exec();
    return ButtonCode(*box, box->clickedButton());
}
