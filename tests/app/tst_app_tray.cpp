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
    return waitFor(
        [&] {
            run("import", {"-silent", "-window", "root", png}, 20000);
            return QImage(png).pixelColor(100, 100) == Colors[color];
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
// the menu, the double click, every command of a second start and a folder line.
class TestAppTray : public QObject {
    Q_OBJECT
    WindowId icon = 0;
    bool docked(QProcess *p) {
        return waitFor([&] { return (icon = shownWindowOf(p->processId(), false)) != 0; });
    }

  private slots:
    void throughTheDay() {
        Sandbox box;
        // Three lines in list order, fitted, none shown before: two pictures
        // and a folder that holds the third.
        QStringList pictures;
        QVERIFY(QDir().mkpath(box.path("photos")));
        for (const char *name : {"p0.bmp", "p1.bmp", "photos/p2.bmp"})
            pictures << picture(box.path(name), pictures.size());
        box.set(QString("Files0=%1 Files1=%2 Files2=%3 ListCount=2 OrderMode=0 Stretch=True "
                        "MirellTime=999 Current=0")
                    .arg(pictures[0], pictures[1], box.path("photos/")));

        // Every command takes the same way to a copy that is not there.
        const Sandbox::Result alone = box.command("--status");
        QCOMPARE(alone.code, 1);
        QVERIFY2(alone.err.contains("Mirell is not running") && alone.err.count('\n') == 1,
                 qPrintable(alone.err));

        // Started as the menu entry's action does: it starts, then does the command.
        QProcess *first = box.start({"--start", "--pause"});
        QVERIFY(docked(first));
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
        menuItem(0);
        QVERIFY(rootShows(0));
        QCOMPARE(QImage(box.path("prog/MirellWP.bmp")).size(), QSize(1280, 800));
        QVERIFY(box.command("--next").code == 0 && rootShows(1));

        // The monitor's name and the time of the next switch, "*", vary.
        QCOMPARE(box.command("--status")
                     .out.replace(QRegularExpression("(?<=monitor: )\\S+ |(?<=next: )\\S+"), "*"),
                 QString("picture: %1\norder: list\ninterval: 999\npaused: no\nnext: *\n"
                         "monitor: *1280x800+0+0 %1\nsource: %1\n")
                     .arg(pictures[1]));

        // Back, forward again by the tray's "now", back by the tray: the history
        // lists what was shown, newest first.
        QVERIFY(box.command("--previous").code == 0 && rootShows(0));
        menuItem(0);
        QVERIFY(rootShows(1));
        menuItem(1); // 前の壁紙(&B)
        QVERIFY(rootShows(0));
        QCOMPARE(box.command("--history").out, pictures[1] + '\n' + pictures[0] + '\n');
        QVERIFY(box.command("--status --json").out.contains(pictures[1] + "\",\"shown\""));
        // Removed by the tray, then by command: each time the next picture
        // comes (the last from the folder line), and the files stay.
        menuItem(2); // この壁紙を外す(&X)
        QVERIFY(rootShows(1));
        QVERIFY(box.command("--remove-current").code == 0 && rootShows(2));
        QVERIFY(QFile::exists(pictures[0]) && QFile::exists(pictures[1]));

        // The settings window by a double click and by the menu entry's action
        // on the running copy; OK puts the icon back.
        for (bool byCommand : {false, true}) {
            if (byCommand)
                QCOMPARE(box.command("--start --settings").code, 0);
            else
                click(centre, 1, 2);
            QVERIFY(waitFor(settingsWindow));
            QVERIFY(waitFor([&] { return shownWindowOf(p->processId(), false) == 0; }));
            click(windowInfo(settingsWindow()).geometry.topLeft() + QPoint(152, 384), 1);
            QVERIFY(docked(p));
            QVERIFY(waitFor([] { return !settingsWindow(); }));
        }
        menuItem(-1);
        QCOMPARE(Sandbox::exitCode(p), 0);
    }
};

QTEST_GUILESS_MAIN(TestAppTray)
#include "tst_app_tray.moc"
