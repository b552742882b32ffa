#include "DataTable.h"
#include "IniSettingsStore.h"
#include "MemorySettingsStore.h"
#include "Settings.h"
#include "TextForms.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

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

static constexpr int None = std::numeric_limits<int>::min();
template <typename T> static int orNone(std::optional<T> value) {
    return value ? int(*value) : None;
}

class TestSettings : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

  private slots:
    // Each text as a 16-bit whole number (halves to even; None when it is no
    // number or does not fit) and as a truth value (1, 0, or None).
    void parsesText_data() {
        const auto row = addColumns<QString, int, int>({"text", "whole", "truth"});
        row("blanks, exponent", " -1e3 ", -1000, 1);
        row("half down to even", "10.5", 10, 1);
        row("half up to even", "11.5", 12, 1);
        row("negative half", "-2.5", -2, 1);
        row("just above half", "2.5001", 3, 1);
        row("lowest", "-32768.4", -32768, 1);
        row("rounds out of range", "32767.5", None, 1);
        row("zero", "0.0", 0, 0);
        row("any case", " tRuE ", None, 1);
        row("false", "FALSE", None, 0);
        row("word", "yes", None, None);
        row("infinity", "inf", None, None);
    }
    void parsesText() {
        QFETCH(QString, text);
        QTEST(orNone(parseInt16(text)), "whole");
        QTEST(orNone(parseBool(text)), "truth");
    }

    // Whatever the user's locale: its own forms read back, older copies' forms
    // (the locale's, even where it cannot read them itself) read, and what is
    // written now reads in older copies (the locale first, then plain C).
    void numbersInEveryLocale() {
        // -1200.5 is grouped in thousands where the locale groups.
        for (const double value : {-30.0, -1200.5})
            for (QLocale locale : QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript,
                                                           QLocale::AnyTerritory)) {
                const QString grouped = locale.toString(value, 'f', 1);
                locale.setNumberOptions(QLocale::OmitGroupSeparator);
                const QString older = locale.toString(value, 'g', 7),
                              ours = formatCoord(value, locale);
                for (const QString &text : {grouped, older})
                    QVERIFY2(parseNumber(text, locale) == value,
                             qPrintable(locale.name() + " " + text));
                bool ok = false;
                double back = locale.toDouble(ours, &ok);
                back = ok ? back : QLocale::c().toDouble(ours, &ok);
                QVERIFY2(ok && back == value, qPrintable(locale.name() + " " + ours));
            }
    }

    // A list longer than the program holds is cut, never lost as a whole, and
    // "ListCount" bounds the load: stale entries of a longer list stay out.
    void listCountBoundsTheLoad() {
        MemorySettingsStore store;
        writePictureList(store, pictures(MaxPictureCount + 1));
        QVERIFY(!store.contains("Setting", "Files32767"));
        QCOMPARE(readPictureList(store), pictures(MaxPictureCount));
        QList<int> loaded;
        for (const char *listCount : {"1", "40000", "-7", "1e12"}) {
            store.set("Setting", "ListCount", listCount);
            loaded << readPictureList(store).count();
        }
        QCOMPARE(loaded, QList<int>({2, MaxPictureCount, 0, 0}));
    }

    // Any text reads back as it was put, under any name. QSettings writes the
    // same bytes for a text (UTF-8 can hold) and reads what we write.
    void everyValueReadsBack() {
        const QString alphabet = QStringLiteral("a1x/\\\"' ;=,@%[]#\t\r\n\u0001\u007F\uFEFFé壁") +
                                 QChar(0) + QChar(0xD800) + QChar(0xDC00);
        QRandomGenerator random(2026);
        const auto text = [&](int least, qsizetype letters) {
            QString out;
            for (int n = least + random.bounded(8); n > 0; --n)
                out += alphabet[random.bounded(int(letters))];
            return out;
        };
        QMap<QString, QString> named, numbered; // sorted, as QSettings writes keys
        for (int n = 0; n < 300; ++n) {
            named.insert(text(1, alphabet.size()), text(0, alphabet.size()));
            numbered.insert(QString::asprintf("k%03d", n), text(0, alphabet.size() - 2));
        }
        for (const auto &[file, map] : {std::pair("named.ini", named), {"ours.ini", numbered}}) {
            IniSettingsStore store(path(file));
            for (auto it = map.cbegin(); it != map.cend(); ++it)
                store.put("Caption", it.key(), it.value());
        }
        QSettings qt(path("qt.ini"), QSettings::IniFormat);
        for (auto it = numbered.cbegin(); it != numbered.cend(); ++it)
            qt.setValue("Caption/" + it.key(), it.value());
        qt.sync();
        // QSettings ends Windows lines with CR LF; the store writes one form everywhere.
        QCOMPARE(bytesOf(path("ours.ini")), bytesOf(path("qt.ini")).replace("\r\n", "\n"));
        for (const auto &[file, map] : {std::pair("named.ini", named), {"qt.ini", numbered}}) {
            const IniSettingsStore store(path(file));
            for (auto it = map.cbegin(); it != map.cend(); ++it)
                QCOMPARE(store.get("Caption", it.key(), "absent"), it.value());
        }
    }

    // A start and an OK without edits rewrite no line whose value they do not
    // change; hand-written values read as the text they show.
    void handEditedFileKeptByteForByte() {
        const QString file = path("keep.ini");
        const PictureList list{{"/pics/a,b.png", "b", ""}, {"café", "x, y", ""}};
        writeFile(file, "; mine\r\n[Setting]\r\nListCount=2\r\nFiles0=/pics/a,b.png\r\n"
                        "Title0=caf\xe9\r\nFiles1=@ByteArray(b)\r\nTitle1=\"x\" , y; note\r\n"
                        "Files2=@Rect(1 2 3 4)\r\nCurrent = 1\r\n\r\n[Caption]\r\n"
                        "CaptionString=\"open\r\nFontSize=20");
        IniSettingsStore store(file);
        QCOMPARE(readPictureList(store), list);
        writePictureList(store, list);
        writeCurrent(store, 3);
        writeUpdateInfo(store, "/opt", "2.10.0000");
        QVERIFY(store.sync());
        QCOMPARE(bytesOf(file),
                 QByteArray("; mine\r\n[Setting]\r\nListCount=2\r\nFiles0=/pics/a,b.png\r\n"
                            "Title0=caf\xe9\r\nFiles1=@ByteArray(b)\r\nTitle1=\"x\" , y; note\r\n"
                            "Files2=\r\nCurrent=3\r\nTitle2=\r\n\r\n[Caption]\r\n"
                            "CaptionString=\"open\r\nFontSize=20\r\n\r\n[UpdateInfo]\r\n"
                            "ApplicationPath=/opt\r\nCurrentVersion=2.10.0000\r\n"));
        QCOMPARE(readSettings(IniSettingsStore(file)).record.FontSize, 20);
    }

    // A value out of its key's range falls back to that key's default and
    // disturbs no other.
    void damagedFileGivesDefaults_data() {
        const auto row = addColumns<QByteArray, Settings>({"bytes", "record"});
        QList<quint32> noise(2000);
        QRandomGenerator(12345).fillRange(noise.data(), noise.size());
        row("out of range",
            "[Setting]\nMirellTime=7.5\nOrderMode=3\nCurrent=70000\nMonitorMode=3\n"
            "[Window]\n"
            "Top=1e30\nLeft=1e30\n[Caption]\nShowCaption=-1\nCaptionType=3\n"
            "Location=4\nFontSize=300\nFontColor=1e11\nFontSize=30000",
            {.MirellTime = 8, .ShowCaption = true});
        row("noise", QByteArray(reinterpret_cast<const char *>(noise.data()), 8000),
            {60, 0, false, false, 1, "", "ＭＳ Ｐゴシック", 12, 0, 0});
        row("cut off", "[Setting]\nListCount=2\nFiles0=/a\nFiles1=/b\"\nFi", {});
    }
    void damagedFileGivesDefaults() {
        QFETCH(QByteArray, bytes);
        const QString file = path(QTest::currentDataTag());
        writeFile(file, bytes);
        IniSettingsStore store(file);
        const StoredSettings s = readSettings(store);
        QTEST(s.record, "record");
        QVERIFY(s.storedCurrent == 1 && !s.top && !s.left);
        // The rest is kept and added to.
        writeUpdateInfo(store, "/opt", "7");
        QVERIFY(store.sync());
        QVERIFY(bytesOf(file).startsWith(bytes));
        QCOMPARE(IniSettingsStore(file).get("UpdateInfo", "CurrentVersion", ""), "7");
    }

    // What is not a regular file, or is far too large, is neither read (a FIFO
    // would hold the start) nor replaced.
    void refusesWhatIsNoSettingsFile_data() {
        const auto row = addColumns<QString>({"file"});
        const QString big = path("big.ini"), fifo = path("fifo.ini");
        writeFile(big, "[Setting]\nMirellTime=5\n");
        QVERIFY(QFile::resize(big, 64 * 1024 * 1024 + 1) && QDir().mkpath(path("folder.ini")));
        row("folder", path("folder.ini"));
        row("over 64 MB", big);
        // Windows has neither.
        if (QSysInfo::productType() == "windows")
            return;
        QVERIFY(QProcess::execute("mkfifo", {fifo}) == 0);
        row("FIFO", fifo);
    }
    void refusesWhatIsNoSettingsFile() {
        QFETCH(QString, file);
        const QFileInfo was(file);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("left alone"));
        IniSettingsStore store(file);
        QCOMPARE(readSettings(store).record, Settings{});
        store.put("Setting", "MirellTime", "6");
        QVERIFY(!store.sync());
        const QFileInfo now(file);
        QVERIFY(now.size() == was.size() && now.isFile() == was.isFile());
    }

    // What is saved reads back; another program's change made between our
    // load and our save survives an OK that does not change that key.
    void anotherWritersChangeSurvives() {
        const QString file = path("shared.ini");
        Settings record{15, 2, true, false, 2, "a, \"b\"", "IPA", 10, 255, 3};
        IniSettingsStore first(file);
        writeSettings(first, record, 1200, -30);
        writeCurrent(first, 4);
        QVERIFY(first.sync());
        IniSettingsStore ours(file), theirs(file);
        theirs.put("Caption", "FontSize", "20");
        QVERIFY(theirs.sync());
        record.MirellTime = 30;
        writeSettings(ours, record, 1200, -30);
        QVERIFY(ours.sync());
        record.FontSize = 20;
        const StoredSettings stored = readSettings(IniSettingsStore(file));
        QCOMPARE(stored.record, record);
        QVERIFY(stored.storedCurrent == 4 && stored.top == 1200 && stored.left == -30);
    }

    void failedWriteKeepsTheFile() {
        const QString dir = path("small"), file = dir + "/Mirell!.ini";
        QVERIFY(QDir().mkpath(dir));
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", dir}))
            QSKIP("filling a small file system of its own needs root, to mount it");
        const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {"-l", dir}); });
        IniSettingsStore store(file);
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
        QCOMPARE(readPictureList(IniSettingsStore(file)), pictures(400));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
