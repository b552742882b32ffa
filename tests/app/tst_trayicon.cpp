#include "TrayIcon.h"
#include "XTools.h"

#include <QApplication>
#include <QPixmap>
#include <QTest>

using namespace XTools;

namespace {

QIcon plainIcon(const QColor &color) {
    QPixmap pixmap(32, 32);
    pixmap.fill(color);
    return QIcon(pixmap);
}

// Visible balloons; closes them when asked.
int balloons(bool close = false) {
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (QByteArray(w->metaObject()->className()) == "QBalloonTip" && w->isVisible()) {
            ++n;
            if (close)
                w->close();
        }
    return n;
}

} // namespace

class TestTrayIcon : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        QVERIFY(trayWindow() != 0);
        QVERIFY(waitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }));
    }

    void docksOnceAndNoteExtendsTipAndPopsUpOnce() {
        const QString note = "The desktop refused the picture.";
        TrayIcon tray;
        QVERIFY(tray.isAvailable());
        const qsizetype before = dockedIcons().size();
        tray.AddIcon(plainIcon(Qt::red), "Other");
        tray.AddIcon(plainIcon(Qt::yellow), "Mirell!"); // while shown: updated in place
        QVERIFY(waitFor([&] { return dockedIconOf(QCoreApplication::applicationPid()) != 0; }));
        QTest::qWait(500);
        QCOMPARE(dockedIcons().size(), before + 1);
        QCOMPARE(tray.toolTip(), "Mirell!");

        tray.setToolTipNote(note);
        QCOMPARE(tray.toolTip(), "Mirell!\n" + note);
        QVERIFY(waitFor([] { return balloons(true) == 1; }));
        // The same failure again: the tip keeps it, no second balloon.
        tray.setToolTipNote(note);
        QTest::qWait(300);
        QCOMPARE(balloons(), 0);
        // The note survives the window's RemoveIcon and AddIcon.
        tray.RemoveIcon();
        QVERIFY(waitFor([&] { return dockedIcons().size() == before; }));
        tray.AddIcon(plainIcon(Qt::yellow), "Mirell!");
        QCOMPARE(tray.toolTip(), "Mirell!\n" + note);

        // A note set while hidden waits for the icon.
        tray.RemoveIcon();
        tray.setToolTipNote("Another reason.");
        QTest::qWait(300);
        QCOMPARE(balloons(), 0);
        tray.AddIcon(plainIcon(Qt::yellow), "Mirell!");
        QVERIFY(waitFor([] { return balloons(true) == 1; }));
        tray.setToolTipNote(QString());
        QCOMPARE(tray.toolTip(), "Mirell!");
    }
};

QTEST_MAIN(TestTrayIcon)
#include "tst_trayicon.moc"
