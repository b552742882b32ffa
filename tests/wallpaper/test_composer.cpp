#include "Composer.h"
#include "DataTable.h"
#include "FakeServices.h"
#include "PictureLoader.h"

#include <QBitmap>
#include <QImageWriter>
#include <QtTest>

namespace {

// Red, green, blue and white quarters: any shift, flip or turn shows.
QImage quarters(QSize size) {
    static const QRgb pixels[] = {0xffff0000, 0xff00ff00, 0xff0000ff, 0xffffffff};
    return QImage(reinterpret_cast<const uchar *>(pixels), 2, 2, QImage::Format_RGB32).scaled(size);
}

bool near(QRgb a, QColor b) {
    return qAbs(qRed(a) - b.red()) + qAbs(qGreen(a) - b.green()) + qAbs(qBlue(a) - b.blue()) < 80;
}

// The image as a file holds it; a JPEG progressive if asked.
QByteArray encoded(const QImage &image, const char *format = "jpeg", bool progressive = false) {
    QBuffer buffer;
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return buffer.data();
}

// An EXIF block holding only an orientation, right after the start marker, as a camera writes it.
QByteArray withOrientation(const QByteArray &jpeg, char orientation) {
    QByteArray exif("Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 24);
    exif += orientation + QByteArray(7, '\0');
    const int length = int(exif.size()) + 2;
    return jpeg.left(2) + QByteArray("\xff\xe1", 2) + char(length >> 8) + char(length & 0xff) +
           exif + jpeg.mid(2);
}

// A field of /proc/self/status in kB: VmHWM is the peak, RssAnon the heap's share. 0 without
// /proc (Windows), or under AddressSanitizer, whose quarantine and shadow memory grow with every
// allocation: there memory figures say nothing.
qint64 statusKb(const QByteArray &field) {
    QFile status("/proc/self/status");
#ifndef __SANITIZE_ADDRESS__
    if (status.open(QIODevice::ReadOnly)) {
        const QByteArray text = status.readAll();
        const qsizetype at = text.indexOf(field + ':') + field.size() + 1;
        return text.mid(at, text.indexOf('\n', at) - at).trimmed().split(' ')[0].toLongLong();
    }
#endif
    return 0;
}

// A composer on fakes: 1024 x 768 with a 30-pixel bar at the bottom.
struct Rig {
    explicit Rig(const QString &out, qreal dpi = 96)
        : screen(QSize(1024, 768), QRect(0, 0, 1024, 738), dpi),
          composer(screen, clock, desktop, out) {}
    FakeScreenInfo screen;
    FakeClock clock;
    FakeDesktopBackground desktop;
    Composer composer;
};

} // namespace

class TestComposer : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    const QString m_out = m_dir.filePath(QStringLiteral("MirellWP.bmp"));

    QString file(const QString &name, const QByteArray &content) {
        QFile f(m_dir.filePath(name));
        return f.open(QIODevice::WriteOnly) && f.write(content) == content.size() ? f.fileName()
                                                                                  : QString();
    }

  private slots:
    // Runs first: the peak it measures must not be an earlier test's.
    void unusablePictures() {
        using PictureLoader::Check;
        file("MirellWP.bmp", "the previous wallpaper");
        const QString fine = file("fine.png", encoded(quarters(QSize(100, 80)), "png"));
        // A small progressive JPEG whose frame header claims 30000 x 20000 pixels.
        QByteArray bomb = encoded(quarters(QSize(64, 48)), "jpeg", true);
        bomb.replace(bomb.indexOf("\xff\xc2") + 5, 4, "\x4e\x20\x75\x30");
        // A missing or cut file is no verdict on its content: the list keeps it.
        QList<std::pair<QString, Check>> cases{
            {m_dir.filePath("gone.jpg"), Check::Accepted},
            {file("truncated.jpg", encoded(quarters({64, 48})).left(300)), Check::Accepted},
            {file("notes.jpg", "just some text\n"), Check::Invalid},
            {file("empty.bmp", {}), Check::Invalid},
            {file("bomb.jpg", bomb), Check::Invalid}};
        // Opening a FIFO would wait for a writer forever; Windows has none to make.
        if (QProcess::execute("mkfifo", {m_dir.filePath("fifo.jpg")}) == 0)
            cases.append({m_dir.filePath("fifo.jpg"), Check::Invalid});
        QVERIFY(cases.size() == 6 || QSysInfo::productType() == "windows");
        Rig rig(m_out);
        // A file where the folder should be: no one can write there, not even root.
        Rig unwritable(m_out + "/MirellWP.bmp");
        bool called = false;
        const qint64 peak = statusKb("VmHWM");
        for (const auto &[path, verdict] : cases) {
            QCOMPARE(PictureLoader::check(path), verdict);
            for (bool stretch : {false, true}) {
                const Settings settings{.Stretch = stretch, .ShowCaption = true};
                rig.composer.ComposeWallpaper(path, settings, [&] { called = true; });
                unwritable.composer.ComposeWallpaper(fine, settings, [&] { called = true; });
            }
        }
        // The bomb is refused from its header, before the decoder allocates for it.
        QCOMPARE_LT(statusKb("VmHWM") - peak, 64 * 1024);
        QVERIFY(!called && rig.desktop.calls.isEmpty() && unwritable.desktop.calls.isEmpty());
        QCOMPARE(QFileInfo(m_out).size(), qint64(sizeof "the previous wallpaper" - 1));
    }

