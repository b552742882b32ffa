// The rotator without any window: what the timer, the tray, OK and the
// commands of a second start put on the desktop, and what the tip says.
#include "FolderIndex.h"
#include "RotatorRig.h"

#include <QSignalSpy>
#include <QtTest>

// Like the plugin's minute timer, reached only through the meta-object.
class FakeTimer : public QObject {
    Q_OBJECT
    Q_PROPERTY(int AlarmMinute MEMBER alarmMinute)
    Q_PROPERTY(int MinuteCount MEMBER minutes)
    Q_PROPERTY(int TickCount MEMBER ticks)
  public:
    int alarmMinute = -1, minutes = 0, ticks = 0;
    void fire() { emit Alarm(); }
  signals:
    void Alarm();
};

// What OK puts on the desktop (picture 1-based, 0 for none) and whether it records it.
struct OkCase {
    int order, current, confirmed;
    bool switched;
    int count;
    double random;
    int picture;
    bool writes;
};
Q_DECLARE_METATYPE(OkCase)

namespace {

struct Rig : RotatorRig {
    FakeTimer *timer = new FakeTimer;
    QStringList p, titles; // the stored pictures, what labCurr was told

    Rig(int pictures, const QMap<QString, QString> &settings = {}) {
        p = storePictures(pictures);
        for (auto it = settings.begin(); it != settings.end(); ++it)
            store.set("Setting", it.key(), it.value());
        QObject::connect(&rotator, &WallpaperRotator::currentChanged,
                         [this](auto &title) { titles << title; });
        rotator.load(historyFile());
        rotator.setTimer(timer);
        store.clearPuts();
    }
    QString current() const { return store.value("Setting", "Current"); }
    QString currentTitle() const { return rotator.currentTitle(); }
    // 1-based numbers of the given pictures, as "1 2 3".
    QString numbers(const QStringList &paths) const {
        QStringList out;
        for (const QString &path : paths)
            out << QString::number(p.indexOf(path) + 1);
        return out.join(' ');
    }
};

} // namespace

class TestRotator : public QObject {
    Q_OBJECT
  private slots:
    void timerMenuButtonAndPause() {
        Rig rig(3, {{"Current", "2"}, {"MirellTime", "7"}});
        QCOMPARE(rig.timer->alarmMinute, 7);
        QCOMPARE(rig.rotator.currentTitle(), QStringLiteral("p2.png"));
        rig.timer->alarmMinute = -1; // a step by hand must leave the timer alone
        rig.rotator.RotationStep();
        QCOMPARE(rig.timer->alarmMinute, -1);
        rig.timer->fire();
        QCOMPARE(rig.current(), QStringLiteral("1"));
        rig.rotator.applyPicture(rig.rotator.pictures(), 1); // cmdLet on the second line
        QCOMPARE(rig.current(), QStringLiteral("2"));
        rig.rotator.setPaused(true);
        rig.timer->fire(); // switches nothing while paused
        QCOMPARE(rig.rotator.status().next, QDateTime());
        rig.rotator.RotationStep(); // "now" still works
        rig.rotator.setPaused(false);
        rig.timer->fire();
        QCOMPARE(rig.composed, QStringList({rig.p[2], rig.p[0], rig.p[1], rig.p[2], rig.p[0]}));
        QCOMPARE(rig.titles.last(), QStringLiteral("p1.png"));
        QCOMPARE(rig.store.unsyncedPuts(), 0);
    }

