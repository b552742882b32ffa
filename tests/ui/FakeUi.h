#pragma once

// A main window with every service it talks to replaced by a fake.

#include "DesktopServices.h"
#include "FakeDialogs.h"
#include "FrmMain.h"
#include "RotatorRig.h"
#include "TrayControl.h"

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

struct WindowRig : RotatorRig {
    FakeDialogs dialogs;
    FakeTray tray;
    FakeOpener opener;
    std::unique_ptr<FrmMain> window;

    // Start-up: the rotator loads the store, then the window is made, on the
    // fake dialogs unless others (which must outlive the rig) are given.
    FrmMain &open(Dialogs *real = nullptr) {
        rotator.load();
        window = std::make_unique<FrmMain>(
            FrmMainServices{store, real ? *real : dialogs, tray, screen, opener}, rotator);
        return *window;
    }

    template <typename T = QWidget> T *child(const QString &name) const {
        return window->findChild<T *>(name); // none: the test crashes
    }
};
