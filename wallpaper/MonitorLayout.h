#pragma once

#include "ScreenInfo.h"

#include <QList>
#include <QRect>
#include <QSize>

// Which picture each monitor shows, by the number the store keeps.
enum class MonitorMode : qint16 { Same = 0, Each = 1, Across = 2 };

// A number the program does not know (a newer copy's, a damaged store's)
// shows the same picture on each monitor, as before monitors had a choice.
MonitorMode monitorModeFromStored(int stored);

// The monitors that show pixels of their own, in the order given. A monitor
// lying wholly inside another (a mirror, a clone) shows that one's pixels:
// the larger takes the place of the first of them, so the primary's place
// stays first.
QList<MonitorInfo> distinctMonitors(const QList<MonitorInfo> &monitors);

// The smallest rectangle holding every monitor.
QRect boundingBox(const QList<MonitorInfo> &monitors);

// Where a picture lands when centred on area; a picture larger than the area
// reaches beyond it (an odd leftover pixel goes to the right or bottom).
QRect centredIn(const QSize &picture, const QRect &area);

// How many pictures one step shows: one per distinct monitor when each has
// its own, else one.
int picturesPerStep(MonitorMode mode, const QList<MonitorInfo> &monitors);

// Which picture each monitor shows (an index into the pictures, one per
// monitor, each used once while they last) so that upright pictures go to
// upright monitors where they can: monitors choose in their order, each the
// first picture left that matches it, else the first left.
QList<int> matchOrientations(const QList<bool> &uprightPictures,
                             const QList<bool> &uprightMonitors);