    // What OK puts on the desktop, by the stored order (0 list, 1 shuffle,
    // 2 random), the confirmed one and the length of the list it confirms;
    // the timer takes the new interval either way.
    void okComposes_data() {
        QTest::addColumn<OkCase>("c");
        QTest::newRow("same again") << OkCase{0, 3, 0, false, 5, 0.0, 3, false};
        QTest::newRow("order switched") << OkCase{0, 3, 2, true, 5, 0.9, 5, true};
        QTest::newRow("the last one again") << OkCase{0, 5, 0, false, 5, 0.0, 5, false};
        QTest::newRow("shown one removed") << OkCase{0, 4, 0, false, 2, 0.0, 1, false};
        QTest::newRow("all removed") << OkCase{0, 3, 0, false, 0, 0.0, 0, false};
        QTest::newRow("nothing chosen yet") << OkCase{1, 4, 1, false, 5, 0.0, 1, true};
        QTest::newRow("random switched") << OkCase{2, 4, 2, false, 5, 0.5, 3, true};
    }
    void okComposes() {
        QFETCH(OkCase, c);
        const auto [order, current, confirmed, switched, count, random, picture, writes] = c;
        Rig rig(5, {{"OrderMode", QString::number(order)}, {"Current", QString::number(current)}});
        rig.random.script({random});
        const PictureList all = rig.rotator.pictures();
        rig.rotator.setPictures({all.Files.mid(0, count), all.Titles.mid(0, count)});
        Settings record = rig.rotator.settings();
        record.OrderMode = qint16(confirmed);
        record.MirellTime = 9;
        rig.rotator.confirm(record, switched);
        QCOMPARE(rig.timer->alarmMinute, 9);
        QCOMPARE(rig.composed, picture ? QStringList{rig.p[picture - 1]} : QStringList());
        QCOMPARE(rig.rotator.currentTitle(), picture ? rig.titles.value(0) : QString());
        QCOMPARE(rig.store.puts().isEmpty(), !writes);
        if (writes)
            QCOMPARE(rig.current(), QString::number(picture));
    }

