#include "FrmPrev.h"

#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

class TestPreview : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString picture(const QString &name, QSize size) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        const QString path = m_dir.filePath(name);
        if (!image.save(path))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

  private slots:
    void previewSizeFollowsTheLongerRule_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<int>("screen");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("landscape") << QSize(1600, 1200) << 1280 << QSize(256, 192);
        QTest::newRow("portrait") << QSize(1200, 1600) << 1280 << QSize(192, 256);
        QTest::newRow("square") << QSize(500, 500) << 1920 << QSize(384, 384);
        QTest::newRow("truncated") << QSize(1000, 333) << 1283 << QSize(256, 85);
        QTest::newRow("portrait truncated") << QSize(333, 1000) << 1283 << QSize(85, 256);
        QTest::newRow("very wide") << QSize(100000, 10) << 1280 << QSize(256, 0);
        QTest::newRow("huge") << QSize(2000000, 1900000) << 100000 << QSize(20000, 19000);
        QTest::newRow("empty") << QSize(0, 0) << 1280 << QSize();
    }
    void previewSizeFollowsTheLongerRule() {
        QFETCH(QSize, picture);
        QFETCH(int, screen);
        QFETCH(QSize, expected);
        QCOMPARE(FrmPrev::previewSize(picture, screen), expected);
    }

    void tooltipGivesOwnPixels() {
        QCOMPARE(FrmPrev::sizeTooltip(QSize(1600, 1200)), QStringLiteral("1600×1200"));
        QCOMPARE(FrmPrev::sizeTooltip(QSize(1024, 768)), QString::fromUtf8("1024\xC3\x97"
                                                                           "768"));
    }

    void showsPictureCentredAndReusesWindow() {
        QVERIFY(m_dir.isValid());
        QWidget owner;
        owner.setGeometry(300, 200, 324, 403);
        owner.show();
        QPointer<FrmPrev> prev = new FrmPrev(&owner);
        QCOMPARE(prev->windowTitle(), QStringLiteral("プレビュー"));
        QVERIFY(prev->windowFlags().testFlag(Qt::Tool));
        QVERIFY(!prev->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));

        QVERIFY(prev->showPicture(picture("wide.png", QSize(1600, 1200)), "wide.png", 1280));
        QVERIFY(prev->isVisible());
        QVERIFY(!prev->isModal());
        QCOMPARE(prev->windowTitle(), QStringLiteral("wide.png"));
        QCOMPARE(prev->size(), QSize(256, 192));
        auto *img = prev->findChild<QLabel *>(QStringLiteral("imgPrev"));
        QVERIFY(img);
        QCOMPARE(img->geometry(), QRect(0, 0, 256, 192));
        QVERIFY(img->hasScaledContents());
        QCOMPARE(img->toolTip(), QStringLiteral("1600×1200"));
        QVERIFY(!img->pixmap().isNull());
        QCOMPARE(img->pixmap().toImage().pixelColor(128, 96), QColor(Qt::darkGreen));
        QVERIFY(
            (prev->frameGeometry().center() - owner.frameGeometry().center()).manhattanLength() <=
            4);

        // A second preview refills the same window where the user left it.
        prev->move(40, 50);
        const QPoint left = prev->pos();
        QVERIFY(prev->showPicture(picture("tall.png", QSize(300, 600)), "tall.png", 1280));
        QCOMPARE(prev->size(), QSize(128, 256));
        QCOMPARE(img->toolTip(), QStringLiteral("300×600"));
        QCOMPARE(prev->pos(), left);

        // An unloadable file leaves the window exactly as it was.
        const QString bad = m_dir.filePath("bad.jpg");
        QFile note(bad);
        QVERIFY(note.open(QIODevice::WriteOnly));
        note.write("no picture here");
        note.close();
        for (const QString &path : {bad, m_dir.filePath("missing.jpg")}) {
            QVERIFY(!prev->showPicture(path, "x", 1280));
            QCOMPARE(prev->windowTitle(), QStringLiteral("tall.png"));
            QCOMPARE(prev->size(), QSize(128, 256));
            QCOMPARE(img->toolTip(), QStringLiteral("300×600"));
        }

        prev->close();
        QTRY_VERIFY(prev.isNull());
    }

    void missingFileShowsNothing() {
        QWidget owner;
        FrmPrev *prev = new FrmPrev(&owner);
        QVERIFY(!prev->showPicture(m_dir.filePath("gone.jpg"), "gone.jpg", 1280));
        QVERIFY(!prev->isVisible());
        QCOMPARE(prev->windowTitle(), QStringLiteral("プレビュー"));
    }

    void veryWidePictureStillGetsAWindow() {
        QWidget owner;
        FrmPrev *prev = new FrmPrev(&owner);
        QVERIFY(prev->showPicture(picture("strip.png", QSize(4000, 2)), "strip.png", 1280));
        QCOMPARE(prev->size(), QSize(256, 1));
        QCOMPARE(prev->findChild<QLabel *>("imgPrev")->toolTip(), QStringLiteral("4000×2"));
    }
};

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
