#include "Composer.h"
#include "FakeServices.h"
#include "PictureLoader.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

// Red, green, blue and white quarters: any shift, flip or turn shows.
QImage quarters(QSize size) {
    static const QRgb pixels[] = {0xffff0000, 0xff00ff00, 0xff0000ff, 0xffffffff};
    return QImage(reinterpret_cast<const uchar *>(pixels), 2, 2, QImage::Format_RGB32).scaled(size);
}

QImage plain(QSize size, Qt::GlobalColor color) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

bool near(QRgb a, QColor b) {
    return qAbs(qRed(a) - b.red()) + qAbs(qGreen(a) - b.green()) + qAbs(qBlue(a) - b.blue()) < 80;
}

// Bounding box of the clearly red pixels.
QRect redInk(const QImage &image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (qRed(c) > 60 && qRed(c) > 2 * qMax(qGreen(c), qBlue(c)))
                box |= QRect(x, y, 1, 1);
        }
    return box;
}

// An EXIF block holding only an orientation, right after the start marker,
// as a camera writes it.
QByteArray withOrientation(const QByteArray &jpeg, char orientation) {
    QByteArray exif("Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 24);
    exif += orientation + QByteArray(7, '\0');
    const int length = int(exif.size()) + 2;
    return jpeg.left(2) + QByteArray("\xff\xe1", 2) + char(length >> 8) + char(length & 0xff) +
           exif + jpeg.mid(2);
}

// A composer on fakes: 1024 x 768 with a 30-pixel bar at the bottom.
struct Rig {
    explicit Rig(const QString &out, qreal dpi = 96)
        : screen(QSize(1024, 768), QRect(0, 0, 1024, 738), dpi),
          composer(screen, clock, desktop, out) {}
    FakeScreenInfo screen;
    FakeClock clock;
    FakeDesktopBackground desktop;
    Composer composer;
};

} // namespace

