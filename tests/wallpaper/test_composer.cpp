#include "Composer.h"
#include "FakeServices.h"
#include "PictureLoader.h"

#include <QFile>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

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

bool near(QRgb a, QColor b, int tolerance = 40) {
    return qAbs(qRed(a) - b.red()) <= tolerance && qAbs(qGreen(a) - b.green()) <= tolerance &&
           qAbs(qBlue(a) - b.blue()) <= tolerance;
}

// Where strongly red pixels lie on a dark picture.
QRect redInk(const QImage &image, QRgb *reddest = nullptr) {
    QRect box;
    int best = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (qRed(c) > 60 && qRed(c) > 2 * qMax(qGreen(c), qBlue(c)))
                box |= QRect(x, y, 1, 1);
            if (qRed(c) > best) {
                best = qRed(c);
                if (reddest)
                    *reddest = c;
            }
        }
    return box;
}

// Puts an EXIF block with the given orientation right after the JPEG's
// start marker, as a camera does.
QByteArray withOrientation(const QByteArray &jpeg, quint16 orientation) {
    QByteArray tiff("II*\0", 4);
    tiff += QByteArray("\x08\0\0\0", 4);               // first directory at 8
    tiff += QByteArray("\x01\0", 2);                   // one entry
    tiff += QByteArray("\x12\x01\x03\0\x01\0\0\0", 8); // 0x0112, SHORT, 1 value
    tiff += char(orientation & 0xff);
    tiff += char(orientation >> 8);
    tiff += QByteArray(2, '\0');
    tiff += QByteArray(4, '\0'); // no next directory
    const QByteArray body = QByteArray("Exif\0\0", 6) + tiff;
    const int length = int(body.size()) + 2;
    QByteArray segment("\xff\xe1", 2);
    segment += char(length >> 8);
    segment += char(length & 0xff);
    return jpeg.left(2) + segment + body + jpeg.mid(2);
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
    void unwritableOutput();
    void desktopRefusal();
    void requestDuringCompositionWaits();
    void exifOrientation();

  private:
    QString write(const QString &name, const QImage &image, const char *format = nullptr,
                  int quality = -1);
    QByteArray readOutput() const;

    QTemporaryDir m_dir;
    QString m_out;
};

void TestComposer::init() {
    QVERIFY(m_dir.isValid());
    m_out = m_dir.filePath(QStringLiteral("MirellWP.bmp"));
    QFile::remove(m_out);
}

QString TestComposer::write(const QString &name, const QImage &image, const char *format,
                            int quality) {
    const QString path = m_dir.filePath(name);
    if (name.endsWith(".gif") && !QImageWriter::supportedImageFormats().contains("gif")) {
        // Qt reads GIF but cannot write it.
        const QString png = path + ".png";
        image.save(png, "png");
        const QString convert = QStandardPaths::findExecutable("convert");
        if (convert.isEmpty() || QProcess::execute(convert, {png, path}) != 0)
            qWarning() << "cannot make" << path << "without ImageMagick";
        return path;
    }
    QImageWriter writer(path, format ? QByteArray(format) : QByteArray());
    if (quality >= 0)
        writer.setQuality(quality);
    if (!writer.write(image))
        qWarning() << "cannot write" << path << writer.errorString();
    return path;
}

