#include "ScreenInfo.h"

#include <QFont>
#include <QFontInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTest>

// Runs on a 1280x800 Xvfb, once as it is and once with Qt scaling by 2:
// the answers are in device pixels, so both runs expect the same numbers.
class TestScreenInfo : public QObject {
    Q_OBJECT
  private slots:
    void screenInDevicePixels();
    void workAreaLeavesOutTheBar();
    void twelvePointsAsOnScreen();
};

void TestScreenInfo::screenInDevicePixels() {
    QtScreenInfo info;
    QCOMPARE(info.size(), QSize(1280, 800));
}

void TestScreenInfo::workAreaLeavesOutTheBar() {
    // main() announced a 30-pixel bar along the bottom before Qt started
    QtScreenInfo info;
    QCOMPARE(info.workArea(), QRect(0, 0, 1280, 770));
}

void TestScreenInfo::twelvePointsAsOnScreen() {
    QtScreenInfo info;
    QFont font;
    font.setPointSizeF(12);
    const qreal onScreen = QFontInfo(font).pixelSize() * qGuiApp->devicePixelRatio();
    const qreal onWallpaper = 12.0 * info.dotsPerInch() / 72.0;
    QVERIFY2(
        qAbs(onScreen - onWallpaper) <= 1.0 * qGuiApp->devicePixelRatio(),
        qPrintable(QStringLiteral("screen %1 px, wallpaper %2 px").arg(onScreen).arg(onWallpaper)));
    QVERIFY(info.dotsPerInch() >= 72.0);
}

int main(int argc, char **argv) {
    // The work area comes from the window manager's hint on the root.
    const int rc =
        QProcess::execute(QStringLiteral("xprop"), {"-root", "-f", "_NET_WORKAREA", "32c", "-set",
                                                    "_NET_WORKAREA", "0, 0, 1280, 770"});
    if (rc != 0)
        return 2;
    QGuiApplication app(argc, argv);
    TestScreenInfo test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_screeninfo.moc"
