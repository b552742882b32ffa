#include "ScreenInfo.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace {

// What a plain VGA-era desktop would have: enough for a wallpaper to be
// composed when Qt knows no screen (no display yet, every monitor unplugged).
constexpr QSize fallbackSize{1024, 768};

QScreen *primary() {
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance())
               ? QGuiApplication::primaryScreen()
               : nullptr;
}

int toDevice(int logical, qreal ratio) {
    return int(std::lround(logical * ratio));
}

// Relative to the screen's own top-left corner: the caption is placed on a
// picture centred on this screen, wherever the screen sits in the virtual
// desktop. Edges are scaled rather than the size, so that a fractional
// ratio cannot leave a one-pixel gap or overlap at the far edge.
QRect workAreaOf(const QScreen *screen) {
    const qreal ratio = screen->devicePixelRatio();
    const QRect whole = screen->geometry();
    QRect area = screen->availableGeometry().intersected(whole);
    if (area.isEmpty())
        area = whole;
    area.translate(-whole.topLeft());
    const int left = toDevice(area.x(), ratio);
    const int top = toDevice(area.y(), ratio);
    const int right = toDevice(area.x() + area.width(), ratio);
    const int bottom = toDevice(area.y() + area.height(), ratio);
    return QRect(left, top, right - left, bottom - top);
}

// Text on the screen is laid out with the logical DPI (what the desktop's
// font settings say, Xft.dpi or Windows' scaling), not with the monitor's
// measured size, which EDID often gets wrong and Xvfb invents. The wallpaper
// is shown one picture pixel per device pixel, so a 12-point caption matches
// 12-point text on screen when it is drawn at the logical DPI times the ratio.
qreal dpiOf(const QScreen *screen) {
    const qreal dpi = screen->logicalDotsPerInch() * screen->devicePixelRatio();
    return dpi > 0 ? dpi : FallbackDpi;
}

} // namespace

qsizetype mostOverlapping(const QRect &area, const QList<QRect> &places) {
    qsizetype best = -1;
    qint64 bestArea = 0;
    for (qsizetype i = 0; i < places.size(); ++i) {
        const QRect common = area & places[i];
        const qint64 size = qint64(common.width()) * common.height();
        if (size > bestArea)
            best = i, bestArea = size;
    }
    return best;
}

QRect QtScreenInfo::workArea() const {
    QScreen *screen = primary();
    return screen ? workAreaOf(screen) : QRect(QPoint(0, 0), fallbackSize);
}

qreal QtScreenInfo::dotsPerInch() const {
    QScreen *screen = primary();
    return screen ? dpiOf(screen) : FallbackDpi;
}

QSize QtScreenInfo::size() const {
    QScreen *screen = primary();
    if (!screen)
        return fallbackSize;
    const qreal ratio = screen->devicePixelRatio();
    const QSize logical = screen->geometry().size();
    const QSize device(toDevice(logical.width(), ratio), toDevice(logical.height(), ratio));
    return device.isEmpty() ? fallbackSize : device;
}

// A screen's place is scaled by its own ratio, as Qt scaled it down from the
// device's coordinates, so that monitors of one density meet edge to edge.
QList<MonitorInfo> QtScreenInfo::monitors() const {
    QScreen *first = primary();
    if (!first)
        return ScreenInfo::monitors();
    QList<QScreen *> screens = QGuiApplication::screens();
    screens.removeOne(first);
    screens.prepend(first);
    QList<MonitorInfo> list;
    for (QScreen *screen : std::as_const(screens)) {
        const qreal ratio = screen->devicePixelRatio();
        const QRect logical = screen->geometry();
        const QPoint corner(toDevice(logical.x(), ratio), toDevice(logical.y(), ratio));
        const QSize size(toDevice(logical.width(), ratio), toDevice(logical.height(), ratio));
        if (size.isEmpty())
            continue;
        list << MonitorInfo{screen->name(), QRect(corner, size), workAreaOf(screen), dpiOf(screen)};
    }
    if (list.isEmpty())
        return ScreenInfo::monitors();
    return list;
}
