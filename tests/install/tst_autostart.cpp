#include "Autostart.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using Autostart::State;

namespace {

QString readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool writeFile(const QString &path, const QString &text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0;
}

} // namespace

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
        QCOMPARE(Autostart::classify(entry, program), State::On);

        // GLib looks for the program before it undoes "%%", so it refuses such
        // an entry however it is written; that folder is checked by our parser only.
        if (folder.contains('%'))
            return;
        const QString file = dir.filePath("entry.desktop");
        QVERIFY(writeFile(file, entry));
        QProcess gio;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("MARK", dir.filePath("mark"));
        gio.setProcessEnvironment(env);
        gio.start("gio", {"launch", file});
        QVERIFY(gio.waitForFinished(20000));
        QTRY_COMPARE_WITH_TIMEOUT(readFile(dir.filePath("mark")), program, 20000);
    }

    void classifiesWhatIsThere_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<State>("state");
        const QString ours = Autostart::entryText("/opt/my apps/mirell");
        QTest::newRow("ours") << ours << State::On;
        QTest::newRow("same program, quoted by hand, field code")
            << "[Desktop Entry]\nExec = \"/opt/my apps/mirell\" %U\n"
            << State::On;
        QTest::newRow("escaped blank")
            << "[Desktop Entry]\nExec=/opt/my\\sapps/mirell" << State::Edited;
        QTest::newRow("hidden") << ours + "Hidden=true\n" << State::Disabled;
        QTest::newRow("GNOME off") << ours + "X-GNOME-Autostart-enabled=false\n" << State::Disabled;
        QTest::newRow("other option")
            << QString(ours).replace("mirell\"", "mirell\" --settings") << State::Edited;
        QTest::newRow("other program") << "[Desktop Entry]\nExec=/usr/bin/mirell\n"
                                       << State::Edited;
        QTest::newRow("unclosed quote") << "[Desktop Entry]\nExec=\"/opt/my apps/mirell\n"
                                        << State::Edited;
        QTest::newRow("bad escape") << "[Desktop Entry]\nExec=\"/opt/my apps/\\q/mirell\"\n"
                                    << State::Edited;
        QTest::newRow("Exec of an action only")
            << "[Desktop Entry]\nName=x\n[Desktop Action a]\nExec=\"/opt/my apps/mirell\"\n"
            << State::Edited;
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
            bool present; // the entry is there afterwards
            bool edit = false;
        };
        const QString on = "Start at login: on (" + entry + ")\n", off = "Start at login: off\n";
        const Step steps[] = {
            {{"--autostart"}, 0, off, false},
            {{"--autostart", "on"}, 0, on, true},
            {{"--autostart"}, 0, on, true},
            {{"--autostart", "off"}, 0, off, false},
            {{"--autostart", "maybe"}, 2, "", false},
            {{"--no-such-option"}, 2, "", false},
            {{"--autostart", "on"}, 1, "", true, true},
            {{"--autostart", "off"}, 1, "", true, true},
        };
        for (const Step &step : steps) {
            if (step.edit)
                QVERIFY(writeFile(entry, edited));
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
            env.insert("QT_QPA_PLATFORM", "no-such-platform"); // a window would abort
            p.setProcessEnvironment(env);
            p.start(program, step.args);
            QVERIFY(p.waitForFinished(20000));
            const QString what = step.args.join(' ');
            QCOMPARE(p.exitStatus(), QProcess::NormalExit);
            QVERIFY2(p.exitCode() == step.status, qPrintable(what));
            QCOMPARE(QString::fromLocal8Bit(p.readAllStandardOutput()), step.out);
            QCOMPARE(p.readAllStandardError().isEmpty(), step.status == 0);
            QCOMPARE(QFile::exists(entry), step.present);
            if (step.edit)
                QCOMPARE(readFile(entry), edited);
            else if (QFile::exists(entry))
                QCOMPARE(Autostart::execArguments(Autostart::entryKeys(readFile(entry))["Exec"]),
                         QStringList{program});
        }
    }
};

QTEST_GUILESS_MAIN(TestAutostart)
#include "tst_autostart.moc"
