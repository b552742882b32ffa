#include "CommandBackgrounds.h"
#include "CommandRunner.h"
#include "DesktopTestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>

using namespace DesktopTest;

// LXDE, LXQt, sway and Hyprland are driven through stub programs on PATH
// that record what they were given.
class CommandDesktopsTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void runnerNamesEveryFailure();
    void aliasCopiesAlternateAndKeepTheShownOne();
    void aliasFindsAPlainFolderOrSaysWhy();
    void toolsGetExactArgumentsForAnyPath_data();
    void toolsGetExactArgumentsForAnyPath();
    void refusalsReachTheCaller();
    void factoryServesEveryDesktop();

  private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_bin;   // the stubs, and nothing else, on PATH
    QString m_plain; // a plain fallback folder for sway and Hyprland
    QByteArray m_oldPath;
};

void CommandDesktopsTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_bin = m_dir->filePath(QStringLiteral("bin"));
    m_plain = m_dir->filePath(QStringLiteral("runtime/mirell"));
    QVERIFY(QDir().mkpath(m_bin));
    m_oldPath = qgetenv("PATH");
    // The stubs are shell scripts and need the basic tools beside them.
    qputenv("PATH", QFile::encodeName(m_bin) + ":/usr/bin:/bin");
    QDir::setCurrent(m_dir->path());
}

void CommandDesktopsTest::cleanup() {
    qputenv("PATH", m_oldPath);
    // Nothing may ever have expanded the $(...) or `...` in a folder name.
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("pwned"))));
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("pwned2"))));
}

void CommandDesktopsTest::runnerNamesEveryFailure() {
    const CommandRunner runner(1500);
    QString error, output;

    QVERIFY(!runner.run(QStringLiteral("no-such-wallpaper-tool"), {}, &error));
    QVERIFY2(error.contains(QStringLiteral("no-such-wallpaper-tool")) &&
                 error.contains(QStringLiteral("not found")),
             qPrintable(error));

    writeStub(m_bin, QStringLiteral("refuser"), {}, 3);
    QVERIFY(!runner.run(QStringLiteral("refuser"), {QStringLiteral("x")}, &error));
    QVERIFY2(error.contains(QStringLiteral("refuser")) && error.contains(QStringLiteral("3")) &&
                 error.contains(QStringLiteral("stub refuses")),
             qPrintable(error));

    writeStub(m_bin, QStringLiteral("sleeper"), {}, 0, true);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!runner.run(QStringLiteral("sleeper"), {}, &error));
    QVERIFY2(error.contains(QStringLiteral("sleeper")) &&
                 error.contains(QStringLiteral("did not finish")),
             qPrintable(error));
    QVERIFY2(clock.elapsed() < 30000, "the runner waited for the hanging program");

    writeStub(m_bin, QStringLiteral("talker"), QStringLiteral("some answer"));
    QVERIFY2(runner.run(QStringLiteral("talker"), {}, &error, &output), qPrintable(error));
    QCOMPARE(output.trimmed(), QStringLiteral("some answer"));
}

void CommandDesktopsTest::aliasCopiesAlternateAndKeepTheShownOne() {
    const QString folder = m_dir->filePath(hostileFolderNames().at(1));
    const QString source = writeComposedFile(folder, 1);
    const QByteArray first = contentOf(source);

    AliasFile alias;
    QString error;
    const QString a = alias.prepare(source, &error);
    QVERIFY2(!a.isEmpty(), qPrintable(error));
    QCOMPARE(QFileInfo(a).absolutePath(), QFileInfo(source).absolutePath());
    QCOMPARE(contentOf(a), first);
    alias.accept(a);

    // The composer replaces the file; the copy on screen must keep its picture.
    writeComposedFile(folder, 2);
    const QByteArray second = contentOf(source);
    QVERIFY(first != second);
    QCOMPARE(contentOf(a), first);

    const QString b = alias.prepare(source, &error);
    QVERIFY(!b.isEmpty());
    QVERIFY(b != a);
    QCOMPARE(contentOf(b), second);
    // Refused by the desktop (no accept): the next try reuses b, never a.
    QCOMPARE(alias.prepare(source, &error), b);
    QCOMPARE(contentOf(a), first);
    alias.accept(b);
    QCOMPARE(alias.prepare(source, &error), a);
    alias.accept(a);

    // A fresh start guesses that the copy written last is on screen.
    QTest::qWait(20); // distinct modification times
    QCOMPARE(AliasFile().prepare(source, &error), b);
    QTest::qWait(20);
    QCOMPARE(AliasFile().prepare(source, &error), a);

    // Only the composed file and the two copies: no temporary leftovers.
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 3);
}

