#include "PictureLoader.h"

#include <QImageIOHandler>
#include <QImageReader>

namespace PictureLoader {

namespace {

// The file's content decides, never its name: a PNG called "sea.jpg" is a
// picture, a text file called "sea.jpg" is not.
void prepare(QImageReader &reader) {
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
}

bool turnsSideways(QImageIOHandler::Transformations t) {
    return t.testFlag(QImageIOHandler::TransformationRotate90);
}

bool isContentError(QImageReader::ImageReaderError error) {
    return error == QImageReader::UnsupportedFormatError || error == QImageReader::InvalidDataError;
}

// The smallest size of the form stored * m / 8 (m = 1..7, the steps a JPEG
// decoder scales by) that still covers wanted on both axes; invalid when only
// the full size does. Rounded down, so that the decoder settles on the same m.
QSize decodeSize(const QSize &stored, const QSize &wanted) {
    if (stored.isEmpty())
        return {};
    for (int m = 1; m < 8; ++m) {
        const QSize s(int(qint64(stored.width()) * m / 8), int(qint64(stored.height()) * m / 8));
        if (s.width() >= wanted.width() && s.height() >= wanted.height())
            return s;
    }
    return {};
}

} // namespace

Check check(const QString &path) {
    QImageReader reader(path);
    prepare(reader);
    if (!reader.canRead())
        return isContentError(reader.error()) ? Check::Invalid : Check::Accepted;
    // A known signature whose header cannot even give a size is no picture
    // either; reading the size touches the header only.
    if (reader.supportsOption(QImageIOHandler::Size) && !reader.size().isValid() &&
        isContentError(reader.error()))
        return Check::Invalid;
    return Check::Accepted;
}

std::optional<QSize> pictureSize(const QString &path) {
    QImageReader reader(path);
    prepare(reader);
    if (!reader.canRead())
        return std::nullopt;
    QSize size = reader.size();
    if (!size.isValid()) {
        // Formats that keep their size deep inside have to be decoded.
        const QImage image = reader.read();
        if (image.isNull())
            return std::nullopt;
        return image.size();
    }
    if (turnsSideways(reader.transformation()))
        size.transpose();
    return size;
}

QImage load(const QString &path, const QSize &target) {
    QImageReader reader(path);
    prepare(reader);
    if (!reader.canRead())
        return {};

    if (!target.isEmpty() && reader.supportsOption(QImageIOHandler::ScaledSize)) {
        // The decoder works on the picture as stored; the orientation is
        // applied afterwards, so a sideways photo is asked for sideways.
        QSize wanted = target;
        if (turnsSideways(reader.transformation()))
            wanted.transpose();
        const QSize reduced = decodeSize(reader.size(), wanted);
        if (reduced.isValid()) {
            reader.setScaledSize(reduced);
            // Below the high-quality threshold the JPEG decoder uses its
            // fast DCT and, should it land a pixel off, a nearest-pixel
            // scale: the wallpaper is scaled that way in the end anyway.
            reader.setQuality(49);
        }
    }

    QImage image = reader.read();
    if (image.isNull())
        return {};
    return image;
}

} // namespace PictureLoader
