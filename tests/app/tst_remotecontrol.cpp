// Commands for the running copy: how they are read, and the local socket they go
// through, which is no way in for other users or misbehaving clients.
#include "CommandLine.h"
#include "RemoteControl.h"

#include <QtTest>

#include <unistd.h>

class TestRemoteControl : public QObject {
    Q_OBJECT
  private slots:
    void parse() {
        using A = CommandLine::Action;
        for (auto [args, action, command] : {
                 std::tuple{QStringList{}, A::Start, ""},
                 {{"--next"}, A::Send, "next"},
                 {{"--status", "--json"}, A::Send, "status"},
                 {{"--help"}, A::Help, ""},
                 {{"--version"}, A::Version, ""},
                 {{"--bogus"}, A::UsageError, ""},
                 {{"--next", "--quit"}, A::UsageError, ""},
                 {{"--json"}, A::UsageError, ""},
                 {{"--next", "--json"}, A::UsageError, ""},
                 {{"next"}, A::UsageError, ""},
                 {{"--start", "--next"}, A::Send, "next"},
                 {{"--start", "--status"}, A::UsageError, ""},
                 {{"--start"}, A::UsageError, ""},
                 {{"--login"}, A::Start, ""},
                 {{"--login", "--start", "--next"}, A::UsageError, ""},
             }) {
            const CommandLine line =
                parseCommandLine(QStringList{"/opt/m/mirell"} + args, "2.10.0000");
            QVERIFY2(line.action == action, qPrintable(args.join(' ')));
            QCOMPARE(line.command, QString::fromLatin1(command));
            if (action == A::UsageError || action == A::Help)
                QVERIFY2(line.text.contains("Usage: "), qPrintable(line.text));
        }
        QCOMPARE(parseCommandLine({"mirell", "-v"}, "2.10.0000").text, "Mirell 2.10.0000\n");
    }

    // Only the user's own processes get an answer, and no misbehaving client
    // keeps the next good command out. The clients are perl one-liners, so that
    // this thread's event loop serves them.
    void abuse() {
        QTemporaryDir dir;
        // Open to every user, so that only the socket itself stands in the way.
        QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7755));
        const QString name = dir.filePath("mirell.sock");
        int runs = 0;
        RemoteControl server(name, [&runs](const QString &command, QByteArray *out) {
            *out = command.toUtf8();
            return command == "next" && ++runs;
        });
        QVERIFY(server.listen());
        // What the server answers to raw bytes, or "<refused>" when it cannot be reached.
        const auto exchange = [&](const QByteArray &data, QStringList as = {"env"}) {
            QProcess perl;
            QSignalSpy ended(&perl, &QProcess::finished); // a real event loop: no naps
            as << "perl"
               << "-MIO::Socket::UNIX"
               << "-e"
               << "my $s = IO::Socket::UNIX->new(Peer => shift) or exit print '<refused>';"
                  "print $s shift; print <$s>"
               << name << data;
            perl.start(as[0], as.mid(1));
            return ended.wait(30000) ? perl.readAllStandardOutput() : "<hung>";
        };
        for (auto [data, answer, calls] : {
                 std::tuple{QByteArray("next\n"), QByteArray("ok\nnext"), 1},
                 {"bogus\n", "error: unknown command\n", 0},
                 {QByteArray(8000, 'x') + '\n', "", 0}, // too long
                 {"nex", "", 0},                        // never finished: timed out
                 {"", "", 0},                           // never writes
             }) {
            const int before = runs;
            QCOMPARE(exchange(data), answer);
            QCOMPARE(runs - before, calls);
        }
        QProcess flood; // 1000 clients that leave at once, half of them mid-command
        QSignalSpy flooded(&flood, &QProcess::finished);
        flood.start("perl", {"-MIO::Socket::UNIX", "-e",
                             "for (1..1000) { my $s = IO::Socket::UNIX->new(Peer => $ARGV[0]);"
                             "print $s 'ne' if $s && $_ % 2 }",
                             name});
        QVERIFY(flooded.wait(60000));
        QCOMPARE(exchange("next\n"), "ok\nnext");

        if (geteuid() != 0)
            QSKIP("needs root to act as a second user");
        QProcess::execute("useradd", {"--no-create-home", "mirell-other"});
        QCOMPARE(exchange("next\n", {"runuser", "-u", "mirell-other", "--"}), "<refused>");
        QCOMPARE(runs, 2);
    }
};

QTEST_GUILESS_MAIN(TestRemoteControl)
#include "tst_remotecontrol.moc"
