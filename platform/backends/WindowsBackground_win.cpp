#include "WindowsBackground_win.h"

#include "WindowsWallpaper_win.h"

#include <QDir>

#include <algorithm>

bool WindowsBackground::apply(const QString &path, const QImage &, QString *error) {
    std::wstring why;
    if (setWindowsWallpaper(QDir::toNativeSeparators(path).toStdWString(), &why))
        return true;
    if (error)
        *error = QString::fromStdWString(why);
    return false;
}

bool WindowsBackground::applyEach(const QList<MonitorPicture> &pictures, QString *error) {
    // One picture for every monitor takes the one call, which also reaches every virtual
    // desktop; the per-monitor call reaches only the current one.
    const QImage &first = pictures[0].image;
    if (std::all_of(pictures.cbegin(), pictures.cend(),
                    [&](const MonitorPicture &p) { return p.image == first; }))
        return apply(pictures[0].path, first, error);
    QList<QRect> places;
    for (const MonitorPicture &p : pictures)
        places << p.monitor.geometry;
    std::wstring why;
    const auto fileFor = [&](long left, long top, long right, long bottom) {
        const qsizetype i = mostOverlapping(QRect(left, top, right - left, bottom - top), places);
        return i < 0 ? std::wstring() : QDir::toNativeSeparators(pictures[i].path).toStdWString();
    };
    switch (setWindowsWallpaperEach(fileFor, &why)) {
    case EachMonitorResult::Done:
        return true;
    case EachMonitorResult::Unavailable: // before Windows 8: the primary's picture on all
        return apply(pictures[0].path, first, error);
    case EachMonitorResult::Failed:
        break;
    }
    if (error)
        *error = QString::fromStdWString(why);
    return false;
}
