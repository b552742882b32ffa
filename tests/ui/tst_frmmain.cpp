// The settings window between the store, the tray and the desktop: its
// loading, the caption rules, what OK and Cancel keep, and the
// pictures it shows.
#include "FakeUi.h"
#include "FolderIndex.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// "Section/Key=value" lines into the store, and such a line as the store has it.
void seed(WindowRig &rig, const QStringList &lines) {
    for (const QString &line : lines)
        rig.store.set(line.section('/', 0, 0), line.section('/', 1).section('=', 0, 0),
                      line.section('=', 1));
}
QString stored(WindowRig &rig, const QString &line) {
    const QString key = line.section('=', 0, 0);
    return key + '=' + rig.store.value(key.section('/', 0, 0), key.section('/', 1));
}
void check(WindowRig &rig, const char *name) {
    rig.child<QAbstractButton>(name)->setChecked(true);
}
void click(WindowRig &rig, const char *name) {
    rig.window->show();
    rig.child<QPushButton>(name)->click();
}
QString text(WindowRig &rig, const char *name) {
    return rig.child(name)->property("text").toString();
}
QStringList listLines(WindowRig &rig) {
    QStringList lines;
    auto *list = rig.child<QListWidget>("lstImages");
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}
FontChoice labFont(WindowRig &rig) {
    auto *label = rig.child<QLabel>("labFont");
    const QString family = label->font().family();
    return {label->text() == family ? family : label->text() + " drawn in " + family,
            label->font().pointSizeF(), label->palette().color(QPalette::WindowText)};
}
bool captionGroupEnabled(WindowRig &rig, bool on) {
    for (const char *name : {"optType0", "optType1", "optType2", "cmdFont", "optLoc0", "optLoc3"})
        if (rig.child(name)->isEnabled() != on)
            return false;
    return true;
}

} // namespace

class TestFrmMain : public QObject {
    Q_OBJECT

  private slots:
    // Three characters typed at most; the arrows step the number, within 1..999.
    void intervalBox() {
        WindowRig rig;
        rig.open();
        auto *txtMin = rig.child<QLineEdit>("txtMin");
        txtMin->clear();
        QTest::keyClicks(txtMin, QStringLiteral("12345"));
        QCOMPARE(txtMin->text(), QStringLiteral("123"));
        txtMin->setText(QStringLiteral("998"));
        rig.child<QSpinBox>("updMin")->stepBy(2);
        QCOMPARE(txtMin->text(), QStringLiteral("999"));
    }

    // Every stored value reaches its control, and OK without edits writes
    // the same texts back.
    void fullStoreRoundTrip() {
        WindowRig rig;
        rig.storePictures(3);
        // 1440 is longer than the box takes by typing; 33023 is orange, red in the low byte.
        const QStringList values = {"Setting/MirellTime=1440",
                                    "Setting/OrderMode=0",
                                    "Setting/Stretch=True",
                                    "Caption/ShowCaption=True",
                                    "Caption/CaptionType=2",
                                    "Caption/CaptionString=夏の海",
                                    "Caption/FontName=IPAGothic",
                                    "Caption/FontSize=20",
                                    "Caption/FontColor=33023",
                                    "Caption/Location=3",
                                    "Window/Top=1500",
                                    "Window/Left=3000",
                                    "Setting/MonitorMode=2",
                                    "Setting/MatchOrientation=True"};
        seed(rig, values + QStringList{"Setting/Current=2"});
        rig.open();

        QCOMPARE(text(rig, "txtMin"), QStringLiteral("1440"));
        for (const char *name : {"chkFit", "chkShowStr", "optType2", "optLoc3", "chkOrient"})
            QVERIFY2(rig.child<QAbstractButton>(name)->isChecked(), name);
        QCOMPARE(text(rig, "txtCapt"), QStringLiteral("夏の海"));
        QCOMPARE(rig.child<QComboBox>("cboMonitor")->currentIndex(), 2);
        QCOMPARE(labFont(rig), FontChoice({"IPAGothic", 20, QColor(255, 128, 0)}));
        QCOMPARE(listLines(rig), QStringList({"p1.png", "p2.png", "p3.png"}));
        QCOMPARE(text(rig, "labCurr"), QStringLiteral("p2.png"));
        QCOMPARE(rig.window->pos(), QPoint(200, 100));

        click(rig, "cmdOK");
        for (const QString &line : values + QStringList{"Setting/ListCount=2"})
            QCOMPARE(stored(rig, line), line);
        QCOMPARE(rig.store.unsyncedPuts(), 0);
    }

