// Commands for the running copy: how they are read and printed, and the local
// socket they go through, which is no way in for other users or misbehaving
// clients. The clients are perl one-liners, so that this thread's event loop
// serves them.
#include "CommandLine.h"
#include "LocalAccess.h"
#include "RemoteControl.h"

#include <QtTest>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using A = CommandLine::Action;
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
        perl.start(as[0], as.mid(1) +
                              QStringList{"perl", "-MIO::Socket::UNIX", "-e",
                                          "my $p = shift; sub ask { my $s = IO::Socket::"
                                          "UNIX->new(Peer => $p) or return '<refused>';"
                                          "print $s shift; local $/; <$s> }" +
                                              script,
                                          m_name} +
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
        QTest::addColumn<QString>("args");
        QTest::addColumn<A>("action");
        QTest::addColumn<QString>("command");
        const auto row = [](const char *name, const char *args, A action,
                            const char *command = "") {
            QTest::newRow(name) << QString(args) << action << QString(command);
        };
        row("start", "", A::Start);
        row("command", "--next", A::Send, "next");
        row("status as json", "--status --json", A::Send, "status");
        row("help", "--help", A::Help);
        row("version", "-v", A::Version);
        row("unknown", "--bogus", A::UsageError);
        row("two commands", "--next --quit", A::UsageError);
        row("json alone", "--json", A::UsageError);
        row("json off status", "--next --json", A::UsageError);
        row("bare word", "next", A::UsageError);
        row("start, then next", "--start --next", A::Send, "next");
        row("start and history", "--start --history", A::UsageError);
        row("start alone", "--start", A::UsageError);
        row("login", "--login", A::Start);
        row("login and start", "--login --start --next", A::UsageError);
    }
    void parse() {
        QFETCH(QString, args);
        QFETCH(A, action);
        const CommandLine line = parseCommandLine(
            QStringList{"/opt/m/mirell"} + args.split(' ', Qt::SkipEmptyParts), "2.10.0000");
        QCOMPARE(line.action, action);
        QTEST(line.command, "command");
        if (action == A::Version)
            QCOMPARE(line.text, "Mirell 2.10.0000\n");
        if (action == A::UsageError || action == A::Help)
            QVERIFY2(line.text.contains("Usage: "), qPrintable(line.text));
    }

    void plainStatusEscapesControls_data() {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("plain") << QString("日本 x.png") << QByteArray("picture: 日本 x.png");
        QTest::newRow("escape sequence")
            << QString("a\x1b[31mb\x7f") << QByteArray("picture: a\\x1b[31mb\\x7f");
        QTest::newRow("newline and tab")
            << QString("a\nb\tc\u0085") << QByteArray("picture: a\\nb\\tc\\x85");
    }
    void plainStatusEscapesControls() {
        QFETCH(QString, picture);
        const QJsonObject left{
            {"name", "DP-1"},
            {"geometry", QJsonObject{{"x", -1080}, {"y", 0}, {"width", 1080}, {"height", 1920}}},
            {"picture", picture}};
        const QJsonObject status{{"picture", picture},
                                 {"paused", true},
                                 {"interval", 5},
                                 {"monitors", QJsonArray{left}},
                                 {"source", picture}};
        const QList<QByteArray> lines = formatStatus(status, false).split('\n');
        QTEST(lines.value(0), "line");
        QCOMPARE(lines.mid(1, 3), (QList<QByteArray>{"order: ", "interval: 5", "paused: yes"}));
        QCOMPARE(lines.value(5), "monitor: DP-1 1080x1920-1080+0 " + lines.value(0).mid(9));
        QCOMPARE(lines.value(6), "source: " + lines.value(0).mid(9));
        QCOMPARE(QJsonDocument::fromJson(formatStatus(status, true)).object(), status);
    }

    void misbehavingClients_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("runs");
        QTest::newRow("command") << QByteArray("next\n") << QByteArray("ok\nnext") << 1;
        QTest::newRow("unknown") << QByteArray("bogus\n") << QByteArray("error: unknown command\n")
                                 << 0;
        QTest::newRow("too long") << QByteArray(8000, 'x') + '\n' << QByteArray() << 0;
        QTest::newRow("never finished") << QByteArray("nex") << QByteArray() << 0;
        QTest::newRow("silent") << QByteArray() << QByteArray() << 0;
    }
    void misbehavingClients() {
        QFETCH(QByteArray, data);
        const int before = m_runs;
        QTEST(exchange(data), "answer");
        QTEST(m_runs - before, "runs");
    }

    // A real command sent in the middle of a flood of clients, half of them
    // stopping mid-command, waits its turn and is answered.
    void floodLetsARealCommandThrough_data() {
        QTest::addColumn<int>("clients");
        QTest::addColumn<bool>("held");
        QTest::newRow("held open") << 300 << true;
        QTest::newRow("gone at once") << 1000 << false;
    }
    void floodLetsARealCommandThrough() {
        QFETCH(int, clients);
        QFETCH(bool, held);
        QProcess flood;
        QSignalSpy half(&flood, &QProcess::readyReadStandardOutput);
        QSignalSpy ended(&flood, &QProcess::finished);
        startPerl(flood,
                  "$| = 1; my ($n, $held, @open) = @ARGV; for (1 .. $n) {"
                  "my $s = IO::Socket::UNIX->new(Peer => $p); print $s 'ne' if $s && $_ % 2;"
                  "push @open, $s if $held; print \"half\\n\" if $_ == $n / 2 } <STDIN> if $held",
                  {QString::number(clients), QString::number(held)});
        QVERIFY(half.wait(30000));
        const int before = m_runs;
        QByteArray answer;
        auto result = RemoteControl::Result::NoCopy;
        std::unique_ptr<QThread> client(
            QThread::create([&] { result = RemoteControl::send(m_name, "next", &answer, 20000); }));
        QSignalSpy answered(client.get(), &QThread::finished);
        client->start();
        QVERIFY(answered.wait(30000));
        QCOMPARE(result, RemoteControl::Result::Done);
        QCOMPARE(answer, "next");
        QCOMPARE(m_runs - before, 1);
        flood.closeWriteChannel();
        QVERIFY(!ended.isEmpty() || ended.wait(30000)); // may be over already
    }

    // Each layer keeps another user out on its own: the socket file only this
    // user may open, and the kernel's word on who connected.
    void otherUsersAreKeptOut_data() {
        QTest::addColumn<bool>("socketOpen");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("by the socket's permissions") << false << QByteArray("<refused>");
        QTest::newRow("by the peer's credentials") << true << QByteArray();
    }
    void otherUsersAreKeptOut() {
        QFETCH(bool, socketOpen);
        if (!m_otherUser)
            QSKIP("needs root to act as a second user");
        if (socketOpen)
            QCOMPARE(chmod(QFile::encodeName(m_name).constData(), 0777), 0);
        const int before = m_runs;
        QTEST(exchange("next\n", {"runuser", "-u", Other, "--"}), "answer");
        QCOMPARE(m_runs, before);
        QCOMPARE(exchange("next\n"), "ok\nnext");
    }

    // Lock and socket live only in a folder of this user's alone; without a
    // private runtime folder, one is made in the cache folder.
    void privateFolder_data() {
        QTest::addColumn<int>("runtimeMode"); // -1: no runtime folder
        QTest::addColumn<bool>("runtimeOthers");
        QTest::addColumn<int>("cacheMode"); // -1: not there yet
        QTest::addColumn<bool>("cacheOthers");
        QTest::addColumn<QString>("chosen"); // "": none
        QTest::newRow("private runtime") << 0700 << false << -1 << false << QString("runtime");
        QTest::newRow("no runtime") << -1 << false << -1 << false << QString("cache");
        QTest::newRow("runtime open to all") << 0777 << false << -1 << false << QString("cache");
        QTest::newRow("cache folder left open") << -1 << false << 0755 << false << QString("cache");
        QTest::newRow("runtime of another user") << 0700 << true << -1 << false << QString("cache");
        QTest::newRow("cache folder of another user") << -1 << false << 0700 << true << QString();
    }
    void privateFolder() {
        QFETCH(int, runtimeMode);
        QFETCH(bool, runtimeOthers);
        QFETCH(int, cacheMode);
        QFETCH(bool, cacheOthers);
        QFETCH(QString, chosen);
        if ((runtimeOthers || cacheOthers) && !m_otherUser)
            QSKIP("needs root to act as a second user");
        QTemporaryDir dir;
        const QString runtime = dir.filePath("runtime"), cache = dir.filePath("cache");
        const QString ours = cache + "/mirell-runtime";
        const auto make = [](const QString &path, int mode, bool others) {
            const QByteArray name = QFile::encodeName(path);
            return QDir().mkpath(path) && chmod(name.constData(), mode_t(mode)) == 0 &&
                   (!others || QProcess::execute("chown", {Other, path}) == 0);
        };
        QVERIFY(runtimeMode < 0 || make(runtime, runtimeMode, runtimeOthers));
        QVERIFY(cacheMode < 0 || make(ours, cacheMode, cacheOthers));
        const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", runtimeMode < 0 ? QByteArray() : QFile::encodeName(runtime));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache));
        QString error;
        const QString folder = LocalAccess::privateFolder(&error);
        qputenv("XDG_RUNTIME_DIR", savedRuntime);
        QCOMPARE(folder, chosen == "runtime" ? runtime : chosen == "cache" ? ours : QString());
        QCOMPARE(error.isEmpty(), !folder.isEmpty());
        struct stat info {};
        if (folder == ours) // made, or closed, for us alone
            QVERIFY(stat(QFile::encodeName(ours).constData(), &info) == 0 &&
                    (info.st_mode & 0777) == 0700);
    }
};

QTEST_GUILESS_MAIN(TestRemoteControl)
#include "tst_remotecontrol.moc"
