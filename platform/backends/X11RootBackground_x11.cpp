#include "X11RootBackground_x11.h"

#include <QCoreApplication>
#include <QPainter>
#include <QSocketNotifier>
#include <QSysInfo>
#include <QTimer>

#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// Also the classic limit without BIG-REQUESTS: uploads behave the same on
// every server, and the server never stalls its other clients on one huge
// request.
constexpr quint64 uploadRequestBytes = 256 * 1024;
constexpr quint64 putImageHeaderBytes = 24;

struct Disconnect {
    void operator()(xcb_connection_t *connection) const { xcb_disconnect(connection); }
};
using Connection = std::unique_ptr<xcb_connection_t, Disconnect>;

struct FreeMalloced {
    void operator()(void *p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeMalloced>;

bool fail(QString *error, const QString &reason) {
    if (error)
        *error = reason;
    return false;
}

QString describe(const xcb_generic_error_t &e, const char *what) {
    if (e.error_code == XCB_ALLOC)
        return QStringLiteral("The X server has no memory left to %1.").arg(QLatin1String(what));
    return QStringLiteral("The X server refused to %1 (X error %2).")
        .arg(QLatin1String(what))
        .arg(e.error_code);
}

// Waits for the server to handle the request and turns its error, if any,
// into a sentence for the user.
bool check(xcb_connection_t *c, xcb_void_cookie_t cookie, const char *what, QString *error) {
    Reply<xcb_generic_error_t> e(xcb_request_check(c, cookie));
    if (e)
        return fail(error, describe(*e, what));
    if (xcb_connection_has_error(c))
        return fail(error,
                    QStringLiteral("The connection to the X server broke while trying to %1.")
                        .arg(QLatin1String(what)));
    return true;
}

xcb_screen_t *screenOf(xcb_connection_t *c, int number) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (; it.rem; --number, xcb_screen_next(&it)) {
        if (number == 0)
            return it.data;
    }
    return nullptr;
}

const xcb_visualtype_t *rootVisual(const xcb_screen_t *screen) {
    xcb_depth_iterator_t depths = xcb_screen_allowed_depths_iterator(screen);
    for (; depths.rem; xcb_depth_next(&depths)) {
        xcb_visualtype_iterator_t v = xcb_depth_visuals_iterator(depths.data);
        for (; v.rem; xcb_visualtype_next(&v)) {
            if (v.data->visual_id == screen->root_visual)
                return v.data;
        }
    }
    return nullptr;
}

// The pixmap takes QImage::Format_RGB32 rows unchanged only when a pixel is
// a native 32-bit word with red, green and blue in the usual bytes.
bool rootTakesRgb32(xcb_connection_t *c, const xcb_screen_t *screen, QString *error) {
    const xcb_setup_t *setup = xcb_get_setup(c);
    const auto refuse = [&](const QString &why) {
        return fail(error,
                    QStringLiteral("The X screen's pixel format is not supported (%1).").arg(why));
    };
    const int depth = screen->root_depth;
    if (depth != 24 && depth != 32)
        return refuse(QStringLiteral("depth %1; only 24 and 32 bits are").arg(depth));

    const xcb_format_t *format = nullptr;
    xcb_format_iterator_t it = xcb_setup_pixmap_formats_iterator(setup);
    for (; it.rem; xcb_format_next(&it)) {
        if (it.data->depth == depth)
            format = it.data;
    }
    if (!format || format->bits_per_pixel != 32 || format->scanline_pad != 32)
        return refuse(QStringLiteral("pixels of depth %1 are not stored in 32 bits").arg(depth));

    const bool littleEndian = QSysInfo::ByteOrder == QSysInfo::LittleEndian;
    const int nativeOrder = littleEndian ? XCB_IMAGE_ORDER_LSB_FIRST : XCB_IMAGE_ORDER_MSB_FIRST;
    if (setup->image_byte_order != nativeOrder)
        return refuse(QStringLiteral("the server's byte order differs from this computer's"));

    const xcb_visualtype_t *visual = rootVisual(screen);
    if (!visual || visual->red_mask != 0xff0000 || visual->green_mask != 0x00ff00 ||
        visual->blue_mask != 0x0000ff)
        return refuse(QStringLiteral("the colour channels are not 8-bit red, green, blue"));
    return true;
}

// Monitors (RandR 1.5) carve the root into the screens the user looks at;
// without RandR, or with a single monitor, the root is the one screen.
bool hasMonitors(xcb_connection_t *c) {
    const xcb_query_extension_reply_t *randr = xcb_get_extension_data(c, &xcb_randr_id);
    if (!randr || !randr->present)
        return false;
    Reply<xcb_randr_query_version_reply_t> version(
        xcb_randr_query_version_reply(c, xcb_randr_query_version(c, 1, 5), nullptr));
    return version && (version->major_version > 1 || version->minor_version >= 5);
}

QList<QRect> monitorsOf(xcb_connection_t *c, const xcb_screen_t *screen) {
    const QRect root(0, 0, screen->width_in_pixels, screen->height_in_pixels);
    QList<QRect> monitors;
    if (hasMonitors(c)) {
        Reply<xcb_randr_get_monitors_reply_t> reply(
            xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, screen->root, 1), nullptr));
        xcb_randr_monitor_info_iterator_t it{};
        if (reply)
            it = xcb_randr_get_monitors_monitors_iterator(reply.get());
        for (; it.rem; xcb_randr_monitor_info_next(&it)) {
            const QRect m =
                QRect(it.data->x, it.data->y, it.data->width, it.data->height).intersected(root);
            if (!m.isEmpty())
                monitors << m;
        }
    }
    return monitors.size() > 1 ? monitors : QList<QRect>{root};
}

