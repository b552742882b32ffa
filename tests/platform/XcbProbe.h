#pragma once

#include <QImage>
#include <QSize>

#include <xcb/xcb.h>

// A test's own look at the X server: what the root shows, which pixmaps the
// background properties name and whether those pixmaps still exist.
class XcbProbe {
  public:
    XcbProbe();
    ~XcbProbe();
    XcbProbe(const XcbProbe &) = delete;
    XcbProbe &operator=(const XcbProbe &) = delete;

    bool isConnected() const;
    QSize rootSize() const;
    QImage rootImage() const;
    QImage drawableImage(xcb_drawable_t drawable) const;
    xcb_pixmap_t pixmapProperty(const char *name) const;
    bool isAlive(xcb_pixmap_t pixmap) const;
    QSize pixmapSize(xcb_pixmap_t pixmap) const;
    // The part of a resource id that tells which client owns it.
    quint32 ownerOf(xcb_pixmap_t pixmap) const;

  private:
    xcb_connection_t *m_connection = nullptr;
    xcb_screen_t *m_screen = nullptr;
};
