// Pictures to the desktop from the window: the timed step, the tray menu,
// the picture-apply button, OK's follow-up, and the tray's ways in and out.
#include "FakeUi.h"
#include "FrmPrev.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

QAction *action(WindowRig &rig, const char *name) {
    QAction *found = rig.window->popupMenu()->findChild<QAction *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no menu item %s", name);
    return found;
}
QString label(WindowRig &rig) {
    return rig.child<QLabel>("labCurr")->text();
}
void click(WindowRig &rig, const char *name) {
    rig.child<QPushButton>(name)->click();
}
bool wroteCurrent(const WindowRig &rig) {
    const auto puts = rig.store.puts();
    return std::any_of(puts.begin(), puts.end(),
                       [](const auto &put) { return put.key == "Current"; });
}

} // namespace

class TestFrmMainRotation : public QObject {
    Q_OBJECT

  private slots:
    void listOrderByMenuAndAlarm() {
        WindowRig rig;
        const QStringList p = rig.storePictures(3);
        rig.store.set("Setting", "Current", "1");
        rig.open();
        action(rig, "mnuNow")->trigger();
        QCOMPARE(label(rig), QStringLiteral("p2.png"));
        QCOMPARE(rig.store.value("Setting", "Current"), QStringLiteral("2"));
        action(rig, "mnuNow")->trigger();
        rig.timer->fire(); // the same step, through the meta-object
        QCOMPARE(rig.composed, QStringList({p[1], p[2], p[0]}));
        QCOMPARE(label(rig), QStringLiteral("p1.png"));
        QCOMPARE(rig.store.value("Setting", "Current"), QStringLiteral("1"));
        QCOMPARE(rig.store.unsyncedPuts(), 0);
        QVERIFY(!rig.window->isVisible());
        QVERIFY(rig.tray.calls.isEmpty());
    }

    // A picture that cannot be loaded changes nothing the user sees, but the
    // list order moves on past it.
    void unloadablePictureLeavesLabelAndStore() {
        WindowRig rig;
        const QStringList p = rig.storePictures(3);
        QFile::remove(p[1]);
        rig.store.set("Setting", "Current", "1");
        rig.open();
        rig.window->RotationStep();
        QVERIFY(rig.composed.isEmpty());
        QCOMPARE(label(rig), QStringLiteral("p1.png"));
        QVERIFY(rig.store.puts().isEmpty());
        rig.window->RotationStep();
        QCOMPARE(rig.composed, QStringList{p[2]});
    }

    void desktopRefusalIsToldOnce() {
        WindowRig rig;
        rig.storePictures(2);
        rig.store.set("Setting", "Current", "1");
        rig.desktop.failure = QStringLiteral("no desktop here");
        rig.open();
        rig.window->RotationStep();
        rig.window->RotationStep();
        QCOMPARE(rig.tray.notes, QStringList{"no desktop here"});
        QCOMPARE(label(rig), QStringLiteral("p1.png"));
        QVERIFY(!wroteCurrent(rig));
    }

    void applySelected() {
        WindowRig rig;
        const QStringList p = rig.storePictures(5);
        rig.open();
        rig.child<QListWidget>("lstImages")->setCurrentRow(3);
        click(rig, "cmdLet");
        QCOMPARE(rig.composed, QStringList{p[3]});
        QCOMPARE(label(rig), QStringLiteral("p4.png"));
        QCOMPARE(rig.store.value("Setting", "Current"), QStringLiteral("4"));
        QCOMPARE(rig.store.unsyncedPuts(), 0);
        rig.window->RotationStep();
        QCOMPARE(rig.composed.last(), p[4]);
    }

    // What OK puts on the desktop, by the stored order and whether the user
    // switched it.
    void okComposes_data() {
        QTest::addColumn<int>("order");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("switchTo"); // -1: no switch
        QTest::addColumn<double>("random");
        QTest::addColumn<int>("picture"); // 1-based
        QTest::addColumn<bool>("writesCurrent");
        QTest::newRow("list order again") << 0 << 3 << -1 << 0.0 << 3 << false;
        QTest::newRow("reselected list order") << 0 << 3 << 0 << 0.0 << 3 << false;
        QTest::newRow("list to shuffle") << 0 << 3 << 1 << 0.5 << 3 << true;
        QTest::newRow("list to random") << 0 << 3 << 2 << 0.9 << 5 << true;
        QTest::newRow("shuffled, first OK") << 1 << 4 << -1 << 0.0 << 1 << true;
        QTest::newRow("nothing shown yet") << 0 << 0 << -1 << 0.0 << 1 << true;
    }