// The picture meant for monitor m: the one composed for the monitor at that
// place, else for the one it overlaps most (a monitor moved since), else the first.
const QImage &pictureFor(const QList<X11RootBackground::Placed> &pictures, const QRect &m) {
    const X11RootBackground::Placed *best = &pictures.first();
    qint64 most = 0;
    for (const auto &p : pictures) {
        if (p.monitor == m)
            return p.image;
        const QRect overlap = p.monitor.intersected(m);
        if (qint64(overlap.width()) * overlap.height() > most) {
            most = qint64(overlap.width()) * overlap.height();
            best = &p;
        }
    }
    return best->image;
}

QImage placeOnMonitors(const QList<X11RootBackground::Placed> &pictures, QSize rootSize,
                       const QList<QRect> &monitors) {
    QImage root(rootSize, QImage::Format_RGB32);
    root.fill(Qt::black);
    QPainter painter(&root);
    for (const QRect &m : monitors) {
        QImage picture = pictureFor(pictures, m);
        picture.setDevicePixelRatio(1.0);
        painter.setClipRect(m);
        painter.drawImage(m.topLeft() + QPoint((m.width() - picture.width()) / 2,
                                               (m.height() - picture.height()) / 2),
                          picture);
    }
    return root;
}

bool upload(xcb_connection_t *c, xcb_drawable_t pixmap, quint8 depth, const QImage &image,
            QString *error) {
    const xcb_gcontext_t gc = xcb_generate_id(c);
    if (!check(c, xcb_create_gc_checked(c, gc, pixmap, 0, nullptr), "prepare the upload", error))
        return false;

    const quint64 limit =
        std::min<quint64>(quint64(xcb_get_maximum_request_length(c)) * 4, uploadRequestBytes);
    const quint64 stride = quint64(image.bytesPerLine());
    const int rowsPerRequest = int((limit - putImageHeaderBytes) / stride);
    if (rowsPerRequest < 1) {
        xcb_free_gc(c, gc);
        return fail(error, QStringLiteral("The screen is too wide for the X server's requests."));
    }

    std::vector<xcb_void_cookie_t> cookies;
    for (int y = 0; y < image.height(); y += rowsPerRequest) {
        const int rows = std::min(rowsPerRequest, image.height() - y);
        cookies.push_back(xcb_put_image_checked(
            c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, quint16(image.width()), quint16(rows), 0,
            qint16(y), 0, depth, quint32(rows * stride), image.constScanLine(y)));
    }
    bool ok = true;
    for (xcb_void_cookie_t cookie : cookies)
        ok = check(c, cookie, "take the picture", ok ? error : nullptr) && ok;
    xcb_free_gc(c, gc);
    return ok;
}

xcb_atom_t atom(xcb_connection_t *c, const char *name) {
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, quint16(qstrlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

xcb_pixmap_t pixmapProperty(xcb_connection_t *c, xcb_window_t root, xcb_atom_t property) {
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, property, XCB_ATOM_PIXMAP, 0, 1), nullptr));
    if (!reply || reply->type != XCB_ATOM_PIXMAP || reply->format != 32 ||
        xcb_get_property_value_length(reply.get()) < 4)
        return XCB_NONE;
    return *static_cast<const xcb_pixmap_t *>(xcb_get_property_value(reply.get()));
}

