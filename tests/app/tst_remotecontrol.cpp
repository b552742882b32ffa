// The local socket is no way in: only the user's own processes get an
// answer, and no misbehaving client keeps the next good command out.
#include "RemoteControl.h"

#include <QLocalSocket>
#include <QThread>
#include <QtTest>

#include <atomic>

#include <unistd.h>

namespace {

// What the server answers to raw bytes, or "<refused>" when it cannot be reached.
QByteArray exchange(const QString &name, const QByteArray &data) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(3000))
        return "<refused>";
    socket.write(data);
    socket.flush();
    QByteArray answer;
    while (socket.state() == QLocalSocket::ConnectedState && socket.waitForReadyRead(5000))
        answer += socket.readAll();
    return answer + socket.readAll();
}

} // namespace

class TestRemoteControl : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_name;
    QThread m_thread;
    std::atomic<int> m_runs = 0;

  private slots:
    void initTestCase() {
        // Open to every user, so that only the socket itself stands in the way.
        QFile::setPermissions(m_dir.path(), QFileDevice::Permissions(0x7755));
        m_name = m_dir.filePath("mirell.sock");
        auto *server = new RemoteControl(m_name, [this](const QString &command, QByteArray *out) {
            *out = command.toUtf8();
            return command == "next" && ++m_runs;
        });
        server->moveToThread(&m_thread);
        connect(&m_thread, &QThread::finished, server, &QObject::deleteLater);
        m_thread.start();
        bool listening = false;
        QMetaObject::invokeMethod(
            server, [&] { listening = server->listen(); }, Qt::BlockingQueuedConnection);
        QVERIFY(listening);
    }
    void cleanupTestCase() {
        m_thread.quit();
        m_thread.wait();
    }

    void abuse() {
        for (auto [data, answer, runs] : {
                 std::tuple{QByteArray("next\n"), QByteArray("ok\nnext"), 1},
                 {"bogus\n", "error: unknown command\n", 0},
                 {QByteArray(8000, 'x') + '\n', "", 0}, // too long
                 {"nex", "", 0},                        // never finished: timed out
                 {"", "", 0},                           // never writes
             }) {
            const int before = m_runs;
            QCOMPARE(exchange(m_name, data), answer);
            QCOMPARE(m_runs - before, runs);
        }
        for (int i = 0; i < 1000; ++i) {
            QLocalSocket flood;
            flood.connectToServer(m_name);
            flood.waitForConnected(1000);
            flood.write(i % 2 ? "ne" : "");
            flood.abort();
        }
        QByteArray answer;
        QCOMPARE(RemoteControl::send(m_name, "next", &answer), RemoteControl::Result::Done);
        QCOMPARE(answer, "next");
        QCOMPARE(RemoteControl::send(m_dir.filePath("none.sock"), "next", &answer),
                 RemoteControl::Result::NoCopy);
    }

    void otherUserRefused() {
        if (geteuid() != 0)
            QSKIP("needs root to act as a second user");
        QProcess::execute("useradd", {"--no-create-home", "mirell-other"});
        QProcess client;
        client.start("runuser", {"-u", "mirell-other", "--",
                                 QCoreApplication::applicationFilePath(), "--send", m_name});
        QVERIFY(client.waitForFinished(20000));
        const int before = m_runs;
        QCOMPARE(client.readAllStandardOutput(), "<refused>");
        QCOMPARE(m_runs, before);
    }
};

// Run as "--send NAME", the binary is a client of its own, for another user.
int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--send") {
        std::fputs(exchange(QString::fromLocal8Bit(argv[2]), "next\n").constData(), stdout);
        return 0;
    }
    TestRemoteControl test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_remotecontrol.moc"
