#include "Sandbox.h"
#include "XTools.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusVariant>
#include <QMutex>
#include <QScopeGuard>
#include <QThread>

using namespace XTools;

// A StatusNotifierItem host as KDE, GNOME's AppIndicator extension or
// swaybar run it, reduced to the watcher the items register with.
class Watcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
  public:
    QString item() {
        const QMutexLocker lock(&m_mutex);
        return m_item;
    }
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
  public slots:
    void RegisterStatusNotifierItem(const QString &service) {
        const QMutexLocker lock(&m_mutex);
        m_item = service;
    }
    void RegisterStatusNotifierHost(const QString &) {}

  private:
    QMutex m_mutex;
    QString m_item;
};

namespace {
// Captions of a dbusmenu layout's children, "-" for separators.
QStringList menuItems(const QDBusArgument &layout) {
    QStringList items;
    int id = 0;
    QVariantMap properties;
    layout.beginStructure();
    layout >> id >> properties;
    layout.beginArray();
    while (!layout.atEnd()) {
        QDBusVariant child;
        layout >> child;
        const QDBusArgument item = child.variant().value<QDBusArgument>();
        item.beginStructure();
        item >> id >> properties;
        items << (properties.value("type") == "separator" ? "-"
                                                          : properties.value("label").toString());
    }
    return items;
}
} // namespace

// No notification area on this display.
class TestAppPlain : public QObject {
    Q_OBJECT
  private slots:
    void withoutTrayTheWindowIsTheWayIn() {
        Sandbox box;
        QVERIFY(box.isValid());
        QProcess *p = box.start();
        QVERIFY(waitFor([] { return !visibleWindowsNamed("^Mirell!$").isEmpty(); }, 25000));
        QCOMPARE(p->state(), QProcess::Running);
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
        });
        QProcess *p = box.start();
        QVERIFY(waitFor([&] { return !watcher->item().isEmpty(); }));
        const QString item = watcher->item();
        QDBusInterface sni(item, "/StatusNotifierItem", "org.kde.StatusNotifierItem", bus);
        const QString menuPath = sni.property("Menu").value<QDBusObjectPath>().path();
        QDBusMessage layout = bus.call(
            QDBusMessage::createMethodCall(item, menuPath, "com.canonical.dbusmenu", "GetLayout")
            << 0 << -1 << QStringList());
        QCOMPARE(menuItems(layout.arguments().value(1).value<QDBusArgument>()),
                 QStringList({"今すぐMirell!(_N)", "-", "設定(_C)...", "-", "終了(_Q)"}));

        // Asked to draw the menu itself, the item never covers the screen.
        sni.call("ContextMenu", 10, 10);
        QTest::qWait(1000);
        for (WindowId w : windowsOfPid(p->processId())) {
            const WindowInfo info = windowInfo(w);
            QVERIFY(!info.viewable || info.geometry.width() < 640);
        }
        run("xdotool", {"key", "Escape"});
        sni.call("Activate", 10, 10);
        QVERIFY(waitFor([] { return !visibleWindowsNamed("^Mirell!$").isEmpty(); }));
        QCOMPARE(p->state(), QProcess::Running);
        daemon.kill();
        daemon.waitForFinished();
    }

    void missingTimerLibraryIsReportedNotACrash() {
        Sandbox box(false);
        QVERIFY(box.isValid());
        QProcess *p = box.start();
        QList<WindowId> boxes;
        QVERIFY(waitFor([&] { return !(boxes = visibleWindowsNamed("^Mirell$")).isEmpty(); }));
        QCOMPARE(p->state(), QProcess::Running);
        QVERIFY(visibleWindowsNamed("^Mirell!$").isEmpty());
        run("xdotool", {"windowfocus", "--sync", QString::number(boxes.first())});
        run("xdotool", {"key", "Return"});
        QVERIFY(p->waitForFinished(10000));
        QCOMPARE(p->exitStatus(), QProcess::NormalExit);
        QCOMPARE(p->exitCode(), 1);
    }
};

QTEST_GUILESS_MAIN(TestAppPlain)
#include "tst_app_plain.moc"