// The properties can outlive the pixmap they name (a setter that crashed
// before retaining it, a killed client), and the X server hands the freed id
// range to the next client: then the id may name a live program's resource,
// even one of our own connection, and killing its owner would end an
// innocent program or ourselves. Root setters leave a pixmap of the root's
// size and depth, so only that is taken as a left-behind picture.
bool isLeftBehindPicture(xcb_connection_t *c, const xcb_screen_t *screen, xcb_pixmap_t pixmap,
                         QSize size) {
    const xcb_setup_t *setup = xcb_get_setup(c);
    if ((pixmap & ~setup->resource_id_mask) == setup->resource_id_base)
        return false;
    xcb_generic_error_t *error = nullptr;
    Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, pixmap), &error));
    std::free(error);
    return geometry && geometry->root == screen->root && geometry->depth == screen->root_depth &&
           QSize(geometry->width, geometry->height) == size;
}

// Whoever set the root before us (feh, hsetroot, an earlier run of ours)
// left its connection retained only to keep its pixmap. When both
// properties name that pixmap, by the root setters' convention nothing else
// holds on to that connection, and ending it frees the old picture instead
// of piling one up per switch. Our own previous picture may be of a root
// size that has changed since.
struct Previous {
    xcb_pixmap_t pixmap;
    QSize size;
};

void releasePrevious(xcb_connection_t *c, const xcb_screen_t *screen, xcb_atom_t xroot,
                     xcb_atom_t esetroot, Previous ours) {
    const xcb_pixmap_t old = pixmapProperty(c, screen->root, xroot);
    const QSize size =
        old == ours.pixmap ? ours.size : QSize(screen->width_in_pixels, screen->height_in_pixels);
    if (old != XCB_NONE && old == pixmapProperty(c, screen->root, esetroot) &&
        isLeftBehindPicture(c, screen, old, size))
        xcb_kill_client(c, old);
}

bool install(xcb_connection_t *c, const xcb_screen_t *screen, xcb_pixmap_t pixmap, Previous ours,
             QString *error) {
    const xcb_window_t root = screen->root;
    const xcb_atom_t xroot = atom(c, "_XROOTPMAP_ID");
    const xcb_atom_t esetroot = atom(c, "ESETROOT_PMAP_ID");
    if (xroot == XCB_ATOM_NONE || esetroot == XCB_ATOM_NONE)
        return fail(error, QStringLiteral("The X server did not name the background properties."));
    releasePrevious(c, screen, xroot, esetroot, ours);

    const xcb_void_cookie_t cookies[] = {
        xcb_change_property_checked(c, XCB_PROP_MODE_REPLACE, root, xroot, XCB_ATOM_PIXMAP, 32, 1,
                                    &pixmap),
        xcb_change_property_checked(c, XCB_PROP_MODE_REPLACE, root, esetroot, XCB_ATOM_PIXMAP, 32,
                                    1, &pixmap),
        xcb_change_window_attributes_checked(c, root, XCB_CW_BACK_PIXMAP, &pixmap),
        xcb_clear_area_checked(c, 0, root, 0, 0, 0, 0),
    };
    for (xcb_void_cookie_t cookie : cookies) {
        if (!check(c, cookie, "show the picture on the root window", error))
            return false;
    }
    return true;
}

} // namespace

// An ordinary connection that only listens: monitors added, removed or
// moved (xrandr --setmonitor announces itself only as a ConfigureNotify of
// the root), outputs and CRTCs changed, the root resized.
struct X11RootBackground::Watcher {
    explicit Watcher(Connection c)
        : connection(std::move(c)),
          notifier(xcb_get_file_descriptor(connection.get()), QSocketNotifier::Read) {
        // xrandr and display managers send changes in bursts.
        settle.setSingleShot(true);
        settle.setInterval(100);
    }
    Connection connection;
    QSocketNotifier notifier;
    QTimer settle;
};

X11RootBackground::X11RootBackground() = default;
X11RootBackground::~X11RootBackground() = default;

QString X11RootBackground::name() const {
    return QStringLiteral("X11 root window");
}

bool X11RootBackground::apply(const QString &path, const QImage &image, QString *error) {
    const QImage picture = image.isNull() ? QImage(path) : image;
    if (picture.isNull())
        return fail(error, QStringLiteral("There is no picture to show."));
    return applyEach({{MonitorInfo{}, path, picture}}, error);
}

