#include "CommandBackgrounds.h"
#include "GnomeFamilyBackground.h"
#include "KdeBackground_unix.h"
#include "XfceBackground.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUrl>

namespace {

// Folder names that break naive quoting in a shell, a command parser, a
// GVariant or JavaScript literal, or a URL.
const QStringList hostileFolderNames = {"plain", "blank and 'single' \"double\" back\\slash",
                                        "$(touch pwned) `touch pwned2` ;|&<>#,*?~%", "line\nbreak",
                                        "壁紙 フォルダ"};

// A small BMP coloured by seed at file (folder/MirellWP.bmp unless it ends in .bmp).
QString writeComposedFile(QString file, int seed) {
    if (!file.endsWith(".bmp"))
        file += "/MirellWP.bmp";
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((seed * 47) % 360, 200, 200));
    return QDir().mkpath(QFileInfo(file).path()) && image.save(file, "BMP") ? file : QString();
}

QByteArray contentOf(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A program's standard output, or "" if it failed.
QString runTool(const QString &program, const QStringList &arguments) {
    QProcess process;
    process.start(program, arguments);
    const bool ok = process.waitForFinished(20000) &&
                    process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return ok ? QString::fromUtf8(process.readAllStandardOutput()) : QString();
}

// A settings value as the desktop's own tool prints it, or sets it to value;
// gsettings quotes strings, with the escapes that the folder names here bring.
QString setting(const QString &schema, const QString &key, const QString &value = {}) {
    const QStringList set =
        value.isNull() ? QStringList() : QStringList{"-n", "-t", "string", "-s", value};
    if (schema == "xfce4-desktop")
        return runTool("xfconf-query", QStringList{"-c", schema, "-p", key} + set).trimmed();
    if (!set.isEmpty())
        return runTool("gsettings", {"set", schema, key, value});
    const QString text = runTool("gsettings", {"get", schema, key}).trimmed();
    QString out;
    for (qsizetype i = 1; i < text.size() - 1; ++i)
        out += text[i] != u'\\' ? text[i] : text[++i] == u'n' ? QChar(u'\n') : text[i];
    return out;
}

using Monitors = QList<DesktopBackground::MonitorPicture>;
Monitors twoMonitors(const QString &first, const QString &second) {
    return {{{"DP-1", {0, 0, 8, 6}, {}, 96}, first, {}},
            {{"HDMI-A-1", {8, 0, 6, 8}, {}, 96}, second, {}}};
}

} // namespace

// Stands in for plasmashell: records every script, or refuses it as Plasma
// does when the widgets are locked.
class FakePlasmaShell : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.PlasmaShell")

  public:
    QStringList scripts;
    bool refusing = false;

  public slots:
    void evaluateScript(const QString &script) {
        scripts << script;
        if (refusing)
            sendErrorReply(QDBusError::Failed, QStringLiteral("Widgets are locked"));
    }
};

