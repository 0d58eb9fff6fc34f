// The picture sizes read from video packets before a decoder sees them, and the limit. The
// packets are written here bit by bit as the codecs lay out their headers.

#include "platform/services/VideoPictureSize.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace platform::services {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::optional<VideoPictureSize> sizeOf(const char* type, const Bytes& packet) {
    return videoPictureSizeOfPacket(type, packet.data(), packet.size());
}

Bytes vp8Frame(bool key, int width, int height) {
    return {std::uint8_t(key ? 0x10 : 0x11),
            0x02,
            0x00,
            0x9d,
            0x01,
            0x2a,
            std::uint8_t(width),
            std::uint8_t(width >> 8),
            std::uint8_t(height),
            std::uint8_t(height >> 8),
            0x00,
            0x00};
}

// VP9's uncompressed header, most significant bit first.
class BitWriter {
  public:
    BitWriter& put(unsigned value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            if (used_ % 8 == 0) bytes_.push_back(0);
            if (value >> i & 1) bytes_.back() |= std::uint8_t(0x80 >> used_ % 8);
            ++used_;
        }
        return *this;
    }
    Bytes bytes() const { return bytes_; }

  private:
    Bytes bytes_;
    int used_ = 0;
};

// A key frame of profile 0 or 1 (4:4:4 names its subsampling).
Bytes vp9KeyFrame(int width, int height, unsigned profile = 0) {
    BitWriter w;
    w.put(2, 2).put(profile & 1, 1).put(profile >> 1, 1).put(0, 1).put(0, 1).put(1, 1).put(0, 1);
    w.put(0x498342, 24).put(1, 3).put(0, 1);  // sync code, BT.601, studio range
    if (profile == 1) w.put(0, 3);            // subsampling and a reserved bit
    w.put(unsigned(width - 1), 16).put(unsigned(height - 1), 16);
    return w.bytes();
}

// A hidden intra-only frame, which names its size too (and its colour beyond profile 0).
Bytes vp9IntraOnlyFrame(int width, int height, unsigned profile = 0) {
    BitWriter w;
    w.put(2, 2).put(profile & 1, 1).put(profile >> 1, 1).put(0, 1).put(1, 1).put(0, 1).put(0, 1);
    w.put(1, 1).put(0, 2).put(0x498342, 24);  // intra-only, context, sync code
    if (profile == 1) w.put(1, 3).put(0, 1).put(0, 3);
    w.put(0x01, 8).put(unsigned(width - 1), 16).put(unsigned(height - 1), 16);
    return w.bytes();
}

// An inter frame that names its own size, or takes its first reference's.
Bytes vp9InterFrame(int width, int height, bool sizeOfReference) {
    BitWriter w;
    w.put(2, 2).put(0, 2).put(0, 1).put(1, 1).put(1, 1).put(0, 1);  // not key, shown
    w.put(0, 2).put(0x01, 8).put(0, 12);  // context, refreshed references, their indices
    if (sizeOfReference) return w.put(1, 1).put(0, 16).bytes();
    w.put(0, 3).put(unsigned(width - 1), 16).put(unsigned(height - 1), 16);
    return w.bytes();
}

TEST(VideoPictureSizeTest, VP8KeyFramesNameTheirSizeAndOtherFramesNone) {
    EXPECT_EQ(sizeOf("video/x-vp8", vp8Frame(true, 16000, 16000)),
              (VideoPictureSize{16000, 16000}));
    // The two bits above each dimension only ask for scaling on display.
    EXPECT_EQ(sizeOf("video/x-vp8", vp8Frame(true, 0xC000 | 320, 0x4000 | 240)),
              (VideoPictureSize{320, 240}));
    EXPECT_FALSE(sizeOf("video/x-vp8", vp8Frame(false, 16000, 16000)));
    Bytes noStartCode = vp8Frame(true, 640, 360);
    noStartCode[4] = 0x02;
    EXPECT_FALSE(sizeOf("video/x-vp8", noStartCode));
    Bytes cut = vp8Frame(true, 640, 360);
    cut.resize(9);
    EXPECT_FALSE(sizeOf("video/x-vp8", cut));
    // Another type's packet is not read as VP8.
    EXPECT_FALSE(sizeOf("video/x-h264", vp8Frame(true, 16000, 16000)));
}

TEST(VideoPictureSizeTest, VP9FramesThatNameASizeAndSuperframesGiveTheLargest) {
    EXPECT_EQ(sizeOf("video/x-vp9", vp9KeyFrame(16000, 9000)), (VideoPictureSize{16000, 9000}));
    EXPECT_EQ(sizeOf("video/x-vp9", vp9KeyFrame(1280, 720, 1)), (VideoPictureSize{1280, 720}));
    EXPECT_EQ(sizeOf("video/x-vp9", vp9IntraOnlyFrame(16000, 16)), (VideoPictureSize{16000, 16}));
    EXPECT_EQ(sizeOf("video/x-vp9", vp9IntraOnlyFrame(640, 9000, 1)),
              (VideoPictureSize{640, 9000}));
    EXPECT_EQ(sizeOf("video/x-vp9", vp9InterFrame(65536, 2, false)), (VideoPictureSize{65536, 2}));
    EXPECT_FALSE(sizeOf("video/x-vp9", vp9InterFrame(0, 0, true)));
    Bytes cut = vp9KeyFrame(640, 360);
    cut.resize(cut.size() - 2);
    EXPECT_FALSE(sizeOf("video/x-vp9", cut));
    Bytes badSync = vp9KeyFrame(640, 360);
    badSync[1] ^= 0x04;
    EXPECT_FALSE(sizeOf("video/x-vp9", badSync));

    // A small shown frame after a large hidden one: the index at the end gives each frame's
    // bytes, one byte per size here.
    const Bytes hidden = vp9IntraOnlyFrame(8000, 100);
    const Bytes shown = vp9KeyFrame(320, 240);
    Bytes superframe = hidden;
    superframe.insert(superframe.end(), shown.begin(), shown.end());
    const std::uint8_t marker = 0xc0 | 0x01;  // two frames, one byte per size
    for (std::uint8_t byte :
         {marker, std::uint8_t(hidden.size()), std::uint8_t(shown.size()), marker}) {
        superframe.push_back(byte);
    }
    EXPECT_EQ(sizeOf("video/x-vp9", superframe), (VideoPictureSize{8000, 240}));
}

