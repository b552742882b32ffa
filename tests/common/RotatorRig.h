#pragma once

// The rotator on fake platform services and an in-memory store, for the
// tests of the rotator and of the window that drives it.

#include "Composer.h"
#include "FakeServices.h"
#include "MemorySettingsStore.h"
#include "WallpaperRotator.h"

#include <QTemporaryDir>

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
    // Writes p1.png ... pN.png and lists them in the store, titles being the file names.
    QStringList storePictures(int n) {
        QStringList paths;
        store.set("Setting", "ListCount", QString::number(n - 1));
        for (int i = 0; i < n; ++i) {
            const QString name = QStringLiteral("p%1.png").arg(i + 1);
            paths << picture(name);
            store.set("Setting", QStringLiteral("Files%1").arg(i), paths.last());
            store.set("Setting", QStringLiteral("Title%1").arg(i), name);
        }
        return paths;
    }
    QString historyFile() const { return dir.filePath(QStringLiteral("history.json")); }
};
