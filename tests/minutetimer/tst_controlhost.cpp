#include "ControlHost.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

const QString timerId = "Chronome.MinuteTimer";

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

class TestControlHost : public QObject {
    Q_OBJECT
  private slots:
    void loadsTheTimerThatTicksOnceASecondAndAlarmsBeforeTheMinute() {
        ControlHost host({QFileInfo(CHRONOME_FILE).path()});
        QObject owner;
        QString error = "stale";
        QObject *control = host.createControl(timerId, &owner, &error);
        QVERIFY2(control, qPrintable(error));
        QVERIFY(error.isEmpty());
        QCOMPARE(control->parent(), &owner);
        QCOMPARE(control->property("AlarmMinute").toInt(), 0);
        QVERIFY(control->setProperty("AlarmMinute", -3));
        QCOMPARE(control->property("AlarmMinute").toInt(), -3);

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

    void refusesABrokenLibraryNamingTheControl() {
        QTemporaryDir dir;
        const QString broken = dir.filePath(QFileInfo(CHRONOME_FILE).fileName());
        QVERIFY(QFile::copy(CHRONOME_FILE, broken) && QFile::resize(broken, 8192));
        ControlHost host({dir.path()});
        QObject owner;
        QString error;
        QVERIFY(!host.createControl(timerId, &owner, &error));
        QVERIFY(owner.children().isEmpty());
        for (const QString &part : {QString("\"Chronome.MinuteTimer\""),
                                    QString("ライブラリが壊れているか、プラグインではありません。"),
                                    QFileInfo(broken).fileName()})
            QVERIFY2(error.contains(part), qPrintable(error));
        QVERIFY(!host.createControl(timerId, &owner, nullptr));
    }
};

QTEST_GUILESS_MAIN(TestControlHost)
#include "tst_controlhost.moc"