    // A JPEG is decoded at the smallest m/8 of its size that still covers the target (the
    // screen, the preview), upright; never at full size for a small target, which for a large
    // photo takes ~144 MB.
    void jpegScaleChoice_data() {
        const auto row =
            addColumns<QSize, char, QSize, QSize>({"stored", "orientation", "target", "decoded"});
        row("an eighth covers it", {800, 450}, 1, {100, 56}, {100, 57});
        row("a pixel more: a quarter", {800, 450}, 1, {101, 56}, {200, 113});
        row("seven eighths", {800, 450}, 1, {700, 393}, {700, 394});
        row("sideways photo, upright target", {450, 800}, 6, {100, 56}, {100, 57});
        row("target larger: full size", {800, 450}, 1, {1024, 768}, {800, 450});
        row("no target: full size", {800, 450}, 1, {}, {800, 450});
        row("8000x4500 to the screen", {8000, 4500}, 1, {1024, 576}, {2000, 1125});
    }
    void jpegScaleChoice() {
        QFETCH(QSize, stored);
        QFETCH(char, orientation);
        QFETCH(QSize, target);
        QFETCH(QSize, decoded);
        QImage grey(stored, QImage::Format_Grayscale8);
        grey.fill(128);
        const QByteArray jpeg = withOrientation(encoded(grey), orientation);
        grey = QImage();
        // The peak from here on is the decode's (a reset of VmHWM).
        QFile refs("/proc/self/clear_refs");
        QVERIFY(!statusKb("VmHWM") || (refs.open(QIODevice::WriteOnly) && refs.write("5") == 1));
        refs.close();
        const qint64 before = statusKb("VmHWM");
        const QSize size = PictureLoader::load(jpeg, target).size();
        // libjpeg rounds a fraction of a pixel up, Qt's own reader (Windows) down.
        const QSize off = size - decoded;
        QVERIFY2(qAbs(off.width()) <= 1 && qAbs(off.height()) <= 1,
                 qPrintable(QStringLiteral("%1x%2").arg(size.width()).arg(size.height())));
        QCOMPARE_LT(statusKb("VmHWM") - before, 32 * 1024);
    }

