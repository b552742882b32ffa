#pragma once

// A main window with every service it talks to replaced by a fake.

#include "Composer.h"
#include "DesktopServices.h"
#include "FakeDialogs.h"
#include "FakeServices.h"
#include "FrmMain.h"
#include "MemorySettingsStore.h"
#include "TrayControl.h"
#include "WallpaperRotator.h"

#include <QImage>
#include <QTemporaryDir>
#include <QWidget>

#include <memory>

class FakeTray : public TrayControl {
    Q_OBJECT
  public:
    QStringList calls; // "AddIcon Mirell!", "RemoveIcon", in call order
    bool available = true;

    void AddIcon(const QIcon &, const QString &tip) override { calls << "AddIcon " + tip; }
    void RemoveIcon() override { calls << QStringLiteral("RemoveIcon"); }
    bool isAvailable() const override { return available; }
    void setToolTipNote(const QString &) override {}
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
    WallpaperRotator rotator{store, composer, random, clock};
    QStringList composed; // source pictures that reached the desktop
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

    QStringList storePictures(int n) { return ::storePictures(store, dir, n); }

    // Start-up: the rotator loads the store, then the window is made.
    FrmMain &open() {
        rotator.load();
        window = std::make_unique<FrmMain>(FrmMainServices{store, dialogs, tray, screen, opener},
                                           rotator);
        return *window;
    }

    template <typename T = QWidget> T *child(const char *name) const {
        T *found = window->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
};
