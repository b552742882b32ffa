// Three 24-megapixel JPEGs onto three 3840 x 2160 monitors, each its own
// picture (fitted, date caption, a BMP per monitor written), beside one such
// monitor, each in a fresh process so that its peak resident size is its own.
// The three are composed side by side on the machine's cores. Aim: the peak
// under 150 MB.
//
//   monitors_bench [runs]

#include "BenchSettings.h"
#include "Composer.h"
#include "FakeServices.h"
#include "ProcStatus.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <thread>

namespace {

const QSize kPicture(6000, 4000);
const QSize kMonitor(3840, 2160);

// Gradients with noise, turned by seed: photo-like work for the decoder.
QImage photoLike(int seed) {
    QImage image(kPicture, QImage::Format_RGB32);
    QRandomGenerator random{quint32(seed)};
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int noise = int(random.bounded(48)) - 24;
            line[x] =
                qRgb(std::clamp((x * 255 / kPicture.width() + seed * 80) % 256 + noise, 0, 255),
                     std::clamp(y * 255 / kPicture.height() + noise, 0, 255),
                     std::clamp(((x + y) / 16) % 256 + noise, 0, 255));
        }
    }
    return image;
}

// Composes onto count monitors side by side; prints milliseconds and the peak in kB.
int child(int count, const QStringList &pictures, const QString &bmp) {
    FakeScreenInfo screen(kMonitor);
    for (int i = 0; i < count; ++i)
        screen.m_monitors << MonitorInfo{QStringLiteral("M%1").arg(i),
                                         QRect(QPoint(i * kMonitor.width(), 0), kMonitor),
                                         QRect(0, 0, 3840, 2100), 96};
    FakeClock clock;
    FakeDesktopBackground desktop;
    desktop.eachMonitor = true;
    Composer composer(screen, clock, desktop, bmp);
    Settings settings = benchSettings();
    settings.MonitorMode = 1;
    bool done = false;
    QElapsedTimer timer;
    timer.start();
    composer.ComposeWallpaper(pictures.mid(0, count), settings, [&] { done = true; });
    std::printf("%lld %lld\n", timer.elapsed(), statusKb("VmHWM:"));
    return done ? 0 : 1;
}

} // namespace

int main(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == QLatin1String("--child"))
        return child(args.value(2).toInt(), args.mid(4), args.value(3));

    const int runs = std::max(1, args.value(1, QStringLiteral("3")).toInt());
    QTemporaryDir dir;
    QStringList pictures;
    for (int i = 0; i < 3; ++i) {
        pictures << dir.filePath(QStringLiteral("photo%1.jpg").arg(i));
        if (!photoLike(i).save(pictures.last(), "JPEG", 90))
            return 1;
    }
    std::printf("%u cores; three %dx%d JPEGs onto %dx%d monitors, each its own, median of %d\n",
                std::thread::hardware_concurrency(), kPicture.width(), kPicture.height(),
                kMonitor.width(), kMonitor.height(), runs);
    for (int count : {1, 3}) {
        QList<qint64> ms, peak;
        for (int r = 0; r < runs; ++r) {
            QProcess p;
            p.start(QCoreApplication::applicationFilePath(),
                    QStringList{"--child", QString::number(count), dir.filePath("MirellWP.bmp")} +
                        pictures);
            if (!p.waitForFinished(120000) || p.exitCode() != 0)
                return 1;
            const QList<QByteArray> f = p.readAllStandardOutput().trimmed().split(' ');
            ms << f.value(0).toLongLong();
            peak << f.value(1).toLongLong();
        }
        std::sort(ms.begin(), ms.end());
        std::sort(peak.begin(), peak.end());
        std::printf("%d monitor%s: %lld ms, peak %.1f MB\n", count, count > 1 ? "s" : "",
                    ms[ms.size() / 2], peak[peak.size() / 2] / 1024.0);
    }
    return 0;
}
