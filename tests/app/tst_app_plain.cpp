#include "Sandbox.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QScopeGuard>
#include <QThread>

using namespace XTools;

// A StatusNotifierItem host as KDE, GNOME's AppIndicator extension or
// swaybar run it, reduced to the watcher the items register with.
class Watcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
  public:
    bool hostRegistered() const { return true; }
  signals:
    void registered(const QString &service);
  public slots:
    void RegisterStatusNotifierItem(const QString &service) { emit registered(service); }
};

// No notification area on this display.
class TestAppPlain : public QObject {
    Q_OBJECT
  private slots:
    void withoutTrayTheWindowIsTheWayIn() {
        Sandbox box;
        QProcess *p = box.start();
        QVERIFY(waitFor(settingsWindow, 25000));
        QCOMPARE(box.command("--quit").code, 0);
        QCOMPARE(Sandbox::exitCode(p), 0);

        // Without its timer library the program says so, rather than crash.
        for (const QString &file : QDir(box.path("prog")).entryList({"Chronome*"}, QDir::Files))
            QVERIFY(QFile::remove(box.path("prog/" + file)));
        p = box.start();
        WindowId message = 0;
        QVERIFY(waitFor([&] {
            return (message = xdoSearch({"--onlyvisible", "--name", "^Mirell$"}).value(0)) != 0;
        }));
        QVERIFY(!settingsWindow());
        run("xdotool", {"windowfocus", "--sync", QString::number(message)});
        run("xdotool", {"key", "Return"});
        QCOMPARE(Sandbox::exitCode(p), 1);
    }

    // On a D-Bus notification area the host draws the exported menu and a
    // left click (Activate) opens the settings window.
    void statusNotifierHost() {
        QProcess daemon;
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        QVERIFY(daemon.waitForReadyRead(10000));
        Sandbox box;
        box.bus = QString::fromUtf8(daemon.readLine().trimmed());
        QDBusConnection bus = QDBusConnection::connectToBus(box.bus, "host");
        // Its own thread answers the item while this one waits on the item.
        QThread thread;
        auto *watcher = new Watcher;
        QVERIFY(bus.registerService("org.kde.StatusNotifierWatcher"));
        QVERIFY(bus.registerObject("/StatusNotifierWatcher", watcher,
                                   QDBusConnection::ExportAllContents));
        watcher->moveToThread(&thread);
        connect(&thread, &QThread::finished, watcher, &QObject::deleteLater);
        thread.start();
        const auto stop = qScopeGuard([&] {
            bus.unregisterObject("/StatusNotifierWatcher");
            thread.quit();
            thread.wait();
            daemon.kill();
            daemon.waitForFinished();
        });
        QString item;
        connect(
            watcher, &Watcher::registered, this, [&](const QString &service) { item = service; },
            Qt::SingleShotConnection);
        QProcess *p = box.start();
        QVERIFY(waitFor([&] { return !item.isEmpty(); }));
        QDBusInterface sni(item, "/StatusNotifierItem", "org.kde.StatusNotifierItem", bus);
        // The menu's items as the host reads them, "-" for separators.
        const QString layout =
            run("gdbus", {"call", "--address", box.bus, "--dest", item, "--object-path",
                          sni.property("Menu").value<QDBusObjectPath>().path(), "--method",
                          "com.canonical.dbusmenu.GetLayout", "--", "0", "-1", "@as []"});
        QStringList items;
        for (const auto &m :
             QRegularExpression("'label': <'([^']*)'>|'separator'").globalMatch(layout))
            items << (m.captured(1).isEmpty() ? "-" : m.captured(1));
        QCOMPARE(items, QStringList({"今すぐMirell!(_N)", "前の壁紙(_B)", "この壁紙を外す(_X)", "-",
                                     "設定(_C)...", "-", "終了(_Q)"}));

        // Asked to draw the menu itself, the item never covers the screen.
        sni.call("ContextMenu", 10, 10);
        QTest::qWait(1000);
        for (WindowId w : xdoSearch({"--pid", QString::number(p->processId())})) {
            const WindowInfo info = windowInfo(w);
            QVERIFY(!info.viewable || info.geometry.width() < 640);
        }
        run("xdotool", {"key", "Escape"});
        sni.call("Activate", 10, 10);
        QVERIFY(waitFor(settingsWindow));
    }
};

QTEST_GUILESS_MAIN(TestAppPlain)
#include "tst_app_plain.moc"
