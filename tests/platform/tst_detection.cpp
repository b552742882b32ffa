#include "DataTable.h"
#include "DesktopBackground.h"

#include <QTest>

class TestDetection : public QObject {
    Q_OBJECT
  private slots:
    // Each row's name is the environment, "A=1;B=2"; the background painters
    // installed are xfdesktop, pcmanfm and pcmanfm-qt unless a list is given.
    void detects_data() {
        const auto add = addColumns<int, QStringList>({"kind", "installed"});
        using K = DesktopKind;
        const auto row = [&](const char *vars, K kind,
                             const QStringList &painters = {"xfdesktop", "pcmanfm", "pcmanfm-qt"}) {
            add(vars, int(kind), painters);
        };
        row("XDG_CURRENT_DESKTOP=ubuntu:GNOME;DISPLAY=:0", K::Gnome);
        // any case, the earlier family winning; whole entries only
        row("XDG_CURRENT_DESKTOP=gnome:kde", K::Kde);
        row("XDG_CURRENT_DESKTOP=KDEish:i3;DISPLAY=:0", K::X11Root);
        row("XDG_CURRENT_DESKTOP=MATE;DESKTOP_SESSION=plasma", K::Mate);
        // session names when XDG_CURRENT_DESKTOP says nothing useful, some by prefix
        row("DESKTOP_SESSION=/usr/share/xsessions/xfce.desktop", K::Xfce);
        row("XDG_SESSION_DESKTOP=budgie-desktop;DISPLAY=:0", K::Gnome);
        row("DESKTOP_SESSION=i3;KDE_FULL_SESSION=true;DISPLAY=:0", K::Kde);
        // compositors by their sockets, after the session names
        row("SWAYSOCK=/s;HYPRLAND_INSTANCE_SIGNATURE=abc", K::Sway);
        row("HYPRLAND_INSTANCE_SIGNATURE=abc;WAYLAND_DISPLAY=wayland-1", K::Hyprland);
        row("XDG_SESSION_TYPE=wayland", K::UnknownWayland);
        // Xwayland's DISPLAY is not a root to paint
        row("WAYLAND_DISPLAY=wayland-0;DISPLAY=:1", K::UnknownWayland);
        row("XDG_CURRENT_DESKTOP=;DESKTOP_SESSION=;DISPLAY=", K::None);
        // a desktop whose background painter is missing cannot cover the root
        row("XDG_CURRENT_DESKTOP=XFCE;DESKTOP_SESSION=xfce;DISPLAY=:0", K::X11Root, {"pcmanfm"});
        row("DESKTOP_SESSION=Lubuntu;DISPLAY=:0", K::Lxqt, {"pcmanfm-qt"});
        row("DESKTOP_SESSION=Lubuntu;DISPLAY=:0;", K::Lxde, {"pcmanfm"});
    }
    void detects() {
        QFETCH(int, kind);
        QFETCH(QStringList, installed);
        EnvironmentSnapshot env;
        for (const QString &pair : QString(QTest::currentDataTag()).split(u';', Qt::SkipEmptyParts))
            env.vars.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
        env.onPath = [&](const QString &program) { return installed.contains(program); };
        QCOMPARE(desktopKindName(detectDesktop(env)), desktopKindName(DesktopKind(kind)));
    }
};

QTEST_GUILESS_MAIN(TestDetection)
#include "tst_detection.moc"
