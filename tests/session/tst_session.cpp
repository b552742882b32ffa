// The settings window as a user meets it: a real X server with a window
// manager, the real message boxes, keys pressed through the X server, so
// that placement, stacking and focus are those of a session.
#include "FakeUi.h"
#include "PictureListEditor.h"

#include <QtTest>
#include <QtWidgets>

namespace {

QtDialogs dialogs; // outlives every rig's window

// Opens the window on the real dialogs as the tray would; true once it is
// active, which a window manager on a busy machine may take seconds to make it.
bool start(WindowRig &r) {
    r.open(&dialogs).openSettings();
    return QTest::qWaitForWindowActive(r.window.get(), 30000);
}

// Waits for a message box to come up and take the focus, lets `settle` ms
// pass, notes what the user sees then and answers with Enter from the keyboard.
struct MessageWatch {
    QString seen;       // icon number, title, a line break, text
    bool onTop = false; // the active, modal, topmost window when Enter was pressed
    QTimer poll;

    explicit MessageWatch(int settle = 0) {
        poll.start(50);
        QObject::connect(&poll, &QTimer::timeout, [this, settle] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box && QApplication::activeWindow() == box)
                poll.stop(), QTimer::singleShot(settle, box, [this, box] { answer(box); });
        });
    }
    void answer(QMessageBox *box) {
        // The window manager's stacking, bottom to top, ends with the box.
        QProcess xprop;
        xprop.start("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"});
        xprop.waitForFinished();
        const QString top = QString(xprop.readAllStandardOutput()).trimmed().section(' ', -1);
        onTop = QApplication::activeWindow() == box && QApplication::activeModalWidget() == box &&
                top.toULongLong(nullptr, 16) == box->winId();
        seen = QString::number(box->icon()) + box->windowTitle() + '\n' + box->text();
        QProcess::execute("xdotool", {"key", "Return"});
        // Should the key have gone elsewhere, the box must not block the test.
        QTimer::singleShot(3000, box, &QMessageBox::reject);
    }
};

} // namespace

class TestSession : public QObject {
    Q_OBJECT

  private slots:
    // A message stays on top of what brought it up: an add that rejects a
    // file goes on with the others once it is answered; OK on a full disk
    // keeps the window open with the user's edits, and the same OK goes
    // through once there is room again.
    void messagesStayOnTop() {
        WindowRig r;
        QVERIFY(start(r));
        const QString bad = QStringLiteral(MIRELL_SOURCE_DIR "/tests/session/CMakeLists.txt");
        auto *editor = r.window->findChild<PictureListEditor *>();
        MessageWatch rejection(900); // longer than progress waits before it shows
        editor->addFiles({r.picture("a.png"), bad, r.picture("c.png")});
        QVERIFY(rejection.onTop);
        QCOMPARE(rejection.seen, QString::number(QMessageBox::Critical) + "Mirell\n" + bad +
                                     QStringLiteral("\nは使用できないファイルです。"));
        QCOMPARE(editor->list().Titles, QStringList({"a.png", "c.png"}));

        r.child<QLineEdit>("txtMin")->setText(QStringLiteral("9"));
        r.store.full = true;
        MessageWatch watch;
        r.child<QPushButton>("cmdOK")->click();
        QVERIFY(watch.onTop);
        QVERIFY(watch.seen.startsWith(QString::number(QMessageBox::Critical) +
                                      QStringLiteral("Mirell\n設定を保存できませんでした。")));
        QVERIFY(r.window->isVisible());
        QCOMPARE(r.child<QLineEdit>("txtMin")->text(), QStringLiteral("9"));
        QCOMPARE(r.tray.calls, QStringList{QStringLiteral("RemoveIcon")});

        r.store.full = false;
        r.child<QPushButton>("cmdOK")->click();
        QVERIFY(!r.window->isVisible());
        QCOMPARE(r.rotator.settings().MirellTime, 9);
        QCOMPARE(r.store.unsyncedPuts(), 0);
    }

    // First run (placed by the window manager), then a run that starts from
    // the stored position: moved by the user, left by OK or Cancel, shown
    // again. In each, selecting by keyboard runs the rules a click runs; the
    // rules themselves are the picture list test's: a lone line can go, not move.
    void windowComesBackAndTakesTheKeyboard() {
        QString top, left; // as the last run left them
        for (const char *leaveBy : {"cmdOK", "cmdCancel"}) {
            WindowRig r;
            r.storePictures(1);
            if (!top.isEmpty())
                r.store.set("Window", "Top", top), r.store.set("Window", "Left", left);
            QVERIFY(start(r));
            QProcess::execute("xdotool", {"key", "alt+l", "space"});
            QTRY_COMPARE(r.child<QListWidget>("lstImages")->selectedItems().size(), 1);
            QVERIFY(r.child("cmdDel")->isEnabled() && !r.child("cmdDown")->isEnabled());
            const QPoint placed = r.window->pos();
            if (!top.isEmpty())
                QCOMPARE(placed * 15, QPoint(left.toInt(), top.toInt()));
            QProcess::execute("xdotool",
                              {"windowmove", QString::number(r.window->winId()),
                               QString::number(placed.x() + 37), QString::number(placed.y() + 23)});
            QTRY_VERIFY(r.window->pos() != placed);
            const QPoint moved = r.window->pos();
            r.child<QPushButton>(leaveBy)->click();
            r.window->openSettings(); // as a double click on the tray icon does
            QVERIFY(QTest::qWaitForWindowExposed(r.window.get(), 30000));
            QTest::qWait(300); // a manager may place a window just after mapping it
            QCOMPARE(r.window->pos(), moved);
            r.child<QPushButton>("cmdOK")->click();
            top = r.store.value("Window", "Top"), left = r.store.value("Window", "Left");
        }
    }
};

QTEST_MAIN(TestSession)
#include "tst_session.moc"
