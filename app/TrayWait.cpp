#include "TrayWait.h"

using namespace std::chrono_literals;

TrayWait::TrayWait(std::function<bool()> available, std::chrono::milliseconds timeout,
                   std::function<void()> fallback, QObject *parent)
    : QObject(parent), m_available(std::move(available)), m_fallback(std::move(fallback)),
      m_deadline(std::chrono::steady_clock::now() + timeout) {
    // Asking a few times a second works the same whichever way the platform
    // learns of a tray (an X selection, a D-Bus watcher).
    m_poll.setInterval(250ms);
    connect(&m_poll, &QTimer::timeout, this, &TrayWait::check);
    if (!m_available())
        m_poll.start();
}

void TrayWait::check() {
    if (m_available()) {
        m_poll.stop();
    } else if (std::chrono::steady_clock::now() >= m_deadline) {
        m_poll.stop();
        m_fallback();
    }
}
