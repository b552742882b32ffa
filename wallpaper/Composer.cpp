#include "Composer.h"

#include "AtomicFile.h"
#include "Clock.h"
#include "DesktopBackground.h"
#include "Geometry.h"
#include "MonitorLayout.h"
#include "PictureLoader.h"
#include "ScreenInfo.h"
#include "SystemMemory.h"

#include <QBuffer>
#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFont>
#include <QFontMetricsF>
#include <QImageWriter>
#include <QLocale>
#include <QPainter>
#include <QPointer>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <algorithm>
#include <future>
#include <vector>

namespace {

const QString kFileName = QStringLiteral("MirellWP.bmp");

// The wallpaper is opaque: a transparent picture shows black where it is
// see-through, whatever colour the file keeps under its transparent pixels.
QImage opaque(QImage image) {
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::black);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    return flat;
}

// The caption of a picture of size picture lying at origin on image, for a
// monitor of that screen size and work area.
void drawCaption(QImage &image, QPoint origin, QSize picture, const QString &text,
                 const Settings &settings, const QSize &screen, const QRect &workArea) {
    QFont font(settings.FontName);
    font.setPointSizeF(qMax<qint16>(1, settings.FontSize));
    font.setWeight(QFont::Normal);
    font.setItalic(false);

    const QFontMetricsF metrics(font, &image);
    const QSizeF extent(metrics.horizontalAdvance(text), metrics.height());
    const std::optional<Corner> corner = cornerFromStored(settings.Location);
    if (text.isEmpty() || !corner)
        return;
    const QPointF cell = CaptionPosition(*corner, extent, picture, screen, workArea) + origin;

    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(colorFromRgb(settings.FontColor));
    painter.drawText(QPointF(qRound(cell.x()), qRound(cell.y()) + metrics.ascent()), text);
}

// Points on the wallpaper should measure what they measure on the screen.
void setDensity(QImage &image, qreal dpi) {
    if (!(dpi > 0))
        dpi = FallbackDpi;
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
}

// The pixels of the picture, fitted into fit when given.
QImage loadPicture(const QByteArray &data, std::optional<QSize> fit) {
    if (!fit)
        return PictureLoader::load(data);
    const std::optional<QSize> size = PictureLoader::pictureSize(data);
    if (!size)
        return {};
    return PictureLoader::load(data, fitToScreen(*size, *fit), PictureLoader::Fit::Exactly);
}

QString captionFor(const QString &path, const Settings &settings, const QDate &today) {
    const std::optional<CaptionKind> kind = captionKindFromStored(settings.CaptionType);
    return kind ? captionText(*kind, path, settings.CaptionString, today, QLocale::system())
                : QString();
}

// One canvas over the bounding box of the monitors, each picture centred on
// its own monitor as a desktop centres a picture, black between them.
QImage spanningCanvas(const QList<DesktopBackground::MonitorPicture> &pictures) {
    QList<MonitorInfo> monitors;
    for (const auto &p : pictures)
        monitors << p.monitor;
    const QRect box = boundingBox(monitors);
    QImage canvas(box.size(), QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    for (const auto &p : pictures) {
        const QRect area = p.monitor.geometry.translated(-box.topLeft());
        painter.setClipRect(area);
        painter.drawImage(centredIn(p.image.size(), area).topLeft(), p.image);
    }
    painter.end();
    setDensity(canvas, pictures.first().monitor.dpi);
    return canvas;
}

// "MirellWP.bmp" for the first monitor, "MirellWP-2.bmp" beside it for the
// second, and so on: the same monitor keeps its file from one switch to the next.
QString monitorFile(const QString &first, qsizetype index) {
    if (index == 0)
        return first;
    const QFileInfo info(first);
    return info.dir().filePath(
        QStringLiteral("%1-%2.%3").arg(info.completeBaseName()).arg(index + 1).arg(info.suffix()));
}

} // namespace

Composer::Composer(const ScreenInfo &screen, const Clock &clock, DesktopBackground &desktop,
                   QString outputPath, QObject *parent)
    : QObject(parent), m_screen(screen), m_clock(clock), m_desktop(desktop),
      m_outputPath(std::move(outputPath)) {}

