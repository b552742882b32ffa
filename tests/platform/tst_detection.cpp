#include "DesktopBackground.h"

#include <QTest>

class TestDetection : public QObject {
    Q_OBJECT
  private slots:
    void detects() {
        using K = DesktopKind;
        // vars as "A=1;B=2"; the background painters installed are xfdesktop,
        // pcmanfm and pcmanfm-qt unless a list is given
        const QStringList all{"xfdesktop", "pcmanfm", "pcmanfm-qt"};
        for (const auto &[vars, kind, installed] : QList<std::tuple<QString, K, QStringList>>{
                 {"XDG_CURRENT_DESKTOP=ubuntu:GNOME;DISPLAY=:0", K::Gnome, all},
                 {"XDG_CURRENT_DESKTOP=X-Cinnamon", K::Cinnamon, all},
                 {"XDG_CURRENT_DESKTOP=XFCE", K::Xfce, all},
                 {"XDG_CURRENT_DESKTOP=LXQt", K::Lxqt, all},
                 {"XDG_CURRENT_DESKTOP=LXDE", K::Lxde, all},
                 {"XDG_CURRENT_DESKTOP=sway;WAYLAND_DISPLAY=wayland-1", K::Sway, all},
                 {"XDG_CURRENT_DESKTOP=Hyprland;WAYLAND_DISPLAY=wayland-1", K::Hyprland, all},
                 {"DISPLAY=:0", K::X11Root, all},
                 // any case, the earlier family winning; whole entries only
                 {"XDG_CURRENT_DESKTOP=gnome:KDE", K::Kde, all},
                 {"XDG_CURRENT_DESKTOP=KDEish:i3;DISPLAY=:0", K::X11Root, all},
                 {"XDG_CURRENT_DESKTOP=MATE;DESKTOP_SESSION=plasma", K::Mate, all},
                 // session names when XDG_CURRENT_DESKTOP says nothing useful, some by prefix
                 {"DESKTOP_SESSION=/usr/share/xsessions/xfce.desktop", K::Xfce, all},
                 {"XDG_SESSION_DESKTOP=budgie-desktop;DISPLAY=:0", K::Gnome, all},
                 {"DESKTOP_SESSION=i3;KDE_FULL_SESSION=true;DISPLAY=:0", K::Kde, all},
                 // compositors by their sockets, after the session names
                 {"SWAYSOCK=/s;HYPRLAND_INSTANCE_SIGNATURE=abc", K::Sway, all},
                 {"HYPRLAND_INSTANCE_SIGNATURE=abc;WAYLAND_DISPLAY=wayland-1", K::Hyprland, all},
                 {"XDG_SESSION_TYPE=wayland", K::UnknownWayland, all},
                 // Xwayland's DISPLAY is not a root to paint
                 {"WAYLAND_DISPLAY=wayland-0;DISPLAY=:1", K::UnknownWayland, all},
                 {"XDG_CURRENT_DESKTOP=;DESKTOP_SESSION=;DISPLAY=", K::None, all},
                 // a desktop whose background painter is missing cannot cover the root
                 {"XDG_CURRENT_DESKTOP=XFCE;DESKTOP_SESSION=xfce;DISPLAY=:0",
                  K::X11Root,
                  {"pcmanfm"}},
                 {"DESKTOP_SESSION=Lubuntu;DISPLAY=:0", K::Lxqt, {"pcmanfm-qt"}},
                 {"DESKTOP_SESSION=Lubuntu;DISPLAY=:0", K::Lxde, {"pcmanfm"}}}) {
            EnvironmentSnapshot env;
            for (const QString &pair : vars.split(u';', Qt::SkipEmptyParts))
                env.vars.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
            env.onPath = [on = installed](const QString &program) { return on.contains(program); };
            QCOMPARE(vars + " -> " + desktopKindName(detectDesktop(env)),
                     vars + " -> " + desktopKindName(kind));
        }
    }
};

QTEST_GUILESS_MAIN(TestDetection)
#include "tst_detection.moc"
