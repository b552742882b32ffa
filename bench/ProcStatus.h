#pragma once

#include <QByteArray>
#include <QFile>

// A field of /proc/self/status in kB ("VmHWM:", "VmRSS:", "RssAnon:"), or -1.
inline qint64 statusKb(const char *field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toLongLong();
    return -1;
}
