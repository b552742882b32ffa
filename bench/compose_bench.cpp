// Composes a 24-megapixel photo onto a 1920 x 1080 screen (fitted, date
// caption, BMP written) and sets the time and memory it takes beside djpeg
// and ImageMagick doing comparable work on the same file in the same run.
// Aims: in the running program at most the time of djpeg -scale 3/8, and at
// least 8 times faster than ImageMagick.
//
//   compose_bench [runs]

#include "BenchSettings.h"
#include "Composer.h"
#include "FakeServices.h"
#include "PictureLoader.h"
#include "ProcStatus.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

const QSize kPicture(6000, 4000);
const QSize kScreen(1920, 1080);

QTextStream &out() {
    static QTextStream stream(stdout);
    return stream;
}

// Smooth gradients with noise on top: photo-like work for the JPEG coder.
QImage photoLike() {
    QImage image(kPicture, QImage::Format_RGB32);
    QRandomGenerator random(2026);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int noise = int(random.bounded(48)) - 24;
            const int r = std::clamp(x * 255 / kPicture.width() + noise, 0, 255);
            const int g = std::clamp(y * 255 / kPicture.height() + noise, 0, 255);
            const int b = std::clamp(((x + y) / 16) % 256 + noise, 0, 255);
            line[x] = qRgb(r, g, b);
        }
    }
    return image;
}

double childrenCpuMs() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

double ownCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Wall-clock and processor time of a series of runs.
struct Timing {
    QList<double> wall;
    QList<double> cpu;
};

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    const auto n = values.size();
    return n == 0 ? 0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

// One composition in a fresh process: its peak resident size is the
// composition's plus Qt's own start-up.
int child(const QString &picture, const QString &bmp) {
    const qint64 before = statusKb("VmHWM:");
    FakeScreenInfo screen(kScreen, QRect(0, 0, 1920, 1040));
    FakeClock clock;
    FakeDesktopBackground desktop;
    Composer composer(screen, clock, desktop, bmp);
    bool done = false;
    composer.ComposeWallpaper(picture, benchSettings(), [&] { done = true; });
    std::printf("%lld %lld %d\n", before, statusKb("VmHWM:"), done ? 1 : 0);
    return done ? 0 : 1;
}

Timing timeProcess(int runs, const QString &program, const QStringList &args,
                   const QString &stdoutFile = QString(), QList<QByteArray> *outputs = nullptr) {
    Timing timing;
    for (int i = 0; i < runs; ++i) {
        QProcess p;
        if (!stdoutFile.isEmpty())
            p.setStandardOutputFile(stdoutFile);
        const double cpu0 = childrenCpuMs();
        QElapsedTimer t;
        t.start();
        p.start(program, args);
        p.waitForFinished(-1);
        timing.wall << double(t.nsecsElapsed()) / 1e6;
        timing.cpu << childrenCpuMs() - cpu0;
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            out() << "  " << program << " failed: " << p.readAllStandardError() << Qt::endl;
            return {};
        }
        if (outputs)
            outputs->append(p.readAllStandardOutput());
    }
    return timing;
}

void row(const QString &what, const Timing &t) {
    out() << QStringLiteral("  %1 %2 ms wall %3 ms cpu")
                 .arg(what, -40)
                 .arg(median(t.wall), 8, 'f', 1)
                 .arg(median(t.cpu), 8, 'f', 1)
          << Qt::endl;
}

