#pragma once

#include "ScreenInfo.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

// Makes a composed picture the desktop background of whatever desktop runs.
class DesktopBackground {
  public:
    virtual ~DesktopBackground() = default;
    virtual QString name() const = 0;
    // path: the composed BMP, already written in full; image: the same pixels.
    // On failure returns false and puts a sentence for the user into *error;
    // the desktop keeps what it showed.
    virtual bool apply(const QString &path, const QImage &image, QString *error) = 0;

    // One picture per monitor, the primary's first, each already written in
    // full to its own file. A desktop that takes them says so; one that can
    // neither take them nor span one canvas is handed the primary's picture.
    struct MonitorPicture {
        MonitorInfo monitor;
        QString path;
        QImage image;
    };
    virtual bool takesEachMonitor() const { return false; }
    virtual bool applyEach(const QList<MonitorPicture> &pictures, QString *error) {
        return !pictures.isEmpty() && apply(pictures[0].path, pictures[0].image, error);
    }
    // A canvas covering the bounding box of several monitors: the desktop is
    // to stretch it across all of them rather than repeat it on each.
    virtual bool spansMonitors() const { return false; }
    virtual bool applySpanning(const QString &path, const QImage &image, QString *error) {
        return apply(path, image, error);
    }
};

enum class DesktopKind {
    Windows,
    Gnome, // GNOME, Unity, ubuntu, Budgie, Pantheon, pop
    Cinnamon,
    Mate,
    Kde,
    Xfce,
    Lxqt,
    Lxde,
    Sway,
    Hyprland,
    X11Root,
    UnknownWayland, // a Wayland session nobody here knows how to serve
    None,           // no display at all
};

struct EnvironmentSnapshot {
    QHash<QString, QString> vars;
    std::function<bool(const QString &program)> onPath = [](const QString &) { return false; };
    bool windows = false;

    static EnvironmentSnapshot current();
};

DesktopKind detectDesktop(const EnvironmentSnapshot &env);
QString desktopKindName(DesktopKind kind);

// The backend for a desktop kind. For UnknownWayland and None the backend
// refuses every picture with a clear reason.
std::unique_ptr<DesktopBackground> createDesktopBackground(DesktopKind kind);
