#include "Geometry.h"

#include <QDir>
#include <QtMath>

#include <algorithm>
#include <utility>

QSize fitToScreen(const QSize &picture, const QSize &screen) {
    if (picture.isEmpty() || screen.isEmpty())
        return picture;
    const double sw = screen.width();
    const double sh = screen.height();
    const double pw = picture.width();
    const double ph = picture.height();
    double tw;
    double th;
    if (sw / sh > pw / ph) {
        th = sh;
        tw = sh * pw / ph;
    } else {
        tw = sw;
        th = sw * ph / pw;
    }
    // A sliver of a picture (10000 x 1) would round to zero pixels and leave
    // nothing to draw on; one pixel is the least a picture can be.
    return QSize(std::max(1, qRound(tw)), std::max(1, qRound(th)));
}

namespace {

// The near and far place of the caption along one axis. A picture larger
// than the work area is taken as centred on the screen, so the caption keeps
// to the visible work area (above a taskbar, say); a smaller one keeps the
// margin from its own edges. The work area ends at the first pixel outside it.
std::pair<double, double> captionRange(double picture, double screen, double areaStart,
                                       double areaLength, double text) {
    constexpr double m = 10.0;
    if (picture > areaLength) {
        const double offset = (picture - screen) / 2.0;
        return {areaStart + offset + m, areaStart + areaLength + offset - text - m};
    }
    return {m, picture - text - m};
}

} // namespace

std::optional<Corner> cornerFromStored(int stored) {
    if (stored < int(Corner::TopLeft) || stored > int(Corner::BottomRight))
        return std::nullopt;
    return Corner(stored);
}

std::optional<CaptionKind> captionKindFromStored(int stored) {
    if (stored < int(CaptionKind::Date) || stored > int(CaptionKind::FreeText))
        return std::nullopt;
    return CaptionKind(stored);
}

QPointF CaptionPosition(Corner corner, const QSizeF &text, const QSize &picture,
                        const QSize &screen, const QRect &workArea) {
    const auto [left, right] = captionRange(picture.width(), screen.width(), workArea.left(),
                                            workArea.width(), text.width());
    const auto [top, bottom] = captionRange(picture.height(), screen.height(), workArea.top(),
                                            workArea.height(), text.height());

    switch (corner) {
    case Corner::TopLeft:
        return {left, top};
    case Corner::TopRight:
        return {right, top};
    case Corner::BottomLeft:
        return {left, bottom};
    case Corner::BottomRight:
        return {right, bottom};
    }
    return {left, top};
}

QString FileNameOf(const QString &path) {
    // "/" everywhere, and on Windows its own "\\" as well.
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QDir::separator()));
    return cut < 0 ? path : path.mid(cut + 1);
}

QString dateCaption(const QDate &date, const QLocale &locale) {
    QString weekday = locale.dayName(date.dayOfWeek(), QLocale::ShortFormat);
    // Japanese shows the weekday as its one character ("月"); some locale
    // data gives "月曜" as the short form.
    if (locale.language() == QLocale::Japanese && weekday.size() > 1)
        weekday = weekday.left(1);
    return QStringLiteral("%1年%2月%3日 (%4)")
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(date.month())
        .arg(date.day())
        .arg(weekday);
}

QString captionText(CaptionKind kind, const QString &path, const QString &freeText,
                    const QDate &today, const QLocale &locale) {
    switch (kind) {
    case CaptionKind::Date:
        return dateCaption(today, locale);
    case CaptionKind::FileName:
        return FileNameOf(path);
    case CaptionKind::FreeText:
        return freeText;
    }
    return {};
}

QColor colorFromRgb(qint32 rgb) {
    const auto v = quint32(rgb);
    return QColor(int(v & 0xff), int((v >> 8) & 0xff), int((v >> 16) & 0xff));
}

qint32 rgbFromColor(const QColor &color) {
    return qint32(color.red() | (color.green() << 8) | (color.blue() << 16));
}
