#include "widgets/DialogButtons.h"

#include <QHBoxLayout>
#include <QPushButton>

TDialogButtons MakeOkCancel(QWidget *dialog, const QString &okText, const QString &cancelText)
{
    TDialogButtons buttons{new QPushButton(okText, dialog), new QPushButton(cancelText, dialog), new QHBoxLayout};
    buttons.ok->setObjectName(QStringLiteral("btnOK"));
    buttons.ok->setDefault(true);
    buttons.cancel->setObjectName(QStringLiteral("btnCancel"));
    buttons.row->addStretch();
    buttons.row->addWidget(buttons.ok);
    buttons.row->addWidget(buttons.cancel);
    return buttons;
}
