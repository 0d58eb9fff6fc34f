// Makes the test clips from GStreamer's own sources and encoders, so nothing is downloaded and
// no command-line launcher is needed:
//   clip.ogg   2 s, 160 x 90, Theora and Vorbis
//   clip.webm  the same in VP8 and Vorbis
//   tone.ogg   1 s, Vorbis only
//   cut.ogg    clip.ogg cut after its headers (no picture, no sound)
// The picture is red, green, blue and white for half a second each; the sound a 440 Hz tone.
//
//   media_clips <output folder>

#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 90;
constexpr int kFps = 10;
constexpr int kFrames = 2 * kFps;

bool run(const std::string& description, bool feedPicture) {
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    if (!pipeline || error) {
        std::fprintf(stderr, "media_clips: %s\n", error ? error->message : "no pipeline");
        if (error) g_error_free(error);
        return false;
    }
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    if (feedPicture) {
        GstElement* src = gst_bin_get_by_name(GST_BIN(pipeline), "picture");
        const std::array<std::array<std::uint8_t, 3>, 4> colours{
            {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}}};
        for (int i = 0; i < kFrames; ++i) {
            const auto& c = colours[std::size_t(i * 4 / kFrames)];
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
            gst_app_src_push_buffer(GST_APP_SRC(src), buffer);
        }
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

std::string picture() {
    return "appsrc name=picture format=time caps=video/x-raw,format=RGBA,width=" +
           std::to_string(kWidth) + ",height=" + std::to_string(kHeight) +
           ",framerate=" + std::to_string(kFps) + "/1 ! videoconvert ! ";
}

std::string tone(double seconds) {
    // 4410 samples a buffer: a tenth of a second.
    return "audiotestsrc freq=440 samplesperbuffer=4410 num-buffers=" +
           std::to_string(int(seconds * 10)) +
           " ! audio/x-raw,rate=44100,channels=1 ! audioconvert ! vorbisenc ! ";
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
    bool ok = run(picture() + "theoraenc ! oggmux name=mux ! filesink location=" + dir +
                      "/clip.ogg " + tone(2) + "mux.",
                  true) &&
              run(picture() + "vp8enc deadline=1 ! webmmux name=mux ! filesink location=" + dir +
                      "/clip.webm " + tone(2) + "mux.",
                  true) &&
              run(tone(1) + "oggmux ! filesink location=" + dir + "/tone.ogg", false) &&
              cutAfterHeaders(dir + "/clip.ogg", dir + "/cut.ogg");
    return ok ? 0 : 1;
}
