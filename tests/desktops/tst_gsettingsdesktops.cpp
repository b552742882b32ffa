#include "DesktopTestSupport.h"
#include "GnomeFamilyBackground.h"

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

// A string value as gsettings prints it, unquoted.
QString get(const QString &schema, const QString &key) {
    const QString text = printed(schema, key);
    if (text.size() < 2 || !QString("'\"").contains(text.front()) || text.back() != text.front())
        return "<unreadable: " + text + ">";
    QString out;
    for (qsizetype i = 1; i < text.size() - 1; ++i) {
        QChar c = text.at(i);
        if (c == u'\\') {
            c = text.at(++i);
            if (const qsizetype simple = QString("abfnrtv").indexOf(c); simple >= 0)
                c = QString("\a\b\f\n\r\t\v").at(simple);
        }
        out += c;
    }
    return out;
}

} // namespace

// GNOME, Cinnamon and MATE against the real gsettings and dconf on a private
// session bus.
class GsettingsDesktopsTest : public QObject {
    Q_OBJECT

  private slots:
    void everyPathReadsBackAndIsAnnounced_data();
    void everyPathReadsBackAndIsAnnounced();

  private:
    PrivateSession m_session;
    QTemporaryDir m_pictures;
};

void GsettingsDesktopsTest::everyPathReadsBackAndIsAnnounced_data() {
    QTest::addColumn<Flavour>("flavour");
    QTest::addColumn<QString>("schema");
    QTest::addColumn<QString>("key");
    QTest::newRow("GNOME") << Flavour::Gnome << "org.gnome.desktop.background"
                           << "picture-uri";
    QTest::newRow("Cinnamon") << Flavour::Cinnamon << "org.cinnamon.desktop.background"
                              << "picture-uri";
    QTest::newRow("MATE") << Flavour::Mate << "org.mate.background"
                          << "picture-filename";
}

void GsettingsDesktopsTest::everyPathReadsBackAndIsAnnounced() {
    QFETCH(Flavour, flavour);
    QFETCH(QString, schema);
    QFETCH(QString, key);
    QVERIFY2(!m_session.address.isEmpty(), "no private dbus-daemon");
    // The placement is the user's and must survive.
    runTool("gsettings", {"set", schema, "picture-options", "centered"});
    QProcess monitor;
    monitor.start("gsettings", {"monitor", schema, key});
    // The monitor subscribes some time after it starts: poke until it reports.
    QString seen;
    bool listening = false;
    for (int i = 0; i < 50 && !listening; ++i) {
        const QString marker = QStringLiteral("/marker/%1").arg(i);
        runTool("gsettings",
                {"set", schema, key, flavour == Flavour::Mate ? marker : "file://" + marker});
        listening = waitForOutput(monitor, seen, marker, 300);
    }
    QVERIFY2(listening, "gsettings monitor never reported");

    GnomeFamilyBackground backend(flavour);
    const QStringList folders = hostileFolderNames() << hostileFolderNames().last();
    for (int i = 0; i < folders.size(); ++i) {
        // The last folder comes twice: the same file again must still be announced.
        const QString source =
            writeComposedFile(m_pictures.filePath(schema + u'/' + folders[i]), i);
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

QTEST_GUILESS_MAIN(GsettingsDesktopsTest)
#include "tst_gsettingsdesktops.moc"
