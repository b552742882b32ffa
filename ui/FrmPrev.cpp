#include "FrmPrev.h"

#include "PictureLoader.h"

#include <QLabel>
#include <QPixmap>

FrmPrev::FrmPrev(QWidget *owner)
    : QWidget(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmPrev"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("プレビュー"));
    setWindowIcon(QIcon());
    // 2880 × 3075 twips at 15 twips per pixel.
    setFixedSize(192, 205);

    m_imgPrev = new QLabel(this);
    m_imgPrev->setObjectName(QStringLiteral("imgPrev"));
    m_imgPrev->setScaledContents(true);
    m_imgPrev->setGeometry(rect());
}

QSize FrmPrev::previewSize(const QSize &picture, int screenWidth) {
    const qint64 w = picture.width();
    const qint64 h = picture.height();
    if (w <= 0 || h <= 0 || screenWidth <= 0)
        return {};
    const qint64 longSide = screenWidth / 5;
    // 64-bit products: a 100,000-pixel side times a wide screen overflows int.
    if (w > h)
        return QSize(int(longSide), int(longSide * h / w));
    return QSize(int(longSide * w / h), int(longSide));
}

QString FrmPrev::sizeTooltip(const QSize &picture) {
    return QString::number(picture.width()) + QChar(0x00D7) + QString::number(picture.height());
}

bool FrmPrev::showPicture(const QString &path, const QString &title, int screenWidthPixels) {
    // One read serves the size and the picture: a slow share is waited for once.
    const std::optional<QByteArray> data = PictureLoader::readFile(path);
    const std::optional<QSize> own = data ? PictureLoader::pictureSize(*data) : std::nullopt;
    if (!own)
        return false;
    const QSize shown = previewSize(*own, screenWidthPixels);
    if (shown.width() <= 0 && shown.height() <= 0)
        return false;
    // A very wide picture can come out 0 pixels high; a window needs one.
    const QSize client = shown.expandedTo(QSize(1, 1));
    const QImage image = PictureLoader::load(*data, client);
    if (image.isNull())
        return false;

    m_imgPrev->setPixmap(
        QPixmap::fromImage(image.scaled(client, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    m_imgPrev->setToolTip(sizeTooltip(*own));
    setWindowTitle(title);
    setFixedSize(client);
    m_imgPrev->setGeometry(rect());

    if (!m_placed) {
        centreOnOwner();
        m_placed = true;
    }
    show();
    raise();
    return true;
}

void FrmPrev::centreOnOwner() {
    const QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (!owner)
        return;
    const QRect area = owner->frameGeometry();
    QRect frame = frameGeometry();
    frame.moveCenter(area.center());
    move(frame.topLeft());
}
