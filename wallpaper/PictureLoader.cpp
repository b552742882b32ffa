#include "PictureLoader.h"

#include "SystemMemory.h"

#ifdef MIRELL_HAVE_LIBJPEG_TURBO
#include "JpegDecoder.h"
#endif

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QImageIOHandler>
#include <QImageReader>
#include <QTransform>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <thread>

namespace PictureLoader {

namespace {

using Clock = std::chrono::steady_clock;

// An EXIF block (thumbnail included) is at most 64 KiB; a header further in
// (an ICC profile before it, say) costs a second, whole read.
constexpr qint64 kHeadBytes = 64 * 1024;
// A read from a local disk ends well within this; only a slow one lets the
// event loop run while it waits.
constexpr std::chrono::milliseconds kQuietWait{50};

qint64 area(QSize s) {
    return qint64(s.width()) * s.height();
}

qint64 pixelBudget() {
    const qint64 memory = SystemMemory::physicalBytes();
    return memory > 0 ? std::min(kMaxDecodePixels, memory / kBytesPerPixelOfMemory)
                      : kMaxDecodePixels;
}

bool fits(QSize stored, QSize output, bool fullSizeBuffer) {
    const qint64 budget = pixelBudget();
    if (output.isEmpty() || output.width() > kMaxSide || output.height() > kMaxSide ||
        area(output) > budget)
        return false;
    return !fullSizeBuffer || area(stored) <= budget;
}

// m / 8 of a size, each side rounded up as the JPEG decoder does.
QSize eighthsOf(QSize stored, int m) {
    return QSize(int((qint64(stored.width()) * m + 7) / 8),
                 int((qint64(stored.height()) * m + 7) / 8));
}

// The smallest m / 8 (m = 1..8) of stored that still covers wanted on both
// axes, reckoned rounded down so that any decoder's rounding covers it too.
int eighthsFor(QSize stored, QSize wanted) {
    for (int m = 1; m < 8; ++m) {
        if (qint64(stored.width()) * m / 8 >= wanted.width() &&
            qint64(stored.height()) * m / 8 >= wanted.height())
            return m;
    }
    return 8;
}

enum class ReadStatus { Ok, NotRegular, Unreadable, TooLarge, TimedOut };
struct Read {
    ReadStatus status = ReadStatus::Unreadable;
    QByteArray bytes;
    bool whole = false;
};

// Runs on the worker thread: no Qt object is touched here.
Read readNow(const std::filesystem::path &file, qint64 limit, bool headOnly) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(file, ec);
    if (ec || !std::filesystem::exists(status))
        return {};
    // A FIFO or a device would block the open or the read for good.
    if (!std::filesystem::is_regular_file(status))
        return {ReadStatus::NotRegular, {}, false};
    const auto size = qint64(std::filesystem::file_size(file, ec));
    if (ec)
        return {};
    if (size > limit && !headOnly)
        return {ReadStatus::TooLarge, {}, false};
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return {};
    QByteArray bytes(std::min(size, limit), Qt::Uninitialized);
    in.read(bytes.data(), bytes.size());
    bytes.resize(qsizetype(in.gcount()));
    return {ReadStatus::Ok, std::move(bytes), size <= limit};
}

Read readWithDeadline(const QString &path, qint64 limit, bool headOnly) {
    SystemMemory::returnLargeBlocksWhenFreed();
    struct Shared {
        std::mutex mutex;
        std::condition_variable finished;
        std::optional<Read> result;
    };
    const auto shared = std::make_shared<Shared>();
    const std::filesystem::path file = QFileInfo(path).filesystemFilePath();
    // Detached: a read that never ends keeps only its thread, never the program.
    std::thread([shared, file, limit, headOnly] {
        Read read = readNow(file, limit, headOnly);
        const std::lock_guard lock(shared->mutex);
        shared->result = std::move(read);
        shared->finished.notify_all();
    }).detach();

    const auto ready = [&] { return shared->result.has_value(); };
    const auto deadline = Clock::now() + kReadDeadline;
    std::unique_lock lock(shared->mutex);
    bool done = shared->finished.wait_for(lock, kQuietWait, ready);
    while (!done && Clock::now() < deadline) {
        lock.unlock();
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        lock.lock();
        done = shared->finished.wait_until(
            lock, std::min(deadline, Clock::now() + std::chrono::milliseconds(20)), ready);
    }
    if (!done)
        return {ReadStatus::TimedOut, {}, false};
    return std::move(*shared->result);
}

bool turnsSideways(QImageIOHandler::Transformations t) {
    return t.testFlag(QImageIOHandler::TransformationRotate90);
}

#ifdef MIRELL_HAVE_LIBJPEG_TURBO
// As QImageReader applies it: mirror and flip first, then a quarter turn clockwise.
QImage oriented(QImage image, QImageIOHandler::Transformations t) {
    if (t == QImageIOHandler::TransformationNone)
        return image;
    image = std::move(image).mirrored(t.testFlag(QImageIOHandler::TransformationMirror),
                                      t.testFlag(QImageIOHandler::TransformationFlip));
    if (turnsSideways(t))
        image = image.transformed(QTransform().rotate(90));
    return image;
}
#endif

bool isContentError(QImageReader::ImageReaderError error) {
    return error == QImageReader::UnsupportedFormatError || error == QImageReader::InvalidDataError;
}

// A reader over bytes in memory. The content decides the format, never the
// file's name: a PNG called "sea.jpg" is a picture, a text called so is not.
struct Source {
    explicit Source(const QByteArray &bytes) {
        // Qt's own limit is far below a large photo; ours is checked before
        // anything is decoded, so Qt's only has to let it through.
        QImageReader::setAllocationLimit(int(pixelBudget() * 4 / (1024 * 1024)) + 1);
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        reader.setDevice(&buffer);
        reader.setAutoTransform(true);
    }
    QBuffer buffer;
    QImageReader reader;
};

struct Header {
    QSize stored; // invalid when the format keeps its size deep inside
    QImageIOHandler::Transformations transform;
    bool fullSizeBuffer = true;
    bool ownJpeg = false; // decoded by JpegDecoder
};

// nullopt when the bytes are no picture; *contentError tells whether the
// content is to blame.
std::optional<Header> readHeader(Source &source, const QByteArray &bytes, bool *contentError) {
    QImageReader &reader = source.reader;
    *contentError = false;
    if (!reader.canRead()) {
        *contentError = isContentError(reader.error());
        return std::nullopt;
    }
    Header header;
    header.stored = reader.size();
    if (!header.stored.isValid() && reader.supportsOption(QImageIOHandler::Size)) {
        *contentError = isContentError(reader.error());
        return std::nullopt;
    }
    header.transform = reader.transformation();
#ifdef MIRELL_HAVE_LIBJPEG_TURBO
    if (reader.format() == "jpeg") {
        if (const auto jpeg = JpegDecoder::readHeader(bytes)) {
            header.ownJpeg = true;
            header.stored = jpeg->stored;
            header.fullSizeBuffer = jpeg->progressive;
        }
    }
#else
    Q_UNUSED(bytes);
#endif
    return header;
}

Check checkBytes(const QByteArray &bytes, bool *headTooShort) {
    Source source(bytes);
    bool contentError = false;
    const std::optional<Header> header = readHeader(source, bytes, &contentError);
    *headTooShort = !header && contentError;
    if (!header)
        return contentError ? Check::Invalid : Check::Accepted;
    // Refused only when even the smallest scale would exceed the budget.
    if (header->stored.isValid() &&
        !fits(header->stored, eighthsOf(header->stored, 1), header->fullSizeBuffer))
        return Check::Invalid;
    return Check::Accepted;
}

} // namespace

