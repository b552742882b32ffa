#include "Autostart.h"
#include "Clock.h"
#include "CommandLine.h"
#include "Composer.h"
#include "Console.h"
#include "ControlHost.h"
#include "DesktopBackground.h"
#include "DesktopServices.h"
#include "Dialogs.h"
#include "FolderIndex.h"
#include "FrmMain.h"
#include "LocalAccess.h"
#include "MonitorWatch.h"
#include "RandomSource.h"
#include "RemoteControl.h"
#include "ScreenInfo.h"
#include "Settings.h"
#include "SettingsStore.h"
#include "Shell.h"
#include "SingleInstance.h"
#include "StatusNotifier.h"
#include "TextForms.h"
#include "TrayIcon.h"
#include "TrayWait.h"
#include "UserSettingsStore.h"
#include "WallpaperRotator.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <cstdio>

namespace {

quint64 clockSeed() {
    return quint64(std::chrono::system_clock::now().time_since_epoch().count()) ^
           quint64(QCoreApplication::applicationPid());
}

QString versionText() {
    return TextForms::versionText(MIRELL_VERSION_MAJOR, MIRELL_VERSION_MINOR, MIRELL_VERSION_PATCH);
}

// Everything but a plain start: help, version, usage errors, and commands for
// the running copy. Needs no display.
int runCommandLine(int argc, char *argv[], const CommandLine &line) {
    QCoreApplication app(argc, argv);
    attachParentConsole();
    switch (line.action) {
    case CommandLine::Action::Help:
    case CommandLine::Action::Version:
        std::fputs(qPrintable(line.text), stdout);
        return 0;
    case CommandLine::Action::UsageError:
        std::fputs(qPrintable(line.text), stderr);
        return 2;
    case CommandLine::Action::Autostart:
        return runAutostartCommand(line.text);
    default:
        break;
    }
    QString error;
    const QString folder = LocalAccess::privateFolder(&error);
    if (folder.isEmpty()) {
        std::fprintf(stderr, "mirell: cannot reach the running copy: %s\n", qPrintable(error));
        return 1;
    }
    QByteArray answer;
    const auto result = RemoteControl::send(
        RemoteControl::serverName(QCoreApplication::applicationFilePath(), folder), line.command,
        &answer);
    if (result == RemoteControl::Result::NoCopy) {
        std::fprintf(stderr, "mirell: Mirell is not running; nothing to --%s.\n",
                     qPrintable(line.command));
        return 1;
    }
    if (result == RemoteControl::Result::Refused) {
        std::fprintf(stderr, "mirell: the running copy did not --%s: %s\n",
                     qPrintable(line.command), answer.constData());
        return 1;
    }
    if (line.command == QLatin1String("status"))
        std::fputs(formatStatus(QJsonDocument::fromJson(answer).object(), line.json), stdout);
    else
        std::fputs(answer.constData(), stdout);
    return 0;
}

// The command for a running copy; while none answers, tries again for up to waitMs.
RemoteControl::Result handOver(const QString &door, const QString &command, int waitMs) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        QByteArray answer;
        const RemoteControl::Result result = RemoteControl::send(door, command, &answer);
        if (result != RemoteControl::Result::NoCopy || clock.elapsed() >= waitMs)
            return result;
        QThread::msleep(100);
    }
}

QString noTrayNotice() {
    return QStringLiteral(
        "通知領域が見つからないため、アイコンなしで壁紙を切り替えています。"
        "設定を開くには、アプリケーションメニューの Mirell を右クリックして「設定」を選ぶか、"
        "端末で mirell --settings を実行してください。");
}

} // namespace

