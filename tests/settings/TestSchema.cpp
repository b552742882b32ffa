#include "MemorySettingsStore.h"
#include "Settings.h"
#include "SettingsStore.h"
#include "TextForms.h"

#include <QTest>

using Put = MemorySettingsStore::Put;

namespace {

PictureList pictures(int count) {
    PictureList list;
    for (int n = 0; n < count; ++n) {
        list.Files.append(QStringLiteral("/pics/%1.jpg").arg(n));
        list.Titles.append(QStringLiteral("%1.jpg").arg(n));
    }
    return list;
}

// Every loaded field by the key it comes from, as text, so one table can
// cover every key.
QMap<QString, QString> loaded(const StoredSettings &s) {
    const Settings &r = s.record;
    const auto number = [](std::optional<double> v) {
        return v ? QString::number(*v) : QString("none");
    };
    return {{"Top", number(s.top)},
            {"Left", number(s.left)},
            {"MirellTime", QString::number(r.MirellTime)},
            {"OrderMode", QString::number(r.OrderMode)},
            {"Current", QString::number(s.storedCurrent)},
            {"Stretch", TextForms::formatBool(r.Stretch)},
            {"ShowCaption", TextForms::formatBool(r.ShowCaption)},
            {"CaptionType", QString::number(r.CaptionType)},
            {"FontSize", QString::number(r.FontSize)},
            {"FontColor", QString::number(r.FontColor)},
            {"Location", QString::number(r.Location)}};
}

} // namespace

class TestSchema : public QObject {
    Q_OBJECT
  private slots:
    void emptyStoreGivesDefaults() {
        MemorySettingsStore store;
        const StoredSettings s = readSettings(store);
        QCOMPARE(s.record, Settings());
        QCOMPARE(QList<int>({s.record.MirellTime, s.record.CaptionType, s.record.FontSize,
                             s.storedCurrent}),
                 QList<int>({60, 1, 12, 1}));
        QCOMPARE(s.record.FontName, QString("ＭＳ Ｐゴシック"));
        QVERIFY(!s.top && !s.left);
        QCOMPARE(readPictureList(store).count(), 0);
        QVERIFY(store.puts().isEmpty());
    }

    void storedValues_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *section, const char *key, const char *text,
                            const char *expected) {
            QTest::addRow("%s=%s", key, text) << section << key << text << expected;
        };
        row("Setting", "Stretch", "0", "False");
        row("Setting", "Stretch", "maybe", "False");
        row("Caption", "ShowCaption", "-1", "True");
        row("Setting", "MirellTime", "7.5", "8");
        row("Setting", "MirellTime", "40000", "60");
        row("Setting", "OrderMode", "3", "0");
        row("Setting", "Current", "70000", "1");
        row("Caption", "CaptionType", "3", "1");
        row("Caption", "Location", "4", "0");
        row("Caption", "FontSize", "30000", "12");
        row("Caption", "FontColor", "99999999999", "0");
        row("Window", "Top", "1234.5", "1234.5");
        row("Window", "Left", "1e30", "none");
    }
    void storedValues() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        MemorySettingsStore store;
        store.set(section, key, text);
        QMap<QString, QString> fields = loaded(readSettings(store));
        QVERIFY(fields.contains(key));
        QCOMPARE(fields.take(key), expected);
        // One damaged key never disturbs the others.
        QMap<QString, QString> defaults = loaded(readSettings(MemorySettingsStore()));
        defaults.remove(key);
        QCOMPARE(fields, defaults);
    }

    void listCountBoundsTheLoad() {
        MemorySettingsStore store;
        const PictureList five = pictures(5);
        writePictureList(store, five);
        store.set("Setting", "ListCount", "2");
        store.set("Setting", "Title1", "");
        PictureList expected = pictures(3);
        expected.Titles[1].clear();
        QCOMPARE(readPictureList(store), expected);

        for (const char *damaged : {"-5", "32767", "forty"}) {
            store.set("Setting", "ListCount", damaged);
            QVERIFY2(readPictureList(store).count() == 0, damaged);
        }
    }

    void pictureListWrites() {
        MemorySettingsStore store;
        writePictureList(store, pictures(5));
        store.clearPuts();
        writePictureList(store, pictures(2));
        const QList<Put> expected = {{"Setting", "ListCount", "1"},
                                     {"Setting", "Files0", "/pics/0.jpg"},
                                     {"Setting", "Title0", "0.jpg"},
                                     {"Setting", "Files1", "/pics/1.jpg"},
                                     {"Setting", "Title1", "1.jpg"}};
        QCOMPARE(store.puts(), expected);
        // Stale entries stay, and the count keeps them out of the next load.
        QCOMPARE(store.value("Setting", "Files4"), "/pics/4.jpg");
        QCOMPARE(store.value("Setting", "Title3"), "3.jpg");
        QCOMPARE(readPictureList(store), pictures(2));

        store.clearPuts();
        writePictureList(store, PictureList());
        QCOMPARE(store.puts(), QList<Put>({{"Setting", "ListCount", "-1"}}));
        QCOMPARE(readPictureList(store).count(), 0);
    }

    void overlongListIsCutToWhatLoads() {
        MemorySettingsStore store;
        writePictureList(store, pictures(32768));
        QCOMPARE(store.value("Setting", "ListCount"), "32766");
        QVERIFY(!store.contains("Setting", "Files32767"));
        QCOMPARE(readPictureList(store).count(), 32767);
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
        writeSettings(store, r, 1200.5, -30);
        writeCurrent(store, 4);
        writeUpdateInfo(store, "/opt/mirell", "2.10.0000");
        const QList<Put> expected = {{"Setting", "MirellTime", "15"},
                                     {"Setting", "OrderMode", "2"},
                                     {"Setting", "Stretch", "True"},
                                     {"Window", "Top", TextForms::formatCoord(1200.5)},
                                     {"Window", "Left", "-30"},
                                     {"Caption", "ShowCaption", "False"},
                                     {"Caption", "CaptionType", "2"},
                                     {"Caption", "CaptionString", "a, \"b\""},
                                     {"Caption", "FontName", "IPAGothic"},
                                     {"Caption", "FontSize", "10"},
                                     {"Caption", "FontColor", "255"},
                                     {"Caption", "Location", "3"},
                                     {"Setting", "Current", "4"},
                                     {"UpdateInfo", "ApplicationPath", "/opt/mirell"},
                                     {"UpdateInfo", "CurrentVersion", "2.10.0000"}};
        QCOMPARE(store.puts(), expected);

        const StoredSettings back = readSettings(store);
        QCOMPARE(back.record, r);
        QCOMPARE(back.storedCurrent, 4);
        QCOMPARE(back.top, std::optional(1200.5));
    }
};

int runSchemaTests(int argc, char **argv) {
    TestSchema test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestSchema.moc"
