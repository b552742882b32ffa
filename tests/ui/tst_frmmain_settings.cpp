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
const char *const SelectionButtons[] = {"cmdDel",  "cmdMirell", "cmdUp", "cmdDown",
                                        "cmdPrev", "cmdOpen",   "cmdLet"};

bool checked(WindowRig &rig, const char *name) {
    return rig.child<QAbstractButton>(name)->isChecked();
}

QStringList listLines(WindowRig &rig) {
    QStringList lines;
    auto *list = rig.child<QListWidget>("lstImages");
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

} // namespace

class TestFrmMainSettings : public QObject {
    Q_OBJECT

  private slots:
    void emptyStoreGivesDefaults() {
        WindowRig rig;
        rig.open();
        QCOMPARE(rig.child<QLineEdit>("txtMin")->text(), QStringLiteral("60"));
        QCOMPARE(rig.timer->alarmMinute(), 60);
        QVERIFY(checked(rig, "optOrder0"));
        QVERIFY(!checked(rig, "chkFit"));
        QVERIFY(!checked(rig, "chkShowStr"));
        QVERIFY(checked(rig, "optType1"));
        QVERIFY(checked(rig, "optLoc0"));
        auto *labFont = rig.child<QLabel>("labFont");
        QCOMPARE(labFont->text(), QStringLiteral("ＭＳ Ｐゴシック"));
        QCOMPARE(labFont->font().pointSizeF(), 12.0);
        QCOMPARE(labFont->palette().color(QPalette::WindowText), QColor(Qt::black));
        QCOMPARE(rig.child<QLabel>("labCurr")->text(), QString());
        QCOMPARE(rig.child<QListWidget>("lstImages")->count(), 0);
        QCOMPARE(rig.window->rotation().Current, qint16(0));
        for (const char *name : CaptionGroup)
            QVERIFY2(!rig.child(name)->isEnabled(), name);
        // Loading writes nothing.
        QVERIFY(rig.store.puts().isEmpty());
    }

    // Every stored value reaches its control, and OK without edits writes
    // the same texts back.
    void fullStoreRoundTrip() {
        WindowRig rig;
        const QStringList paths = rig.storePictures(3);
        const QList<std::pair<QString, QString>> values = {
            {"Setting/MirellTime", "15"},      {"Setting/OrderMode", "0"},
            {"Setting/Stretch", "True"},       {"Caption/ShowCaption", "True"},
            {"Caption/CaptionType", "2"},      {"Caption/CaptionString", "夏の海"},
            {"Caption/FontName", "IPAGothic"}, {"Caption/FontSize", "20"},
            {"Caption/FontColor", "33023"}, // orange: red in the low byte
            {"Caption/Location", "3"},
        };
        for (const auto &[key, value] : values)
            rig.store.set(key.section('/', 0, 0), key.section('/', 1), value);
        rig.store.set("Setting", "Current", "2");
        rig.open();

        QCOMPARE(rig.child<QLineEdit>("txtMin")->text(), QStringLiteral("15"));
        QCOMPARE(rig.timer->alarmMinute(), 15);
        QVERIFY(checked(rig, "chkFit"));
        QVERIFY(checked(rig, "chkShowStr"));
        QVERIFY(checked(rig, "optType2"));
        QVERIFY(checked(rig, "optLoc3"));
        QCOMPARE(rig.child<QLineEdit>("txtCapt")->text(), QStringLiteral("夏の海"));
        auto *labFont = rig.child<QLabel>("labFont");
        QCOMPARE(labFont->text(), QStringLiteral("IPAGothic"));
        QCOMPARE(labFont->font().family(), QStringLiteral("IPAGothic"));
        QCOMPARE(labFont->font().pointSizeF(), 20.0);
        QCOMPARE(labFont->palette().color(QPalette::WindowText), QColor(255, 128, 0));
        QCOMPARE(listLines(rig), QStringList({"p1.png", "p2.png", "p3.png"}));
        QCOMPARE(rig.child<QLabel>("labCurr")->text(), QStringLiteral("p2.png"));
        QCOMPARE(rig.window->rotation().Current, qint16(2));
        for (const char *name : CaptionGroup)
            QVERIFY2(rig.child(name)->isEnabled(), name);
        QVERIFY(rig.child("txtCapt")->isEnabled());

        rig.window->show();
        rig.child<QPushButton>("cmdOK")->click();
        for (const auto &[key, value] : values)
            QCOMPARE(rig.store.value(key.section('/', 0, 0), key.section('/', 1)), value);
        QCOMPARE(rig.store.value("Setting", "ListCount"), QStringLiteral("2"));
        QCOMPARE(rig.store.unsyncedPuts(), 0);
    }

