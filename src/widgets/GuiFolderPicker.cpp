#include "widgets/GuiFolderPicker.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>

QString TGuiFolderPicker::Pick(const QString &title, const QString &root, const QString &initial)
{
    const QString start = initial.isEmpty() ? root : initial;
    const QString picked = QFileDialog::getExistingDirectory(QApplication::activeWindow(), title, start,
                                                             QFileDialog::ShowDirsOnly);
    return picked.isEmpty() ? QString() : QDir::fromNativeSeparators(picked);
}
