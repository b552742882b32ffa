// Switches the wallpaper over and over with the real composer and the real
// X root backend, and shows whether memory or the X server's pixmaps pile up.
// Needs an X display ($DISPLAY) without a desktop of its own, e.g.
//
//   tests/with-xvfb.sh build/bin/soak_bench --switches 10000 --every 1000
//
// Prints, every --every switches, the process's resident and anonymous
// memory (VmRSS, RssAnon) and the pixmaps the X server holds for its
// clients (xrestop), and the bytes of those pixmaps.

#include "Composer.h"
#include "DesktopBackground.h"
#include "FakeServices.h"
#include "ProcStatus.h"
#include "ScreenInfo.h"

#include <QBuffer>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

QTextStream &out() {
    static QTextStream stream(stdout);
    return stream;
}

// Pixmaps and their bytes over every client of the X server but xrestop.
std::pair<qint64, qint64> serverPixmaps() {
    QProcess p;
    p.start(QStringLiteral("xrestop"), {"-b", "-m", "1"});
    if (!p.waitForFinished(10000) || p.exitCode() != 0)
        return {-1, -1};
    qint64 count = 0;
    qint64 bytes = 0;
    bool self = false;
    for (const QByteArray &raw : p.readAllStandardOutput().split('\n')) {
        const QByteArray line = raw.trimmed();
        if (!raw.startsWith('\t'))
            self = line.contains(" - xrestop ");
        else if (self)
            continue;
        else if (line.startsWith("pixmaps "))
            count += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
        else if (line.startsWith("pixmap bytes"))
            bytes += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
    }
    return {count, bytes};
}

QImage photoLike(QSize size, quint32 seed, QImage::Format format = QImage::Format_RGB32) {
    QImage image(size, format);
    QRandomGenerator random(seed);
    const int r0 = int(random.bounded(256));
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y,
                           qRgba((r0 + x * 255 / size.width()) % 256, y * 255 / size.height(),
                                 int(random.bounded(64)) + ((x ^ y) & 0x80), 200));
    return image;
}

QByteArray encoded(const QImage &image, const char *format, bool progressive = false) {
    QBuffer buffer;
    QImageWriter writer(&buffer, format);
    writer.setQuality(85);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return buffer.data();
}

// A small progressive JPEG whose header claims 30000 x 20000 pixels.
QByteArray headerBomb() {
    QByteArray jpeg = encoded(photoLike(QSize(64, 48), 1), "jpeg", true);
    const qsizetype sof = jpeg.indexOf("\xff\xc2");
    jpeg.replace(sof + 5, 4, QByteArray("\x4e\x20\x75\x30", 4));
    return jpeg;
}

// Varied pictures of modest size: every format, progressive and grey JPEGs,
// a transparent PNG, broken and truncated files, the header bomb.
QStringList pictures(const QString &dir) {
    const QByteArray jpeg = encoded(photoLike(QSize(2400, 1600), 2), "jpeg");
    const QList<std::pair<QString, QByteArray>> files = {
        {"photo.jpg", jpeg},
        {"large.jpg", encoded(photoLike(QSize(4000, 3000), 3), "jpeg")},
        {"progressive.jpg", encoded(photoLike(QSize(1600, 1200), 4), "jpeg", true)},
        {"grey.jpg",
         encoded(photoLike(QSize(1200, 900), 5).convertToFormat(QImage::Format_Grayscale8),
                 "jpeg")},
        {"small.png", encoded(photoLike(QSize(640, 480), 6), "png")},
        {"alpha.png", encoded(photoLike(QSize(1280, 720), 7, QImage::Format_ARGB32), "png")},
        {"wide.bmp", encoded(photoLike(QSize(1920, 600), 8), "bmp")},
        {"truncated.jpg", jpeg.left(jpeg.size() / 2)},
        {"cut.png", encoded(photoLike(QSize(800, 600), 10), "png").left(300)},
        {"garbage.jpg", QByteArray("not a picture at all\n")},
        {"bomb.jpg", headerBomb()},
    };
    QStringList paths;
    for (const auto &[name, bytes] : files) {
        QFile f(dir + '/' + name);
        if (f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size())
            paths << f.fileName();
    }
    // Qt reads GIFs but does not write them; ImageMagick does.
    const QString gif = dir + QStringLiteral("/dither.gif");
    QString convert = QStandardPaths::findExecutable("convert-im6.q16");
    if (convert.isEmpty())
        convert = QStandardPaths::findExecutable("convert");
    if (!convert.isEmpty() &&
        QProcess::execute(convert, {"-seed", "9", "-size", "900x600", "plasma:fractal", gif}) == 0)
        paths << gif;
    else
        out() << "no GIF: ImageMagick's convert is missing" << Qt::endl;
    return paths;
}

} // namespace

int main(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({"switches", "Number of switches.", "n", "10000"});
    parser.addOption({"every", "Report every n switches.", "n", "1000"});
    parser.process(app);
    const int switches = std::max(1, parser.value("switches").toInt());
    const int every = std::max(1, parser.value("every").toInt());
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        out() << "soak_bench needs an X display" << Qt::endl;
        return 1;
    }

    QTemporaryDir dir;
    const QStringList list = pictures(dir.path());
    QtScreenInfo screen;
    FakeClock clock;
    const std::unique_ptr<DesktopBackground> desktop =
        createDesktopBackground(DesktopKind::X11Root);
    Composer composer(screen, clock, *desktop, dir.filePath("MirellWP.bmp"));
    int applied = 0;
    QSet<QString> shown;
    QStringList refusals;
    QObject::connect(&composer, &Composer::desktopFailed,
                     [&](const QString &reason) { refusals << reason; });

    out() << list.size() << " pictures, screen " << screen.size().width() << "x"
          << screen.size().height() << ", " << switches << " switches" << Qt::endl;
    const auto report = [&](int n, double seconds) {
        const auto [pixmaps, pixmapBytes] = serverPixmaps();
        out() << QStringLiteral("%1 switches %2 applied  VmRSS %3 kB  RssAnon %4 kB  "
                                "X pixmaps %5 (%6 kB)  %7 s")
                     .arg(n, 6)
                     .arg(applied, 6)
                     .arg(statusKb("VmRSS:"), 7)
                     .arg(statusKb("RssAnon:"), 7)
                     .arg(pixmaps)
                     .arg(pixmapBytes / 1024)
                     .arg(seconds, 0, 'f', 1)
              << Qt::endl;
    };
    QElapsedTimer timer;
    timer.start();
    report(0, 0);
    for (int n = 1; n <= switches; ++n) {
        const int i = (n - 1) % int(list.size());
        Settings settings;
        // Fit on and off alternate from one round of the list to the next.
        settings.Stretch = ((n - 1) / list.size()) % 2 == 0;
        settings.ShowCaption = true;
        settings.FontName = QStringLiteral("IPAGothic");
        settings.FontSize = 24;
        settings.FontColor = 0xffffff;
        settings.Location = n % 4;
        composer.ComposeWallpaper(list.at(i), settings, [&] {
            ++applied;
            shown << list.at(i);
        });
        if (n == 1 || n % every == 0)
            report(n, double(timer.elapsed()) / 1000);
    }
    for (const QString &path : list)
        if (!shown.contains(path))
            out() << "never shown: " << QFileInfo(path).fileName() << Qt::endl;
    for (const QString &reason : refusals)
        out() << "desktop refused: " << reason << Qt::endl;
    return 0;
}
