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
#include "TrayWait.h"

#include "Autostart.h"

#include "Clock.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QMessageBox>

#include <chrono>
#include <cstdio>
#include <optional>

namespace {

quint64 clockSeed() {
    return quint64(std::chrono::system_clock::now().time_since_epoch().count()) ^
           quint64(QCoreApplication::applicationPid());
}

// ---- Command line: answers and exits before anything starts. ----------------
// A plain start (no arguments) returns nothing and the program starts as ever.
std::optional<int> runCommandLine(int argc, char *argv[]) {
    if (argc < 2)
        return std::nullopt;
    const QCoreApplication core(argc, argv);
    const auto print = [](FILE *to, const QString &text) {
        std::fputs(text.toLocal8Bit().constData(), to);
    };
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Rotates the desktop wallpaper from the notification area."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption autostart(
        QStringLiteral("autostart"),
        QStringLiteral("Start at login: on, off, or without a value, tell whether it is on."));
    parser.addOption(autostart);
    parser.addPositionalArgument(QStringLiteral("on|off"),
                                 QStringLiteral("With --autostart: turn it on or off."),
                                 QStringLiteral("[on|off]"));
    const QStringList values = parser.parse(QCoreApplication::arguments())
                                   ? parser.positionalArguments()
                                   : QStringList{QStringLiteral("?")};
    const bool isAutostart =
        parser.isSet(autostart) && values.size() <= 1 &&
        QStringList{QString(), QStringLiteral("on"), QStringLiteral("off")}.contains(
            values.value(0));
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        print(stdout, parser.helpText());
        return 0;
    }
    if (parser.isSet(version) && values.isEmpty()) {
        print(stdout, QStringLiteral("Mirell %1.%2.%3\n")
                          .arg(MIRELL_VERSION_MAJOR)
                          .arg(MIRELL_VERSION_MINOR)
                          .arg(MIRELL_VERSION_PATCH));
        return 0;
    }
    if (isAutostart)
        return runAutostartCommand(values.value(0));
    const QString error = parser.errorText();
    print(stderr, (error.isEmpty() ? QString() : error + QLatin1Char('\n')) + parser.helpText());
    return 2;
}
// ---- End of the command line. ------------------------------------------------

} // namespace

int main(int argc, char *argv[]) {
    if (const std::optional<int> status = runCommandLine(argc, argv))
        return *status;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mirell!"));
    QGuiApplication::setDesktopFileName(QStringLiteral(MIRELL_APP_ID));

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
    // is the way in. At login the tray may come a little after us, so it gets
    // some time first. The icon stays requested and docks if a tray turns up.
    const TrayWait trayWait([&tray] { return tray.isAvailable(); }, std::chrono::seconds(10),
                            [&window] { window.show(); });

    return app.exec();
}
