// Commands for the running copy: how they are read, and the local socket they go
// through, which is no way in for other users or misbehaving clients.
#include "CommandLine.h"
#include "RemoteControl.h"
#include "TrayIcon.h"

#include <QLocalSocket>
#include <QScopeGuard>
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
  private slots:
    void parse() {
        using A = CommandLine::Action;
        for (auto [args, action, command, json] : {
                 std::tuple{QStringList{}, A::Start, "", false},
                 {{"--next"}, A::Send, "next", false},
                 {{"--status", "--json"}, A::Send, "status", true},
                 {{"--help"}, A::Help, "", false},
                 {{"--version"}, A::Version, "", false},
                 {{"--bogus"}, A::UsageError, "", false},
                 {{"--next", "--quit"}, A::UsageError, "", false},
                 {{"--json"}, A::UsageError, "", false},
                 {{"--next", "--json"}, A::UsageError, "", false},
                 {{"next"}, A::UsageError, "", false},
             }) {
            const CommandLine line =
                parseCommandLine(QStringList{"/opt/m/mirell"} + args, "2.10.0000");
            QVERIFY2(line.action == action, qPrintable(args.join(' ')));
            QCOMPARE(line.command, QString::fromLatin1(command));
            QCOMPARE(line.json, json);
            if (action == A::UsageError || action == A::Help)
                QVERIFY2(line.text.contains("Usage: "), qPrintable(line.text));
        }
        QCOMPARE(parseCommandLine({"mirell", "-v"}, "2.10.0000").text, "Mirell 2.10.0000\n");
    }

    // A D-Bus host's Activate (Trigger) is the double click of the other trays.
    void trayClicks() {
        using R = QSystemTrayIcon;
        using Click = std::optional<std::pair<int, int>>;
        for (auto [reason, xembed, sni] : {std::tuple{R::Context, Click{{2, 1}}, Click{{2, 1}}},
                                           {R::DoubleClick, Click{{1, 2}}, Click{{1, 2}}},
                                           {R::Trigger, Click{{1, 1}}, Click{{1, 2}}},
                                           {R::MiddleClick, Click{{4, 1}}, Click{{4, 1}}},
                                           {R::Unknown, Click{}, Click{}}}) {
            QCOMPARE(TrayIcon::clickFor(reason, false), xembed);
            QCOMPARE(TrayIcon::clickFor(reason, true), sni);
        }
    }

    // Only the user's own processes get an answer, and no misbehaving client
    // keeps the next good command out.
    void abuse() {
        QTemporaryDir dir;
        // Open to every user, so that only the socket itself stands in the way.
        QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7755));
        const QString name = dir.filePath("mirell.sock");
        std::atomic<int> runs = 0;
        QThread thread;
        auto *server = new RemoteControl(name, [&runs](const QString &command, QByteArray *out) {
            *out = command.toUtf8();
            return command == "next" && ++runs;
        });
        server->moveToThread(&thread);
        connect(&thread, &QThread::finished, server, &QObject::deleteLater);
        thread.start();
        const auto stop = qScopeGuard([&] {
            thread.quit();
            thread.wait();
        });
        bool listening = false;
        QMetaObject::invokeMethod(
            server, [&] { listening = server->listen(); }, Qt::BlockingQueuedConnection);
        QVERIFY(listening);

        for (auto [data, answer, calls] : {
                 std::tuple{QByteArray("next\n"), QByteArray("ok\nnext"), 1},
                 {"bogus\n", "error: unknown command\n", 0},
                 {QByteArray(8000, 'x') + '\n', "", 0}, // too long
                 {"nex", "", 0},                        // never finished: timed out
                 {"", "", 0},                           // never writes
             }) {
            const int before = runs;
            QCOMPARE(exchange(name, data), answer);
            QCOMPARE(runs - before, calls);
        }
        for (int i = 0; i < 1000; ++i) {
            QLocalSocket flood;
            flood.connectToServer(name);
            flood.waitForConnected(1000);
            flood.write(i % 2 ? "ne" : "");
            flood.abort();
        }
        QByteArray answer;
        QCOMPARE(RemoteControl::send(name, "next", &answer), RemoteControl::Result::Done);
        QCOMPARE(answer, "next");

        if (geteuid() != 0)
            QSKIP("needs root to act as a second user");
        QProcess::execute("useradd", {"--no-create-home", "mirell-other"});
        QProcess client;
        client.start("runuser", {"-u", "mirell-other", "--", "perl", "-MIO::Socket::UNIX", "-e",
                                 "my $s = IO::Socket::UNIX->new(Peer => shift) or exit print "
                                 "'<refused>'; print $s qq(next\\n); print <$s>",
                                 name});
        QVERIFY(client.waitForFinished(20000));
        QCOMPARE(client.readAllStandardOutput(), "<refused>");
        QCOMPARE(runs, 2);
    }
};

QTEST_GUILESS_MAIN(TestRemoteControl)
#include "tst_remotecontrol.moc"
