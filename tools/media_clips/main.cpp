// Makes the test clips from GStreamer's own sources and encoders, so nothing is downloaded and
// no command-line launcher is needed:
//   clip.ogg   2 s, 160 x 90, Theora and Vorbis
//   clip.webm  the same in VP8 and Vorbis
//   tone.ogg   1 s, Vorbis only
//   cut.ogg    clip.ogg cut after its headers (no picture, no sound)
//   huge.webm        2 s, two VP8 key frames of 16,000 x 16,000 (grey), as the container says
//   huge-lying.webm  the same frames in a container that says 320 x 240
//   large-lying.mkv  2 s, two black JPEG frames of 4,200 x 4,200 in a container that says
//                    320 x 240
//   fast-large.webm          0.2 s, twelve grey VP8 key frames of 4,096 x 4,096 at 60 frames
//                            a second, as the container says
//   fast-large-unrated.webm  the same frames in a container that names no frame rate
//   full-hd.webm             1 s, thirty grey VP8 key frames of 1,920 x 1,080 at 30 frames a
//                            second: the most pixels a second an ad's video may have
//   short.webm       0.4 s, 160 x 90 VP8, four frames: red, green, blue and white
//   stream.webm      8 s, grey VP8 key frames of 320 x 240 twice a second, 1.5 MB each (24 MB):
//                    a clip a player reads for as long as it plays, as an ad's video, and more
//                    than the sockets between a server and the player hold
//   seek.webm        26 s, 320 x 240 VP8 at 10 frames a second, every one a key frame, and
//                    a 440 Hz Vorbis tone: 17-18 MB, as an ad's video is. Each picture's top
//                    quarter names its frame's number in ten stripes (kSeekStripes, the lowest
//                    bit on the left, white for 1); the rest is noise, which the encoder cannot
//                    make much smaller, so a seek lands far from where the bytes were read
// The picture is red, green, blue and white for half a second each; the sound a 440 Hz tone.
//
//   media_clips <output folder>

#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 90;
constexpr int kFps = 10;
constexpr int kFrames = 2 * kFps;
constexpr int kStreamSeconds = 8;
constexpr int kSeekSeconds = 26;
constexpr int kSeekFps = 10;
constexpr int kSeekStripes = 10;

// Runs a pipeline to its end. `feed`, when given, pushes the buffers of the pipeline's appsrc
// named "feed", whose stream is then ended.
bool run(const std::string& description, const std::function<void(GstAppSrc*)>& feed = {}) {
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    if (!pipeline || error) {
        std::fprintf(stderr, "media_clips: %s\n", error ? error->message : "no pipeline");
        if (error) g_error_free(error);
        return false;
    }
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    if (feed) {
        GstElement* src = gst_bin_get_by_name(GST_BIN(pipeline), "feed");
        feed(GST_APP_SRC(src));
        gst_app_src_end_of_stream(GST_APP_SRC(src));
        gst_object_unref(src);
    }
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message = gst_bus_timed_pop_filtered(
        bus, 60 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    bool ok = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    if (message && !ok) {
        gst_message_parse_error(message, &error, nullptr);
        std::fprintf(stderr, "media_clips: %s\n", error ? error->message : "failed");
        if (error) g_error_free(error);
    }
    if (message) gst_message_unref(message);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return ok;
}

// Red, green, blue and white for a quarter of the frames each.
void pushColours(GstAppSrc* src, int frames) {
    const std::array<std::array<std::uint8_t, 3>, 4> colours{
        {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}}};
    for (int i = 0; i < frames; ++i) {
        const auto& c = colours[std::size_t(i * 4 / frames)];
        GstBuffer* buffer = gst_buffer_new_allocate(nullptr, kWidth * kHeight * 4, nullptr);
        GstMapInfo map;
        gst_buffer_map(buffer, &map, GST_MAP_WRITE);
        for (int p = 0; p < kWidth * kHeight; ++p) {
            map.data[p * 4] = c[0];
            map.data[p * 4 + 1] = c[1];
            map.data[p * 4 + 2] = c[2];
            map.data[p * 4 + 3] = 255;
        }
        gst_buffer_unmap(buffer, &map);
        GST_BUFFER_PTS(buffer) = gst_util_uint64_scale(i, GST_SECOND, kFps);
        GST_BUFFER_DURATION(buffer) = GST_SECOND / kFps;
        gst_app_src_push_buffer(src, buffer);
    }
}

