#pragma once

#include "app/utils/MessageBox.h"

#include <memory>

class QAbstractButton;
class QMessageBox;
class QWidget;

// Answers TMessageBox with a real message box owned by the active window.
// The style flags choose the buttons (flags & 0x0F), the icon (flags & 0xF0)
// and the default button ((flags & 0x300) >> 8, counted in the order OK,
// Cancel / Yes, No, Cancel). Esc answers Cancel, or No when the box has no
// Cancel, or OK when OK is its only button.
class TGuiMessageBox : public TMessageBox::Handler {
public:
    int Ask(const QString &caption, const QString &text, int flags) override;

    // The box Ask shows, built but not shown; the caller owns it.
    static std::unique_ptr<QMessageBox> Build(QWidget *parent, const QString &caption, const QString &text,
                                              int flags);
    // The button code (TMessageBox::IdOk ...) of a button of a built box;
    // nullptr (the box was closed otherwise) gives the code of its Esc button.
    static int ButtonCode(const QMessageBox &box, QAbstractButton *button);
};
