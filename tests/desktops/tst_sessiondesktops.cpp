#include "DesktopTestSupport.h"
#include "GnomeFamilyBackground.h"
#include "KdeBackground.h"
#include "XfceBackground.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <QUrl>

using namespace DesktopTest;

namespace {

// A value as the desktop's own tool prints it: gsettings quotes strings,
// with the escapes that the folder names here bring.
QString readBack(const QString &schema, const QString &key) {
    if (schema == "xfce4-desktop")
        return runTool("xfconf-query", {"-c", schema, "-p", key}).chopped(1);
    const QString text = runTool("gsettings", {"get", schema, key}).trimmed();
    QString out;
    for (qsizetype i = 1; i < text.size() - 1; ++i)
        out += text[i] != u'\\' ? text[i] : text[++i] == u'n' ? QChar(u'\n') : text[i];
    return out;
}

void write(const QString &schema, const QString &key, const QString &value) {
    if (schema == "xfce4-desktop")
        runTool("xfconf-query", {"-c", schema, "-p", key, "-n", "-t", "string", "-s", value});
    else
        runTool("gsettings", {"set", schema, key, value});
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

// GNOME, Cinnamon, MATE, XFCE and KDE on a private session bus: the real
// dconf and xfconfd, and a stand-in plasmashell whose scripts run in node.
class SessionDesktopsTest : public QObject {
    Q_OBJECT
    PrivateSession m_session;
    QTemporaryDir m_dir;
    QThread m_serviceThread;
    FakePlasmaShell m_shell;
    const QString m_marker = m_dir.filePath("marker");

    // Plasma's desktops, recorded: any URL must reach both as the picture of
    // the image plugin, as data, and nothing else may happen.
    bool runsAsData(const QString &script, const QString &url) {
        QFile file(m_dir.filePath("run.js"));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write("const calls = [], desks = [0, 1].map(n => ({writeConfig(k, v) {\n"
                   "  calls.push([n, desks[n].wallpaperPlugin, desks[n].currentConfigGroup, k, v]);\n"
                   "}}));\nfunction desktops() { return desks; }\n" +
                   script.toUtf8() + "\nprocess.stdout.write(JSON.stringify(calls));\n");
        file.close();
        const QJsonArray group{"Wallpaper", "org.kde.image", "General"};
        QJsonArray expected;
        for (int n = 0; n < 2; ++n)
            expected << QJsonArray{n, "org.kde.image", group, "Image", url};
        return QJsonDocument::fromJson(runTool("node", {file.fileName()}).toUtf8()).array() ==
               expected;
    }

  private slots:
    void initTestCase();
    void cleanupTestCase();
    void settingsReadBackAndAnnounced_data();
    void settingsReadBackAndAnnounced();
    void kdeScriptCarriesAnyTextAsData();
    void kdeGetsAFreshCopyEachSwitchAndRefusalIsReported();
};

void SessionDesktopsTest::initTestCase() {
    // The service answers from its own thread and connection, so the
    // backend's blocking call really travels over the bus.
    QDBusConnection service = QDBusConnection::connectToBus(m_session.address, "plasma");
    QVERIFY(service.isConnected());
    m_shell.moveToThread(&m_serviceThread);
    m_serviceThread.start();
    QVERIFY(service.registerObject("/PlasmaShell", &m_shell, QDBusConnection::ExportAllSlots));
    QVERIFY(service.registerService("org.kde.plasmashell"));
}

void SessionDesktopsTest::cleanupTestCase() {
    QDBusConnection::disconnectFromBus("plasma");
    m_serviceThread.quit();
    m_serviceThread.wait();
    QVERIFY2(!QFile::exists(m_marker), "a script ran code that came in as a path");
}

void SessionDesktopsTest::settingsReadBackAndAnnounced_data() {
    QTest::addColumn<QString>("schema");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<std::shared_ptr<DesktopBackground>>("backend");
    using G = GnomeFamilyBackground;
    QTest::newRow("GNOME") << "org.gnome.desktop.background"
                           << QStringList{"picture-uri", "picture-uri-dark"}
                           << std::shared_ptr<DesktopBackground>(new G(G::Flavour::Gnome));
    QTest::newRow("Cinnamon") << "org.cinnamon.desktop.background" << QStringList{"picture-uri"}
                              << std::shared_ptr<DesktopBackground>(new G(G::Flavour::Cinnamon));
    QTest::newRow("MATE") << "org.mate.background" << QStringList{"picture-filename"}
                          << std::shared_ptr<DesktopBackground>(new G(G::Flavour::Mate));
    // xfdesktop 4.14 and later read the first, older ones the second.
    QTest::newRow("XFCE") << "xfce4-desktop"
                          << QStringList{"/backdrop/screen0/monitorHDMI-1/workspace0/last-image",
                                         "/backdrop/screen0/monitor0/image-path"}
                          << std::shared_ptr<DesktopBackground>(new XfceBackground());
}

void SessionDesktopsTest::settingsReadBackAndAnnounced() {
    QFETCH(QString, schema);
    QFETCH(QStringList, keys);
    QFETCH(std::shared_ptr<DesktopBackground>, backend);
    const bool xfce = schema == "xfce4-desktop";
    // Another setting, the user's own, must survive; it also tells when the
    // watcher has caught up, since changes are announced in order.
    const QString other = xfce ? "/backdrop/screen0/monitor0/color-style" : "primary-color";
    for (const QString &key : keys)
        write(schema, key, "/usr/share/old.png");
    QProcess watcher;
    watcher.start(xfce ? "xfconf-query" : "gsettings",
                  xfce ? QStringList{"-c", schema, "-m"} : QStringList{"monitor", schema});
    QString seen;
    static int pokes = 0;
    const auto catchUp = [&] {
        for (int i = 0; i < 50; ++i) {
            const QString value = QStringLiteral("#%1").arg(++pokes, 6, 10, QChar(u'0'));
            write(schema, other, value);
            if (waitForOutput(watcher, seen, other, 300) && readBack(schema, other) == value)
                return true;
        }
        return false;
    };
    QVERIFY2(catchUp(), "the settings watcher never reported");

    // The last folder comes twice: the same file again must still be announced.
    const QStringList folders = hostileFolderNames() << hostileFolderNames().last();
    for (int i = 0; i < folders.size(); ++i) {
        const QString source = writeComposedFile(m_dir.filePath(schema + u'/' + folders[i]), i);
        QString error;
        seen.clear();
        QVERIFY2(backend->apply(source, QImage(), &error), qPrintable(error));
        QVERIFY(catchUp());
        for (const QString &key : keys) {
            QVERIFY2(seen.contains(key + (xfce ? "\n" : ":")), qPrintable(key + " silent"));
            const QString value = readBack(schema, key);
            const bool uri = value.startsWith("file:");
            const QString shown = uri ? QUrl(value).toLocalFile() : value;
            QCOMPARE(QFileInfo(shown).absolutePath(), QFileInfo(source).absolutePath());
            QCOMPARE(contentOf(shown), contentOf(source));
            if (uri) // nothing but ASCII in a stored URI
                QCOMPARE(QUrl(value, QUrl::StrictMode).toString(QUrl::FullyEncoded), value);
        }
    }
}

void SessionDesktopsTest::kdeScriptCarriesAnyTextAsData() {
    if (QStandardPaths::findExecutable("node").isEmpty())
        QSKIP("node is needed to run the desktop scripts");
    const QString escape =
        QStringLiteral("'); require('fs').writeFileSync('%1', 'x'); ('").arg(m_marker);
    for (const QString &text :
         {escape, QString(escape).replace(u'\'', u'"'),
          QStringLiteral("`${require('fs').writeFileSync('%1', 'x')}`").arg(m_marker),
          "line\nbreak\r\t</script> $(touch " + m_marker + ") \u2028\u2029 壁紙 backslash \\"})
        QVERIFY2(runsAsData(KdeBackground::script(text), text), qPrintable(text));
}

void SessionDesktopsTest::kdeGetsAFreshCopyEachSwitchAndRefusalIsReported() {
    KdeBackground backend(5000);
    const QString source = writeComposedFile(m_dir.filePath(hostileFolderNames().last()), 1);
    QStringList files;
    for (int round = 0; round < 2; ++round) {
        QString error;
        QVERIFY2(backend.apply(source, QImage(), &error), qPrintable(error));
        const QString script = m_shell.scripts.value(round);
        const QString url = script.section(u'"', 1, 1); // a plain file URL needs no escapes
        QVERIFY2(runsAsData(script, url) || QStandardPaths::findExecutable("node").isEmpty(),
                 qPrintable(script));
        files << QUrl(url).toLocalFile();
        QCOMPARE(contentOf(files.last()), contentOf(source));
    }
    QVERIFY(files[0] != files[1]); // Plasma reloads only for a new path

    QString error;
    m_shell.refusing = true;
    QVERIFY(!backend.apply(source, QImage(), &error));
    QVERIFY2(error.contains("KDE Plasma") && error.contains("Widgets are locked"),
             qPrintable(error));
    QDBusConnection("plasma").unregisterService("org.kde.plasmashell");
    error.clear();
    QVERIFY(!backend.apply(source, QImage(), &error));
    QVERIFY2(error.contains("KDE Plasma"), qPrintable(error));
}

QTEST_GUILESS_MAIN(SessionDesktopsTest)
#include "tst_sessiondesktops.moc"
