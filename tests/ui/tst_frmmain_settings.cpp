// Settings between the store and the window: loading, the caption rules, the
// font choice, OK's interval check and what OK and Cancel keep.
#include "FakeUi.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

namespace {

const char *const CaptionGroup[] = {"Frame2",   "Frame3",   "Frame4",  "optType0",
                                    "optType1", "optType2", "cmdFont", "optLoc0",
                                    "optLoc1",  "optLoc2",  "optLoc3"};

bool checked(WindowRig &rig, const char *name) {
    return rig.child<QAbstractButton>(name)->isChecked();
}
void check(WindowRig &rig, const char *name, bool on = true) {
    rig.child<QAbstractButton>(name)->setChecked(on);
}
void click(WindowRig &rig, const char *name) {
    rig.window->show();
    rig.child<QPushButton>(name)->click();
}
QString text(WindowRig &rig, const char *name) {
    if (auto *edit = qobject_cast<QLineEdit *>(rig.child(name)))
        return edit->text();
    return rig.child<QLabel>(name)->text();
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
    for (const char *name : CaptionGroup) {
        if (rig.child(name)->isEnabled() != on)
            return false;
    }
    return true;
}

} // namespace

class TestFrmMainSettings : public QObject {
    Q_OBJECT

  private slots:
    void defaultsAndCaptionRules() {
        WindowRig rig;
        rig.open();
        QCOMPARE(text(rig, "txtMin"), QStringLiteral("60"));
        QCOMPARE(rig.timer->alarmMinute, 60);
        QVERIFY(checked(rig, "optOrder0") && checked(rig, "optType1") && checked(rig, "optLoc0"));
        QVERIFY(!checked(rig, "chkFit") && !checked(rig, "chkShowStr"));
        QCOMPARE(labFont(rig), FontChoice({"ＭＳ Ｐゴシック", 12, QColor(Qt::black)}));
        QCOMPARE(text(rig, "labCurr"), QString());
        QCOMPARE(rig.child<QTabWidget>("sstTabs")->currentIndex(), 0);
        QVERIFY(rig.child("cmdAdd")->isEnabled());
        for (const char *name :
             {"cmdDel", "cmdMirell", "cmdUp", "cmdDown", "cmdPrev", "cmdOpen", "cmdLet", "txtCapt"})
            QVERIFY2(!rig.child(name)->isEnabled(), name);
        QVERIFY(captionGroupEnabled(rig, false));
        QVERIFY(rig.store.puts().isEmpty()); // loading writes nothing

        auto *txtCapt = rig.child<QLineEdit>("txtCapt");
        check(rig, "chkShowStr");
        QVERIFY(captionGroupEnabled(rig, true));
        QVERIFY(!txtCapt->isEnabled()); // file name selected
        check(rig, "optType2");
        QVERIFY(txtCapt->isEnabled());
        check(rig, "optType0");
        QVERIFY(!txtCapt->isEnabled());
        check(rig, "optType2");
        check(rig, "chkShowStr", false);
        QVERIFY(captionGroupEnabled(rig, false));
        QVERIFY(!txtCapt->isEnabled());
    }

    // Every stored value reaches its control, and OK without edits writes
    // the same texts back.
    void fullStoreRoundTrip() {
        WindowRig rig;
        rig.storePictures(3);
        // 1440 is longer than the box takes by typing; 33023 is orange, red in the low byte.
        const QList<std::pair<QString, QString>> values = {
            {"Setting/MirellTime", "1440"},    {"Setting/OrderMode", "0"},
            {"Setting/Stretch", "True"},       {"Caption/ShowCaption", "True"},
            {"Caption/CaptionType", "2"},      {"Caption/CaptionString", "夏の海"},
            {"Caption/FontName", "IPAGothic"}, {"Caption/FontSize", "20"},
            {"Caption/FontColor", "33023"},    {"Caption/Location", "3"}};
        for (const auto &[key, value] : values)
            rig.store.set(key.section('/', 0, 0), key.section('/', 1), value);
        rig.store.set("Setting", "Current", "2");
        rig.open();

        QCOMPARE(text(rig, "txtMin"), QStringLiteral("1440"));
        QCOMPARE(rig.timer->alarmMinute, 1440);
        for (const char *name : {"chkFit", "chkShowStr", "optType2", "optLoc3"})
            QVERIFY2(checked(rig, name), name);
        QCOMPARE(text(rig, "txtCapt"), QStringLiteral("夏の海"));
        QCOMPARE(labFont(rig), FontChoice({"IPAGothic", 20, QColor(255, 128, 0)}));
        QCOMPARE(listLines(rig), QStringList({"p1.png", "p2.png", "p3.png"}));
        QCOMPARE(text(rig, "labCurr"), QStringLiteral("p2.png"));
        QVERIFY(captionGroupEnabled(rig, true));
        QVERIFY(rig.child("txtCapt")->isEnabled());

        click(rig, "cmdOK");
        for (const auto &[key, value] : values)
            QCOMPARE(rig.store.value(key.section('/', 0, 0), key.section('/', 1)), value);
        QCOMPARE(rig.store.value("Setting", "ListCount"), QStringLiteral("2"));
        QCOMPARE(rig.store.unsyncedPuts(), 0);
    }

