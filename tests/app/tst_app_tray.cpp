#include "FakeServices.h"
#include "Sandbox.h"

using namespace XTools;

namespace {

const QColor Colors[] = {QColor(200, 30, 30), QColor(30, 160, 40), QColor(20, 40, 190)};

// A solid picture that fits the 1280x800 screen by doubling.
QString picture(const QString &path, int color) {
    return writePicture(path, QSize(640, 400), Colors[color]);
}

// The desktop shows the colour, as a screenshot of the root window sees it.
bool rootShows(int color) {
    QTemporaryDir dir;
    const QString png = dir.filePath("root.png");
    const QColor want = Colors[color];
    return waitFor(
        [&] {
            run("import", {"-silent", "-window", "root", png}, 20000);
            const QColor c = QImage(png).pixelColor(100, 100);
            return qAbs(c.red() - want.red()) + qAbs(c.green() - want.green()) +
                       qAbs(c.blue() - want.blue()) <
                   24;
        },
        15000);
}

void click(const QPoint &at, int button, int repeat = 1) {
    run("xdotool",
        {"mousemove", QString::number(at.x()), QString::number(at.y()), "sleep", "0.2", "click",
         "--repeat", QString::number(repeat), "--delay", "80", QString::number(button)});
}

} // namespace

// One sandbox through a user's day: starts, a refused second start, a crash,
// the menu, the double click and every command of a second start.
class TestAppTray : public QObject {
    Q_OBJECT
    WindowId icon = 0;
    bool docked(QProcess *p) {
        return waitFor([&] { return (icon = shownWindowOf(p->processId(), false)) != 0; });
    }

  private slots:
    // A folder line in the real program: its picture on the desktop, and a
    // picture copied into it while Mirell runs shown by a following switch.
    void folderLine() {
        Sandbox box;
        box.env["XDG_CACHE_HOME"] = box.path("cache");
        const QString folder = box.path("photos");
        QVERIFY(QDir().mkpath(folder) && !picture(folder + "/a.bmp", 0).isEmpty());
        box.set("Files0=" + folder + "/ ListCount=0 OrderMode=0 MirellTime=999 Stretch=True");
        QVERIFY(docked(box.start()));
        // Until the folder is read a switch finds nothing to show; after
        // b.bmp is copied in, until it is seen, the switch shows a.bmp again.
        const auto nextShows = [&](const QString &name) {
            return waitFor([&] {
                return box.command("--next").code == 0 &&
                       box.command("--status")
                           .out.contains("picture: " + folder + '/' + name + '\n');
            });
        };
        QVERIFY(nextShows("a.bmp") && rootShows(0));
        QVERIFY(!picture(folder + "/b.bmp", 1).isEmpty());
        QVERIFY(nextShows("b.bmp") && rootShows(1));
    }

