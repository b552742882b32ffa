#include "DesktopTestSupport.h"
#include "XfceBackground.h"

#include <QTest>

using namespace DesktopTest;

// XFCE against the real xfconfd on a private session bus.
class XfceDesktopTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QVERIFY2(!m_session.address.isEmpty(), "no private dbus-daemon"); }
    void noPropertiesYetIsARefusal();
    void everyPictureSettingTakesAnyPathAndIsAnnounced();

  private:
    QString query(const QString &property) {
        return runTool("xfconf-query", {"-c", "xfce4-desktop", "-p", property}).trimmed();
    }
    void set(const QString &property, const QString &type, const QString &value) {
        int status = -1;
        runTool("xfconf-query",
                {"-c", "xfce4-desktop", "-p", property, "-n", "-t", type, "-s", value}, &status);
        QCOMPARE(status, 0);
    }

    PrivateSession m_session;
    QTemporaryDir m_pictures;
};

void XfceDesktopTest::noPropertiesYetIsARefusal() {
    const QString source = writeComposedFile(m_pictures.filePath("first"), 1);
    QString error;
    QVERIFY(!XfceBackground().apply(source, QImage(), &error));
    QVERIFY2(error.contains("XFCE"), qPrintable(error));
}

void XfceDesktopTest::everyPictureSettingTakesAnyPathAndIsAnnounced() {
    const QStringList pictures = {"/backdrop/screen0/monitorHDMI-1/workspace0/last-image",
                                  "/backdrop/screen0/monitorHDMI-1/workspace1/last-image",
                                  "/backdrop/screen0/monitoreDP-1/workspace0/last-image",
                                  "/backdrop/screen0/monitor0/image-path"};
    const QString style = "/backdrop/screen0/monitorHDMI-1/workspace0/image-style";
    for (const QString &property : pictures)
        set(property, "string", "/usr/share/old.png");
    set(style, "int", "5");

    QProcess monitor;
    monitor.start("xfconf-query", {"-c", "xfce4-desktop", "-m"});
    QString seen;
    int marker = 0;
    // Changes arrive in order: once a marker shows, everything before it has.
    const auto drain = [&] {
        for (int i = 0; i < 50; ++i) {
            const QString property = QStringLiteral("/marker%1").arg(++marker);
            set(property, "string", "x");
            if (waitForOutput(monitor, seen, property + u'\n', 300))
                return true;
        }
        return false;
    };
    QVERIFY2(drain(), "xfconf-query -m never reported");

    XfceBackground backend;
    // The last folder comes twice: the same path again must still be announced.
    const QStringList folders = hostileFolderNames() << hostileFolderNames().last();
    for (int i = 0; i < folders.size(); ++i) {
        const QString source = writeComposedFile(m_pictures.filePath(folders[i]), i);
        QString error;
        seen.clear();
        QVERIFY2(backend.apply(source, QImage(), &error), qPrintable(error));
        QVERIFY(drain());
        for (const QString &property : pictures) {
            QCOMPARE(query(property), source);
            QVERIFY2(seen.contains(property + u'\n'), qPrintable(property + " silent"));
        }
    }
    QVERIFY(!seen.contains(style));
    QCOMPARE(query(style), QStringLiteral("5"));
    monitor.kill();
    monitor.waitForFinished();
}

QTEST_GUILESS_MAIN(XfceDesktopTest)
#include "tst_xfcedesktop.moc"
