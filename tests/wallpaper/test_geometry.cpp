#include "Geometry.h"

#include <QtTest>

class TestGeometry : public QObject {
    Q_OBJECT
  private slots:
    void fit_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("fitted");
        QTest::newRow("portrait") << QSize(600, 800) << QSize(576, 768);
        QTest::newRow("panorama") << QSize(2000, 500) << QSize(1024, 256);
        QTest::newRow("3:2, large") << QSize(6000, 4000) << QSize(1024, 683);
        QTest::newRow("rounds up") << QSize(5, 7) << QSize(549, 768);
        // Rounding a sliver to zero would leave no picture at all.
        QTest::newRow("wide sliver") << QSize(100000, 1) << QSize(1024, 1);
        QTest::newRow("tall sliver") << QSize(1, 100000) << QSize(1, 768);
    }

    void fit() {
        QFETCH(QSize, picture);
        QFETCH(QSize, fitted);
        QCOMPARE(fitToScreen(picture, QSize(1024, 768)), fitted);
    }

    void caption_data() {
        QTest::addColumn<int>("location");
        QTest::addColumn<QSizeF>("text");
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QRect>("workArea");
        QTest::addColumn<QPointF>("expected");
        const QSizeF t(100, 20);
        const QSize small(400, 300);
        const QRect taskbarBelow(0, 0, 1024, 738);
        const QRect whole(0, 0, 1024, 768);

        QTest::newRow("small, bottom right")
            << 3 << t << small << taskbarBelow << QPointF(290, 270);
        QTest::newRow("above taskbar")
            << 2 << t << QSize(1024, 768) << taskbarBelow << QPointF(10, 738 - 20 - 10);
        // Centred 1600 pixels wide: the screen's left edge falls at 288 on the picture.
        QTest::newRow("wide picture, right")
            << 1 << t << QSize(1600, 600) << whole << QPointF(288 + 1024 - 100 - 10, 10);
        QTest::newRow("bars left and top") << 3 << t << QSize(1200, 900) << QRect(50, 30, 974, 738)
                                           << QPointF(1024 + 88 - 100 - 10, 768 + 66 - 20 - 10);
        QTest::newRow("half pixels stay")
            << 1 << QSizeF(100.5, 20.25) << small << whole << QPointF(289.5, 10);
        QTest::newRow("other location") << 4 << t << small << whole << QPointF(0, 0);
    }

    void caption() {
        QFETCH(int, location);
        QFETCH(QSizeF, text);
        QFETCH(QSize, picture);
        QFETCH(QRect, workArea);
        QFETCH(QPointF, expected);
        QCOMPARE(CaptionPosition(location, text, picture, QSize(1024, 768), workArea), expected);
    }

    void fileName_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        const auto row = [](const char *tag, const char *path, const char *name) {
            QTest::newRow(tag) << QString::fromUtf8(path) << QString::fromUtf8(name);
        };
        row("plain", "/写真/海 の 朝.jpg", "海 の 朝.jpg");
        row("name alone", "sea.jpg", "sea.jpg");
        row("trailing separator", "/home/a/Pictures/", "");
#ifdef Q_OS_WIN
        row("mixed", "C:\\Pictures/sub\\sea.jpg", "sea.jpg");
#else
        // A backslash is an ordinary character in a Linux file name.
        row("backslash in name", "/tmp/a\\b.jpg", "a\\b.jpg");
#endif
    }

    void fileName() {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(FileNameOf(path), name);
    }

    void captionTexts() {
        const QLocale ja(QLocale::Japanese, QLocale::Japan);
        QCOMPARE(dateCaption(QDate(2025, 12, 28), ja), QStringLiteral("2025年12月28日 (日)"));
        // Elsewhere the locale's own short name, still between parentheses.
        const QLocale en(QLocale::English, QLocale::UnitedStates);
        QCOMPARE(dateCaption(QDate(2026, 1, 5), en), QStringLiteral("2026年1月5日 (Mon)"));

        const QDate day(2026, 1, 5);
        const QString path = QStringLiteral("/p/sea.jpg");
        QCOMPARE(captionText(0, path, "free", day, ja), QStringLiteral("2026年1月5日 (月)"));
        QCOMPARE(captionText(1, path, "free", day, ja), QStringLiteral("sea.jpg"));
        QCOMPARE(captionText(2, path, "  free  ", day, ja), QStringLiteral("  free  "));
        QCOMPARE(captionText(3, path, "free", day, ja), QString());
    }
};

QTEST_APPLESS_MAIN(TestGeometry)
#include "test_geometry.moc"
