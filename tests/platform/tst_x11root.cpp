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

// A client of the test's own: what the root shows, which pixmaps the
// background properties name, whether those still exist.
struct Probe {
    Probe()
        : c(xcb_connect(nullptr, nullptr)),
          screen(xcb_setup_roots_iterator(xcb_get_setup(c)).data) {}
    ~Probe() { xcb_disconnect(c); }
    QSize sizeOf(xcb_drawable_t drawable) const {
        const auto r = own(xcb_get_geometry_reply(c, xcb_get_geometry(c, drawable), nullptr));
        return r ? QSize(r->width, r->height) : QSize();
    }
    bool isAlive(xcb_pixmap_t pixmap) const { return !sizeOf(pixmap).isEmpty(); }
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
    QImage rootImage() const { return image(screen->root); }
    xcb_pixmap_t property(const char *name) const {
        const auto atom =
            own(xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, qstrlen(name), name), nullptr));
        const auto r = own(xcb_get_property_reply(
            c, xcb_get_property(c, 0, screen->root, atom->atom, XCB_ATOM_PIXMAP, 0, 1), nullptr));
        if (!r || r->type != XCB_ATOM_PIXMAP || xcb_get_property_value_length(r.get()) != 4)
            return XCB_NONE;
        return *static_cast<xcb_pixmap_t *>(xcb_get_property_value(r.get()));
    }
    // The part of a resource id that tells which client owns it.
    quint32 ownerOf(xcb_pixmap_t pixmap) const {
        return pixmap & ~xcb_get_setup(c)->resource_id_mask;
    }
    bool isConnected() const { return screen && !xcb_connection_has_error(c); }
    xcb_connection_t *c;
    xcb_screen_t *screen;
};

// Every pixel tells where in the picture it came from, so a shifted, cut or
// scaled placement cannot go unnoticed.
QImage patterned(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x & 0xff, y & 0xff, ((x >> 8) << 4) | (y >> 8)));
    }
    return image;
}

QImage solid(QSize size, QRgb colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// The 1280x800 root showing picture centred on black; an odd leftover pixel
// goes to the right or bottom, and a larger picture loses its odd pixel there.
QImage centred(const QImage &picture) {
    QImage root = solid(QSize(1280, 800), qRgb(0, 0, 0));
    const auto offset = [](int screen, int p) {
        return screen >= p ? (screen - p) / 2 : -((p - screen) / 2);
    };
    QPainter(&root).drawImage(offset(1280, picture.width()), offset(800, picture.height()),
                              picture);
    return root;
}

} // namespace

class TestX11Root : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QVERIFY2(Probe().isConnected(), "run under tests/with-xvfb.sh"); }
    void showsPictureCentred_data();
    void showsPictureCentred();
    void freesTheOldPictureOnEverySwitch();
    void takesOverFromFehAndHandsBack();
    void failsWithAReason();

  private:
    bool runFeh(QRgb colour);
    QTemporaryDir m_dir;
};

void TestX11Root::showsPictureCentred_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("fromFile");
    QTest::newRow("smaller, odd room") << QSize(301, 199) << false;
    QTest::newRow("exactly the screen") << QSize(1280, 800) << false;
    QTest::newRow("larger, odd excess") << QSize(2001, 1001) << false;
    QTest::newRow("tall and narrow") << QSize(100, 1200) << false;
    QTest::newRow("one pixel") << QSize(1, 1) << false;
    QTest::newRow("read from the file") << QSize(321, 123) << true;
}

void TestX11Root::showsPictureCentred() {
    QFETCH(QSize, size);
    QFETCH(bool, fromFile);
    const QImage picture = patterned(size);
    const QString file = m_dir.filePath(QStringLiteral("MirellWP.bmp"));
    QVERIFY(!fromFile || picture.save(file, "BMP"));
    QString error;
    QVERIFY2(X11RootBackground().apply(fromFile ? file : QString(), fromFile ? QImage() : picture,
                                       &error),
             qPrintable(error));
    Probe probe;
    const QImage root = probe.rootImage();
    QCOMPARE(root, centred(picture));
    // what pseudo-transparent programs and the next setter read
    const xcb_pixmap_t named = probe.property("_XROOTPMAP_ID");
    QCOMPARE(probe.property("ESETROOT_PMAP_ID"), named);
    QCOMPARE(probe.image(named), root);
}

