#include "DesktopBackground.h"
#include "ScreenInfo.h"

#include <QTest>

Q_DECLARE_METATYPE(DesktopKind)

namespace {

// "A=1;B=2" into a snapshot; "path" lists the programs that are installed.
EnvironmentSnapshot snapshot(const QString &vars, const QStringList &installed) {
    EnvironmentSnapshot env;
    for (const QString &pair : vars.split(u';', Qt::SkipEmptyParts))
        env.vars.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
    env.onPath = [installed](const QString &program) { return installed.contains(program); };
    return env;
}

const QStringList everything{"xfdesktop", "pcmanfm", "pcmanfm-qt"};

} // namespace

class TestDetection : public QObject {
    Q_OBJECT
  private slots:
    void detects_data();
    void detects();
    void windowsWinsOverEverything();
    void currentReadsTheRealEnvironment();
    void screenInfoWithoutAScreen();
};

void TestDetection::detects_data() {
    QTest::addColumn<QString>("vars");
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<DesktopKind>("expected");

    const auto row = [](const char *name, const char *vars, DesktopKind kind,
                        const QStringList &installed = everything) {
        QTest::newRow(name) << QString::fromUtf8(vars) << installed << kind;
    };
    // XDG_CURRENT_DESKTOP as the desktops themselves set it
    row("ubuntu:GNOME", "XDG_CURRENT_DESKTOP=ubuntu:GNOME;DISPLAY=:0", DesktopKind::Gnome);
    row("Budgie:GNOME", "XDG_CURRENT_DESKTOP=Budgie:GNOME;WAYLAND_DISPLAY=w", DesktopKind::Gnome);
    row("Unity", "XDG_CURRENT_DESKTOP=Unity;DISPLAY=:0", DesktopKind::Gnome);
    row("pop:GNOME", "XDG_CURRENT_DESKTOP=pop:GNOME", DesktopKind::Gnome);
    row("Pantheon", "XDG_CURRENT_DESKTOP=Pantheon", DesktopKind::Gnome);
    row("X-Cinnamon", "XDG_CURRENT_DESKTOP=X-Cinnamon;DISPLAY=:0", DesktopKind::Cinnamon);
    row("KDE", "XDG_CURRENT_DESKTOP=KDE;WAYLAND_DISPLAY=wayland-0", DesktopKind::Kde);
    row("XFCE", "XDG_CURRENT_DESKTOP=XFCE;DISPLAY=:0", DesktopKind::Xfce);
    row("MATE", "XDG_CURRENT_DESKTOP=MATE;DISPLAY=:0", DesktopKind::Mate);
    row("LXQt", "XDG_CURRENT_DESKTOP=LXQt;DISPLAY=:0", DesktopKind::Lxqt);
    row("LXDE", "XDG_CURRENT_DESKTOP=LXDE;DISPLAY=:0", DesktopKind::Lxde);
    row("sway", "XDG_CURRENT_DESKTOP=sway;WAYLAND_DISPLAY=wayland-1", DesktopKind::Sway);
    row("Hyprland", "XDG_CURRENT_DESKTOP=Hyprland;WAYLAND_DISPLAY=w", DesktopKind::Hyprland);
    row("case does not matter", "XDG_CURRENT_DESKTOP=gnome", DesktopKind::Gnome);
    // a value naming two families: the earlier family in the priority wins,
    // whatever the order inside the value
    row("GNOME then KDE", "XDG_CURRENT_DESKTOP=GNOME:KDE", DesktopKind::Kde);
    row("GNOME then MATE", "XDG_CURRENT_DESKTOP=GNOME:MATE", DesktopKind::Mate);
    row("LXDE then XFCE", "XDG_CURRENT_DESKTOP=LXDE:XFCE", DesktopKind::Xfce);
    row("only a whole entry counts", "XDG_CURRENT_DESKTOP=KDEish:i3;DISPLAY=:0",
        DesktopKind::X11Root);
    row("XDG_CURRENT_DESKTOP beats the session name",
        "XDG_CURRENT_DESKTOP=MATE;DESKTOP_SESSION=plasma", DesktopKind::Mate);

    // session names when XDG_CURRENT_DESKTOP says nothing useful
    row("DESKTOP_SESSION only", "DESKTOP_SESSION=plasmawayland", DesktopKind::Kde);
    row("DESKTOP_SESSION gnome-xorg", "DESKTOP_SESSION=gnome-xorg;DISPLAY=:0", DesktopKind::Gnome);
    row("DESKTOP_SESSION as a path", "DESKTOP_SESSION=/usr/share/xsessions/xfce.desktop",
        DesktopKind::Xfce);
    row("DESKTOP_SESSION cinnamon", "XDG_CURRENT_DESKTOP=i3;DESKTOP_SESSION=cinnamon",
        DesktopKind::Cinnamon);
    row("xubuntu is not ubuntu", "DESKTOP_SESSION=xubuntu", DesktopKind::Xfce);
    row("DESKTOP_SESSION before XDG_SESSION_DESKTOP",
        "DESKTOP_SESSION=mate;XDG_SESSION_DESKTOP=gnome", DesktopKind::Mate);
    row("XDG_SESSION_DESKTOP only", "XDG_SESSION_DESKTOP=budgie-desktop;DISPLAY=:0",
        DesktopKind::Gnome);
    row("KDE_FULL_SESSION", "DESKTOP_SESSION=i3;KDE_FULL_SESSION=true;DISPLAY=:0",
        DesktopKind::Kde);
    row("KDE_FULL_SESSION other than true", "KDE_FULL_SESSION=false;DISPLAY=:0",
        DesktopKind::X11Root);
    row("session names outrank the sockets", "DESKTOP_SESSION=gnome;SWAYSOCK=/run/s.sock",
        DesktopKind::Gnome);

    // compositors found by their sockets
    row("SWAYSOCK only", "SWAYSOCK=/run/user/1000/sway-ipc.sock", DesktopKind::Sway);
    row("SWAYSOCK before Hyprland", "SWAYSOCK=/s;HYPRLAND_INSTANCE_SIGNATURE=abc",
        DesktopKind::Sway);
    row("HYPRLAND_INSTANCE_SIGNATURE only",
        "HYPRLAND_INSTANCE_SIGNATURE=abc;WAYLAND_DISPLAY=wayland-1", DesktopKind::Hyprland);

    // what is left
    row("Wayland with no match", "XDG_CURRENT_DESKTOP=river;WAYLAND_DISPLAY=wayland-0",
        DesktopKind::UnknownWayland);
    row("Wayland by session type", "XDG_SESSION_TYPE=wayland", DesktopKind::UnknownWayland);
    row("Xwayland's DISPLAY is not a root to paint",
        "WAYLAND_DISPLAY=wayland-0;DISPLAY=:1;XDG_SESSION_TYPE=wayland",
        DesktopKind::UnknownWayland);
    row("bare DISPLAY", "DISPLAY=:0", DesktopKind::X11Root);
    row("i3 under X", "XDG_CURRENT_DESKTOP=i3;DESKTOP_SESSION=i3;DISPLAY=:0;XDG_SESSION_TYPE=x11",
        DesktopKind::X11Root);
    row("nothing at all", "", DesktopKind::None);
    row("empty values are absent",
        "XDG_CURRENT_DESKTOP=;DESKTOP_SESSION=;DISPLAY=", DesktopKind::None);

    // a desktop whose background painter is not installed cannot be covering
    // the root window: its name is passed over
    row("XFCE without xfdesktop", "XDG_CURRENT_DESKTOP=XFCE;DESKTOP_SESSION=xfce;DISPLAY=:0",
        DesktopKind::X11Root, {"pcmanfm"});
    row("LXDE without pcmanfm, Wayland", "XDG_CURRENT_DESKTOP=LXDE;WAYLAND_DISPLAY=w",
        DesktopKind::UnknownWayland, {});
    row("XFCE:GNOME without xfdesktop", "XDG_CURRENT_DESKTOP=XFCE:GNOME", DesktopKind::Gnome, {});
    row("Lubuntu with LXQt's painter", "DESKTOP_SESSION=Lubuntu;DISPLAY=:0", DesktopKind::Lxqt,
        {"pcmanfm-qt"});
    row("Lubuntu with LXDE's painter", "DESKTOP_SESSION=Lubuntu;DISPLAY=:0", DesktopKind::Lxde,
        {"pcmanfm"});
    row("painters do not matter to GNOME", "XDG_CURRENT_DESKTOP=GNOME", DesktopKind::Gnome, {});
}

