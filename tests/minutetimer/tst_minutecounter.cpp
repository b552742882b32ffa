#include "MinuteCounter.h"

#include <QTest>

#include <limits>

namespace {

// Runs whole minutes of ticks and returns the minutes (counted from 1 at the
// first minute run here) that ended with an alarm. Fails the test when Timer
// is due anywhere but on every sixtieth tick.
QList<int> runMinutes(MinuteCounter &counter, int minutes) {
    QList<int> alarms;
    for (int minute = 1; minute <= minutes; ++minute) {
        for (int second = 1; second <= 60; ++second) {
            const MinuteCounter::Due due = counter.tick();
            const bool endOfMinute = second == 60;
            if (due.timer != endOfMinute) {
                QTest::qFail("Timer due off the minute boundary", __FILE__, __LINE__);
                return {};
            }
            if (due.alarm && !endOfMinute) {
                QTest::qFail("Alarm due inside a minute", __FILE__, __LINE__);
                return {};
            }
            if (due.alarm)
                alarms << minute;
        }
    }
    return alarms;
}

QList<int> everyMinute(int count) {
    QList<int> minutes;
    for (int m = 1; m <= count; ++m)
        minutes << m;
    return minutes;
}

} // namespace

class TestMinuteCounter : public QObject {
    Q_OBJECT
  private slots:
    void alarmsEveryIntervalFromStart_data();
    void alarmsEveryIntervalFromStart();
    void newIntervalCountsOnFromMinutesAlreadyCounted_data();
    void newIntervalCountsOnFromMinutesAlreadyCounted();
};

void TestMinuteCounter::alarmsEveryIntervalFromStart_data() {
    QTest::addColumn<qint32>("alarmMinute");
    QTest::addColumn<QList<int>>("alarms");
    QTest::newRow("5") << 5 << QList<int>{5, 10, 15};
    QTest::newRow("7") << 7 << QList<int>{7, 14};
    QTest::newRow("1") << 1 << everyMinute(16);
    QTest::newRow("0 (never set)") << 0 << everyMinute(16);
    QTest::newRow("-1") << -1 << everyMinute(16);
    QTest::newRow("most negative") << std::numeric_limits<qint32>::min() << everyMinute(16);
    QTest::newRow("longer than the run") << 999 << QList<int>{};
}

void TestMinuteCounter::alarmsEveryIntervalFromStart() {
    QFETCH(qint32, alarmMinute);
    QFETCH(QList<int>, alarms);
    MinuteCounter counter;
    counter.alarmMinute = alarmMinute;
    QCOMPARE(runMinutes(counter, 16), alarms);
}

void TestMinuteCounter::newIntervalCountsOnFromMinutesAlreadyCounted_data() {
    QTest::addColumn<qint32>("before");
    QTest::addColumn<int>("minutesBefore");
    QTest::addColumn<qint32>("after");
    QTest::addColumn<QList<int>>("alarmsAfter"); // counted from the change
    // Lowered below the count: due at the very next minute, then regular.
    QTest::newRow("60 to 3 after 10") << 60 << 10 << 3 << QList<int>{1, 4, 7, 10};
    // Lowered to exactly the count: still only due at the next boundary.
    QTest::newRow("60 to 10 after 10") << 60 << 10 << 10 << QList<int>{1, 11};
    // Raised: the minutes already counted still count towards it.
    QTest::newRow("3 to 5 after 2") << 3 << 2 << 5 << QList<int>{3, 8};
    // Rewritten with the same value: nothing restarts.
    QTest::newRow("5 to 5 after 3") << 5 << 3 << 5 << QList<int>{2, 7};
}

void TestMinuteCounter::newIntervalCountsOnFromMinutesAlreadyCounted() {
    QFETCH(qint32, before);
    QFETCH(int, minutesBefore);
    QFETCH(qint32, after);
    QFETCH(QList<int>, alarmsAfter);
    MinuteCounter counter;
    counter.alarmMinute = before;
    QCOMPARE(runMinutes(counter, minutesBefore), QList<int>{});
    counter.alarmMinute = after;
    QCOMPARE(runMinutes(counter, 11), alarmsAfter);
}

QTEST_APPLESS_MAIN(TestMinuteCounter)
#include "tst_minutecounter.moc"
