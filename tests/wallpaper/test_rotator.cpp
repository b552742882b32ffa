// The rotator without any window: what the timer, the tray, OK and the
// commands of a second start put on the desktop, and what the tip says.
#include "DataTable.h"
#include "FolderIndex.h"
#include "RotatorRig.h"

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
    int order, current, confirmed, switched, count, picture, writes;
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
    // 1-based numbers of the given pictures, as "1 2 3".
    QString numbers(const QStringList &paths) const {
        QStringList out;
        for (const QString &path : paths)
            out << QString::number(p.indexOf(path) + 1);
        return out.join(' ');
    }
    // Each monitor's picture, "Current" and labCurr, as "2 3 / 2 / p2.png".
    QString monitors() const {
        QStringList paths;
        for (const auto &shown : composer.shown())
            paths << shown.picture;
        return numbers(paths) + " / " + current() + " / " + rotator.currentTitle();
    }
};

} // namespace

class TestRotator : public QObject {
    Q_OBJECT
  private slots:
    // What OK puts on the desktop, by the stored order (0 list, 1 shuffle,
    // 2 random), the confirmed one and the length of the list it confirms;
    // the timer takes the new interval either way.
    void okComposes_data() {
        QTest::addColumn<OkCase>("c");
        QTest::newRow("same again") << OkCase{0, 3, 0, false, 5, 3, false};
        QTest::newRow("order switched") << OkCase{0, 3, 2, true, 5, 5, true};
        QTest::newRow("the last one again") << OkCase{0, 5, 0, false, 5, 5, false};
        QTest::newRow("shown one removed") << OkCase{0, 4, 0, false, 2, 1, false};
        QTest::newRow("all removed") << OkCase{0, 3, 0, false, 0, 0, false};
        QTest::newRow("nothing chosen yet") << OkCase{1, 4, 1, false, 5, 5, true};
        QTest::newRow("random switched") << OkCase{2, 4, 2, false, 5, 5, true};
    }
    void okComposes() {
        QFETCH(OkCase, c);
        Rig rig(5,
                {{"OrderMode", QString::number(c.order)}, {"Current", QString::number(c.current)}});
        rig.random.script({0.9});
        const PictureList all = rig.rotator.pictures();
        rig.rotator.setPictures({all.Files.mid(0, c.count), all.Titles.mid(0, c.count)});
        Settings record = rig.rotator.settings();
        record.OrderMode = qint16(c.confirmed);
        record.MirellTime = 9;
        rig.rotator.confirm(record, c.switched);
        QCOMPARE(rig.timer->alarmMinute, 9);
        const QString picture = c.picture ? QString::number(c.picture) : QString();
        QCOMPARE(rig.numbers(rig.composed), picture);
        QCOMPARE(rig.rotator.currentTitle(), c.picture ? "p" + picture + ".png" : QString());
        QCOMPARE(rig.store.puts().isEmpty() ? QString() : rig.current(),
                 c.writes ? picture : QString());
    }

