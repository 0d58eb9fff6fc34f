#pragma once

// How large a video's pictures may be, and the size a stream's own headers give, read before
// any decoder sees them.
//
// A few hundred kilobytes of video can describe frames of gigabytes: a two-frame VP8 WebM of
// 16,000 x 16,000 made the game's process take 1.6 GB more, as the decoder sized its frames by
// the stream. Pictures beyond the limit are refused before anything is sized by them. The
// size a container names reaches a decoder first; but a container may name a small picture
// for frames far larger, so the first frames' own headers are read too: VP8 and VP9 key
// frames (and VP9's other frames that name a size) and Theora's identification header.
// Other codecs' frames are not read here; what their decoders announce is checked against
// the same limit before they size their buffers (GstMediaPlayerBackend).
//
// A picture within the limit may still come too often: 4,096 x 4,096 at 60 frames a second
// took the game 1.6 cores and 430 MB to decode. What a video costs to decode goes with its
// pixels times its frames a second, so that product is bounded too: by the rate a stream's
// caps name before any decoder is set up, and by the rate its packets' own time stamps bring,
// which a container cannot misstate (the player shows each frame at its time stamp, so frames
// stamped closer together are frames decoded faster).

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace platform::services {

// No screen this program runs on shows more than 4K, and 4,096 x 4,096 is the largest
// picture a phone's video decoder takes; an ad's video needs far less.
inline constexpr int kMaxVideoPictureWidth = 4096;
inline constexpr int kMaxVideoPictureHeight = 4096;

struct VideoPictureSize {
    int width = 0;
    int height = 0;
    bool operator==(const VideoPictureSize&) const = default;
};

bool isVideoPictureTooLarge(VideoPictureSize size);
// What the player reports for a refused stream: "the video is W x H, larger than 4096 x 4096".
std::string videoPictureRefusal(VideoPictureSize size);

// An ad's video needs no more than full HD at 30 frames a second: its view is a part of a
// screen, and nothing it shows moves faster than film. However small its pictures, no more
// than 60 frames a second either: each frame costs the pipeline its own work besides its
// pixels.
inline constexpr std::int64_t kMaxVideoPixelsPerSecond = std::int64_t{1920} * 1080 * 30;
inline constexpr double kMaxVideoFramesPerSecond = 60;

// Nothing when pictures of this size, this many a second, are within both bounds; else what
// the player reports: "the video is 4096 x 4096 at 60 frames a second, more than 1920 x 1080
// at 30" (or "..., more than 60"). A rate that is not known (0 or less, not a number) is not
// judged.
std::optional<std::string> videoRateRefusal(VideoPictureSize size, double framesPerSecond);

// The frames a stream brings in one second of its own time, from each packet's time stamp as
// it reaches the decoder: add() answers how many of the packets so far lie in the second that
// ends at the latest stamp. A packet without a stamp counts at the latest one (a stream that
// stamps nothing is shown as fast as it decodes). Stamps may come out of order (reordered
// frames); the window follows the latest. It keeps at most kKept stamps: past the frame
// bound a stream is refused long before.
class VideoFrameRateWatch {
  public:
    static constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;
    static constexpr std::size_t kKept = 256;
    std::size_t add(std::optional<std::int64_t> nanoseconds);

  private:
    std::deque<std::int64_t> stamps_;
    std::optional<std::int64_t> latest_;
};

// videoRateRefusal for the frames a watch counted in one second. One frame more than the
// bounds allow passes: stamps rounded to milliseconds can put one second's last frame and
// the next one's first into the same window.
std::optional<std::string> videoFrameCountRefusal(VideoPictureSize size,
                                                  std::size_t framesInASecond);

// The largest picture one packet of a stream of the given media type ("video/x-vp8",
// "video/x-vp9", "video/x-theora") names; nothing when the packet names none (a VP8 inter
// frame, a Theora packet other than the identification header), is cut short, or is of
// another type. Reads only the headers, never more than the packet.
std::optional<VideoPictureSize> videoPictureSizeOfPacket(std::string_view mediaType,
                                                         const std::uint8_t* data,
                                                         std::size_t size);

}  // namespace platform::services
