#include "ControlHost.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMetaMethod>
#include <QPointer>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

const QString timerId = QStringLiteral("Chronome.MinuteTimer");

QString pluginSuffix() {
    return QLatin1Char('.') + QFileInfo(QStringLiteral(CHRONOME_FILE)).suffix();
}

bool copyInto(const QString &file, const QString &folder, QString name = {}) {
    if (name.isEmpty())
        name = QFileInfo(file).fileName();
    return QFile::copy(file, folder + QLatin1Char('/') + name);
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size();
}

// Receives the control's events through its meta-object, as the program
// does, and keeps them in order.
class EventLog : public QObject {
    Q_OBJECT
  public:
    QStringList events;
    bool listenTo(QObject *control) {
        return connectByName(control, "Alarm()", "onAlarm()") &&
               connectByName(control, "Timer()", "onTimer()");
    }
  public slots:
    void onAlarm() { events << QStringLiteral("Alarm"); }
    void onTimer() { events << QStringLiteral("Timer"); }

  private:
    bool connectByName(QObject *control, const char *signal, const char *slot) {
        const QMetaObject *source = control->metaObject();
        const int signalIndex = source->indexOfSignal(signal);
        const int slotIndex = metaObject()->indexOfSlot(slot);
        if (signalIndex < 0 || slotIndex < 0)
            return false;
        return bool(QObject::connect(control, source->method(signalIndex), this,
                                     metaObject()->method(slotIndex)));
    }
};

} // namespace

class TestControlHost : public QObject {
    Q_OBJECT
  private slots:
    void createsTimerFromBuiltPlugin();
    void countsTicksIntoEventsInOrder();
    void ticksOnceASecond();
    void refusesWithoutUsableLibrary_data();
    void refusesWithoutUsableLibrary();
    void passesOverNearMissesToLaterFolder();
};

void TestControlHost::createsTimerFromBuiltPlugin() {
    ControlHost host({QStringLiteral(MIRELL_BIN_DIR)});
    QObject owner;
    QString error = QStringLiteral("stale");
    QPointer<QObject> control = host.createControl(timerId, &owner, &error);
    QVERIFY2(control, qPrintable(error));
    QVERIFY(error.isEmpty());
    QCOMPARE(control->parent(), &owner);

    QCOMPARE(control->property("AlarmMinute").toInt(), 0);
    for (const int value : {5, -3, 999, 0}) {
        QVERIFY(control->setProperty("AlarmMinute", value));
        QCOMPARE(control->property("AlarmMinute").toInt(), value);
    }

    auto *timer1 = control->findChild<QTimer *>(QStringLiteral("Timer1"));
    QVERIFY(timer1);
    QCOMPARE(timer1->interval(), 1000);
    QVERIFY(timer1->isActive());
}

void TestControlHost::countsTicksIntoEventsInOrder() {
    ControlHost host({QStringLiteral(MIRELL_BIN_DIR)});
    std::unique_ptr<QObject> control(host.createControl(timerId, nullptr, nullptr));
    QVERIFY(control);
    auto *timer1 = control->findChild<QTimer *>(QStringLiteral("Timer1"));
    QVERIFY(timer1);
    timer1->stop(); // ticks from here on are the test's own

    EventLog log;
    QVERIFY(log.listenTo(control.get()));
    QVERIFY(control->setProperty("AlarmMinute", 2));
    const auto tick = [timer1](int count) {
        for (int i = 0; i < count; ++i)
            QMetaObject::invokeMethod(timer1, "timeout", Qt::DirectConnection);
    };

    tick(90);
    QCOMPARE(log.events, QStringList{QStringLiteral("Timer")});
    // Rewriting the same value halfway through the second minute restarts
    // neither the seconds nor the minutes.
    QVERIFY(control->setProperty("AlarmMinute", 2));
    tick(30);
    QCOMPARE(log.events, (QStringList{QStringLiteral("Timer"), QStringLiteral("Alarm"),
                                      QStringLiteral("Timer")}));

    // Lowered below the minutes counted: due at the next boundary.
    log.events.clear();
    QVERIFY(control->setProperty("AlarmMinute", 60));
    tick(60 * 3);
    QVERIFY(control->setProperty("AlarmMinute", 1));
    tick(60);
    QCOMPARE(log.events,
             (QStringList{QStringLiteral("Timer"), QStringLiteral("Timer"), QStringLiteral("Timer"),
                          QStringLiteral("Alarm"), QStringLiteral("Timer")}));
}

void TestControlHost::ticksOnceASecond() {
    ControlHost host({QStringLiteral(MIRELL_BIN_DIR)});
    std::unique_ptr<QObject> control(host.createControl(timerId, nullptr, nullptr));
    QVERIFY(control);
    auto *timer1 = control->findChild<QTimer *>(QStringLiteral("Timer1"));
    QVERIFY(timer1);
    QSignalSpy ticks(timer1, &QTimer::timeout);
    QElapsedTimer clock;
    clock.start();
    QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= 3, 20000);
    const qint64 elapsed = clock.elapsed();
    // Coarse timers may fire a little early; a slow machine only makes it later.
    QVERIFY2(elapsed >= 2500, qPrintable(QString::number(elapsed)));
    QVERIFY2(ticks.count() <= elapsed / 900 + 1,
             qPrintable(QStringLiteral("%1 ticks in %2 ms").arg(ticks.count()).arg(elapsed)));
}

