#include "DesktopTestSupport.h"
#include "KdeBackground.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusError>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <QUrl>

using namespace DesktopTest;

// Stands in for plasmashell on a private session bus: records every script,
// or refuses it as Plasma does when the widgets are locked.
class FakePlasmaShell : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.PlasmaShell")

  public:
    QStringList scripts() const {
        QMutexLocker lock(&m_mutex);
        return m_scripts;
    }
    void setRefusing(bool refusing) {
        QMutexLocker lock(&m_mutex);
        m_refusing = refusing;
    }

  public slots:
    void evaluateScript(const QString &script) {
        QMutexLocker lock(&m_mutex);
        m_scripts << script;
        if (m_refusing)
            sendErrorReply(QDBusError::Failed, QStringLiteral("Widgets are locked"));
    }

  private:
    mutable QMutex m_mutex;
    QStringList m_scripts;
    bool m_refusing = false;
};

class KdeDesktopTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanupTestCase();
    void scriptCarriesAnyTextAsData();
    void everyDesktopGetsAFreshCopyEachSwitch();
    void refusedOrAbsentPlasmaIsReported();

  private:
    // Runs a script with two stub desktops in node; returns what it did to them.
    QJsonArray evaluate(const QString &script);

    std::unique_ptr<PrivateSession> m_session;
    QTemporaryDir m_dir;
    QThread m_serviceThread;
    FakePlasmaShell *m_shell = nullptr;
    QString m_marker;
};

void KdeDesktopTest::initTestCase() {
    if (QStandardPaths::findExecutable(QStringLiteral("node")).isEmpty())
        QSKIP("node is needed to run the desktop scripts");
    m_session = std::make_unique<PrivateSession>();
    QVERIFY2(m_session->isRunning(), "no private dbus-daemon");
    m_marker = m_dir.filePath(QStringLiteral("marker"));

    // The service answers from its own thread and connection, so the
    // backend's blocking call really travels over the bus.
    QDBusConnection service =
        QDBusConnection::connectToBus(m_session->address(), QStringLiteral("plasma"));
    QVERIFY(service.isConnected());
    m_shell = new FakePlasmaShell;
    m_shell->moveToThread(&m_serviceThread);
    m_serviceThread.start();
    QVERIFY(service.registerObject(QStringLiteral("/PlasmaShell"), m_shell,
                                   QDBusConnection::ExportAllSlots));
    QVERIFY(service.registerService(QStringLiteral("org.kde.plasmashell")));
}

void KdeDesktopTest::cleanupTestCase() {
    QDBusConnection::disconnectFromBus(QStringLiteral("plasma"));
    m_serviceThread.quit();
    m_serviceThread.wait();
    delete m_shell;
    QVERIFY2(!QFile::exists(m_marker), "a script ran code that came in as a path");
}

QJsonArray KdeDesktopTest::evaluate(const QString &script) {
    QFile file(m_dir.filePath(QStringLiteral("run.js")));
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(R"(const calls = [];
function makeDesktop(n) {
  return new Proxy({}, {
    set(t, k, v) { calls.push({desktop: n, op: 'set', key: String(k), value: v}); t[k] = v; return true; },
    get(t, k) {
      if (k === 'writeConfig')
        return (key, value) => calls.push({desktop: n, op: 'writeConfig', key, value, group: t.currentConfigGroup});
      return t[k];
    }
  });
}
function desktops() { return [makeDesktop(0), makeDesktop(1)]; }
)");
    file.write(script.toUtf8());
    file.write("\nprocess.stdout.write(JSON.stringify(calls));\n");
    file.close();
    int status = -1;
    const QString out = runTool(QStringLiteral("node"), {file.fileName()}, &status);
    if (status != 0)
        return {};
    return QJsonDocument::fromJson(out.toUtf8()).array();
}

namespace {

// What a script must do and nothing more: per desktop, the image plugin, its
// configuration group, and the picture.
QJsonArray expectedCalls(const QString &url) {
    const QJsonArray group{"Wallpaper", "org.kde.image", "General"};
    QJsonArray calls;
    for (int n = 0; n < 2; ++n) {
        calls.append(QJsonObject{
            {"desktop", n}, {"op", "set"}, {"key", "wallpaperPlugin"}, {"value", "org.kde.image"}});
        calls.append(QJsonObject{
            {"desktop", n}, {"op", "set"}, {"key", "currentConfigGroup"}, {"value", group}});
        calls.append(QJsonObject{{"desktop", n},
                                 {"op", "writeConfig"},
                                 {"key", "Image"},
                                 {"value", url},
                                 {"group", group}});
    }
    return calls;
}

} // namespace

void KdeDesktopTest::scriptCarriesAnyTextAsData() {
    const QString escape =
        QStringLiteral("'); require('fs').writeFileSync('%1', 'x'); ('").arg(m_marker);
    const QStringList texts = {
        QStringLiteral("file:///home/me/MirellWP-a.bmp"),
        escape,
        QString(escape).replace(u'\'', u'"'),
        QStringLiteral("`${require('fs').writeFileSync('%1', 'x')}`").arg(m_marker),
        QStringLiteral("ends in a backslash \\"),
        QStringLiteral("line\nbreak\r\tand </script> and $(touch %1)").arg(m_marker),
        QStringLiteral("separators ") + QChar(0x2028) + QChar(0x2029) + QStringLiteral(" end"),
        QStringLiteral("壁紙/フォルダ"),
    };
    for (const QString &text : texts)
        QCOMPARE(evaluate(KdeBackground::script(text)), expectedCalls(text));
}

void KdeDesktopTest::everyDesktopGetsAFreshCopyEachSwitch() {
    KdeBackground backend;
    int seed = 0;
    for (const QString &name : hostileFolderNames()) {
        const QString source = writeComposedFile(m_dir.filePath(name), ++seed);
        QStringList urls;
        for (int round = 0; round < 2; ++round) {
            QString error;
            QVERIFY2(backend.apply(source, QImage(), &error), qPrintable(error));
            const QJsonArray calls = evaluate(m_shell->scripts().last());
            const QString url = calls.at(2).toObject().value("value").toString();
            QCOMPARE(calls, expectedCalls(url));
            const QString shown = QUrl(url, QUrl::StrictMode).toLocalFile();
            QCOMPARE(QFileInfo(shown).absolutePath(), QFileInfo(source).absolutePath());
            QCOMPARE(contentOf(shown), contentOf(source));
            urls << url;
        }
        // Plasma reloads only for a new path.
        QVERIFY(urls.at(0) != urls.at(1));
    }
}

void KdeDesktopTest::refusedOrAbsentPlasmaIsReported() {
    const QString source = writeComposedFile(m_dir.filePath(QStringLiteral("refused")), 1);
    KdeBackground backend(5000);
    QString error;
    m_shell->setRefusing(true);
    QVERIFY(!backend.apply(source, QImage(), &error));
    m_shell->setRefusing(false);
    QVERIFY2(error.contains(QStringLiteral("KDE Plasma")) &&
                 error.contains(QStringLiteral("Widgets are locked")),
             qPrintable(error));

    QDBusConnection(QStringLiteral("plasma"))
        .unregisterService(QStringLiteral("org.kde.plasmashell"));
    QVERIFY(!backend.apply(source, QImage(), &error));
    QVERIFY2(error.contains(QStringLiteral("KDE Plasma")), qPrintable(error));
}

QTEST_GUILESS_MAIN(KdeDesktopTest)
#include "tst_kdedesktop.moc"
