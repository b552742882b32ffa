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
    void monitorLayouts() {
        const QRect hd(0, 0, 1920, 1080), uhd(0, 0, 3840, 2160);
        const QRect portrait(1920, -420, 1080, 1920), left(-1920, 200, 1920, 1080);
        // The monitors, which of them show their own, the bounding box.
        for (const auto &[monitors, distinct, box] :
             QList<std::tuple<QList<QRect>, QList<int>, QRect>>{
                 {{hd}, {0}, hd},
                 {{hd, portrait}, {0, 1}, {0, -420, 3000, 1920}},
                 {{uhd, left}, {0, 1}, {-1920, 0, 5760, 2160}},
                 {{hd, hd}, {0}, hd}, // mirrored
                 {{{0, 0, 1280, 720}, hd, portrait}, {1, 2}, {0, -420, 3000, 1920}}}) {
            QList<MonitorInfo> infos;
            for (const QRect &m : monitors)
                infos << MonitorInfo{QString::number(infos.size()), m, QRect(QPoint(), m.size())};
            QList<int> found;
            for (const MonitorInfo &m : distinctMonitors(infos))
                found << m.name.toInt();
            QCOMPARE(found, distinct);
            QCOMPARE(boundingBox(infos), box);
            QCOMPARE(picturesPerStep(MonitorMode::Each, infos), int(distinct.size()));
            QCOMPARE(picturesPerStep(monitorModeFromStored(7), infos), 1);
        }
    }

    // Upright pictures go to upright monitors while the step's pictures last;
    // every monitor gets one, the primary choosing first.
    void orientations() {
        for (const auto &[pictures, monitors, chosen] :
             QList<std::tuple<QList<bool>, QList<bool>, QList<int>>>{
                 {{false, true}, {true, false}, {1, 0}},
                 {{false, false}, {true, false}, {0, 1}},
                 {{false, false, true}, {false, true, false}, {0, 2, 1}},
                 {{true, false}, {false, true, true}, {1, 0, 0}}}) // fewer pictures: the first
            QCOMPARE(matchOrientations(pictures, monitors), chosen);
    }

    // A desktop's own list of monitors, matched to ours by place: a mirror or a slightly
    // different rectangle still finds the monitor it mostly covers; equal parts, the first.
    void mostOverlappingPlace() {
        const QList<QRect> places{{0, 0, 1920, 1080}, {1920, 0, 1080, 1920}};
        for (const auto &[area, found] :
             QList<std::pair<QRect, qsizetype>>{{{1920, 0, 1080, 1920}, 1},
                                                {{1000, 0, 1920, 1080}, 1},
                                                {{1440, 0, 960, 100}, 0},
                                                {{-100, 0, 100, 100}, -1}}) // only touching
            QCOMPARE(mostOverlapping(area, places), found);
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
