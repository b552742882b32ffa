#include "XTools.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

namespace XTools {

QString run(const QString &program, const QStringList &args, int timeoutMs) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(1000);
        return QString();
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

static QList<WindowId> parseIds(const QString &text) {
    QList<WindowId> ids;
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        bool ok = false;
        const WindowId id = line.trimmed().toUInt(&ok, 0);
        if (ok)
            ids << id;
    }
    return ids;
}

QList<WindowId> windowsOfPid(qint64 pid) {
    return parseIds(run(QStringLiteral("xdotool"),
                        {QStringLiteral("search"), QStringLiteral("--pid"), QString::number(pid)}));
}

QList<WindowId> visibleWindowsNamed(const QString &pattern) {
    return parseIds(
        run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                        QStringLiteral("--name"), pattern}));
}

static int field(const QString &text, const QString &name) {
    const QRegularExpression re(QRegularExpression::escape(name) + QStringLiteral(":\\s*(-?\\d+)"));
    const auto m = re.match(text);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

WindowInfo windowInfo(WindowId id) {
    WindowInfo info;
    const QString out =
        run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(id)});
    if (out.isEmpty())
        return info;
    info.exists = true;
    info.viewable = out.contains(QStringLiteral("Map State: IsViewable"));
    info.geometry =
        QRect(field(out, QStringLiteral("Absolute upper-left X")),
              field(out, QStringLiteral("Absolute upper-left Y")),
              field(out, QStringLiteral("Width")), field(out, QStringLiteral("Height")));
    return info;
}

WindowId parentOf(WindowId id) {
    const QString out =
        run(QStringLiteral("xwininfo"),
            {QStringLiteral("-children"), QStringLiteral("-id"), QString::number(id)});
    const auto m = QRegularExpression(QStringLiteral("Parent window id: (0x[0-9a-f]+)")).match(out);
    return m.hasMatch() ? m.captured(1).toUInt(nullptr, 16) : 0;
}

QString windowProperty(WindowId id, const QString &name) {
    const QString out =
        run(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(id), name});
    const int eq = out.indexOf(QLatin1Char('='));
    if (eq < 0)
        return QString();
    QString value = out.mid(eq + 1).trimmed();
    if (value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
        value = value.mid(1, value.size() - 2);
    return value;
}

WindowId trayWindow() {
    const auto ids = parseIds(
        run(QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--class"), QStringLiteral("trayer")}));
    for (WindowId id : ids)
        if (windowInfo(id).viewable)
            return id;
    return 0;
}

QList<WindowId> dockedIcons() {
    QList<WindowId> icons;
    const WindowId tray = trayWindow();
    if (!tray)
        return icons;
    const QString tree =
        run(QStringLiteral("xwininfo"),
            {QStringLiteral("-tree"), QStringLiteral("-id"), QString::number(tray)});
    // Docked clients carry a name and a class; the tray's sockets have neither.
    const QRegularExpression re(QStringLiteral("^\\s+(0x[0-9a-f]+) \"[^\n]*\": \\(\""),
                                QRegularExpression::MultilineOption);
    for (auto it = re.globalMatch(tree); it.hasNext();)
        icons << it.next().captured(1).toUInt(nullptr, 16);
    return icons;
}

WindowId dockedIconOf(qint64 pid) {
    const QList<WindowId> mine = windowsOfPid(pid);
    for (WindowId id : dockedIcons())
        if (mine.contains(id))
            return id;
    return 0;
}

void click(const QPoint &at, int button, int repeat) {
    run(QStringLiteral("xdotool"),
        {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
         QStringLiteral("sleep"), QStringLiteral("0.2"), QStringLiteral("click"),
         QStringLiteral("--repeat"), QString::number(repeat), QStringLiteral("--delay"),
         QStringLiteral("80"), QString::number(button)});
}

void key(const QString &keys) {
    run(QStringLiteral("xdotool"), {QStringLiteral("key"), keys});
}

QImage grabRoot() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("root.png"));
    run(QStringLiteral("import"),
        {QStringLiteral("-silent"), QStringLiteral("-window"), QStringLiteral("root"), file},
        20000);
    return QImage(file);
}

bool waitFor(const std::function<bool()> &condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(100);
    }
    return true;
}

} // namespace XTools
