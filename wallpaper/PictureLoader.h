#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <chrono>
#include <optional>

// The one picture loader of the program: the list's check, the preview and
// the composer all accept the same files.
namespace PictureLoader {

// The X server and every desktop we hand a wallpaper to take a picture of
// 16384 a side; a picture shown at its own size is never larger than that.
constexpr int kMaxSide = 16384;
// Pixels the decoding of one picture may allocate at full size. A decoded
// pixel takes 4 bytes, and a progressive JPEG (or a PNG, a GIF, any format
// Qt decodes whole before scaling) needs a full-size buffer of about as much
// again whatever the scale it is shown at: 64 megapixels (256 MiB decoded)
// takes any camera's photo and refuses a file whose header merely claims
// billions of pixels. Lowered further on a machine with little memory, see
// kBytesPerPixelOfMemory.
constexpr qint64 kMaxDecodePixels = qint64(64) * 1024 * 1024;
// Physical memory a pixel of the budget stands for: a composition at the
// limit holds the decoder's buffers, the picture and its opaque copy, so with
// 16 bytes a pixel it stays under about a quarter of the machine's memory.
constexpr qint64 kBytesPerPixelOfMemory = 16;
// Larger than any picture file within the pixel budget; the file is read
// into memory whole before it is decoded.
constexpr qint64 kMaxFileBytes = qint64(256) * 1024 * 1024;
// A read that has not finished by then (a hung network share, a device) is
// given up: the picture counts as unusable.
constexpr std::chrono::milliseconds kReadDeadline{10000};

enum class Check {
    Accepted, // a picture, or a failure that is not about the content (unreadable file...)
    Invalid,  // not a regular file, or not a picture the loader can decode within its budget
};
// Decides from the file's header alone; never decodes a whole photo.
Check check(const QString &path);

// The whole file, read on a worker thread while the event loop goes on (user
// input held back); nullopt when it is not a regular file, cannot be read,
// exceeds kMaxFileBytes or misses kReadDeadline.
std::optional<QByteArray> readFile(const QString &path);

// The picture's own size (upright, EXIF orientation applied), or nullopt.
std::optional<QSize> pictureSize(const QByteArray &data);

// How far load() goes towards a target size.
enum class Fit {
    AtLeast, // scaled down while decoding only; the caller scales the rest its own way
    Exactly, // the target itself, the last step taking the nearest pixel
};

// Decodes the picture upright. With a non-empty target, the decoder may scale
// down while decoding (a JPEG by m/8) as long as the result is still at least
// target on both axes. Null on failure, and for a picture whose decoding
// would exceed kMaxSide or the pixel budget.
QImage load(const QByteArray &data, const QSize &target = QSize(), Fit fit = Fit::AtLeast);

} // namespace PictureLoader
