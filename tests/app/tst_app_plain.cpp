#include "DataTable.h"
#include "Sandbox.h"
#include "TrayIcon.h"

#include <QtDBus>

using namespace XTools;

namespace {
constexpr int TrayWaitMs = 2000; // instead of the 10 s a login gives the tray
}

// A StatusNotifierItem host as KDE, GNOME's AppIndicator extension or
// swaybar run it, reduced to the watcher the items register with, and the
// desktop's notification service, reduced to the call the program makes.
class Desktop : public QDBusVirtualObject {
    Q_OBJECT
  public:
    QString introspect(const QString &) const override {
        return "<interface name='org.kde.StatusNotifierWatcher'><property type='b' access='read' "
               "name='IsStatusNotifierHostRegistered'/></interface>"
               "<interface name='org.freedesktop.Notifications'/>";
    }
    bool handleMessage(const QDBusMessage &call, const QDBusConnection &bus) override {
        const QString member = call.member();
        const bool notify = member == "Notify";
        if (member == "Get") // IsStatusNotifierHostRegistered
            return bus.send(call.createReply(QVariant::fromValue(QDBusVariant(true))));
        if (!notify && member != "RegisterStatusNotifierItem")
            return false; // Qt answers an introspection from introspect()
        emit called(notify, call.arguments().value(notify ? 4 : 0).toString());
        return bus.send(call.createReply(notify ? QVariantList{1u} : QVariantList()));
    }
  signals:
    void called(bool notify, const QString &argument);
};