// Frames whose top quarter names their number (see seek.webm above) over noise of a fixed
// seed, so the clip is the same at every build.
void pushNumberedNoise(GstAppSrc* src, int width, int height, int frames, int perSecond) {
    std::uint32_t noise = 12345;
    for (int i = 0; i < frames; ++i) {
        GstBuffer* buffer =
            gst_buffer_new_allocate(nullptr, std::size_t(width) * std::size_t(height) * 4, nullptr);
        GstMapInfo map;
        gst_buffer_map(buffer, &map, GST_MAP_WRITE);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                std::uint8_t* p = map.data + (std::size_t(y) * std::size_t(width) + x) * 4;
                if (y < height / 4) {
                    const bool bit = (i >> (x * kSeekStripes / width)) & 1;
                    p[0] = p[1] = p[2] = bit ? 255 : 0;
                } else {
                    noise = noise * 1664525u + 1013904223u;
                    p[0] = std::uint8_t(noise >> 24);
                    p[1] = std::uint8_t(noise >> 16);
                    p[2] = std::uint8_t(noise >> 8);
                }
                p[3] = 255;
            }
        }
        gst_buffer_unmap(buffer, &map);
        GST_BUFFER_PTS(buffer) = gst_util_uint64_scale(i, GST_SECOND, perSecond);
        GST_BUFFER_DURATION(buffer) = GST_SECOND / perSecond;
        gst_app_src_push_buffer(src, buffer);
    }
}

// The clips' two seconds of colours.
void pushTwoSeconds(GstAppSrc* src) {
    pushColours(src, kFrames);
}

std::string picture() {
    return "appsrc name=feed format=time caps=video/x-raw,format=RGBA,width=" +
           std::to_string(kWidth) + ",height=" + std::to_string(kHeight) +
           ",framerate=" + std::to_string(kFps) + "/1 ! videoconvert ! ";
}

std::string tone(double seconds) {
    // 4410 samples a buffer: a tenth of a second.
    return "audiotestsrc freq=440 samplesperbuffer=4410 num-buffers=" +
           std::to_string(int(seconds * 10)) +
           " ! audio/x-raw,rate=44100,channels=1 ! audioconvert ! vorbisenc ! ";
}

// A VP8 key frame of any size that costs no encoder: its frame tag and size, then both of its
// partitions as zero bytes. A boolean decoder fed zeros reads nothing but zeros whatever its
// probabilities, so every header field is 0 (no segmentation or loop filter, quantizer 0, no
// probability updates, no skipping), every macroblock is predicted from its edges with no
// coefficients, and the picture is grey. VP8 encoders need gigabytes for frames this large;
// the first partition's size has 19 bits, and the default partition sizes hold what a
// decoder reads for 16,000 x 16,000 with room to spare (a sixteenth of them, for 4,096 x
// 4,096).
std::vector<std::uint8_t> greyKeyFrame(int width, int height,
                                       std::uint32_t firstPartition = (1u << 19) - 1,
                                       std::size_t tokenPartition = 1'000'000) {
    // Key frame (bit 0 clear), version 0, shown (bit 4), then the first partition's size.
    const std::uint32_t tag = 1u << 4 | firstPartition << 5;
    std::vector<std::uint8_t> frame{std::uint8_t(tag),
                                    std::uint8_t(tag >> 8),
                                    std::uint8_t(tag >> 16),
                                    0x9d,
                                    0x01,
                                    0x2a,
                                    std::uint8_t(width),
                                    std::uint8_t(width >> 8 & 0x3f),
                                    std::uint8_t(height),
                                    std::uint8_t(height >> 8 & 0x3f)};
    frame.resize(frame.size() + firstPartition + tokenPartition, 0);
    return frame;
}

// One frame shown `count` times, `perSecond` a second by its stamps, muxed with the given
// caps (which name the size the container tells, and the frame rate when they have one).
bool repeatedFrame(const std::string& path, const std::string& caps, const std::string& muxer,
                   const std::vector<std::uint8_t>& frame, int count, int perSecond) {
    auto repeat = [&](GstAppSrc* src) {
        for (int i = 0; i < count; ++i) {
            GstBuffer* buffer = gst_buffer_new_allocate(nullptr, frame.size(), nullptr);
            gst_buffer_fill(buffer, 0, frame.data(), frame.size());
            GST_BUFFER_PTS(buffer) = gst_util_uint64_scale(i, GST_SECOND, perSecond);
            GST_BUFFER_DURATION(buffer) = GST_SECOND / perSecond;
            gst_app_src_push_buffer(src, buffer);
        }
    };
    const bool ok = run("appsrc name=feed format=time caps=" + caps + " ! " + muxer +
                            " ! filesink location=" + path,
                        repeat);
    if (!ok) std::fprintf(stderr, "media_clips: %s was not made\n", path.c_str());
    return ok;
}

// Two seconds of one frame shown twice.
bool twoFrames(const std::string& path, const std::string& caps, const std::string& muxer,
               const std::vector<std::uint8_t>& frame) {
    return repeatedFrame(path, caps + ",framerate=1/1", muxer, frame, 2, 1);
}

// Twelve grey VP8 key frames of 4,096 x 4,096, 60 a second, in a WebM that names the rate or
// none ("0/1": a variable rate).
bool fastLargeVideo(const std::string& path, bool namesRate) {
    return repeatedFrame(
        path,
        std::string("video/x-vp8,width=4096,height=4096,framerate=") + (namesRate ? "60/1" : "0/1"),
        "webmmux", greyKeyFrame(4096, 4096, 1u << 16, 1u << 17), 12, 60);
}

