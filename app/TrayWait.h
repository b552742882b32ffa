#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

// At login the notification area may come up a few seconds after the
// program. Gives it that time: fallback runs once if no tray has turned up
// within the timeout, and never if one is there in time.
class TrayWait : public QObject {
    Q_OBJECT
  public:
    TrayWait(std::function<bool()> available, std::chrono::milliseconds timeout,
             std::function<void()> fallback, QObject *parent = nullptr);

  private:
    void check();

    std::function<bool()> m_available;
    std::function<void()> m_fallback;
    std::chrono::steady_clock::time_point m_deadline;
    QTimer m_poll;
};
