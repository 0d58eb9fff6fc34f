#include "platform/services/VideoPictureSize.h"

#include <algorithm>
#include <cmath>

namespace platform::services {

namespace {

using Size = VideoPictureSize;

// A VP8 key frame: a frame tag whose lowest bit is 0, the start code 9d 01 2a, then the width
// and the height, 14 bits each (the two bits above them only ask for scaling on display).
std::optional<Size> vp8PictureSize(const std::uint8_t* d, std::size_t n) {
    if (n < 10 || (d[0] & 1) != 0) return std::nullopt;
    if (d[3] != 0x9d || d[4] != 0x01 || d[5] != 0x2a) return std::nullopt;
    return Size{(d[6] | d[7] << 8) & 0x3fff, (d[8] | d[9] << 8) & 0x3fff};
}

// The bits of VP9's uncompressed frame header, most significant first.
class Bits {
  public:
    Bits(const std::uint8_t* data, std::size_t size) : data_(data), bits_(size * 8) {}
    // Nothing once the header runs past the packet.
    std::optional<unsigned> read(int count) {
        unsigned value = 0;
        for (int i = 0; i < count; ++i) {
            if (at_ >= bits_) return std::nullopt;
            value = value << 1 | ((data_[at_ / 8] >> (7 - at_ % 8)) & 1u);
            ++at_;
        }
        return value;
    }
    bool skip(int count) { return read(count).has_value(); }

