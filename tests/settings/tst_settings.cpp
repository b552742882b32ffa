#include "MemorySettingsStore.h"
#include "Settings.h"
#include "SettingsStore.h"
#include "TextForms.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace TextForms;

namespace {

QString decimal(const QString &whole, const QString &fraction) {
    return whole + QLocale::system().decimalPoint() + fraction;
}

PictureList pictures(int count) {
    PictureList list;
    for (int n = 0; n < count; ++n) {
        list.Files.append(QStringLiteral("/pics/%1.jpg").arg(n));
        list.Titles.append(QStringLiteral("%1.jpg").arg(n));
    }
    return list;
}

// The puts so far, as "Section/Key=Value".
QStringList written(const MemorySettingsStore &store) {
    QStringList lines;
    for (const MemorySettingsStore::Put &put : store.puts())
        lines << put.section + '/' + put.key + '=' + put.value;
    return lines;
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray junk() {
    QByteArray bytes(8000, '\0');
    QRandomGenerator random(12345);
    for (char &c : bytes)
        c = char(random.generate());
    return bytes;
}

// QSettings caches the files it has read; a copy under a new name makes sure
// the text really comes from the bytes on disk.
QString copyOf(const QString &path) {
    static int copies = 0;
    const QString copy = path + QStringLiteral(".copy") + QString::number(++copies);
    return QFile::copy(path, copy) ? copy : QString();
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

  private slots:
    void readForms() {
        const bool comma = QLocale::system().decimalPoint() == QLatin1String(",");
        // Under a decimal-comma locale the point only reads through the C fallback.
        for (const auto &[text, expected] : QList<std::pair<QString, std::optional<double>>>{
                 {" -1e3 ", -1000.0},
                 {decimal("10", "5"), 10.5},
                 {"10.5", 10.5},
                 {"1.234,5", comma ? std::optional(1234.5) : std::nullopt},
                 {"abc", std::nullopt},
                 {"inf", std::nullopt}})
            QVERIFY2(parseNumber(text) == expected, qPrintable(text));
        // Halves go to the even neighbour.
        for (const auto &[value, rounded] :
             QList<std::pair<double, double>>{{10.5, 10}, {11.5, 12}, {-2.5, -2}, {2.5001, 3}})
            QCOMPARE(roundHalfEven(value), rounded);
        QCOMPARE(parseInt16(decimal("-32768", "4")), std::optional<qint16>(-32768));
        QCOMPARE(parseInt16("32767.4"), std::optional<qint16>(32767));
        QCOMPARE(parseInt16("32767.5"), std::nullopt); // rounds to 32768
        QCOMPARE(
            QList<std::optional<bool>>({parseBool(" tRuE "), parseBool("-1"), parseBool("0.5"),
                                        parseBool("FALSE"), parseBool("0.0"), parseBool("yes")}),
            QList<std::optional<bool>>({true, true, true, false, false, std::nullopt}));
    }

    void writtenForms() {
        QCOMPARE(versionText(2, 5, 12), "2.05.0012");
        QCOMPARE(versionText(1, 123, 45678), "1.123.45678");
        // Never grouped, so that the text reads back in the same locale.
        QCOMPARE(formatCoord(12345.5), decimal("12345", "5"));
        QCOMPARE(parseNumber(formatCoord(491505)), std::optional(491505.0));
    }

    void readFallsBackToDefaults() {
        MemorySettingsStore store;
        StoredSettings s = readSettings(store);
        QCOMPARE(s.record, Settings());
        QCOMPARE(QList<int>({s.record.MirellTime, s.record.CaptionType, s.record.FontSize,
                             s.storedCurrent}),
                 QList<int>({60, 1, 12, 1}));
        QCOMPARE(s.record.FontName, QString("ＭＳ Ｐゴシック"));
        QVERIFY(!s.top && !s.left);
        QVERIFY(store.puts().isEmpty());
        // Each value out of its key's range falls back to that key's default
        // and disturbs no other.
        for (const auto &[section, key, text] :
             QList<std::array<QString, 3>>{{"Setting", "MirellTime", "7.5"},
                                           {"Caption", "ShowCaption", "-1"},
                                           {"Window", "Top", "1234.5"},
                                           {"Setting", "OrderMode", "3"},
                                           {"Setting", "Current", "70000"},
                                           {"Caption", "CaptionType", "3"},
                                           {"Caption", "Location", "4"},
                                           {"Caption", "FontSize", "30000"},
                                           {"Caption", "FontColor", "99999999999"},
                                           {"Window", "Left", "1e30"}})
            store.set(section, key, text);
        s = readSettings(store);
        QCOMPARE(s.record, Settings({.MirellTime = 8, .ShowCaption = true}));
        QCOMPARE(s.storedCurrent, 1);
        QCOMPARE(s.top, std::optional(1234.5));
        QVERIFY(!s.left);
    }

    void pictureList() {
        MemorySettingsStore store;
        writePictureList(store, pictures(5));
        store.clearPuts();
        writePictureList(store, pictures(2));
        QCOMPARE(written(store), QStringList({"Setting/ListCount=1", "Setting/Files0=/pics/0.jpg",
                                              "Setting/Title0=0.jpg", "Setting/Files1=/pics/1.jpg",
                                              "Setting/Title1=1.jpg"}));
        // Stale entries stay, and the count keeps them out of the next load.
        QCOMPARE(store.value("Setting", "Files4"), "/pics/4.jpg");
        QCOMPARE(readPictureList(store), pictures(2));

        store.set("Setting", "ListCount", "32767");
        QCOMPARE(readPictureList(store).count(), 0);

        store.clearPuts();
        writePictureList(store, PictureList());
        QCOMPARE(written(store), QStringList({"Setting/ListCount=-1"}));
        // A list longer than a load accepts is cut to what loads.
        writePictureList(store, pictures(32768));
        QCOMPARE(store.value("Setting", "ListCount"), "32766");
        QVERIFY(!store.contains("Setting", "Files32767"));
    }

    void settingsWriteInHandlerOrder() {
        const Settings r{.MirellTime = 15,
                         .OrderMode = 2,
                         .Stretch = true,
                         .CaptionType = 2,
                         .CaptionString = "a, \"b\"",
                         .FontName = "IPAGothic",
                         .FontSize = 10,
                         .FontColor = 255,
                         .Location = 3};
        MemorySettingsStore store;
        writeSettings(store, r, 1200, -30);
        writeCurrent(store, 4);
        writeUpdateInfo(store, "/opt/mirell", "2.10.0000");
        QCOMPARE(written(store),
                 QStringList({"Setting/MirellTime=15", "Setting/OrderMode=2",
                              "Setting/Stretch=True", "Window/Top=1200", "Window/Left=-30",
                              "Caption/ShowCaption=False", "Caption/CaptionType=2",
                              "Caption/CaptionString=a, \"b\"", "Caption/FontName=IPAGothic",
                              "Caption/FontSize=10", "Caption/FontColor=255", "Caption/Location=3",
                              "Setting/Current=4", "UpdateInfo/ApplicationPath=/opt/mirell",
                              "UpdateInfo/CurrentVersion=2.10.0000"}));
    }

    void fileTextComesBackAsText() {
        const QStringList texts = {
            "C:\\壁紙\\a, \"b\",c.jpg", "  blanks around  ",   "@at",     "@Variant(x)",
            "line\nbreak\r\nend",       "'single' \"double\"", "a;b=c#d", ""};
        const QString file = path("trip.ini");
        writeFile(file, "[Setting]\nFiles0=a, b\nFiles2=@ByteArray(bytes)\nFiles3=@Invalid()\n"
                        "Files4=@Rect(1 2 3 4)\nMirellTime = 45 \n");
        {
            // Values edited by hand that QSettings would read as lists or objects.
            QSettingsStore store(file);
            QCOMPARE(store.get("Setting", "Files0", "d"), "a, b");
            QCOMPARE(store.get("Setting", "Files2", "d"), "bytes");
            QCOMPARE(store.get("Setting", "Files3", "d"), "d");
            QCOMPARE(store.get("Setting", "Files4", "d"), "d");
            QCOMPARE(readSettings(store).record.MirellTime, 45);
            for (int i = 0; i < texts.size(); ++i)
                store.put("Caption", QString("Text%1").arg(i), texts[i]);
            QVERIFY(store.sync());
        }
        const QSettingsStore reread(copyOf(file));
        for (int i = 0; i < texts.size(); ++i)
            QCOMPARE(reread.get("Caption", QString("Text%1").arg(i), "default"), texts[i]);
    }

    void damagedFileGivesDefaults() {
        const QString garbage = path("junk.ini"), folder = path("folder.ini");
        writeFile(garbage, junk());
        QVERIFY(QDir().mkpath(folder));
        for (const QString &file : {garbage, folder}) {
            QSettingsStore store(file);
            QCOMPARE(readSettings(store).record, Settings());
            QCOMPARE(readPictureList(store).count(), 0);
            store.put("Setting", "MirellTime", "7");
            // Junk is ours to replace; a folder cannot be written over.
            QCOMPARE(store.sync(), file == garbage);
        }
        QCOMPARE(readSettings(QSettingsStore(copyOf(garbage))).record.MirellTime, 7);

        // The parse error of the garbage must hide neither a later write
        // failure nor a later success.
        writeFile(garbage, junk());
        QSettingsStore store(garbage);
        readSettings(store);
        QVERIFY(QFile::remove(garbage));
        QVERIFY(QDir().mkdir(garbage));
        store.put("Setting", "Current", "3");
        QVERIFY(!store.sync());
        QVERIFY(QDir().rmdir(garbage));
        QVERIFY(store.sync()); // the pending change is retried
        QCOMPARE(QSettingsStore(copyOf(garbage)).get("Setting", "Current", ""), "3");
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
