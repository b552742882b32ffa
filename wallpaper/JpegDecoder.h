#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <optional>

// JPEG straight through libjpeg-turbo: it scales by any m/8 while decoding,
// where Qt's reader only halves, so a photo is decoded at little more than
// the size it is shown at.
namespace JpegDecoder {

struct Header {
    QSize stored;
    // Needs whole-image coefficient buffers at the stored size, whatever the scale.
    bool progressive = false;
};

// The header of a JPEG this decoder converts itself (greyscale, YCbCr or
// RGB); nullopt for anything else, CMYK included. Allocates nothing large.
std::optional<Header> readHeader(const QByteArray &data);

// Decodes at eighths / 8 of the stored size (1 to 8; each side rounded up),
// as stored (no orientation applied), in QImage::Format_RGB32. A non-empty
// exact size, no larger than that, is reached by taking the nearest pixel as
// each row comes out of the decoder: the larger image is never held. fast
// trades smoothing the decoder would spend for speed. maxBytes caps the
// decoder's own working memory. Null when the data is broken or not for this
// decoder.
QImage decode(const QByteArray &data, int eighths, bool fast, qint64 maxBytes,
              QSize exact = QSize());

} // namespace JpegDecoder
