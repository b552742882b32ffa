// The settings window between the store, the tray and the desktop: what it
// shows, what OK and Cancel keep, and the list it hands the rotator.
#include "DataTable.h"
#include "FakeUi.h"
#include "FolderIndex.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// "Section/Key=value" lines: put into the store, or as the store has them.
QStringList stored(WindowRig &rig, const QStringList &lines, bool seed = false) {
    QStringList now;
    for (const QString &line : lines) {
        const QString section = line.section('/', 0, 0),
                      key = line.section('/', 1).section('=', 0, 0);
        if (seed)
            rig.store.set(section, key, line.section('=', 1));
        now << section + '/' + key + '=' + rig.store.value(section, key);
    }
    return now;
}
// "name=value" for controls (a button's check, a combo box's index, else the
// text): set, or as the controls show them.
QStringList shown(WindowRig &rig, const QStringList &assignments, bool set = false) {
    QStringList now;
    for (const QString &assigned : assignments) {
        QWidget *control = rig.child(assigned.section('=', 0, 0));
        const char *property = control->inherits("QAbstractButton") ? "checked"
                               : control->inherits("QComboBox")     ? "currentIndex"
                                                                    : "text";
        if (set)
            control->setProperty(property, assigned.section('=', 1));
        now << control->objectName() + '=' + control->property(property).toString();
    }
    return now;
}
// The controls named, "-" before each disabled one.
QString enabling(WindowRig &rig, const QStringList &names) {
    QStringList states;
    for (const QString &name : names)
        states << (rig.child(name)->isEnabled() ? name : '-' + name);
    return states.join(' ');
}
void click(WindowRig &rig, const QString &name) {
    rig.window->show();
    rig.child<QPushButton>(name)->click();
}
QStringList listLines(WindowRig &rig) {
    QStringList lines;
    for (const auto *item : rig.child<QListWidget>("lstImages")->findItems("", Qt::MatchContains))
        lines << item->text();
    return lines;
}

} // namespace

class TestFrmMain : public QObject {
    Q_OBJECT

  private slots:
    // Every option: the stored value reaches its control and the controls it
    // enables; Cancel takes edits back; OK without an edit writes the same
    // text back, and edits kept by OK are what the next window shows. The font
    // dialog starts from the font shown; sizes are kept whole.
    void options() {
        // 1440 is longer than the box takes by typing; 33023 is orange, red in the low byte.
        const QStringList lines = {
            "Setting/MirellTime=1440",    "Setting/OrderMode=2",   "Setting/Stretch=True",
            "Caption/ShowCaption=True",   "Caption/CaptionType=2", "Caption/CaptionString=夏の海",
            "Caption/Location=3",         "Setting/MonitorMode=1", "Setting/MatchOrientation=True",
            "Caption/FontName=IPAGothic", "Caption/FontSize=20",   "Caption/FontColor=33023"};
        const QStringList loaded = {"txtMin=1440",     "optOrder2=true", "chkFit=true",
                                    "chkShowStr=true", "optType2=true",  "txtCapt=夏の海",
                                    "optLoc3=true",    "cboMonitor=1",   "chkOrient=true"};
        const QStringList edits = {"txtMin=9", "optOrder0=true", "chkFit=false", "optType1=true",
                                   "txtCapt=", "optLoc1=true",   "cboMonitor=2", "chkOrient=false"};
        const QStringList hidden = {"chkShowStr=false"}; // disables the caption group
        const QStringList kept = {"Caption/FontName=IPAPGothic", "Caption/FontSize=10",
                                  "Caption/FontColor=16711680", "Caption/ShowCaption=False"};
        const QStringList ruled = {"optType0", "optType1", "optType2", "cmdFont",
                                   "optLoc0",  "optLoc3",  "txtCapt",  "chkOrient"};
        const FontChoice font{QStringLiteral("IPAGothic"), 20, QColor(255, 128, 0)};
        const FontChoice chosen{QStringLiteral("IPAPGothic"), 10.5, Qt::blue};
        WindowRig rig;
        stored(rig, lines, true);
        rig.open().show();
        QCOMPARE(shown(rig, loaded), loaded);
        QCOMPARE(enabling(rig, ruled), ruled.join(' '));
        rig.dialogs.fontAnswers << chosen;
        click(rig, "cmdFont");
        click(rig, "cmdFont"); // cancelled
        shown(rig, edits, true);
        QCOMPARE(enabling(rig, ruled),
                 "optType0 optType1 optType2 cmdFont optLoc0 optLoc3 -txtCapt -chkOrient");
        shown(rig, hidden, true);
        QCOMPARE(enabling(rig, ruled), '-' + ruled.join(" -"));
        QTest::keyClick(rig.window.get(), Qt::Key_Escape);
        QCOMPARE(shown(rig, loaded), loaded);
        click(rig, "cmdFont"); // cancelled
        QVERIFY(rig.store.puts().isEmpty());
        click(rig, "cmdOK");
        QCOMPARE(stored(rig, lines), lines);
        rig.dialogs.fontAnswers << chosen;
        click(rig, "cmdFont");
        shown(rig, edits + hidden, true);
        click(rig, "cmdOK");
        QCOMPARE(stored(rig, kept), kept);
        QCOMPARE(rig.dialogs.fontInitials, QList<FontChoice>({font, chosen, font, font}));
        rig.open();
        QCOMPARE(shown(rig, edits + hidden), edits + hidden);
    }

