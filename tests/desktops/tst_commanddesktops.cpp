#include "CommandBackgrounds.h"
#include "DesktopTestSupport.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>

using namespace DesktopTest;

// LXDE, LXQt, sway and Hyprland against stub programs on PATH.
class CommandDesktopsTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void toolsGetExactArgumentsForAnyPath_data();
    void toolsGetExactArgumentsForAnyPath();
    void failuresNameTheDesktopAndTool();
    void factoryServesEveryDesktop();

  private:
    // A stub that appends a record separator and its arguments, each
    // NUL-terminated, to bin/calls, prints reply and exits, or hangs.
    void writeStub(const QString &program, const QString &reply = {}, int exitCode = 0,
                   bool hang = false) {
        QFile script(m_bin + u'/' + program);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf '%s\\0' '\036' \"$@\" >> \"$(dirname \"$0\")/calls\"\n" +
                     QByteArray(hang ? "exec sleep 60\n" : "") + "printf '%s' '" + reply.toUtf8() +
                     "'\necho 'stub refuses' >&2\nexit " + QByteArray::number(exitCode) + "\n");
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QList<QStringList> recordedCalls() const {
        QList<QStringList> calls;
        const QString all = QString::fromUtf8(contentOf(m_bin + "/calls"));
        for (const QString &call : all.split(u'\036', Qt::SkipEmptyParts))
            calls << call.mid(1).chopped(1).split(u'\0');
        return calls;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_bin, m_plain;
    QByteArray m_oldPath = qgetenv("PATH");
};

void CommandDesktopsTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_bin = m_dir->filePath("bin");
    m_plain = m_dir->filePath("runtime/mirell");
    QVERIFY(QDir().mkpath(m_bin));
    qputenv("PATH", QFile::encodeName(m_bin) + ":/usr/bin:/bin");
    QDir::setCurrent(m_dir->path());
}

void CommandDesktopsTest::cleanup() {
    qputenv("PATH", m_oldPath);
    // Nothing may ever have expanded the $(...) or `...` in a folder name.
    QVERIFY(!QFile::exists(m_dir->filePath("pwned")) && !QFile::exists(m_dir->filePath("pwned2")));
}

void CommandDesktopsTest::toolsGetExactArgumentsForAnyPath_data() {
    QTest::addColumn<QString>("folderName");
    for (const QString &name : hostileFolderNames())
        QTest::newRow(qPrintable(QString(name).replace(u'\n', u'|'))) << name;
}

void CommandDesktopsTest::toolsGetExactArgumentsForAnyPath() {
    QFETCH(QString, folderName);
    const QString folder = m_dir->filePath(folderName);
    for (const char *tool : {"pcmanfm", "pcmanfm-qt", "swaymsg"})
        writeStub(QString::fromLatin1(tool));
    writeStub("hyprctl", "ok");
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
    const QList<QStringList> calls = recordedCalls();
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

void CommandDesktopsTest::failuresNameTheDesktopAndTool() {
    const QString source = writeComposedFile(m_dir->filePath("plain"), 1);
    const CommandRunner quick(1500);
    const AliasFile plain(AliasFile::Placement::PlainPath, {m_plain});
    QString error;
    QVERIFY(!LxdeBackground(quick).apply(source, QImage(), &error));
    QCOMPARE(error, "LXDE did not take the wallpaper: pcmanfm was not found on PATH");

    writeStub("pcmanfm-qt", {}, 3);
    QVERIFY(!LxqtBackground(quick).apply(source, QImage(), &error));
    QCOMPARE(error,
             "LXQt did not take the wallpaper: pcmanfm-qt failed with exit code 3: stub refuses");

    writeStub("swaymsg", {}, 0, true);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!SwayBackground(quick, plain).apply(source, QImage(), &error));
    QVERIFY2(error.contains("swaymsg did not finish") && clock.elapsed() < 30000,
             qPrintable(error));

    writeStub("hyprctl", "invalid path");
    QVERIFY(!HyprlandBackground(quick, plain).apply(source, QImage(), &error));
    QVERIFY2(error.contains("hyprpaper answered: invalid path"), qPrintable(error));
}

void CommandDesktopsTest::factoryServesEveryDesktop() {
    const QList<QPair<DesktopKind, QString>> served = {
        {DesktopKind::Gnome, "GNOME"},      {DesktopKind::Cinnamon, "Cinnamon"},
        {DesktopKind::Mate, "MATE"},        {DesktopKind::Kde, "KDE Plasma"},
        {DesktopKind::Xfce, "XFCE"},        {DesktopKind::Lxqt, "LXQt"},
        {DesktopKind::Lxde, "LXDE"},        {DesktopKind::Sway, "sway"},
        {DesktopKind::Hyprland, "Hyprland"}};
    for (const auto &[kind, name] : served)
        QCOMPARE(createDesktopBackground(kind)->name(), name);

    const QString source = writeComposedFile(m_dir->filePath("plain"), 1);
    QString error;
    QVERIFY(!createDesktopBackground(DesktopKind::UnknownWayland)->apply(source, {}, &error));
    QCOMPARE(error, "this Wayland desktop offers no known way to set the wallpaper");
    QVERIFY(!createDesktopBackground(DesktopKind::None)->apply(source, {}, &error));
    QCOMPARE(error, "no desktop to show a wallpaper on");
}

QTEST_GUILESS_MAIN(CommandDesktopsTest)
#include "tst_commanddesktops.moc"
