#include "MonitorWatch.h"

#include <QGuiApplication>
#include <QScreen>

MonitorWatch::MonitorWatch(const ScreenInfo &screen, std::function<void()> changed, QObject *parent)
    : QObject(parent), m_screen(screen), m_changed(std::move(changed)),
      m_layout(screen.monitors()) {
    // Display managers and xrandr change outputs one after another; the
    // wallpaper is composed once for where they end up, well within a second.
    m_settle.setSingleShot(true);
    m_settle.setInterval(300);
    connect(&m_settle, &QTimer::timeout, this, &MonitorWatch::settled);
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!app)
        return;
    const auto screens = QGuiApplication::screens();
    for (QScreen *s : screens)
        follow(s);
    connect(app, &QGuiApplication::screenAdded, this, [this](QScreen *s) {
        follow(s);
        m_settle.start();
    });
    connect(app, &QGuiApplication::screenRemoved, &m_settle, qOverload<>(&QTimer::start));
    connect(app, &QGuiApplication::primaryScreenChanged, &m_settle, qOverload<>(&QTimer::start));
}

void MonitorWatch::follow(QScreen *screen) {
    connect(screen, &QScreen::geometryChanged, &m_settle, qOverload<>(&QTimer::start));
    connect(screen, &QScreen::availableGeometryChanged, &m_settle, qOverload<>(&QTimer::start));
    connect(screen, &QScreen::logicalDotsPerInchChanged, &m_settle, qOverload<>(&QTimer::start));
}

void MonitorWatch::settled() {
    QList<MonitorInfo> layout = m_screen.monitors();
    if (layout == m_layout)
        return;
    m_layout = std::move(layout);
    m_changed();
}
