#include "DataTable.h"
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
        // "distinct": which of the monitors show their own.
        const auto row =
            addColumns<QList<QRect>, QList<int>, QRect>({"monitors", "distinct", "box"});
        const QRect hd(0, 0, 1920, 1080), uhd(0, 0, 3840, 2160);
        const QRect portrait(1920, -420, 1080, 1920), left(-1920, 200, 1920, 1080);
        row("one", {hd}, {0}, hd);
        row("portrait beside landscape", {hd, portrait}, {0, 1}, {0, -420, 3000, 1920});
        row("left of the primary", {uhd, left}, {0, 1}, {-1920, 0, 5760, 2160});
        row("mirrored", {hd, hd}, {0}, hd);
        row("primary inside a larger clone", {{0, 0, 1280, 720}, hd, portrait}, {1, 2},
            {0, -420, 3000, 1920});
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
        // Upright or not, each picture and each monitor; the picture each monitor gets.
        const auto row =
            addColumns<QList<bool>, QList<bool>, QList<int>>({"pictures", "monitors", "chosen"});
        row("swapped", {false, true}, {true, false}, {1, 0});
        row("nothing upright", {false, false}, {true, false}, {0, 1});
        row("three", {false, false, true}, {false, true, false}, {0, 2, 1});
        row("fewer pictures: the first", {true, false}, {false, true, true}, {1, 0, 0});
    }
    void orientations() {
        QFETCH(QList<bool>, pictures);
        QFETCH(QList<bool>, monitors);
        QTEST(matchOrientations(pictures, monitors), "chosen");
    }

    // A desktop's own list of monitors, matched to ours by place: a mirror or a slightly
    // different rectangle still finds the monitor it mostly covers.
    void mostOverlappingPlace_data() {
        const auto row = addColumns<QRect, qsizetype>({"area", "found"});
        row("the second exactly", {1920, 0, 1080, 1920}, 1);
        row("mostly the second", {1000, 0, 1920, 1080}, 1);
        row("equal parts: the first", {1440, 0, 960, 100}, 0);
        row("only touching", {-100, 0, 100, 100}, -1);
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
