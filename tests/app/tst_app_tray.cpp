#include "Sandbox.h"

#include <QImage>

using namespace XTools;

namespace {

const QColor Colors[] = {QColor(200, 30, 30), QColor(30, 160, 40), QColor(20, 40, 190)};

// The desktop shows the colour, as a screenshot of the root window sees it.
bool rootShows(const QColor &color) {
    QTemporaryDir dir;
    const QString png = dir.filePath("root.png");
    return waitFor(
        [&] {
            run("import", {"-silent", "-window", "root", png}, 20000);
            const QColor c = QImage(png).pixelColor(100, 100);
            return qAbs(c.red() - color.red()) + qAbs(c.green() - color.green()) +
                       qAbs(c.blue() - color.blue()) <
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
    // A folder line in the real program: its picture on the desktop, the
    // folder named as the source, and a picture copied into it while Mirell
    // runs shown by a following switch.
    void folderLine() {
        Sandbox box;
        box.env["XDG_CACHE_HOME"] = box.path("cache");
        const QString folder = box.path("photos");
        QVERIFY(QDir().mkpath(folder));
        const auto picture = [&](const char *name, const QColor &color) {
            QImage image(640, 400, QImage::Format_RGB32);
            image.fill(color);
            QVERIFY(image.save(folder + '/' + name, "BMP"));
        };
        picture("a.bmp", Colors[0]);
        auto store = box.store();
        store->put("Setting", "Files0", folder + '/');
        for (const QString &pair :
             QString("ListCount=0 OrderMode=0 MirellTime=999 Stretch=True").split(' '))
            store->put("Setting", pair.section('=', 0, 0), pair.section('=', 1));
        store.reset();
        QProcess *mirell = box.start();
        QVERIFY(docked(mirell));
        // Until the folder is read a switch finds nothing to show; after
        // b.bmp is copied in, until it is seen, the switch shows a.bmp again.
        const auto nextShows = [&](const char *name) {
            return waitFor([&] {
                return box.command("--next").code == 0 &&
                       box.command("--status")
                           .out.contains("picture: " + folder.toUtf8() + '/' + name + '\n');
            });
        };
        QVERIFY(nextShows("a.bmp"));
        QVERIFY(rootShows(Colors[0]));
        QVERIFY(box.command("--status").out.contains("\nsource: " + folder.toUtf8() + "/\n"));
        picture("b.bmp", Colors[1]);
        QVERIFY(nextShows("b.bmp"));
        QVERIFY(rootShows(Colors[1]));
        QCOMPARE(box.command("--quit").code, 0);
        QCOMPARE(Sandbox::exitCode(mirell), 0);
    }

    void throughTheDay() {
        Sandbox box;
        // Three solid pictures in list order, fitted, the last one shown before.
        auto store = box.store();
        QStringList pictures;
        for (int i = 0; i < 3; ++i) {
            QImage image(640, 400, QImage::Format_RGB32);
            image.fill(Colors[i]);
            QVERIFY(image.save(pictures.emplaceBack(box.path(QString("p%1.bmp").arg(i))), "BMP"));
            store->put("Setting", QString("Files%1").arg(i), pictures.last());
        }
        for (const QString &pair :
             QString("ListCount=2 OrderMode=0 Stretch=True MirellTime=999 Current=3").split(' '))
            store->put("Setting", pair.section('=', 0, 0), pair.section('=', 1));
        store.reset();

        for (const char *option :
             {"--next", "--settings", "--quit", "--pause", "--resume", "--status"}) {
            const Sandbox::Result alone = box.command(option);
            QCOMPARE(alone.code, 1);
            QVERIFY2(alone.err.contains("Mirell is not running") && alone.err.count('\n') == 1,
                     qPrintable(alone.err));
        }
        QCOMPARE(box.command("--bogus").code, 2);

        QProcess *first = box.start();
        QVERIFY(docked(first));
        QCOMPARE(shownWindowOf(first->processId(), true), 0u);
        QCOMPARE(box.store()->get("UpdateInfo", "ApplicationPath", ""),
                 QDir::toNativeSeparators(box.path("prog")));
        QCOMPARE(box.store()->get("UpdateInfo", "CurrentVersion", ""), "2.10.0000");
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
        QRect menu;
        // Keys do not reach a pop-up without a window manager, so items are
        // clicked where they are: "今すぐMirell!(&N)" first, quit last.
        const auto popMenu = [&] {
            click(centre, 3);
            return waitFor([&] {
                const WindowId w = shownWindowOf(p->processId(), true);
                return w && !(menu = windowInfo(w).geometry).isEmpty();
            });
        };
        QVERIFY(popMenu());
        click(menu.topLeft() + QPoint(30, 10), 1);
        QVERIFY(rootShows(Colors[0]));
        QVERIFY(waitFor([&] { return box.store()->get("Setting", "Current", "") == "1"; }));
        QCOMPARE(shownWindowOf(p->processId(), true), 0u);
        // Fitted to the 1280x800 screen: 640x400 doubles exactly.
        QCOMPARE(QImage(box.path("prog/MirellWP.bmp")).size(), QSize(1280, 800));
        QCOMPARE(box.command("--next").code, 0);
        QVERIFY(rootShows(Colors[1]));
        QCOMPARE(box.store()->get("Setting", "Current", ""), "2");

        QMap<QString, QString> status; // "key: value" lines
        for (const QString &line : box.command("--status").out.split('\n', Qt::SkipEmptyParts))
            status.insert(line.section(": ", 0, 0), line.section(": ", 1));
        const qint64 due = QDateTime::currentDateTime().secsTo(
            QDateTime::fromString(status.take("next"), Qt::ISODate));
        QVERIFY2(due > 998 * 60 && due <= 999 * 60, qPrintable(QString::number(due)));
        QVERIFY2(status.take("monitor").endsWith(" 1280x800+0+0 " + pictures[1]), "monitor line");
        QCOMPARE(status, (QMap<QString, QString>{{"picture", pictures[1]},
                                                 {"order", "list"},
                                                 {"interval", "999"},
                                                 {"paused", "no"},
                                                 {"source", pictures[1]}}));
        QCOMPARE(box.command("--pause").code, 0);
        QVERIFY(box.command("--status").out.contains("\npaused: yes\n"));
        QVERIFY(box.command("--status --json").out.contains("\"paused\":true"));
        QCOMPARE(box.command("--resume").code, 0);
        QVERIFY(box.command("--status").out.contains("\npaused: no\n"));

        // Back, forward again by the tray's "now", back by the tray: the rotation
        // stays where it was, and the history lists what was shown, newest first.
        const auto menuItem = [&](int row) {
            QVERIFY(popMenu());
            click(menu.topLeft() + QPoint(30, 11 + 22 * row), 1);
        };
        QCOMPARE(box.command("--previous").code, 0);
        QVERIFY(rootShows(Colors[0]));
        menuItem(0);
        QVERIFY(rootShows(Colors[1]));
        menuItem(1); // 前の壁紙(&B)
        QVERIFY(rootShows(Colors[0]));
        QCOMPARE(box.command("--history").out, pictures[1] + '\n' + pictures[0] + '\n');
        QVERIFY(box.command("--status --json").out.contains(pictures[1] + "\",\"shown\""));
        QCOMPARE(box.store()->get("Setting", "Current", ""), "2");
        // Removed by the tray, then by command: the list is saved shorter each
        // time, the next picture comes, and the files stay.
        menuItem(2); // この壁紙を外す(&X)
        QVERIFY(rootShows(Colors[1]));
        QCOMPARE(box.command("--remove-current").code, 0);
        QVERIFY(rootShows(Colors[2]));
        QCOMPARE(box.store()->get("Setting", "ListCount", ""), "0");
        QCOMPARE(box.store()->get("Setting", "Files0", ""), pictures[2]);
        QVERIFY(QFile::exists(pictures[0]) && QFile::exists(pictures[1]));

        // The settings window by a double click and by command; OK puts the icon back.
        for (bool byCommand : {false, true}) {
            if (byCommand)
                QCOMPARE(box.command("--settings").code, 0);
            else
                click(centre, 1, 2);
            WindowId window = 0;
            QVERIFY(waitFor([&] { return (window = settingsWindow()) != 0; }));
            QVERIFY(waitFor([&] { return shownWindowOf(p->processId(), false) == 0; }));
            click(windowInfo(window).geometry.topLeft() + QPoint(152, 384), 1);
            QVERIFY(docked(p));
            QVERIFY(waitFor([] { return !settingsWindow(); }));
        }

        QVERIFY(popMenu());
        click(QPoint(menu.left() + 30, menu.bottom() - 10), 1);
        QCOMPARE(Sandbox::exitCode(p), 0);
    }
};

QTEST_GUILESS_MAIN(TestAppTray)
#include "tst_app_tray.moc"
