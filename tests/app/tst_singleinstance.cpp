#include "SingleInstance.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestSingleInstance : public QObject {
    Q_OBJECT
    QTemporaryDir locks, programs;
    // An executable of that name in a folder of its own.
    QString program(const QString &folder, const QString &name = "mirell") {
        QDir(programs.path()).mkpath(folder);
        const QString path = programs.filePath(folder + '/' + name);
        QFile(path).open(QIODevice::WriteOnly);
        return path;
    }

  private slots:
    void secondCopyOfSameFileIsTurnedAwayOthersRun() {
        const QString exe = program("a");
        SingleInstance first(exe, locks.path());
        QVERIFY(first.acquire());
        QVERIFY(QFileInfo::exists(first.lockPath()));
        QVERIFY(!SingleInstance(exe, locks.path()).acquire());
        // The same file reached through a link is the same program.
        QVERIFY(QFile::link(exe, programs.filePath("a/link")));
        QVERIFY(!SingleInstance(programs.filePath("a/link"), locks.path()).acquire());
        // A copy in another folder runs side by side.
        QVERIFY(SingleInstance(program("b"), locks.path()).acquire());
    }

    void lockIsFreedWhenHolderEndsOrDies() {
        const QString exe = program("c");
        QVERIFY(SingleInstance(exe, locks.path()).acquire());
        QVERIFY(SingleInstance(exe, locks.path()).acquire());

        // A lock left behind by a process that is gone.
        QFile stale(SingleInstance::lockPathFor(exe, locks.path()));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write("999999\nmirell\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        stale.close();
        QVERIFY(SingleInstance(exe, locks.path()).acquire());
    }

    void liveHolderStaysValidPastTheStaleTime() {
        const QString exe = program("d");
        SingleInstance first(exe, locks.path());
        QVERIFY(first.acquire());
        QFile lock(first.lockPath());
        QVERIFY(lock.open(QIODevice::ReadWrite));
        QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addDays(-3),
                                 QFileDevice::FileModificationTime));
        lock.close();
        QVERIFY(!SingleInstance(exe, locks.path()).acquire());
    }

    void unusableLockFolderDoesNotBlockTheStart() {
        QVERIFY(SingleInstance("/bin/sh", "/proc/no-such-folder/mirell").acquire());
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
