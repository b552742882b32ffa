#include "CommandBackgrounds.h"
#include "DesktopTestSupport.h"

#include <QFileInfo>
#include <QTest>

using namespace DesktopTest;

// LXDE, LXQt, sway and Hyprland against stub programs, the only ones on PATH.
class CommandDesktopsTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    const QString m_bin = m_dir.filePath("bin"), m_plain = m_dir.filePath("runtime/mirell");

    void writeStub(const QString &program, const QByteArray &body) {
        QFile script(m_bin + u'/' + program);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n" + body);
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

  private slots:
    void initTestCase() {
        QVERIFY(QDir().mkpath(m_bin));
        isolate(m_dir, QFile::encodeName(m_bin));
        QDir::setCurrent(m_dir.path());
    }
    // Nothing may ever have expanded the $(...) or `...` in a folder name.
    void cleanupTestCase() { QVERIFY(!QFile::exists("pwned") && !QFile::exists("pwned2")); }
    void toolsGetExactArgumentsForAnyPath_data();
    void toolsGetExactArgumentsForAnyPath();
    void failuresAreNamed_data();
    void failuresAreNamed();
};

void CommandDesktopsTest::toolsGetExactArgumentsForAnyPath_data() {
    QTest::addColumn<QString>("folderName");
    for (const QString &name : hostileFolderNames())
        QTest::newRow(qPrintable(QString(name).replace(u'\n', u'|'))) << name;
}

void CommandDesktopsTest::toolsGetExactArgumentsForAnyPath() {
    QFETCH(QString, folderName);
    const QString folder = m_dir.filePath(folderName);
    QFile::remove(m_bin + "/calls");
    // Each call appends a record separator and its arguments, NUL-terminated;
    // "ok" is what hyprctl answers.
    for (const char *tool : {"pcmanfm", "pcmanfm-qt", "swaymsg", "hyprctl"})
        writeStub(tool, "printf '%s\\0' '\036' \"$@\" >> \"${0%/*}/calls\"\nprintf ok\n");
    const AliasFile plain(AliasFile::Placement::PlainPath, {m_plain});
    LxdeBackground lxde;
    LxqtBackground lxqt;
    SwayBackground sway(CommandRunner(), plain);
    HyprlandBackground hyprland(CommandRunner(), plain);
    // Two switches with the same file: every desktop must get a new path.
    for (int round = 0; round < 2; ++round) {
        const QString source = writeComposedFile(folder, round);
        for (DesktopBackground *backend :
             std::initializer_list<DesktopBackground *>{&lxde, &lxqt, &sway, &hyprland}) {
            QString error;
            QVERIFY2(backend->apply(source, QImage(), &error), qPrintable(error));
        }
    }
    QList<QStringList> calls;
    for (const QString &call :
         QString::fromUtf8(contentOf(m_bin + "/calls")).split(u'\036', Qt::SkipEmptyParts))
        calls << call.mid(1).chopped(1).split(u'\0');
    QCOMPARE(calls.size(), 6 + 7); // the second hyprctl round unloads the old picture
    QStringList paths[2];          // per round: what LXDE, LXQt, sway and Hyprland were given
    for (int round = 0; round < 2; ++round) {
        const QList<QStringList> c = calls.mid(round * 6);
        paths[round] = {c[0].value(0).mid(16), c[1].value(1), c[2].value(3), c[3].value(2)};
        const QString &hp = paths[round][3];
        QCOMPARE(c.mid(0, 6), (QList<QStringList>{{"--set-wallpaper=" + paths[round][0]},
                                                  {"--set-wallpaper", paths[round][1]},
                                                  {"output", "*", "bg", paths[round][2], "fill"},
                                                  {"hyprpaper", "unload", hp},
                                                  {"hyprpaper", "preload", hp},
                                                  {"hyprpaper", "wallpaper", "," + hp}}));
    }
    QCOMPARE(calls.last(), (QStringList{"hyprpaper", "unload", paths[0][3]}));
    // sway and Hyprland only take plain paths.
    const QString plainFolder = AliasFile::isPlainPath(folder) ? folder : m_plain;
    for (int i = 0; i < 4; ++i) {
        QVERIFY(paths[1][i] != paths[0][i]);
        QCOMPARE(contentOf(paths[1][i]), contentOf(folder + "/MirellWP.bmp"));
        QCOMPARE(QFileInfo(paths[1][i]).absolutePath(), i < 2 ? folder : plainFolder);
    }
}

void CommandDesktopsTest::failuresAreNamed_data() {
    QTest::addColumn<QByteArray>("stub");
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<QString>("error");
    const QString lead = "LXDE did not take the wallpaper: pcmanfm ";
    QTest::newRow("missing") << QByteArray() << 30000 << lead + "was not found on PATH";
    QTest::newRow("refusing") << QByteArray("echo 'no desktop here' >&2\nexit 3\n") << 30000
                              << lead + "failed with exit code 3: no desktop here";
    QTest::newRow("hanging") << QByteArray("exec /bin/sleep 30\n") << 500
                             << lead + "did not finish within 0.5 seconds and was stopped";
}

void CommandDesktopsTest::failuresAreNamed() {
    QFETCH(QByteArray, stub);
    QFETCH(int, timeoutMs);
    QFETCH(QString, error);
    QFile::remove(m_bin + "/pcmanfm");
    if (!stub.isEmpty())
        writeStub("pcmanfm", stub);
    QString reported;
    QVERIFY(!LxdeBackground(CommandRunner(timeoutMs))
                 .apply(writeComposedFile("failing", 1), QImage(), &reported));
    QCOMPARE(reported, error);
}

QTEST_GUILESS_MAIN(CommandDesktopsTest)
#include "tst_commanddesktops.moc"