TEST(VideoPictureSizeTest, TheoraNamesItsFrameInMacroblocksInItsFirstHeader) {
    Bytes header = {0x80, 't',  'h',  'e',  'o', 'r', 'a', 3, 2, 1,
                    0x03, 0xE8, 0x00, 0x02, 0,   0,   0,   0, 0, 0};
    EXPECT_EQ(sizeOf("video/x-theora", header), (VideoPictureSize{16000, 32}));
    header[0] = 0x81;  // the comment header names nothing
    EXPECT_FALSE(sizeOf("video/x-theora", header));
    EXPECT_FALSE(sizeOf("video/x-theora", Bytes{0x80, 't', 'h', 'e'}));
}

TEST(VideoPictureSizeTest, TheLimitIsFourKOnEitherSide) {
    EXPECT_FALSE(isVideoPictureTooLarge({4096, 4096}));
    EXPECT_TRUE(isVideoPictureTooLarge({4097, 16}));
    EXPECT_TRUE(isVideoPictureTooLarge({16, 4097}));
    EXPECT_EQ(videoPictureRefusal({16000, 16000}),
              "the video is 16000 x 16000, larger than 4096 x 4096");
}

// Pixels a second: full HD at 30 passes, and so do fewer pixels more often up to 60 frames;
// 4K at 60, full HD at 31 or anything past 60 frames a second does not. An unknown rate is not
// judged here.
TEST(VideoPictureSizeTest, ThePixelRateBoundIsFullHDAtThirtyAndNoMoreThanSixtyFrames) {
    EXPECT_FALSE(videoRateRefusal({1920, 1080}, 30));
    EXPECT_FALSE(videoRateRefusal({1280, 720}, 60));
    EXPECT_FALSE(videoRateRefusal({4096, 4096}, 3));
    EXPECT_FALSE(videoRateRefusal({4096, 4096}, 0));
    EXPECT_FALSE(videoRateRefusal({4096, 4096}, -60));
    EXPECT_FALSE(videoRateRefusal({4096, 4096}, std::nan("")));
    EXPECT_EQ(videoRateRefusal({4096, 4096}, 60),
              "the video is 4096 x 4096 at 60 frames a second, more than 1920 x 1080 at 30");
    EXPECT_EQ(videoRateRefusal({1920, 1080}, 30.5),
              "the video is 1920 x 1080 at 30.5 frames a second, more than 1920 x 1080 at 30");
    EXPECT_EQ(videoRateRefusal({16, 16}, 1000),
              "the video is 16 x 16 at 1000 frames a second, more than 60");
    EXPECT_TRUE(videoRateRefusal({16, 16}, 1e300));
}

// Frames counted by their stamps in the second that ends at the latest: 30 a second at full
// HD pass however long they go on, with one frame of rounding; 60 a second of 4K fail at the
// fifth; stamps out of order or missing count where they fall, and a stream without stamps
// is as fast as it comes.
TEST(VideoPictureSizeTest, TheFramesOfASecondCountByTheirStamps) {
    constexpr std::int64_t kMs = 1'000'000;
    VideoFrameRateWatch honest;
    std::size_t most = 0;
    for (int i = 0; i < 300; ++i)
        most = std::max(most, honest.add(std::int64_t(i) * 1000 / 30 * kMs));
    EXPECT_EQ(most, 30u);
    EXPECT_FALSE(videoFrameCountRefusal({1920, 1080}, most));
    EXPECT_FALSE(videoFrameCountRefusal({1920, 1080}, most + 1));
    EXPECT_TRUE(videoFrameCountRefusal({1920, 1080}, most + 2));

    VideoFrameRateWatch fast;
    std::size_t refusedAt = 0;
    for (int i = 0; i < 12 && !refusedAt; ++i) {
        if (videoFrameCountRefusal({4096, 4096}, fast.add(std::int64_t(i) * 1000 / 60 * kMs)))
            refusedAt = std::size_t(i) + 1;
    }
    EXPECT_EQ(refusedAt, 5u);

    VideoFrameRateWatch shuffled;
    EXPECT_EQ(shuffled.add(2000 * kMs), 1u);
    EXPECT_EQ(shuffled.add(500 * kMs), 1u);  // more than a second before the latest
    EXPECT_EQ(shuffled.add(1500 * kMs), 2u);
    EXPECT_EQ(shuffled.add(std::nullopt), 3u);  // at the latest

    VideoFrameRateWatch unstamped;
    std::size_t count = 0;
    for (int i = 0; i < 1000; ++i) count = unstamped.add(std::nullopt);
    EXPECT_EQ(count, VideoFrameRateWatch::kKept);
    EXPECT_EQ(videoFrameCountRefusal({16, 16}, count),
              "the video is 16 x 16 at " + std::to_string(VideoFrameRateWatch::kKept - 1) +
                  " frames a second, more than 60");
}

}  // namespace
}  // namespace platform::services
