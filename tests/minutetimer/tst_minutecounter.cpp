#include "MinuteCounter.h"

#include <QTest>

#include <limits>

namespace {

// Runs whole minutes of ticks and returns the minutes (from 1) that ended with
// an alarm. Fails the test when an event is due anywhere but on a sixtieth tick.
QList<int> runMinutes(MinuteCounter &counter, int minutes) {
    QList<int> alarms;
    for (int minute = 1; minute <= minutes; ++minute)
        for (int second = 1; second <= 60; ++second) {
            const MinuteCounter::Due due = counter.tick();
            if (due.timer != (second == 60) || (due.alarm && second != 60)) {
                QTest::qFail("event due off the minute boundary", __FILE__, __LINE__);
                return {};
            }
            if (due.alarm)
                alarms << minute;
        }
    return alarms;
}

const QList<int> everyMinute{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

} // namespace

class TestMinuteCounter : public QObject {
    Q_OBJECT
  private slots:
    void alarmsEveryIntervalCountingOnAcrossChanges_data() {
        QTest::addColumn<qint32>("before");
        QTest::addColumn<int>("minutesBefore");
        QTest::addColumn<qint32>("after");
        QTest::addColumn<QList<int>>("alarmsAfter"); // in the 16 minutes from the change
        QTest::newRow("5") << 0 << 0 << 5 << QList<int>{5, 10, 15};
        QTest::newRow("1") << 0 << 0 << 1 << everyMinute;
        QTest::newRow("0 (never set)") << 0 << 0 << 0 << everyMinute;
        QTest::newRow("most negative")
            << 0 << 0 << std::numeric_limits<qint32>::min() << everyMinute;
        // Lowered below the count: due at the very next minute, then regular.
        QTest::newRow("60 to 3 after 10") << 60 << 10 << 3 << QList<int>{1, 4, 7, 10, 13, 16};
        // Raised: the minutes already counted still count towards it.
        QTest::newRow("3 to 5 after 2") << 3 << 2 << 5 << QList<int>{3, 8, 13};
        // Rewritten with the same value: nothing restarts.
        QTest::newRow("5 to 5 after 3") << 5 << 3 << 5 << QList<int>{2, 7, 12};
    }

    void alarmsEveryIntervalCountingOnAcrossChanges() {
        QFETCH(qint32, before);
        QFETCH(int, minutesBefore);
        QFETCH(qint32, after);
        QFETCH(QList<int>, alarmsAfter);
        MinuteCounter counter;
        counter.alarmMinute = before;
        QCOMPARE(runMinutes(counter, minutesBefore), QList<int>{});
        counter.alarmMinute = after;
        QCOMPARE(runMinutes(counter, 16), alarmsAfter);
    }
};

QTEST_APPLESS_MAIN(TestMinuteCounter)
#include "tst_minutecounter.moc"
