#include "Sandbox.h"
#include "SettingsStore.h"
#include "XTools.h"

#include <QDir>
#include <QTest>

using namespace XTools;

namespace {

const QString Setting = QStringLiteral("Setting");
const QString UpdateInfo = QStringLiteral("UpdateInfo");

bool hasVisibleWindowOf(qint64 pid) {
    const auto windows = windowsOfPid(pid);
    for (WindowId w : windows) {
        const WindowInfo info = windowInfo(w);
        // The docked icon is ours and visible, but it is not a window.
        if (info.viewable && parentOf(w) == parentOf(trayWindow()) && w != dockedIconOf(pid))
            return true;
    }
    return false;
}

// The pop-up menu: a top-level window of ours besides the icon.
QRect menuGeometry(qint64 pid) {
    for (WindowId w : windowsOfPid(pid)) {
        const WindowInfo info = windowInfo(w);
        if (info.viewable && parentOf(w) == parentOf(trayWindow()) && w != dockedIconOf(pid))
            return info.geometry;
    }
    return {};
}

bool menuShown(qint64 pid) {
    return hasVisibleWindowOf(pid);
}

// Keys do not reach a pop-up on a display without a window manager, so the
// items are clicked where they are: the first and the last line of the menu.
void chooseFirstItem(qint64 pid) {
    const QRect menu = menuGeometry(pid);
    click(QPoint(menu.left() + 30, menu.top() + 10), 1);
}

void chooseLastItem(qint64 pid) {
    const QRect menu = menuGeometry(pid);
    click(QPoint(menu.left() + 30, menu.bottom() - 10), 1);
}

} // namespace

