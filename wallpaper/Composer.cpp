#include "Composer.h"

#include "AtomicFile.h"
#include "Clock.h"
#include "DesktopBackground.h"
#include "Geometry.h"
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

void drawCaption(QImage &image, const QString &text, const Settings &settings, const QSize &screen,
                 const QRect &workArea) {
    QFont font(settings.FontName);
    font.setPointSizeF(qMax<qint16>(1, settings.FontSize));
    font.setWeight(QFont::Normal);
    font.setItalic(false);

    const QFontMetricsF metrics(font, &image);
    const QSizeF extent(metrics.horizontalAdvance(text), metrics.height());
    const std::optional<Corner> corner = cornerFromStored(settings.Location);
    if (text.isEmpty() || !corner)
        return;
    const QPointF cell = CaptionPosition(*corner, extent, image.size(), screen, workArea);

    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(colorFromRgb(settings.FontColor));
    painter.drawText(QPointF(qRound(cell.x()), qRound(cell.y()) + metrics.ascent()), text);
}

} // namespace

Composer::Composer(const ScreenInfo &screen, const Clock &clock, DesktopBackground &desktop,
                   QString outputPath, QObject *parent)
    : QObject(parent), m_screen(screen), m_clock(clock), m_desktop(desktop),
      m_outputPath(std::move(outputPath)) {}

void Composer::ComposeWallpaper(const QString &path, const Settings &settings,
                                std::function<void()> onApplied) {
    m_queue.push_back({path, settings, std::move(onApplied)});
    // A request made from an event handled in the middle of a composition
    // waits here: both would otherwise write the same file at once.
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

QImage Composer::composeImage(const QString &path, const Settings &settings) const {
    const QSize screen = m_screen.size();
    std::optional<QByteArray> data = PictureLoader::readFile(path);
    if (!data)
        return {};
    QImage image;
    if (settings.Stretch) {
        const std::optional<QSize> size = PictureLoader::pictureSize(*data);
        if (!size)
            return {};
        const QSize target = fitToScreen(*size, screen);
        image = PictureLoader::load(*data, target, PictureLoader::Fit::Exactly);
    } else {
        image = PictureLoader::load(*data);
    }
    data.reset();
    if (image.isNull())
        return {};
    image = opaque(std::move(image));

    // Points on the wallpaper should measure what they measure on the screen.
    qreal dpi = m_screen.dotsPerInch();
    if (!(dpi > 0))
        dpi = FallbackDpi;
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));

    if (settings.ShowCaption) {
        const std::optional<CaptionKind> kind = captionKindFromStored(settings.CaptionType);
        const QString text = kind ? captionText(*kind, path, settings.CaptionString,
                                                m_clock.now().date(), QLocale::system())
                                  : QString();
        drawCaption(image, text, settings, screen, m_screen.workArea());
    }
    return image;
}

bool Composer::composeOne(const Request &request) {
    const QImage image = composeImage(request.path, request.settings);
    if (image.isNull())
        return false;

    // Other handlers get their turn twice while a wallpaper is made, as the
    // window always allowed; a new composition they ask for waits its turn.
    const QPointer<Composer> self(this);
    for (int i = 0; i < 2; ++i) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
        if (!self)
            return false;
    }

    // Desktops read the file as soon as they are told; they must never see
    // half of it, and a full disk must not cost the wallpaper they show.
    QByteArray bmp;
    {
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        if (!QImageWriter(&buffer, "bmp").write(image))
            return false;
    }
    if (!writeFileAtomically(m_outputPath, bmp)) {
        emit desktopFailed(QStringLiteral("%1 could not be written (is the disk full?)")
                               .arg(QDir::toNativeSeparators(m_outputPath)));
        return false;
    }
    bmp = QByteArray();

    QString error;
    if (!m_desktop.apply(m_outputPath, image, &error)) {
        emit desktopFailed(error);
        return false;
    }
    if (request.onApplied)
        request.onApplied();
    if (self)
        emit applied(request.path);
    return true;
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
