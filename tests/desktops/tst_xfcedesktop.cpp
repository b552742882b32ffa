#include "DesktopTestSupport.h"
#include "XfceBackground.h"

#include <QImage>
#include <QTest>

using namespace DesktopTest;

// XFCE against the real xfconfd on a private session bus.
class XfceDesktopTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void noPropertiesYetIsARefusal();
    void everyPictureSettingTakesAnyPath();
    void sameFileTwiceIsAnnounced();

  private:
    QString query(const QString &property);
    void set(const QString &property, const QString &type, const QString &value);

    std::unique_ptr<PrivateSession> m_session;
    QTemporaryDir m_pictures;
    const QStringList m_pictureProperties = {
        QStringLiteral("/backdrop/screen0/monitorHDMI-1/workspace0/last-image"),
        QStringLiteral("/backdrop/screen0/monitorHDMI-1/workspace1/last-image"),
        QStringLiteral("/backdrop/screen0/monitoreDP-1/workspace0/last-image"),
        QStringLiteral("/backdrop/screen0/monitor0/image-path"),
    };
    const QString m_style =
        QStringLiteral("/backdrop/screen0/monitorHDMI-1/workspace0/image-style");
};

void XfceDesktopTest::initTestCase() {
    m_session = std::make_unique<PrivateSession>();
    QVERIFY2(m_session->isRunning(), "no private dbus-daemon");
    QVERIFY(m_pictures.isValid());
}

QString XfceDesktopTest::query(const QString &property) {
    QString value = runTool(
        QStringLiteral("xfconf-query"),
        {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"), QStringLiteral("-p"), property});
    if (value.endsWith(u'\n'))
        value.chop(1);
    return value;
}

void XfceDesktopTest::set(const QString &property, const QString &type, const QString &value) {
    int status = -1;
    runTool(QStringLiteral("xfconf-query"),
            {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"), QStringLiteral("-p"), property,
             QStringLiteral("-n"), QStringLiteral("-t"), type, QStringLiteral("-s"), value},
            &status);
    QCOMPARE(status, 0);
}

void XfceDesktopTest::noPropertiesYetIsARefusal() {
    const QString source = writeComposedFile(m_pictures.filePath(QStringLiteral("first")), 1);
    XfceBackground backend;
    QString error;
    QVERIFY(!backend.apply(source, QImage(), &error));
    QVERIFY2(error.contains(QStringLiteral("XFCE")), qPrintable(error));
}

void XfceDesktopTest::everyPictureSettingTakesAnyPath() {
    for (const QString &property : m_pictureProperties)
        set(property, QStringLiteral("string"), QStringLiteral("/usr/share/old.png"));
    set(m_style, QStringLiteral("int"), QStringLiteral("5"));

    XfceBackground backend;
    int seed = 0;
    for (const QString &name : hostileFolderNames()) {
        const QString source = writeComposedFile(m_pictures.filePath(name), ++seed);
        QString error;
        QVERIFY2(backend.apply(source, QImage(), &error), qPrintable(error));
        for (const QString &property : m_pictureProperties)
            QCOMPARE(query(property), source);
    }
    QCOMPARE(query(m_style), QStringLiteral("5"));
}

void XfceDesktopTest::sameFileTwiceIsAnnounced() {
    const QString source = writeComposedFile(m_pictures.filePath(QStringLiteral("same")), 4);
    QProcess monitor;
    monitor.start(QStringLiteral("xfconf-query"),
                  {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"), QStringLiteral("-m")});
    QVERIFY(monitor.waitForStarted());
    QString seen;
    int marker = 0;
    // Changes arrive in order: once a marker shows, everything before it has.
    auto drain = [&] {
        for (int i = 0; i < 50; ++i) {
            const QString property = QStringLiteral("/marker%1").arg(++marker);
            set(property, QStringLiteral("string"), QStringLiteral("x"));
            if (waitForOutput(monitor, seen, property + u'\n', 300))
                return true;
        }
        return false;
    };
    QVERIFY2(drain(), "xfconf-query -m never reported");

    XfceBackground backend;
    QString error;
    QVERIFY2(backend.apply(source, QImage(), &error), qPrintable(error));
    QVERIFY(drain());
    seen.clear();
    QVERIFY2(backend.apply(source, QImage(), &error), qPrintable(error));
    QVERIFY(drain());
    for (const QString &property : m_pictureProperties)
        QVERIFY2(seen.contains(property + u'\n'), qPrintable(property + QStringLiteral(" silent")));
    QVERIFY(!seen.contains(m_style));
    monitor.kill();
    monitor.waitForFinished();
}

QTEST_GUILESS_MAIN(XfceDesktopTest)
#include "tst_xfcedesktop.moc"
