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
        const auto row = [](const char *name, const QString &good, const QString &broken,
                            const QString &error) {
            QTest::newRow(name) << good << broken << error;
        };
        const QString installed = "bin/" MIRELL_PLUGIN_RELATIVE_DIR;
        row("beside", "bin", "", "");
        row("installed", installed, "", "");
        row("broken beside, installed", installed, "bin", "");
        row("broken installed", "", installed,
            "ライブラリが壊れているか、プラグインではありません。");
        row("none", "", "", "No library offers it in:");
    }
    void findsThePluginBesideOrInstalled() {
        QFETCH(QString, good);
        QFETCH(QString, broken);
        QFETCH(QString, error);
        QTemporaryDir dir;
        for (const QString &folder : {good, broken}) {
            const QString file = dir.filePath(folder + "/" + QFileInfo(CHRONOME_FILE).fileName());
            QVERIFY(folder.isEmpty() ||
                    (QDir().mkpath(QFileInfo(file).path()) && QFile::copy(CHRONOME_FILE, file) &&
                     (folder == good || QFile::resize(file, 8192))));
        }
        ControlHost host(
            ControlHost::programFolders(dir.filePath("bin"), MIRELL_PLUGIN_RELATIVE_DIR));
        QObject owner;
        QString message;
        QCOMPARE(host.createControl(timerId, &owner, &message) != nullptr, error.isEmpty());
        QCOMPARE(owner.children().size(), error.isEmpty() ? 1 : 0);
        for (const QString &part : {QString("\"Chronome.MinuteTimer\""), error})
            QVERIFY2(error.isEmpty() ? message.isEmpty() : message.contains(part),
                     qPrintable(message));
    }
};

QTEST_GUILESS_MAIN(TestControlHost)
#include "tst_controlhost.moc"
