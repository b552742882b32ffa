#pragma once

#include "TrayControl.h"

#include <QPointer>
#include <QSystemTrayIcon>

#include <memory>

class QMenu;
class StatusNotifier;

// The notification-area icon. Two kinds of notification area are served: a
// StatusNotifierItem host over D-Bus (KDE, GNOME's AppIndicator extension,
// swaybar, waybar), whenever one runs, also one that comes after us; and
// otherwise the XEmbed tray of X11 (trayer, xfce4-panel, LXDE) or the Windows
// one, through QSystemTrayIcon.
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

    // The menu pops up on a right click; D-Bus hosts get it exported. Set once,
    // before the first AddIcon.
    void setContextMenu(QMenu *menu);

    QString toolTip() const;

  private:
    void showOnOneTray();
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    void popUpMenu(const QPoint &at);
    void showPendingBalloon();

    QPointer<QMenu> m_menu;
    std::unique_ptr<StatusNotifier> m_statusNotifier;
    // Made only while no D-Bus host runs: Qt picks its kind of tray once, at
    // the first icon, and would otherwise put a second item on that host.
    std::unique_ptr<QSystemTrayIcon> m_icon;
    bool m_shown = false;
    QIcon m_image;
    QString m_tip = QStringLiteral("Mirell!");
    QString m_note;
    QString m_balloon; // waits for the icon to be shown
};
