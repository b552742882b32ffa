#pragma once

#include <QIcon>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>

#include <functional>
#include <memory>

class QAction;

// An icon for the notification areas that speak StatusNotifierItem over
// D-Bus (KDE, GNOME's AppIndicator extension, swaybar, waybar, and XFCE's and
// LXQt's panels on request). Unlike Qt's own, which looks for a host once when
// the first icon is made, this one registers with every watcher that comes up,
// also after the program (a panel that starts later or restarts).
class StatusNotifier : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    // Nothing where the platform knows no such notification area.
    static std::unique_ptr<StatusNotifier> create(const QList<QAction *> &menu);
    // Whether a watcher with a host runs at this moment; asks the bus and waits for it.
    static bool hostRunning();

    virtual void setIcon(const QIcon &icon) = 0;
    virtual void setToolTip(const QString &title, const QString &text) = 0;
    // A hidden item leaves every host; shown, it registers with each that comes.
    virtual void setShown(bool shown) = 0;
    // A host has taken the item, so the icon is on a panel.
    virtual bool isRegistered() const = 0;

  signals:
    void registeredChanged(bool registered);
    void activated();          // a left click
    void secondaryActivated(); // a middle click
    // The host draws no menu of its own and asks the item for one, at a place on the screen.
    void contextMenuRequested(const QPoint &at);
};

// Pops a short text up through the desktop's notification service without waiting for it;
// told(false) comes where there is none, or when it has not answered within seconds (a
// service the bus would start but that never comes up).
void notifyDesktop(const QString &title, const QString &text,
                   const std::function<void(bool delivered)> &told = {});