    void storedCurrent_data() {
        QTest::addColumn<QString>("order");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("counter");
        QTest::newRow("last picture") << "0"
                                      << "3"
                                      << "p3.png" << 3;
        QTest::newRow("beyond the list") << "0"
                                         << "7"
                                         << "" << 7;
        QTest::newRow("zero") << "0"
                              << "0"
                              << "" << 0;
        QTest::newRow("shuffled starts afresh") << "1"
                                                << "2"
                                                << "p2.png" << 0;
        QTest::newRow("random starts afresh") << "2"
                                              << "2"
                                              << "p2.png" << 0;
        QTest::newRow("negative") << "0"
                                  << "-5"
                                  << "" << 0;
        // Out of range falls back to the key's default, 1.
        QTest::newRow("beyond 16 bits") << "0"
                                        << "99999"
                                        << "p1.png" << 1;
        QTest::newRow("not a number") << "0"
                                      << "x"
                                      << "p1.png" << 1;
    }

    void storedCurrent() {
        QFETCH(QString, order);
        QFETCH(QString, current);
        QFETCH(QString, label);
        QFETCH(int, counter);
        WindowRig rig;
        rig.storePictures(3);
        rig.store.set("Setting", "OrderMode", order);
        rig.store.set("Setting", "Current", current);
        rig.open();
        QCOMPARE(rig.child<QLabel>("labCurr")->text(), label);
        QCOMPARE(int(rig.window->rotation().Current), counter);
        // Whatever was restored, the next step lands on a listed picture.
        rig.window->RotationStep();
        QCOMPARE(rig.composed.size(), 1);
    }

    // A store only a broken file or a hand edit can produce.
    void damagedStore() {
        WindowRig rig;
        rig.store.set("Setting", "MirellTime", "abc");
        rig.store.set("Setting", "OrderMode", "7");
        rig.store.set("Setting", "ListCount", "2");
        rig.store.set("Setting", "Files0", rig.picture("a.png"));
        rig.store.set("Setting", "Title0", "a.png"); // Files1, Title1, Files2 missing
        rig.store.set("Setting", "Title2", "c.png");
        rig.store.set("Caption", "CaptionType", "-3");
        rig.store.set("Caption", "Location", "9");
        rig.store.set("Caption", "FontSize", "1e9");
        rig.store.set("Caption", "FontColor", "blue");
        rig.store.set("Window", "Top", "-999999");
        rig.store.set("Window", "Left", "nonsense");
        rig.open();
        QCOMPARE(rig.child<QLineEdit>("txtMin")->text(), QStringLiteral("60"));
        QVERIFY(checked(rig, "optOrder0"));
        QVERIFY(checked(rig, "optType1"));
        QVERIFY(checked(rig, "optLoc0"));
        QCOMPARE(rig.child<QLabel>("labFont")->font().pointSizeF(), 12.0);
        QCOMPARE(listLines(rig), QStringList({"a.png", "", "c.png"}));
        QVERIFY(rig.child<QWidget>("labCurr")->isVisibleTo(rig.window.get()));
        // "Current" is missing, so list order goes on after picture 1; the
        // steps over entries without a file apply nothing.
        for (int i = 0; i < 4; ++i)
            rig.window->RotationStep();
        QCOMPARE(rig.composed, QStringList{rig.dir.filePath("a.png")});
        QCOMPARE(rig.child<QLabel>("labCurr")->text(), QStringLiteral("a.png"));
        QCOMPARE(rig.store.value("Setting", "Current"), QStringLiteral("1"));
    }

    void windowPosition_data() {
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("left");
        QTest::addColumn<bool>("moved");
        QTest::newRow("on screen") << "1500"
                                   << "3000" << true;
        QTest::newRow("right of the screens") << "1500"
                                              << "60000" << false;
        QTest::newRow("above the screen") << "-6000"
                                          << "3000" << false;
    }

    void windowPosition() {
        QFETCH(QString, top);
        QFETCH(QString, left);
        QFETCH(bool, moved);
        WindowRig rig;
        rig.store.set("Window", "Top", top);
        rig.store.set("Window", "Left", left);
        const QPoint before = QWidget().pos();
        rig.open();
        if (moved)
            QCOMPARE(rig.window->pos(), QPoint(left.toInt() / 15, top.toInt() / 15));
        else
            QCOMPARE(rig.window->pos(), before);
    }