void ratio(const QString &what, const Timing &a, const Timing &b) {
    out() << QStringLiteral("  %1 %2 wall %3 cpu")
                 .arg(what, -40)
                 .arg(median(a.wall) / median(b.wall), 6, 'f', 2)
                 .arg(median(a.cpu) / median(b.cpu), 6, 'f', 2)
          << Qt::endl;
}

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args.at(1) == QLatin1String("--child"))
        return child(args.at(2), args.at(3));
    const int runs = args.size() > 1 ? std::max(1, args.at(1).toInt()) : 7;

    QTemporaryDir dir;
    const QString jpeg = dir.filePath("photo.jpg");
    const QString bmp = dir.filePath("MirellWP.bmp");
    {
        QImageWriter writer(jpeg, "jpeg");
        writer.setQuality(90);
        if (!writer.write(photoLike())) {
            out() << "cannot write the test photo" << Qt::endl;
            return 1;
        }
    }
    out() << "Picture " << kPicture.width() << "x" << kPicture.height() << " JPEG q90, "
          << QFile(jpeg).size() / 1024 << " KiB; screen " << kScreen.width() << "x"
          << kScreen.height() << "; fit on, date caption on, BMP written; median of " << runs
          << " runs" << Qt::endl;

    // In this process: what a switch costs the running program.
    FakeScreenInfo screen(kScreen, QRect(0, 0, 1920, 1040));
    FakeClock clock;
    FakeDesktopBackground desktop;
    Composer composer(screen, clock, desktop, bmp);
    Timing inProcess;
    for (int i = 0; i < runs; ++i) {
        const double cpu0 = ownCpuMs();
        QElapsedTimer t;
        t.start();
        composer.ComposeWallpaper(jpeg, benchSettings());
        inProcess.wall << double(t.nsecsElapsed()) / 1e6;
        inProcess.cpu << ownCpuMs() - cpu0;
    }
    const QImage result(bmp, "bmp");
    out() << "  composed " << result.width() << "x" << result.height() << ", "
          << QFile(bmp).size() / 1024 << " KiB" << Qt::endl;

    // In fresh processes, like the command-line tools below: start-up included.
    QList<QByteArray> reports;
    const Timing fresh = timeProcess(runs, QCoreApplication::applicationFilePath(),
                                     {"--child", jpeg, bmp}, QString(), &reports);
    qint64 peakKb = 0;
    qint64 baseKb = 0;
    for (const QByteArray &report : reports) {
        const QList<QByteArray> f = report.trimmed().split(' ');
        if (f.size() == 3) {
            baseKb = std::max(baseKb, f[0].toLongLong());
            peakKb = std::max(peakKb, f[1].toLongLong());
        }
    }

    const QString djpeg = QStandardPaths::findExecutable("djpeg");
    // The ImageMagick binary itself, not a wrapper in front of it.
    QString convert = QStandardPaths::findExecutable("convert-im6.q16");
    if (convert.isEmpty())
        convert = QStandardPaths::findExecutable("convert");
    Timing dj;
    Timing dj38;
    Timing dj18;
    Timing im;
    if (!djpeg.isEmpty()) {
        dj = timeProcess(runs, djpeg, {"-scale", "1/2", "-bmp", jpeg}, dir.filePath("dj.bmp"));
        // The scale the composer itself decodes this photo at for this screen.
        dj38 = timeProcess(runs, djpeg, {"-scale", "3/8", "-bmp", jpeg}, dir.filePath("dj.bmp"));
        // Little but the entropy decoding, which no scale saves: the floor.
        dj18 = timeProcess(runs, djpeg, {"-scale", "1/8", "-bmp", jpeg}, dir.filePath("dj.bmp"));
    }
    if (!convert.isEmpty())
        im = timeProcess(runs, convert, {jpeg, "-resize", "1920x1080", dir.filePath("im.bmp")});

    QElapsedTimer t;
    t.start();
    int accepted = 0;
    for (int i = 0; i < 1000; ++i)
        accepted += PictureLoader::check(jpeg) == PictureLoader::Check::Accepted;
    const double checkMs = double(t.nsecsElapsed()) / 1e6;

    out() << "Time (median):" << Qt::endl;
    row("compose, in the running program", inProcess);
    row("compose, fresh process", fresh);
    if (!dj.wall.isEmpty()) {
        row("djpeg -scale 1/2 -bmp", dj);
        row("djpeg -scale 3/8 -bmp", dj38);
        row("djpeg -scale 1/8 -bmp", dj18);
    }
    if (!im.wall.isEmpty())
        row(QFileInfo(convert).fileName() + " -resize 1920x1080", im);
    out() << "Ratios:" << Qt::endl;
    if (!dj.wall.isEmpty()) {
        ratio("compose (fresh process) / djpeg", fresh, dj);
        ratio("compose (in program) / djpeg", inProcess, dj);
        ratio("compose (in program) / djpeg 3/8", inProcess, dj38);
    }
    if (!im.wall.isEmpty()) {
        ratio("ImageMagick / compose (fresh process)", im, fresh);
        ratio("ImageMagick / compose (in program)", im, inProcess);
    }
    out() << "Peak memory (VmHWM) of a composing process: " << peakKb / 1024 << " MiB ("
          << baseKb / 1024 << " MiB of it before composing, " << (peakKb - baseKb) / 1024
          << " MiB added by the composition)" << Qt::endl;
    out() << "Picture check of the same photo, 1000 times: " << QString::number(checkMs, 'f', 1)
          << " ms, " << accepted << " accepted" << Qt::endl;
    return 0;
}
