#pragma once

#include <QImage>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

// Looks at the X display from outside, as a user's tools would: xdotool, xwininfo, import.
namespace XTools {

using WindowId = quint32;

inline QString run(const QString &program, const QStringList &args, int timeoutMs = 10000) {
    QProcess p;
    p.start(program, args);
    // A tool that hangs is killed with p; what it printed so far is its answer.
    p.waitForFinished(timeoutMs);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// xdotool prints the windows it finds one a line, in decimal.
inline QList<WindowId> xdoSearch(const QStringList &args) {
    QList<WindowId> ids;
    for (const QString &line : run("xdotool", QStringList{"search"} + args).split('\n'))
        if (const WindowId id = line.toUInt())
            ids << id;
    return ids;
}

// Every window whose _NET_WM_PID is pid, mapped or not.
inline QList<WindowId> windowsOfPid(qint64 pid) {
    return xdoSearch({"--pid", QString::number(pid)});
}
// Visible windows whose title matches the pattern.
inline QList<WindowId> visibleWindowsNamed(const QString &re) {
    return xdoSearch({"--onlyvisible", "--name", re});
}

inline int capture(const QString &text, const QString &pattern, int base = 10) {
    return QRegularExpression(pattern).match(text).captured(1).toInt(nullptr, base);
}

struct WindowInfo {
    bool viewable = false;
    QRect geometry; // absolute
    WindowId parent = 0;
};
inline WindowInfo windowInfo(WindowId id) {
    const QString out = run("xwininfo", {"-stats", "-children", "-id", QString::number(id)});
    return {out.contains("Map State: IsViewable"),
            QRect(capture(out, "Absolute upper-left X:\\s*(-?\\d+)"),
                  capture(out, "Absolute upper-left Y:\\s*(-?\\d+)"),
                  capture(out, "Width:\\s*(\\d+)"), capture(out, "Height:\\s*(\\d+)")),
            WindowId(capture(out, "Parent window id: 0x([0-9a-f]+)", 16))};
}

// The runner's notification area, and the client windows docked in it (the
// tray's own sockets carry no name and class).
inline WindowId trayWindow() {
    for (WindowId id : xdoSearch({"--class", "trayer"}))
        if (windowInfo(id).viewable)
            return id;
    return 0;
}
inline QList<WindowId> dockedIcons() {
    QList<WindowId> icons;
    if (const WindowId tray = trayWindow()) {
        const QRegularExpression re("^\\s+(0x[0-9a-f]+) \"[^\n]*\": \\(\"",
                                    QRegularExpression::MultilineOption);
        const QString tree = run("xwininfo", {"-tree", "-id", QString::number(tray)});
        for (auto it = re.globalMatch(tree); it.hasNext();)
            icons << it.next().captured(1).toUInt(nullptr, 16);
    }
    return icons;
}
inline WindowId dockedIconOf(qint64 pid) {
    const QList<WindowId> mine = windowsOfPid(pid);
    for (WindowId id : dockedIcons())
        if (mine.contains(id))
            return id;
    return 0;
}

inline void click(const QPoint &at, int button, int repeat = 1) {
    run("xdotool",
        {"mousemove", QString::number(at.x()), QString::number(at.y()), "sleep", "0.2", "click",
         "--repeat", QString::number(repeat), "--delay", "80", QString::number(button)});
}

inline QImage grabRoot() {
    QTemporaryDir dir;
    run("import", {"-silent", "-window", "root", dir.filePath("root.png")}, 20000);
    return QImage(dir.filePath("root.png"));
}

inline bool waitFor(const std::function<bool()> &condition, int timeoutMs = 10000) {
    return QTest::qWaitFor(condition, timeoutMs);
}

} // namespace XTools
