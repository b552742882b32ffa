#include "XcbProbe.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {
struct FreeMalloced {
    void operator()(void *p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeMalloced>;
} // namespace

XcbProbe::XcbProbe() {
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection))
        return;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (; it.rem && screenNumber > 0; --screenNumber)
        xcb_screen_next(&it);
    m_screen = it.rem ? it.data : nullptr;
}

XcbProbe::~XcbProbe() {
    xcb_disconnect(m_connection);
}

bool XcbProbe::isConnected() const {
    return m_screen && !xcb_connection_has_error(m_connection);
}

QSize XcbProbe::rootSize() const {
    return QSize(m_screen->width_in_pixels, m_screen->height_in_pixels);
}

QImage XcbProbe::rootImage() const {
    return drawableImage(m_screen->root);
}

QImage XcbProbe::drawableImage(xcb_drawable_t drawable) const {
    const QSize size = pixmapSize(drawable);
    if (size.isEmpty())
        return {};
    Reply<xcb_get_image_reply_t> reply(
        xcb_get_image_reply(m_connection,
                            xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, 0, 0,
                                          quint16(size.width()), quint16(size.height()), ~0u),
                            nullptr));
    if (!reply || xcb_get_image_data_length(reply.get()) != size.width() * size.height() * 4)
        return {};
    QImage image(size, QImage::Format_RGB32);
    const uchar *data = xcb_get_image_data(reply.get());
    for (int y = 0; y < size.height(); ++y)
        std::memcpy(image.scanLine(y), data + y * size.width() * 4, size_t(size.width()) * 4);
    // depth 24 leaves the top byte undefined
    auto *pixel = reinterpret_cast<quint32 *>(image.bits());
    for (qsizetype i = 0, n = qsizetype(size.width()) * size.height(); i < n; ++i)
        pixel[i] |= 0xff000000u;
    return image;
}

xcb_pixmap_t XcbProbe::pixmapProperty(const char *name) const {
    Reply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 1, quint16(std::strlen(name)), name), nullptr));
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return XCB_NONE;
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        m_connection,
        xcb_get_property(m_connection, 0, m_screen->root, atom->atom, XCB_ATOM_PIXMAP, 0, 1),
        nullptr));
    if (!reply || reply->type != XCB_ATOM_PIXMAP || xcb_get_property_value_length(reply.get()) != 4)
        return XCB_NONE;
    return *static_cast<xcb_pixmap_t *>(xcb_get_property_value(reply.get()));
}

bool XcbProbe::isAlive(xcb_pixmap_t pixmap) const {
    return !pixmapSize(pixmap).isEmpty();
}

QSize XcbProbe::pixmapSize(xcb_pixmap_t pixmap) const {
    Reply<xcb_get_geometry_reply_t> reply(
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, pixmap), nullptr));
    return reply ? QSize(reply->width, reply->height) : QSize();
}

quint32 XcbProbe::ownerOf(xcb_pixmap_t pixmap) const {
    return pixmap & ~xcb_get_setup(m_connection)->resource_id_mask;
}
