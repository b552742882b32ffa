#pragma once

#include <QDeadlineTimer>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

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

// Runs a program to its end and returns its standard output.
inline QString runTool(const QString &program, const QStringList &arguments,
                       int *exitCode = nullptr) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(20000);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput());
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

// A private dbus-daemon with its own home and XDG folders, exported to this
// process and every program it starts. Schemas and services are the system's.
struct PrivateSession {
    PrivateSession() {
        for (const char *var :
             {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
            QDir().mkpath(dir.filePath(var));
            QFile::setPermissions(dir.filePath(var),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            qputenv(var, QFile::encodeName(dir.filePath(var)));
        }
        qputenv("XDG_DATA_DIRS", "/usr/local/share:/usr/share");
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
