#include "Autostart.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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
    // A folder name a user may well have; the entry must start exactly the
    // program in it, read back by us and by GLib's launcher.
    void execStartsThatVeryProgram_data() {
        QTest::addColumn<QString>("folder");
        for (const char *name : {"plain", "with blank", "it's \"quoted\"", "back\\slash $HOME `x`",
                                 "100% sure; a|b & (c) #d", "日本語 ~tilde"})
            QTest::newRow(name) << QString::fromUtf8(name);
    }
    void execStartsThatVeryProgram() {
        QFETCH(QString, folder);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(folder));
        const QString program = dir.filePath(folder + "/mirell");
        QVERIFY(writeFile(program, "#!/bin/sh\nprintf %s \"$0\" > \"$MARK\"\n"));
        QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));

        const QString entry = Autostart::entryText(program);
        QCOMPARE(Autostart::execArguments(Autostart::entryKeys(entry).value("Exec")),
                 QStringList{program});

        // GLib looks for the program before it undoes "%%", so it refuses such
        // an entry however it is written; that folder is checked by our parser only.
        if (folder.contains('%'))
            return;
        const QString file = dir.filePath("entry.desktop");
        QVERIFY(writeFile(file, entry));
        qputenv("MARK", dir.filePath("mark").toLocal8Bit());
        QCOMPARE(QProcess::execute("gio", {"launch", file}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(readFile(dir.filePath("mark")), program, 20000);
    }

    void classifiesWhatIsThere_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<State>("state");
        const QString ours = Autostart::entryText("/opt/my apps/mirell"),
                      head = "[Desktop Entry]\n";
        const auto row = [](const char *name, const QString &entry, State state) {
            QTest::newRow(name) << entry << state;
        };
        row("ours", ours, State::On);
        row("same, quoted by hand", head + "Exec = \"/opt/my apps/mirell\" %U\n", State::On);
        row("hidden", ours + "Hidden=true\n", State::Disabled);
        row("GNOME off", ours + "X-GNOME-Autostart-enabled=false\n", State::Disabled);
        row("other program", head + "Exec=/usr/bin/mirell\n", State::Edited);
        row("unclosed quote", head + "Exec=\"/opt/my apps/mirell\n", State::Edited);
    }
    void classifiesWhatIsThere() {
        QFETCH(QString, entry);
        QFETCH(State, state);
        QCOMPARE(Autostart::classify(entry, "/opt/my apps/mirell"), state);
    }

    // The real program, from a folder with a blank and a quote, against a
    // private config folder: what it prints, returns and leaves behind.
    void commandLineTurnsItOnAndOffButLeavesTheUsersEntry() {
        QTemporaryDir dir;
        const QString folder = dir.filePath("my \"apps\"");
        QVERIFY(QDir().mkpath(folder));
        const QString program = folder + "/mirell";
        QVERIFY(QFile::copy(MIRELL_PROGRAM, program));
        const QString entry = dir.filePath("config/autostart/" MIRELL_APP_ID ".desktop");
        const QString edited = "[Desktop Entry]\nExec=" + program + " --settings\n";
        struct Step {
            QStringList args;
            int status;
            QString out;
            bool edit = false; // the user's own entry is there before and after
        };
        const QString on = "Start at login: on (" + entry + ")\n", off = "Start at login: off\n";
        const Step steps[] = {
            {{"--autostart"}, 0, off},
            {{"--autostart", "on"}, 0, on},
            {{"--autostart"}, 0, on},
            {{"--autostart", "off"}, 0, off},
            {{"--autostart", "maybe"}, 2, ""},
            {{"--no-such-option"}, 2, ""},
            {{"--autostart", "on"}, 1, "", true},
            {{"--autostart", "off"}, 1, "", true},
        };
        qputenv("XDG_CONFIG_HOME", dir.filePath("config").toLocal8Bit());
        qputenv("QT_QPA_PLATFORM", "no-such-platform"); // a window would abort
        for (const Step &step : steps) {
            if (step.edit)
                QVERIFY(writeFile(entry, edited));
            QProcess p;
            p.start(program, step.args);
            QVERIFY(p.waitForFinished(20000));
            QCOMPARE(p.exitCode(), step.status);
            QCOMPARE(QString::fromLocal8Bit(p.readAllStandardOutput()), step.out);
            QCOMPARE(p.readAllStandardError().isEmpty(), step.status == 0);
            const QString now = readFile(entry);
            QCOMPARE(now, step.edit ? edited : step.out == on ? Autostart::entryText(program) : "");
            if (step.out == on)
                QCOMPARE(Autostart::execArguments(Autostart::entryKeys(now)["Exec"]),
                         QStringList{program});
        }
    }
};

QTEST_GUILESS_MAIN(TestAutostart)
#include "tst_autostart.moc"
