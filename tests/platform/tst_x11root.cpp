#include "X11RootBackground_x11.h"

#include <QPainter>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <xcb/xcb.h>

namespace {

template <typename T> auto own(T *reply) {
    return std::unique_ptr<T, void (*)(void *)>(reply, free);
}

// A client of the test's own: what a drawable shows, which pixmap a
// background property names.
struct Probe {
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    ~Probe() { xcb_disconnect(c); }
    QSize sizeOf(xcb_drawable_t drawable) const {
        const auto r = own(xcb_get_geometry_reply(c, xcb_get_geometry(c, drawable), nullptr));
        return r ? QSize(r->width, r->height) : QSize();
    }
    // RGB32 ignores the top byte, which depth 24 leaves undefined.
    QImage image(xcb_drawable_t drawable) const {
        const QSize s = sizeOf(drawable);
        const auto r = own(xcb_get_image_reply(
            c,
            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, 0, 0, s.width(), s.height(), ~0u),
            nullptr));
        if (!r || xcb_get_image_data_length(r.get()) != s.width() * s.height() * 4)
            return {};
        return QImage(xcb_get_image_data(r.get()), s.width(), s.height(), QImage::Format_RGB32)
            .copy();
    }
    xcb_pixmap_t property(const char *name) const {
        const auto atom =
            own(xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, qstrlen(name), name), nullptr));
        const auto r = own(xcb_get_property_reply(
            c, xcb_get_property(c, 0, root, atom->atom, XCB_ATOM_PIXMAP, 0, 1), nullptr));
        if (!r || r->type != XCB_ATOM_PIXMAP || xcb_get_property_value_length(r.get()) != 4)
            return XCB_NONE;
        return *static_cast<xcb_pixmap_t *>(xcb_get_property_value(r.get()));
    }
};

// Every pixel tells where in the picture it came from, so a shifted, cut or
// scaled placement cannot go unnoticed.
QImage patterned(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x & 0xff, y & 0xff, ((x >> 8) << 4) | (y >> 8)));
    return image;
}

QImage solid(QRgb colour, QSize size = {1280, 800}) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// The 1280x800 root showing picture centred on each monitor, cut at its
// edges, on black; an odd leftover pixel goes to the right or bottom, and a
// larger picture loses its odd pixel there. With others, the monitors after
// the first show those.
QImage placed(const QImage &picture, const QList<QRect> &monitors = {{0, 0, 1280, 800}},
              const QImage &others = {}) {
    QImage root = solid(qRgb(0, 0, 0));
    QPainter painter(&root);
    for (const QRect &m : monitors) {
        const QImage &shown = others.isNull() || m == monitors.first() ? picture : others;
        painter.setClipRect(m);
        painter.drawImage(m.x() + (m.width() - shown.width()) / 2,
                          m.y() + (m.height() - shown.height()) / 2, shown);
    }
    return root;
}

} // namespace

// feh's picture, then ours in nineteen switches and over changing monitors:
// each switch must free the picture before it, and ours must show exactly,
// centred on each monitor.
class TestX11Root : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    bool feh(QRgb colour) {
        const QString file = m_dir.filePath(QStringLiteral("feh.png"));
        return solid(colour, {64, 48}).save(file) &&
               QProcess::execute("feh", {"--no-fehbg", "--bg-fill", file}) == 0;
    }

  private slots:
    void takesOverFollowsMonitorsAndFrees() {
        Probe probe;
        QVERIFY(feh(qRgb(220, 0, 0)));
        QTRY_COMPARE(probe.image(probe.root), solid(qRgb(220, 0, 0)));
        const xcb_pixmap_t fehs = probe.property("_XROOTPMAP_ID");
        QVERIFY(!probe.sizeOf(fehs).isEmpty());

        // smaller with odd room, larger with odd excess, tall and narrow from the file
        const QImage pictures[] = {patterned({301, 199}), patterned({2001, 1001}),
                                   patterned({101, 1200})};
        const QString file = m_dir.filePath(QStringLiteral("MirellWP.bmp"));
        QVERIFY(pictures[2].save(file, "BMP"));
        X11RootBackground background;
        QSet<quint32> owners;
        QString error;
        for (int i = 0; i < 19; ++i) { // ending on the small one, for the monitors below
            const bool fromFile = i % 3 == 2;
            QVERIFY2(background.apply(fromFile ? file : QString(),
                                      fromFile ? QImage() : pictures[i % 3], &error),
                     qPrintable(error));
            const QImage root = probe.image(probe.root);
            QCOMPARE(root, placed(pictures[i % 3]));
            // what pseudo-transparent programs and the next setter read
            const xcb_pixmap_t current = probe.property("_XROOTPMAP_ID");
            QCOMPARE(probe.property("ESETROOT_PMAP_ID"), current);
            QCOMPARE(probe.image(current), root);
            owners << (current & ~xcb_get_setup(probe.c)->resource_id_mask); // the owning client
        }
        // A retained connection keeps its client slot until it is killed: were
        // feh's or our old pictures not freed, switches would take new slots.
        QVERIFY(owners.size() <= 2 && probe.sizeOf(fehs).isEmpty());

        // The primary at the top left with a taller one beside it; both resized
        // and moved; then the server's own single monitor again. The backend
        // rebuilds the root alone, once it has heard of each change, from the
        // picture it last showed; then shows the row's picture on that layout.
        // The large one spills over every monitor unless each one cuts it.
        const QList<std::pair<QList<QRect>, QImage>> layouts = {
            {{{0, 0, 800, 600}, {800, 0, 480, 800}}, pictures[1]},
            {{{0, 0, 640, 800}, {640, 320, 640, 480}}, pictures[0]},
            {{{0, 0, 1280, 800}}, pictures[0]}};
        QImage shown = pictures[0];
        for (const auto &[layout, picture] : layouts) {
            QStringList commands; // the server refuses to redefine a monitor in place
            for (int i = 0; layout != layouts.first().first && i < 2; ++i)
                commands << QStringLiteral("--delmonitor M%1").arg(i);
            for (int i = 0; layout.size() > 1 && i < layout.size(); ++i)
                commands << QString::asprintf("--setmonitor M%d %d/300x%d/200+%d+%d %s", i,
                                              layout[i].width(), layout[i].height(), layout[i].x(),
                                              layout[i].y(), i ? "none" : "screen");
            for (const QString &command : commands)
                QCOMPARE(QProcess::execute("xrandr", command.split(u' ')), 0);
            QTRY_COMPARE_WITH_TIMEOUT(probe.image(probe.root), placed(shown, layout), 30000);
            if (layout.size() > 1) { // a picture for each monitor
                const QImage other = patterned({150, 90});
                QVERIFY2(background.applyEach({{{"M0", layout[0], {}, 96}, {}, picture},
                                               {{"M1", layout[1], {}, 96}, {}, other}},
                                              &error),
                         qPrintable(error));
                QCOMPARE(probe.image(probe.root), placed(picture, layout, other));
            }
            QVERIFY2(background.apply(QString(), shown = picture, &error), qPrintable(error));
            QCOMPARE(probe.image(probe.root), placed(picture, layout));
        }
    }
};

QTEST_GUILESS_MAIN(TestX11Root)
#include "tst_x11root.moc"