// Every backend against what its desktop would run: stub programs for the
// command-line tools, the real dconf and xfconfd and a stand-in plasmashell
// on a private session bus. Nothing of the machine's own session may reach
// them: the whole environment is the test's own.
class DesktopsTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    const QString m_bin = m_dir.filePath("bin"), m_marker = m_dir.filePath("marker");
    QProcess m_bus;
    QThread m_serviceThread;
    FakePlasmaShell m_shell;

    void writeStub(const QString &program, const QByteArray &body) {
        QFile script(m_bin + u'/' + program);
        QVERIFY(script.open(QIODevice::WriteOnly) && script.write("#!/bin/sh\n" + body) > 0);
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

  private slots:

    void initTestCase() {
        // PATH holds the stubs and the few system programs chosen here, never
        // what the machine happens to have installed.
        QVERIFY(QDir().mkpath(m_bin));
        for (const char *tool : {"dbus-daemon", "gsettings", "xfconf-query", "node"}) {
            const QString found = QStandardPaths::findExecutable(tool, {"/usr/bin", "/bin"});
            QVERIFY(found.isEmpty() || QFile::link(found, m_bin + u'/' + tool));
        }
        clearenv();
        qputenv("PATH", QFile::encodeName(m_bin));
        qputenv("HOME", QFile::encodeName(m_dir.path()));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir.path())); // private to us, as it must be
        qputenv("XDG_DATA_DIRS", "/usr/share");
        qputenv("GSETTINGS_BACKEND", "dconf");
        qputenv("LC_ALL", "C.UTF-8");
        QVERIFY(QDir::setCurrent(m_dir.path()));
        m_bus.start("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--print-address=1"});
        QVERIFY(m_bus.waitForReadyRead(20000));
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.readLine().trimmed());

        // The service answers from its own thread and connection, so the
        // backend's blocking call really travels over the bus.
        QDBusConnection service = QDBusConnection::connectToBus(
            qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), "plasma");
        QVERIFY(service.isConnected());
        m_shell.moveToThread(&m_serviceThread);
        m_serviceThread.start();
        QVERIFY(service.registerObject("/PlasmaShell", &m_shell, QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService("org.kde.plasmashell"));
    }

    void cleanupTestCase() {
        QDBusConnection::disconnectFromBus("plasma");
        m_serviceThread.quit();
        m_serviceThread.wait();
        m_bus.kill();
        m_bus.waitForFinished();
        // Nothing may ever have run the code in a folder name.
        QVERIFY(!QFile::exists(m_marker) && !QFile::exists("pwned") && !QFile::exists("pwned2"));
    }

    // Two switches, one monitor or two: the calls made, one argument a word,
    // with %1 and %2 for each monitor's copy at the first and %3 and %4 at the
    // second.
    void commandLineDesktops_data() {
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("error"); // the failure reported, if any
        const auto row = [](const QString &name, const QString &desktop, const QString &folder,
                            const QStringList &calls, const QByteArray &answer = "printf ok",
                            const QString &error = {}) {
            QTest::newRow(qPrintable(name)) << desktop << folder << calls << answer << error;
        };
        const QString lxde = "LXDE did not take the wallpaper: pcmanfm ";
        row("pcmanfm missing", "LXDE", "plain", {}, "", lxde + "was not found on PATH");
        row("pcmanfm failing", "LXDE", "plain", {"--set-wallpaper=%1"},
            "echo 'no desktop here' >&2\nexit 3",
            lxde + "failed with exit code 3: no desktop here");
        row("pcmanfm hanging", "LXDE", "plain", {"--set-wallpaper=%1"}, "exec /bin/sleep 30",
            lxde + "did not finish within 0.5 seconds and was stopped");
        for (const QString &f : hostileFolderNames) {
            row("LXDE " + f, "LXDE", f, {"--set-wallpaper=%1", "--set-wallpaper=%3"});
            row("LXQt " + f, "LXQt", f,
                {"--set-wallpaper %1 --wallpaper-mode stretch",
                 "--set-wallpaper %3 --wallpaper-mode stretch"});
            row("sway " + f, "sway", f, {"output * bg %1 fill", "output * bg %3 fill"});
            row("hyprpaper " + f, "Hyprland", f,
                {"hyprpaper unload %1", "hyprpaper preload %1", "hyprpaper wallpaper ,%1",
                 "hyprpaper unload %3", "hyprpaper preload %3", "hyprpaper wallpaper ,%3",
                 "hyprpaper unload %1"});
        }
        // Each monitor by its output's name; hyprpaper 0.8 refuses "preload".
        row("sway, each output", "sway", "plain",
            {"output DP-1 bg %1 fill", "output HDMI-A-1 bg %2 fill", "output DP-1 bg %3 fill",
             "output HDMI-A-1 bg %4 fill"});
        row("hyprpaper, each monitor", "Hyprland", "plain",
            {"hyprpaper unload %1", "hyprpaper preload %1", "hyprpaper wallpaper DP-1,%1",
             "hyprpaper unload %2", "hyprpaper preload %2", "hyprpaper wallpaper HDMI-A-1,%2",
             "hyprpaper unload %3", "hyprpaper preload %3", "hyprpaper wallpaper DP-1,%3",
             "hyprpaper unload %4", "hyprpaper preload %4", "hyprpaper wallpaper HDMI-A-1,%4",
             "hyprpaper unload %1", "hyprpaper unload %2"});
        row("hyprpaper 0.8, each monitor", "Hyprland", "plain",
            {"hyprpaper unload %1", "hyprpaper preload %1", "hyprpaper wallpaper DP-1,%1",
             "hyprpaper wallpaper HDMI-A-1,%2", "hyprpaper wallpaper DP-1,%3",
             "hyprpaper wallpaper HDMI-A-1,%4"},
            "[ -z \"${2##wallpaper}\" ] || printf 'invalid request'");
    }
    void commandLineDesktops() {
        QFETCH(QString, desktop);
        QFETCH(QString, folder);
        QFETCH(QStringList, calls);
        QFETCH(QByteArray, answer);
        QFETCH(QString, error);
        static int rowNumber = 0; // each row's folders its own, so its copies start at -a
        const QString dir = m_dir.filePath(QStringLiteral("%1/").arg(++rowNumber) + folder);
        // sway and Hyprland read plain paths only: other folders get a plain copy.
        const bool fallback = !desktop.startsWith("LX") && folder != "plain";
        const QString copies =
            fallback ? m_dir.filePath(QStringLiteral("plain%1").arg(rowNumber)) : dir;
        const AliasFile plain(AliasFile::Placement::PlainPath, {copies});
        LxdeBackground lxde(CommandRunner(error.contains("within") ? 500 : 30000));
        LxqtBackground lxqt;
        SwayBackground sway(CommandRunner(), plain);
        HyprlandBackground hyprland(CommandRunner(), plain);
        DesktopBackground *backend = QHash<QString, DesktopBackground *>{
            {"LXDE", &lxde}, {"LXQt", &lxqt}, {"sway", &sway}, {"Hyprland", &hyprland}}[desktop];
        const QString log = m_bin + "/calls";
        QFile::remove(log);
        for (const char *tool : {"pcmanfm", "pcmanfm-qt", "swaymsg", "hyprctl"})
            writeStub(tool,
                      "IFS=$(printf '\\037'); printf '%s\\036' \"$*\" >> \"${0%/*}/calls\"\n" +
                          answer);
        if (error.contains("not found"))
            QFile::remove(m_bin + "/pcmanfm");
        const bool each = calls.join(' ').contains("%2");
        QByteArray shown[4]; // what each monitor's copy must hold after both switches
        for (int round = 0; round < 2; ++round) {
            const QString first = writeComposedFile(dir, round);
            const QString second = writeComposedFile(dir + "/MirellWP-2.bmp", round + 5);
            shown[2 * round] = contentOf(first), shown[2 * round + 1] = contentOf(second);
            QString reported;
            const bool ok = each ? backend->applyEach(twoMonitors(first, second), &reported)
                                 : backend->apply(first, QImage(), &reported);
            QCOMPARE(reported, error);
            if (!ok)
                break;
        }
        const auto copy = [&](int n) { // -a at the first switch and -b at the second
            return copies + (n % 2 ? "/MirellWP-" : "/MirellWP-2-") + (n < 3 ? "a.bmp" : "b.bmp");
        };
        QString made = QString::fromUtf8(contentOf(log)); // arguments apart by \037
        for (int n = 1; n <= 4; ++n)
            made.replace(copy(n), QStringLiteral("%%1").arg(n));
        QCOMPARE(made.split(u'\036', Qt::SkipEmptyParts), calls.replaceInStrings(" ", "\037"));
        for (int n = 1; n <= 4; n += each ? 1 : 2)
            QCOMPARE(contentOf(copy(n)), shown[n - 1]);
    }

    // pcmanfm-qt's note of a scaled picture goes before a switch when it
    // names one of the copies, which would bring back old pixels; a note of
    // the user's own picture stays.
    void lxqtScaledCopyNote() {
        writeStub("pcmanfm-qt", "true");
        const QString picture = writeComposedFile(m_dir.filePath("lxqt"), 1);
        const QString notes = m_dir.filePath(".cache/pcmanfm-qt/%1/wallpaper.cache.info");
        const QStringList named{m_dir.filePath("lxqt/MirellWP-b.bmp"),
                                m_dir.filePath("MirellWP-b.bmp")};
        for (int i = 0; i < 2; ++i) {
            QFile note(notes.arg(i));
            QVERIFY(QDir().mkpath(QFileInfo(note).path()) && note.open(QIODevice::WriteOnly));
            note.write(named[i].toLocal8Bit());
        }
        QString error;
        QVERIFY2(LxqtBackground().apply(picture, QImage(), &error), qPrintable(error));
        QCOMPARE(QFile::exists(notes.arg(0)), false);
        QCOMPARE(QFile::exists(notes.arg(1)), true);
    }

    // Across monitors pcmanfm's first one is set in "screen" mode, and back
    // to "fit" for one monitor's picture once its settings say "screen"; the
    // others' settings files name the canvas for every workspace.
    void lxdeSpansEveryMonitor() {
        const QString dir = m_dir.filePath("pcmanfm"), log = m_bin + "/calls";
        const QString file = dir + "/desktop-items-%1.conf";
        const QList<QByteArray> old{"[*]\nwallpaper_mode=screen\n",
                                    "[*]\nwallpaper_mode=crop\nwallpaper_common=1\nwallpaper=/o\n"
                                    "wallpapers_configured=2\nwallpaper0=/a\nwallpaper1=/b\n"
                                    "show_trash=1\n\n[trash-can]\nx=5\n",
                                    ""};
        QVERIFY(QDir().mkpath(dir));
        for (int n = 0; n < 3; ++n) {
            QFile settings(file.arg(n));
            QVERIFY(settings.open(QIODevice::WriteOnly) && settings.write(old[n]) >= 0);
        }
        int announced = 0;
        LxdeBackground lxde(CommandRunner(), AliasFile(),
                            {[&] { return dir; }, [&] { ++announced; }});
        writeStub("pcmanfm", "printf '%s\\n' \"$@\" >> \"${0%/*}/calls\"\n");
        QFile::remove(log);
        const QString canvas = writeComposedFile(m_dir.filePath("span\\ and\nbreak"), 4);
        QString error;
        qint64 stamps[2]; // pcmanfm compares whole seconds: two switches in one must differ
        for (qint64 &stamp : stamps) {
            QVERIFY2(lxde.applySpanning(canvas, QImage(), &error), qPrintable(error));
            stamp = QFileInfo(canvas).lastModified().toSecsSinceEpoch();
        }
        QVERIFY2(lxde.apply(canvas, QImage(), &error), qPrintable(error));
        const QByteArray copy = "--set-wallpaper=" + QFile::encodeName(QFileInfo(canvas).path());
        QCOMPARE(contentOf(log), copy + "/MirellWP-a.bmp\n--wallpaper-mode=screen\n" + copy +
                                     "/MirellWP-b.bmp\n--wallpaper-mode=screen\n" + copy +
                                     "/MirellWP-a.bmp\n--wallpaper-mode=fit\n");
        const QByteArray shown =
            "=" + m_dir.path().toUtf8() + "/span\\\\ and\\nbreak/MirellWP.bmp\n";
        const QByteArray span = "[*]\nwallpaper_mode=screen\nwallpaper_common=0\n"
                                "wallpapers_configured=";
        QCOMPARE(contentOf(file.arg(0)), old[0]);
        QCOMPARE(contentOf(file.arg(1)), span + "2\nwallpaper0" + shown + "wallpaper1" + shown +
                                             "show_trash=1\n\n[trash-can]\nx=5\n");
        QCOMPARE(contentOf(file.arg(2)), span + "1\nwallpaper0" + shown);
        QVERIFY(announced == 2 && stamps[1] > stamps[0]);
    }

    void settingsReadBackAndAnnounced_data() {
        QTest::addColumn<QString>("schema");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<int>("flavour"); // of the GNOME family, or XFCE
        using F = GnomeFamilyBackground::Flavour;
        QTest::newRow("GNOME") << "org.gnome.desktop.background"
                               << QStringList{"picture-uri", "picture-uri-dark"} << int(F::Gnome);
        QTest::newRow("Cinnamon") << "org.cinnamon.desktop.background" << QStringList{"picture-uri"}
                                  << int(F::Cinnamon);
        QTest::newRow("MATE") << "org.mate.background" << QStringList{"picture-filename"}
                              << int(F::Mate);
        // xfdesktop 4.14 and later read the first, older ones the second.
        QTest::newRow("XFCE") << "xfce4-desktop"
                              << QStringList{"/backdrop/screen0/monitorHDMI-A-1/workspace0/"
                                             "last-image",
                                             "/backdrop/screen0/monitor0/image-path"}
                              << -1;
    }
    void settingsReadBackAndAnnounced() {
        QFETCH(QString, schema);
        QFETCH(QStringList, keys);
        QFETCH(int, flavour);
        const bool xfce = flavour < 0;
        XfceBackground xfceBackend;
        GnomeFamilyBackground gnomeBackend{GnomeFamilyBackground::Flavour(std::max(flavour, 0))};
        DesktopBackground &backend =
            xfce ? static_cast<DesktopBackground &>(xfceBackend) : gnomeBackend;
        for (const QString &key : keys)
            setting(schema, key, "/usr/share/old.png");
        QProcess watcher;
        watcher.start(xfce ? "xfconf-query" : "gsettings",
                      xfce ? QStringList{"-c", schema, "-m"} : QStringList{"monitor", schema});
        // Changing another setting until the watcher reports it tells that it
        // has reported every change before, since changes come in order.
        const QString other = xfce ? "/backdrop/screen0/monitor0/color-style" : "primary-color";
        QString seen;
        auto catchUp = [&, pokes = 0]() mutable {
            for (const QDeadlineTimer deadline(20000); !deadline.hasExpired();) {
                setting(schema, other, QStringLiteral("#%1").arg(++pokes));
                for (const QDeadlineTimer poke(300); !poke.hasExpired() && !seen.contains(other);)
                    watcher.waitForReadyRead(50), seen += watcher.readAllStandardOutput();
                if (seen.contains(other))
                    return true;
            }
            return false;
        };
        QVERIFY2(catchUp(), "the settings watcher never reported");

        // The last folder comes twice: the same file again must still be announced.
        const QStringList folders = QStringList(hostileFolderNames) << hostileFolderNames.last();
        for (int i = 0; i < folders.size(); ++i) {
            const QString source = writeComposedFile(m_dir.filePath(schema + u'/' + folders[i]), i);
            QString error;
            seen.clear();
            QVERIFY2(backend.apply(source, QImage(), &error), qPrintable(error));
            QVERIFY2(catchUp(), "the watcher fell silent");
            for (const QString &key : keys) {
                const QString value = setting(schema, key);
                const bool uri = value.startsWith("file:");
                const QString shown = uri ? QUrl(value).toLocalFile() : value;
                // GNOME Shell is given the file itself: it watches it for the same again.
                const bool shell = flavour == int(GnomeFamilyBackground::Flavour::Gnome);
                if (shell)
                    QCOMPARE(shown, source);
                if (!shell || folders[i] != folders.value(i - 1))
                    QVERIFY2(seen.contains(key + (xfce ? "\n" : ":")), qPrintable(key + " silent"));
                QCOMPARE(contentOf(shown), contentOf(source));
                if (uri) // nothing but ASCII in a stored URI
                    QCOMPARE(QUrl(value, QUrl::StrictMode).toString(QUrl::FullyEncoded), value);
            }
        }
        QString error, a = writeComposedFile(m_dir.filePath("a"), 7);
        if (xfce) { // each monitor by its output's name; the unnamed old property is the primary's
            const QString b = writeComposedFile(m_dir.filePath("b"), 8);
            QVERIFY2(xfceBackend.applyEach(twoMonitors(a, b), &error), qPrintable(error));
            QCOMPARE(QStringList({setting(schema, keys[0]), setting(schema, keys[1])}),
                     QStringList({b, a}));
            return;
        }
        // A canvas spans the monitors; the user's placement comes back after.
        setting(schema, "picture-options", "'scaled'");
        QVERIFY2(backend.applySpanning(a, QImage(), &error), qPrintable(error));
        QCOMPARE(setting(schema, "picture-options"), QStringLiteral("spanned"));
        QVERIFY2(backend.apply(a, QImage(), &error), qPrintable(error));
        QCOMPARE(setting(schema, "picture-options"), QStringLiteral("scaled"));
    }

    // The desktop script run on four Plasma desktops (screens 0, 1, 2 and none):
    // any text reaches them as the image plugin's picture, as data, and each
    // finds its screen's picture by the screen's place, else by Plasma's
    // number, else takes the primary's.
    void kdeScript_data() {
        QTest::addColumn<QStringList>("urls");
        QTest::addColumn<QList<QRect>>("screens");
        QTest::addColumn<QStringList>("shown");
        const QString quote =
            QStringLiteral("'); require('fs').writeFileSync('%1', 'x'); ('").arg(m_marker);
        for (const QString &text :
             {quote, QString(quote).replace(u'\'', u'"'),
              QStringLiteral("`${require('fs').writeFileSync('%1', 'x')}`").arg(m_marker),
              "line\nbreak\r\t</script> $(touch " + m_marker + ") \u2028\u2029 壁紙 backslash \\"})
            QTest::newRow(qPrintable(text))
                << QStringList{text} << QList<QRect>() << QStringList{text, text, text, text};
        QTest::newRow("screens") << QStringList{"a", "b", "c"}
                                 << QList<QRect>{{0, 0, 1920, 1080},
                                                 {1920, 0, 1080, 1920},
                                                 {-800, 0, 800, 600}}
                                 << QStringList{"b", "a", "c", "a"};
    }
    void kdeScript() {
        if (!QFile::exists(m_bin + "/node"))
            QSKIP("node is needed to run the desktop scripts");
        QFETCH(QStringList, urls);
        QFETCH(QList<QRect>, screens);
        QFETCH(QStringList, shown);
        const QString script = KdeBackground::script(urls, screens);
        // Older JavaScript engines end a line at these even inside a string.
        QVERIFY(!script.contains(QChar(0x2028)) && !script.contains(QChar(0x2029)));
        const QString run =
            "const calls = [], places = [[1920, 0, 1080, 1920], [0, 0, 1920, 1080]];\n"
            "function screenGeometry(s) { const p = places[s] || [5, 5, 5, 5];\n"
            "  return {x: p[0], y: p[1], width: p[2], height: p[3]}; }\n"
            "function desktops() { return [0, 1, 2, -1].map(s => ({screen: s, writeConfig(k, v) "
            "{\n  calls.push([this.wallpaperPlugin, ...this.currentConfigGroup, k, v]); }})); }\n" +
            script + "\nprocess.stdout.write(JSON.stringify(calls));\n";
        QJsonArray expected;
        for (const QString &url : shown)
            expected << QJsonArray{"org.kde.image", "Wallpaper", "org.kde.image",
                                   "General",       "Image",     url};
        QCOMPARE(QJsonDocument::fromJson(runTool("node", {"-e", run}).toUtf8()).array(), expected);
    }

    void kdeGetsAFreshCopyEachSwitchAndRefusalIsReported() {
        KdeBackground backend(5000);
        const QString source = writeComposedFile(m_dir.filePath(hostileFolderNames.last()), 1);
        QString error;
        for (int round = 0; round < 2; ++round) {
            QVERIFY2(backend.apply(source, QImage(), &error), qPrintable(error));
            // The percent-encoded URL needs no escapes in the script.
            QCOMPARE(
                contentOf(QUrl(m_shell.scripts.value(round).section(u'"', 1, 1)).toLocalFile()),
                contentOf(source));
        }
        // Plasma reloads only for a new path.
        QVERIFY(m_shell.scripts.size() == 2 && m_shell.scripts[0] != m_shell.scripts[1]);
        m_shell.refusing = true;
        QVERIFY(!backend.apply(source, QImage(), &error));
        QVERIFY2(error.contains("KDE Plasma") && error.contains("Widgets are locked"),
                 qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(DesktopsTest)
#include "tst_desktops.moc"
