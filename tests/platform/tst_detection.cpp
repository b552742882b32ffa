#include "DesktopBackground.h"

#include <QTest>

Q_DECLARE_METATYPE(DesktopKind)

class TestDetection : public QObject {
    Q_OBJECT
  private slots:
    void detects_data() {
        QTest::addColumn<QString>("vars");
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<DesktopKind>("expected");
        using K = DesktopKind;
        // vars as "A=1;B=2"; the background painters installed are xfdesktop,
        // pcmanfm and pcmanfm-qt unless a list is given
        const QStringList all{"xfdesktop", "pcmanfm", "pcmanfm-qt"};
        const auto row = [&](const char *vars, DesktopKind kind, const QStringList &installed) {
            QTest::newRow(qPrintable(QString::fromUtf8(vars) + " {" + installed.join(',') + "}"))
                << QString::fromUtf8(vars) << installed << kind;
        };
        row("XDG_CURRENT_DESKTOP=ubuntu:GNOME;DISPLAY=:0", K::Gnome, all);
        row("XDG_CURRENT_DESKTOP=X-Cinnamon", K::Cinnamon, all);
        row("XDG_CURRENT_DESKTOP=XFCE", K::Xfce, all);
        row("XDG_CURRENT_DESKTOP=LXQt", K::Lxqt, all);
        row("XDG_CURRENT_DESKTOP=LXDE", K::Lxde, all);
        row("XDG_CURRENT_DESKTOP=sway;WAYLAND_DISPLAY=wayland-1", K::Sway, all);
        row("XDG_CURRENT_DESKTOP=Hyprland;WAYLAND_DISPLAY=wayland-1", K::Hyprland, all);
        row("DISPLAY=:0", K::X11Root, all);
        row("XDG_CURRENT_DESKTOP=gnome:KDE", K::Kde, all); // any case; the earlier family wins
        row("XDG_CURRENT_DESKTOP=KDEish:i3;DISPLAY=:0", K::X11Root, all); // whole entries only
        row("XDG_CURRENT_DESKTOP=MATE;DESKTOP_SESSION=plasma", K::Mate, all);
        // session names when XDG_CURRENT_DESKTOP says nothing useful
        row("DESKTOP_SESSION=/usr/share/xsessions/xfce.desktop", K::Xfce, all);
        row("XDG_SESSION_DESKTOP=budgie-desktop;DISPLAY=:0", K::Gnome, all); // by prefix
        row("DESKTOP_SESSION=i3;KDE_FULL_SESSION=true;DISPLAY=:0", K::Kde, all);
        // compositors by their sockets, after the session names
        row("SWAYSOCK=/s;HYPRLAND_INSTANCE_SIGNATURE=abc", K::Sway, all);
        row("HYPRLAND_INSTANCE_SIGNATURE=abc;WAYLAND_DISPLAY=wayland-1", K::Hyprland, all);
        row("XDG_SESSION_TYPE=wayland", K::UnknownWayland, all);
        // Xwayland's DISPLAY is not a root to paint
        row("WAYLAND_DISPLAY=wayland-0;DISPLAY=:1", K::UnknownWayland, all);
        row("XDG_CURRENT_DESKTOP=;DESKTOP_SESSION=;DISPLAY=", K::None, all);
        // a desktop whose background painter is missing cannot cover the root
        row("XDG_CURRENT_DESKTOP=XFCE;DESKTOP_SESSION=xfce;DISPLAY=:0", K::X11Root, {"pcmanfm"});
        row("DESKTOP_SESSION=Lubuntu;DISPLAY=:0", K::Lxqt, {"pcmanfm-qt"});
        row("DESKTOP_SESSION=Lubuntu;DISPLAY=:0", K::Lxde, {"pcmanfm"});
    }

    void detects() {
        QFETCH(QString, vars);
        QFETCH(QStringList, installed);
        QFETCH(DesktopKind, expected);
        EnvironmentSnapshot env;
        for (const QString &pair : vars.split(u';', Qt::SkipEmptyParts))
            env.vars.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
        env.onPath = [installed](const QString &program) { return installed.contains(program); };
        QCOMPARE(desktopKindName(detectDesktop(env)), desktopKindName(expected));
    }
};

QTEST_GUILESS_MAIN(TestDetection)
#include "tst_detection.moc"