class TestAppTray : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        QVERIFY(waitFor([] { return trayWindow() != 0; }));
    }

    void startRestsInTrayAndTurnsSecondStartAway() {
        Sandbox box;
        QVERIFY(box.isValid());
        QProcess *first = box.start();

        WindowId icon = 0;
        QVERIFY(waitFor([&] { return (icon = dockedIconOf(first->processId())); }));
        // Qt names the icon's window after the application.
        QVERIFY(waitFor([&] {
            return windowProperty(icon, QStringLiteral("_NET_WM_NAME")) ==
                   QStringLiteral("Mirell!");
        }));
        QVERIFY(visibleWindowsNamed(QStringLiteral("Mirell")).isEmpty());
        QVERIFY(!hasVisibleWindowOf(first->processId()));

        QCOMPARE(box.value(UpdateInfo, QStringLiteral("ApplicationPath")),
                 QDir::toNativeSeparators(box.programFolder()));
        QCOMPARE(box.value(UpdateInfo, QStringLiteral("CurrentVersion")),
                 QStringLiteral("2.10.0000"));

        // A second start, marked so that any write would show.
        box.store()->put(UpdateInfo, QStringLiteral("ApplicationPath"), QStringLiteral("marker"));
        box.store()->sync();
        QProcess *second = box.start();
        QVERIFY(second->waitForFinished(10000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(box.value(UpdateInfo, QStringLiteral("ApplicationPath")),
                 QStringLiteral("marker"));
        QCOMPARE(first->state(), QProcess::Running);
        QTest::qWait(300);
        int mine = 0;
        for (WindowId w : dockedIcons())
            mine += windowProperty(w, QStringLiteral("_NET_WM_NAME")) == QStringLiteral("Mirell!");
        QCOMPARE(mine, 1);
    }

    void menuSwitchesNowAndQuits() {
        Sandbox box;
        QVERIFY(box.isValid());
        const QColor colors[] = {QColor(200, 30, 30), QColor(30, 160, 40), QColor(20, 40, 190)};
        {
            auto store = box.store();
            store->put(Setting, QStringLiteral("ListCount"), QStringLiteral("2"));
            for (int i = 0; i < 3; ++i) {
                const QString file = writePicture(box.path(QStringLiteral("p%1.bmp").arg(i)),
                                                  QSize(640, 400), colors[i]);
                store->put(Setting, QStringLiteral("Files%1").arg(i), file);
                store->put(Setting, QStringLiteral("Title%1").arg(i),
                           QStringLiteral("p%1.bmp").arg(i));
            }
            store->put(Setting, QStringLiteral("OrderMode"), QStringLiteral("0"));
            store->put(Setting, QStringLiteral("Stretch"), QStringLiteral("True"));
            store->put(Setting, QStringLiteral("MirellTime"), QStringLiteral("999"));
            // The last picture was on the desktop: list order starts over at the first.
            store->put(Setting, QStringLiteral("Current"), QStringLiteral("3"));
            QVERIFY(store->sync());
        }
        QProcess *p = box.start();
        WindowId icon = 0;
        QVERIFY(waitFor([&] { return (icon = dockedIconOf(p->processId())); }));
        const QPoint centre = windowInfo(icon).geometry.center();
        const QPoint probe(100, 100); // far from the tray and any menu

        for (int i = 0; i < 2; ++i) {
            click(centre, 3);
            QVERIFY(waitFor([&] { return menuShown(p->processId()); }));
            chooseFirstItem(p->processId());
            QVERIFY2(waitFor([&] { return colorNear(grabRoot(), probe, colors[i]); }, 15000),
                     qPrintable(QStringLiteral("picture %1 not on the root").arg(i + 1)));
            QVERIFY(waitFor([&] {
                return box.value(Setting, QStringLiteral("Current")) == QString::number(i + 1);
            }));
            const QImage written(
                QDir(box.programFolder()).filePath(QStringLiteral("MirellWP.bmp")));
            QCOMPARE(written.size(), QSize(1280, 800));
            QVERIFY(colorNear(written, QPoint(640, 400), colors[i]));
            QVERIFY(!menuShown(p->processId()));
            QVERIFY(visibleWindowsNamed(QStringLiteral("^Mirell!$")).isEmpty());
        }

        click(centre, 3);
        QVERIFY(waitFor([&] { return menuShown(p->processId()); }));
        chooseLastItem(p->processId());
        QVERIFY(p->waitForFinished(10000));
        QCOMPARE(p->exitCode(), 0);
        QVERIFY(waitFor([&] {
            for (WindowId w : dockedIcons())
                if (windowProperty(w, QStringLiteral("_NET_WM_NAME")) == QStringLiteral("Mirell!"))
                    return false;
            return true;
        }));
    }

    void settingsWindowAddsAPictureAndOkShowsIt() {
        Sandbox box;
        QVERIFY(box.isValid());
        const QColor color(230, 160, 20);
        const QString picture =
            writePicture(box.path(QStringLiteral("sunset.bmp")), QSize(800, 500), color);
        {
            auto store = box.store();
            store->put(Setting, QStringLiteral("Stretch"), QStringLiteral("True"));
            QVERIFY(store->sync());
        }
        QProcess *p = box.start();
        WindowId icon = 0;
        QVERIFY(waitFor([&] { return (icon = dockedIconOf(p->processId())); }));

        click(windowInfo(icon).geometry.center(), 1, 2);
        QList<WindowId> windows;
        QVERIFY(waitFor([&] {
            return !(windows = visibleWindowsNamed(QStringLiteral("^Mirell!$"))).isEmpty();
        }));
        // Opening the window takes the icon away.
        QVERIFY(waitFor([&] { return dockedIconOf(p->processId()) == 0; }));
        const QPoint origin = windowInfo(windows.first()).geometry.topLeft();

        // "追加(&A)..." sits at the top of the button column of the first tab.
        click(origin + QPoint(250, 72), 1);
        QList<WindowId> dialogs;
        QVERIFY(waitFor([&] {
            dialogs.clear();
            for (WindowId w : windowsOfPid(p->processId()))
                if (w != windows.first() && windowInfo(w).viewable &&
                    windowInfo(w).geometry.width() > 200)
                    dialogs << w;
            return !dialogs.isEmpty();
        }));
        run(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                                        QString::number(dialogs.first())});
        run(QStringLiteral("xdotool"),
            {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), picture});
        key(QStringLiteral("Return"));
        QVERIFY(waitFor([&] { return !windowInfo(dialogs.first()).viewable; }));

        // OK: the list is saved and, with no picture shown yet, the first step
        // puts the new picture on the desktop.
        click(origin + QPoint(152, 384), 1);
        QVERIFY2(waitFor([&] { return colorNear(grabRoot(), QPoint(640, 400), color); }, 15000),
                 "the added picture did not reach the root window");
        QCOMPARE(box.value(Setting, QStringLiteral("ListCount")), QStringLiteral("0"));
        QCOMPARE(box.value(Setting, QStringLiteral("Files0")), picture);
        QCOMPARE(box.value(Setting, QStringLiteral("Title0")), QStringLiteral("sunset.bmp"));
        QVERIFY(waitFor([&] { return box.value(Setting, QStringLiteral("Current")) == "1"; }));
        QVERIFY(waitFor([&] { return dockedIconOf(p->processId()) != 0; }));
        QVERIFY(visibleWindowsNamed(QStringLiteral("^Mirell!$")).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestAppTray)
#include "tst_app_tray.moc"
