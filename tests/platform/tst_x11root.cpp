#include "X11RootBackground_x11.h"
#include "XcbProbe.h"

#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Every pixel tells where in the picture it came from, so a shifted, cut or
// scaled placement cannot go unnoticed.
QImage patterned(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = qRgb(x & 0xff, y & 0xff, ((x >> 8) << 4) | (y >> 8));
    }
    return image;
}

QImage solid(QSize size, QRgb colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Leftover room is shared; an odd pixel goes to the right or bottom, and a
// picture larger than the screen loses its odd pixel there too.
int offset(int screen, int picture) {
    const int room = screen - picture;
    return room >= 0 ? room / 2 : -((-room) / 2);
}

// First mismatch as text, or empty when the root shows the picture centred
// on black.
QString compareCentred(const QImage &root, const QImage &picture) {
    const int ox = offset(root.width(), picture.width());
    const int oy = offset(root.height(), picture.height());
    const QRect placed(ox, oy, picture.width(), picture.height());
    for (int y = 0; y < root.height(); ++y) {
        for (int x = 0; x < root.width(); ++x) {
            const QRgb want = placed.contains(x, y) ? picture.pixel(x - ox, y - oy) : qRgb(0, 0, 0);
            if (root.pixel(x, y) != want)
                return QStringLiteral("(%1,%2) is %3, want %4")
                    .arg(x)
                    .arg(y)
                    .arg(root.pixel(x, y), 8, 16)
                    .arg(want, 8, 16);
        }
    }
    return {};
}

bool isSolid(const QImage &image, QRgb colour) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != colour)
                return false;
        }
    }
    return true;
}

// A client of its own that may hold one pixmap; it sets both background
// properties to it when asked, as a root setter that never retains would.
class Client {
  public:
    Client() : m_c(xcb_connect(nullptr, nullptr)) {}
    ~Client() { xcb_disconnect(m_c); }
    xcb_pixmap_t makePixmap(QSize size, bool announce) {
        xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data;
        const xcb_pixmap_t pixmap = xcb_generate_id(m_c);
        xcb_create_pixmap(m_c, screen->root_depth, pixmap, screen->root, quint16(size.width()),
                          quint16(size.height()));
        for (const char *name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) {
            if (!announce)
                break;
            auto *reply = xcb_intern_atom_reply(
                m_c, xcb_intern_atom(m_c, 0, quint16(qstrlen(name)), name), nullptr);
            xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, screen->root, reply->atom,
                                XCB_ATOM_PIXMAP, 32, 1, &pixmap);
            free(reply);
        }
        isConnected(); // a round trip: all of the above has reached the server
        return pixmap;
    }
    bool isConnected() {
        free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr));
        return !xcb_connection_has_error(m_c);
    }

  private:
    xcb_connection_t *m_c;
};

} // namespace

class TestX11Root : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void showsPictureCentred_data();
    void showsPictureCentred();
    void freesTheOldPictureOnEverySwitch();
    void takesOverFromFeh();
    void handsOverToFeh();
    void leftBehindPropertiesHarmNobody();
    void readsTheFileWhenGivenNoImage();
    void failsWithAReason();

  private:
    bool runFeh(const QImage &picture);
    QTemporaryDir m_dir;
};

void TestX11Root::initTestCase() {
    QVERIFY2(!qgetenv("DISPLAY").isEmpty(), "run under tests/with-xvfb.sh");
    QVERIFY(XcbProbe().isConnected());
    QVERIFY(m_dir.isValid());
}

void TestX11Root::showsPictureCentred_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("smaller, odd room") << QSize(301, 199);
    QTest::newRow("exactly the screen") << QSize(1280, 800);
    QTest::newRow("larger, odd excess") << QSize(2001, 1001);
    QTest::newRow("tall and narrow") << QSize(100, 1200);
    QTest::newRow("one pixel") << QSize(1, 1);
}

void TestX11Root::showsPictureCentred() {
    QFETCH(QSize, size);
    const QImage picture = patterned(size);
    X11RootBackground background;
    QString error;
    QVERIFY2(background.apply(QString(), picture, &error), qPrintable(error));

    XcbProbe probe;
    const QImage root = probe.rootImage();
    QCOMPARE(root.size(), QSize(1280, 800));
    const QString mismatch = compareCentred(root, picture);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));

    // what pseudo-transparent programs and the next setter read
    const xcb_pixmap_t named = probe.pixmapProperty("_XROOTPMAP_ID");
    QVERIFY(named != XCB_NONE);
    QCOMPARE(probe.pixmapProperty("ESETROOT_PMAP_ID"), named);
    QCOMPARE(probe.pixmapSize(named), QSize(1280, 800));
    QCOMPARE(probe.drawableImage(named), root);
}

