#include "StatusNotifier.h"

// Windows has one notification area, which QSystemTrayIcon serves.
std::unique_ptr<StatusNotifier> StatusNotifier::create(const QList<QAction *> &) {
    return nullptr;
}

bool StatusNotifier::hostRunning() {
    return false;
}

bool notifyDesktop(const QString &, const QString &) {
    return false;
}
