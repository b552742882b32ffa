#include "SingleInstance.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestSingleInstance : public QObject {
    Q_OBJECT
  private slots:
    void secondCopyOfSameFileIsTurnedAway() {
        QTemporaryDir locks, programs;
        const QString exe = programs.filePath(QStringLiteral("mirell"));
        QFile(exe).open(QIODevice::WriteOnly);

        SingleInstance first(exe, locks.path());
        QVERIFY(first.acquire());
        QVERIFY(QFileInfo::exists(first.lockPath()));

        SingleInstance second(exe, locks.path());
        QVERIFY(!second.acquire());

        // The same file reached through a link is the same program.
        const QString link = programs.filePath(QStringLiteral("link-to-mirell"));
        QVERIFY(QFile::link(exe, link));
        SingleInstance viaLink(link, locks.path());
        QVERIFY(!viaLink.acquire());
    }

    void copiesInOtherFoldersRunSideBySide() {
        QTemporaryDir locks, a, b;
        const QString exeA = a.filePath(QStringLiteral("mirell"));
        const QString exeB = b.filePath(QStringLiteral("mirell"));
        QFile(exeA).open(QIODevice::WriteOnly);
        QFile(exeB).open(QIODevice::WriteOnly);

        SingleInstance first(exeA, locks.path());
        SingleInstance other(exeB, locks.path());
        QVERIFY(first.acquire());
        QVERIFY(other.acquire());
        QVERIFY(first.lockPath() != other.lockPath());
    }

    void lockIsFreedWhenHolderEnds() {
        QTemporaryDir locks, programs;
        const QString exe = programs.filePath(QStringLiteral("mirell"));
        QFile(exe).open(QIODevice::WriteOnly);
        {
            SingleInstance first(exe, locks.path());
            QVERIFY(first.acquire());
        }
        SingleInstance next(exe, locks.path());
        QVERIFY(next.acquire());
    }

    void lockOfCrashedHolderIsTakenOver() {
        QTemporaryDir locks, programs;
        const QString exe = programs.filePath(QStringLiteral("mirell"));
        QFile(exe).open(QIODevice::WriteOnly);

        // A process that is gone by now left its lock behind.
        QProcess gone;
        gone.start(QStringLiteral("true"), {});
        QVERIFY(gone.waitForFinished());
        const qint64 deadPid = gone.processId() ? gone.processId() : 999999;
        const QString path = SingleInstance::lockPathFor(exe, locks.path());
        QFile stale(path);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write(QByteArray::number(deadPid > 0 ? deadPid : 999999) + "\nmirell\n" +
                    QSysInfo::machineHostName().toUtf8() + "\n");
        stale.close();

        SingleInstance next(exe, locks.path());
        QVERIFY(next.acquire());
    }

    void liveHolderStaysValidPastTheStaleTime() {
        // A lock file older than QLockFile's default stale time, held by a
        // living process (this one), must still turn a second start away.
        QTemporaryDir locks, programs;
        const QString exe = programs.filePath(QStringLiteral("mirell"));
        QFile(exe).open(QIODevice::WriteOnly);
        SingleInstance first(exe, locks.path());
        QVERIFY(first.acquire());
        QFile lock(first.lockPath());
        QVERIFY(lock.open(QIODevice::ReadWrite));
        QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addDays(-3),
                                 QFileDevice::FileModificationTime));
        lock.close();

        SingleInstance second(exe, locks.path());
        QVERIFY(!second.acquire());
    }

    void unusableLockFolderDoesNotBlockTheStart() {
        SingleInstance instance(QStringLiteral("/bin/sh"),
                                QStringLiteral("/proc/no-such-folder/mirell"));
        QVERIFY(instance.acquire());
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
