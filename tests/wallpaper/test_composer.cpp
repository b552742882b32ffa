#include "Composer.h"
#include "FakeServices.h"
#include "PictureLoader.h"

#include <QFile>
#include <QFontMetricsF>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

// Red, green, blue and white quarters: any shift, flip or turn shows.
QImage quarters(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    const int w = size.width() / 2;
    const int h = size.height() / 2;
    p.fillRect(0, 0, w, h, Qt::red);
    p.fillRect(w, 0, size.width() - w, h, Qt::green);
    p.fillRect(0, h, w, size.height() - h, Qt::blue);
    p.fillRect(w, h, size.width() - w, size.height() - h, Qt::white);
    return image;
}

QImage plain(QSize size, Qt::GlobalColor color) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

bool near(QRgb a, QColor b, int tolerance = 40) {
    return qAbs(qRed(a) - b.red()) <= tolerance && qAbs(qGreen(a) - b.green()) <= tolerance &&
           qAbs(qBlue(a) - b.blue()) <= tolerance;
}

// Bounding box of the clearly red pixels, and the reddest pixel.
QRect redInk(const QImage &image, QRgb *reddest = nullptr) {
    QRect box;
    QRgb best = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (qRed(c) > 60 && qRed(c) > 2 * qMax(qGreen(c), qBlue(c)))
                box |= QRect(x, y, 1, 1);
            if (qRed(c) > qRed(best))
                best = c;
        }
    if (reddest)
        *reddest = best;
    return box;
}

