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

#include <cstddef>
#include <cstdint>
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

// The largest picture one packet of a stream of the given media type ("video/x-vp8",
// "video/x-vp9", "video/x-theora") names; nothing when the packet names none (a VP8 inter
// frame, a Theora packet other than the identification header), is cut short, or is of
// another type. Reads only the headers, never more than the packet.
std::optional<VideoPictureSize> videoPictureSizeOfPacket(std::string_view mediaType,
                                                         const std::uint8_t* data,
                                                         std::size_t size);

}  // namespace platform::services
