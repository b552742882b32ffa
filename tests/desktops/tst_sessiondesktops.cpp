#include "DesktopTestSupport.h"
#include "GnomeFamilyBackground.h"
#include "XfceBackground.h"

#include <QFileInfo>
#include <QTest>
#include <QUrl>

using namespace DesktopTest;
using Flavour = GnomeFamilyBackground::Flavour;
Q_DECLARE_METATYPE(Flavour)

namespace {

QString printed(const QString &schema, const QString &key) {
    return runTool("gsettings", {"get", schema, key}).trimmed();
}

// A string value as gsettings prints it, unquoted; knows the escapes that
// the folder names here bring.
QString get(const QString &schema, const QString &key) {
    const QString text = printed(schema, key);
    QString out;
    for (qsizetype i = 1; i < text.size() - 1; ++i)
        out += text[i] != u'\\' ? text[i] : text[++i] == u'n' ? QChar(u'\n') : text[i];
    return out;
}

QString xfconf(const QString &property, const QStringList &change = {}) {
    return runTool("xfconf-query", QStringList{"-c", "xfce4-desktop", "-p", property} + change)
        .trimmed();
}

// Makes changes through poke(n), which returns what the watcher prints for
// it, until the watcher prints one. Changes arrive in order: the watcher then
// listens and has printed every change made before.
template <typename Poke> bool settle(QProcess &watcher, QString &seen, Poke poke) {
    static int n = 0;
    for (int i = 0; i < 50; ++i) {
        if (waitForOutput(watcher, seen, poke(++n), 300))
            return true;
    }
    return false;
}

} // namespace

// GNOME, Cinnamon, MATE and XFCE against the real dconf and xfconfd on a
// private session bus.
class SessionDesktopsTest : public QObject {
    Q_OBJECT
    PrivateSession m_session;
    QTemporaryDir m_pictures;
    // The last folder comes twice: the same file again must still be announced.
    const QStringList m_folders = hostileFolderNames() << hostileFolderNames().last();

  private slots:
    void gnomeFamilyReadsBackAndAnnouncesAnyPath_data();
    void gnomeFamilyReadsBackAndAnnouncesAnyPath();
    void xfceReadsBackAndAnnouncesAnyPath();
};

void SessionDesktopsTest::gnomeFamilyReadsBackAndAnnouncesAnyPath_data() {
    QTest::addColumn<Flavour>("flavour");
    QTest::addColumn<QString>("schema");
    QTest::newRow("GNOME") << Flavour::Gnome << "org.gnome.desktop.background";
    QTest::newRow("Cinnamon") << Flavour::Cinnamon << "org.cinnamon.desktop.background";
    QTest::newRow("MATE") << Flavour::Mate << "org.mate.background";
}

void SessionDesktopsTest::gnomeFamilyReadsBackAndAnnouncesAnyPath() {
    QFETCH(Flavour, flavour);
    QFETCH(QString, schema);
    const QString key = flavour == Flavour::Mate ? "picture-filename" : "picture-uri";
    // The placement is the user's and must survive.
    runTool("gsettings", {"set", schema, "picture-options", "centered"});
    QProcess monitor;
    monitor.start("gsettings", {"monitor", schema, key});
    QString seen;
    const auto poke = [&](int n) {
        const QString marker = QStringLiteral("/marker/%1").arg(n);
        runTool("gsettings",
                {"set", schema, key, flavour == Flavour::Mate ? marker : "file://" + marker});
        return marker;
    };
    QVERIFY2(settle(monitor, seen, poke), "gsettings monitor never reported");

    GnomeFamilyBackground backend(flavour);
    for (int i = 0; i < m_folders.size(); ++i) {
        const QString source =
            writeComposedFile(m_pictures.filePath(schema + u'/' + m_folders[i]), i);
        QString error;
        seen.clear();
        QVERIFY2(backend.apply(source, QImage(), &error), qPrintable(error));
        QVERIFY2(waitForOutput(monitor, seen, printed(schema, key)), qPrintable(seen));
        const QString value = get(schema, key);
        const QString shown = flavour == Flavour::Mate ? value : QUrl(value).toLocalFile();
        QCOMPARE(QFileInfo(shown).absolutePath(), QFileInfo(source).absolutePath());
        QCOMPARE(contentOf(shown), contentOf(source));
        if (flavour != Flavour::Mate) // nothing but ASCII in a stored URI
            QCOMPARE(QUrl(value, QUrl::StrictMode).toString(QUrl::FullyEncoded), value);
        if (flavour == Flavour::Gnome)
            QCOMPARE(get(schema, "picture-uri-dark"), value);
    }
    QCOMPARE(get(schema, "picture-options"), QStringLiteral("centered"));
    monitor.kill();
    monitor.waitForFinished();
}

void SessionDesktopsTest::xfceReadsBackAndAnnouncesAnyPath() {
    // xfdesktop 4.14 and later read the first, older ones the second.
    const QStringList pictures = {"/backdrop/screen0/monitorHDMI-1/workspace0/last-image",
                                  "/backdrop/screen0/monitor0/image-path"};
    for (const QString &property : pictures)
        xfconf(property, {"-n", "-t", "string", "-s", "/usr/share/old.png"});
    QProcess monitor;
    monitor.start("xfconf-query", {"-c", "xfce4-desktop", "-m"});
    QString seen;
    const auto drain = [&] {
        return settle(monitor, seen, [](int n) {
            const QString property = QStringLiteral("/marker%1").arg(n);
            xfconf(property, {"-n", "-t", "string", "-s", "x"});
            return property + u'\n';
        });
    };
    QVERIFY2(drain(), "xfconf-query -m never reported");

    XfceBackground backend;
    for (int i = 0; i < m_folders.size(); ++i) {
        const QString source = writeComposedFile(m_pictures.filePath(m_folders[i]), i);
        QString error;
        seen.clear();
        QVERIFY2(backend.apply(source, QImage(), &error), qPrintable(error));
        QVERIFY(drain());
        for (const QString &property : pictures) {
            QCOMPARE(xfconf(property), source);
            QVERIFY2(seen.contains(property + u'\n'), qPrintable(property + " silent"));
        }
    }
    monitor.kill();
    monitor.waitForFinished();
}

QTEST_GUILESS_MAIN(SessionDesktopsTest)
#include "tst_sessiondesktops.moc"
