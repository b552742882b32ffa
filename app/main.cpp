#include "Composer.h"
#include "ControlHost.h"
#include "DesktopBackground.h"
#include "DesktopServices.h"
#include "Dialogs.h"
#include "FrmMain.h"
#include "RandomSource.h"
#include "ScreenInfo.h"
#include "Settings.h"
#include "SettingsStore.h"
#include "SingleInstance.h"
#include "TextForms.h"
#include "TrayIcon.h"

#include "Clock.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

#include <chrono>

namespace {

quint64 clockSeed() {
    return quint64(std::chrono::system_clock::now().time_since_epoch().count()) ^
           quint64(QCoreApplication::applicationPid());
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mirell!"));

    // A second start goes away before it touches anything.
    SingleInstance instance(QCoreApplication::applicationFilePath());
    if (!instance.acquire())
        return 0;

    SeededRandom random(clockSeed());

    QSettingsStore store;
    writeUpdateInfo(
        store, QDir::toNativeSeparators(QCoreApplication::applicationDirPath()),
        TextForms::versionText(MIRELL_VERSION_MAJOR, MIRELL_VERSION_MINOR, MIRELL_VERSION_PATCH));
    store.sync();

    const QString timerId = QStringLiteral("Chronome.MinuteTimer");
    QString error;
    ControlHost host;
    QObject *chronomer = host.createControl(timerId, nullptr, &error);
    if (!chronomer) {
        if (!error.contains(timerId))
            error = QStringLiteral("%1: %2").arg(timerId, error);
        QMessageBox::critical(nullptr, QStringLiteral("Mirell"), error);
        return 1;
    }

    QtScreenInfo screen;
    SystemClock clock;
    const auto desktop = createDesktopBackground(detectDesktop(EnvironmentSnapshot::current()));
    Composer composer(screen, clock, *desktop, Composer::defaultOutputPath());
    QtDialogs dialogs;
    QtFileOpener opener;
    TrayIcon tray;

    FrmMain window(FrmMainServices{store, dialogs, tray, composer, random, screen, opener},
                   chronomer);

    tray.AddIcon(window.windowIcon(), QStringLiteral("Mirell!"));
    QApplication::setQuitOnLastWindowClosed(false);
    // Without a notification area the icon could never be clicked; the window
    // is the way in. The icon stays requested and docks if a tray turns up.
    if (!tray.isAvailable())
        window.show();

    return app.exec();
}
