#include "DesktopServices.h"

#include <QDesktopServices>
#include <QUrl>

bool QtFileOpener::open(const QString &path) {
    if (path.isEmpty())
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