void Composer::ComposeWallpaper(const QStringList &paths, const Settings &settings,
                                std::function<void()> onApplied) {
    if (paths.isEmpty())
        return;
    m_queue.push_back({paths, settings, std::move(onApplied)});
    // A request made from an event handled in the middle of a composition
    // waits here: both would otherwise write the same files at once.
    if (m_running)
        return;
    m_running = true;
    const QPointer<Composer> self(this);
    while (!m_queue.empty()) {
        const Request request = std::move(m_queue.front());
        m_queue.pop_front();
        composeOne(request);
        if (!self)
            return; // destroyed by an event handled while composing
    }
    m_running = false;
    // A photo's buffers are freed into the heap, which keeps them for the
    // next one unless told otherwise: the program would rest tens of
    // megabytes larger after its first switch.
    SystemMemory::releaseFreed();
}

int Composer::picturesPerStep(const Settings &settings) const {
    return ::picturesPerStep(monitorModeFromStored(settings.MonitorMode), m_screen.monitors());
}

QImage Composer::composeImage(const QByteArray &data, const QString &path, const Settings &settings,
                              const MonitorInfo &monitor) const {
    const QSize screen = monitor.geometry.size();
    QImage image = loadPicture(data, settings.Stretch ? std::optional(screen) : std::nullopt);
    if (image.isNull())
        return {};
    image = opaque(std::move(image));
    setDensity(image, monitor.dpi);
    if (settings.ShowCaption)
        drawCaption(image, {}, image.size(), captionFor(path, settings, m_clock.now().date()),
                    settings, screen, monitor.workArea);
    return image;
}

QImage Composer::composeAcross(const QString &path, const Settings &settings,
                               const QList<MonitorInfo> &monitors) const {
    const QRect box = boundingBox(monitors);
    std::optional<QByteArray> data = PictureLoader::readFile(path);
    if (!data)
        return {};
    const QImage picture =
        loadPicture(*data, settings.Stretch ? std::optional(box.size()) : std::nullopt);
    data.reset();
    if (picture.isNull())
        return {};
    QImage canvas(box.size(), QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter painter(&canvas);
        painter.drawImage(centredIn(picture.size(), QRect(QPoint(), box.size())).topLeft(),
                          picture);
    }
    const MonitorInfo &primary = monitors.first();
    setDensity(canvas, primary.dpi);
    if (settings.ShowCaption) {
        // The primary monitor is filled edge to edge, so its caption keeps to its work area.
        const QSize screen = primary.geometry.size();
        drawCaption(canvas, primary.geometry.topLeft() - box.topLeft(), screen,
                    captionFor(path, settings, m_clock.now().date()), settings, screen,
                    primary.workArea);
    }
    return canvas;
}

QList<QImage> Composer::composeEach(QStringList &paths, const Settings &settings,
                                    const QList<MonitorInfo> &monitors) const {
    const auto pathFor = [&](qsizetype i) { return paths.value(i, paths.first()); };
    // Monitors alike in everything that shapes the picture share one composition.
    const auto sameAs = [&](qsizetype i, qsizetype j) {
        const MonitorInfo &a = monitors[i], &b = monitors[j];
        return pathFor(i) == pathFor(j) && a.geometry.size() == b.geometry.size() &&
               a.workArea == b.workArea && a.dpi == b.dpi;
    };
    QList<QImage> images(monitors.size());
    std::vector<std::future<QImage>> jobs(monitors.size());
    const auto alikeBefore = [&](qsizetype i) {
        for (qsizetype j = 0; j < i; ++j)
            if (sameAs(i, j))
                return j;
        return qsizetype(-1);
    };
    // Files are read here, where a slow read lets the window go on; only
    // decoding and drawing go to other threads.
    QHash<QString, std::optional<QByteArray>> files;
    for (qsizetype i = 0; i < monitors.size(); ++i) {
        if (!files.contains(pathFor(i)))
            files.insert(pathFor(i), PictureLoader::readFile(pathFor(i)));
        if (!files.value(pathFor(i)))
            return {};
    }
    if (settings.MatchOrientation && paths.size() > 1) {
        QList<bool> uprightPictures, uprightMonitors;
        for (const QString &path : std::as_const(paths)) {
            const QSize size = PictureLoader::pictureSize(*files.value(path)).value_or(QSize());
            uprightPictures << (size.height() > size.width());
        }
        for (const MonitorInfo &m : monitors)
            uprightMonitors << (m.geometry.height() > m.geometry.width());
        QStringList matched;
        for (int index : matchOrientations(uprightPictures, uprightMonitors))
            matched << paths[index];
        paths = matched;
    }
    for (qsizetype i = 0; i < monitors.size(); ++i) {
        if (alikeBefore(i) >= 0)
            continue;
        jobs[i] =
            std::async(monitors.size() > 1 ? std::launch::async : std::launch::deferred,
                       [this, &settings, &monitors, &files, path = pathFor(i), i] {
                           return composeImage(*files.value(path), path, settings, monitors[i]);
                       });
    }
    for (qsizetype i = 0; i < monitors.size(); ++i)
        images[i] = jobs[i].valid() ? jobs[i].get() : images[alikeBefore(i)];
    return images;
}

