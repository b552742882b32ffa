#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

// The one picture loader of the program: the list's check, the preview and
// the composer all accept the same files.
namespace PictureLoader {

enum class Check {
    Accepted, // a picture, or a failure that is not about the content (unreadable file...)
    Invalid,  // the file is not a picture the loader can decode
};
// Decides from the file's header alone; never decodes a whole photo.
Check check(const QString &path);

// The picture's own size (upright, EXIF orientation applied), or nullopt.
std::optional<QSize> pictureSize(const QString &path);

// Decodes the picture upright. With a non-empty target, the decoder may scale
// down while decoding (a JPEG at 1/2, 1/4, 1/8) as long as the result is
// still at least target on both axes; the caller scales the rest. Null on failure.
QImage load(const QString &path, const QSize &target = QSize());

} // namespace PictureLoader