    // What the timer, the tray, the window and a restart put on the desktop
    // over four pictures in list order, and the history they leave. Script:
    // n the tray's "now", b back, t the timer, f a timer step the desktop
    // refuses, p pause, u go on, h cmdLet on the second line, r a restart, d a
    // damaged history file, X removing the one on the desktop.
    void switches_data() {
        // "history": newest first.
        const auto row = addColumns<QString, QString, QString>({"script", "shown", "history"});
        row("paused, and a line by hand", "n h t p t n u t", "1 2 3 4 1", "1 4 3 2 1");
        row("back past the oldest", "n n b b", "1 2 1", "2 1");
        row("forward past the newest", "n n n b b n n n", "1 2 3 2 1 2 3 4", "4 3 2 1");
        row("timed switch while back", "n n n b b t", "1 2 3 2 1 4", "4 3 2 1");
        row("failed switch", "n f n b", "1 3 1", "3 1");
        row("restart", "n n r b", "1 2 1", "2 1");
        row("restart while back", "n n b r n n", "1 2 1 2 3", "3 2 1");
        row("damaged file", "n n d r b n", "1 2 3", "3");
        row("remove current", "n n X b", "1 2 3 1", "3 2 1");
        row("remove current while back", "n n n b X t", "1 2 3 2 3 4", "4 3 2 1");
        QStringList shown, history;
        for (int i = 0; i < History::MaxEntries + 3; ++i)
            shown << QString::number(i % 4 + 1), history.prepend(shown.last());
        row("limit", QString("n ").repeated(shown.size()).trimmed(), shown.join(' '),
            history.mid(0, History::MaxEntries).join(' '));
    }
    void switches() {
        QFETCH(QString, script);
        QFETCH(QString, shown);
        Rig rig(4, {{"Current", "0"}, {"MirellTime", "7"}});
        QCOMPARE(rig.timer->alarmMinute, 7);
        rig.timer->alarmMinute = -1; // only a restart may arm it again
        const QHash<QString, std::function<void()>> act{
            {"n", [&] { rig.rotator.next(); }},
            {"b", [&] { rig.rotator.previous(); }},
            {"t", [&] { rig.timer->fire(); }},
            {"p", [&] { rig.rotator.setPaused(true); }},
            {"u", [&] { rig.rotator.setPaused(false); }},
            {"h", [&] { rig.rotator.applyPicture(rig.rotator.pictures(), 1); }},
            {"r",
             [&] {
                 rig.rotator.load(rig.historyFile()); // the label tells what is still shown
                 QCOMPARE(rig.rotator.currentTitle(), rig.titles.value(rig.titles.size() - 1));
             }},
            {"d", [&] { QFile::resize(rig.historyFile(), 0); }},
            {"X", [&] { QCOMPARE(rig.rotator.removeCurrent(), QString()); }}};
        for (const QString &action : script.split(' ')) {
            rig.desktop.failure = action == "f" ? QStringLiteral("refused") : QString();
            act[action == "f" ? "t" : action]();
            QCOMPARE(rig.rotator.status().next.isNull(), rig.rotator.status().paused);
        }
        QCOMPARE(rig.numbers(rig.composed), shown);
        QCOMPARE(rig.titles.value(rig.titles.size() - 1), "p" + shown.section(' ', -1) + ".png");
        QStringList paths;
        for (const History::Entry &entry : rig.rotator.history().entries())
            paths << entry.path;
        QTEST(rig.numbers(paths), "history");
        QCOMPARE(readPictureList(rig.store), rig.rotator.pictures());
        QCOMPARE(rig.store.unsyncedPuts(), 0);
        QCOMPARE(rig.timer->alarmMinute, script.contains('r') ? 7 : -1);
    }

    // The tip tells the desktop's refusal until a picture gets through, the
    // same refusal again when it comes back, and the pause. Steps to a deleted
    // picture or to an entry whose path the store lost change nothing.
    void noteIsTheTruth() {
        Rig rig(4, {{"Current", "4"}, {"Files2", ""}});
        QFile::remove(rig.p[1]);
        QStringList told;
        QObject::connect(&rig.rotator, &WallpaperRotator::noteChanged, [&](auto &n) { told << n; });
        QSignalSpy balloons(&rig.rotator, &WallpaperRotator::failed);
        for (const char *failure : {"A", "-", "-", "A", "B", "-", "-", "", "A"}) {
            rig.desktop.failure = QString::fromLatin1(failure);
            rig.rotator.RotationStep();
        }
        rig.rotator.setPaused(true);
        // First: a picture that never reached the desktop would otherwise
        // show only as a note gone missing.
        QCOMPARE(rig.numbers(rig.composed) + " / " + rig.rotator.currentTitle(), "4 / p4.png");
        QCOMPARE(told, QStringList({"A", "B", "", "A", "一時停止中\nA"}));
        QCOMPARE(balloons.size(), 3);
        QCOMPARE(rig.store.puts().size(), 1);
    }