    // Going back and forth over four pictures in list order. Script: n the
    // tray's "now", b back, t the timer, f a timer step the desktop refuses,
    // r a restart, d a damaged history file, x the window removing the
    // second picture, X removing the one on the desktop.
    void history_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("history"); // newest first
        QTest::newRow("forward") << "n n n"
                                 << "1 2 3"
                                 << "3 2 1";
        QTest::newRow("back") << "n n n b b"
                              << "1 2 3 2 1"
                              << "3 2 1";
        QTest::newRow("back past the oldest") << "n n b b"
                                              << "1 2 1"
                                              << "2 1";
        QTest::newRow("forward past the newest") << "n n n b b n n n"
                                                 << "1 2 3 2 1 2 3 4"
                                                 << "4 3 2 1";
        QTest::newRow("timed switch while back") << "n n n b b t"
                                                 << "1 2 3 2 1 4"
                                                 << "4 3 2 1";
        QTest::newRow("failed switch") << "n f n b"
                                       << "1 3 1"
                                       << "3 1";
        QTest::newRow("restart") << "n n r b"
                                 << "1 2 1"
                                 << "2 1";
        QTest::newRow("restart while back") << "n n b r n n"
                                            << "1 2 1 2 3"
                                            << "3 2 1";
        QTest::newRow("damaged file") << "n n d r b n"
                                      << "1 2 3"
                                      << "3";
        QTest::newRow("removed picture") << "n n n x b"
                                         << "1 2 3 1"
                                         << "3 2 1";
        QTest::newRow("remove current") << "n n X b"
                                        << "1 2 3 1"
                                        << "3 2 1";
        QTest::newRow("remove current while back") << "n n n b X t"
                                                   << "1 2 3 2 3 4"
                                                   << "4 3 2 1";
        QString script, shown, history;
        for (int i = 0; i < History::MaxEntries + 3; ++i) {
            script += "n ";
            shown += QString::number(i % 4 + 1) + ' ';
            if (i >= 3)
                history.prepend(QString::number(i % 4 + 1) + ' ');
        }
        QTest::newRow("limit") << script.trimmed() << shown.trimmed() << history.trimmed();
    }
    void history() {
        QFETCH(QString, script);
        QFETCH(QString, shown);
        QFETCH(QString, history);
        Rig rig(4, {{"Current", "0"}});
        for (const QString &action : script.split(' ')) {
            if (action == "n")
                rig.rotator.next();
            else if (action == "b")
                rig.rotator.previous();
            else if (action == "t" || action == "f") {
                rig.desktop.failure = action == "f" ? QStringLiteral("refused") : QString();
                rig.timer->fire();
                rig.desktop.failure.clear();
            } else if (action == "r")
                rig.rotator.load(rig.historyFile());
            else if (action == "d")
                QFile(rig.historyFile()).open(QIODevice::WriteOnly | QIODevice::Truncate);
            else if (action == "X")
                QCOMPARE(rig.rotator.removeCurrent(), QString());
            else if (action == "x") {
                PictureList list = rig.rotator.pictures();
                list.Files.removeAt(1), list.Titles.removeAt(1);
                writePictureList(rig.store, list);
                rig.rotator.setPictures(list);
            }
        }
        QCOMPARE(rig.numbers(rig.composed), shown);
        QStringList paths;
        for (const History::Entry &entry : rig.rotator.history().entries())
            paths << entry.path;
        QCOMPARE(rig.numbers(paths), history);
        QCOMPARE(readPictureList(rig.store), rig.rotator.pictures());
    }

    // The tip tells the desktop's refusal until a picture gets through, the
    // same refusal again when it comes back, and the pause.
    void noteIsTheTruth() {
        Rig rig(3, {{"Current", "3"}});
        QFile::remove(rig.p[1]); // its steps change nothing
        QStringList told;
        QObject::connect(&rig.rotator, &WallpaperRotator::noteChanged, [&](auto &n) { told << n; });
        QSignalSpy balloons(&rig.rotator, &WallpaperRotator::failed);
        for (const char *failure : {"A", "-", "A", "B", "-", "", "A"}) {
            rig.desktop.failure = QString::fromLatin1(failure);
            rig.rotator.RotationStep();
        }
        rig.rotator.setPaused(true);
        QCOMPARE(told, QStringList({"A", "B", "", "A", "一時停止中\nA"}));
        QCOMPARE(balloons.size(), 3);
        QCOMPARE(rig.rotator.currentTitle(), QStringLiteral("p3.png")); // the only success
        QCOMPARE(rig.store.puts().size(), 1);
    }

    // A folder line under a real index: a picture copied in comes at the
    // next switch, one deleted never; "Current" and the status name the
    // folder's line, and the tip says when the folder is gone.
    void folderLine() {
        FolderIndex index(FolderIndex::Options{});
        Rig rig(1, {{"OrderMode", "0"}});
        const QString folder = rig.dir.filePath("photos"), line = folder + '/';
        QVERIFY(QDir().mkpath(folder));
        const QString a = writePicture(folder + "/a.png"), c = writePicture(folder + "/c.png");
        rig.rotator.setFolderIndex(&index);
        rig.rotator.setPictures({{rig.p[0], line}, {"p1.png", "photos"}});
        QTRY_COMPARE(index.count(line), 2);
        rig.rotator.RotationStep();
        const QString b = writePicture(folder + "/b.png");
        QTRY_COMPARE(index.count(line), 3);
        rig.rotator.RotationStep();
        QCOMPARE(rig.rotator.status().source, line);
        QCOMPARE(rig.rotator.currentLine(), 1); // the window opens on it
        QCOMPARE(rig.current(), QStringLiteral("2"));
        QVERIFY(QFile::remove(c));
        QTRY_COMPARE(index.count(line), 2);
        rig.rotator.RotationStep();
        rig.rotator.RotationStep();
        // The index gives the system's separators, the listed line is as stored.
        const auto native = [](const QString &path) { return QDir::toNativeSeparators(path); };
        QCOMPARE(rig.composed, QStringList({native(a), native(b), rig.p[0], native(a)}));
        QCOMPARE(rig.titles.last(), QStringLiteral("a.png"));
        QVERIFY(QDir().rename(folder, folder + "-away"));
        QTRY_VERIFY(index.status(line).state == FolderIndex::State::Missing);
        QTRY_VERIFY(rig.rotator.note().contains(line));
    }

    // A step takes a picture for each monitor, "Current" names the primary's
    // and the next step goes on after the last; monitors that change are
    // served again without a step; a picture applied by hand goes to the primary.
    void eachMonitorItsOwn() {
        Rig rig(5, {{"Current", "0"}});
        rig.screen.m_monitors = {{"A", {0, 0, 80, 60}, {0, 0, 80, 60}, 96},
                                 {"B", {80, 0, 60, 80}, {0, 0, 60, 80}, 96}};
        rig.desktop.eachMonitor = true;
        const auto shown = [&] {
            QStringList paths;
            for (const auto &s : rig.composer.shown())
                paths << s.picture;
            return rig.numbers(paths);
        };
        rig.rotator.RotationStep();
        QCOMPARE(shown(), QStringLiteral("1 1"));
        Settings record = rig.rotator.settings();
        record.MonitorMode = 1; // OK with each its own: a step at once
        rig.rotator.confirm(record, false);
        QCOMPARE(shown() + " / " + rig.current(), QStringLiteral("2 3 / 2"));
        rig.rotator.recompose();
        QCOMPARE(shown() + " / " + rig.current(), QStringLiteral("2 3 / 2"));
        QCOMPARE(rig.desktop.calls.size(), 3);
        rig.rotator.applyPicture(rig.rotator.pictures(), 0);
        QCOMPARE(shown() + " / " + rig.current(), QStringLiteral("1 3 / 1"));
        rig.rotator.RotationStep();
        QCOMPARE(shown() + " / " + rig.currentTitle(), QStringLiteral("2 3 / p2.png"));
        // An upright picture goes to the upright monitor; "Current" follows the primary's.
        writePicture(rig.p[3], QSize(12, 16));
        record.MatchOrientation = true;
        rig.rotator.confirm(record, false);
        rig.rotator.RotationStep();
        QCOMPARE(shown() + " / " + rig.current() + " / " + rig.currentTitle(),
                 QStringLiteral("5 4 / 5 / p5.png"));
    }

    void damagedStore() {
        // Entries whose paths are lost are skipped by the steps.
        Rig rig(3, {{"Files1", ""}, {"Files2", ""}});
        for (int i = 0; i < 4; ++i)
            rig.rotator.RotationStep();
        QCOMPARE(rig.composed, QStringList{rig.p[0]});
        QCOMPARE(rig.current(), QStringLiteral("1"));
    }

    // When the next alarm comes, from the timer's counts (a minute is 60
    // ticks; an interval below 1 alarms every minute).
    void nextSwitch_data() {
        QTest::addColumn<QList<int>>("c"); // interval, minutes and ticks counted, seconds left
        QTest::newRow("fresh") << QList<int>{5, 0, 0, 300};
        QTest::newRow("one tick left") << QList<int>{1, 0, 59, 1};
        QTest::newRow("zero minutes") << QList<int>{0, 3, 10, 50};
        QTest::newRow("counted past") << QList<int>{3, 10, 0, 60};
        QTest::newRow("negative") << QList<int>{-4, 0, 0, 60};
        QTest::newRow("halfway") << QList<int>{5, 2, 30, 150};
    }
    void nextSwitch() {
        QFETCH(QList<int>, c);
        const int alarm = c[0], minutes = c[1], ticks = c[2], seconds = c[3];
        Rig rig(1);
        rig.timer->alarmMinute = alarm;
        rig.timer->minutes = minutes;
        rig.timer->ticks = ticks;
        QCOMPARE(rig.rotator.status().next, rig.clock.now().addSecs(seconds));
    }
};

QTEST_GUILESS_MAIN(TestRotator)
#include "test_rotator.moc"
