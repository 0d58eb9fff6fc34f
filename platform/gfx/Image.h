#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::gfx {

// A decoded picture: width x height pixels of 8-bit RGBA with straight (not premultiplied) alpha,
// top row first. It remembers what the file held, because textures choose their pixel format
// from it: whether there is alpha and which colour space the pixels came in. Pictures read back
// from GL or delivered by a renderer carry premultiplied colours instead and say so.
class Image {
  public:
    enum class ColorSpace {
        None,  // a mask: only the alpha channel means anything
        Gray,
        RGB,
    };

    Image() = default;
    // A picture of the given pixels (width * height * 4 bytes; missing bytes are zero).
    Image(int width, int height, ColorSpace colorSpace, bool hasAlpha,
          std::vector<std::uint8_t> rgba);
    // A transparent black RGBA picture.
    static Image blank(int width, int height);

    // Largest picture a decoder accepts: beyond these a hostile file could make us reserve
    // gigabytes, and nothing a screen shows comes near them.
    static constexpr int kMaxSide = 16384;
    static constexpr std::uint64_t kMaxPixels = 64u * 1024u * 1024u;

    // A caller's own, smaller bounds (never larger than the ones above, whatever is asked).
    struct Limits {
        std::uint64_t maxSide = kMaxSide;
        std::uint64_t maxPixels = kMaxPixels;
    };
    // Why a decode gave no picture.
    struct DecodeFailure {
        enum class Kind {
            NotAPicture,  // neither signature
            Unreadable,   // a broken or cut header, or data the decoder gave up on
            TooLarge,     // the header's size is over the limits
        };
        Kind kind = Kind::NotAPicture;
        // The size the decoder read from the header, 0 x 0 before it had one. TooLarge is
        // decided on it right after the header, before any memory for pixels is reserved.
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        std::string message;
    };

    // Decodes a PNG or JPEG file's bytes, told apart by their signatures (a server's content
    // type is not trusted); std::nullopt with the reason in *error for anything else.
    static std::optional<Image> decode(const std::uint8_t* bytes, size_t size,
                                       std::string* error = nullptr);
    // The same within the caller's limits, which are checked on the size the decoder itself
    // reads: a caller that sniffed a size first cannot be shown one size and decode another.
    static std::optional<Image> decode(const std::uint8_t* bytes, size_t size, const Limits& limits,
                                       DecodeFailure* failure = nullptr);
    static std::optional<Image> decode(const std::vector<std::uint8_t>& bytes, const Limits& limits,
                                       DecodeFailure* failure = nullptr) {
        return decode(bytes.data(), bytes.size(), limits, failure);
    }
    // The width and height decode() would give, read by the decoders' own header readers (a
    // JPEG's markers as libjpeg reads them, a PNG's IHDR as libpng does), without reserving
    // any memory for pixels; nothing for what they cannot read.
    struct Size {
        std::uint32_t width = 0;
        std::uint32_t height = 0;
    };
    static std::optional<Size> readSize(const std::uint8_t* bytes, size_t size);
    static std::optional<Image> decode(const std::vector<std::uint8_t>& bytes,
                                       std::string* error = nullptr) {
        return decode(bytes.data(), bytes.size(), error);
    }
    // Baseline and progressive JPEG, gray, colour or CMYK; always without alpha.
    static std::optional<Image> decodeJpeg(const std::uint8_t* bytes, size_t size,
                                           std::string* error = nullptr);

    // Decodes a PNG file's bytes; std::nullopt with the reason in *error for anything that is
    // not a PNG we can read (truncated, corrupt, absurdly large).
    static std::optional<Image> decodePng(const std::uint8_t* bytes, size_t size,
                                          std::string* error = nullptr);
    static std::optional<Image> decodePng(const std::vector<std::uint8_t>& bytes,
                                          std::string* error = nullptr) {
        return decodePng(bytes.data(), bytes.size(), error);
    }
    static std::optional<Image> loadPng(const std::string& path, std::string* error = nullptr);

    // PNG bytes of the picture (RGBA, or RGB when it has no alpha); empty on failure.
    std::vector<std::uint8_t> encodePng() const;
    // Writes the PNG through a temporary file and a rename, so a failed write leaves any old
    // file in place.
    bool savePng(const std::string& path, std::string* error = nullptr) const;

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return width_ <= 0 || height_ <= 0; }
    bool hasAlpha() const { return hasAlpha_; }
    // Colours already multiplied by alpha (what GL blends into and web engines deliver).
    bool isPremultiplied() const { return premultiplied_; }
    void setPremultiplied(bool p) { premultiplied_ = p; }
    ColorSpace colorSpace() const { return colorSpace_; }

    const std::vector<std::uint8_t>& rgba() const { return rgba_; }
    std::vector<std::uint8_t>& rgba() { return rgba_; }
    const std::uint8_t* pixel(int x, int y) const { return &rgba_[(size_t(y) * width_ + x) * 4]; }
    std::uint8_t* pixel(int x, int y) { return &rgba_[(size_t(y) * width_ + x) * 4]; }
    void setPixel(int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a);

    // Whether a decoder may allocate a picture of this size (within the limits).
    static bool acceptsSize(std::uint64_t width, std::uint64_t height);
    static bool acceptsSize(std::uint64_t width, std::uint64_t height, const Limits& limits);

  private:
    static std::optional<Image> decodePng(const std::uint8_t* bytes, size_t size,
                                          const Limits& limits, DecodeFailure* failure);
    static std::optional<Image> decodeJpeg(const std::uint8_t* bytes, size_t size,
                                           const Limits& limits, DecodeFailure* failure);
    static std::optional<Size> readJpegSize(const std::uint8_t* bytes, size_t size);

    int width_ = 0;
    int height_ = 0;
    ColorSpace colorSpace_ = ColorSpace::RGB;
    bool hasAlpha_ = true;
    bool premultiplied_ = false;
    std::vector<std::uint8_t> rgba_;
};

}  // namespace platform::gfx
