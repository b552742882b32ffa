#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

class FrmMain;
class QMenu;
class TrayIcon;
class WallpaperRotator;

// The ways into the running program: the tray icon with its menu mnuPop, and
// the commands of a second start. Both lead to the rotator or the window.
class Shell : public QObject {
    Q_OBJECT
  public:
    Shell(WallpaperRotator &rotator, FrmMain &window, TrayIcon &tray, QObject *parent = nullptr);
    ~Shell() override;

    QMenu *menu() const { return m_mnuPop.get(); }

    // A command of a second start ("next", "status", ...); false for an unknown
    // one, or with the reason in output for one refused.
    bool runCommand(const QString &command, QByteArray *output);

  private:
    void trayClicked(int button, int clicks);
    // "この壁紙を外す(&X)": the reason when nothing was removed.
    QString removeCurrent();

    WallpaperRotator &m_rotator;
    FrmMain &m_window;
    TrayIcon &m_tray;
    std::unique_ptr<QMenu> m_mnuPop;
};
