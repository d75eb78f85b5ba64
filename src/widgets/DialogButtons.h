#pragma once

#include <QString>

class QHBoxLayout;
class QPushButton;
class QWidget;

// The "确定" / "取消" row at the bottom of a dialog: the two buttons at the
// right of a row, named btnOK and btnCancel, OK the default button. The
// caller connects them (to accept and reject, or to checks of its own).
struct TDialogButtons {
    QPushButton *ok;
    QPushButton *cancel;
    QHBoxLayout *row;
};

TDialogButtons MakeOkCancel(QWidget *dialog, const QString &okText = QStringLiteral("确定"),
                            const QString &cancelText = QStringLiteral("取消"));