// An EXIF block holding only an orientation, right after the start marker,
// as a camera writes it.
QByteArray withOrientation(const QByteArray &jpeg, char orientation) {
    QByteArray exif("Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 24);
    exif += orientation;
    exif += QByteArray(7, '\0'); // value padding, no next directory
    const int length = int(exif.size()) + 2;
    return jpeg.left(2) + QByteArray("\xff\xe1", 2) + char(length >> 8) + char(length & 0xff) +
           exif + jpeg.mid(2);
}

Settings captionSettings(int location, const QString &text) {
    Settings s;
    s.ShowCaption = true;
    s.CaptionType = 2;
    s.CaptionString = text;
    s.FontName = QStringLiteral("IPAGothic");
    s.FontSize = 20;
    s.FontColor = 0x0000ff; // red lives in the low byte
    s.Location = qint16(location);
    return s;
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
  private slots:
    void init();
    void pictureCheck();
    void fitted_data();
    void fitted();
    void captionCorner_data();
    void captionCorner();
    void captionFollowsScreenDensity();
    void failuresChangeNothing_data();
    void failuresChangeNothing();
    void desktopRefusal();
    void requestDuringCompositionWaits();
    void exifOrientation();

  private:
    QString write(const QString &name, const QImage &image, const char *format = nullptr);
    QString bytes(const QString &name, const QByteArray &content);

    QTemporaryDir m_dir;
    QString m_out;
};

void TestComposer::init() {
    QVERIFY(m_dir.isValid());
    m_out = m_dir.filePath(QStringLiteral("MirellWP.bmp"));
    QFile::remove(m_out);
}

QString TestComposer::write(const QString &name, const QImage &image, const char *format) {
    const QString path = m_dir.filePath(name);
    if (name.endsWith(".gif") && !QImageWriter::supportedImageFormats().contains("gif")) {
        // Qt reads GIF but cannot write it.
        image.save(path + ".png");
        const QString convert = QStandardPaths::findExecutable("convert");
        if (convert.isEmpty() || QProcess::execute(convert, {path + ".png", path}) != 0)
            qWarning() << "cannot make" << path << "without ImageMagick";
        return path;
    }
    QImageWriter writer(path, format);
    writer.setQuality(95);
    if (!writer.write(image))
        qWarning() << "cannot write" << path << writer.errorString();
    return path;
}

QString TestComposer::bytes(const QString &name, const QByteArray &content) {
    QFile f(m_dir.filePath(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
        qWarning() << "cannot write" << name;
    return f.fileName();
}

void TestComposer::pictureCheck() {
    using PictureLoader::Check;
    const QImage img = quarters(QSize(64, 48));
    for (const char *name : {"ok.png", "ok.jpg", "ok.bmp", "ok.gif"}) {
        QCOMPARE(PictureLoader::check(write(name, img)), Check::Accepted);
        QCOMPARE(PictureLoader::pictureSize(m_dir.filePath(name)), QSize(64, 48));
    }
    // The content decides, not the name.
    QCOMPARE(PictureLoader::check(write("photo.txt", img, "png")), Check::Accepted);
    QCOMPARE(PictureLoader::check(bytes("notes.jpg", "just some text\n")), Check::Invalid);
    QCOMPARE(PictureLoader::check(bytes("empty.bmp", {})), Check::Invalid);
    QVERIFY(PictureLoader::load(m_dir.filePath("notes.jpg")).isNull());
    // Not about the content: the file is taken in and dealt with later.
    QCOMPARE(PictureLoader::check(m_dir.filePath("gone.jpg")), Check::Accepted);
    QVERIFY(!PictureLoader::pictureSize(m_dir.filePath("gone.jpg")));
}

void TestComposer::fitted_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<bool>("stretch");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("small png, fit") << "a.png" << QSize(640, 480) << true << QSize(1024, 768);
    QTest::newRow("portrait bmp, fit") << "a.bmp" << QSize(600, 800) << true << QSize(576, 768);
    // Large JPEGs are scaled while decoding: the quarters must stay in place.
    QTest::newRow("large jpeg, fit") << "a.jpg" << QSize(2400, 1600) << true << QSize(1024, 683);
    QTest::newRow("panorama jpeg, fit") << "b.jpg" << QSize(4000, 1000) << true << QSize(1024, 256);
    QTest::newRow("large png, as is") << "b.png" << QSize(2000, 500) << false << QSize(2000, 500);
    QTest::newRow("tiny gif, as is") << "a.gif" << QSize(40, 30) << false << QSize(40, 30);
}

void TestComposer::fitted() {
    QFETCH(QString, name);
    QFETCH(QSize, picture);
    QFETCH(bool, stretch);
    QFETCH(QSize, expected);

    const QString path = write(name, quarters(picture));
    Rig rig(m_out);
    QSignalSpy applied(&rig.composer, &Composer::applied);
    int done = 0;
    Settings settings;
    settings.Stretch = stretch;
    rig.composer.ComposeWallpaper(path, settings, [&] { ++done; });

    QCOMPARE(done, 1);
    QCOMPARE(applied.count(), 1);
    QCOMPARE(applied.at(0).at(0).toString(), path);
    QCOMPARE(rig.desktop.calls.size(), 1);
    QCOMPARE(rig.desktop.calls.at(0).path, m_out);
    const QImage bmp(m_out, "bmp");
    QCOMPARE(bmp.size(), expected);
    const int w = bmp.width();
    const int h = bmp.height();
    QVERIFY(near(bmp.pixel(w / 4, h / 4), Qt::red));
    QVERIFY(near(bmp.pixel(3 * w / 4, h / 4), Qt::green));
    QVERIFY(near(bmp.pixel(w / 4, 3 * h / 4), Qt::blue));
    QVERIFY(near(bmp.pixel(3 * w / 4, 3 * h / 4), Qt::white));
    QVERIFY(near(bmp.pixel(0, 0), Qt::red));
    QVERIFY(near(bmp.pixel(w - 1, h - 1), Qt::white));
}

void TestComposer::captionCorner_data() {
    // The cell's top-left corner is (x + xt * tw, y + yt * th) for a text of
    // tw x th pixels.
    QTest::addColumn<int>("location");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<double>>("corner"); // x, xt, y, yt
    QTest::newRow("bottom right, small picture")
        << 3 << QSize(400, 300) << "HIH" << QList<double>{390, -1, 290, -1};
    QTest::newRow("top left, small picture")
        << 0 << QSize(400, 300) << "HIH" << QList<double>{10, 0, 10, 0};
    QTest::newRow("bottom left, above the bar")
        << 2 << QSize(1024, 768) << "HIH" << QList<double>{10, 0, 728, -1};
    // The screen's left edge lies at 288 on a centred 1600-pixel picture.
    QTest::newRow("top left, wide picture")
        << 0 << QSize(1600, 500) << "日本語" << QList<double>{298, 0, 10, 0};
}

void TestComposer::captionCorner() {
    QFETCH(int, location);
    QFETCH(QSize, picture);
    QFETCH(QString, text);
    QFETCH(QList<double>, corner);

    Rig rig(m_out);
    const Settings settings = captionSettings(location, text);
    rig.composer.ComposeWallpaper(write("black.png", plain(picture, Qt::black)), settings);
    const QImage bmp(m_out, "bmp");
    QCOMPARE(bmp.size(), picture);

    QImage at96(1, 1, QImage::Format_RGB32);
    at96.setDotsPerMeterX(qRound(96 / 0.0254));
    at96.setDotsPerMeterY(qRound(96 / 0.0254));
    const QFontMetricsF fm(QFont(settings.FontName, settings.FontSize), &at96);
    const QSizeF extent(fm.horizontalAdvance(text), fm.height());
    const QRectF cell(
        QPointF(corner[0] + corner[1] * extent.width(), corner[2] + corner[3] * extent.height()),
        extent);

    QRgb reddest = 0;
    const QRect ink = redInk(bmp, &reddest);
    QVERIFY2(!ink.isEmpty(), "no caption drawn");
    // Red, not blue: the colour's low byte is red.
    QVERIFY(qRed(reddest) > 200 && qGreen(reddest) < 60 && qBlue(reddest) < 60);
    // The ink lies in the cell (with a pixel and a half for rounding) and
    // takes most of its width.
    QVERIFY2(cell.adjusted(-1.5, -1.5, 1.5, 1.5).contains(QRectF(ink)),
             qPrintable(QStringLiteral("ink at %1,%2").arg(ink.x()).arg(ink.y())));
    QVERIFY(ink.width() > 0.6 * extent.width());
}

void TestComposer::captionFollowsScreenDensity() {
    const QString path = write("black.png", plain(QSize(600, 400), Qt::black));
    QList<int> heights;
    for (qreal dpi : {96.0, 192.0}) {
        Rig rig(m_out, dpi);
        rig.composer.ComposeWallpaper(path, captionSettings(0, "HIH"));
        heights << redInk(QImage(m_out, "bmp")).height();
    }
    QVERIFY(heights[0] > 5);
    // 20 points on a screen of twice the density take twice the pixels.
    QVERIFY2(qAbs(heights[1] - 2 * heights[0]) <= 3,
             qPrintable(QStringLiteral("%1 and %2").arg(heights[0]).arg(heights[1])));
}

void TestComposer::failuresChangeNothing_data() {
    QTest::addColumn<QString>("picture");
    QTest::addColumn<bool>("writable");
    QTest::newRow("missing") << "nowhere.jpg" << true;
    QTest::newRow("not a picture") << "garbage.jpg" << true;
    QTest::newRow("truncated") << "truncated.jpg" << true;
    QTest::newRow("output not writable") << "fine.png" << false;
}

void TestComposer::failuresChangeNothing() {
    QFETCH(QString, picture);
    QFETCH(bool, writable);
    bytes("garbage.jpg", "no picture in here");
    QFile full(write("full.jpg", quarters(QSize(800, 600))));
    QVERIFY(full.open(QIODevice::ReadOnly));
    bytes("truncated.jpg", full.read(300)); // the header and hardly any picture
    write("fine.png", quarters(QSize(100, 80)));
    const QByteArray before = "the previous wallpaper";
    bytes("MirellWP.bmp", before);
    // A file where the folder should be: no one can write there, not even root.
    const QString out = writable ? m_out : m_out + "/MirellWP.bmp";

    Rig rig(out);
    QSignalSpy failed(&rig.composer, &Composer::desktopFailed);
    QSignalSpy applied(&rig.composer, &Composer::applied);
    bool called = false;
    for (bool stretch : {false, true}) {
        Settings settings = captionSettings(3, "x");
        settings.Stretch = stretch;
        rig.composer.ComposeWallpaper(m_dir.filePath(picture), settings, [&] { called = true; });
    }
    QFile old(m_out);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), before);
    QVERIFY(rig.desktop.calls.isEmpty());
    QVERIFY(!called);
    QCOMPARE(failed.count(), 0);
    QCOMPARE(applied.count(), 0);
}

