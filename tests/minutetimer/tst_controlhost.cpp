#include "ControlHost.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

const QString timerId = "Chronome.MinuteTimer";

bool copyInto(const QString &file, const QString &folder) {
    return QFile::copy(file, folder + '/' + QFileInfo(file).fileName());
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size();
}

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
    void createsTimerPastNearMissesAndTicksOnceASecond() {
        // The first folder holds only files that list the identifier or are
        // named like the library; only the copy in the second can make it.
        QTemporaryDir dir;
        const QString plugins = dir.filePath("plugins");
        QVERIFY(QDir(dir.path()).mkdir("plugins"));
        QVERIFY(writeFile(dir.filePath(QFileInfo(CHRONOME_FILE).fileName()), "MZ not really"));
        for (const char *fake : {FAKE_FOREIGN_FILE, FAKE_LIAR_FILE, FAKE_NULLFACTORY_FILE})
            QVERIFY(copyInto(fake, dir.path()));
        QVERIFY(copyInto(CHRONOME_FILE, plugins));

        ControlHost host({dir.path(), plugins});
        QObject owner;
        QString error = "stale";
        QPointer<QObject> control = host.createControl(timerId, &owner, &error);
        QVERIFY2(control, qPrintable(error));
        QVERIFY(error.isEmpty());
        QCOMPARE(control->parent(), &owner);
        QCOMPARE(control->property("AlarmMinute").toInt(), 0);
        for (const int value : {5, -3, 999}) {
            QVERIFY(control->setProperty("AlarmMinute", value));
            QCOMPARE(control->property("AlarmMinute").toInt(), value);
        }

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
    }

    void raisesAlarmBeforeTimerAndKeepsCountingOnPropertyWrites() {
        ControlHost host({MIRELL_BIN_DIR});
        std::unique_ptr<QObject> control(host.createControl(timerId, nullptr, nullptr));
        QVERIFY(control);
        auto *timer1 = control->findChild<QTimer *>("Timer1");
        QVERIFY(timer1);
        timer1->stop(); // ticks from here on are the test's own
        const auto tick = [timer1](int count) {
            for (int i = 0; i < count; ++i)
                QMetaObject::invokeMethod(timer1, "timeout", Qt::DirectConnection);
        };
        EventLog log; // connected by name, as the program does
        QVERIFY(connect(control.get(), SIGNAL(Alarm()), &log, SLOT(onAlarm())));
        QVERIFY(connect(control.get(), SIGNAL(Timer()), &log, SLOT(onTimer())));

        QVERIFY(control->setProperty("AlarmMinute", 2));
        tick(90);
        QCOMPARE(log.events, QStringList{"Timer"});
        // The same value again, mid-minute: neither seconds nor minutes restart.
        QVERIFY(control->setProperty("AlarmMinute", 2));
        tick(30);
        QCOMPARE(log.events, QStringList({"Timer", "Alarm", "Timer"}));

        // Lowered below the minutes counted: due at the next boundary.
        log.events.clear();
        QVERIFY(control->setProperty("AlarmMinute", 60));
        tick(60 * 3);
        QVERIFY(control->setProperty("AlarmMinute", 1));
        tick(60);
        QCOMPARE(log.events, QStringList({"Timer", "Timer", "Timer", "Alarm", "Timer"}));
    }

    void refusesWithoutUsableLibrary_data() {
        QTest::addColumn<QString>("content");  // what the folder holds
        QTest::addColumn<QString>("mentions"); // besides the identifier; empty: the folder
        QTest::newRow("missing folder") << QString("missing") << QString();
        QTest::newRow("truncated library") << QString("truncated") << QString("Chronome");
        QTest::newRow("library without the identifier") << CHRONOME_FILE << QString();
        QTest::newRow("foreign interface") << FAKE_FOREIGN_FILE << "org.example.Foreign/1.0";
        QTest::newRow("interface claimed, not offered") << FAKE_LIAR_FILE << "does not offer";
        QTest::newRow("factory that creates nothing") << FAKE_NULLFACTORY_FILE << "did not create";
    }

    void refusesWithoutUsableLibrary() {
        QFETCH(QString, content);
        QFETCH(QString, mentions);
        const QString progId = content == CHRONOME_FILE ? "Chronome.Stopwatch" : timerId;
        QTemporaryDir dir;
        QString folder = dir.path();
        const QString likeLibrary = dir.filePath(QFileInfo(CHRONOME_FILE).fileName());
        if (content == "missing")
            folder = dir.filePath("nowhere");
        else if (content == "truncated")
            QVERIFY(QFile::copy(CHRONOME_FILE, likeLibrary) && QFile::resize(likeLibrary, 8192));
        else
            QVERIFY(copyInto(content, folder));

        ControlHost host({folder});
        QObject owner;
        QString error;
        QVERIFY(!host.createControl(progId, &owner, &error));
        QVERIFY(owner.children().isEmpty());
        QVERIFY2(error.contains('"' + progId + '"'), qPrintable(error));
        QVERIFY2(error.contains(mentions.isEmpty() ? QDir::toNativeSeparators(folder) : mentions),
                 qPrintable(error));
        // Refusing must not depend on the caller wanting the text.
        QVERIFY(!host.createControl(progId, &owner, nullptr));
    }
};

QTEST_GUILESS_MAIN(TestControlHost)
#include "tst_controlhost.moc"