bool X11RootBackground::applyEach(const QList<MonitorPicture> &pictures, QString *error) {
    QList<Placed> placed;
    for (const MonitorPicture &p : pictures)
        placed.append({p.monitor.geometry, p.image.isNull() ? QImage(p.path) : p.image});
    if (placed.isEmpty() || placed.first().image.isNull())
        return fail(error, QStringLiteral("There is no picture to show."));
    if (!show(placed, false, error))
        return false;
    watchMonitors();
    return true;
}

bool X11RootBackground::show(const QList<Placed> &pictures, bool rebuilding, QString *error) {
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty())
        return fail(error, QStringLiteral("There is no X display (DISPLAY is not set)."));
    int screenNumber = 0;
    Connection connection(xcb_connect(display.constData(), &screenNumber));
    xcb_connection_t *c = connection.get();
    if (xcb_connection_has_error(c))
        return fail(error, QStringLiteral("Cannot connect to the X display \"%1\".")
                               .arg(QString::fromLocal8Bit(display)));
    const xcb_screen_t *screen = screenOf(c, screenNumber);
    if (!screen)
        return fail(error, QStringLiteral("The X display \"%1\" has no screen %2.")
                               .arg(QString::fromLocal8Bit(display))
                               .arg(screenNumber));
    if (!rootTakesRgb32(c, screen, error))
        return false;

    const QSize rootSize(screen->width_in_pixels, screen->height_in_pixels);
    const QList<QRect> monitors = monitorsOf(c, screen);
    if (rebuilding) {
        if (rootSize == m_rootSize && monitors == m_monitors)
            return true;
        // Whoever set the root since then chose what it shows.
        if (pixmapProperty(c, screen->root, atom(c, "_XROOTPMAP_ID")) != m_pixmap) {
            m_pictures.clear();
            return true;
        }
    }
    const QImage root = placeOnMonitors(pictures, rootSize, monitors);
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    if (!check(c,
               xcb_create_pixmap_checked(c, screen->root_depth, pixmap, screen->root,
                                         quint16(rootSize.width()), quint16(rootSize.height())),
               "make room for the picture", error) ||
        !upload(c, pixmap, screen->root_depth, root, error) ||
        !install(c, screen, pixmap, {m_pixmap, m_rootSize}, error))
        return false; // disconnecting frees what was made so far

    // The pixmap must outlive this connection; the next setter frees it
    // through the properties we just set.
    if (!check(c, xcb_set_close_down_mode_checked(c, XCB_CLOSE_DOWN_RETAIN_PERMANENT),
               "keep the picture", error))
        return false;
    m_pictures = pictures;
    m_pixmap = pixmap;
    m_rootSize = rootSize;
    m_monitors = monitors;
    return true;
}

void X11RootBackground::watchMonitors() {
    // Without an event loop nobody would hear the changes.
    if ((m_watcher && m_watcher->notifier.isEnabled()) || !QCoreApplication::instance())
        return;
    int screenNumber = 0;
    Connection connection(xcb_connect(qgetenv("DISPLAY").constData(), &screenNumber));
    xcb_connection_t *c = connection.get();
    const xcb_screen_t *screen = xcb_connection_has_error(c) ? nullptr : screenOf(c, screenNumber);
    if (!screen)
        return;
    const quint32 rootEvents = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &rootEvents);
    if (hasMonitors(c))
        xcb_randr_select_input(c, screen->root,
                               XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE |
                                   XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE |
                                   XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE);
    xcb_flush(c);

    m_watcher = std::make_unique<Watcher>(std::move(connection));
    Watcher *w = m_watcher.get();
    QObject::connect(&w->notifier, &QSocketNotifier::activated, &w->notifier, [w] {
        bool changed = false;
        while (xcb_generic_event_t *event = xcb_poll_for_event(w->connection.get())) {
            changed |= event->response_type != 0; // errors are no news
            std::free(event);
        }
        if (xcb_connection_has_error(w->connection.get()))
            w->notifier.setEnabled(false); // the next apply() listens afresh
        else if (changed)
            w->settle.start();
    });
    QObject::connect(&w->settle, &QTimer::timeout, &w->settle, [this] {
        QString error;
        if (!m_pictures.isEmpty() && !show(m_pictures, true, &error))
            qWarning("The wallpaper could not follow the new monitor layout: %s",
                     qUtf8Printable(error));
    });
    // A change between drawing the picture and listening would go unheard.
    w->settle.start();
}
