#include "MinuteCounter.h"

#include <QTest>

#include <limits>

class TestMinuteCounter : public QObject {
    Q_OBJECT
  private slots:
    // Minutes of ticks with the interval changed part way: the minutes after the
    // change (from 1) that end with an alarm; no event is ever due off a sixtieth tick.
    void alarmsEveryIntervalCountingOnAcrossChanges() {
        const QList<int> everyMinute{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
        for (const auto &[before, minutesBefore, after, expected] : {
                 std::tuple<qint32, int, qint32, QList<int>>{0, 0, 5, {5, 10, 15}},
                 {0, 0, 1, everyMinute},
                 {0, 0, 0, everyMinute}, // never set
                 {0, 0, std::numeric_limits<qint32>::min(), everyMinute},
                 {60, 10, 3, {1, 4, 7, 10, 13, 16}}, // lowered below the count: due at once
                 {3, 2, 5, {3, 8, 13}},              // raised: the minutes counted still count
                 {5, 3, 5, {2, 7, 12}},              // the same value again: nothing restarts
             }) {
            MinuteCounter counter;
            counter.alarmMinute = before;
            QList<int> alarms;
            for (int minute = 1 - minutesBefore; minute <= 16; ++minute) {
                if (minute == 1)
                    counter.alarmMinute = after;
                for (int second = 1; second <= 60; ++second) {
                    const MinuteCounter::Due due = counter.tick();
                    QVERIFY2(due.timer == (second == 60) && (!due.alarm || second == 60),
                             "event due off the minute boundary");
                    if (due.alarm)
                        alarms << minute;
                }
            }
            QCOMPARE(alarms, expected);
        }
    }
};

QTEST_APPLESS_MAIN(TestMinuteCounter)
#include "tst_minutecounter.moc"
