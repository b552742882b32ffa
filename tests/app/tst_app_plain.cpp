#include "Sandbox.h"
#include "XTools.h"

#include <QTest>

using namespace XTools;

// No notification area on this display.
class TestAppPlain : public QObject {
    Q_OBJECT
  private slots:
    void withoutTrayTheWindowIsTheWayIn() {
        Sandbox box;
        QVERIFY(box.isValid());
        QProcess *p = box.start();
        QVERIFY(
            waitFor([] { return !visibleWindowsNamed(QStringLiteral("^Mirell!$")).isEmpty(); }));
        QCOMPARE(p->state(), QProcess::Running);
        QCOMPARE(box.value(QStringLiteral("UpdateInfo"), QStringLiteral("CurrentVersion")),
                 QStringLiteral("2.10.0000"));
    }

    void missingTimerLibraryIsReportedNotACrash() {
        Sandbox box(false);
        QVERIFY(box.isValid());
        QProcess *p = box.start();
        QList<WindowId> boxes;
        QVERIFY(waitFor(
            [&] { return !(boxes = visibleWindowsNamed(QStringLiteral("^Mirell$"))).isEmpty(); }));
        QCOMPARE(p->state(), QProcess::Running);
        // The program's own window never came up.
        QVERIFY(visibleWindowsNamed(QStringLiteral("^Mirell!$")).isEmpty());

        run(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                                        QString::number(boxes.first())});
        key(QStringLiteral("Return"));
        QVERIFY(p->waitForFinished(10000));
        QCOMPARE(p->exitStatus(), QProcess::NormalExit);
        QCOMPARE(p->exitCode(), 1);
    }
};

QTEST_GUILESS_MAIN(TestAppPlain)
#include "tst_app_plain.moc"
