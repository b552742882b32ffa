#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>

// Looks at the X display from outside, the way a user's tools would, through
// xdotool, xwininfo, xprop and import.
namespace XTools {

// Runs a tool with a time limit; stdout, or empty on failure.
QString run(const QString &program, const QStringList &args, int timeoutMs = 10000);

using WindowId = quint32;

// Every window whose _NET_WM_PID is pid, mapped or not.
QList<WindowId> windowsOfPid(qint64 pid);
// Visible top-level windows whose title matches the pattern (xdotool's regex).
QList<WindowId> visibleWindowsNamed(const QString &pattern);

struct WindowInfo {
    bool exists = false;
    bool viewable = false;
    QRect geometry; // absolute
};
WindowInfo windowInfo(WindowId id);
// Parent in the window tree (0 when unknown).
WindowId parentOf(WindowId id);
QString windowProperty(WindowId id, const QString &name);

// The notification area started by the test runner, and the icons docked in it.
WindowId trayWindow();
// Client windows docked below the tray's window (not the tray's own helpers).
QList<WindowId> dockedIcons();
// The docked icon of a process, or 0.
WindowId dockedIconOf(qint64 pid);

void click(const QPoint &at, int button, int repeat = 1);
void key(const QString &keys);

// The root window as it is shown now.
QImage grabRoot();

// Polls until the condition holds or the time runs out, letting events run.
bool waitFor(const std::function<bool()> &condition, int timeoutMs = 10000);

} // namespace XTools
