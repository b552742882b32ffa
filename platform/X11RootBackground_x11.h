#pragma once

#include "DesktopBackground.h"

// For X sessions without a desktop of their own (a bare window manager such
// as i3 or openbox): the picture becomes the root window's background, kept
// alive by the X server after we disconnect, and announced through
// _XROOTPMAP_ID / ESETROOT_PMAP_ID so that other root setters (feh, hsetroot)
// and pseudo-transparent programs find it and can take over cleanly.
// Every apply() opens its own connection to $DISPLAY, because keeping the
// pixmap alive means retaining every resource of that connection.
class X11RootBackground : public DesktopBackground {
  public:
    X11RootBackground() = default;

    QString name() const override;
    // The picture is centred at its own size on a black root, as a centred
    // wallpaper looks; larger pictures are cut equally on both sides (an odd
    // leftover pixel goes to the right or bottom).
    bool apply(const QString &path, const QImage &image, QString *error) override;
};
