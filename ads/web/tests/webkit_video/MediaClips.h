#pragma once

// The clips tools/media_clips makes at build time, for the video tests on real GStreamer.

#include <fstream>
#include <iterator>
#include <string>

namespace ads::testing {

// The bytes of <build>/media_clips/<name>; empty when the clip was not made.
inline std::string mediaClip(const std::string& name) {
    std::ifstream in(MOVU_BINARY_DIR "/media_clips/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace ads::testing
