#include "DesktopTestSupport.h"
#include "KdeBackground.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <QUrl>

using namespace DesktopTest;

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

// The desktop script, run in node against two recording desktops: any text
// must reach both as the picture, as data, and nothing else may happen.
class KdeDesktopTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void scriptCarriesAnyTextAsData();
    void busCarriesAFreshCopyEachSwitchAndReportsRefusal();
    void cleanupTestCase();

  private:
    QJsonArray evaluate(const QString &script);
    static QJsonArray expectedCalls(const QString &url);

    PrivateSession m_session;
    QTemporaryDir m_dir;
    QThread m_serviceThread;
    FakePlasmaShell m_shell;
    QString m_marker = m_dir.filePath(QStringLiteral("marker"));
};

void KdeDesktopTest::initTestCase() {
    if (QStandardPaths::findExecutable(QStringLiteral("node")).isEmpty())
        QSKIP("node is needed to run the desktop scripts");
    // The service answers from its own thread and connection, so the
    // backend's blocking call really travels over the bus.
    QDBusConnection service = QDBusConnection::connectToBus(m_session.address, "plasma");
    QVERIFY(service.isConnected());
    m_shell.moveToThread(&m_serviceThread);
    m_serviceThread.start();
    QVERIFY(service.registerObject("/PlasmaShell", &m_shell, QDBusConnection::ExportAllSlots));
    QVERIFY(service.registerService("org.kde.plasmashell"));
}

void KdeDesktopTest::cleanupTestCase() {
    QDBusConnection::disconnectFromBus("plasma");
    m_serviceThread.quit();
    m_serviceThread.wait();
    QVERIFY2(!QFile::exists(m_marker), "a script ran code that came in as a path");
}

QJsonArray KdeDesktopTest::evaluate(const QString &script) {
    QFile file(m_dir.filePath(QStringLiteral("run.js")));
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(R"(const calls = [];
function desktops() {
  return [0, 1].map(n => new Proxy({}, {
    set(t, k, v) { calls.push([n, String(k), v]); t[k] = v; return true; },
    get(t, k) {
      return k === 'writeConfig' ? (key, v) => calls.push([n, t.currentConfigGroup, key, v]) : t[k];
    }
  }));
}
)" + script.toUtf8() +
               "\nprocess.stdout.write(JSON.stringify(calls));\n");
    file.close();
    int status = -1;
    const QString out = runTool("node", {file.fileName()}, &status);
    return status == 0 ? QJsonDocument::fromJson(out.toUtf8()).array() : QJsonArray();
}

// Per desktop: the image plugin, its configuration group, the picture; no more.
QJsonArray KdeDesktopTest::expectedCalls(const QString &url) {
    const QJsonArray group{"Wallpaper", "org.kde.image", "General"};
    QJsonArray calls;
    for (int n = 0; n < 2; ++n)
        calls << QJsonArray{n, "wallpaperPlugin", "org.kde.image"}
              << QJsonArray{n, "currentConfigGroup", group} << QJsonArray{n, group, "Image", url};
    return calls;
}

void KdeDesktopTest::scriptCarriesAnyTextAsData() {
    const QString escape =
        QStringLiteral("'); require('fs').writeFileSync('%1', 'x'); ('").arg(m_marker);
    const QStringList texts = {
        escape, QString(escape).replace(u'\'', u'"'),
        QStringLiteral("`${require('fs').writeFileSync('%1', 'x')}`").arg(m_marker),
        "line\nbreak\r\t</script> $(touch " + m_marker + ") \u2028\u2029 壁紙 backslash \\"};
    for (const QString &text : texts)
        QCOMPARE(evaluate(KdeBackground::script(text)), expectedCalls(text));
}

void KdeDesktopTest::busCarriesAFreshCopyEachSwitchAndReportsRefusal() {
    KdeBackground backend(5000);
    const QString source = writeComposedFile(m_dir.filePath(hostileFolderNames().last()), 1);
    QStringList urls;
    for (int round = 0; round < 2; ++round) {
        QString error;
        QVERIFY2(backend.apply(source, QImage(), &error), qPrintable(error));
        const QJsonArray calls = evaluate(m_shell.scripts.last());
        urls << calls.at(2)[3].toString();
        QCOMPARE(calls, expectedCalls(urls.last()));
        QCOMPARE(contentOf(QUrl(urls.last()).toLocalFile()), contentOf(source));
    }
    QVERIFY(urls.at(0) != urls.at(1)); // Plasma reloads only for a new path

    QString error;
    m_shell.refusing = true;
    QVERIFY(!backend.apply(source, QImage(), &error));
    QVERIFY2(error.contains("KDE Plasma") && error.contains("Widgets are locked"),
             qPrintable(error));
    QDBusConnection(QStringLiteral("plasma")).unregisterService("org.kde.plasmashell");
    error.clear();
    QVERIFY(!backend.apply(source, QImage(), &error));
    QVERIFY2(error.contains("KDE Plasma"), qPrintable(error));
}

QTEST_GUILESS_MAIN(KdeDesktopTest)
#include "tst_kdedesktop.moc"
