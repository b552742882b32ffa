#pragma once

#include "DesktopBackground.h"

#include <QList>
#include <QRect>

#include <memory>

// For X sessions without a desktop of their own (a bare window manager such
// as i3 or openbox): the picture becomes the root window's background, kept
// alive by the X server after we disconnect, and announced through
// _XROOTPMAP_ID / ESETROOT_PMAP_ID so that other root setters (feh, hsetroot)
// and pseudo-transparent programs find it and can take over cleanly.
// Every apply() opens its own connection to $DISPLAY, because keeping the
// pixmap alive means retaining every resource of that connection; a second,
// ordinary connection stays open to hear about monitor changes.
class X11RootBackground : public DesktopBackground {
  public:
    X11RootBackground();
    ~X11RootBackground() override;

    QString name() const override;
    // The picture is centred at its own size on every monitor, on black, as a
    // centred wallpaper looks; a picture larger than a monitor is cut equally
    // on both sides (an odd leftover pixel goes to the right or bottom) and
    // never spills onto the next monitor. When the monitors change while we
    // run, the root is rebuilt from the same picture, unless another program
    // has set the root since.
    bool apply(const QString &path, const QImage &image, QString *error) override;
    // Each picture centred on the monitor it was composed for; a monitor
    // that has moved since takes the one it overlaps most.
    bool takesEachMonitor() const override { return true; }
    bool applyEach(const QList<MonitorPicture> &pictures, QString *error) override;

    struct Placed {
        QRect monitor; // empty: any monitor
        QImage image;
    };

  private:
    bool show(const QList<Placed> &pictures, bool rebuilding, QString *error);
    void watchMonitors();

    // What we last put on the root, and for which layout.
    QList<Placed> m_pictures;
    quint32 m_pixmap = 0;
    QSize m_rootSize;
    QList<QRect> m_monitors;

    struct Watcher;
    std::unique_ptr<Watcher> m_watcher;
};
