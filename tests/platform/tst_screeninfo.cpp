#include "ScreenInfo.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>

// Runs on a 1280x800 Xvfb, once as it is and once with Qt scaling by 2:
// the answers are in device pixels, so both runs expect the same numbers.
class TestScreenInfo : public QObject {
    Q_OBJECT
  private slots:
    void sizeAndWorkAreaInDevicePixels() {
        // main() announced a 30-pixel bar along the bottom before Qt started
        QtScreenInfo info;
        QCOMPARE(info.size(), QSize(1280, 800));
        QCOMPARE(info.workArea(), QRect(0, 0, 1280, 770));
    }
    void twelvePointsAsOnScreen() {
        QFont font;
        font.setPointSizeF(12);
        const qreal onScreen = QFontInfo(font).pixelSize() * qGuiApp->devicePixelRatio();
        const qreal onWallpaper = 12.0 * QtScreenInfo().dotsPerInch() / 72.0;
        QVERIFY2(
            qAbs(onScreen - onWallpaper) <= qGuiApp->devicePixelRatio() && onWallpaper >= 12,
            qPrintable(
                QStringLiteral("screen %1 px, wallpaper %2 px").arg(onScreen).arg(onWallpaper)));
    }
};

int main(int argc, char **argv) {
    // The work area comes from the window manager's hint on the root.
    if (QProcess::execute("xprop", {"-root", "-f", "_NET_WORKAREA", "32c", "-set", "_NET_WORKAREA",
                                    "0, 0, 1280, 770"}) != 0)
        return 2;
    QGuiApplication app(argc, argv);
    TestScreenInfo test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_screeninfo.moc"