QByteArray TestComposer::readOutput() const {
    QFile f(m_out);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestComposer::pictureCheck() {
    using PictureLoader::Check;
    const QImage img = quarters(QSize(64, 48));
    QCOMPARE(PictureLoader::check(write("ok.gif", img)), Check::Accepted);
    QCOMPARE(PictureLoader::pictureSize(m_dir.filePath("ok.gif")), QSize(64, 48));
    for (const char *fmt : {"png", "jpg", "bmp"})
        QCOMPARE(PictureLoader::check(write(QStringLiteral("ok.") + fmt, img, fmt)),
                 Check::Accepted);
    // The content decides, not the name.
    QCOMPARE(PictureLoader::check(write("photo.txt", img, "png")), Check::Accepted);
    QCOMPARE(PictureLoader::pictureSize(m_dir.filePath("photo.txt")), QSize(64, 48));

    auto file = [&](const QString &name, const QByteArray &bytes) {
        QFile f(m_dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qWarning() << "cannot write" << name;
        return f.fileName();
    };
    QCOMPARE(PictureLoader::check(file("notes.jpg", "just some text\n")), Check::Invalid);
    QCOMPARE(PictureLoader::check(file("empty.bmp", QByteArray())), Check::Invalid);
    QVERIFY(PictureLoader::load(m_dir.filePath("notes.jpg")).isNull());
    // Not about the content: the file is taken in and dealt with later.
    QCOMPARE(PictureLoader::check(m_dir.filePath("gone.jpg")), Check::Accepted);
    QVERIFY(PictureLoader::load(m_dir.filePath("gone.jpg")).isNull());
    QVERIFY(!PictureLoader::pictureSize(m_dir.filePath("gone.jpg")));
}

void TestComposer::fitted_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<bool>("stretch");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("small png, fit")
        << QSize(640, 480) << QByteArray("png") << true << QSize(1024, 768);
    QTest::newRow("portrait bmp, fit")
        << QSize(600, 800) << QByteArray("bmp") << true << QSize(576, 768);
    QTest::newRow("large jpeg, fit")
        << QSize(2400, 1600) << QByteArray("jpg") << true << QSize(1024, 683);
    QTest::newRow("panorama jpeg, fit")
        << QSize(4000, 1000) << QByteArray("jpg") << true << QSize(1024, 256);
    QTest::newRow("large png, as is")
        << QSize(2000, 500) << QByteArray("png") << false << QSize(2000, 500);
    QTest::newRow("tiny gif, as is")
        << QSize(40, 30) << QByteArray("gif") << false << QSize(40, 30);
}

void TestComposer::fitted() {
    QFETCH(QSize, picture);
    QFETCH(QByteArray, format);
    QFETCH(bool, stretch);
    QFETCH(QSize, expected);

    const QString path = write(QStringLiteral("pic.") + format, quarters(picture), format, 95);
    FakeScreenInfo screen(QSize(1024, 768), QRect(0, 0, 1024, 738));
    FakeClock clock;
    FakeDesktopBackground desktop;
    Composer composer(screen, clock, desktop, m_out);
    QSignalSpy applied(&composer, &Composer::applied);
    int done = 0;
    Settings settings;
    settings.Stretch = stretch;
    composer.ComposeWallpaper(path, settings, [&] { ++done; });

    QCOMPARE(done, 1);
    QCOMPARE(applied.count(), 1);
    QCOMPARE(applied.at(0).at(0).toString(), path);
    QCOMPARE(desktop.calls.size(), 1);
    QCOMPARE(desktop.calls.at(0).path, m_out);
    const QImage bmp(m_out, "bmp");
    QCOMPARE(bmp.size(), expected);
    QCOMPARE(desktop.calls.at(0).size, expected);
    // Each quarter keeps its place and colour.
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
    QTest::addColumn<int>("location");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QString>("text");
    // Left, top, right and bottom edge of the caption cell.
    QTest::addColumn<QString>("cell");
    QTest::newRow("bottom right, small picture") << 3 << QSize(400, 300) << "HIH"
                                                 << "PW-10-tw PH-10-th PW-10 PH-10";
    QTest::newRow("top left, small picture") << 0 << QSize(400, 300) << "HIH"
                                             << "10 10 10+tw 10+th";
    // Full-screen picture on a screen with a 30-pixel bar at the bottom.
    QTest::newRow("bottom left, above the bar") << 2 << QSize(1024, 768) << "HIH"
                                                << "10 738-10-th 10+tw 738-10";
    // The screen's left edge lies at 288 on a centred 1600-pixel picture.
    QTest::newRow("top left, wide picture") << 0 << QSize(1600, 500) << "日本語"
                                            << "298 10 298+tw 10+th";
}

void TestComposer::captionCorner() {
    QFETCH(int, location);
    QFETCH(QSize, picture);
    QFETCH(QString, text);
    QFETCH(QString, cell);

    QImage black(picture, QImage::Format_RGB32);
    black.fill(Qt::black);
    const QString path = write("black.png", black);
    FakeScreenInfo screen(QSize(1024, 768), QRect(0, 0, 1024, 738));
    FakeClock clock;
    FakeDesktopBackground desktop;
    Composer composer(screen, clock, desktop, m_out);
    const Settings settings = captionSettings(location, text);
    composer.ComposeWallpaper(path, settings);
    const QImage bmp(m_out, "bmp");
    QCOMPARE(bmp.size(), picture);

    QImage probe(1, 1, QImage::Format_RGB32);
    probe.setDotsPerMeterX(qRound(96 / 0.0254));
    probe.setDotsPerMeterY(qRound(96 / 0.0254));
    QFont font(settings.FontName);
    font.setPointSize(settings.FontSize);
    const QFontMetricsF fm(font, &probe);
    const double tw = fm.horizontalAdvance(text);
    const double th = fm.height();
    auto eval = [&](QString term) {
        term.replace("PW", QString::number(picture.width()));
        term.replace("PH", QString::number(picture.height()));
        double sum = 0;
        for (const QString &part : term.split('+')) {
            const QStringList minus = part.split('-');
            auto value = [&](const QString &v) {
                return v == "tw" ? tw : v == "th" ? th : v.toDouble();
            };
            double d = value(minus.at(0));
            for (int i = 1; i < minus.size(); ++i)
                d -= value(minus.at(i));
            sum += d;
        }
        return sum;
    };
    const QStringList edges = cell.split(' ');
    const QRectF expected(QPointF(eval(edges[0]), eval(edges[1])),
                          QPointF(eval(edges[2]), eval(edges[3])));

    QRgb reddest = 0;
    const QRect ink = redInk(bmp, &reddest);
    QVERIFY2(!ink.isEmpty(), "no caption drawn");
    // Red, not blue: the colour's low byte is red.
    QVERIFY(qRed(reddest) > 200 && qGreen(reddest) < 60 && qBlue(reddest) < 60);
    // The ink lies inside the cell (a pixel of slack for rounding)...
    const QRectF cellSlack = expected.adjusted(-1.5, -1.5, 1.5, 1.5);
    QVERIFY2(cellSlack.contains(QRectF(ink)),
             qPrintable(QStringLiteral("ink %1,%2 %3x%4 outside cell %5,%6 %7x%8")
                            .arg(ink.x())
                            .arg(ink.y())
                            .arg(ink.width())
                            .arg(ink.height())
                            .arg(expected.x())
                            .arg(expected.y())
                            .arg(expected.width())
                            .arg(expected.height())));
    // ...and fills most of its width.
    QVERIFY(ink.width() > 0.6 * tw);
}

void TestComposer::captionFollowsScreenDensity() {
    QImage black(QSize(600, 400), QImage::Format_RGB32);
    black.fill(Qt::black);
    const QString path = write("black.png", black);
    FakeClock clock;
    FakeDesktopBackground desktop;
    int heights[2] = {};
    int i = 0;
    for (qreal dpi : {96.0, 192.0}) {
        FakeScreenInfo screen(QSize(1024, 768), QRect(), dpi);
        Composer composer(screen, clock, desktop, m_out);
        composer.ComposeWallpaper(path, captionSettings(0, "HIH"));
        heights[i++] = redInk(QImage(m_out, "bmp")).height();
    }
    QVERIFY(heights[0] > 5);
    // 20 points on a screen of twice the density take twice the pixels.
    QVERIFY2(qAbs(heights[1] - 2 * heights[0]) <= 3,
             qPrintable(QStringLiteral("%1 and %2").arg(heights[0]).arg(heights[1])));
}

void TestComposer::failuresChangeNothing_data() {
    QTest::addColumn<QString>("picture");
    QTest::newRow("missing") << "nowhere.jpg";
    QTest::newRow("not a picture") << "garbage.jpg";
    QTest::newRow("truncated") << "truncated.jpg";
}

void TestComposer::failuresChangeNothing() {
    QFETCH(QString, picture);
    {
        QFile garbage(m_dir.filePath("garbage.jpg"));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write("no picture in here");
    }
    {
        const QString full = write("full.jpg", quarters(QSize(800, 600)), "jpg");
        QFile in(full);
        QVERIFY(in.open(QIODevice::ReadOnly));
        QFile out(m_dir.filePath("truncated.jpg"));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(in.read(300)); // the header and hardly any picture
    }
    const QByteArray before = "the previous wallpaper";
    {
        QFile old(m_out);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(before);
    }

    FakeScreenInfo screen;
    FakeClock clock;
    FakeDesktopBackground desktop;
    Composer composer(screen, clock, desktop, m_out);
    QSignalSpy failed(&composer, &Composer::desktopFailed);
    QSignalSpy applied(&composer, &Composer::applied);
    bool called = false;
    for (bool stretch : {false, true}) {
        Settings settings = captionSettings(3, "x");
        settings.Stretch = stretch;
        composer.ComposeWallpaper(m_dir.filePath(picture), settings, [&] { called = true; });
    }
    QCOMPARE(readOutput(), before);
    QVERIFY(desktop.calls.isEmpty());
    QVERIFY(!called);
    QCOMPARE(failed.count(), 0);
    QCOMPARE(applied.count(), 0);
}

void TestComposer::unwritableOutput() {
    // A file where the folder should be: no one can write there, not even root.
    const QString blocker = m_dir.filePath("blocker");
    {
        QFile f(blocker);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QString path = write("pic.png", quarters(QSize(100, 80)));
    FakeScreenInfo screen;
    FakeClock clock;
    FakeDesktopBackground desktop;
    Composer composer(screen, clock, desktop, blocker + "/MirellWP.bmp");
    QSignalSpy failed(&composer, &Composer::desktopFailed);
    bool called = false;
    composer.ComposeWallpaper(path, Settings(), [&] { called = true; });
    QVERIFY(desktop.calls.isEmpty());
    QVERIFY(!called);
    QCOMPARE(failed.count(), 0);
}

void TestComposer::desktopRefusal() {
    const QString path = write("pic.png", quarters(QSize(100, 80)));
    FakeScreenInfo screen;
    FakeClock clock;
    FakeDesktopBackground desktop;
    desktop.failure = QStringLiteral("No desktop to show it on.");
    Composer composer(screen, clock, desktop, m_out);
    QSignalSpy failed(&composer, &Composer::desktopFailed);
    QSignalSpy applied(&composer, &Composer::applied);
    int done = 0;
    for (int i = 0; i < 3; ++i)
        composer.ComposeWallpaper(path, Settings(), [&] { ++done; });
    QCOMPARE(desktop.calls.size(), 3);
    QCOMPARE(failed.count(), 1); // told once, not at every switch
    QCOMPARE(failed.at(0).at(0).toString(), desktop.failure);
    desktop.failure = QStringLiteral("Another reason.");
    composer.ComposeWallpaper(path, Settings(), [&] { ++done; });
    QCOMPARE(failed.count(), 2);
    QCOMPARE(done, 0);
    QCOMPARE(applied.count(), 0);

    desktop.failure.clear();
    composer.ComposeWallpaper(path, Settings(), [&] { ++done; });
    QCOMPARE(done, 1);
    QCOMPARE(applied.count(), 1);
    // After a success the same refusal is news again.
    desktop.failure = QStringLiteral("Another reason.");
    composer.ComposeWallpaper(path, Settings());
    QCOMPARE(failed.count(), 3);
}

void TestComposer::requestDuringCompositionWaits() {
    const QString first = write("first.png", quarters(QSize(200, 100)));
    QImage green(QSize(120, 90), QImage::Format_RGB32);
    green.fill(Qt::green);
    const QString second = write("second.png", green);
    FakeScreenInfo screen;
    FakeClock clock;
    FakeDesktopBackground desktop;
    Composer composer(screen, clock, desktop, m_out);

    QStringList order;
    int appliedWhenInnerReturned = -1;
    // An event already waiting when the composition starts: it runs while
    // the composer lets pending events through, as a tray command would.
    QTimer::singleShot(0, &composer, [&] {
        composer.ComposeWallpaper(second, Settings(), [&] { order << "second"; });
        appliedWhenInnerReturned = int(desktop.calls.size());
    });
    composer.ComposeWallpaper(first, Settings(), [&] { order << "first"; });

    QCOMPARE(appliedWhenInnerReturned, 0); // the inner request did not run inside the first
    QCOMPARE(order, QStringList({"first", "second"}));
    QCOMPARE(desktop.calls.size(), 2);
    QCOMPARE(desktop.calls.at(0).size, QSize(200, 100));
    QCOMPARE(desktop.calls.at(1).size, QSize(120, 90));
    QCOMPARE(QImage(m_out, "bmp").size(), QSize(120, 90));
}

void TestComposer::exifOrientation() {
    // Stored 200 x 100, red left and blue right; tagged "turn clockwise to
    // view", so upright it stands 100 x 200 with red on top.
    QImage stored(QSize(200, 100), QImage::Format_RGB32);
    QPainter(&stored).fillRect(0, 0, 100, 100, Qt::red);
    QPainter(&stored).fillRect(100, 0, 100, 100, Qt::blue);
    QFile plain(write("plain.jpg", stored, "jpg", 95));
    QVERIFY(plain.open(QIODevice::ReadOnly));
    const QString tagged = m_dir.filePath("tagged.jpg");
    {
        QFile out(tagged);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(withOrientation(plain.readAll(), 6));
    }

    QCOMPARE(PictureLoader::pictureSize(tagged), QSize(100, 200));
    FakeScreenInfo screen;
    FakeClock clock;
    FakeDesktopBackground desktop;
    Composer composer(screen, clock, desktop, m_out);
    for (bool stretch : {false, true}) {
        Settings settings;
        settings.Stretch = stretch;
        composer.ComposeWallpaper(tagged, settings);
        const QImage bmp(m_out, "bmp");
        QCOMPARE(bmp.size(), stretch ? QSize(384, 768) : QSize(100, 200));
        QVERIFY(near(bmp.pixel(bmp.width() / 2, bmp.height() / 4), Qt::red));
        QVERIFY(near(bmp.pixel(bmp.width() / 2, 3 * bmp.height() / 4), Qt::blue));
    }
}

QTEST_MAIN(TestComposer)
#include "test_composer.moc"
