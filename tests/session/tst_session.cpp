// The settings window as a user meets it: a real X server with a window
// manager, the real message boxes, keys pressed through the X server, so
// that placement, stacking and focus are those of a session.
#include "FakeUi.h"
#include "PictureListEditor.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

namespace {

// A store on a disk that can fill up.
struct DiskStore : MemorySettingsStore {
    bool full = false;
    bool sync() override { return !full && MemorySettingsStore::sync(); }
};

// The real message boxes and a store that can fail, with the rest of the
// window's services faked as for the window tests; the rig (and the window
// in it) goes first.
struct Session {
    DiskStore store;
    QtDialogs dialogs;
    WindowRig rig;
};

// Starts the program's window on the session's services (as a start-up does)
// and opens it as the tray would; the only place that knows how it is built.
FrmMain *start(Session &s) {
    WindowRig &r = s.rig;
    r.rotator.load();
    r.window = std::make_unique<FrmMain>(
        FrmMainServices{s.store, s.dialogs, r.tray, r.screen, r.opener}, r.rotator);
    r.window->openSettings();
    return QTest::qWaitForWindowActive(r.window.get()) ? r.window.get() : nullptr;
}

// Runs an X tool as a user's session would; its output.
QString x(const QString &tool, const QStringList &args) {
    QProcess p;
    p.start(tool, args);
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// Waits for a message box to come up and take the focus, lets `settle` ms
// pass, notes what the user sees then and answers with Enter from the keyboard.
class MessageWatch {
  public:
    QString seen; // title, a line break, text
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool onTop = false; // still the active, modal window when Enter was pressed

    explicit MessageWatch(int settle = 0) {
        m_poll.start(50);
        QObject::connect(&m_poll, &QTimer::timeout, [this, settle] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || QApplication::activeWindow() != box)
                return;
            m_poll.stop();
            QTimer::singleShot(settle, box, [this, box] { answer(box); });
        });
    }

  private:
    QTimer m_poll;

    void answer(QMessageBox *box) {
        // The window manager's stacking, bottom to top, ends with the box.
        const QString top = x("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"}).section(' ', -1);
        onTop = QApplication::activeWindow() == box && QApplication::activeModalWidget() == box &&
                top.toULongLong(nullptr, 16) == box->winId();
        seen = box->windowTitle() + '\n' + box->text(), icon = box->icon();
        x("xdotool", {"key", "Return"});
        // Should the key have gone elsewhere, the box must not block the test.
        QTimer::singleShot(3000, box, &QMessageBox::reject);
    }
};

} // namespace

class TestSession : public QObject {
    Q_OBJECT

  private slots:
    void okOnAFullDiskKeepsTheWindowOpen() {
        Session s;
        QVERIFY(start(s));
        s.rig.child<QLineEdit>("txtMin")->setText(QStringLiteral("9"));
        s.store.full = true;
        MessageWatch watch;
        s.rig.child<QPushButton>("cmdOK")->click();
        QVERIFY(watch.onTop);
        QCOMPARE(watch.icon, QMessageBox::Critical);
        QVERIFY(watch.seen.startsWith(QStringLiteral("Mirell\n設定を保存できませんでした。")));
        QVERIFY(s.rig.window->isVisible());
        QCOMPARE(s.rig.child<QLineEdit>("txtMin")->text(), QStringLiteral("9"));
        QCOMPARE(s.rig.tray.calls, QStringList{QStringLiteral("RemoveIcon")});

        s.store.full = false; // room again: the same OK now goes through
        s.rig.child<QPushButton>("cmdOK")->click();
        QVERIFY(!s.rig.window->isVisible());
        QCOMPARE(s.rig.rotator.settings().MirellTime, 9);
        QCOMPARE(s.store.unsyncedPuts(), 0);
    }

    void rejectionMessageStaysOnTopOfTheAdd() {
        Session s;
        QVERIFY(start(s));
        const QString a = s.rig.picture("a.png"), c = s.rig.picture("c.png");
        const QString bad = QStringLiteral(MIRELL_SOURCE_DIR "/tests/session/CMakeLists.txt");
        QVERIFY(!a.isEmpty() && !c.isEmpty());
        MessageWatch watch(900); // longer than progress waits before it shows
        s.rig.window->findChild<PictureListEditor *>()->addFiles({a, bad, c});
        QVERIFY(watch.onTop);
        QCOMPARE(watch.seen, "Mirell\n" + bad + QStringLiteral("\nは使用できないファイルです。"));
        QCOMPARE(s.rig.window->findChild<PictureListEditor *>()->list().Titles,
                 QStringList({"a.png", "c.png"}));
    }

    // First run (placed by the window manager), then a run that starts from
    // the stored position: moved by the user, left by OK or Cancel, shown again.
    void windowComesBackWhereItWasLeft() {
        QMap<QString, QString> stored; // section "Window", as the last run left it
        for (const char *leaveBy : {"cmdOK", "cmdCancel"}) {
            Session s;
            for (auto it = stored.cbegin(); it != stored.cend(); ++it)
                s.store.set("Window", it.key(), it.value());
            QVERIFY(start(s));
            const QPoint placed = s.rig.window->pos();
            if (!stored.isEmpty())
                QCOMPARE(placed * 15, QPoint(stored["Left"].toInt(), stored["Top"].toInt()));
            x("xdotool", {"windowmove", QString::number(s.rig.window->winId()),
                          QString::number(placed.x() + 37), QString::number(placed.y() + 23)});
            QTRY_VERIFY(s.rig.window->pos() != placed);
            const QPoint moved = s.rig.window->pos();
            s.rig.child<QPushButton>(leaveBy)->click();
            emit s.rig.tray.TrayClick(1, 2);
            QVERIFY(QTest::qWaitForWindowExposed(s.rig.window.get()));
            QTest::qWait(300); // a manager may place a window just after mapping it
            QCOMPARE(s.rig.window->pos(), moved);
            s.rig.child<QPushButton>("cmdOK")->click();
            for (const char *key : {"Top", "Left"})
                stored[key] = s.store.value("Window", key);
        }
    }

    void keyboardSelectionRunsTheSelectionRules() {
        Session s;
        s.rig.storePictures(1); // the rotator's list, which the window edits a copy of
        QVERIFY(start(s));
        x("xdotool", {"key", "alt+l", "space"});
        QTRY_COMPARE(s.rig.child<QListWidget>("lstImages")->selectedItems().size(), 1);
        QStringList enabled;
        for (const char *name :
             {"cmdDel", "cmdMirell", "cmdUp", "cmdDown", "cmdPrev", "cmdOpen", "cmdLet"}) {
            if (s.rig.child<QPushButton>(name)->isEnabled())
                enabled << name;
        }
        QCOMPARE(enabled, QStringList({"cmdDel", "cmdMirell", "cmdPrev", "cmdOpen", "cmdLet"}));
    }
};

QTEST_MAIN(TestSession)
#include "tst_session.moc"
