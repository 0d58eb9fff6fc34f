// JPEG decoding for Image (libjpeg-turbo), kept apart from the PNG code because libjpeg reports
// errors by longjmp: nothing with a destructor may live between the setjmp and the calls that
// can jump.

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

#include "platform/gfx/Image.h"

namespace platform::gfx {

namespace {

// A progressive file may hold any number of scans, each a pass over the whole picture; real
// pictures have about ten. Far more is a file built to keep the decoder busy.
constexpr int kMaxScans = 256;
// Working memory libjpeg may ask for beyond the output (coefficient buffers of progressive files).
constexpr long kMaxWorkingMemory = 512L * 1024 * 1024;

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void failWithMessage(j_common_ptr info) {
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    info->err->format_message(info, manager->message);
    std::longjmp(manager->jump, 1);
}

// Warnings (a file cut short, a stray byte) still give a picture, as browsers show one; they
// are not printed on stderr.
void ignoreMessage(j_common_ptr, int) {}

void limitScans(j_common_ptr info) {
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > kMaxScans) {
        auto* manager = reinterpret_cast<ErrorManager*>(info->err);
        std::snprintf(manager->message, sizeof manager->message, "more than %d scans", kMaxScans);
        std::longjmp(manager->jump, 1);
    }
}

void convertCmyk(std::uint8_t* row, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x) {
        std::uint8_t* p = row + x * 4;
        // Adobe's files store the inks inverted; others store them as they are.
        const unsigned c = inverted ? p[0] : 255u - p[0];
        const unsigned m = inverted ? p[1] : 255u - p[1];
        const unsigned y = inverted ? p[2] : 255u - p[2];
        const unsigned k = inverted ? p[3] : 255u - p[3];
        p[0] = std::uint8_t(c * k / 255);
        p[1] = std::uint8_t(m * k / 255);
        p[2] = std::uint8_t(y * k / 255);
        p[3] = 255;
    }
}

}  // namespace

std::optional<Image> Image::decodeJpeg(const std::uint8_t* bytes, size_t size, std::string* error) {
    DecodeFailure failure;
    auto image = decodeJpeg(bytes, size, Limits{}, &failure);
    if (!image && error) *error = failure.message;
    return image;
}

std::optional<Image::Size> Image::readJpegSize(const std::uint8_t* bytes, size_t size) {
    jpeg_decompress_struct info;
    ErrorManager errors;
    std::memset(&info, 0, sizeof info);
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = failWithMessage;
    errors.base.emit_message = ignoreMessage;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return std::nullopt;
    }
    jpeg_create_decompress(&info);
    info.mem->max_memory_to_use = kMaxWorkingMemory;
    jpeg_mem_src(&info, bytes, static_cast<unsigned long>(size));
    // The header is read up to the first scan, so a frame header in a segment that the
    // decoder skips, or in bytes it discards, is never taken for the picture's size.
    jpeg_read_header(&info, TRUE);
    const Size found{info.image_width, info.image_height};
    jpeg_destroy_decompress(&info);
    return found;
}

std::optional<Image> Image::decodeJpeg(const std::uint8_t* bytes, size_t size, const Limits& limits,
                                       DecodeFailure* failure) {
    if (!bytes || size == 0) {
        if (failure) *failure = {DecodeFailure::Kind::NotAPicture, 0, 0, "empty JPEG data"};
        return std::nullopt;
    }
    // Everything the jump can skip over is made before setjmp.
    std::vector<std::uint8_t> rgba;
    jpeg_decompress_struct info;
    ErrorManager errors;
    jpeg_progress_mgr progress;
    std::memset(&info, 0, sizeof info);
    std::memset(&progress, 0, sizeof progress);
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = failWithMessage;
    errors.base.emit_message = ignoreMessage;
    errors.message[0] = '\0';
    progress.progress_monitor = limitScans;
    bool gray = false;

    if (setjmp(errors.jump)) {
        const std::uint32_t width = info.image_width, height = info.image_height;
        jpeg_destroy_decompress(&info);
        if (failure) {
            *failure = {DecodeFailure::Kind::Unreadable, width, height,
                        std::string("not a readable JPEG: ") + errors.message};
        }
        return std::nullopt;
    }
    jpeg_create_decompress(&info);
    info.mem->max_memory_to_use = kMaxWorkingMemory;
    info.progress = &progress;
    jpeg_mem_src(&info, bytes, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    // Judged on the frame the decoder is about to decode, before it reserves anything for it.
    if (!acceptsSize(info.image_width, info.image_height, limits)) {
        const std::uint32_t width = info.image_width, height = info.image_height;
        jpeg_destroy_decompress(&info);
        if (failure) {
            *failure = {DecodeFailure::Kind::TooLarge, width, height,
                        "JPEG too large: " + std::to_string(width) + "x" + std::to_string(height)};
        }
        return std::nullopt;
    }
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    gray = info.jpeg_color_space == JCS_GRAYSCALE;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    jpeg_start_decompress(&info);
    if (info.output_components != 4) {
        std::snprintf(errors.message, sizeof errors.message, "unexpected %d components",
                      info.output_components);
        std::longjmp(errors.jump, 1);
    }
    const std::size_t stride = std::size_t(info.output_width) * 4;
    rgba.resize(stride * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = rgba.data() + stride * info.output_scanline;
        if (jpeg_read_scanlines(&info, &row, 1) != 1) break;
        if (cmyk) convertCmyk(row, info.output_width, info.saw_Adobe_marker);
    }
    const int width = int(info.output_width);
    const int height = int(info.output_height);
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return Image(width, height, gray ? ColorSpace::Gray : ColorSpace::RGB, false, std::move(rgba));
}

}  // namespace platform::gfx
