#include "JpegDecoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

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
bool run(const QByteArray &data, int eighths, bool fast, qint64 maxBytes, Header *header,
         QImage *image) {
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
    *image = QImage(int(info.output_width), int(info.output_height), QImage::Format_RGB32);
    if (image->isNull() || info.output_components != 4) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image->scanLine(int(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace

std::optional<Header> readHeader(const QByteArray &data) {
    Header header;
    if (!run(data, 8, false, 0, &header, nullptr))
        return std::nullopt;
    return header;
}

QImage decode(const QByteArray &data, int eighths, bool fast, qint64 maxBytes) {
    Header header;
    QImage image;
    if (!run(data, eighths, fast, maxBytes, &header, &image))
        return {};
    return image;
}

} // namespace JpegDecoder
