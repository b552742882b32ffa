#include "Autostart.h"
#include "DataTable.h"

#include <QtTest>

#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using Autostart::State;

static QString readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

static bool writeFile(const QString &path, const QString &text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0;
}

class TestAutostart : public QObject {
    Q_OBJECT
  private slots:
    // Folder names a user may well have: the exact Exec text (a "$" or "`"
    // left bare would be expanded by launchers that hand it to a shell), and
    // the entry read back by us and started by GLib's launcher.
    void execStartsThatVeryProgram_data() {
        const auto row = addColumns<QString, QString>({"folder", "exec"});
        row("plain", "plain", "/opt/plain/mirell");
        row("quotes", "it's \"quoted\"", "\"/opt/it's \\\\\"quoted\\\\\"/mirell\"");
        row("shell", "back\\slash $HOME `x`",
            "\"/opt/back\\\\\\\\slash \\\\$HOME \\\\`x\\\\`/mirell\"");
        row("percent", "100% sure; a|b & (c) #d", "\"/opt/100%% sure; a|b & (c) #d/mirell\"");
    }
    void execStartsThatVeryProgram() {
        QFETCH(QString, folder);
        QTEST(Autostart::execArgument("/opt/" + folder + "/mirell"), "exec");
        QTemporaryDir dir;
        const QString program = dir.filePath(folder + "/mirell");
        QVERIFY(QDir(dir.path()).mkpath(folder) &&
                writeFile(program, "#!/bin/sh\nprintf %s \"$0 $1\" > \"$MARK\"\n") &&
                QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
        const QString entry = Autostart::entryText(program);
        QCOMPARE(Autostart::execArguments(Autostart::entryKeys(entry).value("Exec")),
                 (QStringList{program, "--login"}));
        // GLib looks for the program before it undoes "%%", so it refuses such
        // an entry however it is written (and --autostart on says so).
        if (folder.contains('%'))
            return;
        const QString file = dir.filePath("entry.desktop");
        QVERIFY(writeFile(file, entry));
        qputenv("MARK", dir.filePath("mark").toLocal8Bit());
        QCOMPARE(QProcess::execute("gio", {"launch", file}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(readFile(dir.filePath("mark")), program + " --login", 20000);
    }

    void classifiesWhatIsThere_data() {
        const auto row = addColumns<QString, State>({"entry", "state"});
        const QString ours = Autostart::entryText("/opt/my apps/mirell"),
                      head = "[Desktop Entry]\n";
        row("an older copy's", head + "Exec=\"/opt/my apps/mirell\"\n", State::On);
        row("quoted by hand", head + "Exec = \"/opt/my apps/mirell\" %U\n", State::On);
        row("hidden", ours + "Hidden=true\n", State::Disabled);
        row("off in GNOME", ours + "X-GNOME-Autostart-enabled=false\n", State::Disabled);
        row("unclosed quote", head + "Exec=\"/opt/my apps/mirell\n", State::Edited);
    }
    void classifiesWhatIsThere() {
        QFETCH(QString, entry);
        QTEST(Autostart::classify(entry, "/opt/my apps/mirell"), "state");
    }

    // What would hold a reader forever or is no entry, and an entry that
    // would start nothing at login: reported, and nothing written or removed.
    void refusedAndLeftAlone_data() {
        // folder: the program's; there: what lies at the entry's place
        const auto row =
            addColumns<QByteArray, QString, QString, QString>({"folder", "there", "value", "why"});
        // A read that fails stops every value alike; asking would print what it read.
        for (auto [name, folder, there, value, why] :
             {std::array{"percent", "100%", "", "on", "not turned on"},
              {"not UTF-8", "bin\xff", "", "on", "not turned on"},
              {"pipe", "apps", "pipe", "", "left as it is"},
              {"huge", "apps", "huge", "", "left as it is"}})
            row(name, folder, there, value, why);
    }
    void refusedAndLeftAlone() {
        QFETCH(QByteArray, folder);
        QFETCH(QString, there);
        QFETCH(QString, value);
        QFETCH(QString, why);
        QTemporaryDir dir;
        const auto remove =
            qScopeGuard([&] { std::filesystem::remove_all(dir.path().toStdString()); });
        qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
        const QByteArray program = QFile::encodeName(dir.path()) + '/' + folder + "/mirell";
        QVERIFY(mkdir(QFile::encodeName(dir.path()) + '/' + folder, 0700) == 0 &&
                close(creat(program, 0700)) == 0 && QDir(dir.path()).mkpath("autostart"));
        const auto store = userAutostartStore("mirell-test");
        const QString entry = store->where();
        QVERIFY(there != "pipe" || mkfifo(QFile::encodeName(entry), 0600) == 0);
        QVERIFY(there != "huge" || writeFile(entry, QString(70000, 'x')));
        QString out, err;
        QCOMPARE(Autostart::runCommand(*store, QFile::decodeName(program), value, &out, &err), 1);
        QVERIFY2(err.contains(why), qPrintable(err));
        QCOMPARE(QFileInfo(entry).isFile(), there == "huge");
        QVERIFY(there == "huge" ? QFileInfo(entry).size() == 70000
                                : there != "pipe" || QFileInfo(entry).exists());
    }

    // The real program, from a folder with a blank and a quote, against a
    // private config folder: what it prints, returns and leaves behind.
    void commandLineTurnsItOnAndOffButLeavesTheUsersEntry() {
        QTemporaryDir dir;
        const QString program = dir.filePath("my \"apps\"/mirell");
        QVERIFY(QDir().mkpath(QFileInfo(program).path()) && QFile::copy(MIRELL_PROGRAM, program));
        const QString entry = dir.filePath("config/autostart/" MIRELL_APP_ID ".desktop");
        const QString edited = "[Desktop Entry]\nExec=" + program + " --settings\n";
        const QString on = "Start at login: on (" + entry + ")\n", off = "Start at login: off\n";
        qputenv("XDG_CONFIG_HOME", dir.filePath("config").toLocal8Bit());
        qputenv("QT_QPA_PLATFORM", "no-such-platform"); // a window would abort
        // edit: the user's own entry is there before and after
        for (auto [args, status, out, edit] :
             {std::tuple{QStringList{"--autostart"}, 0, off, false},
              {{"--autostart", "on"}, 0, on, false},
              {{"--autostart", "off"}, 0, off, false},
              {{"--autostart", "maybe"}, 2, QString(), false},
              {{"--autostart", "on"}, 1, QString(), true},
              {{"--autostart", "off"}, 1, QString(), true}}) {
            QVERIFY(!edit || writeFile(entry, edited));
            QProcess p;
            p.start(program, args);
            QVERIFY(p.waitForFinished(20000));
            QCOMPARE(p.exitCode(), status);
            QCOMPARE(QString::fromLocal8Bit(p.readAllStandardOutput()), out);
            QCOMPARE(p.readAllStandardError().isEmpty(), status == 0);
            QCOMPARE(readFile(entry), edit        ? edited
                                      : out == on ? Autostart::entryText(program)
                                                  : "");
        }
    }
};

QTEST_GUILESS_MAIN(TestAutostart)
#include "tst_autostart.moc"