// A private session bus, where no service starts on demand, with a panel's
// watcher and a notification service that come and go.
struct Host {
    QTemporaryFile config;
    QProcess daemon;
    QDBusConnection bus{QString()};
    QThread thread; // answers the item while the test waits on the item
    QString address;
    QStringList items, notes; // as they registered; bodies of the notifications
    Desktop *desktop = new Desktop;
    const QStringList paths{"/StatusNotifierWatcher", "/org/freedesktop/Notifications"};
    Host() {
        config.open();
        config.write("<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><policy "
                     "context='default'><allow send_destination='*'/><allow receive_sender='*'/>"
                     "<allow own='*'/></policy></busconfig>");
        config.flush();
        daemon.start("dbus-daemon",
                     {"--config-file=" + config.fileName(), "--nofork", "--print-address=1"});
        daemon.waitForReadyRead(10000);
        address = QString::fromUtf8(daemon.readLine().trimmed());
        bus = QDBusConnection::connectToBus(address, "host");
        for (const QString &path : paths)
            bus.registerVirtualObject(path, desktop);
        desktop->moveToThread(&thread);
        QObject::connect(&thread, &QThread::finished, desktop, &QObject::deleteLater);
        QObject::connect(
            desktop, &Desktop::called, &daemon,
            [this](bool note, const QString &text) { (note ? notes : items) << text; });
        thread.start();
    }
    ~Host() {
        for (const QString &path : paths)
            bus.unregisterObject(path);
        QDBusConnection::disconnectFromBus("host");
        thread.quit();
        thread.wait();
        daemon.kill();
        daemon.waitForFinished();
    }
    bool setUp(bool up, const QString &name = "org.kde.StatusNotifierWatcher") {
        return up ? bus.registerService(name) : bus.unregisterService(name);
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

    // Without its timer library the program says so, rather than crash.
    void withoutItsTimerLibraryItSaysSo() {
        Sandbox box;
        for (const QString &file : QDir(box.path("prog")).entryList({"Chronome*"}, QDir::Files))
            QVERIFY(QFile::remove(box.path("prog/" + file)));
        QProcess *p = box.start();
        // The message is the one window; Return closes it.
        run("xdotool",
            {"search", "--sync", "--onlyvisible", "--name", "^Mirell$", "windowfocus", "--sync"},
            30000);
        QVERIFY(!settingsWindow());
        run("xdotool", {"key", "Return"});
        QCOMPARE(Sandbox::exitCode(p), 1);
    }

    // With no notification area, a start at login tells once how to reach the
    // settings, or opens the window when nothing can tell. A registered
    // StatusNotifierItem counts as a tray. (A start by hand opens the window:
    // late-tray.sh.)
    void atLoginTheWaitEnds_data() {
        const auto row = addColumns<bool, bool>({"notifications", "panel"});
        row("a note", true, false);
        row("no notices: the window", false, false);
        row("D-Bus panel: nothing", true, true);
    }
    void atLoginTheWaitEnds() {
        QFETCH(bool, notifications);
        QFETCH(bool, panel);
        const bool window = !notifications;
        Host host;
        QVERIFY(!notifications || host.setUp(true, "org.freedesktop.Notifications"));
        QVERIFY(!panel || host.setUp(true));
        Sandbox box(host.address);
        box.env["MIRELL_TRAY_WAIT_MS"] = QString::number(TrayWaitMs);
        box.start({"--login"});
        // The wait ends in a window or a note, or with a panel, in nothing.
        QVERIFY(waitFor([&] { return settingsWindow() || host.notes.size() + host.items.size(); },
                        TrayWaitMs + 30000));
        QCOMPARE(waitFor(settingsWindow, window ? 0 : TrayWaitMs + 3000), window);
        QCOMPARE(host.notes.size(), int(notifications && !panel));
        QVERIFY(host.notes.value(0, "mirell --settings").contains("mirell --settings"));
        QCOMPARE(host.items.size(), int(panel));
    }

    // A panel that comes after the program, and comes again after a restart,
    // gets the item; it draws the exported menu, and a left click (Activate)
    // opens the settings window. On X11 it takes over from the XEmbed tray the
    // icon docked in: only its item knows a left click.
    void statusNotifierHost() {
        Host host;
        Sandbox box(host.address);
        QProcess trayer; // ends with the test
        trayer.start("trayer", {"--edge", "bottom", "--width", "10", "--SetDockType", "true"});
        // However slow the machine, the panel comes in time.
        box.env["MIRELL_TRAY_WAIT_MS"] = "600000";
        QProcess *p = box.start();
        QVERIFY(waitFor([&] { return shownWindowOf(p->processId(), false) != 0; }));
        QVERIFY(host.setUp(true));
        QVERIFY2(waitFor([&] { return !host.items.isEmpty(); }), "a late panel got no item");
        QVERIFY(waitFor([&] { return shownWindowOf(p->processId(), false) == 0; }));
        // The panel goes and comes back. An item may well register twice with
        // one panel (it may see the panel in the middle of its own start); what
        // reached the panel before it went is taken in, then forgotten.
        QVERIFY(host.setUp(false));
        QMetaObject::invokeMethod(
            host.desktop, [] {}, Qt::BlockingQueuedConnection);
        QCoreApplication::sendPostedEvents();
        host.items.clear();
        QVERIFY(host.setUp(true));
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
        // The menu's items as the host reads them, separators empty.
        const QString layout =
            gdbus(sni.property("Menu").value<QDBusObjectPath>().path(),
                  {"com.canonical.dbusmenu.GetLayout", "--", "0", "-1", "@as []"});
        QString labels;
        for (const auto &m :
             QRegularExpression("'label': <'([^']*)'>|'separator'").globalMatch(layout))
            labels += m.captured(1) + '|';
        QCOMPARE(labels,
                 "今すぐMirell!(_N)|前の壁紙(_B)|この壁紙を外す(_X)||設定(_C)...||終了(_Q)|");

        // Asked to draw the menu itself, the item pops it up, small.
        sni.call("ContextMenu", 10, 10);
        WindowId menu = 0;
        QVERIFY(waitFor([&] { return (menu = shownWindowOf(p->processId(), true)) != 0; }));
        QVERIFY(windowInfo(menu).geometry.width() < 640);
        run("xdotool", {"key", "Escape"});
        sni.call("Activate", 10, 10);
        QVERIFY(waitFor(settingsWindow));
    }
};

QTEST_GUILESS_MAIN(TestAppPlain)
#include "tst_app_plain.moc"
