#include "DesktopBackground.h"

#include "CommandBackgrounds.h"
#include "GnomeFamilyBackground.h"
#include "RefusingBackground.h"
#include "XfceBackground.h"

#ifdef Q_OS_WIN
#include "WindowsBackground_win.h"
#else
#include "KdeBackground_unix.h"
#include "PcmanfmSession_x11.h"
#include "X11RootBackground_x11.h"
#endif

std::unique_ptr<DesktopBackground> createDesktopBackground(DesktopKind kind) {
    switch (kind) {
    case DesktopKind::Windows:
#ifdef Q_OS_WIN
        return std::make_unique<WindowsBackground>();
#else
        break;
#endif
    case DesktopKind::Gnome:
        return std::make_unique<GnomeFamilyBackground>(GnomeFamilyBackground::Flavour::Gnome);
    case DesktopKind::Cinnamon:
        return std::make_unique<GnomeFamilyBackground>(GnomeFamilyBackground::Flavour::Cinnamon);
    case DesktopKind::Mate:
        return std::make_unique<GnomeFamilyBackground>(GnomeFamilyBackground::Flavour::Mate);
    case DesktopKind::Kde:
#ifdef Q_OS_WIN
        break;
#else
        return std::make_unique<KdeBackground>();
#endif
    case DesktopKind::Xfce:
        return std::make_unique<XfceBackground>();
    case DesktopKind::Lxqt:
        return std::make_unique<LxqtBackground>();
    case DesktopKind::Lxde:
#ifdef Q_OS_WIN
        break;
#else
        return std::make_unique<LxdeBackground>(
            CommandRunner(), AliasFile(),
            LxdeBackground::Session{&pcmanfmSettingsFolder, &announceCurrentWorkspace});
#endif
    case DesktopKind::Sway:
        return std::make_unique<SwayBackground>();
    case DesktopKind::Hyprland:
        return std::make_unique<HyprlandBackground>();
    case DesktopKind::X11Root:
#ifdef Q_OS_WIN
        break;
#else
        return std::make_unique<X11RootBackground>();
#endif
    case DesktopKind::UnknownWayland:
        return std::make_unique<RefusingBackground>(
            QStringLiteral("Wayland"),
            QStringLiteral("this Wayland desktop offers no known way to set the wallpaper"));
    case DesktopKind::None:
        break;
    }
    return std::make_unique<RefusingBackground>(
        QStringLiteral("none"), QStringLiteral("no desktop to show a wallpaper on"));
}