// A second of grey VP8 key frames of 1,920 x 1,080 at 30 a second.
bool fullHdVideo(const std::string& path) {
    return repeatedFrame(path, "video/x-vp8,width=1920,height=1080,framerate=30/1", "webmmux",
                         greyKeyFrame(1920, 1080, 1u << 14, 1u << 15), 30, 30);
}

// Grey VP8 key frames of the given size in a WebM whose header names `named`.
bool greyVideo(const std::string& path, int width, int height, int namedWidth, int namedHeight) {
    return twoFrames(path,
                     "video/x-vp8,width=" + std::to_string(namedWidth) +
                         ",height=" + std::to_string(namedHeight),
                     "webmmux", greyKeyFrame(width, height));
}

// A black JPEG of the given size, shown twice in a Matroska file that says 320 x 240: a
// codec whose frames the player does not read before its decoder does.
bool blackMotionJpeg(const std::string& dir, const std::string& name, int width, int height) {
    const std::string still = dir + "/" + name + ".frame.jpg";
    if (!run("videotestsrc num-buffers=1 pattern=black ! video/x-raw,width=" +
             std::to_string(width) + ",height=" + std::to_string(height) +
             " ! jpegenc ! filesink location=" + still)) {
        return false;
    }
    std::ifstream in(still, std::ios::binary);
    const std::vector<std::uint8_t> frame((std::istreambuf_iterator<char>(in)), {});
    std::remove(still.c_str());
    return !frame.empty() &&
           twoFrames(dir + "/" + name, "image/jpeg,width=320,height=240", "matroskamux", frame);
}

// The Ogg pages up to (not with) the first that carries media: the headers' pages all have
// granule position 0.
bool cutAfterHeaders(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    std::vector<unsigned char> bytes(std::istreambuf_iterator<char>(in), {});
    std::size_t at = 0;
    while (at + 27 <= bytes.size() &&
           std::equal(bytes.begin() + at, bytes.begin() + at + 4, std::string("OggS").begin())) {
        std::uint64_t granule = 0;
        for (int i = 7; i >= 0; --i) granule = granule << 8 | bytes[at + 6 + i];
        if (granule != 0) break;
        const std::size_t segments = bytes[at + 26];
        if (at + 27 + segments > bytes.size()) break;
        std::size_t body = 0;
        for (std::size_t s = 0; s < segments; ++s) body += bytes[at + 27 + s];
        at += 27 + segments + body;
    }
    if (at == 0) return false;
    std::ofstream out(to, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(at));
    return bool(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: media_clips <output folder>\n");
        return 2;
    }
    gst_init(nullptr, nullptr);
    const std::string dir = argv[1];
    bool ok =
        run(picture() + "theoraenc ! oggmux name=mux ! filesink location=" + dir + "/clip.ogg " +
                tone(2) + "mux.",
            pushTwoSeconds) &&
        run(picture() + "vp8enc deadline=1 ! webmmux name=mux ! filesink location=" + dir +
                "/clip.webm " + tone(2) + "mux.",
            pushTwoSeconds) &&
        run(tone(1) + "oggmux ! filesink location=" + dir + "/tone.ogg") &&
        cutAfterHeaders(dir + "/clip.ogg", dir + "/cut.ogg") &&
        greyVideo(dir + "/huge.webm", 16000, 16000, 16000, 16000) &&
        greyVideo(dir + "/huge-lying.webm", 16000, 16000, 320, 240) &&
        blackMotionJpeg(dir, "large-lying.mkv", 4200, 4200) &&
        fastLargeVideo(dir + "/fast-large.webm", true) &&
        fastLargeVideo(dir + "/fast-large-unrated.webm", false) &&
        fullHdVideo(dir + "/full-hd.webm") &&
        run(picture() + "vp8enc deadline=1 ! webmmux ! filesink location=" + dir + "/short.webm",
            [](GstAppSrc* src) { pushColours(src, 4); }) &&
        repeatedFrame(dir + "/stream.webm", "video/x-vp8,width=320,height=240,framerate=2/1",
                      "webmmux", greyKeyFrame(320, 240), kStreamSeconds * 2, 2) &&
        // The finest quantizer: noise at any coarser one shrinks the clip below 15 MB.
        run("appsrc name=feed format=time caps=video/x-raw,format=RGBA,width=320,height=240,"
            "framerate=" +
                std::to_string(kSeekFps) +
                "/1 ! videoconvert ! vp8enc deadline=1 keyframe-max-dist=1 min-quantizer=0 "
                "max-quantizer=0 target-bitrate=100000000 ! webmmux name=mux ! filesink location=" +
                dir + "/seek.webm " + tone(kSeekSeconds) + "mux.",
            [](GstAppSrc* src) {
                pushNumberedNoise(src, 320, 240, kSeekSeconds * kSeekFps, kSeekFps);
            });
    return ok ? 0 : 1;
}
