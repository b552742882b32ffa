#pragma once

#include <QWidget>

class SettingsStore;
class Dialogs;
class TrayControl;
class Composer;
class RandomSource;
class ScreenInfo;
class FileOpener;

// Everything the main window talks to outside itself.
struct FrmMainServices {
    SettingsStore &store;
    Dialogs &dialogs;
    TrayControl &tray;
    Composer &composer;
    RandomSource &random;
    const ScreenInfo &screen;
    FileOpener &opener;
};

namespace Ui {
class frmMain;
}

// The settings window, and the hidden home of the program's working parts.
// Constructing it is loading it: the caption group is built, then the
// settings are loaded into the controls and the timer is armed.
class FrmMain : public QWidget {
    Q_OBJECT
  public:
    // chronomer: the minute timer control (property AlarmMinute, signal
    // Alarm()); the window takes ownership.
    FrmMain(const FrmMainServices &services, QObject *chronomer, QWidget *parent = nullptr);
    ~FrmMain() override;

    // (details: owned by the window's implementation)
};