Check check(const QString &path) {
    Read read = readWithDeadline(path, kHeadBytes, true);
    if (read.status == ReadStatus::NotRegular)
        return Check::Invalid;
    if (read.status != ReadStatus::Ok)
        return Check::Accepted; // not about the content: dealt with when composing
    bool headTooShort = false;
    const Check verdict = checkBytes(read.bytes, &headTooShort);
    if (!headTooShort || read.whole)
        return verdict;
    read = readWithDeadline(path, kMaxFileBytes, false);
    if (read.status == ReadStatus::TooLarge || read.status == ReadStatus::NotRegular)
        return Check::Invalid;
    return read.status == ReadStatus::Ok ? checkBytes(read.bytes, &headTooShort) : Check::Accepted;
}

std::optional<QByteArray> readFile(const QString &path) {
    Read read = readWithDeadline(path, kMaxFileBytes, false);
    if (read.status != ReadStatus::Ok)
        return std::nullopt;
    return std::move(read.bytes);
}

std::optional<QSize> pictureSize(const QByteArray &data) {
    Source source(data);
    bool contentError = false;
    const std::optional<Header> header = readHeader(source, data, &contentError);
    if (!header)
        return std::nullopt;
    if (!header->stored.isValid()) {
        const QImage image = source.reader.read();
        if (image.isNull())
            return std::nullopt;
        return image.size();
    }
    QSize size = header->stored;
    if (turnsSideways(header->transform))
        size.transpose();
    return size;
}

QImage load(const QByteArray &data, const QSize &target, Fit fit) {
    Source source(data);
    QImageReader &reader = source.reader;
    bool contentError = false;
    const std::optional<Header> header = readHeader(source, data, &contentError);
    if (!header)
        return {};

    int eighths = 8;
    // The decoder works on the picture as stored; the orientation is applied
    // afterwards, so a sideways photo is asked for sideways.
    QSize wanted = target;
    if (turnsSideways(header->transform))
        wanted.transpose();
    if (!target.isEmpty() && header->stored.isValid())
        eighths = eighthsFor(header->stored, wanted);
    if (header->stored.isValid() &&
        !fits(header->stored, eighthsOf(header->stored, eighths), header->fullSizeBuffer))
        return {};

    QImage image;
#ifdef MIRELL_HAVE_LIBJPEG_TURBO
    if (header->ownJpeg) {
        // Scaled down, the wallpaper is scaled without smoothing in the end
        // anyway: the decoder's fast paths cost nothing visible.
        image = JpegDecoder::decode(data, eighths, !target.isEmpty(), pixelBudget() * 4,
                                    fit == Fit::Exactly ? wanted : QSize());
        if (!image.isNull())
            image = oriented(std::move(image), header->transform);
    } else
#endif
    {
        if (eighths < 8 && reader.supportsOption(QImageIOHandler::ScaledSize)) {
            reader.setScaledSize(QSize(int(qint64(header->stored.width()) * eighths / 8),
                                       int(qint64(header->stored.height()) * eighths / 8)));
            // Below the high-quality threshold the JPEG decoder uses its fast
            // DCT and, should it land a pixel off, a nearest-pixel scale.
            reader.setQuality(49);
        }
        image = reader.read();
    }
    // Enlarging, or a decoder that stopped short of the target.
    if (fit == Fit::Exactly && !target.isEmpty() && !image.isNull() && image.size() != target)
        image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return image;
}

} // namespace PictureLoader
