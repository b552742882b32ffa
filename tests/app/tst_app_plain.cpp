#include "Sandbox.h"
#include "TrayIcon.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QThread>

using namespace XTools;

namespace {
constexpr int TrayWaitMs = 2000; // instead of the 10 s a login gives the tray
}

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

// The desktop's notification service, reduced to the call the program makes.
class Notifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
  signals:
    void notified(const QString &body);
  public slots:
    uint Notify(const QString &, uint, const QString &, const QString &, const QString &body,
                const QStringList &, const QVariantMap &, int) {
        emit notified(body);
        return 1;
    }
};

// A private session bus with a panel's watcher that comes and goes.
struct Host {
    QProcess daemon;
    QDBusConnection bus{QString()};
    QThread thread; // answers the item while the test waits on the item
    QString address;
    QStringList items; // as they registered
    QStringList notes; // bodies of the notifications
    Watcher *watcher = nullptr;
    Host() {
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        daemon.waitForReadyRead(10000);
        address = QString::fromUtf8(daemon.readLine().trimmed());
        bus = QDBusConnection::connectToBus(address, "host");
        watcher = new Watcher;
        bus.registerObject("/StatusNotifierWatcher", watcher, QDBusConnection::ExportAllContents);
        watcher->moveToThread(&thread);
        QObject::connect(&thread, &QThread::finished, watcher, &QObject::deleteLater);
        QObject::connect(watcher, &Watcher::registered, &daemon,
                         [this](const QString &service) { items << service; });
        auto *notifications = new Notifications;
        bus.registerObject("/org/freedesktop/Notifications", notifications,
                           QDBusConnection::ExportAllSlots);
        notifications->moveToThread(&thread);
        QObject::connect(&thread, &QThread::finished, notifications, &QObject::deleteLater);
        QObject::connect(notifications, &Notifications::notified, &daemon,
                         [this](const QString &body) { notes << body; });
        thread.start();
    }
    ~Host() {
        bus.unregisterObject("/org/freedesktop/Notifications");
        bus.unregisterObject("/StatusNotifierWatcher");
        QDBusConnection::disconnectFromBus("host");
        thread.quit();
        thread.wait();
        daemon.kill();
        daemon.waitForFinished();
    }
    bool setUp(bool up, const QString &name = "org.kde.StatusNotifierWatcher") {
        return up ? bus.registerService(name) : bus.unregisterService(name);
    }
    // The panel goes and comes back. An item may well register twice with
    // one panel (it may see the panel in the middle of its own start); what
    // reached the panel before it went is taken in, then forgotten.
    void restart() {
        QVERIFY(setUp(false));
        QMetaObject::invokeMethod(
            watcher, [] {}, Qt::BlockingQueuedConnection);
        QCoreApplication::sendPostedEvents();
        items.clear();
        QVERIFY(setUp(true));
    }
};

// No notification area on this display, or only a D-Bus one.
class TestAppPlain : public QObject {
    Q_OBJECT
  private slots:
    // The tip the XEmbed and Windows trays show: the name, then the note.
    void toolTip() {
        TrayIcon tray;
        tray.setToolTipNote("一時停止中");
        QCOMPARE(tray.toolTip(), "Mirell!\n一時停止中");
        tray.setToolTipNote("");
        QCOMPARE(tray.toolTip(), "Mirell!");
    }

    void withoutTrayTheWindowIsTheWayIn() {
        Sandbox box;
        box.env.insert("MIRELL_TRAY_WAIT_MS", QString::number(TrayWaitMs));
        QElapsedTimer clock;
        clock.start();
        QProcess *p = box.start();
        QVERIFY(waitFor(settingsWindow, 10000 + TrayWaitMs));
        QVERIFY2(clock.elapsed() >= TrayWaitMs, "the window came before the tray had its time");
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

    // With no notification area, a start by hand opens the window; a start
    // at login tells once how to reach the settings, unless nothing can. A
    // registered StatusNotifierItem counts as a tray.
    void atTheEndOfTheWait_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("notifications");
        QTest::addColumn<bool>("panel");
        QTest::addColumn<bool>("window");
        QTest::newRow("by hand") << QStringList() << true << false << true;
        QTest::newRow("at login") << QStringList{"--login"} << true << false << false;
        QTest::newRow("at login, no notices") << QStringList{"--login"} << false << false << true;
        QTest::newRow("D-Bus panel") << QStringList() << true << true << false;
    }
    void atTheEndOfTheWait() {
        QFETCH(QStringList, args);
        QFETCH(bool, notifications);
        QFETCH(bool, panel);
        QFETCH(bool, window);
        Host host;
        QVERIFY(!notifications || host.setUp(true, "org.freedesktop.Notifications"));
        QVERIFY(!panel || host.setUp(true));
        Sandbox box;
        box.bus = host.address;
        box.env.insert("MIRELL_TRAY_WAIT_MS", QString::number(TrayWaitMs));
        box.start(args);
        QCOMPARE(waitFor(settingsWindow, TrayWaitMs + 3000), window);
        QCOMPARE(host.notes.size(), int(notifications && !window && !panel));
        QVERIFY(host.notes.value(0, "mirell --settings").contains("mirell --settings"));
        QCOMPARE(host.items.size(), int(panel));
    }

