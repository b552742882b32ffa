#include "Composer.h"
#include "FakeServices.h"
#include "PictureLoader.h"

#include <QBuffer>
#include <QFile>
#include <QFontMetricsF>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <sys/stat.h>

namespace {

// Red, green, blue and white quarters: any shift, flip or turn shows.
QImage quarters(QSize size) {
    static const QRgb pixels[] = {0xffff0000, 0xff00ff00, 0xff0000ff, 0xffffffff};
    return QImage(reinterpret_cast<const uchar *>(pixels), 2, 2, QImage::Format_RGB32).scaled(size);
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

// A small progressive JPEG; as a bomb, its frame header claims 30000 x 20000 pixels.
QByteArray progressiveJpeg(bool bomb) {
    QBuffer buffer;
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    writer.write(quarters(QSize(64, 48)));
    QByteArray jpeg = buffer.data();
    return bomb ? jpeg.replace(jpeg.indexOf("\xff\xc2") + 5, 4, "\x4e\x20\x75\x30") : jpeg;
}

// A field of /proc/self/status in kB: VmHWM is the peak, RssAnon the heap's share.
qint64 statusKb(const QByteArray &field) {
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    const QByteArray text = status.readAll();
    const qsizetype at = text.indexOf(field + ':') + field.size() + 1;
    return text.mid(at, text.indexOf('\n', at) - at).trimmed().split(' ')[0].toLongLong();
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

    // Runs first: the peak it measures must not be an earlier test's.
    void unusablePictures() {
        using PictureLoader::Check;
        bytes("MirellWP.bmp", "the previous wallpaper");
        const QString fifo = m_dir.filePath("fifo.jpg");
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QString fine = write("fine.png", quarters(QSize(100, 80)));
        Rig rig(m_out);
        // A file where the folder should be: no one can write there, not even root.
        Rig unwritable(m_out + "/MirellWP.bmp");
        bool called = false;
        const qint64 peak = statusKb("VmHWM");
        // A missing or cut file is no verdict on its content: the list keeps it.
        for (const auto &[path, verdict] : QList<std::pair<QString, Check>>{
                 {m_dir.filePath("gone.jpg"), Check::Accepted},
                 {bytes("truncated.jpg", progressiveJpeg(false).left(300)), Check::Accepted},
                 {bytes("notes.jpg", "just some text\n"), Check::Invalid},
                 {bytes("empty.bmp", {}), Check::Invalid},
                 {fifo, Check::Invalid}, // opening it would wait for a writer forever
                 {bytes("bomb.jpg", progressiveJpeg(true)), Check::Invalid}}) {
            QCOMPARE(PictureLoader::check(path), verdict);
            for (bool stretch : {false, true}) {
                const Settings settings{.Stretch = stretch, .ShowCaption = true};
                rig.composer.ComposeWallpaper(path, settings, [&] { called = true; });
                unwritable.composer.ComposeWallpaper(fine, settings, [&] { called = true; });
            }
        }
        // The bomb is refused from its header, before the decoder allocates for it.
        QVERIFY2(statusKb("VmHWM") - peak < 64 * 1024, qPrintable(QString::number(peak)));
        QVERIFY(!called);
        QVERIFY(rig.desktop.calls.isEmpty() && unwritable.desktop.calls.isEmpty());
        QFile old(m_out);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), "the previous wallpaper");
    }

    void fitted() {
        // Stored sideways and tagged "turn clockwise to view": upright, blue is top left.
        QFile untagged(write("untagged.jpg", quarters(QSize(200, 100))));
        QVERIFY(untagged.open(QIODevice::ReadOnly));
        const QString tagged = bytes("tagged.jpg", withOrientation(untagged.readAll(), 6));
        // Large JPEGs are scaled while decoding, and a large photo kept at its
        // own size is no less a wallpaper. The content decides, not the name.
        for (const auto &[path, stretch, expected] : QList<std::tuple<QString, bool, QSize>>{
                 {write("a.txt", quarters({640, 480}), "png"), true, {1024, 768}},
                 {write("a.jpg", quarters({2400, 1600})), true, {1024, 683}},
                 {write("b.png", quarters({2000, 500})), false, {2000, 500}},
                 {write("big.jpg", quarters({8000, 4500})), false, {8000, 4500}},
                 {tagged, false, {100, 200}},
                 {tagged, true, {384, 768}}}) {
            Rig rig(m_out);
            rig.composer.ComposeWallpaper(path, {.Stretch = stretch});
            QCOMPARE(rig.desktop.calls, QStringList{m_out});
            const QImage bmp(m_out, "bmp");
            QCOMPARE(bmp.size(), expected);
            const QList<Qt::GlobalColor> c = path == tagged
                                                 ? QList{Qt::blue, Qt::red, Qt::white, Qt::green}
                                                 : QList{Qt::red, Qt::green, Qt::blue, Qt::white};
            const int w = bmp.width() - 1, h = bmp.height() - 1;
            QVERIFY(near(bmp.pixel(0, 0), c[0]) && near(bmp.pixel(w, 0), c[1]));
            QVERIFY(near(bmp.pixel(0, h), c[2]) && near(bmp.pixel(w, h), c[3]));
        }
    }

    void memoryReturned() {
        QStringList paths;
        for (const auto &[size, name] : QList<std::pair<QSize, QString>>{{{64, 48}, "s.png"},
                                                                         {{3000, 2000}, "m.png"},
                                                                         {{2600, 3100}, "m.jpg"},
                                                                         {{3500, 1800}, "m.bmp"}})
            paths << write(name, quarters(size));
        Rig rig(m_out);
        rig.composer.ComposeWallpaper(paths[0], {.ShowCaption = true}); // plugins and fonts
        const qint64 rest = statusKb("RssAnon");
        for (int i = 0; i < 6; ++i)
            rig.composer.ComposeWallpaper(paths[1 + i % 3],
                                          {.Stretch = i > 2, .ShowCaption = true});
        QVERIFY2(statusKb("RssAnon") - rest < 4096, qPrintable(QString::number(rest)));
    }

    void caption() {
        QImage black(400, 300, QImage::Format_RGB32);
        black.fill(Qt::black);
        const QString path = write("black.png", black);
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
};

QTEST_MAIN(TestComposer)
#include "test_composer.moc"