    // The picture shown last, and where list order goes on from.
    void storedCurrent() {
        for (auto [order, current, label, counter] : {std::tuple{"0", "3", "p3.png", 3},
                                                      {"0", "7", "", 7},
                                                      {"1", "2", "p2.png", 0},
                                                      {"0", "-5", "", 0},
                                                      {"0", "x", "p1.png", 1}}) {
            WindowRig rig;
            rig.storePictures(3);
            rig.store.set("Setting", "OrderMode", order);
            rig.store.set("Setting", "Current", current);
            rig.open();
            QCOMPARE(text(rig, "labCurr"), QString::fromUtf8(label));
            QVERIFY2(rig.window->rotation().Current == counter, current);
        }
    }

    // Entries whose keys are lost are listed blank and skipped by the steps.
    void listWithLostKeys() {
        WindowRig rig;
        rig.store.set("Setting", "ListCount", "2");
        rig.store.set("Setting", "Files0", rig.picture("a.png"));
        rig.store.set("Setting", "Title0", "a.png");
        rig.store.set("Setting", "Title2", "c.png");
        rig.open();
        QCOMPARE(listLines(rig), QStringList({"a.png", "", "c.png"}));
        for (int i = 0; i < 4; ++i)
            rig.window->RotationStep();
        QCOMPARE(rig.composed, QStringList{rig.dir.filePath("a.png")});
        QCOMPARE(rig.store.value("Setting", "Current"), QStringLiteral("1"));
    }

    // A position off every screen would hide the window for good.
    void windowPosition() {
        const QPoint unmoved = QWidget().pos();
        for (auto [top, left, moved] :
             {std::tuple{1500, 3000, true}, {1500, 60000, false}, {-6000, 3000, false}}) {
            WindowRig rig;
            rig.store.set("Window", "Top", QString::number(top));
            rig.store.set("Window", "Left", QString::number(left));
            rig.open();
            QCOMPARE(rig.window->pos(), moved ? QPoint(left / 15, top / 15) : unmoved);
        }
    }

    void fontChoice() {
        WindowRig rig;
        rig.open();
        check(rig, "chkShowStr");
        const FontChoice initial = labFont(rig);
        click(rig, "cmdFont"); // cancelled
        QCOMPARE(rig.dialogs.fontInitials, QList<FontChoice>{initial});
        QCOMPARE(labFont(rig), initial);
        // Sizes are stored whole, halves rounded to even.
        for (auto [size, stored] : {std::pair{10.5, "10"}, {11.5, "12"}}) {
            const FontChoice chosen{QStringLiteral("IPAGothic"), size, QColor(0, 0, 255)};
            rig.dialogs.fontAnswers << chosen;
            click(rig, "cmdFont");
            QCOMPARE(labFont(rig), chosen);
            click(rig, "cmdFont"); // starts from the pending choice
            QCOMPARE(rig.dialogs.fontInitials.last(), chosen);
            click(rig, "cmdOK");
            QCOMPARE(rig.store.value("Caption", "FontName"), chosen.name);
            QCOMPARE(rig.store.value("Caption", "FontSize"), QString::fromLatin1(stored));
            QCOMPARE(rig.store.value("Caption", "FontColor"), QStringLiteral("16711680"));
        }
    }