    // The menu entry's actions start the program when it is not running,
    // then do what they say; a running copy takes them as commands.
    void menuActions() {
        Sandbox box;
        QProcess *p = box.start({"--start", "--pause"});
        QVERIFY(waitFor([&] { return box.command("--status").out.contains("paused: yes"); }));
        QCOMPARE(box.command("--start --settings").code, 0);
        QVERIFY(waitFor(settingsWindow));
        QCOMPARE(box.command("--quit").code, 0);
        QCOMPARE(Sandbox::exitCode(p), 0);
    }

    // A panel that comes after the program, and comes again after a restart,
    // gets the item; it draws the exported menu, and a left click (Activate)
    // opens the settings window.
    void statusNotifierHost() {
        Host host;
        QVERIFY(host.bus.isConnected());
        Sandbox box;
        box.bus = host.address;
        // However slow the machine, the panel comes within the wait.
        box.env.insert("MIRELL_TRAY_WAIT_MS", "600000");
        QProcess *p = box.start();
        // The item is on the bus before any panel is.
        QVERIFY(waitFor([&] {
            return host.bus.interface()
                       ->registeredServiceNames()
                       .value()
                       .filter("StatusNotifierItem")
                       .size() == 1;
        }));
        QVERIFY(host.setUp(true));
        QVERIFY2(waitFor([&] { return !host.items.isEmpty(); }), "a late panel got no item");
        host.restart();
        QVERIFY2(waitFor([&] { return !host.items.isEmpty(); }), "a restarted panel got no item");
        const QString item = host.items.last();
        QDBusInterface sni(item, "/StatusNotifierItem", "org.kde.StatusNotifierItem", host.bus);
        const auto gdbus = [&](const QString &path, const QStringList &call) {
            return run("gdbus", QStringList{"call", "--address", host.address, "--dest", item,
                                            "--object-path", path, "--method"} +
                                    call);
        };
        // The note of a pause reaches the tip.
        QCOMPARE(box.command("--pause").code, 0);
        QVERIFY(waitFor([&] {
            return gdbus("/StatusNotifierItem", {"org.freedesktop.DBus.Properties.Get",
                                                 "org.kde.StatusNotifierItem", "ToolTip"})
                .contains("'Mirell!', '一時停止中'");
        }));
        // The menu's items as the host reads them, "-" for separators.
        const QString layout =
            gdbus(sni.property("Menu").value<QDBusObjectPath>().path(),
                  {"com.canonical.dbusmenu.GetLayout", "--", "0", "-1", "@as []"});
        QStringList labels;
        for (const auto &m :
             QRegularExpression("'label': <'([^']*)'>|'separator'").globalMatch(layout))
            labels << (m.captured(1).isEmpty() ? "-" : m.captured(1));
        QCOMPARE(labels, QStringList({"今すぐMirell!(_N)", "前の壁紙(_B)", "この壁紙を外す(_X)",
                                      "-", "設定(_C)...", "-", "終了(_Q)"}));

        // Asked to draw the menu itself, the item pops it up, small.
        sni.call("ContextMenu", 10, 10);
        WindowId menu = 0;
        QVERIFY(waitFor([&] { return (menu = shownWindowOf(p->processId(), true)) != 0; }));
        QVERIFY(windowInfo(menu).geometry.width() < 640);
        run("xdotool", {"key", "Escape"});
        sni.call("Activate", 10, 10);
        QVERIFY(waitFor(settingsWindow));
    }

    // On X11 a D-Bus panel that comes after the icon docked in an XEmbed tray
    // takes it over: only its item knows a left click.
    void lateWatcherOverXEmbed() {
        Host host;
        Sandbox box;
        box.bus = host.address;
        QProcess trayer; // ends with the test
        trayer.start("trayer", {"--edge", "bottom", "--width", "10", "--SetDockType", "true"});
        QProcess *p = box.start();
        QVERIFY(waitFor([&] { return shownWindowOf(p->processId(), false) != 0; }));
        QVERIFY(host.setUp(true));
        QVERIFY(waitFor([&] { return host.items.size() == 1; }));
        QVERIFY(waitFor([&] { return shownWindowOf(p->processId(), false) == 0; }));
        trayer.kill();
        trayer.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(TestAppPlain)
#include "tst_app_plain.moc"