    // Large JPEGs are scaled while decoding, and a large photo kept at its own size is no less
    // a wallpaper. The content decides, not the name. One stored sideways and tagged "turn
    // clockwise to view" is upright, blue top left.
    void fitted_data() {
        const auto row = addColumns<QString, bool, QSize>({"path", "stretch", "size"});
        const QString tagged =
            file("tagged.jpg", withOrientation(encoded(quarters({200, 100})), 6));
        row("PNG named .txt", file("a.txt", encoded(quarters({640, 480}), "png")), true,
            {1024, 768});
        row("JPEG fitted", file("a.jpg", encoded(quarters({2400, 1600}))), true, {1024, 683});
        row("8000x4500 at its own size", file("big.jpg", encoded(quarters({8000, 4500}))), false,
            {8000, 4500});
        row("turned", tagged, false, {100, 200});
        row("turned, fitted", tagged, true, {384, 768});
    }
    void fitted() {
        QFETCH(QString, path);
        QFETCH(bool, stretch);
        static const qint64 rest = statusKb("RssAnon"); // however many switches, it goes back
        Rig rig(m_out);
        rig.composer.ComposeWallpaper(path, {.Stretch = stretch});
        QCOMPARE(rig.desktop.calls, QStringList{m_out});
        QCOMPARE_LT(statusKb("RssAnon") - rest, 4096);
        const QImage bmp(m_out, "bmp");
        QTEST(bmp.size(), "size");
        const QList<Qt::GlobalColor> c = path.endsWith("tagged.jpg")
                                             ? QList{Qt::blue, Qt::red, Qt::white, Qt::green}
                                             : QList{Qt::red, Qt::green, Qt::blue, Qt::white};
        const int w = bmp.width() - 1, h = bmp.height() - 1;
        QVERIFY(near(bmp.pixel(0, 0), c[0]) && near(bmp.pixel(w, 0), c[1]));
        QVERIFY(near(bmp.pixel(0, h), c[2]) && near(bmp.pixel(w, h), c[3]));
    }

    void caption() {
        QImage black(400, 300, QImage::Format_RGB32);
        black.fill(Qt::black);
        const QString path = file("black.png", encoded(black, "png"));
        // Red lives in the colour's low byte.
        const Settings settings{.ShowCaption = true,
                                .CaptionType = 2,
                                .CaptionString = "HIH",
                                .FontName = "IPAGothic",
                                .FontSize = 20,
                                .FontColor = 0x0000ff,
                                .Location = 3};
        QList<QRect> inks; // bounding boxes of the pure red pixels
        for (qreal dpi : {96.0, 192.0}) {
            Rig rig(m_out, dpi);
            rig.composer.ComposeWallpaper(path, settings);
            const QImage red =
                QImage(m_out, "bmp").createMaskFromColor(qRgb(255, 0, 0), Qt::MaskOutColor);
            inks << QRegion(QBitmap::fromImage(red)).boundingRect();
        }
        // At 96 dpi the text ends 10 pixels in from the right and the bottom, its cell
        // reaching below the baseline by the font's descent.
        QVERIFY(QRect(300, 250, 91, 41).contains(inks[0]));
        QVERIFY(inks[0].right() >= 386 && inks[0].bottom() >= 280 && inks[0].width() > 30);
        // 20 points on a screen of twice the density take twice the pixels.
        QVERIFY(qAbs(inks[1].height() - 2 * inks[0].height()) <= 3);
    }

    // Two monitors, the second a portrait one standing 50 pixels higher: a file per monitor,
    // fitted, where the desktop takes one, else one canvas over both.
    void monitors_data() {
        // "eachMonitor": a file per monitor, fitted; else one canvas.
        const auto row = addColumns<qint16, bool, bool, QStringList, QList<QSize>>(
            {"mode", "eachMonitor", "mirrored", "calls", "sizes"});
        const QStringList two{m_out + "+" + m_dir.filePath("MirellWP-2.bmp")},
            span{"span " + m_out};
        row("same on each", 0, true, false, two, {{400, 229}, {300, 171}});
        row("each its own", 1, true, false, two, {{400, 300}, {300, 171}});
        row("across", 2, true, false, two, {{400, 300}, {300, 400}});
        row("same, one canvas", 0, false, false, span, {{700, 400}});
        row("across, one canvas", 2, false, false, span, {{700, 400}});
        row("mirrored", 1, true, true, {m_out}, {{400, 300}});
    }
    void monitors() {
        QFETCH(qint16, mode);
        QFETCH(bool, eachMonitor);
        QFETCH(bool, mirrored);
        // Red counts the columns, blue the rows: seams show as jumps.
        QImage ramp(700, 400, QImage::Format_RGB32);
        for (int y = 0; y < ramp.height(); ++y)
            for (int x = 0; x < ramp.width(); ++x)
                ramp.setPixel(x, y, qRgb(x * 255 / 699, 0, y * 255 / 399));
        const QStringList paths{file("q.png", encoded(quarters({160, 120}), "png")),
                                file("ramp.png", encoded(ramp, "png"))};
        Rig rig(m_out);
        const QRect primary(0, 0, 400, 300);
        rig.screen.m_monitors = {
            {"A", primary, primary, 96},
            {"B", mirrored ? primary : QRect(400, -50, 300, 400), QRect(0, 0, 300, 400), 96}};
        rig.desktop.eachMonitor = eachMonitor;
        rig.desktop.keepImages = true;
        const QStringList given = mode == 1 ? paths : paths.mid(1);
        rig.composer.ComposeWallpaper(given, {.Stretch = eachMonitor, .MonitorMode = mode});
        QTEST(rig.desktop.calls, "calls");
        QList<QSize> shown;
        for (const QImage &image : rig.desktop.images)
            shown << image.size();
        QTEST(shown, "sizes");
        const auto shownPictures = rig.composer.shown();
        QCOMPARE(shownPictures.size(), mirrored ? 1 : 2);
        QCOMPARE(shownPictures.last().picture, given.value(shownPictures.size() - 1, given[0]));
        // At its own size the picture is wider than the primary: it keeps to its monitor.
        if (mode == 0 && !eachMonitor)
            QCOMPARE(qRed(rig.desktop.images[0].pixel(399, 60)), (399 + 150) * 255 / 699);
        if (mode == 2 && eachMonitor) {
            // Row 10 of the primary is row 60 of the picture; the portrait monitor goes on
            // with the next column, on the same row.
            const QRgb a = rig.desktop.images[0].pixel(399, 10);
            const QRgb b = rig.desktop.images[1].pixel(0, 60);
            QCOMPARE(QList({qRed(a), qBlue(a), qRed(b), qBlue(b)}),
                     QList({399 * 255 / 699, 60 * 255 / 399, 400 * 255 / 699, 60 * 255 / 399}));
        }
    }

