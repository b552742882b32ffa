#include "Settings.h"
#include "SettingsStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>
#include <utility>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray junk() {
    QByteArray bytes;
    quint32 seed = 12345;
    for (int i = 0; i < 8000; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes.append(char(seed >> 16));
    }
    return bytes;
}

// QSettings keeps files it has read in a per-process cache; reading a copy
// under a new name makes sure the text really comes from the bytes on disk.
QString copyOf(const QString &path) {
    static int copies = 0;
    const QString copy = path + QStringLiteral(".copy") + QString::number(++copies);
    return QFile::copy(path, copy) ? copy : QString();
}

} // namespace

class TestStore : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

  private slots:
    void textComesBackAsWritten_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("commas") << "C:\\pics\\a, b,c.jpg";
        QTest::newRow("quotes") << "say \"cheese\" \"";
        QTest::newRow("backslashes") << "\\\\server\\share\\x\\";
        QTest::newRow("blanks") << "  leading and trailing \t ";
        QTest::newRow("at sign") << "@Variant(junk)";
        QTest::newRow("lone at") << "@";
        QTest::newRow("line breaks") << "one\ntwo\r\nthree\r";
        QTest::newRow("japanese") << "ＭＳ Ｐゴシック 壁紙、画像";
        QTest::newRow("empty") << "";
        QTest::newRow("ini syntax") << "[Setting]\nListCount=5;x=y";
        QTest::newRow("control characters") << QString("a") + QChar(0) + QChar(1) + "b";
        QTest::newRow("number") << "60";
    }
    void textComesBackAsWritten() {
        QFETCH(QString, text);
        const QString file = path(QStringLiteral("trip-%1.ini").arg(QTest::currentDataTag()));
        {
            QSettingsStore store(file);
            store.put("Caption", "CaptionString", text);
            QCOMPARE(store.get("Caption", "CaptionString", "default"), text);
            QVERIFY(store.sync());
        }
        QSettingsStore again(copyOf(file));
        QCOMPARE(again.get("Caption", "CaptionString", "default"), text);
        QCOMPARE(again.get("Caption", "Other", "default"), "default");
        QCOMPARE(again.get("Nowhere", "CaptionString", "default"), "default");
    }

    void handEditedValuesBecomeText() {
        const QString file = path("hand.ini");
        writeFile(file, "[Setting]\nFiles0=a, b\nFiles2=@ByteArray(bytes)\n"
                        "Files3=@Invalid()\nFiles4=@Rect(1 2 3 4)\nFiles5=@Variant(\\0\\x1junk)\n"
                        "MirellTime = 45 \n");
        QSettingsStore store(file);
        QCOMPARE(store.get("Setting", "Files0", "d"), "a, b");
        QCOMPARE(store.get("Setting", "Files2", "d"), "bytes");
        QCOMPARE(store.get("Setting", "Files3", "d"), "d");
        QCOMPARE(store.get("Setting", "Files4", "d"), "d");
        QCOMPARE(store.get("Setting", "Files5", "d"), "d");
        QCOMPARE(readSettings(store).record.MirellTime, 45);
    }

    void damagedFileGivesDefaults_data() {
        QTest::addColumn<QString>("damage");
        QTest::newRow("binary junk") << "junk";
        QTest::newRow("directory in its place") << "directory";
        QTest::newRow("unreadable") << "unreadable";
    }
    void damagedFileGivesDefaults() {
        QFETCH(QString, damage);
        const QString file = path(damage + ".ini");
        if (damage == "directory") {
            QVERIFY(QDir().mkpath(file));
        } else {
            writeFile(file, damage == "junk" ? junk() : "[Setting]\nMirellTime=5\n");
        }
        if (damage == "unreadable") {
#ifdef Q_OS_UNIX
            if (geteuid() == 0)
                QSKIP("file permissions do not stop root");
#endif
            QVERIFY(QFile::setPermissions(file, {}));
        }
        QSettingsStore store(file);
        const StoredSettings stored = readSettings(store);
        QCOMPARE(stored.record, Settings());
        QCOMPARE(stored.storedCurrent, 1);
        QCOMPARE(readPictureList(store).count(), 0);

        store.put("Setting", "MirellTime", "7");
        const bool written = store.sync();
        // Junk is ours to replace; the other two cannot be written over.
        QCOMPARE(written, damage == "junk");
        if (written)
            QCOMPARE(readSettings(QSettingsStore(copyOf(file))).record.MirellTime, 7);
    }

    void failureAfterGarbageIsReported() {
        // The parse error of the garbage must not hide a later write failure,
        // nor a later success.
        const QString file = path("masked.ini");
        writeFile(file, junk());
        QSettingsStore store(file);
        readSettings(store);
        QVERIFY(QFile::remove(file));
        QVERIFY(QDir().mkdir(file));
        store.put("Setting", "Current", "3");
        QVERIFY(!store.sync());

        QVERIFY(QDir().rmdir(file));
        QVERIFY(store.sync()); // the pending change is retried
        QCOMPARE(QSettingsStore(copyOf(file)).get("Setting", "Current", ""), "3");
    }

#ifdef Q_OS_UNIX
    void fileIsReplacedNotRewritten() {
        // A new file renamed over the old one: a crash mid-write leaves the
        // old settings whole.
        const QString file = path("atomic.ini");
        QSettingsStore store(file);
        store.put("Setting", "MirellTime", "1");
        QVERIFY(store.sync());
        struct stat before {};
        QCOMPARE(::stat(QFile::encodeName(file).constData(), &before), 0);
        store.put("Setting", "MirellTime", "2");
        QVERIFY(store.sync());
        struct stat after {};
        QCOMPARE(::stat(QFile::encodeName(file).constData(), &after), 0);
        QVERIFY(before.st_ino != after.st_ino);
    }
#endif

#ifndef Q_OS_WIN
    void perUserStoreLivesInConfigHome() {
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        const QString home = path("config/not-yet");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home));
        QSettingsStore store;
        qputenv("XDG_CONFIG_HOME", saved);
        QCOMPARE(store.location(), QDir(home).filePath("Mirell!.ini"));
        store.put("UpdateInfo", "CurrentVersion", "2.10.0000");
        QVERIFY(store.sync());
        QVERIFY(QFile::exists(store.location()));
    }
#endif

    void fullListIsQuick() {
        PictureList list;
        for (int n = 0; n < 32767; ++n) {
            list.Files.append(QStringLiteral("/home/user/Pictures/holiday %1/IMG_%1.jpg").arg(n));
            list.Titles.append(QStringLiteral("IMG_%1.jpg").arg(n));
        }
        const QString file = path("big.ini");
        QElapsedTimer timer;
        timer.start();
        std::clock_t cpu = std::clock();
        const auto cpuMs = [&cpu] {
            const std::clock_t start = std::exchange(cpu, std::clock());
            return qint64(cpu - start) * 1000 / CLOCKS_PER_SEC;
        };
        {
            QSettingsStore store(file);
            writePictureList(store, list);
            QVERIFY(store.sync());
        }
        const qint64 writeMs = timer.restart();
        const qint64 writeCpuMs = cpuMs();
        QSettingsStore store(copyOf(file));
        const PictureList back = readPictureList(store);
        const qint64 readMs = timer.elapsed();
        // Wall time suffers from a busy machine; processor time shows the work.
        qInfo("32767 pictures: write and sync %lld ms (cpu %lld ms), read %lld ms (cpu %lld ms)",
              writeMs, writeCpuMs, readMs, cpuMs());
        QVERIFY(back == list);
    }
};

int runStoreTests(int argc, char **argv) {
    TestStore test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestStore.moc"
