#include "DesktopTestSupport.h"
#include "GnomeFamilyBackground.h"

#include <QDir>
#include <QImage>
#include <QTest>
#include <QUrl>

using namespace DesktopTest;
using Flavour = GnomeFamilyBackground::Flavour;

// GNOME, Cinnamon and MATE against the real gsettings and dconf on a private
// session bus.
class GsettingsDesktopsTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanup() { qunsetenv("GSETTINGS_SCHEMA_DIR"); }

    void everyPathReadsBack_data();
    void everyPathReadsBack();
    void sameFileTwiceStillChangesTheSetting_data();
    void sameFileTwiceStillChangesTheSetting();
    void olderGnomeWithoutDarkKey();
    void missingSchemaIsARefusal();

  private:
    QString get(const QString &schema, const QString &key);

    std::unique_ptr<PrivateSession> m_session;
    QTemporaryDir m_pictures;
};

namespace {

struct Target {
    Flavour flavour;
    QString schema;
    QString key;
};

const Target targets[] = {
    {Flavour::Gnome, QStringLiteral("org.gnome.desktop.background"), QStringLiteral("picture-uri")},
    {Flavour::Cinnamon, QStringLiteral("org.cinnamon.desktop.background"),
     QStringLiteral("picture-uri")},
    {Flavour::Mate, QStringLiteral("org.mate.background"), QStringLiteral("picture-filename")},
};

// The file a stored value names: a URI for GNOME and Cinnamon, a path for MATE.
QString fileOf(Flavour flavour, const QString &value) {
    if (flavour == Flavour::Mate)
        return value;
    const QUrl url(value, QUrl::StrictMode);
    return url.isValid() && url.isLocalFile() ? url.toLocalFile() : QString();
}

} // namespace

void GsettingsDesktopsTest::initTestCase() {
    m_session = std::make_unique<PrivateSession>();
    QVERIFY2(m_session->isRunning(), "no private dbus-daemon");
    QVERIFY(m_pictures.isValid());
}

QString GsettingsDesktopsTest::get(const QString &schema, const QString &key) {
    bool ok = false;
    const QString value = decodeVariantString(
        runTool(QStringLiteral("gsettings"), {QStringLiteral("get"), schema, key}), &ok);
    return ok ? value : QStringLiteral("<unreadable>");
}

void GsettingsDesktopsTest::everyPathReadsBack_data() {
    QTest::addColumn<int>("target");
    for (int t = 0; t < 3; ++t)
        QTest::newRow(qPrintable(targets[t].schema)) << t;
}

void GsettingsDesktopsTest::everyPathReadsBack() {
    QFETCH(int, target);
    const Target &t = targets[target];
    // The placement is the user's and must survive.
    runTool(QStringLiteral("gsettings"),
            {QStringLiteral("set"), t.schema, QStringLiteral("picture-options"),
             QStringLiteral("centered")});

    GnomeFamilyBackground backend(t.flavour);
    int seed = 0;
    for (const QString &name : hostileFolderNames()) {
        const QString source =
            writeComposedFile(m_pictures.filePath(t.schema + u'/' + name), ++seed);
        QString error;
        QVERIFY2(backend.apply(source, QImage(), &error), qPrintable(error));

        const QString value = get(t.schema, t.key);
        const QString shown = fileOf(t.flavour, value);
        QVERIFY2(!shown.isEmpty(), qPrintable(value));
        QCOMPARE(QFileInfo(shown).absolutePath(), QFileInfo(source).absolutePath());
        QCOMPARE(contentOf(shown), contentOf(source));
        if (t.flavour != Flavour::Mate) // nothing but ASCII in a stored URI
            QVERIFY2(QUrl(value).toString(QUrl::FullyEncoded) == value, qPrintable(value));
        if (t.flavour == Flavour::Gnome)
            QCOMPARE(get(t.schema, QStringLiteral("picture-uri-dark")), value);
    }
    QCOMPARE(get(t.schema, QStringLiteral("picture-options")), QStringLiteral("centered"));
}

