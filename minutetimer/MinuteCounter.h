#pragma once

#include <QtGlobal>

// The minute arithmetic of the timer control, apart from any clock so that a
// test can feed it an hour of ticks at once. A minute is sixty ticks, not a
// reading of the wall clock: when the host's thread is busy and ticks arrive
// late, the minute simply stretches.
struct MinuteCounter {
    struct Due {
        bool alarm = false;
        bool timer = false;
    };

    qint32 ticks = 0;       // seconds counted in the current minute, 0 to 59
    qint32 minutes = 0;     // whole minutes since the last alarm (or since creation)
    qint32 alarmMinute = 0; // minutes between two alarms; 0, 1 and less mean every minute

    // Counts one tick and says which events are now due. The counts are
    // complete before the caller raises anything, so a handler that lets
    // further ticks run inside it still sees consistent numbers.
    Due tick() {
        Due due;
        if (++ticks < 60)
            return due;
        ticks = 0;
        ++minutes;
        // Compared with >= rather than ==, so that lowering the interval below
        // the minutes already counted alarms at the next minute instead of
        // waiting for the count to wrap.
        if (minutes >= alarmMinute) {
            minutes = 0;
            due.alarm = true;
        }
        due.timer = true;
        return due;
    }
};
