#include "TrayIcon.h"

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#endif

TrayIcon::TrayIcon(QObject *parent)
    : TrayControl(parent), m_statusNotifier(statusNotifierHostRegistered()) {
    connect(&m_icon, &QSystemTrayIcon::activated, this, &TrayIcon::onActivated);
}

TrayIcon::~TrayIcon() {
    // Hide before the window goes, so no dead icon lingers in the tray.
    m_icon.hide();
}

bool TrayIcon::statusNotifierHostRegistered() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(watcher))
        return false;
    QDBusInterface iface(watcher, QStringLiteral("/StatusNotifierWatcher"), watcher, bus);
    return iface.property("IsStatusNotifierHostRegistered").toBool();
#else
    return false;
#endif
}

void TrayIcon::AddIcon(const QIcon &icon, const QString &tip) {
    m_tip = tip;
    m_icon.setIcon(icon);
    updateToolTip();
    if (!m_icon.isVisible())
        m_icon.show();
    showPendingBalloon();
}

void TrayIcon::RemoveIcon() {
    m_icon.hide();
}

bool TrayIcon::isAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::setToolTipNote(const QString &note) {
    m_note = note;
    updateToolTip();
}

void TrayIcon::showWarning(const QString &text) {
    m_balloon = text;
    showPendingBalloon();
}

std::optional<std::pair<int, int>> TrayIcon::clickFor(QSystemTrayIcon::ActivationReason reason,
                                                      bool statusNotifierItem) {
    switch (reason) {
    case QSystemTrayIcon::Context:
        return std::pair{2, 1};
    case QSystemTrayIcon::DoubleClick:
        return std::pair{1, 2};
    case QSystemTrayIcon::Trigger:
        return statusNotifierItem ? std::pair{1, 2} : std::pair{1, 1};
    case QSystemTrayIcon::MiddleClick:
        return std::pair{4, 1};
    case QSystemTrayIcon::Unknown:
        break;
    }
    return std::nullopt;
}

void TrayIcon::onActivated(QSystemTrayIcon::ActivationReason reason) {
    if (const auto click = clickFor(reason, m_statusNotifier))
        emit TrayClick(click->first, click->second);
}

void TrayIcon::updateToolTip() {
    m_icon.setToolTip(m_note.isEmpty() ? m_tip : m_tip + QLatin1Char('\n') + m_note);
}

void TrayIcon::showPendingBalloon() {
    // A balloon needs a visible icon to hang on; otherwise it waits for the next AddIcon.
    if (m_balloon.isEmpty() || !m_icon.isVisible())
        return;
    m_icon.showMessage(m_tip, m_balloon, QSystemTrayIcon::Warning);
    m_balloon.clear();
}