    void okComposes() {
        QFETCH(int, order);
        QFETCH(int, current);
        QFETCH(int, switchTo);
        QFETCH(double, random);
        QFETCH(int, picture);
        QFETCH(bool, writesCurrent);
        WindowRig rig;
        const QStringList p = rig.storePictures(5);
        rig.store.set("Setting", "OrderMode", QString::number(order));
        rig.store.set("Setting", "Current", QString::number(current));
        rig.random.script({random});
        rig.open();
        rig.window->show();
        if (switchTo >= 0)
            rig.child<QAbstractButton>(qPrintable(QStringLiteral("optOrder%1").arg(switchTo)))
                ->setChecked(true);
        rig.store.clearPuts();
        click(rig, "cmdOK");
        QCOMPARE(rig.composed, QStringList{p[picture - 1]});
        QCOMPARE(label(rig), FileNameOf(p[picture - 1]));
        QCOMPARE(wroteCurrent(rig), writesCurrent);
        if (writesCurrent)
            QCOMPARE(rig.store.value("Setting", "Current"), QString::number(picture));
    }

    // After a step in any order, OK without edits composes that picture again.
    void okRecomposesInEveryOrder() {
        for (const char *order : {"0", "1", "2"}) {
            WindowRig rig;
            rig.storePictures(4);
            rig.store.set("Setting", "OrderMode", order);
            rig.random.script({0.6});
            rig.open();
            rig.window->RotationStep();
            rig.store.clearPuts();
            rig.window->show();
            click(rig, "cmdOK");
            QCOMPARE(rig.composed.size(), 2);
            QCOMPARE(rig.composed[1], rig.composed[0]);
            QVERIFY2(!wroteCurrent(rig), order);
        }
    }

    // The last picture shown was removed: OK falls back to the first, or to
    // nothing once the list is empty.
    void okAfterRemovals() {
        for (int removed : {2, 4}) {
            WindowRig rig;
            const QStringList p = rig.storePictures(4);
            rig.store.set("Setting", "Current", "4");
            rig.open();
            rig.window->show();
            for (int row = 3; row > 3 - removed; --row) {
                rig.child<QListWidget>("lstImages")->setCurrentRow(row);
                click(rig, "cmdDel");
            }
            click(rig, "cmdOK");
            QCOMPARE(rig.composed, removed == 4 ? QStringList() : QStringList{p[0]});
            QCOMPARE(label(rig), removed == 4 ? QString() : QStringLiteral("p1.png"));
            QCOMPARE(rig.store.value("Setting", "ListCount"), QString::number(3 - removed));
        }
    }

    // Right click: the menu; left double click: the window; nothing else.
    void trayClicks() {
        for (auto [button, clicks, menu, window] : {std::tuple{2, 1, true, false},
                                                    {1, 2, false, true},
                                                    {1, 1, false, false},
                                                    {2, 2, false, false}}) {
            WindowRig rig;
            rig.open();
            rig.tray.click(button, clicks);
            QCOMPARE(rig.window->popupMenu()->isVisible(), menu);
            QCOMPARE(rig.window->isVisible(), window);
            QCOMPARE(rig.tray.calls, window ? QStringList{"RemoveIcon"} : QStringList());
            rig.window->popupMenu()->hide();
        }
    }

    void configOpensAndEnterCloses() {
        WindowRig rig;
        rig.open();
        action(rig, "mnuConfig")->trigger();
        QVERIFY(rig.window->isVisible());
        QTest::keyClick(rig.child("txtMin"), Qt::Key_Return);
        QVERIFY(!rig.window->isVisible());
        QCOMPARE(rig.tray.calls, QStringList({"RemoveIcon", "AddIcon Mirell!"}));
        QCOMPARE(rig.tray.lastIcon.cacheKey(), rig.window->windowIcon().cacheKey());
    }

    void previewAndOpen() {
        WindowRig rig;
        const QStringList p = rig.storePictures(2);
        rig.open();
        rig.window->show();
        rig.child<QListWidget>("lstImages")->setCurrentRow(1);
        click(rig, "cmdPrev");
        click(rig, "cmdPrev");
        const auto previews = rig.window->findChildren<FrmPrev *>();
        QCOMPARE(previews.size(), 1);
        QVERIFY(previews[0]->isVisible());
        QCOMPARE(previews[0]->windowTitle(), QStringLiteral("p2.png"));
        click(rig, "cmdOpen");
        QCOMPARE(rig.opener.opened, QStringList{p[1]});

        QFile::remove(p[0]);
        rig.child<QListWidget>("lstImages")->setCurrentRow(0);
        click(rig, "cmdPrev");
        QCOMPARE(rig.dialogs.messages.size(), 1);
        QVERIFY(rig.dialogs.messages[0].text.startsWith(p[0]));
        QCOMPARE(previews[0]->windowTitle(), QStringLiteral("p2.png"));
    }

    // Closing the window from its title bar ends the program with success.
    void closeQuits() {
        WindowRig rig;
        rig.open();
        action(rig, "mnuConfig")->trigger();
        QTimer::singleShot(0, rig.window.get(), &QWidget::close);
        QTimer::singleShot(20000, qApp, [] { QCoreApplication::exit(99); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(rig.tray.calls, QStringList({"RemoveIcon", "RemoveIcon"}));
    }
};

QTEST_MAIN(TestFrmMainRotation)
#include "tst_frmmain_rotation.moc"