void TestComposer::desktopRefusal() {
    const QString path = write("pic.png", quarters(QSize(100, 80)));
    Rig rig(m_out);
    rig.desktop.failure = QStringLiteral("No desktop to show it on.");
    QSignalSpy failed(&rig.composer, &Composer::desktopFailed);
    QSignalSpy applied(&rig.composer, &Composer::applied);
    int done = 0;
    for (int i = 0; i < 3; ++i)
        rig.composer.ComposeWallpaper(path, Settings(), [&] { ++done; });
    QCOMPARE(rig.desktop.calls.size(), 3);
    QCOMPARE(failed.count(), 1); // told once, not at every switch
    QCOMPARE(failed.at(0).at(0).toString(), rig.desktop.failure);
    rig.desktop.failure = QStringLiteral("Another reason.");
    rig.composer.ComposeWallpaper(path, Settings(), [&] { ++done; });
    QCOMPARE(failed.count(), 2);
    QCOMPARE(done, 0);
    QCOMPARE(applied.count(), 0);

    rig.desktop.failure.clear();
    rig.composer.ComposeWallpaper(path, Settings(), [&] { ++done; });
    QCOMPARE(done, 1);
    QCOMPARE(applied.count(), 1);
    // After a success the same refusal is news again.
    rig.desktop.failure = QStringLiteral("Another reason.");
    rig.composer.ComposeWallpaper(path, Settings());
    QCOMPARE(failed.count(), 3);
}

