#pragma once

#include "Dialogs.h"
#include "Settings.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>

class SettingsStore;
class Dialogs;
class TrayControl;
class ScreenInfo;
class WallpaperRotator;
class FileOpener;
class FrmPrev;
class PictureListEditor;
class QRadioButton;

// Everything the main window talks to outside itself.
struct FrmMainServices {
    SettingsStore &store;
    Dialogs &dialogs;
    TrayControl &tray;
    const ScreenInfo &screen;
    FileOpener &opener;
};

namespace Ui {
class frmMain;
}

// The settings window: a view of the rotator's confirmed settings and
// list, edited here and handed back on OK. Constructing it is loading it: the
// caption group is built, then the rotator's settings fill the controls.
class FrmMain : public QWidget {
    Q_OBJECT
  public:
    FrmMain(const FrmMainServices &services, WallpaperRotator &rotator, QWidget *parent = nullptr);
    ~FrmMain() override;

    // Takes the icon away and shows the window (double click, mnuConfig).
    void openSettings();
    // Takes the icon away and ends the program, saving nothing (mnuQuit).
    void quit();

  protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

  private:
    void buildWindow();
    void fitToFonts();
    void connectHandlers();

    // Store <-> record <-> controls.
    void LoadSettings();
    void LoadPictureList();
    void SavePictureList();
    // record takes the controls' values; true when the rotation order was switched.
    bool SaveSettings(Settings &record);
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

    void leaveWindow();
    void syncStore();

    std::unique_ptr<Ui::frmMain> m_ui;
    bool m_fittedToFonts = false;
    FrmMainServices m_services;
    WallpaperRotator &m_rotator;
    PictureListEditor *m_editor = nullptr;
    std::array<QRadioButton *, 3> m_optOrder{};
    std::array<QRadioButton *, 3> m_optType{};
    std::array<QRadioButton *, 4> m_optLoc{};
    QList<QWidget *> m_captionControls; // CaptionControls
    QPointer<FrmPrev> m_preview;
};
