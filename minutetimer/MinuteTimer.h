#pragma once

#include "MinuteCounter.h"

#include <QObject>

class QTimer;

// Counts minutes on its own one-second timer ("Timer1") and raises Timer at
// the end of every minute and Alarm every AlarmMinute minutes, Alarm first
// when both fall on the same minute. The host reaches it only through the
// meta-object: the property and the two signals.
class MinuteTimer : public QObject {
    Q_OBJECT
    Q_PROPERTY(qint32 AlarmMinute READ alarmMinute WRITE setAlarmMinute)
    // Read-only, so that a host can tell when the next alarm is due.
    Q_PROPERTY(qint32 MinuteCount READ minuteCount)
    Q_PROPERTY(qint32 TickCount READ tickCount)
  public:
    explicit MinuteTimer(QObject *parent = nullptr);
    ~MinuteTimer() override;

    qint32 alarmMinute() const { return m_counter.alarmMinute; }
    // Leaves the tick and minute counts alone: minutes already counted keep
    // counting towards the new value.
    void setAlarmMinute(qint32 minutes) { m_counter.alarmMinute = minutes; }
    qint32 minuteCount() const { return m_counter.minutes; }
    qint32 tickCount() const { return m_counter.ticks; }

  signals:
    void Timer();
    void Alarm();

  private:
    void onTick();

    MinuteCounter m_counter;
    QTimer *m_timer;
};