    // Entries whose keys are lost are listed blank; a window position off
    // every screen is not used (one on it is, in the test above).
    void damagedStore() {
        WindowRig rig;
        seed(rig, {"Setting/ListCount=2", "Setting/Files0=" + rig.picture("a.png"),
                   "Setting/Title0=a.png", "Setting/Title2=c.png", "Window/Top=1500",
                   "Window/Left=60000"});
        rig.open();
        QCOMPARE(rig.window->pos(), QWidget().pos());
        QCOMPARE(listLines(rig), QStringList({"a.png", "", "c.png"}));
    }

    // A folder chosen with its button is one line with its picture count;
    // OK keeps it as one entry ending with the separator, Cancel drops it.
    void folderLine_data() {
        QTest::addColumn<QByteArray>("button");
        QTest::newRow("OK") << QByteArray("cmdOK");
        QTest::newRow("Cancel") << QByteArray("cmdCancel");
    }
    void folderLine() {
        QFETCH(QByteArray, button);
        FolderIndex index(FolderIndex::Options{});
        WindowRig rig;
        rig.storePictures(1);
        rig.rotator.setFolderIndex(&index);
        rig.open().show();
        const QString folder = rig.dir.filePath("holiday");
        QVERIFY(QDir().mkpath(folder + "/2026"));
        writePicture(folder + "/2026/sea.png");
        rig.dialogs.openFileAnswers << folder;
        click(rig, "cmdFolder");
        QTRY_COMPARE(listLines(rig), QStringList({"p1.png", "holiday (1枚)"}));
        click(rig, button);
        const bool kept = button == "cmdOK";
        QCOMPARE(rig.store.value("Setting", "Files1"), kept ? folder + '/' : QString());
        QCOMPARE(rig.rotator.pictures().count(), kept ? 2 : 1);
    }

