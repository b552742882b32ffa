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
#include <QRegularExpression>
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

// A small BMP, coloured by seed, at folder/MirellWP.bmp.
QString writeComposedFile(const QString &folder, int seed) {
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((seed * 47) % 360, 200, 200));
    const bool saved = QDir().mkpath(folder) && image.save(folder + "/MirellWP.bmp", "BMP");
    return saved ? folder + "/MirellWP.bmp" : QString();
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

    // LXDE, LXQt, sway and Hyprland, twice with the same file: every desktop
    // must get a new path, sway and Hyprland only plain ones.
    void toolsGetExactArgumentsForAnyPath_data() {
        QTest::addColumn<QString>("folderName");
        for (const QString &name : hostileFolderNames)
            QTest::newRow(qPrintable(name)) << name;
    }
    void toolsGetExactArgumentsForAnyPath() {
        QFETCH(QString, folderName);
        const QString folder = m_dir.filePath(folderName), plain = m_dir.filePath("plain/mirell");
        QFile::remove(m_bin + "/calls");
        // Each call appends a record separator and its arguments, NUL-terminated;
        // "ok" is what hyprctl answers.
        for (const char *tool : {"pcmanfm", "pcmanfm-qt", "swaymsg", "hyprctl"})
            writeStub(tool, "printf '%s\\0' '\036' \"$@\" >> \"${0%/*}/calls\"\nprintf ok\n");
        const AliasFile plainAlias(AliasFile::Placement::PlainPath, {plain});
        LxdeBackground lxde;
        LxqtBackground lxqt;
        SwayBackground sway(CommandRunner(), plainAlias);
        HyprlandBackground hyprland(CommandRunner(), plainAlias);
        for (int round = 0; round < 2; ++round) {
            const QString source = writeComposedFile(folder, round);
            for (DesktopBackground *backend :
                 std::initializer_list<DesktopBackground *>{&lxde, &lxqt, &sway, &hyprland}) {
                QString error;
                QVERIFY2(backend->apply(source, QImage(), &error), qPrintable(error));
            }
        }
        QList<QStringList> calls;
        for (const QString &call :
             QString::fromUtf8(contentOf(m_bin + "/calls")).split(u'\036', Qt::SkipEmptyParts))
            calls << call.mid(1).chopped(1).split(u'\0');
        QStringList paths[2]; // per round: what LXDE, LXQt, sway and Hyprland were given
        for (int round = 0; round < 2; ++round) {
            const QList<QStringList> c = calls.mid(round * 6, 6);
            const QStringList &p =
                paths[round] = {c[0].value(0).mid(16), c[1].value(1), c[2].value(3), c[3].value(2)};
            QCOMPARE(c, (QList<QStringList>{{"--set-wallpaper=" + p[0]},
                                            {"--set-wallpaper", p[1]},
                                            {"output", "*", "bg", p[2], "fill"},
                                            {"hyprpaper", "unload", p[3]},
                                            {"hyprpaper", "preload", p[3]},
                                            {"hyprpaper", "wallpaper", "," + p[3]}}));
        }
        // and the second Hyprland round ends by unloading the old picture
        QCOMPARE(calls.mid(12), (QList<QStringList>{{"hyprpaper", "unload", paths[0][3]}}));
        for (int i = 0; i < 4; ++i) {
            QVERIFY(paths[1][i] != paths[0][i]);
            QCOMPARE(contentOf(paths[1][i]), contentOf(folder + "/MirellWP.bmp"));
            QCOMPARE(QFileInfo(paths[1][i]).absolutePath(),
                     i < 2 || AliasFile::isPlainPath(folder) ? folder : plain);
        }
    }

    // Each monitor its own picture, named by output: sway, hyprpaper with
    // preloading, and hyprpaper 0.8, which refuses "preload".
    void eachMonitorByName_data() {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QStringList>("calls"); // %1, %2: the two copies
        QTest::newRow("sway") << "swaymsg" << QByteArray("true")
                              << QStringList{"output DP-1 bg %1 fill",
                                             "output HDMI-A-1 bg %2 fill"};
        QTest::newRow("hyprpaper")
            << "hyprctl" << QByteArray("printf ok")
            << QStringList{"hyprpaper unload %1",         "hyprpaper preload %1",
                           "hyprpaper wallpaper DP-1,%1", "hyprpaper unload %2",
                           "hyprpaper preload %2",        "hyprpaper wallpaper HDMI-A-1,%2"};
        QTest::newRow("hyprpaper 0.8")
            << "hyprctl" << QByteArray("[ -z \"${2##wallpaper}\" ] || printf 'invalid request'")
            << QStringList{"hyprpaper unload %1", "hyprpaper preload %1",
                           "hyprpaper wallpaper DP-1,%1", "hyprpaper wallpaper HDMI-A-1,%2"};
    }
    void eachMonitorByName() {
        QFETCH(QString, tool);
        QFETCH(QByteArray, answer);
        QFETCH(QStringList, calls);
        const QString log = m_bin + "/calls";
        QFile::remove(log);
        writeStub(tool, "echo \"$*\" >> \"${0%/*}/calls\"\n" + answer + "\n");
        const AliasFile alias(AliasFile::Placement::PlainPath, {m_dir.filePath("plain/each")});
        SwayBackground sway(CommandRunner(), alias);
        HyprlandBackground hyprland(CommandRunner(), alias);
        DesktopBackground &backend =
            tool == "swaymsg" ? static_cast<DesktopBackground &>(sway) : hyprland;
        const QString first = writeComposedFile(m_dir.filePath("each"), 1);
        const QString second = m_dir.filePath("each/MirellWP-2.bmp");
        QFile::remove(second);
        QVERIFY(QFile::copy(writeComposedFile(m_dir.filePath("each2"), 2), second));
        QString error;
        QVERIFY2(backend.applyEach({{{"DP-1", {0, 0, 8, 6}, {}, 96}, first, {}},
                                    {{"HDMI-A-1", {8, 0, 6, 8}, {}, 96}, second, {}}},
                                   &error),
                 qPrintable(error));
        const QString made = QString::fromUtf8(contentOf(log));
        // The copies alternate between -a and -b from one row to the next.
        const auto copyOf = [&](const QString &base) {
            const auto match = QRegularExpression("/[^ ,]*/" + base + "-[ab]\\.bmp").match(made);
            return match.captured();
        };
        const QString copies[] = {copyOf("MirellWP"), copyOf("MirellWP-2")};
        QCOMPARE(made.split('\n', Qt::SkipEmptyParts),
                 calls.replaceInStrings("%1", copies[0]).replaceInStrings("%2", copies[1]));
        QCOMPARE(contentOf(copies[0]), contentOf(first));
        QCOMPARE(contentOf(copies[1]), contentOf(second));
    }

    void toolFailuresAreNamed_data() {
        QTest::addColumn<QByteArray>("stub");
        QTest::addColumn<int>("timeout");
        QTest::addColumn<QString>("error");
        QTest::newRow("missing") << QByteArray() << 30000 << "was not found on PATH";
        QTest::newRow("failing") << QByteArray("echo 'no desktop here' >&2\nexit 3\n") << 30000
                                 << "failed with exit code 3: no desktop here";
        QTest::newRow("hanging") << QByteArray("exec /bin/sleep 30\n") << 500
                                 << "did not finish within 0.5 seconds and was stopped";
    }
    void toolFailuresAreNamed() {
        QFETCH(QByteArray, stub);
        QFETCH(int, timeout);
        QFETCH(QString, error);
        QFile::remove(m_bin + "/pcmanfm");
        if (!stub.isEmpty())
            writeStub("pcmanfm", stub);
        QString reported;
        QVERIFY(!LxdeBackground(CommandRunner(timeout))
                     .apply(writeComposedFile("failing", 1), QImage(), &reported));
        QCOMPARE(reported, "LXDE did not take the wallpaper: pcmanfm " + error);
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
        QTest::newRow("XFCE")
            << "xfce4-desktop"
            << QStringList{"/backdrop/screen0/monitorHDMI-1/workspace0/last-image",
                           "/backdrop/screen0/monitor0/image-path"}
            << -1;
    }

    void settingsReadBackAndAnnounced() {
        QFETCH(QString, schema);
        QFETCH(QStringList, keys);
        QFETCH(int, flavour);
        const bool xfce = flavour < 0;
        const std::unique_ptr<DesktopBackground> backend(
            xfce ? static_cast<DesktopBackground *>(new XfceBackground)
                 : new GnomeFamilyBackground(GnomeFamilyBackground::Flavour(flavour)));
        for (const QString &key : keys)
            setting(schema, key, "/usr/share/old.png");
        QProcess watcher;
        watcher.start(xfce ? "xfconf-query" : "gsettings",
                      xfce ? QStringList{"-c", schema, "-m"} : QStringList{"monitor", schema});
        // Another setting, the user's own, must survive. Changing it also tells
        // when the watcher has caught up, since changes are announced in order.
        const QString other = xfce ? "/backdrop/screen0/monitor0/color-style" : "primary-color";
        QString seen, last = setting(schema, other);
        static int pokes = 0;
        const auto catchUp = [&] {
            for (const QDeadlineTimer deadline(20000); setting(schema, other) == last;) {
                setting(schema, other, last = QStringLiteral("#%1").arg(++pokes));
                for (const QDeadlineTimer poke(300); !poke.hasExpired() && !seen.contains(other);)
                    watcher.waitForReadyRead(50), seen += watcher.readAllStandardOutput();
                if (seen.contains(other) || deadline.hasExpired())
                    return seen.contains(other);
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
            QVERIFY2(backend->apply(source, QImage(), &error), qPrintable(error));
            QVERIFY2(catchUp(), "the other setting changed, or the watcher fell silent");
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
                QCOMPARE(QFileInfo(shown).absolutePath(), QFileInfo(source).absolutePath());
                QCOMPARE(contentOf(shown), contentOf(source));
                if (uri) // nothing but ASCII in a stored URI
                    QCOMPARE(QUrl(value, QUrl::StrictMode).toString(QUrl::FullyEncoded), value);
            }
        }
        // Each monitor by its output's name; the unnamed old property is the primary's.
        if (xfce) {
            QString error;
            const QString a = writeComposedFile(m_dir.filePath("xfce-a"), 7);
            const QString b = writeComposedFile(m_dir.filePath("xfce-b"), 8);
            QVERIFY2(static_cast<XfceBackground *>(backend.get())
                         ->applyEach({{{"DP-1", {0, 0, 8, 6}, {}, 96}, a, {}},
                                      {{"HDMI-1", {8, 0, 6, 8}, {}, 96}, b, {}}},
                                     &error),
                     qPrintable(error));
            QCOMPARE(QStringList({setting(schema, keys[0]), setting(schema, keys[1])}),
                     QStringList({b, a}));
        }
        // Across several monitors the canvas spans them; the user's placement
        // comes back with the next single picture.
        if (!xfce) {
            QString error;
            const QString source = writeComposedFile(m_dir.filePath(schema + "/span"), 9);
            setting(schema, "picture-options", "'scaled'");
            QVERIFY2(backend->applySpanning(source, QImage(), &error), qPrintable(error));
            QCOMPARE(setting(schema, "picture-options"), QStringLiteral("spanned"));
            QVERIFY2(backend->apply(source, QImage(), &error), qPrintable(error));
            QCOMPARE(setting(schema, "picture-options"), QStringLiteral("scaled"));
        }
    }

    // Plasma's two desktops, recorded: any text must reach both as the picture
    // of the image plugin, as data, and nothing else may happen.
    void kdeScriptCarriesAnyTextAsData() {
        if (!QFile::exists(m_bin + "/node"))
            QSKIP("node is needed to run the desktop scripts");
        const QString escape =
            QStringLiteral("'); require('fs').writeFileSync('%1', 'x'); ('").arg(m_marker);
        for (const QString &text :
             {escape, QString(escape).replace(u'\'', u'"'),
              QStringLiteral("`${require('fs').writeFileSync('%1', 'x')}`").arg(m_marker),
              "line\nbreak\r\t</script> $(touch " + m_marker +
                  ") \u2028\u2029 壁紙 backslash \\"}) {
            const QString run =
                "const calls = [];\nfunction desktops() { return [0, 1].map(() => ({\n"
                "  writeConfig(k, v) { calls.push([this.wallpaperPlugin, "
                "this.currentConfigGroup, k, v]); }\n})); }\n" +
                KdeBackground::script({text}) + "\nprocess.stdout.write(JSON.stringify(calls));\n";
            const QJsonArray one{"org.kde.image",
                                 QJsonArray{"Wallpaper", "org.kde.image", "General"}, "Image",
                                 text};
            QVERIFY2(QJsonDocument::fromJson(runTool("node", {"-e", run}).toUtf8()).array() ==
                         QJsonArray({one, one}),
                     qPrintable(text));
        }
    }

    // A desktop finds its screen's picture by the screen's place, else by
    // Plasma's number, else takes the primary's.
    void kdeScreensEachTheirOwn() {
        if (!QFile::exists(m_bin + "/node"))
            QSKIP("node is needed to run the desktop scripts");
        const QString run =
            "const calls = [];\nconst places = [[1920, 0, 1080, 1920], [0, 0, 1920, 1080]];\n"
            "function screenGeometry(s) { const p = places[s] || [5, 5, 5, 5];\n"
            "  return {x: p[0], y: p[1], width: p[2], height: p[3]}; }\n"
            "function desktops() { return [0, 1, 2, -1].map(s => ({screen: s,\n"
            "  writeConfig(k, v) { calls.push(v); }\n})); }\n" +
            KdeBackground::script(
                {"a", "b", "c"}, {{0, 0, 1920, 1080}, {1920, 0, 1080, 1920}, {-800, 0, 800, 600}}) +
            "\nprocess.stdout.write(JSON.stringify(calls));\n";
        QCOMPARE(QJsonDocument::fromJson(runTool("node", {"-e", run}).toUtf8()).array(),
                 QJsonArray({"b", "a", "c", "a"}));
    }

    void kdeGetsAFreshCopyEachSwitchAndRefusalIsReported() {
        KdeBackground backend(5000);
        const QString source = writeComposedFile(m_dir.filePath(hostileFolderNames.last()), 1);
        for (int round = 0; round < 2; ++round) {
            QString error;
            QVERIFY2(backend.apply(source, QImage(), &error), qPrintable(error));
            // The percent-encoded URL needs no escapes in the script.
            QCOMPARE(
                contentOf(QUrl(m_shell.scripts.value(round).section(u'"', 1, 1)).toLocalFile()),
                contentOf(source));
        }
        // Plasma reloads only for a new path.
        QVERIFY(m_shell.scripts.size() == 2 && m_shell.scripts[0] != m_shell.scripts[1]);

        QString error;
        m_shell.refusing = true;
        QVERIFY(!backend.apply(source, QImage(), &error));
        QVERIFY2(error.contains("KDE Plasma") && error.contains("Widgets are locked"),
                 qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(DesktopsTest)
#include "tst_desktops.moc"
