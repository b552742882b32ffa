#include "DesktopBackground.h"
#include "ScreenInfo.h"

#include <QTest>

Q_DECLARE_METATYPE(DesktopKind)

namespace {

// "A=1;B=2" into a snapshot with the given programs installed.
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

    using K = DesktopKind;
    // vars as "A=1;B=2"; the painters installed are xfdesktop, pcmanfm and
    // pcmanfm-qt unless a list is given
    const auto row = [](const char *vars, DesktopKind kind,
                        const QStringList &installed = everything) {
        QTest::newRow(qPrintable(
            (*vars ? vars : "nothing at all") +
            (installed == everything ? QString() : " with {" + installed.join(',') + "}")))
            << QString::fromUtf8(vars) << installed << kind;
    };
    row("XDG_CURRENT_DESKTOP=ubuntu:GNOME;DISPLAY=:0", K::Gnome);
    row("XDG_CURRENT_DESKTOP=Unity;DISPLAY=:0", K::Gnome);
    row("XDG_CURRENT_DESKTOP=X-Cinnamon;DISPLAY=:0", K::Cinnamon);
    row("XDG_CURRENT_DESKTOP=KDE;WAYLAND_DISPLAY=wayland-0", K::Kde);
    row("XDG_CURRENT_DESKTOP=XFCE;DISPLAY=:0", K::Xfce);
    row("XDG_CURRENT_DESKTOP=MATE;DISPLAY=:0", K::Mate);
    row("XDG_CURRENT_DESKTOP=sway;WAYLAND_DISPLAY=wayland-1", K::Sway);
    row("XDG_CURRENT_DESKTOP=Hyprland;WAYLAND_DISPLAY=w", K::Hyprland);
    row("XDG_CURRENT_DESKTOP=gnome", K::Gnome);
    // two families: the earlier in the priority wins, whatever the order
    row("XDG_CURRENT_DESKTOP=GNOME:KDE", K::Kde);
    row("XDG_CURRENT_DESKTOP=LXDE:XFCE", K::Xfce);
    row("XDG_CURRENT_DESKTOP=KDEish:i3;DISPLAY=:0", K::X11Root); // whole entries only
    row("XDG_CURRENT_DESKTOP=MATE;DESKTOP_SESSION=plasma", K::Mate);
    // session names when XDG_CURRENT_DESKTOP says nothing useful
    row("DESKTOP_SESSION=plasmawayland", K::Kde);
    row("DESKTOP_SESSION=/usr/share/xsessions/xfce.desktop", K::Xfce);
    row("XDG_CURRENT_DESKTOP=i3;DESKTOP_SESSION=cinnamon", K::Cinnamon);
    row("DESKTOP_SESSION=xubuntu", K::Xfce);
    row("DESKTOP_SESSION=mate;XDG_SESSION_DESKTOP=gnome", K::Mate);
    row("XDG_SESSION_DESKTOP=budgie-desktop;DISPLAY=:0", K::Gnome);
    row("DESKTOP_SESSION=i3;KDE_FULL_SESSION=true;DISPLAY=:0", K::Kde);
    row("KDE_FULL_SESSION=false;DISPLAY=:0", K::X11Root);
    row("DESKTOP_SESSION=gnome;SWAYSOCK=/run/s.sock", K::Gnome);
    // compositors by their sockets, after the session names
    row("SWAYSOCK=/s;HYPRLAND_INSTANCE_SIGNATURE=abc", K::Sway);
    row("HYPRLAND_INSTANCE_SIGNATURE=abc;WAYLAND_DISPLAY=wayland-1", K::Hyprland);
    row("XDG_CURRENT_DESKTOP=river;WAYLAND_DISPLAY=wayland-0", K::UnknownWayland);
    row("XDG_SESSION_TYPE=wayland", K::UnknownWayland);
    // Xwayland's DISPLAY is not a root to paint
    row("WAYLAND_DISPLAY=wayland-0;DISPLAY=:1;XDG_SESSION_TYPE=wayland", K::UnknownWayland);
    row("XDG_CURRENT_DESKTOP=i3;DESKTOP_SESSION=i3;DISPLAY=:0;XDG_SESSION_TYPE=x11", K::X11Root);
    row("", K::None);
    row("XDG_CURRENT_DESKTOP=;DESKTOP_SESSION=;DISPLAY=", K::None);
    // a desktop whose background painter is missing cannot cover the root
    row("XDG_CURRENT_DESKTOP=XFCE;DESKTOP_SESSION=xfce;DISPLAY=:0", K::X11Root, {"pcmanfm"});
    row("XDG_CURRENT_DESKTOP=LXDE;WAYLAND_DISPLAY=w", K::UnknownWayland, {});
    row("XDG_CURRENT_DESKTOP=XFCE:GNOME", K::Gnome, {});
    row("DESKTOP_SESSION=Lubuntu;DISPLAY=:0", K::Lxqt, {"pcmanfm-qt"});
    row("DESKTOP_SESSION=Lubuntu;DISPLAY=:0", K::Lxde, {"pcmanfm"});
}

void TestDetection::detects() {
    QFETCH(QString, vars);
    QFETCH(QStringList, installed);
    QFETCH(DesktopKind, expected);
    QCOMPARE(desktopKindName(detectDesktop(snapshot(vars, installed))), desktopKindName(expected));
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
    QVERIFY(env.onPath("sh") && !env.onPath("mirell-no-such-program"));
#ifdef Q_OS_WIN
    QVERIFY(env.windows);
#else
    QVERIFY(!env.windows);
#endif
}

// No QGuiApplication here, so Qt knows no screen at all.
void TestDetection::screenInfoWithoutAScreen() {
    QtScreenInfo info;
    QVERIFY(!info.workArea().isEmpty() && QRect({}, info.size()).contains(info.workArea()));
    QVERIFY(info.dotsPerInch() > 0);
}

QTEST_GUILESS_MAIN(TestDetection)
#include "tst_detection.moc"
