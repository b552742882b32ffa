#include "Geometry.h"

#include <QtTest>

class TestGeometry : public QObject {
    Q_OBJECT
  private slots:
    void fit() {
        // Rounding a sliver to zero would leave no picture at all.
        for (const auto &[picture, fitted] :
             QList<std::pair<QSize, QSize>>{{{600, 800}, {576, 768}}, // portrait
                                            {{2000, 500}, {1024, 256}},
                                            {{5, 7}, {549, 768}}, // rounds up
                                            {{100000, 1}, {1024, 1}}})
            QCOMPARE(fitToScreen(picture, QSize(1024, 768)), fitted);
    }

    void caption() {
        const QSizeF t(100, 20);
        const QSize small(400, 300);
        const QRect taskbarBelow(0, 0, 1024, 738), whole(0, 0, 1024, 768);
        // A picture 1600 wide is centred: the screen's left edge falls at 288 on it.
        for (const auto &[location, text, picture, workArea, expected] :
             QList<std::tuple<int, QSizeF, QSize, QRect, QPointF>>{
                 {3, t, small, taskbarBelow, {290, 270}},
                 {2, t, {1024, 768}, taskbarBelow, {10, 738 - 20 - 10}},
                 {0, t, {1600, 600}, whole, {298, 10}},
                 {3, t, {1200, 900}, {50, 30, 974, 738}, {1024 + 88 - 110, 768 + 66 - 30}},
                 {1, {100.5, 20.25}, small, whole, {289.5, 10}}, // half pixels stay
                 {4, t, small, whole, {0, 0}}})
            QCOMPARE(CaptionPosition(location, text, picture, QSize(1024, 768), workArea),
                     expected);
    }

    void captionTexts() {
        const QLocale ja(QLocale::Japanese, QLocale::Japan);
        const QDate day(2026, 1, 5);
        const QString path = QStringLiteral("/p/sea.jpg");
        // Outside Japan the locale's own short name, still between parentheses.
        QCOMPARE(dateCaption(day, QLocale("en_US")), QStringLiteral("2026年1月5日 (Mon)"));
        QCOMPARE(captionText(0, path, "free", day, ja), QStringLiteral("2026年1月5日 (月)"));
        QCOMPARE(captionText(3, path, "free", day, ja), QString());
        QCOMPARE(FileNameOf("/写真/海 の 朝.jpg"), QStringLiteral("海 の 朝.jpg"));
        QCOMPARE(FileNameOf("/home/a/Pictures/"), QString());
        QCOMPARE(FileNameOf("sea.jpg"), QStringLiteral("sea.jpg"));
        QCOMPARE(FileNameOf(QString()), QString());
#ifndef Q_OS_WIN
        // A backslash is an ordinary character in a Linux file name.
        QCOMPARE(FileNameOf("/tmp/a\\b.jpg"), QStringLiteral("a\\b.jpg"));
#endif
    }
};

QTEST_APPLESS_MAIN(TestGeometry)
#include "test_geometry.moc"
