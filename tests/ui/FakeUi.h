#pragma once

// A main window with every service it talks to replaced by a fake.

#include "Composer.h"
#include "DesktopServices.h"
#include "FakeDialogs.h"
#include "FakeServices.h"
#include "FrmMain.h"
#include "Geometry.h"
#include "MemorySettingsStore.h"
#include "TrayControl.h"

#include <QImage>
#include <QTemporaryDir>
#include <QWidget>

#include <memory>

class FakeTray : public TrayControl {
    Q_OBJECT
  public:
    QStringList calls; // "AddIcon Mirell!", "RemoveIcon", in call order
    QStringList notes;
    bool available = true;

    void AddIcon(const QIcon &, const QString &tip) override { calls << "AddIcon " + tip; }
    void RemoveIcon() override { calls << QStringLiteral("RemoveIcon"); }
    bool isAvailable() const override { return available; }
    void setToolTipNote(const QString &note) override { notes << note; }
};

// Like the plugin's minute timer, reached only through the meta-object.
class FakeTimer : public QObject {
    Q_OBJECT
    Q_PROPERTY(int AlarmMinute MEMBER alarmMinute)
  public:
    int alarmMinute = -1;
    void fire() { emit Alarm(); }
  signals:
    void Alarm();
};

class FakeOpener : public FileOpener {
    bool open(const QString &) override { return true; }
};

struct WindowRig {
    QTemporaryDir dir;
    MemorySettingsStore store;
    FakeDialogs dialogs;
    FakeTray tray;
    FakeScreenInfo screen{QSize(80, 60)};
    FakeClock clock;
    FakeDesktopBackground desktop;
    ScriptedRandom random;
    FakeOpener opener;
    Composer composer{screen, clock, desktop, dir.filePath(QStringLiteral("MirellWP.bmp"))};
    QStringList composed; // source pictures that reached the desktop
    QPointer<FakeTimer> timer;
    std::unique_ptr<FrmMain> window;

    WindowRig() {
        QObject::connect(&composer, &Composer::applied, &composer,
                         [this](const QString &path) { composed << path; });
    }

    QString picture(const QString &name) {
        QImage image(16, 12, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        const QString path = dir.filePath(name);
        return image.save(path) ? path : QString();
    }

    // Stores p1.png ... pN.png, written to disk.
    QStringList storePictures(int n) {
        QStringList paths;
        store.set("Setting", "ListCount", QString::number(n - 1));
        for (int i = 0; i < n; ++i) {
            paths << picture(QStringLiteral("p%1.png").arg(i + 1));
            store.set("Setting", QStringLiteral("Files%1").arg(i), paths[i]);
            store.set("Setting", QStringLiteral("Title%1").arg(i), FileNameOf(paths[i]));
        }
        return paths;
    }

    FrmMain &open() {
        timer = new FakeTimer;
        window = std::make_unique<FrmMain>(
            FrmMainServices{store, dialogs, tray, composer, random, screen, opener}, timer);
        return *window;
    }

    template <typename T = QWidget> T *child(const char *name) const {
        T *found = window->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
};
