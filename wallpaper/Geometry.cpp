#include "Geometry.h"

#include <QtMath>

#include <algorithm>

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

QPointF CaptionPosition(int location, const QSizeF &text, const QSize &picture, const QSize &screen,
                        const QRect &workArea) {
    constexpr double m = 10.0;
    const double tw = text.width();
    const double th = text.height();
    const double pw = picture.width();
    const double ph = picture.height();
    // The work area as the desktop reports it: right and bottom are the first
    // pixels outside it.
    const double l = workArea.left();
    const double t = workArea.top();
    const double r = double(workArea.left()) + workArea.width();
    const double b = double(workArea.top()) + workArea.height();

    double left;
    double right;
    if (pw > r - l) {
        const double ox = (pw - screen.width()) / 2.0;
        left = l + ox + m;
        right = r + ox - tw - m;
    } else {
        left = m;
        right = pw - tw - m;
    }

    double top;
    double bottom;
    if (ph > b - t) {
        const double oy = (ph - screen.height()) / 2.0;
        top = t + oy + m;
        bottom = b + oy - th - m;
    } else {
        top = m;
        bottom = ph - th - m;
    }

    switch (location) {
    case 0:
        return {left, top};
    case 1:
        return {right, top};
    case 2:
        return {left, bottom};
    case 3:
        return {right, bottom};
    default:
        return {0.0, 0.0};
    }
}

QString FileNameOf(const QString &path) {
#ifdef Q_OS_WIN
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
#else
    const qsizetype cut = path.lastIndexOf(QLatin1Char('/'));
#endif
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

QString captionText(int captionType, const QString &path, const QString &freeText,
                    const QDate &today, const QLocale &locale) {
    switch (captionType) {
    case 0:
        return dateCaption(today, locale);
    case 1:
        return FileNameOf(path);
    case 2:
        return freeText;
    default:
        return {};
    }
}
