#include "CommandLine.h"
#include "TrayIcon.h"

#include <QtTest>

class TestCommandLine : public QObject {
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
            const QString name = args.join(' ');
            QVERIFY2(line.action == action, qPrintable(name));
            QCOMPARE(line.command, QString::fromLatin1(command));
            QCOMPARE(line.json, json);
            if (action == A::UsageError || action == A::Help)
                QVERIFY2(line.text.contains("Usage: mirell [options]"), qPrintable(line.text));
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
};

QTEST_APPLESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