bool Composer::write(const QString &path, const QImage &image) {
    // Desktops read the file as soon as they are told; they must never see
    // half of it, and a full disk must not cost the wallpaper they show.
    QByteArray bmp;
    {
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        if (!QImageWriter(&buffer, "bmp").write(image))
            return false;
    }
    if (!writeFileAtomically(path, bmp)) {
        emit desktopFailed(QStringLiteral("%1 could not be written (is the disk full?)")
                               .arg(QDir::toNativeSeparators(path)));
        return false;
    }
    return true;
}

bool Composer::composeOne(const Request &request) {
    const QList<MonitorInfo> monitors = distinctMonitors(m_screen.monitors());
    MonitorMode mode = monitorModeFromStored(request.settings.MonitorMode);
    if (monitors.size() < 2)
        mode = MonitorMode::Same; // one monitor: one picture, as ever
    const QString first = request.paths.first();

    QImage canvas;
    QList<QImage> images;
    QStringList shownPaths{first};
    if (mode == MonitorMode::Across) {
        canvas = composeAcross(first, request.settings, monitors);
        if (canvas.isNull())
            return false;
        const QPoint origin = boundingBox(monitors).topLeft();
        for (const MonitorInfo &m : monitors)
            images << canvas.copy(m.geometry.translated(-origin));
    } else {
        shownPaths = mode == MonitorMode::Each ? request.paths : QStringList{first};
        images = composeEach(shownPaths, request.settings, monitors);
        if (images.isEmpty() ||
            std::any_of(images.cbegin(), images.cend(), [](const QImage &i) { return i.isNull(); }))
            return false;
    }

    // Other handlers get their turn twice while a wallpaper is made, as the
    // window always allowed; a new composition they ask for waits its turn.
    const QPointer<Composer> self(this);
    for (int i = 0; i < 2; ++i) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
        if (!self)
            return false;
    }

    QList<DesktopBackground::MonitorPicture> pictures;
    for (qsizetype i = 0; i < monitors.size(); ++i)
        pictures.append({monitors[i], monitorFile(m_outputPath, i), images[i]});
    images.clear();
    if (!show(pictures, canvas, mode == MonitorMode::Across))
        return false;

    m_shown.clear();
    for (qsizetype i = 0; i < monitors.size(); ++i)
        m_shown.append({monitors[i], shownPaths.value(i, first)});
    if (request.onApplied)
        request.onApplied();
    if (self)
        emit applied(first);
    return true;
}

bool Composer::show(const QList<DesktopBackground::MonitorPicture> &pictures, QImage canvas,
                    bool across) {
    QString error;
    bool shown = false;
    if (pictures.size() == 1 || !(m_desktop.takesEachMonitor() || m_desktop.spansMonitors())) {
        if (!write(m_outputPath, pictures[0].image))
            return false;
        shown = m_desktop.apply(m_outputPath, pictures[0].image, &error);
    } else if (m_desktop.takesEachMonitor()) {
        for (const auto &picture : pictures)
            if (!write(picture.path, picture.image))
                return false;
        shown = m_desktop.applyEach(pictures, &error);
    } else {
        if (!across)
            canvas = spanningCanvas(pictures);
        if (!write(m_outputPath, canvas))
            return false;
        shown = m_desktop.applySpanning(m_outputPath, canvas, &error);
    }
    if (!shown)
        emit desktopFailed(error);
    return shown;
}
QString Composer::defaultOutputPath() {
    const QString programDir = QCoreApplication::applicationDirPath();
    // Windows calls any folder without the read-only attribute writable,
    // Program Files included; only making a file there tells.
    QTemporaryFile probe(QDir(programDir).filePath(QStringLiteral("MirellWP-XXXXXX.tmp")));
    if (!programDir.isEmpty() && probe.open())
        return QDir(programDir).filePath(kFileName);
    const QString dataDir = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QDir().mkpath(dataDir);
    return QDir(dataDir).filePath(kFileName);
}
