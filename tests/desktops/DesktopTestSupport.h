#pragma once

#include <QDeadlineTimer>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdlib>

namespace DesktopTest {

// Folder names that break naive quoting in a shell, a command parser, a
// GVariant or JavaScript literal, or a URL.
inline QStringList hostileFolderNames() {
    return {"plain", "blank and 'single' \"double\" back\\slash",
            "$(touch pwned) `touch pwned2` ;|&<>#,*?~%", "line\nbreak", "壁紙 フォルダ"};
}

// A small BMP, coloured by seed, at folder/MirellWP.bmp; returns its path.
inline QString writeComposedFile(const QString &folder, int seed) {
    QDir().mkpath(folder);
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((seed * 47) % 360, 200, 200));
    image.save(folder + "/MirellWP.bmp", "BMP");
    return folder + "/MirellWP.bmp";
}

inline QByteArray contentOf(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs a program to its end and returns its standard output, or "" if it failed.
inline QString runTool(const QString &program, const QStringList &arguments) {
    QProcess process;
    process.start(program, arguments);
    const bool ok = process.waitForFinished(20000) &&
                    process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return ok ? QString::fromUtf8(process.readAllStandardOutput()) : QString();
}

// Reads a watcher's output until it contains needle or the time is up.
inline bool waitForOutput(QProcess &watcher, QString &seen, const QString &needle, int ms = 15000) {
    const QDeadlineTimer deadline(ms);
    while (!(seen += QString::fromUtf8(watcher.readAllStandardOutput())).contains(needle)) {
        if (deadline.hasExpired() || watcher.state() == QProcess::NotRunning)
            return false;
        watcher.waitForReadyRead(200);
    }
    return true;
}

// Nothing of the machine's own session may reach the backends or the tools
// they run: the whole environment is replaced by folders inside dir, the
// given PATH and a UTF-8 locale.
inline void isolate(const QTemporaryDir &dir, const QByteArray &path) {
    clearenv();
    for (const char *var :
         {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        QDir().mkpath(dir.filePath(var));
        QFile::setPermissions(dir.filePath(var),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv(var, QFile::encodeName(dir.filePath(var)));
    }
    qputenv("PATH", path);
    qputenv("LC_ALL", "C.UTF-8");
}

// A private dbus-daemon in an isolated environment, which every program
// started from here uses. Schemas and services are the system's.
struct PrivateSession {
    PrivateSession() {
        isolate(dir, "/usr/bin:/bin");
        qputenv("XDG_DATA_DIRS", "/usr/share");
        qputenv("GSETTINGS_BACKEND", "dconf");
        daemon.start("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--print-address=1"});
        for (int i = 0; i < 50 && !daemon.canReadLine(); ++i)
            daemon.waitForReadyRead(200);
        address = daemon.readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    }
    ~PrivateSession() {
        daemon.kill();
        daemon.waitForFinished();
    }
    QTemporaryDir dir;
    QProcess daemon;
    QByteArray address;
};

} // namespace DesktopTest
