#include "Settings.h"
#include "SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

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

class TestStore : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

  private slots:
    void textComesBackAsWritten() {
        const QStringList texts = {"C:\\pics\\a, b,c.jpg",
                                   "say \"cheese\" \"",
                                   "\\\\server\\share\\x\\",
                                   "  leading and trailing \t ",
                                   "@Variant(junk)",
                                   "one\ntwo\r\nthree\r",
                                   "ＭＳ Ｐゴシック 壁紙、画像",
                                   "",
                                   "[Setting]\nListCount=5;x=y",
                                   QString("a") + QChar(0) + QChar(1)};
        const QString file = path("trip.ini");
        {
            QSettingsStore store(file);
            for (int i = 0; i < texts.size(); ++i)
                store.put("Caption", QString::number(i), texts[i]);
            QVERIFY(store.sync());
        }
        QSettingsStore again(copyOf(file));
        for (int i = 0; i < texts.size(); ++i)
            QCOMPARE(again.get("Caption", QString::number(i), "default"), texts[i]);
        QCOMPARE(again.get("Caption", "Other", "default"), "default");
    }

    void handEditedValuesBecomeText() {
        const QString file = path("hand.ini");
        writeFile(file, "[Setting]\nFiles0=a, b\nFiles2=@ByteArray(bytes)\nFiles3=@Invalid()\n"
                        "Files4=@Rect(1 2 3 4)\nMirellTime = 45 \n");
        QSettingsStore store(file);
        QCOMPARE(store.get("Setting", "Files0", "d"), "a, b");
        QCOMPARE(store.get("Setting", "Files2", "d"), "bytes");
        QCOMPARE(store.get("Setting", "Files3", "d"), "d");
        QCOMPARE(store.get("Setting", "Files4", "d"), "d");
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
        if (damage == "directory")
            QVERIFY(QDir().mkpath(file));
        else
            writeFile(file, damage == "junk" ? junk() : "[Setting]\nMirellTime=5\n");
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
        QCOMPARE(readPictureList(store).count(), 0);

        store.put("Setting", "MirellTime", "7");
        // Junk is ours to replace; the other two cannot be written over.
        QCOMPARE(store.sync(), damage == "junk");
        if (damage == "junk")
            QCOMPARE(readSettings(QSettingsStore(copyOf(file))).record.MirellTime, 7);
    }

    void failureAfterGarbageIsReported() {
        // The parse error of the garbage must hide neither a later write
        // failure nor a later success.
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
        // A crash mid-write must leave the old settings whole.
        const QString file = path("atomic.ini");
        QSettingsStore store(file);
        struct stat before {
        }, after{};
        store.put("Setting", "MirellTime", "1");
        QVERIFY(store.sync());
        QCOMPARE(::stat(QFile::encodeName(file).constData(), &before), 0);
        store.put("Setting", "MirellTime", "2");
        QVERIFY(store.sync());
        QCOMPARE(::stat(QFile::encodeName(file).constData(), &after), 0);
        QVERIFY(before.st_ino != after.st_ino);
    }

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
};

int runStoreTests(int argc, char **argv) {
    TestStore test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestStore.moc"
