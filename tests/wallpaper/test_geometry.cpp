#include "Geometry.h"

#include <QtTest>

class TestGeometry : public QObject {
    Q_OBJECT
  private slots:
    void fit_data();
    void fit();
    void fitNeverCollapses();
    void caption_data();
    void caption();
    void fileName_data();
    void fileName();
    void dateInJapanese();
    void captionByType();
};

void TestGeometry::fit_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QSize>("fitted");
    QTest::newRow("4:3 up") << QSize(640, 480) << QSize(1024, 768) << QSize(1024, 768);
    QTest::newRow("portrait") << QSize(600, 800) << QSize(1024, 768) << QSize(576, 768);
    QTest::newRow("panorama") << QSize(2000, 500) << QSize(1024, 768) << QSize(1024, 256);
    QTest::newRow("same aspect, down")
        << QSize(3840, 2160) << QSize(1920, 1080) << QSize(1920, 1080);
    QTest::newRow("same aspect, odd") << QSize(683, 384) << QSize(1366, 768) << QSize(1366, 768);
    QTest::newRow("3:2 on 16:9") << QSize(6000, 4000) << QSize(1920, 1080) << QSize(1620, 1080);
    QTest::newRow("rounds to nearest") << QSize(1000, 3) << QSize(1024, 768) << QSize(1024, 3);
    QTest::newRow("rounds up") << QSize(5, 7) << QSize(1024, 768) << QSize(549, 768);
}

void TestGeometry::fit() {
    QFETCH(QSize, picture);
    QFETCH(QSize, screen);
    QFETCH(QSize, fitted);
    QCOMPARE(fitToScreen(picture, screen), fitted);
}

void TestGeometry::fitNeverCollapses() {
    // Rounding a sliver to zero would leave no picture at all.
    QCOMPARE(fitToScreen(QSize(100000, 1), QSize(1024, 768)), QSize(1024, 1));
    QCOMPARE(fitToScreen(QSize(1, 100000), QSize(1024, 768)), QSize(1, 768));
}

void TestGeometry::caption_data() {
    QTest::addColumn<int>("location");
    QTest::addColumn<QSizeF>("text");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QRect>("workArea");
    QTest::addColumn<QPointF>("expected");
    const QSizeF t(100, 20);
    const QSize small(400, 300);
    const QRect taskbarBelow(0, 0, 1024, 738);
    const QRect whole(0, 0, 1024, 768);

    QTest::newRow("small, top left") << 0 << t << small << taskbarBelow << QPointF(10, 10);
    QTest::newRow("small, top right") << 1 << t << small << taskbarBelow << QPointF(290, 10);
    QTest::newRow("small, bottom left") << 2 << t << small << taskbarBelow << QPointF(10, 270);
    QTest::newRow("small, bottom right") << 3 << t << small << taskbarBelow << QPointF(290, 270);
    // A full-screen picture is taller than the work area: the caption sits
    // above the taskbar.
    QTest::newRow("above taskbar")
        << 2 << t << QSize(1024, 768) << taskbarBelow << QPointF(10, 738 - 20 - 10);
    // Wider than the screen and centred on it: the screen's left edge falls
    // at 288 on the picture.
    QTest::newRow("wide picture") << 0 << t << QSize(1600, 600) << whole << QPointF(298, 10);
    QTest::newRow("wide picture, right")
        << 1 << t << QSize(1600, 600) << whole << QPointF(288 + 1024 - 100 - 10, 10);
    // A bar on the left and at the top moves the work area on the picture.
    QTest::newRow("bars left and top") << 3 << t << QSize(1200, 900) << QRect(50, 30, 974, 738)
                                       << QPointF(1024 + 88 - 100 - 10, 768 + 66 - 20 - 10);
    QTest::newRow("half pixels stay")
        << 1 << QSizeF(100.5, 20.25) << small << whole << QPointF(289.5, 10);
    QTest::newRow("other location") << 4 << t << small << whole << QPointF(0, 0);
    QTest::newRow("negative location") << -1 << t << QSize(1600, 900) << whole << QPointF(0, 0);
}

void TestGeometry::caption() {
    QFETCH(int, location);
    QFETCH(QSizeF, text);
    QFETCH(QSize, picture);
    QFETCH(QRect, workArea);
    QFETCH(QPointF, expected);
    QCOMPARE(CaptionPosition(location, text, picture, QSize(1024, 768), workArea), expected);
}

void TestGeometry::fileName_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "/home/a/Pictures/sea.jpg"
                           << "sea.jpg";
    QTest::newRow("name alone") << "sea.jpg"
                                << "sea.jpg";
    QTest::newRow("trailing separator") << "/home/a/Pictures/"
                                        << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("root") << "/"
                          << "";
    QTest::newRow("no extension") << "/tmp/.hidden"
                                  << ".hidden";
    QTest::newRow("japanese") << "/写真/海 の 朝.jpg"
                              << "海 の 朝.jpg";
#ifdef Q_OS_WIN
    QTest::newRow("backslash") << "C:\\Pictures\\sea.jpg"
                               << "sea.jpg";
    QTest::newRow("backslash trailing") << "C:\\Pictures\\"
                                        << "";
    QTest::newRow("mixed") << "C:\\Pictures/sub\\sea.jpg"
                           << "sea.jpg";
#else
    // A backslash is an ordinary character in a Linux file name.
    QTest::newRow("backslash in name") << "/tmp/a\\b.jpg"
                                       << "a\\b.jpg";
#endif
}

void TestGeometry::fileName() {
    QFETCH(QString, path);
    QFETCH(QString, name);
    QCOMPARE(FileNameOf(path), name);
}

void TestGeometry::dateInJapanese() {
    const QLocale ja(QLocale::Japanese, QLocale::Japan);
    QCOMPARE(dateCaption(QDate(2026, 1, 5), ja), QStringLiteral("2026年1月5日 (月)"));
    QCOMPARE(dateCaption(QDate(2025, 12, 28), ja), QStringLiteral("2025年12月28日 (日)"));
    QCOMPARE(dateCaption(QDate(2026, 10, 10), ja), QStringLiteral("2026年10月10日 (土)"));
    // Elsewhere the locale's own short name, still between parentheses.
    const QLocale en(QLocale::English, QLocale::UnitedStates);
    QCOMPARE(dateCaption(QDate(2026, 1, 5), en), QStringLiteral("2026年1月5日 (Mon)"));
}

void TestGeometry::captionByType() {
    const QLocale ja(QLocale::Japanese, QLocale::Japan);
    const QDate day(2026, 1, 5);
    const QString path = QStringLiteral("/p/sea.jpg");
    QCOMPARE(captionText(0, path, "free", day, ja), QStringLiteral("2026年1月5日 (月)"));
    QCOMPARE(captionText(1, path, "free", day, ja), QStringLiteral("sea.jpg"));
    QCOMPARE(captionText(2, path, "  free  ", day, ja), QStringLiteral("  free  "));
    QCOMPARE(captionText(3, path, "free", day, ja), QString());
    QCOMPARE(captionText(-1, path, "free", day, ja), QString());
}

QTEST_APPLESS_MAIN(TestGeometry)
#include "test_geometry.moc"