void GsettingsDesktopsTest::sameFileTwiceStillChangesTheSetting_data() {
    everyPathReadsBack_data();
}

void GsettingsDesktopsTest::sameFileTwiceStillChangesTheSetting() {
    QFETCH(int, target);
    const Target &t = targets[target];
    const QString source = writeComposedFile(m_pictures.filePath(QStringLiteral("same")), 7);

    QProcess monitor;
    monitor.start(QStringLiteral("gsettings"), {QStringLiteral("monitor"), t.schema, t.key});
    QVERIFY(monitor.waitForStarted());
    // The monitor subscribes some time after it starts: poke until it reports.
    QString seen;
    bool listening = false;
    for (int i = 0; i < 50 && !listening; ++i) {
        const QString marker = QStringLiteral("/marker/%1").arg(i);
        runTool(QStringLiteral("gsettings"),
                {QStringLiteral("set"), t.schema, t.key,
                 t.flavour == Flavour::Mate ? marker : QStringLiteral("file://") + marker});
        listening = waitForOutput(monitor, seen, marker, 300);
    }
    QVERIFY2(listening, "gsettings monitor never reported");

    GnomeFamilyBackground backend(t.flavour);
    QString error;
    for (int round = 0; round < 2; ++round) {
        seen.clear();
        QVERIFY2(backend.apply(source, QImage(), &error), qPrintable(error));
        const QString value = get(t.schema, t.key);
        QVERIFY2(waitForOutput(monitor, seen, value), qPrintable(seen));
    }
    monitor.kill();
    monitor.waitForFinished();
}

void GsettingsDesktopsTest::olderGnomeWithoutDarkKey() {
    // A GNOME before 42: the same schema without picture-uri-dark.
    QTemporaryDir schemas;
    QFile xml(schemas.filePath(QStringLiteral("old.gschema.xml")));
    QVERIFY(xml.open(QIODevice::WriteOnly));
    xml.write(R"(<schemalist>
  <schema id="org.gnome.desktop.background" path="/org/gnome/desktop/background/">
    <key name="picture-uri" type="s"><default>''</default></key>
    <key name="picture-options" type="s"><default>'zoom'</default></key>
  </schema>
</schemalist>
)");
    xml.close();
    int status = -1;
    runTool(QStringLiteral("glib-compile-schemas"), {schemas.path()}, &status);
    QCOMPARE(status, 0);
    qputenv("GSETTINGS_SCHEMA_DIR", QFile::encodeName(schemas.path()));

    const QString source = writeComposedFile(m_pictures.filePath(QStringLiteral("old")), 9);
    GnomeFamilyBackground backend(Flavour::Gnome);
    QString error;
    QVERIFY2(backend.apply(source, QImage(), &error), qPrintable(error));
    const QString shown = fileOf(Flavour::Gnome, get(QStringLiteral("org.gnome.desktop.background"),
                                                     QStringLiteral("picture-uri")));
    QCOMPARE(contentOf(shown), contentOf(source));
}

void GsettingsDesktopsTest::missingSchemaIsARefusal() {
    const QByteArray dataDirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_DIRS", QFile::encodeName(m_pictures.path()));
    const QString source = writeComposedFile(m_pictures.filePath(QStringLiteral("none")), 3);
    GnomeFamilyBackground backend(Flavour::Cinnamon);
    QString error;
    const bool applied = backend.apply(source, QImage(), &error);
    qputenv("XDG_DATA_DIRS", dataDirs);
    QVERIFY(!applied);
    QVERIFY2(error.contains(QStringLiteral("org.cinnamon.desktop.background")), qPrintable(error));
}

QTEST_GUILESS_MAIN(GsettingsDesktopsTest)
#include "tst_gsettingsdesktops.moc"