  private:
    const std::uint8_t* data_;
    std::size_t bits_;
    std::size_t at_ = 0;
};

// One VP9 frame: a key frame and an intra-only frame name their size, and so does an inter
// frame that takes the size of none of its references.
std::optional<Size> vp9FrameSize(const std::uint8_t* data, std::size_t size) {
    Bits b(data, size);
    const auto marker = b.read(2);
    const auto low = b.read(1);
    const auto high = b.read(1);
    if (!marker || *marker != 2 || !low || !high) return std::nullopt;
    const unsigned profile = *high << 1 | *low;
    if (profile == 3 && !b.skip(1)) return std::nullopt;
    const auto showExisting = b.read(1);
    if (!showExisting || *showExisting) return std::nullopt;
    const auto frameType = b.read(1);
    const auto showFrame = b.read(1);
    const auto errorResilient = b.read(1);
    if (!frameType || !showFrame || !errorResilient) return std::nullopt;

    auto syncCode = [&] {
        const auto code = b.read(24);
        return code && *code == 0x498342;
    };
    auto colorConfig = [&] {
        if (profile >= 2 && !b.skip(1)) return false;
        const auto space = b.read(3);
        if (!space) return false;
        const bool subsampling = profile == 1 || profile == 3;
        // Not RGB: the range, then the subsampling; RGB: a reserved bit only.
        if (*space != 7) return b.skip(1) && (!subsampling || b.skip(3));
        return !subsampling || b.skip(1);
    };
    auto frameSize = [&]() -> std::optional<Size> {
        const auto width = b.read(16);
        const auto height = b.read(16);
        if (!width || !height) return std::nullopt;
        return Size{int(*width) + 1, int(*height) + 1};
    };

    if (*frameType == 0) {
        if (!syncCode() || !colorConfig()) return std::nullopt;
        return frameSize();
    }
    const auto intraOnly = *showFrame ? std::optional<unsigned>(0) : b.read(1);
    if (!intraOnly) return std::nullopt;
    if (!*errorResilient && !b.skip(2)) return std::nullopt;  // the frame context to reset
    if (*intraOnly) {
        if (!syncCode() || (profile > 0 && !colorConfig())) return std::nullopt;
        if (!b.skip(8)) return std::nullopt;  // the references it refreshes
        return frameSize();
    }
    // The references it refreshes, then each reference's index and sign bias.
    if (!b.skip(8) || !b.skip(4 * 3)) return std::nullopt;
    for (int i = 0; i < 3; ++i) {
        const auto sameAsReference = b.read(1);
        // A reference's size was read when that frame came.
        if (!sameAsReference || *sameAsReference) return std::nullopt;
    }
    return frameSize();
}

// A VP9 packet may be a superframe: several frames and, at its end, an index of their sizes
// between two copies of a marker byte.
std::optional<Size> vp9PictureSize(const std::uint8_t* d, std::size_t n) {
    if (n == 0) return std::nullopt;
    const std::uint8_t marker = d[n - 1];
    if ((marker & 0xe0) == 0xc0) {
        const std::size_t frames = (marker & 7u) + 1;
        const std::size_t bytesPerSize = ((marker >> 3) & 3u) + 1;
        const std::size_t indexSize = 2 + bytesPerSize * frames;
        if (n >= indexSize && d[n - indexSize] == marker) {
            std::optional<Size> largest;
            const std::uint8_t* entry = d + n - indexSize + 1;
            std::size_t offset = 0;
            for (std::size_t f = 0; f < frames; ++f, entry += bytesPerSize) {
                std::size_t frameBytes = 0;
                for (std::size_t i = 0; i < bytesPerSize; ++i)
                    frameBytes |= std::size_t(entry[i]) << (8 * i);
                if (frameBytes > n - indexSize - offset) break;
                if (auto size = vp9FrameSize(d + offset, frameBytes)) {
                    largest = Size{std::max(size->width, largest ? largest->width : 0),
                                   std::max(size->height, largest ? largest->height : 0)};
                }
                offset += frameBytes;
            }
            return largest;
        }
    }
    return vp9FrameSize(d, n);
}

// Theora's identification header: 0x80 "theora", the version, then the frame's width and
// height in macroblocks of 16 pixels (the decoder's buffers take the frame, not the picture
// shown in it).
std::optional<Size> theoraPictureSize(const std::uint8_t* d, std::size_t n) {
    static constexpr std::uint8_t kHead[] = {0x80, 't', 'h', 'e', 'o', 'r', 'a'};
    if (n < 14 || !std::equal(std::begin(kHead), std::end(kHead), d)) return std::nullopt;
    return Size{(d[10] << 8 | d[11]) * 16, (d[12] << 8 | d[13]) * 16};
}

double pixels(VideoPictureSize size) {
    return double(std::max(size.width, 0)) * double(std::max(size.height, 0));
}

// "60" for a whole number of frames (to a twentieth), else one decimal: "12.5".
std::string framesText(double framesPerSecond) {
    framesPerSecond = std::min(framesPerSecond, 1e9);
    const double whole = std::round(framesPerSecond);
    if (std::abs(framesPerSecond - whole) < 0.05) return std::to_string(std::int64_t(whole));
    const auto tenths = std::int64_t(std::round(framesPerSecond * 10));
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

}  // namespace

bool isVideoPictureTooLarge(VideoPictureSize size) {
    return size.width > kMaxVideoPictureWidth || size.height > kMaxVideoPictureHeight;
}

std::string videoPictureRefusal(VideoPictureSize size) {
    return "the video is " + std::to_string(size.width) + " x " + std::to_string(size.height) +
           ", larger than " + std::to_string(kMaxVideoPictureWidth) + " x " +
           std::to_string(kMaxVideoPictureHeight);
}

std::optional<std::string> videoRateRefusal(VideoPictureSize size, double framesPerSecond) {
    if (!(framesPerSecond > 0)) return std::nullopt;
    const std::string video = "the video is " + std::to_string(size.width) + " x " +
                              std::to_string(size.height) + " at " + framesText(framesPerSecond) +
                              " frames a second, more than ";
    if (framesPerSecond > kMaxVideoFramesPerSecond)
        return video + framesText(kMaxVideoFramesPerSecond);
    if (pixels(size) * framesPerSecond > double(kMaxVideoPixelsPerSecond))
        return video + "1920 x 1080 at 30";
    return std::nullopt;
}

std::size_t VideoFrameRateWatch::add(std::optional<std::int64_t> nanoseconds) {
    const std::int64_t stamp = nanoseconds ? *nanoseconds : latest_.value_or(0);
    if (!latest_ || stamp > *latest_) latest_ = stamp;
    stamps_.push_back(stamp);
    if (stamps_.size() > kKept) stamps_.pop_front();
    // The second (latest - 1 s, latest]: a stamp out of order that is older falls out too.
    const std::int64_t from = *latest_ - kNanosecondsPerSecond;
    std::erase_if(stamps_, [from](std::int64_t s) { return s <= from; });
    return stamps_.size();
}

std::optional<std::string> videoFrameCountRefusal(VideoPictureSize size,
                                                  std::size_t framesInASecond) {
    if (framesInASecond < 2) return std::nullopt;
    return videoRateRefusal(size, double(framesInASecond - 1));
}

std::optional<VideoPictureSize> videoPictureSizeOfPacket(std::string_view mediaType,
                                                         const std::uint8_t* data,
                                                         std::size_t size) {
    if (!data) return std::nullopt;
    if (mediaType == "video/x-vp8") return vp8PictureSize(data, size);
    if (mediaType == "video/x-vp9") return vp9PictureSize(data, size);
    if (mediaType == "video/x-theora") return theoraPictureSize(data, size);
    return std::nullopt;
}

}  // namespace platform::services
