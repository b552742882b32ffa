#include "MinuteTimer.h"

#include <QTimer>

MinuteTimer::MinuteTimer(QObject *parent) : QObject(parent), m_timer(new QTimer(this)) {
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &MinuteTimer::onTick);
    m_timer->start();
}

MinuteTimer::~MinuteTimer() {
    // The ticks end with the control, before its children are torn down.
    m_timer->stop();
}

void MinuteTimer::onTick() {
    const MinuteCounter::Due due = m_counter.tick();
    if (due.alarm)
        emit Alarm();
    if (due.timer)
        emit Timer();
}
