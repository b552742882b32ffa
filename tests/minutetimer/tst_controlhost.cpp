#include "ControlHost.h"
#include "MinuteCounter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <limits>

namespace {
// Keeps the control's events in order.
class EventLog : public QObject {
    Q_OBJECT
  public:
    QStringList events;
  public slots:
    void onAlarm() { events << "Alarm"; }
    void onTimer() { events << "Timer"; }
};
} // namespace

// The minute timer: its counting, and the plugin that carries it found and loaded.
class TestControlHost : public QObject {
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

    void loadsTheTimerThatTicksOnceASecondAndAlarmsBeforeTheMinute() {
        ControlHost host({QFileInfo(CHRONOME_FILE).path()});
        QObject owner;
        QString error = "stale";
        QObject *control = host.createControl("Chronome.MinuteTimer", &owner, &error);
        QVERIFY2(control && error.isEmpty() && control->parent() == &owner, qPrintable(error));
        auto *timer1 = control->findChild<QTimer *>("Timer1");
        QVERIFY(timer1);
        QSignalSpy ticks(timer1, &QTimer::timeout);
        QElapsedTimer clock;
        clock.start();
        QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= 3, 20000);
        const qint64 elapsed = clock.elapsed();
        // Coarse timers may fire a little early; a slow machine only makes it later.
        QVERIFY2(elapsed >= 2500 && ticks.count() <= elapsed / 900 + 1,
                 qPrintable(QString("%1 ticks in %2 ms").arg(ticks.count()).arg(elapsed)));

        timer1->stop(); // ticks from here on are the test's own
        const auto tick = [timer1](qsizetype count) {
            for (qsizetype i = 0; i < count; ++i)
                QMetaObject::invokeMethod(timer1, "timeout", Qt::DirectConnection);
        };
        EventLog log; // connected by name, as the program does
        QVERIFY(connect(control, SIGNAL(Alarm()), &log, SLOT(onAlarm())));
        QVERIFY(connect(control, SIGNAL(Timer()), &log, SLOT(onTimer())));
        QVERIFY(control->setProperty("AlarmMinute", 2));
        tick(60 - ticks.count() + 30);
        QCOMPARE(log.events, QStringList{"Timer"});
        // The same value again, mid-minute: neither seconds nor minutes restart.
        QVERIFY(control->setProperty("AlarmMinute", 2));
        tick(30);
        QCOMPARE(log.events, QStringList({"Timer", "Alarm", "Timer"}));
    }

    // Where the plugin may lie relative to the program's folder, and what the
    // user is told when the one there is unusable or none is there.
    void findsThePluginBesideOrInstalled() {
        const QString installed = "bin/" MIRELL_PLUGIN_RELATIVE_DIR;
        for (auto [good, broken, error] :
             {// error empty: the control is made
              std::tuple<QString, QString, QString>{"bin", "", ""},
              {installed, "", ""},
              {installed, "bin", ""},
              {"", installed, "ライブラリが壊れているか、プラグインではありません。"},
              {"", "", "No library offers it in:"}}) {
            QTemporaryDir dir;
            for (const QString &folder : {good, broken}) {
                const QString file =
                    dir.filePath(folder + "/" + QFileInfo(CHRONOME_FILE).fileName());
                QVERIFY(folder.isEmpty() || (QDir().mkpath(QFileInfo(file).path()) &&
                                             QFile::copy(CHRONOME_FILE, file) &&
                                             (folder == good || QFile::resize(file, 8192))));
            }
            ControlHost host(
                ControlHost::programFolders(dir.filePath("bin"), MIRELL_PLUGIN_RELATIVE_DIR));
            QObject owner;
            QString message;
            const bool made = host.createControl("Chronome.MinuteTimer", &owner, &message);
            QVERIFY2(made == error.isEmpty() && owner.children().size() == int(made),
                     qPrintable(good + '|' + broken));
            QVERIFY2(made ? message.isEmpty()
                          : message.contains("\"Chronome.MinuteTimer\"") && message.contains(error),
                     qPrintable(message));
        }
    }
};

QTEST_GUILESS_MAIN(TestControlHost)
#include "tst_controlhost.moc"
