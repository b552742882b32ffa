#include "MonitorLayout.h"

#include <algorithm>

MonitorMode monitorModeFromStored(int stored) {
    if (stored < int(MonitorMode::Same) || stored > int(MonitorMode::Across))
        return MonitorMode::Same;
    return MonitorMode(stored);
}

namespace {

qint64 area(const QRect &r) {
    return qint64(r.width()) * r.height();
}

// The largest monitor holding this one (itself when none is larger); the
// first of equals, so that a mirrored pair keeps the primary.
qsizetype ownerOf(const QList<MonitorInfo> &monitors, qsizetype i) {
    qsizetype owner = i;
    for (qsizetype j = 0; j < monitors.size(); ++j) {
        const QRect &candidate = monitors[j].geometry;
        if (!candidate.contains(monitors[i].geometry))
            continue;
        const qint64 size = area(candidate), best = area(monitors[owner].geometry);
        if (size > best || (size == best && j < owner))
            owner = j;
    }
    return owner;
}

} // namespace

QList<MonitorInfo> distinctMonitors(const QList<MonitorInfo> &monitors) {
    QList<MonitorInfo> distinct;
    QList<qsizetype> taken;
    for (qsizetype i = 0; i < monitors.size(); ++i) {
        const qsizetype owner = ownerOf(monitors, i);
        if (!taken.contains(owner) && !monitors[owner].geometry.isEmpty()) {
            taken << owner;
            distinct << monitors[owner];
        }
    }
    return distinct;
}

QRect boundingBox(const QList<MonitorInfo> &monitors) {
    QRect box;
    for (const MonitorInfo &m : monitors)
        box |= m.geometry;
    return box;
}

QRect centredIn(const QSize &picture, const QRect &area) {
    return QRect(area.topLeft() + QPoint((area.width() - picture.width()) / 2,
                                         (area.height() - picture.height()) / 2),
                 picture);
}

int picturesPerStep(MonitorMode mode, const QList<MonitorInfo> &monitors) {
    if (mode != MonitorMode::Each)
        return 1;
    return std::max<int>(1, int(distinctMonitors(monitors).size()));
}

QList<int> matchOrientations(const QList<bool> &uprightPictures,
                             const QList<bool> &uprightMonitors) {
    QList<int> left;
    for (int i = 0; i < int(uprightPictures.size()); ++i)
        left << i;
    QList<int> chosen;
    for (const bool upright : uprightMonitors) {
        if (left.isEmpty()) // fewer pictures than monitors: the first again
            chosen << 0;
        else {
            const auto match = std::find_if(left.begin(), left.end(),
                                            [&](int i) { return uprightPictures[i] == upright; });
            const auto pick = match != left.end() ? match : left.begin();
            chosen << *pick;
            left.erase(pick);
        }
    }
    return chosen;
}