int main(int argc, char *argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine line = parseCommandLine(arguments, QStringLiteral("%1.%2.%3")
                                                             .arg(MIRELL_VERSION_MAJOR)
                                                             .arg(MIRELL_VERSION_MINOR)
                                                             .arg(MIRELL_VERSION_PATCH));
    if (line.action != CommandLine::Action::Start && !line.orStart)
        return runCommandLine(argc, argv, line);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mirell!"));
    QGuiApplication::setDesktopFileName(QStringLiteral(MIRELL_APP_ID));

    QString error;
    const QString folder = LocalAccess::privateFolder(&error);
    if (folder.isEmpty())
        qWarning("mirell: %s: a second start goes unnoticed, commands cannot reach this copy",
                 qPrintable(error));
    const QString door =
        folder.isEmpty()
            ? QString()
            : RemoteControl::serverName(QCoreApplication::applicationFilePath(), folder);
    // The menu entry's actions: a running copy does the command itself.
    if (line.orStart && !door.isEmpty()) {
        const RemoteControl::Result result = handOver(door, line.command, 0);
        if (result != RemoteControl::Result::NoCopy)
            return result == RemoteControl::Result::Done ? 0 : 1;
    }
    // A second start goes away before it touches anything.
    SingleInstance instance(QCoreApplication::applicationFilePath(), folder);
    if (!folder.isEmpty() && !instance.acquire()) {
        // Another copy is starting this moment; it takes the command once its door is open.
        if (line.orStart)
            return handOver(door, line.command, 10000) == RemoteControl::Result::Done ? 0 : 1;
        return 0;
    }

    SeededRandom random(clockSeed());

    const std::unique_ptr<SettingsStore> userStore = openUserSettingsStore();
    SettingsStore &store = *userStore;
    writeUpdateInfo(store, QDir::toNativeSeparators(QCoreApplication::applicationDirPath()),
                    versionText());
    store.sync();

    const QString timerId = QStringLiteral("Chronome.MinuteTimer");
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
    WallpaperRotator rotator(store, composer, random, clock);
    rotator.load(History::defaultPath());
    rotator.setTimer(chronomer);
    FolderIndex folders(
        FolderIndex::Options{QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                             QStringLiteral("/folders")});
    rotator.setFolderIndex(&folders);
    const MonitorWatch monitors(screen, [&rotator] { rotator.recompose(); });

    QtDialogs dialogs;
    QtFileOpener opener;
    TrayIcon tray;
    FrmMain window(FrmMainServices{store, dialogs, tray, screen, opener}, rotator);
    Shell shell(rotator, window, tray);
    RemoteControl remote(door, [&shell](const QString &command, QByteArray *output) {
        return shell.runCommand(command, output);
    });
    // Without the door the program still runs; only second starts cannot reach it.
    if (!folder.isEmpty() && !remote.listen(&error))
        qWarning("mirell: commands cannot reach this copy: %s", qPrintable(error));

    tray.AddIcon(window.windowIcon(), QStringLiteral("Mirell!"));
    QApplication::setQuitOnLastWindowClosed(false);
    // Without a notification area the icon could never be clicked; the window
    // is the way in. At login the tray may come a little after us, so it gets
    // some time first. The icon stays requested and docks if a tray turns up.
    // MIRELL_TRAY_WAIT_MS shortens the wait for the tests of this start; a
    // user has no reason to set it.
    const int waitMs = qEnvironmentVariableIsSet("MIRELL_TRAY_WAIT_MS")
                           ? qEnvironmentVariableIntValue("MIRELL_TRAY_WAIT_MS")
                           : 10000;
    // Started at login on a desktop without any (stock GNOME), the program
    // rotates in the background and says once how to reach it; a window at
    // every login would be a nuisance.
    const TrayWait trayWait(
        [&tray] { return tray.isAvailable(); }, std::chrono::milliseconds(waitMs),
        [&window, &line] {
            if (!line.atLogin)
                return window.show();
            notifyDesktop(QStringLiteral("Mirell!"), noTrayNotice(), [&window](bool told) {
                if (!told)
                    window.show();
            });
        });
    if (line.orStart)
        QTimer::singleShot(0, &shell, [&shell, &line] {
            QByteArray output;
            shell.runCommand(line.command, &output);
        });

    return app.exec();
}