    // A disk a few pages short of the new wallpaper, then one with room.
    void fullDiskKeepsThePreviousWallpaper_data() {
        const auto row = addColumns<qint64>({"pagesShort"});
        row("one page short", 1);
        row("three pages short", 3);
        row("room to spare", -1);
    }
    void fullDiskKeepsThePreviousWallpaper() {
        QFETCH(qint64, pagesShort);
        QTemporaryDir disk;
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=1m", "tmpfs", disk.path()}))
            QSKIP("a tmpfs cannot be mounted here (not root, or no mount allowed)");
        const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {disk.path()}); });
        const QString out = disk.filePath("MirellWP.bmp");
        // Rows of 3,000 bytes: a buffered write keeps the last 15,000 for the commit.
        const QString picture = file("disk.png", encoded(quarters({1000, 200}), "png"));
        QVERIFY(QFile(out).open(QIODevice::WriteOnly) && QFile::resize(out, 4096));
        const qint64 bmpSize = 54 + 1000 * 3 * 200, page = 4096;
        const qint64 room = (bmpSize + page - 1) / page * page - pagesShort * page;
        QFile filler(disk.filePath("filler"));
        const QByteArray fill(QStorageInfo(disk.path()).bytesAvailable() - room, 'x');
        QVERIFY(filler.open(QIODevice::WriteOnly) && filler.write(fill) == fill.size());

        Rig rig(out);
        QSignalSpy failed(&rig.composer, &Composer::desktopFailed);
        bool applied = false;
        rig.composer.ComposeWallpaper(picture, {}, [&] { applied = true; });
        QCOMPARE(applied, pagesShort < 0);
        QCOMPARE(failed.size(), int(!applied)); // told, as a refusing desktop is
        QCOMPARE(rig.desktop.calls, applied ? QStringList{out} : QStringList());
        QCOMPARE(QFileInfo(out).size(), applied ? bmpSize : page);
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files).size(), 2); // no temporary left
    }

    void requestDuringCompositionWaits() {
        const QString first = file("first.png", encoded(quarters(QSize(200, 100)), "png"));
        Rig rig(m_out);
        QStringList order;
        // Already waiting when the composition starts, as a tray command would be; run inside
        // the first, it would finish before it.
        QTimer::singleShot(0, &rig.composer, [&] {
            rig.composer.ComposeWallpaper(first, Settings(), [&] { order << "second"; });
        });
        rig.composer.ComposeWallpaper(first, Settings(), [&] { order << "first"; });
        QCOMPARE(order, QStringList({"first", "second"}));
    }
};

QTEST_MAIN(TestComposer)
#include "test_composer.moc"
