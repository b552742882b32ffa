#include "FrmPrev.h"

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
    void previewSize() {
        for (auto [picture, screen, expected] :
             {std::tuple{QSize(1000, 333), 1283, QSize(256, 85)},
              {QSize(333, 1000), 1283, QSize(85, 256)},
              {QSize(500, 500), 1280, QSize(256, 256)}, // square takes the portrait rule
              {QSize(100000, 10), 1280, QSize(256, 0)},
              {QSize(2000000, 1900000), 100000, QSize(20000, 19000)}, // no overflow
              {QSize(0, 0), 1280, QSize()}})
            QCOMPARE(FrmPrev::previewSize(picture, screen), expected);
    }

    void showsPictureCentredAndReusesWindow() {
        QWidget owner;
        owner.setGeometry(300, 200, 324, 403);
        owner.show();
        QPointer<FrmPrev> prev = new FrmPrev(&owner);

        QVERIFY(prev->showPicture(picture("wide.png", QSize(1600, 1200)), "wide.png", 1280));
        QVERIFY(prev->isVisible() && !prev->isModal());
        QCOMPARE(prev->windowTitle(), QStringLiteral("wide.png"));
        QCOMPARE(prev->size(), QSize(256, 192));
        auto *img = prev->findChild<QLabel *>(QStringLiteral("imgPrev"));
        QCOMPARE(img->toolTip(), QStringLiteral("1600×1200"));
        QCOMPARE(img->pixmap().toImage().pixelColor(128, 96), QColor(Qt::darkGreen));
        const QPoint offCentre = prev->frameGeometry().center() - owner.frameGeometry().center();
        QVERIFY(offCentre.manhattanLength() <= 4);

        // A second picture refills the same window where the user left it; an
        // unloadable one leaves it as it was.
        prev->move(40, 50);
        const QPoint left = prev->pos();
        QVERIFY(prev->showPicture(picture("tall.png", QSize(300, 600)), "tall.png", 1280));
        QVERIFY(!prev->showPicture(m_dir.filePath("gone.jpg"), "x", 1280));
        QCOMPARE(prev->windowTitle(), QStringLiteral("tall.png"));
        QCOMPARE(prev->size(), QSize(128, 256));
        QCOMPARE(img->toolTip(), QStringLiteral("300×600"));
        QCOMPARE(prev->pos(), left);

        // A sliver still gets a window a pixel high.
        QVERIFY(prev->showPicture(picture("strip.png", QSize(4000, 2)), "strip.png", 1280));
        QCOMPARE(prev->size(), QSize(256, 1));
        prev->close();
        QTRY_VERIFY(prev.isNull());
    }
};

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
