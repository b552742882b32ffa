// A window with Japanese text and a report of what the Windows build of Qt
// offers Mirell: the tray, and the image formats its plugins read.
#include <QApplication>
#include <QImageReader>
#include <QLabel>
#include <QSystemTrayIcon>
#include <QTimer>
#include <cstdio>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("壁紙を切り替えます — 設定\nMirell on Windows"));
    // The font Qt chooses by itself, as Mirell's windows get it.
    QFont font = label.font();
    font.setPointSize(28);
    label.setFont(font);
    label.setMargin(24);
    label.setWindowTitle(QStringLiteral("設定"));
    label.move(40, 40);
    label.show();

    QStringList formats;
    for (const QByteArray &format : QImageReader::supportedImageFormats())
        formats << QString::fromLatin1(format);
    std::printf("tray %s\nformats %s\nfont %s\n",
                QSystemTrayIcon::isSystemTrayAvailable() ? "yes" : "no",
                qPrintable(formats.join(u' ')), qPrintable(label.fontInfo().family()));
    // Told once the window has been painted, so the caller can take its picture.
    QTimer::singleShot(0, &label, [] {
        std::printf("shown\n");
        std::fflush(stdout);
    });
    return app.exec();
}
