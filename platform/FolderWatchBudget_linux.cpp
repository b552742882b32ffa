#include "FolderWatchBudget.h"

#include <QFile>

#include <algorithm>

// Every program of the user draws from the same max_user_watches: file
// managers, editors and sync tools need theirs, so a quarter is ours at most.
int folderWatchBudget() {
    QFile limitFile(QStringLiteral("/proc/sys/fs/inotify/max_user_watches"));
    bool ok = false;
    qint64 limit = 8192; // the kernel's old default, for a /proc we cannot read
    if (limitFile.open(QIODevice::ReadOnly)) {
        const qint64 read = limitFile.readAll().trimmed().toLongLong(&ok);
        if (ok && read > 0)
            limit = read;
    }
    return int(std::min<qint64>(limit / 4, 1 << 20));
}
