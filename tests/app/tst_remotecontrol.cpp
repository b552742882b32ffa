// Commands for the running copy: how they are read and printed, and the local
// socket they go through, which is no way in for other users or misbehaving
// clients. The clients are perl one-liners, so that this thread's event loop
// serves them.
#include "CommandLine.h"
#include "DataTable.h"
#include "LocalAccess.h"
#include "RemoteControl.h"

#include <QtTest>

#include <future>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using A = CommandLine::Action;
using namespace std::chrono_literals;
// A user of this run's own: runs in other checkouts add and remove theirs.
static const QString Other = QStringLiteral("mirell-%1").arg(getpid());

class TestRemoteControl : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_name = m_dir.filePath("mirell.sock");
    int m_runs = 0;
    RemoteControl m_server{m_name, [this](const QString &command, QByteArray *out) {
                               *out = command.toUtf8();
                               return command == "next" && ++m_runs;
                           }};
    bool m_otherUser = false;

    // Runs script with ask(data) at hand, which gives the server's answer,
    // or "<refused>" when it cannot connect.
    void startPerl(QProcess &perl, const QString &script, const QStringList &args,
                   QStringList as = {"env"}) {
        const QString ask = "my $p = shift; sub ask { my $s = IO::Socket::UNIX->new(Peer => $p) "
                            "or return '<refused>'; print $s shift; local $/; <$s> }";
        const QString program = as.takeFirst();
        perl.start(program,
                   as + QStringList{"perl", "-MIO::Socket::UNIX", "-e", ask + script, m_name} +
                       args);
    }
    QByteArray exchange(const QByteArray &data, const QStringList &as = {"env"}) {
        QProcess perl;
        QSignalSpy ended(&perl, &QProcess::finished); // a real event loop: no naps
        startPerl(perl, "print ask(shift)", {QString::fromLatin1(data)}, as);
        return ended.wait(30000) ? perl.readAllStandardOutput() : "<hung>";
    }

  private slots:
    void initTestCase() {
        // Open to every user, so that only the socket itself stands in the way.
        QFile::setPermissions(m_dir.path(), QFileDevice::Permissions(0x7755));
        // Nor does the umask: the server itself must close the socket.
        const mode_t umaskWas = umask(0);
        QVERIFY(m_server.listen());
        umask(umaskWas);
        if (geteuid() == 0)
            QProcess::execute("useradd", {"--no-create-home", "--user-group", Other});
        m_otherUser = getpwnam(qPrintable(Other)) != nullptr;
    }
    void cleanupTestCase() {
        if (m_otherUser)
            QCOMPARE(QProcess::execute("userdel", {Other}), 0);
    }

    void parse_data() {
        // expected: the word sent, or how the text printed begins
        const auto row = addColumns<QString, A, QString>({"args", "action", "expected"});
        row("help", "--help", A::Help, "Usage: ");
        row("version", "-v", A::Version, "Mirell 2.10.0000\n");
        row("unknown", "--bogus", A::UsageError, "Unknown option 'bogus'.");
        row("two commands", "--next --quit", A::UsageError, "Give one command at a time.");
        row("json alone", "--json", A::UsageError, "--json goes with --status only.");
        row("json off status", "--next --json", A::UsageError, "--json goes with --status only.");
        row("bare word", "next", A::UsageError, "Unexpected argument: next");
        row("start and history", "--start --history", A::UsageError, "--start goes with --next");
        row("start alone", "--start", A::UsageError, "--start goes with --next");
        row("login and start", "--login --start --next", A::UsageError, "--login goes alone.");
    }
    void parse() {
        QFETCH(QString, args);
        QFETCH(QString, expected);
        const CommandLine line = parseCommandLine(
            QStringList{"/opt/m/mirell"} + args.split(' ', Qt::SkipEmptyParts), "2.10.0000");
        QTEST(line.action, "action");
        if (line.action == A::Send)
            QCOMPARE(line.command, expected);
        else
            QVERIFY2(line.text.left(expected.size()) == expected, qPrintable(line.text));
    }

    // Control characters, C0 and C1, are shown escaped; other text as it is.
    void plainStatusEscapesControls() {
        const QString picture = "日本 a\x1b[31mb\x7f\nb\tc\u0085";
        const QByteArray shown = "日本 a\\x1b[31mb\\x7f\\nb\\tc\\x85";
        const QJsonObject geometry{{"x", -1080}, {"y", 0}, {"width", 1080}, {"height", 1920}};
        const QJsonObject status{
            {"picture", picture},
            {"paused", true},
            {"interval", 5},
            {"source", picture},
            {"monitors", QJsonArray{QJsonObject{
                             {"name", "DP-1"}, {"geometry", geometry}, {"picture", picture}}}}};
        QCOMPARE(formatStatus(status, false),
                 "picture: " + shown + "\norder: \ninterval: 5\npaused: yes\nnext: \n" +
                     "monitor: DP-1 1080x1920-1080+0 " + shown + "\nsource: " + shown + '\n');
        QCOMPARE(QJsonDocument::fromJson(formatStatus(status, true)).object(), status);
    }

    void misbehavingClients_data() {
        const auto row = addColumns<QByteArray, QByteArray>({"data", "answer"});
        row("unknown", "bogus\n", "error: unknown command\n");
        row("too long", QByteArray(8000, 'x') + '\n', {});
        row("never finished", "nex", {});
    }
    void misbehavingClients() {
        QFETCH(QByteArray, data);
        QTEST(exchange(data), "answer");
    }

    // A real command sent in the middle of a flood of clients held open, half
    // of them stopping mid-command, waits its turn and is answered.
    void floodLetsARealCommandThrough() {
        QProcess flood;
        QSignalSpy half(&flood, &QProcess::readyReadStandardOutput);
        startPerl(flood,
                  "$| = 1; my ($n, @open) = @ARGV; for (1 .. $n) {"
                  "my $s = IO::Socket::UNIX->new(Peer => $p); print $s 'ne' if $s && $_ % 2;"
                  "push @open, $s; print \"half\\n\" if $_ == $n / 2 } <STDIN>",
                  {"300"});
        QVERIFY(half.wait(30000));
        const int before = m_runs;
        QByteArray answer;
        auto sent = std::async(std::launch::async,
                               [&] { return RemoteControl::send(m_name, "next", &answer, 20000); });
        QTRY_VERIFY_WITH_TIMEOUT(sent.wait_for(0s) == std::future_status::ready, 30000);
        QCOMPARE(sent.get(), RemoteControl::Result::Done);
        QCOMPARE(answer, "next");
        QCOMPARE(m_runs - before, 1);
        flood.closeWriteChannel();
        QTRY_VERIFY_WITH_TIMEOUT(flood.state() == QProcess::NotRunning, 30000);
    }

    // Each layer keeps another user out on its own: the socket file only this
    // user may open, and the kernel's word on who connected.
    void otherUsersAreKeptOut_data() {
        const auto row = addColumns<bool, QByteArray>({"socketOpen", "answer"});
        row("by the socket's permissions", false, "<refused>");
        row("by the peer's credentials", true, {});
    }
    void otherUsersAreKeptOut() {
        QFETCH(bool, socketOpen);
        if (!m_otherUser)
            QSKIP("needs root to act as a second user");
        QVERIFY(!socketOpen || chmod(QFile::encodeName(m_name), 0777) == 0);
        QTEST(exchange("next\n", {"runuser", "-u", Other, "--"}), "answer");
    }

    // Lock and socket live only in a folder of this user's alone; without a
    // private runtime folder, one is made in the cache folder.
    void privateFolder_data() {
        // runtime, cache: each folder's mode, with "theirs" when another user's; "": none
        const auto row = addColumns<QString, QString, QString>({"runtime", "cache", "chosen"});
        for (auto [name, runtime, cache, chosen] :
             {std::array{"private runtime", "700", "", "runtime"},
              {"runtime open to all", "777", "", "cache"},
              {"cache folder left open", "", "755", "cache"},
              {"cache folder of another user", "", "700 theirs", ""}})
            row(name, runtime, cache, chosen);
    }
    void privateFolder() {
        QFETCH(QString, runtime);
        QFETCH(QString, cache);
        QFETCH(QString, chosen);
        if ((runtime + cache).contains("theirs") && !m_otherUser)
            QSKIP("needs root to act as a second user");
        QTemporaryDir dir;
        const QString folders[] = {dir.filePath("runtime"), dir.filePath("cache/mirell-runtime")};
        const auto make = [](const QString &path, const QString &how) {
            const mode_t mode = how.section(' ', 0, 0).toUInt(nullptr, 8);
            return how.isEmpty() ||
                   (QDir().mkpath(path) && chmod(QFile::encodeName(path), mode) == 0 &&
                    (!how.endsWith("theirs") || QProcess::execute("chown", {Other, path}) == 0));
        };
        QVERIFY(make(folders[0], runtime) && make(folders[1], cache));
        qputenv("XDG_RUNTIME_DIR",
                runtime.isEmpty() ? QByteArray() : QFile::encodeName(folders[0]));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(dir.filePath("cache")));
        QString error;
        const QString folder = LocalAccess::privateFolder(&error);
        QCOMPARE(folder, chosen.isEmpty() ? QString() : folders[chosen == "cache"]);
        QCOMPARE(error.isEmpty(), !folder.isEmpty());
        if (folder == folders[1]) // made, or closed, for us alone
            QVERIFY(!(QFile::permissions(folder) & 0x77));
    }
};

QTEST_GUILESS_MAIN(TestRemoteControl)
#include "tst_remotecontrol.moc"
