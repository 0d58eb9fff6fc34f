#include "platform/gfx/Image.h"

#include "platform/storage/AtomicFile.h"

#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace platform::gfx {

namespace {

void setError(std::string* error, std::string message) {
    if (error) *error = std::move(message);
}

using Failure = Image::DecodeFailure;

void fail(Failure* failure, Failure::Kind kind, std::string message, std::uint32_t width = 0,
          std::uint32_t height = 0) {
    if (!failure) return;
    failure->kind = kind;
    failure->width = width;
    failure->height = height;
    failure->message = std::move(message);
}

// The old entry points report only the message.
std::optional<Image> withMessage(std::optional<Image> image, const Failure& failure,
                                 std::string* error) {
    if (!image) setError(error, failure.message);
    return image;
}

constexpr std::uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool isPng(const std::uint8_t* bytes, size_t size) {
    return bytes && size >= sizeof kPngSignature &&
           std::memcmp(bytes, kPngSignature, sizeof kPngSignature) == 0;
}

// Every JPEG starts with a start-of-image marker followed by another marker.
bool isJpeg(const std::uint8_t* bytes, size_t size) {
    return bytes && size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

}  // namespace

Image::Image(int width, int height, ColorSpace colorSpace, bool hasAlpha,
             std::vector<std::uint8_t> rgba)
    : width_(width > 0 ? width : 0),
      height_(height > 0 ? height : 0),
      colorSpace_(colorSpace),
      hasAlpha_(hasAlpha),
      rgba_(std::move(rgba)) {
    rgba_.resize(size_t(width_) * height_ * 4, 0);
}

Image Image::blank(int width, int height) {
    return Image(width, height, ColorSpace::RGB, true, {});
}

void Image::setPixel(int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    std::uint8_t* p = pixel(x, y);
    p[0] = r;
    p[1] = g;
    p[2] = b;
    p[3] = a;
}

bool Image::acceptsSize(std::uint64_t width, std::uint64_t height) {
    return acceptsSize(width, height, Limits{});
}

bool Image::acceptsSize(std::uint64_t width, std::uint64_t height, const Limits& limits) {
    const std::uint64_t side = std::min<std::uint64_t>(limits.maxSide, kMaxSide);
    const std::uint64_t pixels = std::min(limits.maxPixels, kMaxPixels);
    // Both sides are at most kMaxSide here, so the product cannot overflow.
    return width > 0 && height > 0 && width <= side && height <= side && width * height <= pixels;
}

std::optional<Image> Image::decode(const std::uint8_t* bytes, size_t size, std::string* error) {
    Failure failure;
    return withMessage(decode(bytes, size, Limits{}, &failure), failure, error);
}

std::optional<Image> Image::decode(const std::uint8_t* bytes, size_t size, const Limits& limits,
                                   DecodeFailure* failure) {
    if (isPng(bytes, size)) return decodePng(bytes, size, limits, failure);
    if (isJpeg(bytes, size)) return decodeJpeg(bytes, size, limits, failure);
    fail(failure, Failure::Kind::NotAPicture,
         size == 0 ? "empty picture data" : "neither a PNG nor a JPEG picture");
    return std::nullopt;
}

std::optional<Image::Size> Image::readSize(const std::uint8_t* bytes, size_t size) {
    if (isJpeg(bytes, size)) return readJpegSize(bytes, size);
    if (!isPng(bytes, size)) return std::nullopt;
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    std::optional<Size> found;
    if (png_image_begin_read_from_memory(&png, bytes, size)) found = Size{png.width, png.height};
    png_image_free(&png);
    return found;
}

std::optional<Image> Image::decodePng(const std::uint8_t* bytes, size_t size, std::string* error) {
    Failure failure;
    return withMessage(decodePng(bytes, size, Limits{}, &failure), failure, error);
}

std::optional<Image> Image::decodePng(const std::uint8_t* bytes, size_t size, const Limits& limits,
                                      DecodeFailure* failure) {
    if (!bytes || size == 0) {
        fail(failure, Failure::Kind::NotAPicture, "empty PNG data");
        return std::nullopt;
    }
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes, size)) {
        fail(failure, Failure::Kind::Unreadable, std::string("not a readable PNG: ") + png.message);
        png_image_free(&png);
        return std::nullopt;
    }
    if (!Image::acceptsSize(png.width, png.height, limits)) {
        fail(failure, Failure::Kind::TooLarge,
             "PNG too large: " + std::to_string(png.width) + "x" + std::to_string(png.height),
             png.width, png.height);
        png_image_free(&png);
        return std::nullopt;
    }
    const bool color = (png.format & PNG_FORMAT_FLAG_COLOR) != 0;
    // The simplified reader reports a tRNS chunk as an alpha channel, which is what we want.
    const bool alpha = (png.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    png.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> rgba(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, rgba.data(), 0, nullptr)) {
        fail(failure, Failure::Kind::Unreadable, std::string("corrupt PNG: ") + png.message,
             png.width, png.height);
        png_image_free(&png);
        return std::nullopt;
    }
    return Image(int(png.width), int(png.height), color ? ColorSpace::RGB : ColorSpace::Gray, alpha,
                 std::move(rgba));
}

std::optional<Image> Image::loadPng(const std::string& path, std::string* error) {
    // Read through the storage room, whose descriptors are close-on-exec and which refuses
    // what is not a regular file.
    auto text = AtomicFile::read(path);
    if (!text) {
        setError(error, "cannot open " + path);
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(text->begin(), text->end());
    std::string reason;
    auto image = decodePng(bytes, &reason);
    if (!image) setError(error, path + ": " + reason);
    return image;
}

std::vector<std::uint8_t> Image::encodePng() const {
    std::vector<std::uint8_t> out;
    if (empty()) return out;
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(width_);
    png.height = png_uint_32(height_);
    png.format = PNG_FORMAT_RGBA;
    const std::uint8_t* source = rgba_.data();
    std::vector<std::uint8_t> rgb;
    if (!hasAlpha_) {
        png.format = PNG_FORMAT_RGB;
        rgb.resize(size_t(width_) * height_ * 3);
        for (size_t i = 0, n = size_t(width_) * height_; i < n; ++i)
            std::memcpy(&rgb[i * 3], &rgba_[i * 4], 3);
        source = rgb.data();
    }
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&png, nullptr, &size, 0, source, 0, nullptr)) return out;
    out.resize(size);
    if (!png_image_write_to_memory(&png, out.data(), &size, 0, source, 0, nullptr))
        out.clear();
    else
        out.resize(size);
    return out;
}

bool Image::savePng(const std::string& path, std::string* error) const {
    const std::vector<std::uint8_t> bytes = encodePng();
    if (bytes.empty()) {
        setError(error, "cannot encode an empty picture");
        return false;
    }
    // Through a temporary of an unpredictable name: a fixed "<file>.tmp" would follow a link
    // someone left in its place and overwrite whatever it points at.
    return AtomicFile::write(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), error);
}

}  // namespace platform::gfx
