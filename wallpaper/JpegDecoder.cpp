#include "JpegDecoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

#ifndef JCS_EXTENSIONS
#error "The JPEG decoder needs libjpeg-turbo: it decodes straight into QImage's pixel layout"
#endif

namespace JpegDecoder {

namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void onError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager *>(info->err)->jump, 1);
}

// A damaged scan is decoded as far as it goes, as Qt's reader does; the
// warnings about it are of no use to anyone watching the terminal.
void onMessage(j_common_ptr, int) {}

bool ownColourSpace(J_COLOR_SPACE space) {
    return space == JCS_GRAYSCALE || space == JCS_YCbCr || space == JCS_RGB;
}

// Everything that may be abandoned by longjmp lives in the caller's frame:
// this function only touches it through pointers, so no destructor is skipped.
bool run(const QByteArray &data, int eighths, bool fast, qint64 maxBytes, QSize exact,
         Header *header, QImage *image) {
    jpeg_decompress_struct info;
    ErrorManager errors;
    std::memset(&info, 0, sizeof info);
    info.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = onError;
    errors.pub.emit_message = onMessage;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK || !ownColourSpace(info.jpeg_color_space)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    header->stored = QSize(int(info.image_width), int(info.image_height));
    header->progressive = jpeg_has_multiple_scans(&info);
    if (!image) {
        jpeg_destroy_decompress(&info);
        return true;
    }

    info.scale_num = unsigned(eighths);
    info.scale_denom = 8;
    info.out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
    if (fast) {
        info.dct_method = JDCT_IFAST;
        info.do_fancy_upsampling = FALSE;
    }
    info.mem->max_memory_to_use = long(maxBytes);
    jpeg_calc_output_dimensions(&info);
    const int width = int(info.output_width);
    const int height = int(info.output_height);
    if (exact.isEmpty() || exact.width() > width || exact.height() > height)
        exact = QSize(width, height);
    *image = QImage(exact, QImage::Format_RGB32);
    if (image->isNull() || info.output_components != 4) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_start_decompress(&info);
    if (exact == QSize(width, height)) {
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = image->scanLine(int(info.output_scanline));
            jpeg_read_scanlines(&info, &row, 1);
        }
    } else {
        // From the decoder's pool, so that a longjmp leaks nothing.
        const auto common = reinterpret_cast<j_common_ptr>(&info);
        JSAMPARRAY row = info.mem->alloc_sarray(common, JPOOL_IMAGE, JDIMENSION(width * 4), 1);
        auto *columns = static_cast<int *>(
            info.mem->alloc_large(common, JPOOL_IMAGE, sizeof(int) * size_t(exact.width())));
        // Pixel centres, as QImage::scaled() with Qt::FastTransformation samples.
        for (int x = 0; x < exact.width(); ++x)
            columns[x] = int((2 * qint64(x) + 1) * width / (2 * exact.width()));
        int y = 0;
        while (info.output_scanline < info.output_height) {
            const int source = int(info.output_scanline);
            jpeg_read_scanlines(&info, row, 1);
            const auto *in = reinterpret_cast<const quint32 *>(row[0]);
            for (; y < exact.height() &&
                   (2 * qint64(y) + 1) * height / (2 * exact.height()) == source;
                 ++y) {
                auto *out = reinterpret_cast<quint32 *>(image->scanLine(y));
                for (int x = 0; x < exact.width(); ++x)
                    out[x] = in[columns[x]];
            }
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace

std::optional<Header> readHeader(const QByteArray &data) {
    Header header;
    if (!run(data, 8, false, 0, QSize(), &header, nullptr))
        return std::nullopt;
    return header;
}

QImage decode(const QByteArray &data, int eighths, bool fast, qint64 maxBytes, QSize exact) {
    Header header;
    QImage image;
    if (!run(data, eighths, fast, maxBytes, exact, &header, &image))
        return {};
    return image;
}

} // namespace JpegDecoder