void CommandDesktopsTest::aliasFindsAPlainFolderOrSaysWhy() {
    QVERIFY(AliasFile::isPlainPath(QStringLiteral("/run/user/1000/mirell/MirellWP-a.bmp")));
    for (const QString &name : hostileFolderNames().mid(1))
        QVERIFY2(!AliasFile::isPlainPath(QStringLiteral("/tmp/") + name), qPrintable(name));

    QString error;
    const QString plainSource = writeComposedFile(m_dir->filePath(QStringLiteral("plain")), 1);
    const QString hostileSource = writeComposedFile(m_dir->filePath(hostileFolderNames().at(2)), 2);
    const QString unusable = m_dir->filePath(QStringLiteral("not plain"));

    // A plain folder of its own is used as it is.
    AliasFile besideIt(AliasFile::Placement::PlainPath, {m_plain});
    QCOMPARE(QFileInfo(besideIt.prepare(plainSource, &error)).absolutePath(),
             QFileInfo(plainSource).absolutePath());

    // Otherwise the first plain fallback, skipping those that are not plain.
    AliasFile elsewhere(AliasFile::Placement::PlainPath, {unusable, m_plain});
    const QString copy = elsewhere.prepare(hostileSource, &error);
    QVERIFY2(!copy.isEmpty(), qPrintable(error));
    QCOMPARE(QFileInfo(copy).absolutePath(), m_plain);
    QVERIFY(AliasFile::isPlainPath(copy));
    QCOMPARE(contentOf(copy), contentOf(hostileSource));
    QVERIFY(!QFile::exists(unusable));

    AliasFile nowhere(AliasFile::Placement::PlainPath, {unusable});
    QVERIFY(nowhere.prepare(hostileSource, &error).isEmpty());
    QVERIFY2(error.contains(QStringLiteral("plain path")), qPrintable(error));
}

void CommandDesktopsTest::toolsGetExactArgumentsForAnyPath_data() {
    QTest::addColumn<QString>("folderName");
    for (const QString &name : hostileFolderNames())
        QTest::newRow(qPrintable(QString(name).replace(u'\n', u'|'))) << name;
}

void CommandDesktopsTest::toolsGetExactArgumentsForAnyPath() {
    QFETCH(QString, folderName);
    const QString folder = m_dir->filePath(folderName);
    const bool plainFolder = AliasFile::isPlainPath(folder);
    for (const char *tool : {"pcmanfm", "pcmanfm-qt", "swaymsg"})
        writeStub(m_bin, QString::fromLatin1(tool));
    writeStub(m_bin, QStringLiteral("hyprctl"), QStringLiteral("ok"));

    LxdeBackground lxde;
    LxqtBackground lxqt;
    SwayBackground sway(CommandRunner(), AliasFile(AliasFile::Placement::PlainPath, {m_plain}));
    HyprlandBackground hyprland(CommandRunner(),
                                AliasFile(AliasFile::Placement::PlainPath, {m_plain}));
    DesktopBackground *backends[] = {&lxde, &lxqt, &sway, &hyprland};

    // Two switches with the same file: every desktop must be handed a new path.
    QString firstHyprPath;
    for (int round = 0; round < 2; ++round) {
        const QString source = writeComposedFile(folder, round);
        for (DesktopBackground *backend : backends) {
            QString error;
            QVERIFY2(backend->apply(source, QImage(), &error), qPrintable(error));
        }
    }
    const QList<QStringList> calls = recordedCalls(m_bin);
    QCOMPARE(calls.size(), 2 * 3 + 3 + 4); // hyprctl: 3 calls, then 4 with the old unloaded

    QStringList lxdePaths, lxqtPaths, swayPaths, hyprPaths;
    for (int round = 0; round < 2; ++round) {
        const int at = round * 6;
        const QStringList lx = calls.at(at);
        QCOMPARE(lx.size(), 1);
        QVERIFY(lx.at(0).startsWith(QStringLiteral("--set-wallpaper=")));
        lxdePaths << lx.at(0).mid(16);

        const QStringList qt = calls.at(at + 1);
        QCOMPARE(qt.size(), 2);
        QCOMPARE(qt.at(0), QStringLiteral("--set-wallpaper"));
        lxqtPaths << qt.at(1);

        const QStringList sw = calls.at(at + 2);
        QCOMPARE(sw.size(), 5);
        QCOMPARE(sw.at(0), QStringLiteral("output"));
        QCOMPARE(sw.at(1), QStringLiteral("*"));
        QCOMPARE(sw.at(2), QStringLiteral("bg"));
        QCOMPARE(sw.at(4), QStringLiteral("fill"));
        swayPaths << sw.at(3);

        const QString hp = calls.at(at + 3).value(2);
        QCOMPARE(calls.at(at + 3), (QStringList{"hyprpaper", "unload", hp}));
        QCOMPARE(calls.at(at + 4), (QStringList{"hyprpaper", "preload", hp}));
        QCOMPARE(calls.at(at + 5), (QStringList{"hyprpaper", "wallpaper", "," + hp}));
        hyprPaths << hp;
    }
    // The second Hyprland switch frees the picture it replaced.
    QCOMPARE(calls.last(), (QStringList{"hyprpaper", "unload", hyprPaths.at(0)}));

    const QByteArray last = contentOf(folder + QStringLiteral("/MirellWP.bmp"));
    for (const QStringList *paths : {&lxdePaths, &lxqtPaths, &swayPaths, &hyprPaths}) {
        QVERIFY(paths->at(0) != paths->at(1));
        QCOMPARE(contentOf(paths->at(1)), last);
    }
    for (const QString &path : lxdePaths + lxqtPaths)
        QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(folder).absoluteFilePath());
    for (const QString &path : swayPaths + hyprPaths) {
        QVERIFY2(AliasFile::isPlainPath(path), qPrintable(path));
        QCOMPARE(QFileInfo(path).absolutePath(), plainFolder ? folder : m_plain);
    }
}

