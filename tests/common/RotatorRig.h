#pragma once

// The rotator on fake platform services and an in-memory store, for the
// tests of the rotator and of the window that drives it.

#include "Composer.h"
#include "FakeServices.h"
#include "MemorySettingsStore.h"
#include "WallpaperRotator.h"

struct RotatorRig {
    QTemporaryDir dir;
    MemorySettingsStore store;
    FakeScreenInfo screen{QSize(80, 60)};
    FakeClock clock;
    FakeDesktopBackground desktop;
    ScriptedRandom random;
    Composer composer{screen, clock, desktop, dir.filePath(QStringLiteral("MirellWP.bmp"))};
    WallpaperRotator rotator{store, composer, random, clock};
    QStringList composed; // source pictures that reached the desktop

    RotatorRig() {
        QObject::connect(&composer, &Composer::applied, &composer,
                         [this](const QString &path) { composed << path; });
    }

    QString picture(const QString &name) { return writePicture(dir.filePath(name)); }
    QStringList storePictures(int n) { return ::storePictures(store, dir, n); }
    QString historyFile() const { return dir.filePath(QStringLiteral("history.json")); }
};
