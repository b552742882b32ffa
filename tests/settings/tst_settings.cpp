#include "MemorySettingsStore.h"
#include "Settings.h"
#include "TextForms.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>
#include <unistd.h>

using namespace TextForms;

static PictureList pictures(int count) {
    PictureList list;
    for (int n = 0; n < count; ++n) {
        list.Files.append(QStringLiteral("/pics/%1.jpg").arg(n));
        list.Titles.append(QStringLiteral("%1.jpg").arg(n));
    }
    return list;
}

static void writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

static QByteArray bytesOf(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

class TestSettings : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }
    static QString decimal(QString whole, QString part) {
        return whole + QLocale::system().decimalPoint() + part;
    }
    // What parse makes of each text.
    template <typename Parse> static auto parsed(Parse parse, const QStringList &texts) {
        QList<decltype(parse(QString()))> out;
        for (const QString &text : texts)
            out << parse(text);
        return out;
    }

  private slots:
    void readForms() {
        const bool comma = QLocale::system().decimalPoint() == QLatin1String(",");
        // Under a decimal-comma locale the point only reads through the C fallback.
        QCOMPARE(
            parsed(parseNumber, {" -1e3 ", decimal("10", "5"), "10.5", "1.234,5", "abc", "inf"}),
            QList<std::optional<double>>({-1000.0, 10.5, 10.5,
                                          comma ? std::optional(1234.5) : std::nullopt,
                                          std::nullopt, std::nullopt}));
        // Halves go to the even neighbour, which takes 32767.5 out of range.
        QCOMPARE(parsed(parseInt16, {"10.5", "11.5", "-2.5", "2.5001", decimal("-32768", "4"),
                                     "32767.4", "32767.5"}),
                 QList<std::optional<qint16>>({10, 12, -2, 3, -32768, 32767, std::nullopt}));
        QCOMPARE(parsed(parseBool, {" tRuE ", "-1", "0.5", "FALSE", "0.0", "yes"}),
                 QList<std::optional<bool>>({true, true, true, false, false, std::nullopt}));
        QCOMPARE(versionText(2, 5, 12) + versionText(1, 123, 45678), "2.05.00121.123.45678");
        // Never grouped, so that the text reads back in the same locale.
        QCOMPARE(formatCoord(12345.5), decimal("12345", "5"));
        QCOMPARE(parseNumber(formatCoord(491505)), std::optional(491505.0));
    }

    // What is written reads back; a list longer than the program holds is cut,
    // never lost as a whole.
    void writesReadBackAndLongListsAreCut() {
        MemorySettingsStore store;
        const Settings record{15, 2, true, false, 2, "a, \"b\"", "IPA", 10, 255, 3};
        writeSettings(store, record, 1200, -30);
        writeCurrent(store, 4);
        const StoredSettings stored = readSettings(store);
        QCOMPARE(stored.record, record);
        QVERIFY(stored.storedCurrent == 4 && stored.top == 1200 && stored.left == -30);
        QCOMPARE(store.value("Caption", "ShowCaption") + store.value("Setting", "Stretch"),
                 "FalseTrue");
        writePictureList(store, pictures(MaxPictureCount + 1));
        QCOMPARE(store.value("Setting", "ListCount"), "32766");
        QVERIFY(!store.contains("Setting", "Files32767"));
        // "ListCount" bounds the load: stale entries of a longer list stay out.
        const QStringList counts = {"1", "32767", "40000", "-7", "1e12"};
        const int loaded[] = {2, MaxPictureCount, MaxPictureCount, 0, 0};
        for (int i = 0; i < counts.size(); ++i) {
            store.set("Setting", "ListCount", counts[i]);
            QCOMPARE(readPictureList(store), pictures(loaded[i]));
        }
    }

    // Written byte for byte as QSettings writes it, so each reads the other's files.
    void textTripsThroughQSettingsFormat() {
        const QStringList texts = {
            "C:\\壁紙\\a, \"b\",c.jpg",     "  blanks  ", "@at", "@Variant(x)", "a;b=c#d", "",
            "line\nbreak\r\nend\0011\t\\x9"};
        const QString ours = path("ours.ini"), theirs = path("theirs.ini");
        QSettingsStore store(ours);
        QSettings qt(theirs, QSettings::IniFormat);
        for (int i = 0; i < texts.size(); ++i) {
            store.put("Caption", QString(QChar('a' + i)), texts[i]);
            qt.setValue("Caption/" + QString(QChar('a' + i)), texts[i]);
        }
        qt.sync();
        QVERIFY(store.sync());
        QCOMPARE(bytesOf(ours), bytesOf(theirs));
        for (int i = 0; i < texts.size(); ++i)
            QCOMPARE(QSettingsStore(theirs).get("Caption", QString(QChar('a' + i)), ""), texts[i]);
    }

    // Hand-written values read as the text they show; a start and an OK without
    // edits rewrite no line whose value they do not change.
    void handEditedFileKeptByteForByte() {
        for (const auto &[before, list, after] :
             QList<std::tuple<QByteArray, PictureList, QByteArray>>{
                 {"; mine\r\n[Setting]\r\nListCount=2\r\nFiles0=/pics/a,b.png\r\nTitle0=caf\xe9\r\n"
                  "Files1=@ByteArray(b)\r\nTitle1=\"x\" , y; note\r\nFiles2=@Rect(1 2 3 4)\r\n"
                  "Current = 1\r\n\r\n[Caption]\r\nCaptionString=\"open\r\nFontSize=20",
                  PictureList{{"/pics/a,b.png", "b", ""}, {"café", "x, y", ""}},
                  "; mine\r\n[Setting]\r\nListCount=2\r\nFiles0=/pics/a,b.png\r\nTitle0=caf\xe9\r\n"
                  "Files1=@ByteArray(b)\r\nTitle1=\"x\" , y; note\r\nFiles2=\r\nCurrent=3\r\n"
                  "Title2=\r\n\r\n[Caption]\r\nCaptionString=\"open\r\nFontSize=20\r\n\r\n"
                  "[UpdateInfo]\r\nApplicationPath=/opt\r\nCurrentVersion=2.10.0000\r\n"},
                 {"[Setting]\nCurrent=1\nCurrent=2\n[UpdateInfo]\n; end\n",
                  {},
                  "[Setting]\nCurrent=1\nCurrent=3\nListCount=-1\n[UpdateInfo]\n"
                  "ApplicationPath=/opt\nCurrentVersion=2.10.0000\n; end\n"}}) {
            const QString file = path("keep.ini");
            writeFile(file, before);
            QSettingsStore store(file);
            QCOMPARE(readPictureList(store), list);
            writePictureList(store, list);
            writeCurrent(store, 3);
            writeUpdateInfo(store, "/opt", "2.10.0000");
            QVERIFY(store.sync());
            QCOMPARE(bytesOf(file), after);
            QCOMPARE(readSettings(QSettingsStore(file)).record.FontSize, list.count() ? 20 : 12);
        }
    }

    void damagedFileGivesDefaults() {
        // The defaults of an empty store, in the record's field order.
        QCOMPARE(Settings(), Settings({60, 0, false, false, 1, "", "ＭＳ Ｐゴシック", 12, 0, 0}));
        QList<quint32> noise(2000);
        QRandomGenerator(12345).fillRange(noise.data(), noise.size());
        // Each value out of its key's range falls back to that key's default
        // and disturbs no other.
        const QList<std::tuple<QString, QByteArray, Settings, int>> files = {
            {"range.ini",
             "[Setting]\nMirellTime=7.5\nOrderMode=3\nCurrent=70000\n[Window]\nTop=1e30\n"
             "Left=1e30\n[Caption]\nShowCaption=-1\nCaptionType=3\nLocation=4\nFontSize=300\n"
             "FontColor=1e11\nFontSize=30000",
             Settings{.MirellTime = 8, .ShowCaption = true}, 0},
            {"junk.ini", QByteArray(reinterpret_cast<const char *>(noise.data()), 8000), {}, 0},
            {"values.ini",
             "[Setting]\nMirellTime=\"\\x\nOrderMode=@Invalid()\nCurrent=\\\n"
             "Stretch=\xff\xfe\nListCount=\"\n[Caption]\nFontSize=;\nFontColor=@@\n"
             "Location=\"\"\"\nCaptionType=\\0\n[Window]\nTop=\\x\n[UpdateInf",
             {},
             0},
            {"cut.ini", "[Setting]\nListCount=2\nFiles0=/a.jpg\nFiles1=/b\"\nFi", {}, 3},
            {"empty.ini", "", {}, 0},
            {"folder.ini", {}, {}, 0}};
        for (const auto &[name, bytes, record, pictures] : files) {
            const QString file = path(name);
            bytes.isNull() ? void(QDir().mkpath(file)) : writeFile(file, bytes);
            QSettingsStore store(file);
            const StoredSettings s = readSettings(store);
            QCOMPARE(s.record, record);
            QVERIFY(s.storedCurrent == 1 && !s.top && !s.left);
            QCOMPARE(readPictureList(store).count(), pictures);
            writeUpdateInfo(store, "/opt", "7");
            // A folder cannot be written over; the rest is kept and added to.
            QCOMPARE(store.sync(), !bytes.isNull());
            QVERIFY(bytes.isNull() || bytesOf(file).startsWith(bytes));
            QCOMPARE(QSettingsStore(file).get("UpdateInfo", "CurrentVersion", ""),
                     bytes.isNull() ? "" : "7");
        }
    }

    void failedWriteKeepsTheFile() {
        const QString dir = path("small"), file = dir + "/Mirell!.ini";
        QVERIFY(QDir().mkpath(dir));
        if (geteuid() != 0 || mount("tmpfs", QFile::encodeName(dir), "tmpfs", 0, "size=64k") != 0)
            QSKIP("filling a small file system of its own needs root, to mount it");
        const auto unmount = qScopeGuard([&] { umount2(QFile::encodeName(dir), MNT_DETACH); });
        QSettingsStore store(file);
        writePictureList(store, pictures(100));
        QVERIFY(store.sync());
        const QByteArray before = bytesOf(file);
        writeFile(dir + "/filler", QByteArray(60 * 1024, 'x'));
        writePictureList(store, pictures(400));
        QVERIFY(!store.sync());
        QCOMPARE(bytesOf(file), before);
        // The changes stay pending until there is room.
        QVERIFY(QFile::remove(dir + "/filler"));
        QVERIFY(store.sync());
        QCOMPARE(readPictureList(QSettingsStore(file)), pictures(400));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
