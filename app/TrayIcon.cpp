#include "TrayIcon.h"

#include "StatusNotifier.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QProcess>
#include <QTimer>

namespace {
// The menu's title where it comes as a window of its own.
const QString MenuTitle = QStringLiteral("Mirell! メニュー");
} // namespace

TrayIcon::TrayIcon(QObject *parent) : TrayControl(parent) {}

void TrayIcon::setContextMenu(QMenu *menu) {
    m_menu = menu;
    m_statusNotifier = StatusNotifier::create(menu->actions());
    if (m_statusNotifier) {
        connect(m_statusNotifier.get(), &StatusNotifier::registeredChanged, this,
                &TrayIcon::showOnOneTray);
        // Activate has no double click: it stands for the double click of the other trays.
        connect(m_statusNotifier.get(), &StatusNotifier::activated, this,
                [this] { emit TrayClick(1, 2); });
        connect(m_statusNotifier.get(), &StatusNotifier::secondaryActivated, this,
                [this] { emit TrayClick(4, 1); });
        connect(m_statusNotifier.get(), &StatusNotifier::contextMenuRequested, this,
                [this](const QPoint &at) {
                    popUpMenu(at);
                    emit TrayClick(2, 1);
                });
    }
}

TrayIcon::~TrayIcon() {
    // Hide before the window goes, so no dead icon lingers in the tray.
    RemoveIcon();
}

void TrayIcon::AddIcon(const QIcon &icon, const QString &tip) {
    m_image = icon;
    m_tip = tip;
    m_shown = true;
    if (m_statusNotifier) {
        m_statusNotifier->setIcon(icon);
        m_statusNotifier->setShown(true);
    }
    showOnOneTray();
}

void TrayIcon::RemoveIcon() {
    m_shown = false;
    if (m_statusNotifier)
        m_statusNotifier->setShown(false);
    showOnOneTray();
}

// A D-Bus host, where there is one, carries the icon alone: its item knows
// a left click, the XEmbed icon does not.
void TrayIcon::showOnOneTray() {
    const bool onHost = m_statusNotifier && m_statusNotifier->isRegistered();
    if (!m_icon && m_shown && !onHost && !StatusNotifier::hostRunning()) {
        m_icon = std::make_unique<QSystemTrayIcon>();
        m_icon->setContextMenu(m_menu);
        connect(m_icon.get(), &QSystemTrayIcon::activated, this, &TrayIcon::onActivated);
    }
    if (m_icon) {
        m_icon->setIcon(m_image);
        m_icon->setVisible(m_shown && !onHost);
    }
    setToolTipNote(m_note);
    showPendingBalloon();
}

bool TrayIcon::isAvailable() const {
    return (m_statusNotifier && m_statusNotifier->isRegistered()) ||
           (m_icon && QSystemTrayIcon::isSystemTrayAvailable());
}

void TrayIcon::setToolTipNote(const QString &note) {
    m_note = note;
    if (m_statusNotifier)
        m_statusNotifier->setToolTip(m_tip, note);
    if (m_icon)
        m_icon->setToolTip(toolTip());
}

QString TrayIcon::toolTip() const {
    return m_note.isEmpty() ? m_tip : m_tip + QLatin1Char('\n') + m_note;
}

void TrayIcon::showWarning(const QString &text) {
    m_balloon = text;
    showPendingBalloon();
}

void TrayIcon::onActivated(QSystemTrayIcon::ActivationReason reason) {
    // Qt pops the icon's menu itself on a right click.
    switch (reason) {
    case QSystemTrayIcon::Context:
        emit TrayClick(2, 1);
        break;
    case QSystemTrayIcon::DoubleClick:
        emit TrayClick(1, 2);
        break;
    case QSystemTrayIcon::Trigger:
        // A double click comes as Trigger, then DoubleClick; (1, 1) does nothing.
        emit TrayClick(1, 1);
        break;
    case QSystemTrayIcon::MiddleClick:
        emit TrayClick(4, 1);
        break;
    case QSystemTrayIcon::Unknown:
        break;
    }
}

void TrayIcon::popUpMenu(const QPoint &at) {
    if (!m_menu)
        return;
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        // A pop-up needs a surface of ours to hang on, and a hidden program
        // shows none: the menu comes as a window of its own. Fixed in size,
        // tiling compositors float it rather than fill the screen with it.
        m_menu->adjustSize();
        m_menu->setFixedSize(m_menu->sizeHint());
        m_menu->setWindowTitle(MenuTitle);
        // No Wayland client places its own windows; sway, asked over its
        // socket, moves the floating menu to the pointer that clicked the icon.
        if (qEnvironmentVariableIsSet("SWAYSOCK"))
            QTimer::singleShot(100, m_menu, [] {
                QProcess::startDetached(
                    QStringLiteral("swaymsg"),
                    {QStringLiteral("[pid=%1 title=\"^%2$\"] move position cursor")
                         .arg(QCoreApplication::applicationPid())
                         .arg(MenuTitle)});
            });
    }
    m_menu->popup(at.isNull() ? QCursor::pos() : at);
}

void TrayIcon::showPendingBalloon() {
    // A balloon needs a visible icon to hang on; otherwise it waits for the next AddIcon.
    if (m_balloon.isEmpty() || !m_shown)
        return;
    if (m_statusNotifier && m_statusNotifier->isRegistered())
        notifyDesktop(m_tip, m_balloon);
    else if (m_icon && m_icon->isVisible())
        m_icon->showMessage(m_tip, m_balloon, QSystemTrayIcon::Warning);
    else
        return;
    m_balloon.clear();
}
