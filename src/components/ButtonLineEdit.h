#pragma once

#include <QLineEdit>

class QToolButton;

// A line edit with a small drop-down button at its right end (the cell
// editor of identification-number columns). Pressing the button, Alt+Down
// or F4 emits ButtonClicked; what it opens is the owner's business.
class TButtonLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TButtonLineEdit(QWidget *parent = nullptr);

    QToolButton *Button() const { return button_; }

signals:
    void ButtonClicked();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QToolButton *button_;
};