void TestX11Root::freesTheOldPictureOnEverySwitch() {
    Probe probe;
    X11RootBackground background;
    xcb_pixmap_t previous = XCB_NONE;
    QSet<quint32> owners;
    for (int i = 0; i < 20; ++i) {
        QString error;
        QVERIFY2(background.apply({}, solid(QSize(640, 400), qRgb(i * 12, 40, 200 - i)), &error),
                 qPrintable(error));
        const xcb_pixmap_t current = probe.property("_XROOTPMAP_ID");
        QVERIFY(probe.isAlive(current));
        // A reused client slot hands out the same ids again.
        if (previous != XCB_NONE && previous != current)
            QVERIFY2(!probe.isAlive(previous), qPrintable(QStringLiteral("switch %1 kept").arg(i)));
        previous = current;
        owners << probe.ownerOf(current);
    }
    // A retained connection keeps its client slot until it is killed: were
    // the old pictures not freed, every switch would take a new slot.
    QVERIFY2(owners.size() <= 2, qPrintable(QStringLiteral("%1 client slots").arg(owners.size())));
    QCOMPARE(probe.rootImage().pixel(640, 400), qRgb(19 * 12, 40, 181));
}

bool TestX11Root::runFeh(QRgb colour) {
    const QString file = m_dir.filePath(QStringLiteral("feh.png"));
    QProcess feh;
    if (solid(QSize(64, 48), colour).save(file))
        feh.start(QStringLiteral("feh"), {"--no-fehbg", "--bg-fill", file});
    return feh.waitForFinished(30000) && feh.exitStatus() == QProcess::NormalExit &&
           feh.exitCode() == 0;
}

void TestX11Root::takesOverFromFehAndHandsBack() {
    Probe probe;
    QVERIFY(runFeh(qRgb(220, 0, 0)));
    QTRY_COMPARE(probe.rootImage(), solid(QSize(1280, 800), qRgb(220, 0, 0)));
    const xcb_pixmap_t feh = probe.property("_XROOTPMAP_ID");
    QVERIFY(probe.isAlive(feh));

    const QImage picture = patterned(QSize(500, 300));
    QString error;
    QVERIFY2(X11RootBackground().apply({}, picture, &error), qPrintable(error));
    QCOMPARE(probe.rootImage(), centred(picture));
    QVERIFY(!probe.isAlive(feh));
    const xcb_pixmap_t ours = probe.property("_XROOTPMAP_ID");
    QVERIFY(ours != feh && probe.isAlive(ours));

    QVERIFY(runFeh(qRgb(0, 0, 230)));
    QTRY_COMPARE(probe.rootImage(), solid(QSize(1280, 800), qRgb(0, 0, 230)));
    QTRY_VERIFY(!probe.isAlive(ours));
    QVERIFY(probe.property("_XROOTPMAP_ID") != ours);
}

void TestX11Root::failsWithAReason() {
    Probe probe;
    X11RootBackground background;
    QVERIFY(background.apply({}, solid(QSize(10, 10), qRgb(1, 2, 3)), nullptr));
    const xcb_pixmap_t before = probe.property("_XROOTPMAP_ID");
    const QByteArray display = qgetenv("DISPLAY");
    QString missing, withoutDisplay, toNowhere;
    QVERIFY(!background.apply(m_dir.filePath("missing.bmp"), QImage(), &missing));
    qunsetenv("DISPLAY");
    const bool noDisplayApplied = background.apply({}, solid(QSize(4, 4), 0), &withoutDisplay);
    qputenv("DISPLAY", ":4242");
    const bool nowhereApplied = background.apply({}, solid(QSize(4, 4), 0), &toNowhere);
    qputenv("DISPLAY", display);
    QVERIFY(!missing.isEmpty());
    QVERIFY(!noDisplayApplied && withoutDisplay.contains("DISPLAY"));
    QVERIFY(!nowhereApplied && toNowhere.contains(":4242"));
    // the desktop keeps what it showed
    QCOMPARE(probe.property("_XROOTPMAP_ID"), before);
    QVERIFY(probe.isAlive(before));
    QCOMPARE(probe.rootImage().pixel(640, 400), qRgb(1, 2, 3));
}

QTEST_GUILESS_MAIN(TestX11Root)
#include "tst_x11root.moc"