class TestComposer : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    const QString m_out = m_dir.filePath(QStringLiteral("MirellWP.bmp"));

    QString write(const QString &name, const QImage &image, const char *format = nullptr) {
        const QString path = m_dir.filePath(name);
        return image.save(path, format) ? path : QString();
    }
    QString bytes(const QString &name, const QByteArray &content) {
        QFile f(m_dir.filePath(name));
        return f.open(QIODevice::WriteOnly) && f.write(content) == content.size() ? f.fileName()
                                                                                  : QString();
    }

  private slots:
    void init() { QFile::remove(m_out); }

    void pictureCheck() {
        using PictureLoader::Check;
        // The content decides, not the name; a missing file is dealt with later.
        QCOMPARE(PictureLoader::check(write("photo.txt", quarters(QSize(8, 8)), "png")),
                 Check::Accepted);
        QCOMPARE(PictureLoader::check(bytes("notes.jpg", "just some text\n")), Check::Invalid);
        QCOMPARE(PictureLoader::check(bytes("empty.bmp", {})), Check::Invalid);
        QCOMPARE(PictureLoader::check(m_dir.filePath("gone.jpg")), Check::Accepted);
    }

    void fitted() {
        // Large JPEGs are scaled while decoding: the quarters must stay in place.
        for (const auto &[name, picture, stretch, expected] :
             QList<std::tuple<QString, QSize, bool, QSize>>{
                 {"a.png", {640, 480}, true, {1024, 768}},
                 {"a.jpg", {2400, 1600}, true, {1024, 683}},
                 {"b.png", {2000, 500}, false, {2000, 500}}}) {
            Rig rig(m_out);
            rig.composer.ComposeWallpaper(write(name, quarters(picture)), {.Stretch = stretch});
            QCOMPARE(rig.desktop.calls, QStringList{m_out});
            const QImage bmp(m_out, "bmp");
            QCOMPARE(bmp.size(), expected);
            const int w = bmp.width() - 1, h = bmp.height() - 1;
            QVERIFY(near(bmp.pixel(0, 0), Qt::red) && near(bmp.pixel(w, 0), Qt::green));
            QVERIFY(near(bmp.pixel(0, h), Qt::blue) && near(bmp.pixel(w, h), Qt::white));
        }
    }

    void caption() {
        const QString path = write("black.png", plain(QSize(400, 300), Qt::black));
        // Red lives in the colour's low byte.
        const Settings settings{.ShowCaption = true,
                                .CaptionType = 2,
                                .CaptionString = "HIH",
                                .FontName = "IPAGothic",
                                .FontSize = 20,
                                .FontColor = 0x0000ff,
                                .Location = 3};
        QList<QRect> inks;
        for (qreal dpi : {96.0, 192.0}) {
            Rig rig(m_out, dpi);
            rig.composer.ComposeWallpaper(path, settings);
            inks << redInk(QImage(m_out, "bmp"));
        }
        // At 96 dpi the ink fills the text's cell in the bottom right corner,
        // 10 pixels in from the edges (give or take rounding).
        QImage at96(1, 1, QImage::Format_RGB32);
        at96.setDotsPerMeterX(qRound(96 / 0.0254));
        at96.setDotsPerMeterY(qRound(96 / 0.0254));
        const QFontMetricsF fm(QFont("IPAGothic", 20), &at96);
        const QSizeF extent(fm.horizontalAdvance("HIH"), fm.height());
        const QRectF cell(QPointF(390 - extent.width(), 290 - extent.height()), extent);
        QVERIFY(cell.adjusted(-1.5, -1.5, 1.5, 1.5).contains(QRectF(inks[0])));
        QVERIFY(inks[0].width() > 0.6 * extent.width());
        // 20 points on a screen of twice the density take twice the pixels.
        QVERIFY(qAbs(inks[1].height() - 2 * inks[0].height()) <= 3);
    }

    void failuresChangeNothing() {
        bytes("MirellWP.bmp", "the previous wallpaper");
        QFile full(write("full.jpg", quarters(QSize(800, 600))));
        QVERIFY(full.open(QIODevice::ReadOnly));
        const QStringList bad = {m_dir.filePath("nowhere.jpg"), bytes("garbage.jpg", "no picture"),
                                 bytes("truncated.jpg", full.read(300))};
        const QString fine = write("fine.png", quarters(QSize(100, 80)));
        Rig rig(m_out);
        // A file where the folder should be: no one can write there, not even root.
        Rig unwritable(m_out + "/MirellWP.bmp");
        bool called = false;
        for (bool stretch : {false, true}) {
            const Settings settings{.Stretch = stretch, .ShowCaption = true};
            for (const QString &path : bad)
                rig.composer.ComposeWallpaper(path, settings, [&] { called = true; });
            unwritable.composer.ComposeWallpaper(fine, settings, [&] { called = true; });
        }
        QVERIFY(!called);
        QVERIFY(rig.desktop.calls.isEmpty() && unwritable.desktop.calls.isEmpty());
        QFile old(m_out);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), "the previous wallpaper");
    }

    void requestDuringCompositionWaits() {
        const QString first = write("first.png", quarters(QSize(200, 100)));
        Rig rig(m_out);
        QStringList order;
        // Already waiting when the composition starts, as a tray command would
        // be; run inside the first, it would finish before it.
        QTimer::singleShot(0, &rig.composer, [&] {
            rig.composer.ComposeWallpaper(first, Settings(), [&] { order << "second"; });
        });
        rig.composer.ComposeWallpaper(first, Settings(), [&] { order << "first"; });
        QCOMPARE(order, QStringList({"first", "second"}));
    }

    void exifOrientation() {
        // Stored 200 x 100, red left and blue right; tagged "turn clockwise to
        // view", so upright it stands 100 x 200 with red on top.
        QImage stored = plain(QSize(200, 100), Qt::blue);
        QPainter(&stored).fillRect(0, 0, 100, 100, Qt::red);
        QFile untagged(write("untagged.jpg", stored));
        QVERIFY(untagged.open(QIODevice::ReadOnly));
        const QString tagged = bytes("tagged.jpg", withOrientation(untagged.readAll(), 6));

        QCOMPARE(PictureLoader::pictureSize(tagged), QSize(100, 200));
        Rig rig(m_out);
        for (bool stretch : {false, true}) {
            rig.composer.ComposeWallpaper(tagged, {.Stretch = stretch});
            const QImage bmp(m_out, "bmp");
            QCOMPARE(bmp.size(), stretch ? QSize(384, 768) : QSize(100, 200));
            QVERIFY(near(bmp.pixel(bmp.width() / 2, bmp.height() / 4), Qt::red));
            QVERIFY(near(bmp.pixel(bmp.width() / 2, 3 * bmp.height() / 4), Qt::blue));
        }
    }
};

QTEST_MAIN(TestComposer)
#include "test_composer.moc"