    // A folder line under a real index: "Current" and the status name the
    // folder's line, the titles its pictures', and the tip says when the folder is gone.
    void folderLine() {
        FolderIndex index(FolderIndex::Options{});
        Rig rig(1, {{"OrderMode", "0"}});
        const QString folder = rig.dir.filePath("photos"), line = folder + '/';
        QVERIFY(QDir().mkpath(folder));
        const QString a = writePicture(folder + "/a.png"), b = writePicture(folder + "/b.png");
        rig.rotator.setFolderIndex(&index);
        rig.rotator.setPictures({{rig.p[0], line}, {"p1.png", "photos"}});
        QTRY_COMPARE(index.count(line), 2);
        rig.rotator.RotationStep();
        rig.rotator.RotationStep();
        QCOMPARE(rig.rotator.status().source, line);
        QCOMPARE(rig.rotator.currentLine(), 1); // the window opens on it
        QCOMPARE(rig.current(), QStringLiteral("2"));
        rig.rotator.RotationStep();
        rig.rotator.RotationStep();
        // The index gives the system's separators, the listed line is as stored.
        const auto native = [](const QString &path) { return QDir::toNativeSeparators(path); };
        QCOMPARE(rig.composed, QStringList({native(a), native(b), rig.p[0], native(a)}));
        QCOMPARE(rig.titles.last(), QStringLiteral("a.png"));
        QVERIFY(QDir().rename(folder, folder + "-away"));
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
        rig.rotator.RotationStep();
        QCOMPARE(rig.monitors(), QStringLiteral("1 1 / 1 / p1.png"));
        Settings record = rig.rotator.settings();
        record.MonitorMode = 1; // OK with each its own: a step at once
        rig.rotator.confirm(record, false);
        QCOMPARE(rig.monitors(), QStringLiteral("2 3 / 2 / p2.png"));
        // A monitor unplugged and plugged in again gets its own picture back.
        const auto monitors = std::exchange(rig.screen.m_monitors, {});
        rig.rotator.recompose();
        rig.screen.m_monitors = monitors;
        rig.rotator.recompose();
        QCOMPARE(rig.monitors(), QStringLiteral("2 3 / 2 / p2.png"));
        QCOMPARE(rig.desktop.calls.size(), 4);
        rig.rotator.applyPicture(rig.rotator.pictures(), 0);
        QCOMPARE(rig.monitors(), QStringLiteral("1 3 / 1 / p1.png"));
        rig.rotator.RotationStep();
        QCOMPARE(rig.monitors(), QStringLiteral("2 3 / 2 / p2.png"));
        // An upright picture goes to the upright monitor; "Current" follows the primary's.
        writePicture(rig.p[3], QSize(12, 16));
        record.MatchOrientation = true;
        rig.rotator.confirm(record, false);
        rig.rotator.RotationStep();
        QCOMPARE(rig.monitors(), QStringLiteral("5 4 / 5 / p5.png"));
    }

    // When the next alarm comes, from the timer's counts (a minute is 60
    // ticks; an interval below 1 alarms every minute).
    void nextSwitch_data() {
        // Interval, minutes and ticks counted, seconds left.
        const auto row = addColumns<QList<int>>({"c"});
        row("halfway", {5, 2, 30, 150});
        row("zero minutes", {0, 3, 10, 50});
    }
    void nextSwitch() {
        QFETCH(QList<int>, c);
        Rig rig(1);
        std::tie(rig.timer->alarmMinute, rig.timer->minutes, rig.timer->ticks) =
            std::tuple(c[0], c[1], c[2]);
        QCOMPARE(rig.rotator.status().next, rig.clock.now().addSecs(c[3]));
    }
};

QTEST_GUILESS_MAIN(TestRotator)
#include "test_rotator.moc"
