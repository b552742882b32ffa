#include "ControlHost.h"

#include <QDir>
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

    // Where the plugin may lie relative to the program's folder, and what the
    // user is told when the one there is unusable or none is there.
    void findsThePluginBesideOrInstalled_data() {
        QTest::addColumn<QString>("good");
        QTest::addColumn<QString>("broken");
        QTest::addColumn<QString>("error"); // empty: the control is made
        const QString installed = "bin/" MIRELL_PLUGIN_RELATIVE_DIR;
        const QString damaged = "ライブラリが壊れているか、プラグインではありません。";
        QTest::newRow("beside") << "bin"
                                << ""
                                << "";
        QTest::newRow("plugins folder") << "bin/plugins"
                                        << ""
                                        << "";
        QTest::newRow("installed") << installed << ""
                                   << "";
        QTest::newRow("broken beside, installed") << installed << "bin"
                                                  << "";
        QTest::newRow("broken installed") << "" << installed << damaged;
        QTest::newRow("none") << ""
                              << ""
                              << "No library offers it in:";
    }
    void findsThePluginBesideOrInstalled() {
        QFETCH(QString, good);
        QFETCH(QString, broken);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString name = QFileInfo(CHRONOME_FILE).fileName();
        for (const QString &folder : {good, broken}) {
            const QString file = QDir::cleanPath(dir.filePath(folder + "/" + name));
            QVERIFY(folder.isEmpty() ||
                    (QDir().mkpath(QFileInfo(file).path()) && QFile::copy(CHRONOME_FILE, file)));
            QVERIFY(folder != broken || folder.isEmpty() || QFile::resize(file, 8192));
        }
        ControlHost host(
            ControlHost::programFolders(dir.filePath("bin"), MIRELL_PLUGIN_RELATIVE_DIR));
        QObject owner;
        QString message;
        QObject *control = host.createControl(timerId, &owner, &message);
        QCOMPARE(control != nullptr, error.isEmpty());
        QCOMPARE(owner.children().size(), error.isEmpty() ? 1 : 0);
        for (const QString &part : {QString("\"Chronome.MinuteTimer\""), error})
            QVERIFY2(error.isEmpty() ? message.isEmpty() : message.contains(part),
                     qPrintable(message));
    }
};

QTEST_GUILESS_MAIN(TestControlHost)
#include "tst_controlhost.moc"