    void captionRules() {
        WindowRig rig;
        rig.open();
        auto *show = rig.child<QAbstractButton>("chkShowStr");
        auto *txtCapt = rig.child<QLineEdit>("txtCapt");
        show->setChecked(true);
        for (const char *name : CaptionGroup)
            QVERIFY2(rig.child(name)->isEnabled(), name);
        QVERIFY(!txtCapt->isEnabled()); // file name selected

        rig.child<QAbstractButton>("optType2")->setChecked(true);
        QVERIFY(txtCapt->isEnabled());
        txtCapt->setText(QStringLiteral("free"));
        rig.child<QAbstractButton>("optType0")->setChecked(true);
        QVERIFY(!txtCapt->isEnabled());
        QCOMPARE(txtCapt->text(), QStringLiteral("free"));

        rig.child<QAbstractButton>("optType2")->setChecked(true);
        show->setChecked(false);
        for (const char *name : CaptionGroup)
            QVERIFY2(!rig.child(name)->isEnabled(), name);
        QVERIFY(!txtCapt->isEnabled()); // inside a disabled frame: no input
    }

    void fontChoice_data() {
        QTest::addColumn<double>("size");
        QTest::addColumn<QString>("stored");
        QTest::newRow("whole") << 20.0 << "20";
        QTest::newRow("half down to even") << 10.5 << "10";
        QTest::newRow("half up to even") << 11.5 << "12";
    }

    void fontChoice() {
        QFETCH(double, size);
        QFETCH(QString, stored);
        WindowRig rig;
        rig.open();
        rig.child<QAbstractButton>("chkShowStr")->setChecked(true);
        auto *labFont = rig.child<QLabel>("labFont");

        rig.child<QPushButton>("cmdFont")->click(); // cancelled
        QCOMPARE(rig.dialogs.fontInitials.size(), 1);
        QCOMPARE(rig.dialogs.fontInitials[0],
                 FontChoice({QStringLiteral("ＭＳ Ｐゴシック"), 12, QColor(Qt::black)}));
        QCOMPARE(labFont->text(), QStringLiteral("ＭＳ Ｐゴシック"));
        QCOMPARE(labFont->font().pointSizeF(), 12.0);

        const FontChoice chosen{QStringLiteral("IPAGothic"), size, QColor(0, 0, 255)};
        rig.dialogs.fontAnswers << chosen;
        rig.child<QPushButton>("cmdFont")->click();
        QCOMPARE(labFont->text(), chosen.name);
        QCOMPARE(labFont->font().family(), chosen.name);
        QCOMPARE(labFont->font().pointSizeF(), size);
        QCOMPARE(labFont->palette().color(QPalette::WindowText), chosen.color);
        // The next dialog starts from the pending choice.
        rig.child<QPushButton>("cmdFont")->click();
        QCOMPARE(rig.dialogs.fontInitials.last(), chosen);

        rig.window->show();
        rig.child<QPushButton>("cmdOK")->click();
        QCOMPARE(rig.store.value("Caption", "FontName"), chosen.name);
        QCOMPARE(rig.store.value("Caption", "FontSize"), stored);
        QCOMPARE(rig.store.value("Caption", "FontColor"), QStringLiteral("16711680"));
    }

