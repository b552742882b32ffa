#include "CommandBackgrounds.h"
#include "DesktopTestSupport.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>

using namespace DesktopTest;

// LXDE, LXQt, sway and Hyprland against stub programs on PATH.
class CommandDesktopsTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    const QString m_bin = m_dir.filePath("bin"), m_plain = m_dir.filePath("runtime/mirell");

    // A stub that appends a record separator and its arguments, each
    // NUL-terminated, to bin/calls and answers "ok" as hyprctl does.
    void writeStub(const QString &program) {
        QFile script(m_bin + u'/' + program);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf '%s\\0' '\036' \"$@\" >> \"$(dirname \"$0\")/calls\"\n"
                     "printf ok\n");
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

  private slots:
    void initTestCase() {
        QVERIFY(QDir().mkpath(m_bin));
        qputenv("PATH", QFile::encodeName(m_bin) + ":/usr/bin:/bin");
        QDir::setCurrent(m_dir.path());
    }
    // Nothing may ever have expanded the $(...) or `...` in a folder name.
    void cleanupTestCase() { QVERIFY(!QFile::exists("pwned") && !QFile::exists("pwned2")); }
    void missingToolIsNamed();
    void toolsGetExactArgumentsForAnyPath_data();
    void toolsGetExactArgumentsForAnyPath();
};

void CommandDesktopsTest::toolsGetExactArgumentsForAnyPath_data() {
    QTest::addColumn<QString>("folderName");
    for (const QString &name : hostileFolderNames())
        QTest::newRow(qPrintable(QString(name).replace(u'\n', u'|'))) << name;
}

void CommandDesktopsTest::toolsGetExactArgumentsForAnyPath() {
    QFETCH(QString, folderName);
    QFile::remove(m_bin + "/calls");
    const QString folder = m_dir.filePath(folderName);
    for (const char *tool : {"pcmanfm", "pcmanfm-qt", "swaymsg", "hyprctl"})
        writeStub(QString::fromLatin1(tool));
    const AliasFile plain(AliasFile::Placement::PlainPath, {m_plain});
    LxdeBackground lxde;
    LxqtBackground lxqt;
    SwayBackground sway(CommandRunner(), plain);
    HyprlandBackground hyprland(CommandRunner(), plain);
    DesktopBackground *backends[] = {&lxde, &lxqt, &sway, &hyprland};

    // Two switches with the same file: every desktop must get a new path.
    for (int round = 0; round < 2; ++round) {
        const QString source = writeComposedFile(folder, round);
        for (DesktopBackground *backend : backends) {
            QString error;
            QVERIFY2(backend->apply(source, QImage(), &error), qPrintable(error));
        }
    }
    QList<QStringList> calls;
    for (const QString &call : QString::fromUtf8(contentOf(m_bin + "/calls")).split(u'\036'))
        if (!call.isEmpty())
            calls << call.mid(1).chopped(1).split(u'\0');
    QCOMPARE(calls.size(), 6 + 7); // the second hyprctl round unloads the old picture
    QStringList paths[2];          // per round: what LXDE, LXQt, sway and Hyprland were given
    for (int round = 0; round < 2; ++round) {
        const QList<QStringList> c = calls.mid(round * 6);
        const QString lx = c[0].value(0).mid(16), qt = c[1].value(1), sw = c[2].value(3),
                      hp = c[3].value(2);
        QCOMPARE(c[0], QStringList{"--set-wallpaper=" + lx});
        QCOMPARE(c[1], (QStringList{"--set-wallpaper", qt}));
        QCOMPARE(c[2], (QStringList{"output", "*", "bg", sw, "fill"}));
        QCOMPARE(c[3], (QStringList{"hyprpaper", "unload", hp}));
        QCOMPARE(c[4], (QStringList{"hyprpaper", "preload", hp}));
        QCOMPARE(c[5], (QStringList{"hyprpaper", "wallpaper", "," + hp}));
        paths[round] = {lx, qt, sw, hp};
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

void CommandDesktopsTest::missingToolIsNamed() {
    QString error;
    QVERIFY(!LxdeBackground().apply(writeComposedFile("missing", 1), QImage(), &error));
    QCOMPARE(error, "LXDE did not take the wallpaper: pcmanfm was not found on PATH");

    // A tool that never answers is stopped at the timeout and named.
    QFile hang(m_bin + "/pcmanfm-qt");
    QVERIFY(hang.open(QIODevice::WriteOnly));
    hang.write("#!/bin/sh\nexec sleep 30\n");
    hang.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    hang.close();
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!LxqtBackground(CommandRunner(500)).apply(writeComposedFile("hang", 1), {}, &error));
    QVERIFY2(error.startsWith("LXQt did not take the wallpaper: pcmanfm-qt"), qPrintable(error));
    QVERIFY(clock.elapsed() < 20000);
}

QTEST_GUILESS_MAIN(CommandDesktopsTest)
#include "tst_commanddesktops.moc"
