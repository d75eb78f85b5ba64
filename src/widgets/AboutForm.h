#pragma once

#include <QDialog>

// The About box: the programs' icon, "软件名称: " with the application
// title, a line on what the program is for, and "确定". Esc closes it.
class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget *parent = nullptr);
};

// Shows the About box modally over parent and releases it when closed.
void ShowAbout(QWidget *parent);
