#include "DesktopBackground.h"

#include <QProcessEnvironment>
#include <QStandardPaths>

#include <array>
#include <optional>

// Which program paints the background of the desktops whose wallpaper is
// not drawn by the compositor itself. Session names linger (a display
// manager that still says "xfce" for an i3 login, a Lubuntu name shared by
// an LXDE and an LXQt generation); when that painter is not even installed,
// it cannot be covering the root window, so the name is passed over and
// detection goes on, usually down to the root window. An installed painter
// keeps its desktop even if the tool its backend needs is missing: that
// backend then says which program is missing, instead of painting a root
// window nobody sees.

namespace {

using Names = std::array<const char *, 6>; // unused slots stay nullptr

struct Family {
    DesktopKind kind;
    Names names; // XDG_CURRENT_DESKTOP entries
    Names sessionPrefixes;
    const char *painter; // nullptr: the desktop is there whenever it is named
};

// Priority order: a value naming several families picks the first here.
const std::array<Family, 9> families{{
    {DesktopKind::Kde, {"KDE"}, {"plasma", "kde"}, nullptr},
    {DesktopKind::Cinnamon, {"X-Cinnamon", "Cinnamon"}, {"cinnamon"}, nullptr},
    {DesktopKind::Mate, {"MATE"}, {"mate"}, nullptr},
    {DesktopKind::Xfce, {"XFCE"}, {"xfce", "xubuntu"}, "xfdesktop"},
    {DesktopKind::Lxqt, {"LXQt"}, {"lxqt", "lubuntu"}, "pcmanfm-qt"},
    {DesktopKind::Lxde, {"LXDE"}, {"lxde", "lubuntu"}, "pcmanfm"},
    {DesktopKind::Gnome,
     {"GNOME", "Unity", "ubuntu", "Budgie", "Pantheon", "pop"},
     {"gnome", "ubuntu", "unity", "budgie", "pantheon", "pop"},
     nullptr},
    {DesktopKind::Sway, {"sway"}, {"sway"}, nullptr},
    {DesktopKind::Hyprland, {"Hyprland"}, {"hyprland"}, nullptr},
}};

QString var(const EnvironmentSnapshot &env, const char *name) {
    return env.vars.value(QString::fromLatin1(name)).trimmed();
}

bool usable(const Family &family, const EnvironmentSnapshot &env) {
    return !family.painter || (env.onPath && env.onPath(QString::fromLatin1(family.painter)));
}

std::optional<DesktopKind> fromCurrentDesktop(const QString &value,
                                              const EnvironmentSnapshot &env) {
    const QStringList entries = value.split(u':', Qt::SkipEmptyParts);
    for (const Family &family : families) {
        for (const char *name : family.names) {
            if (name && entries.contains(QString::fromLatin1(name), Qt::CaseInsensitive) &&
                usable(family, env))
                return family.kind;
        }
    }
    return std::nullopt;
}

// Session names are looser than XDG_CURRENT_DESKTOP: "plasmawayland",
// "gnome-xorg", "budgie-desktop", or a whole path to a .desktop file in
// older display managers.
std::optional<DesktopKind> fromSessionName(QString value, const EnvironmentSnapshot &env) {
    value = value.section(u'/', -1).toLower();
    if (value.endsWith(QLatin1String(".desktop")))
        value.chop(8);
    if (value.isEmpty())
        return std::nullopt;
    for (const Family &family : families) {
        for (const char *prefix : family.sessionPrefixes) {
            if (prefix && value.startsWith(QLatin1String(prefix)) && usable(family, env))
                return family.kind;
        }
    }
    return std::nullopt;
}

} // namespace

EnvironmentSnapshot EnvironmentSnapshot::current() {
    EnvironmentSnapshot env;
    const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
    for (const QString &key : system.keys())
        env.vars.insert(key, system.value(key));
    env.onPath = [](const QString &program) {
        return !QStandardPaths::findExecutable(program).isEmpty();
    };
#ifdef Q_OS_WIN
    env.windows = true;
#endif
    return env;
}

DesktopKind detectDesktop(const EnvironmentSnapshot &env) {
    if (env.windows)
        return DesktopKind::Windows;

    if (auto kind = fromCurrentDesktop(var(env, "XDG_CURRENT_DESKTOP"), env))
        return *kind;
    for (const char *name : {"DESKTOP_SESSION", "XDG_SESSION_DESKTOP"}) {
        if (auto kind = fromSessionName(var(env, name), env))
            return *kind;
    }
    if (var(env, "KDE_FULL_SESSION").compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return DesktopKind::Kde;

    if (!var(env, "SWAYSOCK").isEmpty())
        return DesktopKind::Sway;
    if (!var(env, "HYPRLAND_INSTANCE_SIGNATURE").isEmpty())
        return DesktopKind::Hyprland;

    // An X server offered to X clients on Wayland (Xwayland) has a root
    // window nobody sees, so DISPLAY counts only outside Wayland.
    if (!var(env, "WAYLAND_DISPLAY").isEmpty() ||
        var(env, "XDG_SESSION_TYPE").compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0)
        return DesktopKind::UnknownWayland;
    if (!var(env, "DISPLAY").isEmpty())
        return DesktopKind::X11Root;
    return DesktopKind::None;
}

QString desktopKindName(DesktopKind kind) {
    switch (kind) {
    case DesktopKind::Windows:
        return QStringLiteral("Windows");
    case DesktopKind::Gnome:
        return QStringLiteral("GNOME");
    case DesktopKind::Cinnamon:
        return QStringLiteral("Cinnamon");
    case DesktopKind::Mate:
        return QStringLiteral("MATE");
    case DesktopKind::Kde:
        return QStringLiteral("KDE Plasma");
    case DesktopKind::Xfce:
        return QStringLiteral("Xfce");
    case DesktopKind::Lxqt:
        return QStringLiteral("LXQt");
    case DesktopKind::Lxde:
        return QStringLiteral("LXDE");
    case DesktopKind::Sway:
        return QStringLiteral("sway");
    case DesktopKind::Hyprland:
        return QStringLiteral("Hyprland");
    case DesktopKind::X11Root:
        return QStringLiteral("X11 root window");
    case DesktopKind::UnknownWayland:
        return QStringLiteral("unknown Wayland desktop");
    case DesktopKind::None:
        return QStringLiteral("no desktop");
    }
    return QStringLiteral("no desktop");
}