void CommandDesktopsTest::refusalsReachTheCaller() {
    const QString source = writeComposedFile(m_dir->filePath(QStringLiteral("plain")), 1);
    const CommandRunner quick(1500);
    const AliasFile plain(AliasFile::Placement::PlainPath, {m_plain});
    QString error;

    // Missing tools.
    QVERIFY(!LxdeBackground(quick).apply(source, QImage(), &error));
    QVERIFY2(error.contains(QStringLiteral("LXDE")) && error.contains(QStringLiteral("pcmanfm")),
             qPrintable(error));
    QVERIFY(!SwayBackground(quick, plain).apply(source, QImage(), &error));
    QVERIFY2(error.contains(QStringLiteral("swaymsg")), qPrintable(error));

    // A tool that fails, one that hangs, and hyprpaper saying no.
    writeStub(m_bin, QStringLiteral("pcmanfm-qt"), {}, 1);
    QVERIFY(!LxqtBackground(quick).apply(source, QImage(), &error));
    QVERIFY2(error.contains(QStringLiteral("pcmanfm-qt")) &&
                 error.contains(QStringLiteral("stub refuses")),
             qPrintable(error));

    writeStub(m_bin, QStringLiteral("swaymsg"), {}, 0, true);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!SwayBackground(quick, plain).apply(source, QImage(), &error));
    QVERIFY2(error.contains(QStringLiteral("did not finish")), qPrintable(error));
    QVERIFY(clock.elapsed() < 30000);

    writeStub(m_bin, QStringLiteral("hyprctl"), QStringLiteral("invalid path"));
    QVERIFY(!HyprlandBackground(quick, plain).apply(source, QImage(), &error));
    QVERIFY2(error.contains(QStringLiteral("invalid path")), qPrintable(error));
}

void CommandDesktopsTest::factoryServesEveryDesktop() {
    const QList<QPair<DesktopKind, QString>> served = {
        {DesktopKind::Gnome, "GNOME"},       {DesktopKind::Cinnamon, "Cinnamon"},
        {DesktopKind::Mate, "MATE"},         {DesktopKind::Kde, "KDE Plasma"},
        {DesktopKind::Xfce, "XFCE"},         {DesktopKind::Lxqt, "LXQt"},
        {DesktopKind::Lxde, "LXDE"},         {DesktopKind::Sway, "sway"},
        {DesktopKind::Hyprland, "Hyprland"},
    };
    for (const auto &[kind, name] : served)
        QCOMPARE(createDesktopBackground(kind)->name(), name);
    QVERIFY(createDesktopBackground(DesktopKind::X11Root) != nullptr);

    const QString source = writeComposedFile(m_dir->filePath(QStringLiteral("plain")), 1);
    const QList<QPair<DesktopKind, QString>> refused = {
        {DesktopKind::UnknownWayland,
         "this Wayland desktop offers no known way to set the wallpaper"},
        {DesktopKind::None, "no desktop to show a wallpaper on"},
    };
    for (const auto &[kind, reason] : refused) {
        QString error;
        QVERIFY(!createDesktopBackground(kind)->apply(source, QImage(), &error));
        QCOMPARE(error, reason);
    }
}

QTEST_GUILESS_MAIN(CommandDesktopsTest)
#include "tst_commanddesktops.moc"
