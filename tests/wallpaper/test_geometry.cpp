#include "Geometry.h"
#include "MonitorLayout.h"

#include <QtTest>

class TestGeometry : public QObject {
    Q_OBJECT
  private slots:
    void fitAndCaption() {
        // Rounding a sliver to zero would leave no picture at all.
        QCOMPARE(fitToScreen({100000, 1}, {1024, 768}), QSize(1024, 1));
        const QSizeF t(100, 20);
        const QSize small(400, 300);
        const QRect taskbarBelow(0, 0, 1024, 738), whole(0, 0, 1024, 768);
        // A picture 1600 wide is centred: the screen's left edge falls at 288 on it.
        for (const auto &[corner, text, pic, area, at] :
             QList<std::tuple<int, QSizeF, QSize, QRect, QPointF>>{
                 {3, t, small, taskbarBelow, {290, 270}},
                 {2, t, {1024, 768}, taskbarBelow, {10, 738 - 20 - 10}},
                 {0, t, {1600, 600}, whole, {298, 10}},
                 {1, t, {1600, 600}, whole, {288 + 1024 - 100 - 10, 10}},
                 {3, t, {1200, 900}, {50, 30, 974, 738}, {1024 + 88 - 110, 768 + 66 - 30}},
                 {1, {100.5, 20.25}, small, whole, {289.5, 10}}}) // half pixels stay
            QCOMPARE(CaptionPosition(*cornerFromStored(corner), text, pic, {1024, 768}, area), at);
        QVERIFY(!cornerFromStored(4) && !cornerFromStored(-1) && !captionKindFromStored(3));
    }

    // Mirrors and clones show one picture between them, the primary's place
    // staying first; the bounding box reaches into negative coordinates as
    // the monitors do.
    void monitorLayouts_data() {
        QTest::addColumn<QList<QRect>>("monitors");
        QTest::addColumn<QList<int>>("distinct"); // which of the monitors show their own
        QTest::addColumn<QRect>("box");
        const QRect hd(0, 0, 1920, 1080), uhd(0, 0, 3840, 2160);
        const QRect portrait(1920, -420, 1080, 1920), left(-1920, 200, 1920, 1080);
        QTest::newRow("one") << QList{hd} << QList{0} << hd;
        QTest::newRow("portrait beside landscape")
            << QList{hd, portrait} << QList{0, 1} << QRect(0, -420, 3000, 1920);
        QTest::newRow("left of the primary")
            << QList{uhd, left} << QList{0, 1} << QRect(-1920, 0, 5760, 2160);
        QTest::newRow("mirrored") << QList{hd, hd} << QList{0} << hd;
        QTest::newRow("primary inside a larger clone")
            << QList{QRect(0, 0, 1280, 720), hd, portrait} << QList{1, 2}
            << QRect(0, -420, 3000, 1920);
    }
    void monitorLayouts() {
        QFETCH(QList<QRect>, monitors);
        QFETCH(QList<int>, distinct);
        QList<MonitorInfo> infos;
        for (const QRect &m : monitors)
            infos << MonitorInfo{QString::number(infos.size()), m, QRect(QPoint(), m.size())};
        QList<int> found;
        for (const MonitorInfo &m : distinctMonitors(infos))
            found << m.name.toInt();
        QCOMPARE(found, distinct);
        QTEST(boundingBox(infos), "box");
        QCOMPARE(picturesPerStep(MonitorMode::Each, infos), int(distinct.size()));
        QCOMPARE(picturesPerStep(monitorModeFromStored(7), infos), 1);
    }

    // Upright pictures go to upright monitors while the step's pictures last;
    // every monitor gets one, the primary choosing first.
    void orientations_data() {
        QTest::addColumn<QList<bool>>("pictures"); // upright or not
        QTest::addColumn<QList<bool>>("monitors");
        QTest::addColumn<QList<int>>("chosen");
        QTest::newRow("swapped") << QList{false, true} << QList{true, false} << QList{1, 0};
        QTest::newRow("nothing upright")
            << QList{false, false} << QList{true, false} << QList{0, 1};
        QTest::newRow("three") << QList{false, false, true} << QList{false, true, false}
                               << QList{0, 2, 1};
        QTest::newRow("fewer pictures: the first")
            << QList{true, false} << QList{false, true, true} << QList{1, 0, 0};
    }
    void orientations() {
        QFETCH(QList<bool>, pictures);
        QFETCH(QList<bool>, monitors);
        QTEST(matchOrientations(pictures, monitors), "chosen");
    }

    // A desktop's own list of monitors, matched to ours by place: a mirror or a slightly
    // different rectangle still finds the monitor it mostly covers.
    void mostOverlappingPlace_data() {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<qsizetype>("found");
        QTest::newRow("the second exactly") << QRect(1920, 0, 1080, 1920) << qsizetype(1);
        QTest::newRow("mostly the second") << QRect(1000, 0, 1920, 1080) << qsizetype(1);
        QTest::newRow("equal parts: the first") << QRect(1440, 0, 960, 100) << qsizetype(0);
        QTest::newRow("only touching") << QRect(-100, 0, 100, 100) << qsizetype(-1);
    }
    void mostOverlappingPlace() {
        QFETCH(QRect, area);
        QTEST(mostOverlapping(area, {{0, 0, 1920, 1080}, {1920, 0, 1080, 1920}}), "found");
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
        QStringList names;
        for (const QString path : {"/写真/海 の 朝.jpg", "/home/a/Pictures/", "", "/tmp/a\\b.jpg"})
            names << FileNameOf(path);
        QCOMPARE(names, QStringList({"海 の 朝.jpg", "", "",
                                     QDir::separator() == '/' ? "a\\b.jpg" : "b.jpg"}));
    }
};

QTEST_APPLESS_MAIN(TestGeometry)
#include "test_geometry.moc"
