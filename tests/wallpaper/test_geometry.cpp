#include "Geometry.h"

#include <QtTest>

class TestGeometry : public QObject {
    Q_OBJECT
  private slots:
    void fit() {
        // Rounding a sliver to zero would leave no picture at all.
        const QList<QSize> pictures = {{640, 480}, {600, 800}, {2000, 500}, {5, 7}, {100000, 1}};
        const QList<QSize> fitted = {{1024, 768}, {576, 768}, {1024, 256}, {549, 768}, {1024, 1}};
        for (int i = 0; i < pictures.size(); ++i)
            QCOMPARE(fitToScreen(pictures[i], QSize(1024, 768)), fitted[i]);
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
                 {1, t, {1600, 600}, whole, {288 + 1024 - 100 - 10, 10}},
                 {3, t, {1200, 900}, {50, 30, 974, 738}, {1024 + 88 - 110, 768 + 66 - 30}},
                 {1, {100.5, 20.25}, small, whole, {289.5, 10}}}) // half pixels stay
            QCOMPARE(CaptionPosition(*cornerFromStored(location), text, picture, QSize(1024, 768),
                                     workArea),
                     expected);
        QVERIFY(!cornerFromStored(4) && !cornerFromStored(-1) && !captionKindFromStored(3));
    }

    void captionTexts() {
        const QDate day(2026, 1, 5);
        // Outside Japan the locale's own short name, still between parentheses.
        QCOMPARE(dateCaption(day, QLocale(QLocale::English, QLocale::UnitedStates)),
                 QStringLiteral("2026年1月5日 (Mon)"));
        const QStringList texts = {"2026年1月5日 (月)", "sea.jpg", "  free  "};
        for (int type = 0; type < texts.size(); ++type)
            QCOMPARE(captionText(*captionKindFromStored(type), "/p/sea.jpg", "  free  ", day,
                                 QLocale(QLocale::Japanese)),
                     texts[type]);
        // A backslash is an ordinary character in a Linux file name, a separator on Windows.
        const QStringList paths = {"/写真/海 の 朝.jpg", "/home/a/Pictures/", "sea.jpg", "",
                                   "/tmp/a\\b.jpg"};
        const QStringList names = {"海 の 朝.jpg", "", "sea.jpg", "",
                                   QDir::separator() == '/' ? "a\\b.jpg" : "b.jpg"};
        for (int i = 0; i < paths.size(); ++i)
            QCOMPARE(FileNameOf(paths[i]), names[i]);
    }
};

QTEST_APPLESS_MAIN(TestGeometry)
#include "test_geometry.moc"
