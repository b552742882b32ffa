// Figures for the picture list at its limits: a drop of 1,000 large JPEGs and
// editing a list of 32,767 entries. Prints timings; never fails on slowness.
#include "IniSettingsStore.h"
#include "PictureTab.h"
#include "Settings.h"

#include <QElapsedTimer>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

#include <filesystem>
#include <memory>

namespace {

struct Tab : PictureTab {
    Tab() {
        window.resize(324, 403);
        window.show();
    }
};

// A photo-like 6000 × 4000 picture: smooth areas and fine detail, so that the
// JPEG has the size of a real camera file.
QImage photo(int seed) {
    QImage image(6000, 4000, QImage::Format_RGB32);
    quint32 noise = 2463534242u + quint32(seed);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const int grain = int(noise & 31);
            line[x] = qRgb((x / 24 + seed * 40 + grain) & 255, (y / 16 + grain) & 255,
                           ((x + y) / 40 + grain) & 255);
        }
    }
    return image;
}

double msSince(const QElapsedTimer &timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

class BenchPictureList : public QObject {
    Q_OBJECT
  private slots:
    void dropOfAThousandLargeJpegs() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QElapsedTimer timer;
        timer.start();
        QStringList originals;
        qint64 bytes = 0;
        for (int i = 0; i < 3; ++i) {
            const QString path = dir.filePath(QStringLiteral("orig%1.jpg").arg(i));
            QVERIFY(photo(i).save(path, "JPEG", 90));
            originals << path;
            bytes += QFileInfo(path).size();
        }
        QStringList paths;
        for (int i = 0; i < 1000; ++i) {
            const QString path =
                dir.filePath(QStringLiteral("DSC%1.jpg").arg(i, 5, 10, QChar('0')));
            std::error_code error;
            std::filesystem::create_hard_link(originals.at(i % 3).toStdString(), path.toStdString(),
                                              error);
            if (error)
                QVERIFY(QFile::copy(originals.at(i % 3), path));
            paths << path;
        }
        qInfo("generated 3 JPEGs of 6000x4000 (%.1f MB each on average) and 1000 links in %.0f ms",
              double(bytes) / 3 / 1e6, msSince(timer));

        Tab tab;
        auto *data = new QMimeData;
        QList<QUrl> urls;
        for (const QString &p : paths)
            urls << QUrl::fromLocalFile(p);
        data->setUrls(urls);
        const QPoint at = tab.lst->viewport()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop(QPointF(at), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);

        timer.restart();
        QCoreApplication::sendEvent(tab.lst->viewport(), &enter);
        QCoreApplication::sendEvent(tab.lst->viewport(), &drop);
        QTRY_COMPARE_WITH_TIMEOUT(tab.editor->count(), 1000, 600000);
        qInfo("drop of 1000 JPEGs of 24 megapixels: %.0f ms (target: 3000 ms)", msSince(timer));
        QVERIFY(tab.dialogs.messages.isEmpty());
        QCOMPARE(tab.editor->list().Files, paths);
        delete data;
    }

    void editingAFullList() {
        Tab tab;
        PictureList list;
        for (int i = 0; i < MaxPictureCount; ++i) {
            list.Files << QStringLiteral("/pictures/IMG_%1.jpg").arg(i);
            list.Titles << QStringLiteral("IMG_%1.jpg").arg(i);
        }
        QElapsedTimer timer;
        timer.start();
        tab.editor->setList(list);
        QCoreApplication::processEvents();
        qInfo("load of %d entries: %.1f ms", list.count(), msSince(timer));

        const int middle = list.count() / 2;
        timer.restart();
        tab.lst->setCurrentRow(middle);
        tab.lst->scrollToItem(tab.lst->currentItem());
        QCoreApplication::processEvents();
        qInfo("select line %d: %.2f ms", middle, msSince(timer));

        timer.restart();
        for (int i = 0; i < 100; ++i) {
            tab.editor->moveUp();
            QCoreApplication::processEvents();
        }
        qInfo("move up, per step: %.3f ms", msSince(timer) / 100);
        QCOMPARE(tab.editor->selected(), middle - 100);
        QCOMPARE(tab.editor->list().Titles.at(middle - 100), list.Titles.at(middle));

        timer.restart();
        for (int i = 0; i < 100; ++i) {
            tab.editor->moveDown();
            QCoreApplication::processEvents();
        }
        qInfo("move down, per step: %.3f ms", msSince(timer) / 100);
        QCOMPARE(tab.editor->list(), list);

        timer.restart();
        for (int i = 0; i < 100; ++i) {
            tab.lst->setCurrentRow(i * 300);
            tab.editor->remove();
            QCoreApplication::processEvents();
        }
        qInfo("select and remove, per entry: %.3f ms", msSince(timer) / 100);
        QCOMPARE(tab.editor->count(), list.count() - 100);
        QCOMPARE(tab.editor->list().Titles, [&] {
            QStringList texts;
            for (int i = 0; i < tab.lst->count(); ++i)
                texts << tab.lst->item(i)->text();
            return texts;
        }());
    }

    // What OK and start-up do with a full list: the store written and synced
    // to a real INI file, then read back into the list.
    void storeOfAFullList() {
        QTemporaryDir dir;
        PictureList list;
        for (int i = 0; i < MaxPictureCount; ++i) {
            list.Files << QStringLiteral("/home/user/Pictures/2026/IMG_%1.jpg").arg(i);
            list.Titles << QStringLiteral("IMG_%1.jpg").arg(i);
        }
        QElapsedTimer timer;
        {
            IniSettingsStore store(dir.filePath(QStringLiteral("Mirell!.ini")));
            timer.start();
            writePictureList(store, list);
            QVERIFY(store.sync());
            qInfo("save of %d entries (written and synced): %.1f ms", list.count(), msSince(timer));
        }
        Tab tab;
        IniSettingsStore store(dir.filePath(QStringLiteral("Mirell!.ini")));
        timer.restart();
        tab.editor->setList(readPictureList(store));
        QCoreApplication::processEvents();
        qInfo("load of %d entries (read and listed): %.1f ms", list.count(), msSince(timer));
        QCOMPARE(tab.editor->list(), list);
    }
};

QTEST_MAIN(BenchPictureList)
#include "picturelist_bench.moc"