void TestControlHost::refusesWithoutUsableLibrary_data() {
    QTest::addColumn<QString>("progId");
    QTest::addColumn<QString>("content"); // what the folder holds
    QTest::addColumn<QString>("mentions");
    QTest::newRow("empty folder") << timerId << QString() << QString();
    QTest::newRow("missing folder") << timerId << QStringLiteral("missing") << QString();
    QTest::newRow("empty file named like the library")
        << timerId << QStringLiteral("empty") << QStringLiteral("Chronome");
    QTest::newRow("noise named like the library")
        << timerId << QStringLiteral("noise") << QStringLiteral("Chronome");
    QTest::newRow("truncated copy of the library")
        << timerId << QStringLiteral("truncated") << QStringLiteral("Chronome");
    QTest::newRow("library without the identifier")
        << QStringLiteral("Chronome.Stopwatch") << QStringLiteral("chronome") << QString();
    QTest::newRow("identifier under a foreign interface")
        << timerId << QStringLiteral("foreign") << QStringLiteral("org.example.Foreign/1.0");
    QTest::newRow("interface claimed, not offered")
        << timerId << QStringLiteral("liar") << QStringLiteral("does not offer");
    QTest::newRow("factory that creates nothing")
        << timerId << QStringLiteral("nullfactory") << QStringLiteral("did not create");
}

void TestControlHost::refusesWithoutUsableLibrary() {
    QFETCH(QString, progId);
    QFETCH(QString, content);
    QFETCH(QString, mentions);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString folder = dir.path();
    const QString namedLikeLibrary = dir.filePath(QStringLiteral("Chronome") + pluginSuffix());
    QFile real(QStringLiteral(CHRONOME_FILE));
    QVERIFY(real.open(QIODevice::ReadOnly));
    const QByteArray realBytes = real.readAll();

    if (content == QLatin1String("missing")) {
        folder = dir.filePath(QStringLiteral("nowhere"));
    } else if (content == QLatin1String("empty")) {
        QVERIFY(writeFile(namedLikeLibrary, {}));
    } else if (content == QLatin1String("noise")) {
        QByteArray noise(64 * 1024, Qt::Uninitialized);
        QRandomGenerator random(20240607);
        for (char &byte : noise)
            byte = char(random.bounded(256));
        QVERIFY(writeFile(namedLikeLibrary, noise));
    } else if (content == QLatin1String("truncated")) {
        QVERIFY(writeFile(namedLikeLibrary, realBytes.left(8 * 1024)));
    } else if (content == QLatin1String("chronome")) {
        QVERIFY(copyInto(real.fileName(), folder));
    } else if (content == QLatin1String("foreign")) {
        QVERIFY(copyInto(QStringLiteral(FAKE_FOREIGN_FILE), folder));
    } else if (content == QLatin1String("liar")) {
        QVERIFY(copyInto(QStringLiteral(FAKE_LIAR_FILE), folder));
    } else if (content == QLatin1String("nullfactory")) {
        QVERIFY(copyInto(QStringLiteral(FAKE_NULLFACTORY_FILE), folder));
    }

    ControlHost host({folder});
    QObject owner;
    QString error;
    QObject *control = host.createControl(progId, &owner, &error);
    QVERIFY(!control);
    QVERIFY(owner.children().isEmpty());
    QVERIFY2(error.contains(QLatin1Char('"') + progId + QLatin1Char('"')), qPrintable(error));
    if (!mentions.isEmpty())
        QVERIFY2(error.contains(mentions), qPrintable(error));
    else
        QVERIFY2(error.contains(QDir::toNativeSeparators(folder)), qPrintable(error));
    // The caller may not want the text; refusing must not depend on it.
    QVERIFY(!host.createControl(progId, &owner, nullptr));
}

void TestControlHost::passesOverNearMissesToLaterFolder() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString plugins = dir.filePath(QStringLiteral("plugins"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("plugins")));
    // Everything in the first folder lists the identifier or is named like
    // the library; only the copy in the second folder can make the control.
    QVERIFY(writeFile(dir.filePath(QStringLiteral("Chronome") + pluginSuffix()), "MZ not really"));
    QVERIFY(copyInto(QStringLiteral(FAKE_FOREIGN_FILE), dir.path()));
    QVERIFY(copyInto(QStringLiteral(FAKE_LIAR_FILE), dir.path()));
    QVERIFY(copyInto(QStringLiteral(FAKE_NULLFACTORY_FILE), dir.path()));
    QVERIFY(copyInto(QStringLiteral(CHRONOME_FILE), plugins));

    ControlHost host({dir.path(), plugins});
    QString error = QStringLiteral("stale");
    std::unique_ptr<QObject> control(host.createControl(timerId, nullptr, &error));
    QVERIFY2(control, qPrintable(error));
    QVERIFY(error.isEmpty());
    QVERIFY(control->setProperty("AlarmMinute", 4));
    QCOMPARE(control->property("AlarmMinute").toInt(), 4);
}

QTEST_GUILESS_MAIN(TestControlHost)
#include "tst_controlhost.moc"
