#pragma once

#include "TrayControl.h"

#include <QSystemTrayIcon>

#include <optional>
#include <utility>

class QMenu;

// The notification-area icon over QSystemTrayIcon. Qt talks to one of two
// kinds of notification area: a StatusNotifierItem host over D-Bus (KDE,
// GNOME's AppIndicator extension, swaybar, waybar), chosen when a watcher on
// the session bus reports a registered host as the first icon is made, or
// else the XEmbed tray of X11 (trayer, xfce4-panel, LXDE) and the Windows one.
class TrayIcon : public TrayControl {
    Q_OBJECT
  public:
    explicit TrayIcon(QObject *parent = nullptr);
    ~TrayIcon() override;

    // Shows the icon with the tip; while shown, only updates both.
    void AddIcon(const QIcon &icon, const QString &tip) override;
    void RemoveIcon() override;
    bool isAvailable() const override;
    // The tip gains a second part with the note; an empty note clears it.
    void setToolTipNote(const QString &note) override;
    // Pops the text up once as a balloon, as soon as the icon is shown.
    void showWarning(const QString &text);
    // The icon's own menu: Qt pops it on XEmbed and Windows; a D-Bus host
    // gets it exported and usually draws it itself.
    void setContextMenu(QMenu *menu) { m_icon.setContextMenu(menu); }

    bool isStatusNotifierItem() const { return m_statusNotifier; }
    bool isShown() const { return m_icon.isVisible(); }
    QString toolTip() const { return m_icon.toolTip(); }
    // Where the icon sits, in screen coordinates; empty when not docked.
    QRect geometry() const { return m_icon.geometry(); }

    // (button, clicks) for an activation, or nothing for reasons that carry
    // no click. A D-Bus host has no double click: its Activate, a left click,
    // stands for the double click of the other trays.
    static std::optional<std::pair<int, int>> clickFor(QSystemTrayIcon::ActivationReason reason,
                                                       bool statusNotifierItem);
    // The rule Qt follows to pick its D-Bus icon.
    static bool statusNotifierHostRegistered();

  private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    void updateToolTip();
    void showPendingBalloon();

    QSystemTrayIcon m_icon;
    bool m_statusNotifier = false;
    QString m_tip = QStringLiteral("Mirell!");
    QString m_note;
    QString m_balloon; // waits for the icon to be shown
};