void TestX11Root::freesTheOldPictureOnEverySwitch() {
    XcbProbe probe;
    X11RootBackground background;
    xcb_pixmap_t previous = XCB_NONE;
    QSet<quint32> owners;
    for (int i = 0; i < 20; ++i) {
        QString error;
        QVERIFY2(
            background.apply(QString(), solid(QSize(640, 400), qRgb(i * 12, 40, 200 - i)), &error),
            qPrintable(error));
        const xcb_pixmap_t current = probe.pixmapProperty("_XROOTPMAP_ID");
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

bool TestX11Root::runFeh(const QImage &picture) {
    const QString file = m_dir.filePath(QStringLiteral("feh.png"));
    if (!picture.save(file))
        return false;
    QProcess feh;
    feh.start(QStringLiteral("feh"), {"--no-fehbg", "--bg-fill", file});
    return feh.waitForFinished(30000) && feh.exitStatus() == QProcess::NormalExit &&
           feh.exitCode() == 0;
}

void TestX11Root::takesOverFromFeh() {
    XcbProbe probe;
    const QRgb red = qRgb(220, 0, 0);
    QVERIFY(runFeh(solid(QSize(64, 48), red)));
    QTRY_VERIFY(isSolid(probe.rootImage(), red));
    const xcb_pixmap_t fehPixmap = probe.pixmapProperty("_XROOTPMAP_ID");
    QVERIFY(probe.isAlive(fehPixmap));

    const QImage picture = patterned(QSize(500, 300));
    X11RootBackground background;
    QString error;
    QVERIFY2(background.apply(QString(), picture, &error), qPrintable(error));
    const QString mismatch = compareCentred(probe.rootImage(), picture);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    QVERIFY(!probe.isAlive(fehPixmap));
    QVERIFY(probe.pixmapProperty("_XROOTPMAP_ID") != fehPixmap);
}

void TestX11Root::handsOverToFeh() {
    XcbProbe probe;
    X11RootBackground background;
    QString error;
    QVERIFY2(background.apply(QString(), patterned(QSize(300, 300)), &error), qPrintable(error));
    const xcb_pixmap_t ours = probe.pixmapProperty("_XROOTPMAP_ID");

    const QRgb blue = qRgb(0, 0, 230);
    QVERIFY(runFeh(solid(QSize(64, 48), blue)));
    QTRY_VERIFY(isSolid(probe.rootImage(), blue));
    QTRY_VERIFY(!probe.isAlive(ours));
    const xcb_pixmap_t fehPixmap = probe.pixmapProperty("_XROOTPMAP_ID");
    QVERIFY(fehPixmap != ours && probe.isAlive(fehPixmap));
}

void TestX11Root::leftBehindPropertiesHarmNobody() {
    XcbProbe probe;
    X11RootBackground background;
    QString error;

    // The setter's pixmap died with it; the next client gets its slot and
    // its first id names that client's own small pixmap.
    xcb_pixmap_t stale = Client().makePixmap(probe.rootSize(), true);
    Client bystander;
    QCOMPARE(bystander.makePixmap(QSize(16, 16), false), stale);
    QVERIFY2(background.apply(QString(), patterned(QSize(50, 50)), &error), qPrintable(error));
    QVERIFY(bystander.isConnected());
    QVERIFY(probe.isAlive(stale));

    // Here the slot goes to our own next connection, whose first id is the
    // new picture itself.
    stale = Client().makePixmap(probe.rootSize(), true);
    QVERIFY(!probe.isAlive(stale));
    for (int i = 0; i < 2; ++i) {
        QVERIFY2(background.apply(QString(), patterned(QSize(60, 40)), &error), qPrintable(error));
        QVERIFY(probe.isAlive(probe.pixmapProperty("ESETROOT_PMAP_ID")));
    }
    QVERIFY(compareCentred(probe.rootImage(), patterned(QSize(60, 40))).isEmpty());
}

void TestX11Root::readsTheFileWhenGivenNoImage() {
    const QImage picture = patterned(QSize(321, 123));
    const QString file = m_dir.filePath(QStringLiteral("MirellWP.bmp"));
    QVERIFY(picture.save(file, "BMP"));
    X11RootBackground background;
    QString error;
    QVERIFY2(background.apply(file, QImage(), &error), qPrintable(error));
    const QString mismatch = compareCentred(XcbProbe().rootImage(), picture);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
}

void TestX11Root::failsWithAReason() {
    XcbProbe probe;
    X11RootBackground background;
    QVERIFY(background.apply(QString(), solid(QSize(10, 10), qRgb(1, 2, 3)), nullptr));
    const xcb_pixmap_t before = probe.pixmapProperty("_XROOTPMAP_ID");
    const QByteArray display = qgetenv("DISPLAY");

    QString error;
    QVERIFY(!background.apply(m_dir.filePath("missing.bmp"), QImage(), &error));
    QVERIFY(!error.isEmpty());

    error.clear();
    qunsetenv("DISPLAY");
    const bool withoutDisplay = background.apply(QString(), solid(QSize(4, 4), 0), &error);
    qputenv("DISPLAY", ":4242");
    QString unreachable;
    const bool toNowhere = background.apply(QString(), solid(QSize(4, 4), 0), &unreachable);
    qputenv("DISPLAY", display);
    QVERIFY(!withoutDisplay);
    QVERIFY(error.contains("DISPLAY"));
    QVERIFY(!toNowhere);
    QVERIFY(unreachable.contains(":4242"));

    // the desktop keeps what it showed
    QCOMPARE(probe.pixmapProperty("_XROOTPMAP_ID"), before);
    QVERIFY(probe.isAlive(before));
    QCOMPARE(probe.rootImage().pixel(640, 400), qRgb(1, 2, 3));
}

QTEST_GUILESS_MAIN(TestX11Root)
#include "tst_x11root.moc"