void TestDetection::detects() {
    QFETCH(QString, vars);
    QFETCH(QStringList, installed);
    QFETCH(DesktopKind, expected);
    const DesktopKind kind = detectDesktop(snapshot(vars, installed));
    QVERIFY2(kind == expected,
             qPrintable(QStringLiteral("got %1, expected %2")
                            .arg(desktopKindName(kind), desktopKindName(expected))));
}

void TestDetection::windowsWinsOverEverything() {
    EnvironmentSnapshot env = snapshot("XDG_CURRENT_DESKTOP=KDE;DISPLAY=:0", everything);
    env.windows = true;
    QCOMPARE(detectDesktop(env), DesktopKind::Windows);
}

void TestDetection::currentReadsTheRealEnvironment() {
    qputenv("MIRELL_DETECTION_PROBE", "ünï:code");
    const EnvironmentSnapshot env = EnvironmentSnapshot::current();
    qunsetenv("MIRELL_DETECTION_PROBE");
    QCOMPARE(env.vars.value("MIRELL_DETECTION_PROBE"), QString::fromUtf8("ünï:code"));
    QVERIFY(env.onPath("sh"));
    QVERIFY(!env.onPath("mirell-no-such-program"));
#ifdef Q_OS_WIN
    QVERIFY(env.windows);
#else
    QVERIFY(!env.windows);
#endif
}

// No QGuiApplication here, so Qt knows no screen at all.
void TestDetection::screenInfoWithoutAScreen() {
    QtScreenInfo info;
    QVERIFY(!info.size().isEmpty());
    QVERIFY(QRect(QPoint(0, 0), info.size()).contains(info.workArea()));
    QVERIFY(!info.workArea().isEmpty());
    QVERIFY(info.dotsPerInch() > 0);
}

QTEST_GUILESS_MAIN(TestDetection)
#include "tst_detection.moc"
