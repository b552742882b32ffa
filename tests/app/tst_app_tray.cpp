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
    for (auto [key, value] : {std::pair{"ListCount", "2"}, {"OrderMode", "0"}, {"Stretch", "True"},
                              {"MirellTime", "999"}, {"Current", "3"}})
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
        QVERIFY(docked(box.start()));
    }

    void menuSwitchesNowAndQuits() {
        Sandbox box;
        QVERIFY(box.isValid());
        storeThreePictures(box);
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
        for (int i = 0; i < 2; ++i) {
            QVERIFY(popMenu());
            click(menu.topLeft() + QPoint(30, 10), 1);
            QVERIFY2(rootShows({100, 100}, Colors[i]), qPrintable(QString::number(i + 1)));
            QVERIFY(
                waitFor([&] { return box.value("Setting", "Current") == QString::number(i + 1); }));
            QVERIFY(shownWindowOf(p->processId()).isEmpty());
            // Fitted to the 1280x800 screen: 640x400 doubles exactly.
            QCOMPARE(QImage(box.path("prog/MirellWP.bmp")).size(), QSize(1280, 800));
        }
        QVERIFY(popMenu());
        click(QPoint(menu.left() + 30, menu.bottom() - 10), 1);
        QVERIFY(p->waitForFinished(10000));
        QCOMPARE(p->exitCode(), 0);
        QVERIFY(waitFor([] { return dockedIcons().isEmpty(); }));
    }

    void commandsDriveTheRunningCopy() {
        Sandbox box;
        QVERIFY(box.isValid());
        const QStringList pictures = storeThreePictures(box);
        for (const char *option : {"--next", "--settings", "--quit", "--pause", "--resume",
                                   "--status"}) {
            const Sandbox::Result alone = box.command(option);
            QCOMPARE(alone.code, 1);
            QVERIFY2(alone.err.contains("Mirell is not running") && alone.err.count('\n') == 1,
                     qPrintable(alone.err));
        }
        QCOMPARE(box.command("--bogus").code, 2);
        QProcess *p = box.start();
        QVERIFY(docked(p));
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(box.command("--next").code, 0);
            QVERIFY2(rootShows({100, 100}, Colors[i]), qPrintable(QString::number(i + 1)));
            QCOMPARE(box.value("Setting", "Current"), QString::number(i + 1));
        }
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
        QCOMPARE(box.command("--settings").code, 0);
        QVERIFY(waitFor([] { return !visibleWindowsNamed("^Mirell!$").isEmpty(); }));
        QVERIFY(waitFor([&] { return dockedIconOf(p->processId()) == 0; }));
        QCOMPARE(box.command("--quit").code, 0);
        QVERIFY(p->waitForFinished(10000));
        QCOMPARE(p->exitCode(), 0);
    }

    void settingsWindowAddsAPictureAndOkShowsIt() {
        Sandbox box;
        QVERIFY(box.isValid());
        const QColor color(230, 160, 20);
        const QString picture = writePicture(box.path("sunset.bmp"), {800, 500}, color);
        box.store()->put("Setting", "Stretch", "True");
        QProcess *p = box.start();
        QVERIFY(docked(p));
        click(windowInfo(icon).geometry.center(), 1, 2);
        QList<WindowId> windows;
        QVERIFY(waitFor([&] { return !(windows = visibleWindowsNamed("^Mirell!$")).isEmpty(); }));
        QVERIFY(waitFor([&] { return dockedIconOf(p->processId()) == 0; }));
        const QPoint origin = windowInfo(windows.first()).geometry.topLeft();

        // "追加(&A)..." sits at the top of the button column of the first tab.
        click(origin + QPoint(250, 72), 1);
        WindowId dialog = 0;
        QVERIFY(waitFor([&] {
            for (WindowId w : windowsOfPid(p->processId()))
                if (w != windows.first() && windowInfo(w).viewable &&
                    windowInfo(w).geometry.width() > 200)
                    return (dialog = w) != 0;
            return false;
        }));
        run("xdotool", {"windowfocus", "--sync", QString::number(dialog)});
        run("xdotool", {"type", "--delay", "20", picture});
        run("xdotool", {"key", "Return"});
        QVERIFY(waitFor([&] { return !windowInfo(dialog).viewable; }));

        // OK saves the list; with nothing shown yet, the first step shows the picture.
        click(origin + QPoint(152, 384), 1);
        QVERIFY(rootShows({640, 400}, color));
        QCOMPARE(box.value("Setting", "ListCount"), "0");
        QCOMPARE(box.value("Setting", "Files0"), picture);
        QCOMPARE(box.value("Setting", "Title0"), "sunset.bmp");
        QVERIFY(waitFor([&] { return box.value("Setting", "Current") == "1"; }));
        QVERIFY(docked(p));
        QVERIFY(visibleWindowsNamed("^Mirell!$").isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestAppTray)
#include "tst_app_tray.moc"
