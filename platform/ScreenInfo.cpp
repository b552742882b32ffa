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

} // namespace

QSize QtScreenInfo::size() const {
    QScreen *screen = primary();
    if (!screen)
        return fallbackSize;
    const qreal ratio = screen->devicePixelRatio();
    const QSize logical = screen->geometry().size();
    const QSize device(toDevice(logical.width(), ratio), toDevice(logical.height(), ratio));
    return device.isEmpty() ? fallbackSize : device;
}

// Relative to the screen's own top-left corner: the caption is placed on a
// picture centred on this screen, wherever the screen sits in the virtual
// desktop. Edges are scaled rather than the size, so that a fractional
// ratio cannot leave a one-pixel gap or overlap at the far edge.
QRect QtScreenInfo::workArea() const {
    QScreen *screen = primary();
    if (!screen)
        return QRect(QPoint(0, 0), fallbackSize);
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
qreal QtScreenInfo::dotsPerInch() const {
    QScreen *screen = primary();
    if (!screen)
        return FallbackDpi;
    const qreal dpi = screen->logicalDotsPerInch() * screen->devicePixelRatio();
    return dpi > 0 ? dpi : FallbackDpi;
}
