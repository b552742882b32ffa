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

#include <memory>

class FakeTray : public TrayControl {
    Q_OBJECT
  public:
    QStringList calls; // "AddIcon Mirell!", "RemoveIcon", in call order

    void AddIcon(const QIcon &, const QString &tip) override { calls << "AddIcon " + tip; }
    void RemoveIcon() override { calls << QStringLiteral("RemoveIcon"); }
    bool isAvailable() const override { return true; }
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

    QString picture(const QString &name) { return writePicture(dir.filePath(name)); }
    QStringList storePictures(int n) { return ::storePictures(store, dir, n); }

    // Start-up: the rotator loads the store, then the window is made, on the
    // fake dialogs unless others (which must outlive the rig) are given.
    FrmMain &open(Dialogs *real = nullptr) {
        rotator.load();
        window = std::make_unique<FrmMain>(
            FrmMainServices{store, real ? *real : dialogs, tray, screen, opener}, rotator);
        return *window;
    }

    template <typename T = QWidget> T *child(const char *name) const {
        return window->findChild<T *>(QString::fromLatin1(name)); // none: the test crashes
    }
};