void TestComposer::requestDuringCompositionWaits() {
    const QString first = write("first.png", quarters(QSize(200, 100)));
    const QString second = write("second.png", plain(QSize(120, 90), Qt::green));
    Rig rig(m_out);
    QStringList order;
    qsizetype appliedWhenInnerReturned = -1;
    // An event already waiting when the composition starts: it runs while
    // the composer lets pending events through, as a tray command would.
    QTimer::singleShot(0, &rig.composer, [&] {
        rig.composer.ComposeWallpaper(second, Settings(), [&] { order << "second"; });
        appliedWhenInnerReturned = rig.desktop.calls.size();
    });
    rig.composer.ComposeWallpaper(first, Settings(), [&] { order << "first"; });

    QCOMPARE(appliedWhenInnerReturned, 0); // it did not run inside the first
    QCOMPARE(order, QStringList({"first", "second"}));
    QCOMPARE(rig.desktop.calls.size(), 2);
    QCOMPARE(rig.desktop.calls.at(0).size, QSize(200, 100));
    QCOMPARE(QImage(m_out, "bmp").size(), QSize(120, 90));
}

void TestComposer::exifOrientation() {
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
        Settings settings;
        settings.Stretch = stretch;
        rig.composer.ComposeWallpaper(tagged, settings);
        const QImage bmp(m_out, "bmp");
        QCOMPARE(bmp.size(), stretch ? QSize(384, 768) : QSize(100, 200));
        QVERIFY(near(bmp.pixel(bmp.width() / 2, bmp.height() / 4), Qt::red));
        QVERIFY(near(bmp.pixel(bmp.width() / 2, 3 * bmp.height() / 4), Qt::blue));
    }
}

QTEST_MAIN(TestComposer)
#include "test_composer.moc"
