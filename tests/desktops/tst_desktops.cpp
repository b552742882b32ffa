#include "CommandBackgrounds.h"
#include "KdeBackground_unix.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUrl>

namespace {

// A folder name that runs code in a shell and breaks a command parser, and
// names that break naive quoting in a GVariant literal or a URL.
const QString hostileFolderName = "$(touch pwned) `touch pwned2` ;|&<>#,*?~%";
const QStringList settingsNames = {"blank and 'single' \"double\" back\\slash", "壁紙 フォルダ"};

// A small BMP coloured by seed at file.
QString writeComposedFile(const QString &file, int seed) {
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((seed * 47) % 360, 200, 200));
    return QDir().mkpath(QFileInfo(file).path()) && image.save(file, "BMP") ? file : QString();
}

bool writeFile(const QString &path, const QByteArray &content) {
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(content) == content.size();
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
    const QString text =
        runTool("gsettings", QStringList{set.isEmpty() ? "get" : "set", schema, key} + set.mid(4))
            .trimmed();
    QString out;
    for (qsizetype i = 1; i < text.size() - 1; ++i)
        out += text[i] != u'\\' ? text[i] : text[++i] == u'n' ? QChar(u'\n') : text[i];
    return out;
}

QList<DesktopBackground::MonitorPicture> twoMonitors(const QString &first, const QString &second) {
    return {{{"DP-1", {0, 0, 8, 6}, {}, 96}, first, {}},
            {{"HDMI-A-1", {8, 0, 6, 8}, {}, 96}, second, {}}};
}

} // namespace

