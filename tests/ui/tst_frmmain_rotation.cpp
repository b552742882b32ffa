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
    const auto actions = rig.window->popupMenu()->actions();
    for (QAction *a : actions) {
        if (a->objectName() == QLatin1String(name))
            return a;
    }
    qFatal("no menu item %s", name);
}

QString label(WindowRig &rig) {
    return rig.child<QLabel>("labCurr")->text();
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
        QCOMPARE(label(rig), QStringLiteral("p1.png"));

        action(rig, "mnuNow")->trigger();
        QCOMPARE(rig.composed, QStringList{p[1]});
        QCOMPARE(label(rig), QStringLiteral("p2.png"));
        QCOMPARE(rig.store.value("Setting", "Current"), QStringLiteral("2"));
        action(rig, "mnuNow")->trigger();
        // The timer's alarm runs the same step, through the meta-object.
        rig.timer->fire();
        QCOMPARE(rig.composed, QStringList({p[1], p[2], p[0]}));
        QCOMPARE(label(rig), QStringLiteral("p1.png"));
        QCOMPARE(rig.store.value("Setting", "Current"), QStringLiteral("1"));
        QCOMPARE(rig.store.unsyncedPuts(), 0);
        // The menu item neither shows the window nor touches the icon.
        QVERIFY(!rig.window->isVisible());
        QVERIFY(rig.tray.calls.isEmpty());
    }

    // A picture that cannot be loaded any more changes nothing the user sees.
    void unloadablePictureLeavesLabelAndStore() {
        WindowRig rig;
        const QString p1 = rig.picture("p1.png");
        const QString gone = rig.dir.filePath("gone.png");
        const QString p3 = rig.picture("p3.png");
        rig.storeList({p1, gone, p3});
        rig.store.set("Setting", "Current", "1");
        rig.open();
        rig.window->RotationStep();
        QVERIFY(rig.composed.isEmpty());
        QCOMPARE(label(rig), QStringLiteral("p1.png"));
        QVERIFY(rig.store.puts().isEmpty());
        // The list order still moves on past it.
        rig.window->RotationStep();
        QCOMPARE(rig.composed, QStringList{p3});
        QCOMPARE(label(rig), QStringLiteral("p3.png"));
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
        QVERIFY(!rig.store.puts().contains({"Setting", "Current", "2"}));
    }

    void applySelected() {
        WindowRig rig;
        const QStringList p = rig.storePictures(5);
        rig.open();
        rig.child<QListWidget>("lstImages")->setCurrentRow(3);
        rig.child<QPushButton>("cmdLet")->click();
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
        QTest::addColumn<QString>("order");
        QTest::addColumn<QString>("current");
        QTest::addColumn<int>("switchTo"); // -1: no switch
        QTest::addColumn<double>("random");
        QTest::addColumn<int>("picture"); // 1-based
        QTest::addColumn<bool>("writesCurrent");
        QTest::newRow("list order again") << "0"
                                          << "3" << -1 << 0.0 << 3 << false;
        QTest::newRow("list order, last") << "0"
                                          << "5" << -1 << 0.0 << 5 << false;
        QTest::newRow("reselected list order") << "0"
                                               << "3" << 0 << 0.0 << 3 << false;
        QTest::newRow("list to shuffle") << "0"
                                         << "3" << 1 << 0.5 << 3 << true;
        QTest::newRow("list to random") << "0"
                                        << "3" << 2 << 0.9 << 5 << true;
        QTest::newRow("shuffled, first OK") << "1"
                                            << "4" << -1 << 0.0 << 1 << true;
        QTest::newRow("random, first OK") << "2"
                                          << "4" << -1 << 0.25 << 2 << true;
        QTest::newRow("shuffle to list") << "1"
                                         << "4" << 0 << 0.0 << 1 << true;
        QTest::newRow("nothing shown yet") << "0"
                                           << "0" << -1 << 0.0 << 1 << true;
    }

    void okComposes() {
        QFETCH(QString, order);
        QFETCH(QString, current);
        QFETCH(int, switchTo);
        QFETCH(double, random);
        QFETCH(int, picture);
        QFETCH(bool, writesCurrent);
        WindowRig rig;
        const QStringList p = rig.storePictures(5);
        rig.store.set("Setting", "OrderMode", order);
        rig.store.set("Setting", "Current", current);
        rig.random.script({random});
        rig.open();
        rig.window->show();
        if (switchTo >= 0)
            rig.child<QAbstractButton>(qPrintable(QStringLiteral("optOrder%1").arg(switchTo)))
                ->setChecked(true);
        rig.store.clearPuts();
        rig.child<QPushButton>("cmdOK")->click();

        QCOMPARE(rig.composed, QStringList{p[picture - 1]});
        QCOMPARE(label(rig), FileNameOf(p[picture - 1]));
        QCOMPARE(rig.writtenKeys().contains("Setting/Current"), writesCurrent);
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
            QCOMPARE(rig.composed.size(), 1);
            rig.store.clearPuts();
            rig.window->show();
            rig.child<QPushButton>("cmdOK")->click();
            QCOMPARE(rig.composed.size(), 2);
            QCOMPARE(rig.composed[1], rig.composed[0]);
            QVERIFY2(!rig.writtenKeys().contains("Setting/Current"), order);
        }
    }

    void okAfterTheListShrank() {
        WindowRig rig;
        const QStringList p = rig.storePictures(4);
        rig.store.set("Setting", "Current", "4");
        rig.open();
        rig.window->show();
        auto *list = rig.child<QListWidget>("lstImages");
        for (int row : {3, 2}) {
            list->setCurrentRow(row);
            rig.child<QPushButton>("cmdDel")->click();
        }
        rig.child<QPushButton>("cmdOK")->click();
        QCOMPARE(rig.composed, QStringList{p[0]});
        QCOMPARE(rig.window->rotation().Current, qint16(1));
        QCOMPARE(label(rig), QStringLiteral("p1.png"));
    }

    void okWithTheListEmptied() {
        WindowRig rig;
        rig.storePictures(2);
        rig.store.set("Setting", "Current", "2");
        rig.open();
        rig.window->show();
        auto *list = rig.child<QListWidget>("lstImages");
        while (list->count() > 0) {
            list->setCurrentRow(0);
            rig.child<QPushButton>("cmdDel")->click();
        }
        rig.child<QPushButton>("cmdOK")->click();
        QVERIFY(rig.composed.isEmpty());
        QVERIFY(rig.desktop.calls.isEmpty());
        QCOMPARE(label(rig), QString());
        QCOMPARE(rig.store.value("Setting", "ListCount"), QStringLiteral("-1"));
    }

    void trayClicks_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<bool>("menu");
        QTest::addColumn<bool>("window");
        QTest::newRow("right single") << 2 << 1 << true << false;
        QTest::newRow("left double") << 1 << 2 << false << true;
        QTest::newRow("left single") << 1 << 1 << false << false;
        QTest::newRow("right double") << 2 << 2 << false << false;
        QTest::newRow("middle") << 4 << 1 << false << false;
    }

    void trayClicks() {
        QFETCH(int, button);
        QFETCH(int, clicks);
        QFETCH(bool, menu);
        QFETCH(bool, window);
        WindowRig rig;
        rig.open();
        rig.tray.click(button, clicks);
        QCOMPARE(rig.window->popupMenu()->isVisible(), menu);
        QCOMPARE(rig.window->isVisible(), window);
        QCOMPARE(rig.tray.calls, window ? QStringList{"RemoveIcon"} : QStringList());
        rig.window->popupMenu()->hide();
    }

    void configOpensAndOkCloses() {
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
        rig.child<QPushButton>("cmdPrev")->click();
        rig.child<QPushButton>("cmdPrev")->click();
        const auto previews = rig.window->findChildren<FrmPrev *>();
        QCOMPARE(previews.size(), 1);
        QVERIFY(previews[0]->isVisible());
        QCOMPARE(previews[0]->windowTitle(), QStringLiteral("p2.png"));
        rig.child<QPushButton>("cmdOpen")->click();
        QCOMPARE(rig.opener.opened, QStringList{p[1]});

        QFile::remove(p[0]);
        rig.child<QListWidget>("lstImages")->setCurrentRow(0);
        rig.child<QPushButton>("cmdPrev")->click();
        QCOMPARE(rig.dialogs.messages.size(), 1);
        QVERIFY(rig.dialogs.messages[0].text.startsWith(p[0]));
        QCOMPARE(previews[0]->windowTitle(), QStringLiteral("p2.png"));
    }

    // Quitting ends the event loop at once with success; so does closing the
    // window from its title bar.
    void quitAndClose() {
        for (bool viaMenu : {true, false}) {
            WindowRig rig;
            rig.open();
            if (viaMenu) {
                QTimer::singleShot(0, action(rig, "mnuQuit"), &QAction::trigger);
            } else {
                action(rig, "mnuConfig")->trigger();
                QTimer::singleShot(0, rig.window.get(), &QWidget::close);
            }
            QTimer::singleShot(20000, qApp, [] { QCoreApplication::exit(99); });
            QCOMPARE(QCoreApplication::exec(), 0);
            QCOMPARE(rig.tray.calls.last(), QStringLiteral("RemoveIcon"));
        }
    }
};

QTEST_MAIN(TestFrmMainRotation)
#include "tst_frmmain_rotation.moc"
