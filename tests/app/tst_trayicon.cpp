#include "TrayIcon.h"
#include "XTools.h"

#include <QApplication>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>

using namespace XTools;

namespace {

QIcon plainIcon(const QColor &color) {
    QPixmap pixmap(32, 32);
    pixmap.fill(color);
    return QIcon(pixmap);
}

QList<QPair<int, int>> clicksOf(const QSignalSpy &spy) {
    QList<QPair<int, int>> clicks;
    for (const auto &args : spy)
        clicks << qMakePair(args.at(0).toInt(), args.at(1).toInt());
    return clicks;
}

int balloonCount() {
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && QByteArray(w->metaObject()->className()) == "QBalloonTip")
            ++n;
    return n;
}

void closeBalloons() {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (QByteArray(w->metaObject()->className()) == "QBalloonTip")
            w->close();
    QTest::qWait(50);
}

} // namespace

class TestTrayIcon : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        // The test runner's trayer is the notification area; make sure Qt
        // does not go looking for a D-Bus one instead.
        QVERIFY(trayWindow() != 0);
        QVERIFY(waitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }));
    }

    void addDocksOnceAndRemoveUndocks() {
        TrayIcon tray;
        QVERIFY(tray.isAvailable());
        const int before = int(dockedIcons().size());

        tray.AddIcon(plainIcon(Qt::red), QStringLiteral("Mirell!"));
        QVERIFY(waitFor([&] { return dockedIcons().size() == before + 1; }));
        QVERIFY(dockedIconOf(QCoreApplication::applicationPid()) != 0);
        QCOMPARE(tray.toolTip(), QStringLiteral("Mirell!"));

        // A second AddIcon while shown updates the icon in place.
        tray.AddIcon(plainIcon(Qt::blue), QStringLiteral("Other"));
        QTest::qWait(500);
        QCOMPARE(dockedIcons().size(), before + 1);
        QCOMPARE(tray.toolTip(), QStringLiteral("Other"));

        tray.RemoveIcon();
        QVERIFY(waitFor([&] { return dockedIcons().size() == before; }));
        QVERIFY(!tray.isShown());

        // And it comes back after a removal.
        tray.AddIcon(plainIcon(Qt::red), QStringLiteral("Mirell!"));
        QVERIFY(waitFor([&] { return dockedIcons().size() == before + 1; }));
    }

    void mouseButtonsBecomeTrayClicks() {
        TrayIcon tray;
        QSignalSpy spy(&tray, &TrayControl::TrayClick);
        tray.AddIcon(plainIcon(Qt::green), QStringLiteral("Mirell!"));
        WindowId icon = 0;
        QVERIFY(waitFor([&] { return (icon = dockedIconOf(QCoreApplication::applicationPid())); }));
        const QPoint centre = windowInfo(icon).geometry.center();
        // Qt's own idea of the place agrees with the tray's.
        QVERIFY(waitFor([&] { return tray.geometry().contains(centre); }));

        click(centre, 3);
        QVERIFY(waitFor([&] { return spy.size() >= 1; }));
        QCOMPARE(clicksOf(spy).last(), qMakePair(2, 1));

        spy.clear();
        click(centre, 2);
        QVERIFY(waitFor([&] { return spy.size() >= 1; }));
        QCOMPARE(clicksOf(spy).last(), qMakePair(4, 1));

        // Let the double-click interval pass so the next click starts afresh.
        QTest::qWait(QApplication::doubleClickInterval() + 200);
        spy.clear();
        click(centre, 1, 2);
        QVERIFY(waitFor([&] { return clicksOf(spy).contains(qMakePair(1, 2)); }));
        // The double click arrives once, after the single click of its first press.
        QCOMPARE(clicksOf(spy).count(qMakePair(1, 2)), 1);
        QCOMPARE(clicksOf(spy).first(), qMakePair(1, 1));
    }

    void noteExtendsTipAndPopsUpOnce() {
        TrayIcon tray;
        tray.AddIcon(plainIcon(Qt::yellow), QStringLiteral("Mirell!"));
        QVERIFY(waitFor([&] { return dockedIconOf(QCoreApplication::applicationPid()) != 0; }));

        tray.setToolTipNote(QStringLiteral("The desktop refused the picture."));
        QCOMPARE(tray.toolTip(), QStringLiteral("Mirell!\nThe desktop refused the picture."));
        QVERIFY(waitFor([] { return balloonCount() == 1; }));
        closeBalloons();

        // The same failure again: the tip keeps it, no second balloon.
        tray.setToolTipNote(QStringLiteral("The desktop refused the picture."));
        QTest::qWait(300);
        QCOMPARE(balloonCount(), 0);

        // The note survives the window's AddIcon after OK or Cancel.
        tray.RemoveIcon();
        tray.AddIcon(plainIcon(Qt::yellow), QStringLiteral("Mirell!"));
        QCOMPARE(tray.toolTip(), QStringLiteral("Mirell!\nThe desktop refused the picture."));

        // A note set while hidden waits for the icon.
        tray.RemoveIcon();
        tray.setToolTipNote(QStringLiteral("Another reason."));
        QTest::qWait(300);
        QCOMPARE(balloonCount(), 0);
        tray.AddIcon(plainIcon(Qt::yellow), QStringLiteral("Mirell!"));
        QVERIFY(waitFor([] { return balloonCount() == 1; }));
        closeBalloons();

        tray.setToolTipNote(QString());
        QCOMPARE(tray.toolTip(), QStringLiteral("Mirell!"));
    }
};

QTEST_MAIN(TestTrayIcon)
#include "tst_trayicon.moc"