    void interval_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message"); // empty: accepted
        QTest::addColumn<QString>("stored");
        const QString bad = QStringLiteral("入力が不正です。");
        QTest::newRow("zero") << "0"
                              << ""
                              << "0";
        QTest::newRow("spaces around") << " 7 "
                                       << ""
                                       << "7";
        QTest::newRow("fraction") << "1.5"
                                  << ""
                                  << "2";
        QTest::newRow("negative") << "-1" << bad << "";
        QTest::newRow("empty") << ""
                               << "変更する間隔を指定して下さい。"
                               << "";
        QTest::newRow("spaces only") << "   "
                                     << "変更する間隔を指定して下さい。"
                                     << "";
        QTest::newRow("beyond 16 bits") << "1e9" << bad << "";
        QTest::newRow("letters") << "abc" << bad << "";
    }

    void interval() {
        QFETCH(QString, text);
        QFETCH(QString, message);
        QFETCH(QString, stored);
        WindowRig rig;
        rig.storePictures(2);
        rig.open();
        rig.window->show();
        rig.child<QPushButton>("cmdAdd")->setFocus();
        rig.dialogs.openFilesAnswers << QStringList{rig.picture("new.png")};
        rig.child<QPushButton>("cmdAdd")->click();
        rig.child<QLineEdit>("txtMin")->setText(text);
        rig.child<QAbstractButton>("chkFit")->setChecked(true);
        rig.child<QPushButton>("cmdOK")->click();

        // The edited list is kept in either case.
        QCOMPARE(rig.store.value("Setting", "ListCount"), QStringLiteral("2"));
        QCOMPARE(rig.store.value("Setting", "Title2"), QStringLiteral("new.png"));
        QCOMPARE(rig.store.unsyncedPuts(), 0);
        if (message.isEmpty()) {
            QVERIFY(rig.dialogs.messages.isEmpty());
            QCOMPARE(rig.store.value("Setting", "MirellTime"), stored);
            QCOMPARE(rig.timer->alarmMinute(), stored.toInt());
            QCOMPARE(rig.store.value("Setting", "Stretch"), QStringLiteral("True"));
            QCOMPARE(rig.tray.calls, QStringList{"AddIcon Mirell!"});
            QVERIFY(!rig.window->isVisible());
        } else {
            QCOMPARE(rig.dialogs.messageTexts(), QStringList{message});
            QCOMPARE(rig.dialogs.messages[0].icon, Dialogs::Icon::Exclamation);
            QVERIFY(!rig.store.contains("Setting", "MirellTime"));
            QVERIFY(!rig.store.contains("Setting", "Stretch"));
            QCOMPARE(rig.timer->alarmMinute(), 60);
            QVERIFY(rig.tray.calls.isEmpty());
            QVERIFY(rig.window->isVisible());
            QCOMPARE(rig.child<QTabWidget>("sstTabs")->currentIndex(), 1);
            QCOMPARE(rig.window->focusWidget(), rig.child("txtMin"));
        }
    }

    // An interval longer than the box takes by typing is kept, not cut.
    void longStoredInterval() {
        WindowRig rig;
        rig.store.set("Setting", "MirellTime", "1440");
        rig.open();
        QCOMPARE(rig.child<QLineEdit>("txtMin")->text(), QStringLiteral("1440"));
        rig.window->show();
        rig.child<QPushButton>("cmdOK")->click();
        QCOMPARE(rig.store.value("Setting", "MirellTime"), QStringLiteral("1440"));
    }

    void cancelRestores() {
        WindowRig rig;
        rig.storePictures(2);
        rig.store.set("Caption", "Location", "1");
        rig.store.set("Caption", "FontName", "IPAGothic");
        rig.store.set("Setting", "MirellTime", "5");
        rig.open();
        rig.window->show();
        rig.child<QAbstractButton>("chkShowStr")->setChecked(true);
        rig.child<QAbstractButton>("optLoc3")->setChecked(true);
        rig.dialogs.fontAnswers << FontChoice{QStringLiteral("IPAPGothic"), 30, Qt::red};
        rig.child<QPushButton>("cmdFont")->click();
        rig.dialogs.openFilesAnswers << QStringList{rig.picture("extra.png")};
        rig.child<QPushButton>("cmdAdd")->click();
        rig.child<QListWidget>("lstImages")->setCurrentRow(1);
        QVERIFY(rig.child("cmdDel")->isEnabled());
        rig.child<QLineEdit>("txtMin")->setText(QStringLiteral("9"));

        QTest::keyClick(rig.window.get(), Qt::Key_Escape);
        QCOMPARE(rig.tray.calls, QStringList{"AddIcon Mirell!"});
        QVERIFY(!rig.window->isVisible());
        QCOMPARE(listLines(rig), QStringList({"p1.png", "p2.png"}));
        QCOMPARE(rig.child<QListWidget>("lstImages")->currentRow(), -1);
        for (const char *name : SelectionButtons)
            QVERIFY2(!rig.child(name)->isEnabled(), name);
        QVERIFY(checked(rig, "optLoc1"));
        QVERIFY(!checked(rig, "chkShowStr"));
        QVERIFY(!rig.child("Frame2")->isEnabled());
        QCOMPARE(rig.child<QLabel>("labFont")->text(), QStringLiteral("IPAGothic"));
        QCOMPARE(rig.child<QLabel>("labFont")->font().pointSizeF(), 12.0);
        QCOMPARE(rig.child<QLineEdit>("txtMin")->text(), QStringLiteral("5"));
        QVERIFY(rig.store.puts().isEmpty());

        rig.window->show();
        rig.child<QPushButton>("cmdOK")->click();
        QCOMPARE(rig.store.value("Caption", "Location"), QStringLiteral("1"));
        QCOMPARE(rig.store.value("Caption", "FontName"), QStringLiteral("IPAGothic"));
        QCOMPARE(rig.store.value("Setting", "ListCount"), QStringLiteral("1"));
    }

    // Without a notification area a hidden window could not be reached again.
    void withoutTrayTheWindowIsMinimised() {
        WindowRig rig;
        rig.tray.available = false;
        rig.open();
        rig.window->show();
        rig.child<QPushButton>("cmdCancel")->click();
        QVERIFY(rig.window->isVisible());
        QVERIFY(rig.window->isMinimized());
        rig.window->showNormal();
        rig.child<QPushButton>("cmdOK")->click();
        QVERIFY(rig.window->isVisible());
        QVERIFY(rig.window->isMinimized());
    }
};

QTEST_MAIN(TestFrmMainSettings)
#include "tst_frmmain_settings.moc"
