#pragma once

#include "SettingsStore.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>

// A private installation of the built program: its own folder (so its own
// MirellWP.bmp), store, runtime folder (so its own single-instance lock) and
// no D-Bus unless given one, so the tray and the desktop are the plain X ones
// of the runner.
class Sandbox {
  public:
    explicit Sandbox(bool withTimerPlugin = true) {
        for (const char *sub : {"prog", "config", "run", "home"})
            QDir(m_dir.path()).mkpath(sub);
        QFile::setPermissions(path("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QDir bin(MIRELL_BIN_DIR);
        QStringList files{"mirell"};
        if (withTimerPlugin)
            files += bin.entryList({"Chronome*"}, QDir::Files);
        m_valid = files.size() > int(withTimerPlugin);
        for (const QString &file : files)
            m_valid = m_valid && QFile::copy(bin.filePath(file), path("prog") + '/' + file);
    }
    ~Sandbox() {
        for (QProcess *p : std::as_const(m_processes)) {
            p->kill();
            p->waitForFinished(3000);
            delete p;
        }
    }

    bool isValid() const { return m_valid; }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // A fresh view of the store file, where the program keeps it.
    std::unique_ptr<SettingsStore> store() const {
        return std::make_unique<QSettingsStore>(path("config/Mirell!.ini"));
    }
    QString value(const QString &section, const QString &key) const {
        return store()->get(section, key, "<absent>");
    }

    // Starts another copy of the program; the sandbox ends every copy it started.
    QProcess *start(const QStringList &args = {}) {
        auto *p = new QProcess;
        p->setProcessEnvironment(environment());
        p->setWorkingDirectory(m_dir.path());
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(path("prog") + "/mirell", args);
        p->waitForStarted(10000);
        m_processes << p;
        return p;
    }

    // Runs the program with a command for the running copy, to its end.
    struct Result {
        int code = -1;
        QString out, err;
    };
    Result command(const QString &option) {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(path("prog") + "/mirell", option.split(' '));
        if (!p.waitForFinished(30000))
            p.kill();
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }

    QString bus = "unix:path=/nonexistent/bus";

  private:
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", path("config"));
        env.insert("XDG_RUNTIME_DIR", path("run"));
        env.insert("HOME", path("home"));
        env.insert("DBUS_SESSION_BUS_ADDRESS", bus);
        env.remove("QT_QPA_PLATFORM");
        return env;
    }

    QTemporaryDir m_dir;
    bool m_valid = false;
    QList<QProcess *> m_processes;
};

// A solid picture saved as BMP, for telling pictures apart on the screen.
inline QString writePicture(const QString &path, const QSize &size, const QColor &color) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    image.save(path, "BMP");
    return path;
}

inline bool colorNear(const QImage &image, const QPoint &p, const QColor &color) {
    const QColor c = image.valid(p) ? image.pixelColor(p) : QColor();
    return c.isValid() && qAbs(c.red() - color.red()) <= 8 &&
           qAbs(c.green() - color.green()) <= 8 && qAbs(c.blue() - color.blue()) <= 8;
}
