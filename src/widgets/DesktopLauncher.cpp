#include "widgets/DesktopLauncher.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

bool TDesktopLauncher::OpenDocument(const QString &target)
{
    const QFileInfo file(target);
    const QUrl url = file.exists() ? QUrl::fromLocalFile(file.absoluteFilePath()) : QUrl::fromUserInput(target);
    return url.isValid() && QDesktopServices::openUrl(url);
}