    // OK with a folder added, its picture applied by hand, the order switched to random and an
    // interval typed (and stepped): the list (the folder one entry ending with the separator)
    // is kept and used either way, the rest only when the interval is.
    void interval_data() {
        // "arrows": steps of the spinner after typing.
        const auto row =
            addColumns<QString, int, QString, int>({"typed", "arrows", "message", "stored"});
        const QString bad = QStringLiteral("入力が不正です。");
        row("zero", "0", 0, {}, 0);
        row("negative", "-1", 0, bad, 60);
        row("empty", "", 0, QStringLiteral("変更する間隔を指定して下さい。"), 60);
        row("arrows, up to 999", "998", 2, {}, 999);
        row("beyond 16 bits", "1e9", 0, bad, 60);
    }
    void interval() {
        QFETCH(QString, typed);
        QFETCH(int, arrows);
        QFETCH(QString, message);
        QFETCH(int, stored);
        FolderIndex index(FolderIndex::Options{});
        WindowRig rig;
        const QString p1 = rig.storePictures(1).first();
        rig.rotator.setFolderIndex(&index);
        rig.open().show();
        const QString folder = rig.dir.filePath("holiday"), sea = folder + "/2026/sea.png";
        QVERIFY(QDir().mkpath(folder + "/2026") && !writePicture(sea).isEmpty());
        rig.dialogs.openFileAnswers << folder;
        click(rig, "cmdFolder");
        QTRY_COMPARE(listLines(rig), QStringList({"p1.png", "holiday (1枚)"}));
        rig.rotator.RotationStep(); // the timer's step knows only the confirmed list
        rig.rotator.RotationStep();
        rig.child<QListWidget>("lstImages")->setCurrentRow(1);
        click(rig, "cmdLet"); // the line as the window lists it
        QCOMPARE(rig.store.value("Setting", "Current"), QStringLiteral("2"));
        QCOMPARE(rig.child<QLabel>("labCurr")->text(), QStringLiteral("sea.png"));
        rig.child("cmdAdd")->setFocus();
        shown(rig, {"txtMin=" + typed, "chkFit=true", "optOrder2=true"}, true);
        rig.child<QSpinBox>("updMin")->stepBy(arrows);
        rig.random.script({0.1});
        click(rig, "cmdOK");
        QCOMPARE(rig.store.value("Setting", "Files1"), folder + '/');
        QCOMPARE(rig.rotator.pictures().Titles, QStringList({"p1.png", "holiday"}));
        QCOMPARE(rig.rotator.settings().MirellTime, stored);
        const bool accepted = message.isEmpty();
        QCOMPARE(rig.dialogs.messages, accepted ? QStringList() : QStringList{message});
        QCOMPARE(rig.store.contains("Setting", "Stretch"), accepted);
        QCOMPARE(rig.tray.calls, accepted ? QStringList{"AddIcon Mirell!"} : QStringList());
        QCOMPARE(rig.child<QTabWidget>("sstTabs")->currentIndex(), accepted ? 0 : 1);
        QCOMPARE(rig.window->focusWidget() == rig.child("txtMin"), !accepted);
        // A switched order chooses afresh, from the whole list.
        QCOMPARE(rig.composed, QStringList({p1, p1, sea}) + QStringList(accepted ? 1 : 0, p1));
    }

    // Opened, the window shows the rotator's list, which the tray may have
    // shortened while it was hidden, with the picture on the desktop selected.
    // A position saved on a screen that is gone would hide it for good.
    void opensOnTheCurrentLine() {
        WindowRig rig;
        rig.storePictures(3);
        stored(rig, {"Setting/Current=2", "Window/Top=1500", "Window/Left=60000"}, true);
        QCOMPARE(rig.open().pos(), QWidget().pos());
        rig.window->openSettings();
        QCOMPARE(rig.child<QLabel>("labCurr")->text(), QStringLiteral("p2.png"));
        auto *list = rig.child<QListWidget>("lstImages");
        QCOMPARE(list->currentRow(), 1);
        click(rig, "cmdDel");
        click(rig, "cmdCancel"); // the edit is dropped at once, not when the window opens again
        QCOMPARE(listLines(rig).size(), 3);
        QCOMPARE(rig.rotator.removeCurrent(), QString());
        rig.window->openSettings();
        QCOMPARE(listLines(rig), QStringList({"p1.png", "p3.png"}));
        QCOMPARE(list->currentRow(), 1);
        QVERIFY(rig.child("cmdDel")->isEnabled());
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
