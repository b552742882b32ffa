#pragma once

#include "TrayControl.h"

#include <QSystemTrayIcon>

#include <optional>
#include <utility>

// The notification-area icon over QSystemTrayIcon. No context menu is
// attached: the main window pops its own menu on a right click.
class TrayIcon : public TrayControl {
    Q_OBJECT
  public:
    explicit TrayIcon(QObject *parent = nullptr);
    ~TrayIcon() override;

    // Shows the icon with the tip; while shown, only updates both.
    void AddIcon(const QIcon &icon, const QString &tip) override;
    void RemoveIcon() override;
    bool isAvailable() const override;
    // The tip gains a second line with the note, and the note pops up once as
    // a balloon. An empty note clears it.
    void setToolTipNote(const QString &note) override;

    bool isShown() const { return m_icon.isVisible(); }
    QString toolTip() const { return m_icon.toolTip(); }
    // Where the icon sits, in screen coordinates; empty when not docked.
    QRect geometry() const { return m_icon.geometry(); }

    // (button, clicks) for an activation, or nothing for reasons that carry no click.
    static std::optional<std::pair<int, int>> clickFor(QSystemTrayIcon::ActivationReason reason);

  private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    void updateToolTip();
    void showPendingBalloon();

    QSystemTrayIcon m_icon;
    QString m_tip = QStringLiteral("Mirell!");
    QString m_note;
    QString m_lastBalloon;
    bool m_balloonPending = false;
};