    void interval_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message"); // empty: accepted
        QTest::addColumn<int>("stored");
        const QString bad = QStringLiteral("入力が不正です。");
        const QString none = QStringLiteral("変更する間隔を指定して下さい。");
        QTest::newRow("zero") << QString("0") << QString() << 0;
        QTest::newRow("spaces around") << QString(" 7 ") << QString() << 7;
        QTest::newRow("fraction") << QString("1.5") << QString() << 2;
        QTest::newRow("negative") << QString("-1") << bad << 60;
        QTest::newRow("empty") << QString() << none << 60;
        QTest::newRow("spaces only") << QString("   ") << none << 60;
        QTest::newRow("beyond 16 bits") << QString("1e9") << bad << 60;
    }

    void interval() {
        QFETCH(QString, text);
        QFETCH(QString, message);
        QFETCH(int, stored);
        WindowRig rig;
        rig.storePictures(2);
        rig.open();
        rig.window->show();
        rig.child("cmdAdd")->setFocus();
        rig.dialogs.openFilesAnswers << QStringList{rig.picture("new.png")};
        click(rig, "cmdAdd");
        rig.child<QLineEdit>("txtMin")->setText(text);
        check(rig, "chkFit");
        click(rig, "cmdOK");

        // The edited list is kept either way.
        QCOMPARE(rig.store.value("Setting", "ListCount"), QStringLiteral("2"));
        QCOMPARE(rig.store.value("Setting", "Title2"), QStringLiteral("new.png"));
        QCOMPARE(rig.store.unsyncedPuts(), 0);
        QCOMPARE(rig.timer->alarmMinute, stored);
        const bool accepted = message.isEmpty();
        QCOMPARE(rig.dialogs.messageTexts(), accepted ? QStringList() : QStringList{message});
        QCOMPARE(rig.store.contains("Setting", "Stretch"), accepted);
        QCOMPARE(rig.store.value("Setting", "MirellTime"),
                 accepted ? QString::number(stored) : QString());
        QCOMPARE(rig.tray.calls, accepted ? QStringList{"AddIcon Mirell!"} : QStringList());
        QCOMPARE(rig.window->isVisible(), !accepted);
        if (!accepted) {
            QCOMPARE(rig.dialogs.messages[0].icon, Dialogs::Icon::Exclamation);
            QCOMPARE(rig.child<QTabWidget>("sstTabs")->currentIndex(), 1);
            QCOMPARE(rig.window->focusWidget(), rig.child("txtMin"));
        }
    }

    void cancelRestores() {
        WindowRig rig;
        rig.storePictures(2);
        rig.store.set("Caption", "Location", "1");
        rig.store.set("Caption", "FontName", "IPAGothic");
        rig.store.set("Setting", "MirellTime", "5");
        rig.open();
        const FontChoice font = labFont(rig);
        check(rig, "chkShowStr");
        check(rig, "optLoc3");
        rig.dialogs.fontAnswers << FontChoice{QStringLiteral("IPAPGothic"), 30, Qt::red};
        click(rig, "cmdFont");
        rig.dialogs.openFilesAnswers << QStringList{rig.picture("extra.png")};
        click(rig, "cmdAdd");
        rig.child<QListWidget>("lstImages")->setCurrentRow(1);
        QVERIFY(rig.child("cmdDel")->isEnabled());
        rig.child<QLineEdit>("txtMin")->setText(QStringLiteral("9"));

        QTest::keyClick(rig.window.get(), Qt::Key_Escape);
        QCOMPARE(rig.tray.calls, QStringList{"AddIcon Mirell!"});
        QVERIFY(!rig.window->isVisible());
        QCOMPARE(listLines(rig), QStringList({"p1.png", "p2.png"}));
        QVERIFY(!rig.child("cmdDel")->isEnabled());
        QVERIFY(checked(rig, "optLoc1") && !checked(rig, "chkShowStr"));
        QVERIFY(captionGroupEnabled(rig, false));
        QCOMPARE(labFont(rig), font);
        QCOMPARE(text(rig, "txtMin"), QStringLiteral("5"));
        QVERIFY(rig.store.puts().isEmpty());
    }

    // Without a notification area a hidden window could not be reached again.
    void withoutTrayTheWindowIsMinimised() {
        WindowRig rig;
        rig.tray.available = false;
        rig.open();
        for (const char *button : {"cmdCancel", "cmdOK"}) {
            rig.window->showNormal();
            click(rig, button);
            QVERIFY2(rig.window->isVisible() && rig.window->isMinimized(), button);
        }
    }
};

QTEST_MAIN(TestFrmMainSettings)
#include "tst_frmmain_settings.moc"