// Stands in for plasmashell: logs the picture each script sets as the tools'
// stubs log their calls, or refuses it as Plasma does when the widgets are locked.
class FakePlasmaShell : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.PlasmaShell")

  public:
    bool refusing = false;

  public slots:
    void evaluateScript(const QString &script) {
        // The percent-encoded URL needs no escapes in the script.
        const QString picture = QUrl(script.section(u'"', 1, 1)).toLocalFile();
        QFile calls("calls"); // in the test's folder, where the tools' stubs log too
        if (calls.open(QIODevice::Append | QIODevice::Unbuffered)) // on disk before the reply
            calls.write("plasma\037" + picture.toUtf8() + "\036");
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
        QVERIFY(writeFile(m_bin + u'/' + program, "#!/bin/sh\n" + body));
        QFile::setPermissions(m_bin + u'/' + program,
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
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
    // second. One monitor's picture lies in a hostile folder (sway and Hyprland
    // get a plain copy of it), each monitor's in a plain one.
    void commandLineDesktops_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("error"); // the failure reported, if any
        const auto row = [](const char *name, DesktopKind kind, const QStringList &calls,
                            const QByteArray &answer = "printf ok", const QString &error = {}) {
            QTest::newRow(name) << int(kind) << calls << answer << error;
        };
        using K = DesktopKind;
        const QString lxde = "LXDE did not take the wallpaper: pcmanfm ";
        row("pcmanfm missing", K::Lxde, {}, "", lxde + "was not found on PATH");
        row("pcmanfm failing", K::Lxde, {"--set-wallpaper=%1"},
            "echo 'no desktop here' >&2\nexit 3",
            lxde + "failed with exit code 3: no desktop here");
        row("pcmanfm hanging", K::Lxde, {"--set-wallpaper=%1"}, "exec /bin/sleep 30",
            lxde + "did not finish within 0.5 seconds and was stopped");
        row("LXQt", K::Lxqt,
            {"--set-wallpaper %1 --wallpaper-mode stretch",
             "--set-wallpaper %3 --wallpaper-mode stretch"});
        row("sway", K::Sway, {"output * bg %1 fill", "output * bg %3 fill"});
        row("Plasma", K::Kde, {"plasma %1", "plasma %3"});
        row("Plasma refusing", K::Kde, {"plasma %1"}, "refuse",
            "KDE Plasma did not take the wallpaper: Widgets are locked");
        row("hyprpaper", K::Hyprland,
            {"hyprpaper unload %1", "hyprpaper preload %1", "hyprpaper wallpaper ,%1",
             "hyprpaper unload %3", "hyprpaper preload %3", "hyprpaper wallpaper ,%3",
             "hyprpaper unload %1"});
        // Each monitor by its output's name; hyprpaper 0.8 refuses "preload".
        row("sway, each output", K::Sway,
            {"output DP-1 bg %1 fill", "output HDMI-A-1 bg %2 fill", "output DP-1 bg %3 fill",
             "output HDMI-A-1 bg %4 fill"});
        row("hyprpaper, each monitor", K::Hyprland,
            {"hyprpaper unload %1", "hyprpaper preload %1", "hyprpaper wallpaper DP-1,%1",
             "hyprpaper unload %2", "hyprpaper preload %2", "hyprpaper wallpaper HDMI-A-1,%2",
             "hyprpaper unload %3", "hyprpaper preload %3", "hyprpaper wallpaper DP-1,%3",
             "hyprpaper unload %4", "hyprpaper preload %4", "hyprpaper wallpaper HDMI-A-1,%4",
             "hyprpaper unload %1", "hyprpaper unload %2"});
        row("hyprpaper 0.8, each monitor", K::Hyprland,
            {"hyprpaper unload %1", "hyprpaper preload %1", "hyprpaper wallpaper DP-1,%1",
             "hyprpaper wallpaper HDMI-A-1,%2", "hyprpaper wallpaper DP-1,%3",
             "hyprpaper wallpaper HDMI-A-1,%4"},
            "[ -z \"${2##wallpaper}\" ] || printf 'invalid request'");
    }
    void commandLineDesktops() {
        QFETCH(int, kind);
        QFETCH(QStringList, calls);
        QFETCH(QByteArray, answer);
        QFETCH(QString, error);
        const bool each = calls.join(' ').contains("%2");
        static int rowNumber = 0; // each row's folders its own, so its copies start at -a
        const QString dir = m_dir.filePath(QString::number(++rowNumber) + u'/' +
                                           (each ? QStringLiteral("plain") : hostileFolderName));
        // sway and Hyprland read plain paths only: a picture elsewhere gets a
        // plain copy in the runtime folder. Each row there ends on -b, the
        // newer, so the next one starts on -a as it would after a restart.
        const bool fallback =
            !each && (kind == int(DesktopKind::Sway) || kind == int(DesktopKind::Hyprland));
        const QString copies = fallback ? m_dir.filePath("mirell") : dir;
        LxdeBackground lxde(CommandRunner(error.contains("within") ? 500 : 30000));
        const auto factoryMade = createDesktopBackground(DesktopKind(kind));
        DesktopBackground *backend = kind == int(DesktopKind::Lxde) ? &lxde : factoryMade.get();
        m_shell.refusing = answer == "refuse";
        // pcmanfm-qt's note of a picture it scaled, known by path alone, would
        // bring back old pixels at a switch to that copy: LXQt drops it; a note
        // of the user's own picture stays.
        const QString note = m_dir.filePath(".cache/pcmanfm-qt/%1/wallpaper.cache.info");
        QVERIFY(writeFile(note.arg(1), QFile::encodeName(dir + "/MirellWP-b.bmp")));
        QVERIFY(writeFile(note.arg(2), QFile::encodeName(m_dir.filePath("MirellWP-b.bmp"))));
        QFile::remove("calls");
        for (const char *tool : {"pcmanfm", "pcmanfm-qt", "swaymsg", "hyprctl"})
            writeStub(tool, "IFS=$(printf '\\037'); printf '%s\\036' \"$*\" >> calls\n" + answer);
        if (error.contains("not found"))
            QFile::remove(m_bin + "/pcmanfm");
        QByteArray shown[4]; // what each monitor's copy must hold after both switches
        for (int round = 0; round < 2; ++round) {
            const QString first = writeComposedFile(dir + "/MirellWP.bmp", round);
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
        QString made = QString::fromUtf8(contentOf("calls")); // arguments apart by \037
        for (int n = 1; n <= 4; ++n)
            made.replace(copy(n), QStringLiteral("%%1").arg(n));
        QCOMPARE(made.split(u'\036', Qt::SkipEmptyParts), calls.replaceInStrings(" ", "\037"));
        for (int n = 1; n <= 4; n += each ? 1 : 2)
            QCOMPARE(contentOf(copy(n)), shown[n - 1]);
        QVERIFY(QFile::exists(note.arg(1)) == (kind != int(DesktopKind::Lxqt)) &&
                QFile::exists(note.arg(2)));
    }

    // Across monitors pcmanfm's first one is set in "screen" mode, and back
    // to "fit" for one monitor's picture once its settings say "screen"; the
    // others' settings files name the canvas for every workspace.
    void lxdeSpansEveryMonitor() {
        const QString dir = m_dir.filePath("pcmanfm");
        const QString file = dir + "/desktop-items-%1.conf";
        const QList<QByteArray> old{"[*]\nwallpaper_mode=screen\n",
                                    "[*]\nwallpaper_mode=crop\nwallpaper_common=1\nwallpaper=/o\n"
                                    "wallpapers_configured=2\nwallpaper0=/a\nwallpaper1=/b\n"
                                    "show_trash=1\n\n[trash-can]\nx=5\n",
                                    ""};
        for (int n = 0; n < 3; ++n)
            QVERIFY(writeFile(file.arg(n), old[n]));
        int announced = 0;
        LxdeBackground lxde(CommandRunner(), AliasFile(),
                            {[&] { return dir; }, [&] { ++announced; }});
        writeStub("pcmanfm", "printf '%s\\n' \"$@\" >> calls\n");
        QFile::remove("calls");
        const QString canvas =
            writeComposedFile(m_dir.filePath("span\\ and\nbreak/MirellWP.bmp"), 4);
        QString error;
        qint64 stamps[2]; // pcmanfm compares whole seconds: two switches in one must differ
        for (qint64 &stamp : stamps) {
            QVERIFY2(lxde.applySpanning(canvas, QImage(), &error), qPrintable(error));
            stamp = QFileInfo(canvas).lastModified().toSecsSinceEpoch();
        }
        QVERIFY2(lxde.apply(canvas, QImage(), &error), qPrintable(error));
        const QByteArray copy = "--set-wallpaper=" + QFile::encodeName(QFileInfo(canvas).path());
        QCOMPARE(contentOf("calls"), copy + "/MirellWP-a.bmp\n--wallpaper-mode=screen\n" + copy +
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
        QTest::addColumn<int>("kind");
        const auto row = [](const char *name, const char *schema, const QStringList &keys,
                            DesktopKind kind) {
            QTest::newRow(name) << QString(schema) << keys << int(kind);
        };
        using K = DesktopKind;
        row("GNOME", "org.gnome.desktop.background", {"picture-uri", "picture-uri-dark"}, K::Gnome);
        row("MATE", "org.mate.background", {"picture-filename"}, K::Mate);
        // xfdesktop 4.14 and later read the first, older ones the second.
        row("XFCE", "xfce4-desktop",
            {"/backdrop/screen0/monitorHDMI-A-1/workspace0/last-image",
             "/backdrop/screen0/monitor0/image-path"},
            K::Xfce);
    }
    void settingsReadBackAndAnnounced() {
        QFETCH(QString, schema);
        QFETCH(QStringList, keys);
        QFETCH(int, kind);
        const bool xfce = kind == int(DesktopKind::Xfce), shell = kind == int(DesktopKind::Gnome);
        const auto backend = createDesktopBackground(DesktopKind(kind));
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
                watcher.waitForReadyRead(300);
                if ((seen += watcher.readAllStandardOutput()).contains(other))
                    return true;
            }
            return false;
        };
        QVERIFY2(catchUp(), "the settings watcher never reported");
        QString error;

        // The last folder comes twice: the same file again must still be announced.
        const QStringList folders = QStringList(settingsNames) << settingsNames.last();
        for (int i = 0; i < folders.size(); ++i) {
            const QString source = writeComposedFile(m_dir.filePath(folders[i] + ".bmp"), i);
            seen.clear();
            QVERIFY2(backend->apply(source, QImage(), &error), qPrintable(error));
            QVERIFY2(catchUp(), "the watcher fell silent");
            for (const QString &key : keys) {
                const QString value = setting(schema, key);
                const bool uri = value.startsWith("file:");
                const QString shown = uri ? QUrl(value).toLocalFile() : value;
                // GNOME Shell is given the file itself: it watches it for the same again.
                if (shell)
                    QCOMPARE(shown, source);
                if (!shell || folders[i] != folders.value(i - 1))
                    QVERIFY2(seen.contains(key + (xfce ? "\n" : ":")), qPrintable(key + " silent"));
                QCOMPARE(contentOf(shown), contentOf(source));
                if (uri) // nothing but ASCII in a stored URI
                    QCOMPARE(QUrl(value, QUrl::StrictMode).toString(QUrl::FullyEncoded), value);
            }
        }
        const QString a = writeComposedFile(m_dir.filePath("a.bmp"), 7);
        if (xfce) { // each monitor by its output's name; the unnamed old property is the primary's
            const QString b = writeComposedFile(m_dir.filePath("b.bmp"), 8);
            QVERIFY2(backend->applyEach(twoMonitors(a, b), &error), qPrintable(error));
            QCOMPARE(QStringList({setting(schema, keys[0]), setting(schema, keys[1])}),
                     QStringList({b, a}));
            return;
        }
        // A canvas spans the monitors; the user's placement comes back after.
        setting(schema, "picture-options", "'scaled'");
        QVERIFY2(backend->applySpanning(a, QImage(), &error), qPrintable(error));
        QCOMPARE(setting(schema, "picture-options"), QStringLiteral("spanned"));
        QVERIFY2(backend->apply(a, QImage(), &error), qPrintable(error));
        QCOMPARE(setting(schema, "picture-options"), QStringLiteral("scaled"));
    }

    // The desktop script run on four Plasma desktops (screens 0, 1, 2 and none):
    // any text reaches them as the image plugin's picture, as data, and each
    // finds its screen's picture by the screen's place, else by Plasma's
    // number, else takes the primary's.
    void kdeScript() {
        if (!QFile::exists(m_bin + "/node"))
            QSKIP("node is needed to run the desktop scripts");
        const auto shown = [](const QStringList &urls, const QList<QRect> &screens) {
            const QString run =
                "const calls = [], places = [{x: 1920, y: 0, width: 1080, height: 1920},\n"
                "{x: 0, y: 0, width: 1920, height: 1080}], screenGeometry = s => places[s] || {};\n"
                "const image = 'org.kde.image,Wallpaper,org.kde.image,General,Image';\n"
                "function writeConfig(k, v) {\n"
                "  const at = [this.wallpaperPlugin, ...this.currentConfigGroup, k];\n"
                "  calls.push(at == image ? v : at.join()); }\n"
                "const desktops = () => [0, 1, 2, -1].map(s => ({screen: s, writeConfig}));\n" +
                KdeBackground::script(urls, screens) +
                "\nprocess.stdout.write(JSON.stringify(calls));\n";
            return QJsonDocument::fromJson(runTool("node", {"-e", run}).toUtf8())
                .toVariant()
                .toStringList();
        };
        // Every quote that could end a literal, each followed by code to run.
        const QString text =
            QStringLiteral("'); require('fs').writeFileSync('%1', 'x'); ('"
                           "\"); require('fs').writeFileSync('%1', 'x'); (\""
                           "`${require('fs').writeFileSync('%1', 'x')}`"
                           "line\nbreak\r\t</script> $(touch %1) \u2028\u2029 壁紙 backslash \\")
                .arg(m_marker);
        // Older JavaScript engines end a line at these even inside a string.
        QVERIFY(!KdeBackground::script({text}, {}).contains(QRegularExpression("[\u2028\u2029]")));
        QCOMPARE(shown({text}, {}), QStringList(4, text));
        QCOMPARE(shown({"a", "b", "c"},
                       {{0, 0, 1920, 1080}, {1920, 0, 1080, 1920}, {-800, 0, 800, 600}}),
                 QStringList({"b", "a", "c", "a"}));
    }
};

QTEST_GUILESS_MAIN(DesktopsTest)
#include "tst_desktops.moc"
