#pragma once

#include <QImage>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class SettingsStore;

// A private installation of the built program: its own folder (so its own
// MirellWP.bmp), store, runtime folder (so its own single-instance lock) and
// no D-Bus, so the tray and the desktop are the plain X ones of the runner.
class Sandbox {
  public:
    explicit Sandbox(bool withTimerPlugin = true);
    ~Sandbox();

    bool isValid() const { return m_valid; }
    QString programFolder() const;
    QString programPath() const;
    QString iniPath() const;
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // A fresh view of the store file as the program left it.
    std::unique_ptr<SettingsStore> store() const;
    QString value(const QString &section, const QString &key) const;

    // Starts another copy of the program; the sandbox ends every copy it started.
    QProcess *start();

  private:
    QTemporaryDir m_dir;
    bool m_valid = false;
    QList<QProcess *> m_processes;
};

// A solid picture saved as BMP, for telling pictures apart on the screen.
QString writePicture(const QString &path, const QSize &size, const QColor &color);
// True when the colour at p is within a small tolerance of color.
bool colorNear(const QImage &image, const QPoint &p, const QColor &color);