    void throughTheDay() {
        Sandbox box;
        // Three pictures in list order, fitted, the last one shown before.
        QStringList pictures;
        for (int i = 0; i < 3; ++i)
            pictures << picture(box.path(QString("p%1.bmp").arg(i)), i);
        box.set(QString("Files0=%1 Files1=%2 Files2=%3 ListCount=2 OrderMode=0 Stretch=True "
                        "MirellTime=999 Current=3")
                    .arg(pictures[0], pictures[1], pictures[2]));

        for (const char *option :
             {"--next", "--settings", "--quit", "--pause", "--resume", "--status"}) {
            const Sandbox::Result alone = box.command(option);
            QCOMPARE(alone.code, 1);
            QVERIFY2(alone.err.contains("Mirell is not running") && alone.err.count('\n') == 1,
                     qPrintable(alone.err));
        }

        // Started as the menu entry's action does: it starts, then does the command.
        QProcess *first = box.start({"--start", "--pause"});
        QVERIFY(docked(first));
        QCOMPARE(shownWindowOf(first->processId(), true), 0u);
        QVERIFY(waitFor([&] { return box.command("--status").out.contains("paused: yes"); }));
        QVERIFY(box.command("--resume").code == 0 &&
                box.command("--status").out.contains("\npaused: no\n"));
        QCOMPARE(box.store()->get("UpdateInfo", "ApplicationPath", ""),
                 QDir::toNativeSeparators(box.path("prog")));
        // A second start, with a marker that any write would overwrite.
        box.store()->put("UpdateInfo", "ApplicationPath", "marker");
        QCOMPARE(box.command("").code, 0);
        QCOMPARE(box.store()->get("UpdateInfo", "ApplicationPath", ""), "marker");
        QCOMPARE(box.command("--quit").code, 0);
        QCOMPARE(Sandbox::exitCode(first), 0);
        // Killed, a copy leaves its lock behind; that does not stop the next start.
        QProcess *killed = box.start();
        QVERIFY(docked(killed));
        killed->kill();
        QVERIFY(killed->waitForFinished(5000));

        QProcess *p = box.start();
        QVERIFY(docked(p));
        const QPoint centre = windowInfo(icon).geometry.center();
        // Keys do not reach a pop-up without a window manager, so items are
        // clicked where they are: "今すぐMirell!(&N)" first, quit last.
        QRect menu;
        const auto menuItem = [&](int row) {
            click(centre, 3);
            QVERIFY(waitFor([&] {
                const WindowId w = shownWindowOf(p->processId(), true);
                return w && !(menu = windowInfo(w).geometry).isEmpty();
            }));
            click(row < 0 ? QPoint(menu.left() + 30, menu.bottom() - 10)
                          : menu.topLeft() + QPoint(30, 11 + 22 * row),
                  1);
        };
        const auto setting = [&](const char *key) { return box.store()->get("Setting", key, ""); };
        menuItem(0);
        QVERIFY(rootShows(0));
        QVERIFY(waitFor([&] { return setting("Current") == "1"; }));
        QCOMPARE(QImage(box.path("prog/MirellWP.bmp")).size(), QSize(1280, 800));
        QVERIFY(box.command("--next").code == 0 && rootShows(1));
        QCOMPARE(setting("Current"), "2");

        QString status = box.command("--status").out;
        const QString next = status.section("\nnext: ", 1).section('\n', 0, 0);
        const qint64 due =
            QDateTime::currentDateTime().secsTo(QDateTime::fromString(next, Qt::ISODate));
        QVERIFY2(due > 998 * 60 && due <= 999 * 60, qPrintable(next));
        status.replace(QRegularExpression("monitor: \\S+ "), "monitor: ").replace(next, "N");
        QCOMPARE(status, QString("picture: %1\norder: list\ninterval: 999\npaused: no\nnext: N\n"
                                 "monitor: 1280x800+0+0 %1\nsource: %1\n")
                             .arg(pictures[1]));

        // Back, forward again by the tray's "now", back by the tray: the rotation
        // stays where it was, and the history lists what was shown, newest first.
        QVERIFY(box.command("--previous").code == 0 && rootShows(0));
        menuItem(0);
        QVERIFY(rootShows(1));
        menuItem(1); // 前の壁紙(&B)
        QVERIFY(rootShows(0));
        QCOMPARE(box.command("--history").out, pictures[1] + '\n' + pictures[0] + '\n');
        QVERIFY(box.command("--status --json").out.contains(pictures[1] + "\",\"shown\""));
        QCOMPARE(setting("Current"), "2");
        // Removed by the tray, then by command: the list is saved shorter each
        // time, the next picture comes, and the files stay.
        menuItem(2); // この壁紙を外す(&X)
        QVERIFY(rootShows(1));
        QVERIFY(box.command("--remove-current").code == 0 && rootShows(2));
        QCOMPARE(setting("ListCount"), "0");
        QCOMPARE(setting("Files0"), pictures[2]);
        QVERIFY(QFile::exists(pictures[0]) && QFile::exists(pictures[1]));

        // The settings window by a double click and by the menu entry's action
        // on the running copy; OK puts the icon back.
        for (bool byCommand : {false, true}) {
            if (byCommand)
                QCOMPARE(box.command("--start --settings").code, 0);
            else
                click(centre, 1, 2);
            WindowId window = 0;
            QVERIFY(waitFor([&] { return (window = settingsWindow()) != 0; }));
            QVERIFY(waitFor([&] { return shownWindowOf(p->processId(), false) == 0; }));
            click(windowInfo(window).geometry.topLeft() + QPoint(152, 384), 1);
            QVERIFY(docked(p));
            QVERIFY(waitFor([] { return !settingsWindow(); }));
        }
        menuItem(-1);
        QCOMPARE(Sandbox::exitCode(p), 0);
    }
};

QTEST_GUILESS_MAIN(TestAppTray)
#include "tst_app_tray.moc"
