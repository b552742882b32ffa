#pragma once

#include "ScreenInfo.h"

#include <QObject>
#include <QTimer>

#include <functional>

class QScreen;

// Hears monitors plugged in, unplugged, moved, resized, turned or made
// primary, and calls changed once the layout has settled on something new.
class MonitorWatch : public QObject {
  public:
    MonitorWatch(const ScreenInfo &screen, std::function<void()> changed,
                 QObject *parent = nullptr);

  private:
    void follow(QScreen *screen);
    void settled();

    const ScreenInfo &m_screen;
    std::function<void()> m_changed;
    QList<MonitorInfo> m_layout;
    QTimer m_settle;
};
