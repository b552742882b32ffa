#include "ControlHost.h"
#include "DataTable.h"
#include "MinuteCounter.h"

#include <QtTest>

#include <filesystem>
#include <limits>

// The minute timer: its counting, and the plugin that carries it found and loaded.
class TestControlHost : public QObject {
    Q_OBJECT
    QStringList m_events; // the control's, in order

  public slots: // connected by name, as the program does
    void onAlarm() { m_events << "Alarm"; }
    void onTimer() { m_events << "Timer"; }

  private slots:
    // Minutes of ticks with the interval changed part way: the minutes after the
    // change (from 1) that end with an alarm; no event is ever due off a sixtieth tick.
    void alarmsEveryIntervalCountingOnAcrossChanges_data() {
        const auto row = addColumns<qint32, int, qint32, QList<int>>(
            {"before", "minutesBefore", "after", "expected"});
        const QList<int> everyMinute{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
        row("every 5", 0, 0, 5, {5, 10, 15});
        row("never set", 0, 0, 0, everyMinute);
        row("most negative", 0, 0, std::numeric_limits<qint32>::min(), everyMinute);
        row("lowered below the count: due at once", 60, 10, 3, {1, 4, 7, 10, 13, 16});
        row("raised: minutes counted still count", 3, 2, 5, {3, 8, 13});
    }
    void alarmsEveryIntervalCountingOnAcrossChanges() {
        QFETCH(qint32, before);
        QFETCH(int, minutesBefore);
        QFETCH(qint32, after);
        MinuteCounter counter{0, 0, before};
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
        QTEST(alarms, "expected");
    }

    void loadsTheTimerThatTicksEverySecondAndAlarmsBeforeTheMinute() {
        ControlHost host({QFileInfo(CHRONOME_FILE).path()});
        QObject owner;
        QString error = "stale";
        QObject *control = host.createControl("Chronome.MinuteTimer", &owner, &error);
        QVERIFY2(control && error.isEmpty() && control->parent() == &owner, qPrintable(error));
        auto *timer1 = control->findChild<QTimer *>("Timer1");
        QVERIFY(timer1 && timer1->isActive() && timer1->interval() == 1000);
        timer1->stop(); // ticks from here on are the test's own
        const auto tick = [timer1](int count) {
            while (count--)
                QMetaObject::invokeMethod(timer1, "timeout", Qt::DirectConnection);
        };
        QVERIFY(connect(control, SIGNAL(Alarm()), this, SLOT(onAlarm())) &&
                connect(control, SIGNAL(Timer()), this, SLOT(onTimer())));
        QVERIFY(control->setProperty("AlarmMinute", 2));
        tick(60 - control->property("TickCount").toInt() + 30);
        QCOMPARE(m_events, QStringList{"Timer"});
        // The same value again, mid-minute: neither seconds nor minutes restart.
        QVERIFY(control->setProperty("AlarmMinute", 2));
        tick(30);
        QCOMPARE(m_events, QStringList({"Timer", "Alarm", "Timer"}));
    }

    // Where the plugin may lie relative to the program's folder, and what the
    // user is told when the one there is unusable or none is there. The
    // program is a copy of this test, run from bin/ (or a folder whose name is
    // no UTF-8) with a good plugin planted in the current directory, which
    // must never be searched.
    void findsThePluginBesideOrInstalledOnly_data() {
        // good: below bin, null: none; error: empty when the control is made
        const auto row = addColumns<QByteArray, QByteArray, QByteArray, QString>(
            {"bin", "good", "broken", "error"});
        const char *installed = "/" MIRELL_PLUGIN_RELATIVE_DIR;
        row("in plugins", "bin", "/plugins", nullptr, "");
        row("broken copy beside passed over", "bin", installed, "", "");
        row("only a broken copy", "bin", nullptr, installed,
            "ライブラリが壊れているか、プラグインではありません。");
        row("none", "bin", nullptr, nullptr, "No library offers it in:");
        row("non-UTF-8 folder", "bin\xff", "", nullptr, "The program's own folder cannot be found");
    }
    void findsThePluginBesideOrInstalledOnly() {
        QFETCH(QByteArray, bin);
        QFETCH(QByteArray, good);
        QFETCH(QByteArray, broken);
        QFETCH(QString, error);
        namespace fs = std::filesystem;
        QTemporaryDir dir;
        const fs::path root(QFile::encodeName(dir.path()).toStdString());
        const auto remove = qScopeGuard([&] { fs::remove_all(root); }); // by bytes, as made
        const fs::path program = root / bin.toStdString();
        // Folders by bytes: the decoded name of a non-UTF-8 one is another folder.
        const auto plant = [](const fs::path &folder, bool whole) {
            const fs::path file = folder / QFileInfo(CHRONOME_FILE).fileName().toStdString();
            fs::create_directories(folder);
            fs::copy_file(CHRONOME_FILE, file);
            if (!whole)
                fs::resize_file(file, 8192);
        };
        for (const auto &[below, whole] : {std::pair{good, true}, {broken, false}})
            if (!below.isNull())
                plant(program.string() + below.toStdString(), whole);
        plant(root / "cwd", true);
        plant(root / "cwd/plugins", true);
        fs::create_directories(program);
        fs::copy_file(QCoreApplication::applicationFilePath().toStdString(), program / "probe");
        // QProcess wants the program's name as text; the link spells it in ASCII.
        std::error_code noLinks;
        fs::create_symlink(program / "probe", root / "probe", noLinks);
        if (noLinks)
            QSKIP("no symbolic links on this system (wine)");

        qputenv("MIRELL_PLUGIN_PROBE", "1"); // read by the copy's main() only
        QProcess probe;
        probe.setWorkingDirectory(dir.filePath("cwd"));
        probe.start(dir.filePath("probe"));
        QVERIFY(probe.waitForFinished(60000));
        const QString message = QString::fromUtf8(probe.readAllStandardOutput());
        QCOMPARE(probe.exitCode() == 0, error.isEmpty());
        QVERIFY2(message.contains(error) && message.isEmpty() == error.isEmpty() &&
                     (error.isEmpty() || message.contains("\"Chronome.MinuteTimer\"")),
                 qPrintable(message));
    }
};

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("MIRELL_PLUGIN_PROBE")) { // as the program makes its timer
        QString error;
        const bool made = ControlHost().createControl("Chronome.MinuteTimer", &app, &error);
        fputs(qPrintable(error), stdout);
        return made ? 0 : 1;
    }
    TestControlHost test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_controlhost.moc"
