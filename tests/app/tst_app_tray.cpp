#include "Sandbox.h"
#include "XTools.h"

using namespace XTools;

namespace {

// A viewable top-level window of the process besides its docked icon (the
// pop-up menu or a window): its geometry, or an empty rectangle.
QRect shownWindowOf(qint64 pid) {
    const WindowId root = windowInfo(trayWindow()).parent, icon = dockedIconOf(pid);
    for (WindowId w : windowsOfPid(pid)) {
        const WindowInfo info = windowInfo(w);
        if (info.viewable && info.parent == root && w != icon)
            return info.geometry;
    }
    return {};
}

bool rootShows(const QPoint &at, const QColor &color) {
    return waitFor([&] { return colorNear(grabRoot(), at, color); }, 15000);
}

const QColor Colors[] = {QColor(200, 30, 30), QColor(30, 160, 40), QColor(20, 40, 190)};

// Three solid pictures in list order, fitted, the last one shown before.
QStringList storeThreePictures(Sandbox &box) {
    auto store = box.store();
    const auto set = [&](const QString &key, const QString &value) {
        store->put("Setting", key, value);
    };
    QStringList paths;
    for (int i = 0; i < 3; ++i) {
        const QString name = QString("p%1.bmp").arg(i);
        paths << writePicture(box.path(name), {640, 400}, Colors[i]);
        set(QString("Files%1").arg(i), paths.last());
        set(QString("Title%1").arg(i), name);
    }
    for (auto [key, value] : {std::pair{"ListCount", "2"},
                              {"OrderMode", "0"},
                              {"Stretch", "True"},
                              {"MirellTime", "999"},
                              {"Current", "3"}})
        set(key, value);
    return paths;
}

// "key: value" lines as --status prints them.
QMap<QString, QString> statusOf(Sandbox &box) {
    QMap<QString, QString> status;
    for (const QString &line : box.command("--status").out.split('\n', Qt::SkipEmptyParts))
        status.insert(line.section(": ", 0, 0), line.section(": ", 1));
    return status;
}

} // namespace

class TestAppTray : public QObject {
    Q_OBJECT
    WindowId icon = 0;
    bool docked(QProcess *p) {
        return waitFor([&] { return (icon = dockedIconOf(p->processId())) != 0; });
    }

  private slots:
    void initTestCase() {
        QVERIFY(waitFor([] { return trayWindow() != 0; }));
    }

    void startRestsInTrayAndTurnsSecondStartAway() {
        Sandbox box;
        QVERIFY(box.isValid());
        QProcess *first = box.start();
        QVERIFY(docked(first));
        QVERIFY(shownWindowOf(first->processId()).isEmpty());
        QCOMPARE(box.value("UpdateInfo", "ApplicationPath"),
                 QDir::toNativeSeparators(box.path("prog")));
        QCOMPARE(box.value("UpdateInfo", "CurrentVersion"), "2.10.0000");

        // A second start, with a marker that any write would overwrite.
        box.store()->put("UpdateInfo", "ApplicationPath", "marker");
        QProcess *second = box.start();
        QVERIFY(second->waitForFinished(10000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(box.value("UpdateInfo", "ApplicationPath"), "marker");
        QCOMPARE(first->state(), QProcess::Running);
        QTest::qWait(300);
        QCOMPARE(dockedIcons(), QList<WindowId>{icon});

        // Killed, the first leaves its lock behind; that does not stop the next start.
        first->kill();
        QVERIFY(first->waitForFinished(5000));
        QProcess *third = box.start();
        QVERIFY(docked(third));
        QCOMPARE(box.command("--quit").code, 0);
        QVERIFY(third->waitForFinished(10000));
        QCOMPARE(third->exitCode(), 0);
    }

    // The menu and the commands of a second start reach the same copy.
    void menuAndCommands() {
        Sandbox box;
        QVERIFY(box.isValid());
        const QStringList pictures = storeThreePictures(box);
        for (const char *option :
             {"--next", "--settings", "--quit", "--pause", "--resume", "--status"}) {
            const Sandbox::Result alone = box.command(option);
            QCOMPARE(alone.code, 1);
            QVERIFY2(alone.err.contains("Mirell is not running") && alone.err.count('\n') == 1,
                     qPrintable(alone.err));
        }
        QCOMPARE(box.command("--bogus").code, 2);
        QProcess *p = box.start();
        QVERIFY(docked(p));
        const QPoint centre = windowInfo(icon).geometry.center();
        QRect menu;
        // Keys do not reach a pop-up without a window manager, so items are
        // clicked where they are: "今すぐMirell!(&N)" first, quit last.
        const auto popMenu = [&] {
            click(centre, 3);
            return waitFor([&] { return !(menu = shownWindowOf(p->processId())).isEmpty(); });
        };
        QVERIFY(popMenu());
        click(menu.topLeft() + QPoint(30, 10), 1);
        QVERIFY(rootShows({100, 100}, Colors[0]));
        QVERIFY(waitFor([&] { return box.value("Setting", "Current") == "1"; }));
        QVERIFY(shownWindowOf(p->processId()).isEmpty());
        // Fitted to the 1280x800 screen: 640x400 doubles exactly.
        QCOMPARE(QImage(box.path("prog/MirellWP.bmp")).size(), QSize(1280, 800));
        QCOMPARE(box.command("--next").code, 0);
        QVERIFY(rootShows({100, 100}, Colors[1]));
        QCOMPARE(box.value("Setting", "Current"), "2");

        QMap<QString, QString> status = statusOf(box);
        QCOMPARE(status.value("picture"), pictures[1]);
        QCOMPARE(status.value("order"), "list");
        QCOMPARE(status.value("interval"), "999");
        const qint64 due = QDateTime::currentDateTime().secsTo(
            QDateTime::fromString(status.value("next"), Qt::ISODate));
        QVERIFY2(due > 998 * 60 && due <= 999 * 60, qPrintable(status.value("next")));
        QCOMPARE(box.command("--pause").code, 0);
        QCOMPARE(statusOf(box).value("paused"), "yes");
        QVERIFY(box.command("--status --json").out.contains("\"paused\":true"));
        QCOMPARE(box.command("--resume").code, 0);
        QCOMPARE(statusOf(box).value("paused"), "no");

        // The settings window by a double click and by command; OK puts the icon back.
        for (bool byCommand : {false, true}) {
            if (byCommand)
                QCOMPARE(box.command("--settings").code, 0);
            else
                click(centre, 1, 2);
            QList<WindowId> windows;
            QVERIFY(
                waitFor([&] { return !(windows = visibleWindowsNamed("^Mirell!$")).isEmpty(); }));
            QVERIFY(waitFor([&] { return dockedIconOf(p->processId()) == 0; }));
            click(windowInfo(windows.first()).geometry.topLeft() + QPoint(152, 384), 1);
            QVERIFY(docked(p));
            QVERIFY(waitFor([] { return visibleWindowsNamed("^Mirell!$").isEmpty(); }));
        }

        QVERIFY(popMenu());
        click(QPoint(menu.left() + 30, menu.bottom() - 10), 1);
        QVERIFY(p->waitForFinished(10000));
        QCOMPARE(p->exitCode(), 0);
        QVERIFY(waitFor([] { return dockedIcons().isEmpty(); }));
    }
};

QTEST_GUILESS_MAIN(TestAppTray)
#include "tst_app_tray.moc"
