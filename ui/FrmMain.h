#pragma once

#include "Dialogs.h"
#include "Rotation.h"
#include "Settings.h"

#include <QPointer>
#include <QSet>
#include <QWidget>

#include <array>
#include <memory>

class SettingsStore;
class Dialogs;
class TrayControl;
class Composer;
class RandomSource;
class ScreenInfo;
class FileOpener;
class FrmPrev;
class PictureListEditor;
class QMenu;
class QRadioButton;

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

    // The record as last loaded or confirmed with OK.
    const Settings &settings() const { return m_settings; }
    const Rotation &rotation() const { return m_rotation; }
    // The tray's pop-up menu (mnuPop).
    QMenu *popupMenu() const { return m_mnuPop; }

  public slots:
    // Takes the next picture of the current order to the desktop. Runs at
    // every Alarm of chronomer, so it has to stay a slot.
    void RotationStep();

  protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

  private:
    void buildWindow();
    void buildMenu();
    void fitToFonts();
    void connectHandlers();

    // Store <-> record <-> controls.
    void LoadSettings();
    void LoadPictureList();
    void SavePictureList();
    bool SaveSettings(); // true when the rotation order was switched
    void showRecord();
    void restoreWindowPosition(const std::optional<double> &top, const std::optional<double> &left);
    void setMinutesText(const QString &text);
    void setLabFont(const FontChoice &font);
    FontChoice labFontChoice() const;

    // Handlers.
    void showStrClicked();
    void typeClicked(int index);
    void chooseFont();
    void confirm();
    void discard();
    void applySelected(int index);
    void previewPicture(int index);
    void openPicture(int index);
    void trayClicked(int button, int clicks);
    void openSettings();
    void quit();
    void reportDesktopFailure(const QString &reason);

    // Puts picture k (1-based) on the desktop; labCurr shows caption and
    // "Current" takes k (when recordCurrent) only once it is there.
    void composePicture(int k, const QString &caption, bool recordCurrent);
    void leaveWindow();
    void syncStore();

    std::unique_ptr<Ui::frmMain> m_ui;
    bool m_fittedToFonts = false;
    FrmMainServices m_services;
    QObject *m_chronomer;
    PictureListEditor *m_editor = nullptr;
    QMenu *m_mnuPop = nullptr;
    std::array<QRadioButton *, 3> m_optOrder{};
    std::array<QRadioButton *, 3> m_optType{};
    std::array<QRadioButton *, 4> m_optLoc{};
    QList<QWidget *> m_captionControls; // CaptionControls
    Settings m_settings;
    Rotation m_rotation;
    QPointer<FrmPrev> m_preview;
    QSet<QString> m_reportedFailures;
};
