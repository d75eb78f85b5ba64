#include "components/ButtonLineEdit.h"

#include <QKeyEvent>
#include <QToolButton>

TButtonLineEdit::TButtonLineEdit(QWidget *parent)
    : QLineEdit(parent)
    , button_(new QToolButton(this))
{
    button_->setObjectName(QStringLiteral("btnDropDown"));
    button_->setArrowType(Qt::DownArrow);
    button_->setCursor(Qt::ArrowCursor);
    button_->setFocusPolicy(Qt::NoFocus);
    button_->setAutoRaise(false);
    connect(button_, &QToolButton::clicked, this, &TButtonLineEdit::ButtonClicked);
}

void TButtonLineEdit::keyPressEvent(QKeyEvent *event)
{
    const bool altDown = event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier);
    if (altDown || (event->key() == Qt::Key_F4 && event->modifiers() == Qt::NoModifier)) {
        emit ButtonClicked();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TButtonLineEdit::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    // The button is as tall as the box and a little narrower than tall;
    // the text stops before it.
    const int side = height();
    const int width = qMax(side * 4 / 5, 14);
    button_->setGeometry(this->width() - width, 0, width, side);
    setTextMargins(0, 0, width, 0);
}