    void interval_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("stored");
        const QString bad = QStringLiteral("入力が不正です。");
        QTest::newRow("zero") << "0" << QString() << 0;
        QTest::newRow("spaces around") << " 7 " << QString() << 7;
        QTest::newRow("fraction") << "1.5" << QString() << 2;
        QTest::newRow("negative") << "-1" << bad << 60;
        QTest::newRow("empty") << "" << QStringLiteral("変更する間隔を指定して下さい。") << 60;
        QTest::newRow("beyond 16 bits") << "1e9" << bad << 60;
    }
    void interval() {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(int, stored);
        WindowRig rig;
        rig.storePictures(3);
        rig.open().show();
        rig.child<QListWidget>("lstImages")->setCurrentRow(0);
        click(rig, "cmdDel");
        rig.child("cmdAdd")->setFocus();
        rig.child<QLineEdit>("txtMin")->setText(typed);
        check(rig, "chkFit");
        click(rig, "cmdOK");
        // The edited list is kept and used either way, the rest only when the interval is.
        QCOMPARE(rig.store.value("Setting", "ListCount"), QStringLiteral("1"));
        QCOMPARE(rig.rotator.pictures().Titles, QStringList({"p2.png", "p3.png"}));
        QCOMPARE(rig.rotator.settings().MirellTime, stored);
        const bool accepted = message.isEmpty();
        QCOMPARE(rig.dialogs.messages, accepted ? QStringList() : QStringList{message});
        QCOMPARE(rig.store.contains("Setting", "Stretch"), accepted);
        QCOMPARE(rig.tray.calls, accepted ? QStringList{"AddIcon Mirell!"} : QStringList());
        QCOMPARE(rig.child<QTabWidget>("sstTabs")->currentIndex(), accepted ? 0 : 1);
        QCOMPARE(rig.window->focusWidget() == rig.child("txtMin"), !accepted);
    }

    // The caption group follows its check box, the free text its option;
    // Cancel takes back every edit. A cancelled font dialog starts from the
    // pending choice, and sizes are stored whole.
    void captionRulesAndCancel() {
        WindowRig rig;
        rig.storePictures(2);
        rig.store.set("Caption", "Location", "1");
        rig.open();
        const FontChoice font = labFont(rig);
        check(rig, "chkShowStr");
        QVERIFY(captionGroupEnabled(rig, true) && !rig.child("txtCapt")->isEnabled());
        check(rig, "optType2");
        QVERIFY(rig.child("txtCapt")->isEnabled());
        check(rig, "optLoc3");
        rig.dialogs.fontAnswers << FontChoice{QStringLiteral("IPAPGothic"), 30, Qt::red};
        click(rig, "cmdFont");
        rig.dialogs.openFilesAnswers << QStringList{rig.picture("extra.png")};
        click(rig, "cmdAdd");
        rig.child<QLineEdit>("txtMin")->setText(QStringLiteral("9"));
        rig.child<QComboBox>("cboMonitor")->setCurrentIndex(1);
        QVERIFY(rig.child("chkOrient")->isEnabled());
        QTest::keyClick(rig.window.get(), Qt::Key_Escape);
        QCOMPARE(rig.tray.calls, QStringList{"AddIcon Mirell!"});
        QCOMPARE(listLines(rig), QStringList({"p1.png", "p2.png"}));
        QVERIFY(rig.child<QAbstractButton>("optLoc1")->isChecked() &&
                rig.child<QAbstractButton>("optType1")->isChecked());
        QVERIFY(captionGroupEnabled(rig, false) && !rig.child("txtCapt")->isEnabled());
        QCOMPARE(labFont(rig), font);
        QCOMPARE(text(rig, "txtMin"), QStringLiteral("60"));
        QCOMPARE(rig.child<QComboBox>("cboMonitor")->currentIndex(), 0);
        QVERIFY(!rig.child("chkOrient")->isEnabled());
        QVERIFY(rig.store.puts().isEmpty());

        check(rig, "chkShowStr");
        const FontChoice chosen{QStringLiteral("IPAGothic"), 10.5, QColor(0, 0, 255)};
        rig.dialogs.fontAnswers << chosen;
        click(rig, "cmdFont");
        click(rig, "cmdFont");
        QCOMPARE(rig.dialogs.fontInitials.last(), chosen);
        QCOMPARE(labFont(rig), chosen);
        click(rig, "cmdOK");
        QCOMPARE(rig.store.value("Caption", "FontSize"), QStringLiteral("10"));
    }

    // Opened, the window shows the rotator's list, which the tray may have
    // shortened while it was hidden, with the picture on the desktop selected.
    void opensOnTheCurrentLine() {
        WindowRig rig;
        rig.storePictures(3);
        rig.store.set("Setting", "Current", "2");
        rig.open().openSettings();
        auto *list = rig.child<QListWidget>("lstImages");
        QCOMPARE(list->currentRow(), 1);
        click(rig, "cmdCancel");
        QCOMPARE(rig.rotator.removeCurrent(), QString());
        rig.window->openSettings();
        QCOMPARE(listLines(rig), QStringList({"p1.png", "p3.png"}));
        QCOMPARE(list->currentRow(), 1);
        QVERIFY(rig.child("cmdDel")->isEnabled());
    }

    // The window edits a copy of the list: the rotator takes it on OK, and
    // the label shows what the rotator put on the desktop.
    void okHandsOverTheList() {
        WindowRig rig;
        const QStringList p = rig.storePictures(2);
        rig.store.set("Setting", "Current", "1");
        rig.open();
        rig.dialogs.openFilesAnswers << QStringList{rig.picture("extra.png")};
        click(rig, "cmdAdd");
        rig.rotator.RotationStep(); // the timer's step knows only the confirmed list
        rig.rotator.RotationStep();
        rig.child<QListWidget>("lstImages")->setCurrentRow(2);
        click(rig, "cmdLet"); // the line as the window lists it
        QCOMPARE(rig.store.value("Setting", "Current"), QStringLiteral("3"));
        QCOMPARE(text(rig, "labCurr"), QStringLiteral("extra.png"));
        check(rig, "optOrder2");
        rig.random.script({0.9});
        click(rig, "cmdOK"); // a switched order chooses afresh, from the whole list
        QCOMPARE(rig.rotator.pictures().Titles, QStringList({"p1.png", "p2.png", "extra.png"}));
        QCOMPARE(rig.composed, QStringList({p[1], p[0], rig.dir.filePath("extra.png"),
                                            rig.dir.filePath("extra.png")}));
        QCOMPARE(rig.store.unsyncedPuts(), 0);
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
