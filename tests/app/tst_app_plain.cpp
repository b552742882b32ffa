#include "Sandbox.h"
#include "XTools.h"

using namespace XTools;

// No notification area on this display.
class TestAppPlain : public QObject {
    Q_OBJECT
  private slots:
    void withoutTrayTheWindowIsTheWayIn() {
        Sandbox box;
        QVERIFY(box.isValid());
        QProcess *p = box.start();
        QVERIFY(waitFor([] { return !visibleWindowsNamed("^Mirell!$").isEmpty(); }));
        QCOMPARE(p->state(), QProcess::Running);
    }

    void missingTimerLibraryIsReportedNotACrash() {
        Sandbox box(false);
        QVERIFY(box.isValid());
        QProcess *p = box.start();
        QList<WindowId> boxes;
        QVERIFY(waitFor([&] { return !(boxes = visibleWindowsNamed("^Mirell$")).isEmpty(); }));
        QCOMPARE(p->state(), QProcess::Running);
        QVERIFY(visibleWindowsNamed("^Mirell!$").isEmpty());
        run("xdotool", {"windowfocus", "--sync", QString::number(boxes.first())});
        run("xdotool", {"key", "Return"});
        QVERIFY(p->waitForFinished(10000));
        QCOMPARE(p->exitStatus(), QProcess::NormalExit);
        QCOMPARE(p->exitCode(), 1);
    }
};

QTEST_GUILESS_MAIN(TestAppPlain)
#include "tst_app_plain.moc"
