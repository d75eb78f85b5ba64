#include "app/forms/MenuMirror.h"

#include <QAction>
#include <QMenu>

void MirrorMenu(const QMenu *source, QMenu *target)
{
    target->clear();
    for (QAction *item : source->actions()) {
        if (!item->isVisible())
            continue;
        if (item->isSeparator()) {
            target->addSeparator();
            continue;
        }
        if (const QMenu *sub = item->menu()) {
            QMenu *copy = target->addMenu(item->icon(), item->text());
            copy->menuAction()->setEnabled(item->isEnabled());
            MirrorMenu(sub, copy);
            continue;
        }
        QAction *copy = target->addAction(item->icon(), item->text());
        copy->setObjectName(item->objectName());
        copy->setEnabled(item->isEnabled());
        copy->setCheckable(item->isCheckable());
        copy->setChecked(item->isChecked());
        if (source->defaultAction() == item)
            target->setDefaultAction(copy);
        QObject::connect(copy, &QAction::triggered, item, &QAction::trigger);
    }
}
