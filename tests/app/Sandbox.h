#pragma once

#include "IniSettingsStore.h"

#include <QtTest>

// A private installation of the built program: its own folder (so its own
// MirellWP.bmp), store, runtime folder (so its own single-instance lock) and
// no D-Bus unless given one, so the tray and the desktop are the plain X ones
// of the runner.
class Sandbox {
    QTemporaryDir m_dir;
    QObject m_processes;

  public:
    // bus: the session bus of the copies it starts; none by default.
    explicit Sandbox(const QString &bus = "unix:path=/nonexistent/bus")
        : env{{"XDG_CONFIG_HOME", path("config")},
              {"XDG_RUNTIME_DIR", path("run")},
              {"HOME", path("home")},
              {"DBUS_SESSION_BUS_ADDRESS", bus}} {
        for (const char *sub : {"prog", "config", "run", "home"})
            QDir(m_dir.path()).mkpath(sub);
        QFile::setPermissions(path("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QDir bin(MIRELL_BIN_DIR);
        for (const QString &file :
             QStringList{"mirell"} + bin.entryList({"Chronome*"}, QDir::Files))
            QFile::copy(bin.filePath(file), path("prog/" + file));
    }
    ~Sandbox() {
        for (QProcess *p : m_processes.findChildren<QProcess *>())
            p->kill(), p->waitForFinished(3000);
    }

    QString path(const QString &name) const { return m_dir.filePath(name); }
    // A fresh view of the store file, where the program keeps it.
    std::unique_ptr<SettingsStore> store() const {
        return std::make_unique<IniSettingsStore>(path("config/Mirell!.ini"));
    }
    // Writes "Key=value ..." into the [Setting] section of the store.
    void set(const QString &pairs) const {
        const auto settings = store();
        for (const QString &pair : pairs.split(' '))
            settings->put("Setting", pair.section('=', 0, 0), pair.section('=', 1));
    }

    // Starts a copy of the program; the sandbox ends every copy it started.
    QProcess *start(const QStringList &args = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("QT_QPA_PLATFORM");
        for (auto [name, value] : this->env.asKeyValueRange())
            env.insert(name, value);
        auto *p = new QProcess(&m_processes);
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(m_dir.path());
        p->start(path("prog/mirell"), args);
        return p;
    }
    // Runs the program with a command for the running copy, to its end.
    struct Result {
        int code = -1;
        QString out, err;
    };
    Result command(const QString &option) {
        QProcess *p = start(option.split(' ', Qt::SkipEmptyParts));
        return {exitCode(p), p->readAllStandardOutput(), p->readAllStandardError()};
    }
    // How a copy ended, -1 for a crash or a hang.
    static int exitCode(QProcess *p) {
        const bool ended = p->waitForFinished(30000) && p->exitStatus() == QProcess::NormalExit;
        return ended ? p->exitCode() : -1;
    }

    QMap<QString, QString> env; // of the copies it starts
};

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

// xdotool prints the windows it finds one a line, in decimal: "--pid N" finds
// them mapped or not, "--onlyvisible --name RE" the visible ones by title.
inline QList<WindowId> xdoSearch(const QStringList &args) {
    QList<WindowId> ids;
    for (const QString &line : run("xdotool", QStringList{"search"} + args).split('\n'))
        if (const WindowId id = line.toUInt())
            ids << id;
    return ids;
}
inline WindowId settingsWindow() {
    return xdoSearch({"--onlyvisible", "--name", "^Mirell!$"}).value(0);
}

// Without a window manager a top-level window is a child of the root; a docked
// tray icon is a child of the tray.
struct WindowInfo {
    bool viewable = false, topLevel = false;
    QRect geometry; // absolute
};
inline WindowInfo windowInfo(WindowId id) {
    const QString out = run("xwininfo", {"-stats", "-children", "-id", QString::number(id)});
    const auto num = [&](const QString &label) { // decimal, or hex with 0x
        return QRegularExpression(label + ":\\s*(\\S+)").match(out).captured(1).toInt(nullptr, 0);
    };
    return {out.contains("Map State: IsViewable"), num("Root window id") == num("Parent window id"),
            QRect(num("Absolute upper-left X"), num("Absolute upper-left Y"), num("Width"),
                  num("Height"))};
}
// The first viewable window of the process that is (or is not) top-level.
inline WindowId shownWindowOf(qint64 pid, bool topLevel) {
    for (WindowId w : xdoSearch({"--pid", QString::number(pid)}))
        if (const WindowInfo info = windowInfo(w); info.viewable && info.topLevel == topLevel)
            return w;
    return 0;
}

inline bool waitFor(const std::function<bool()> &condition, int timeoutMs = 10000) {
    return QTest::qWaitFor(condition, timeoutMs);
}

} // namespace XTools
