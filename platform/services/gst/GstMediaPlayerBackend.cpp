#include "platform/services/gst/GstMediaPlayerBackend.h"
#include "platform/services/gst/GstHttpSource.h"
#include "platform/services/gst/GstMediaPlayerSound.h"
#include "platform/services/gst/GstRingBufferGuard.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>
#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <mutex>
#include <utility>

#include "platform/base/LogSink.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/services/VideoPictureSize.h"

namespace platform::services {

namespace {

constexpr double kNanosecond = 1e-9;

// The pictures a pipeline decodes are freed with it, but the allocator kept them: after the
// first large block it maps of its own is freed, it raises its threshold for mapping blocks,
// up to 32 MiB, and the threshold for giving back the top of a heap with it, to twice that; so
// a decoder's frames came from the heaps of GStreamer's threads, and a pipeline taken down
// left up to 64 MiB at the top of each (malloc_trim gives back no thread heap's top). A full
// HD ad left the game 48-86 MB larger after its close. Fixed thresholds: blocks of up to 32 MiB
// still come from the heaps, so a playing video's frames are not mapped and faulted in anew
// (a threshold of 4 MiB cost a full HD video a fifth of a core more), and a heap gives back
// its top once 8 MiB of it are free. Set once for the program, as the first player starts.
void keepFreedPicturesShort() {
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 8 << 20);
}

bool startGStreamer() {
    static const bool started = [] {
        GError* error = nullptr;
        if (!gst_init_check(nullptr, nullptr, &error)) {
            LogSink::write(std::string("media: GStreamer does not start: ") +
                           (error ? error->message : "unknown reason"));
            if (error) g_error_free(error);
            return false;
        }
        for (const char* name : {"playbin", "appsink", "videoconvert", "videoscale", "audioconvert",
                                 "audioresample", "capsfilter"}) {
            GstElementFactory* factory = gst_element_factory_find(name);
            if (!factory) {
                LogSink::write(std::string("media: GStreamer lacks the element ") + name);
                return false;
            }
            gst_object_unref(factory);
        }
        if (!registerGstHttpSource()) {
            LogSink::write("media: the http source does not register");
            return false;
        }
        keepFreedPicturesShort();
        return true;
    }();
    return started;
}

std::optional<double> seconds(gint64 ns) {
    if (ns < 0 || static_cast<GstClockTime>(ns) == GST_CLOCK_TIME_NONE) return std::nullopt;
    return static_cast<double>(ns) * kNanosecond;
}

}  // namespace

// What GStreamer's threads may touch: posting to the main loop and the newest picture. It is
// shared with the callbacks GStreamer keeps, so it outlives the core by as long as they do,
// and it never makes a core live longer (the posted work holds it weakly).
struct Link {
    Link() = default;
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;
    // A message that reached the handler as it was being removed is still ours.
    ~Link() {
        for (GstMessage* message : messages) gst_message_unref(message);
    }

    std::weak_ptr<GstMediaPlayerBackend::Core> core;
    // The bus's messages, taken as they are posted (the bus's own queue would give them to us
    // only after the sync handler returned, racing the main thread's read).
    std::mutex busMutex;
    std::deque<GstMessage*> messages;
    bool busDrainPosted = false;
    std::mutex frameMutex;
    std::optional<gfx::Image> frame;  // the newest picture not yet handed over
    bool framePosted = false;
    std::mutex audioMutex;
    GstMediaPlayerBackend::AudioOutput audio;
    std::mutex decodingMutex;
    GstMediaPlayerBackend::VideoDecoding decoding;
};

// Why a stream is refused: its picture, and what the player reports.
struct VideoRefusal {
    VideoPictureSize picture;
    std::string reason;
};

// One video decoder's watch, shared by the probes on its two pads: the media type its input
// has, what it was told it outputs, the largest picture its stream named anywhere, how many
// frames its packets bring a second, and whether its stream was refused. The probes run on
// GStreamer's threads.
struct DecoderWatch {
    std::shared_ptr<Link> link;
    GstElement* decoder = nullptr;  // not held: the probes go with its pads
    std::mutex mutex;
    std::string mediaType;
    VideoPictureSize output;
    VideoPictureSize largest;
    VideoFrameRateWatch frames;
    // Judged by the container's caps (too large, or too many a second): refused when the
    // stream starts to flow. An error posted while decodebin still sets the decoder up would
    // be taken by decodebin as the decoder's failure to start, and another decoder tried.
    std::optional<VideoRefusal> pending;
    bool refused = false;
};

class GstMediaPlayerBackend::Core : public std::enable_shared_from_this<Core> {
  public:
    Core() = default;
    ~Core() { shutdown(); }

    bool build() {
        if (!startGStreamer()) return false;
        link_ = std::make_shared<Link>();
        link_->core = weak_from_this();
        playbin_ = gst_element_factory_make("playbin", nullptr);
        if (!playbin_) return false;
        gst_object_ref_sink(playbin_);
        GstElement* videoBin = makeVideoBin();
        GstElement* audioBin = makeAudioBin();
        if (!videoBin || !audioBin) return false;
        // A fetched item streams through a ring buffer in memory that demuxers read at will,
        // as from a file (Ogg finds its duration by reading its end; a seek past what the
        // buffer holds asks the server for that range). Not progressive download, which
        // keeps the whole item in a file in the user's cache folder, however large the
        // source an ad's page names (300 MB of it for a 300 MB source). Subtitles are off.
        // Native video: playbin adds no converter or scaler of its own between a decoder and
        // our bin, which does both, so a decoder's pictures reach the bin's size check as
        // the decoder announces them.
        constexpr guint kVideo = 0x1, kAudio = 0x2, kSoftVolume = 0x10, kNativeVideo = 0x40;
        g_object_set(playbin_, "video-sink", videoBin, "audio-sink", audioBin, "flags",
                     kVideo | kAudio | kSoftVolume | kNativeVideo, "ring-buffer-max-size",
                     guint64(kStreamBufferBytes), nullptr);
        g_signal_connect_data(
            playbin_, "deep-element-added", G_CALLBACK(&Core::onElementAdded),
            new std::shared_ptr<Link>(link_), [](gpointer p, GClosure*) { freeLink(p); },
            GConnectFlags(0));
        GstBus* bus = gst_element_get_bus(playbin_);
        gst_bus_set_sync_handler(bus, &Core::onBusMessage, new std::shared_ptr<Link>(link_),
                                 [](gpointer p) { delete static_cast<std::shared_ptr<Link>*>(p); });
        gst_object_unref(bus);
        applyVolume();
        std::lock_guard lock(link_->audioMutex);
        link_->audio = audio_;
        return true;
    }

    void shutdown() {
        if (!playbin_) return;
        // Stopping joins GStreamer's threads of this pipeline: no callback runs after it.
        gst_element_set_state(playbin_, GST_STATE_NULL);
        GstBus* bus = gst_element_get_bus(playbin_);
        gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
        gst_bus_set_flushing(bus, TRUE);
        gst_object_unref(bus);
        dropMessages();
        GstAppSinkCallbacks none{};
        for (GstElement* sink : {videoSink_, audioSink_}) {
            if (sink) gst_app_sink_set_callbacks(GST_APP_SINK(sink), &none, nullptr, nullptr);
        }
        if (videoCaps_) gst_object_unref(videoCaps_);
        if (videoSink_) gst_object_unref(videoSink_);
        if (audioSink_) gst_object_unref(audioSink_);
        gst_object_unref(playbin_);
        playbin_ = nullptr;
        videoCaps_ = videoSink_ = audioSink_ = nullptr;
        link_.reset();
        // What it freed below the top of a heap stays resident until asked for
        // (keepFreedPicturesShort gives back the tops).
        malloc_trim(0);
    }

    bool usable() const { return playbin_ != nullptr; }

    GstMediaPlayerBackend::VideoDecoding videoDecoding() const {
        if (!link_) return {};
        std::lock_guard lock(link_->decodingMutex);
        return link_->decoding;
    }

    // A pipeline serves one item, and goes with it. Playbin taken down while an item was still
    // starting (its decoding threads still linking streams to the sinks) leaves its stream
    // synchronizer with a pad the next item asks for again, and that item then aborts in
    // playsink; a fresh pipeline carries nothing of the item before. Nothing the old pipeline
    // said reaches the player: its messages and pictures go with it.
    void setItem(const std::optional<Url>& url) {
        hasItem_ = false;
        ready_ = false;
        failed_ = false;
        playing_ = false;
        pendingSeek_.reset();
        lastPosition_ = 0;
        buffering_ = 100;
        shutdown();
        if (!url) return;
        if (!build()) {
            shutdown();
            failSoon("no media backend");
            return;
        }
        hasItem_ = true;
        g_object_set(playbin_, "uri", url->absoluteString().c_str(), nullptr);
        if (gst_element_set_state(playbin_, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE)
            failSoon("the pipeline does not start");
    }

    void setPlaying(bool playing) {
        playing_ = playing;
        if (!playbin_ || !hasItem_ || failed_) return;
        gst_element_set_state(playbin_, playing ? GST_STATE_PLAYING : GST_STATE_PAUSED);
    }

    void seek(double s) {
        if (!playbin_ || !hasItem_) return;
        lastPosition_ = s;
        if (!ready_) {
            pendingSeek_ = s;
            return;
        }
        gst_element_seek_simple(playbin_, GST_FORMAT_TIME,
                                GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                                static_cast<gint64>(s / kNanosecond));
    }

    double position() const {
        if (!playbin_ || !hasItem_) return 0;
        gint64 ns = 0;
        if (ready_ && gst_element_query_position(playbin_, GST_FORMAT_TIME, &ns)) {
            if (auto s = seconds(ns)) lastPosition_ = *s;
        }
        return lastPosition_;
    }

    // The settings below outlive the item's pipeline: each new one gets them.
    void setVolume(double volume, bool muted) {
        volume_ = volume;
        muted_ = muted;
        applyVolume();
    }

    void setPictureLimit(int width, int height) {
        if (width < 1 || height < 1) return;
        // A range needs two ends apart; nothing is shown smaller than 2 x 2 anyway.
        width = std::max(width, 2);
        height = std::max(height, 2);
        if (width == limitWidth_ && height == limitHeight_) return;
        limitWidth_ = width;
        limitHeight_ = height;
        applyPictureLimit();
    }

    void setAudioOutput(AudioOutput output) {
        audio_ = output;
        if (!link_) return;
        std::lock_guard lock(link_->audioMutex);
        link_->audio = std::move(output);
    }

    MediaPlayerBackendClient* client = nullptr;

  private:
    void applyVolume() {
        if (playbin_)
            g_object_set(playbin_, "volume", volume_, "mute", muted_ ? TRUE : FALSE, nullptr);
    }

    void applyPictureLimit() {
        if (!videoCaps_ || limitWidth_ < 1) return;
        // Square pixels: the picture keeps its shape by its size (the view letterboxes it), where
        // a free pixel shape let the scaler fill the limit and the view drew it stretched.
        GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "RGBA", "width",
                                            GST_TYPE_INT_RANGE, 1, limitWidth_, "height",
                                            GST_TYPE_INT_RANGE, 1, limitHeight_,
                                            "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
        g_object_set(videoCaps_, "caps", caps, nullptr);
        gst_caps_unref(caps);
    }

    GstElement* makeVideoBin() {
        GstElement* bin = gst_bin_new("movu-video");
        // A decoder announcing a larger picture fails to negotiate here, before it makes
        // buffers of that size.
        GstElement* limit = gst_element_factory_make("capsfilter", nullptr);
        GstElement* convert = gst_element_factory_make("videoconvert", nullptr);
        GstElement* scale = gst_element_factory_make("videoscale", nullptr);
        videoCaps_ = gst_element_factory_make("capsfilter", nullptr);
        videoSink_ = gst_element_factory_make("appsink", nullptr);
        if (!limit || !convert || !scale || !videoCaps_ || !videoSink_) return nullptr;
        gst_object_ref(videoCaps_);
        gst_object_ref(videoSink_);
        GstCaps* largest = gst_caps_new_simple("video/x-raw", "width", GST_TYPE_INT_RANGE, 1,
                                               kMaxVideoPictureWidth, "height", GST_TYPE_INT_RANGE,
                                               1, kMaxVideoPictureHeight, nullptr);
        gst_caps_set_features(largest, 0, gst_caps_features_new_any());
        g_object_set(limit, "caps", largest, nullptr);
        gst_caps_unref(largest);
        gst_bin_add_many(GST_BIN(bin), limit, convert, scale, videoCaps_, videoSink_, nullptr);
        gst_element_link_many(limit, convert, scale, videoCaps_, videoSink_, nullptr);
        // The view's size, told before this item's pipeline was made (a held player's, or the
        // next item's), stays the limit.
        applyPictureLimit();
        g_object_set(videoSink_, "sync", TRUE, "max-buffers", 2, "drop", TRUE, nullptr);
        GstAppSinkCallbacks callbacks{};
        callbacks.new_sample = &Core::onVideoSample;
        callbacks.new_preroll = &Core::onVideoPreroll;
        gst_app_sink_set_callbacks(GST_APP_SINK(videoSink_), &callbacks,
                                   new std::shared_ptr<Link>(link_), &Core::freeLink);
        addGhostPad(bin, limit);
        return bin;
    }

    GstElement* makeAudioBin() {
        GstElement* bin = gst_bin_new("movu-audio");
        GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
        GstElement* resample = gst_element_factory_make("audioresample", nullptr);
        GstElement* caps = gst_element_factory_make("capsfilter", nullptr);
        audioSink_ = gst_element_factory_make("appsink", nullptr);
        if (!convert || !resample || !caps || !audioSink_) return nullptr;
        gst_object_ref(audioSink_);
        GstCaps* pcm = gst_caps_new_simple(
            "audio/x-raw", "format", G_TYPE_STRING, "S16LE", "layout", G_TYPE_STRING, "interleaved",
            "rate", G_TYPE_INT, kAudioRate, "channels", G_TYPE_INT, 2, nullptr);
        g_object_set(caps, "caps", pcm, nullptr);
        gst_caps_unref(pcm);
        gst_bin_add_many(GST_BIN(bin), convert, resample, caps, audioSink_, nullptr);
        gst_element_link_many(convert, resample, caps, audioSink_, nullptr);
        g_object_set(audioSink_, "sync", TRUE, nullptr);
        GstAppSinkCallbacks callbacks{};
        callbacks.new_sample = &Core::onAudioSample;
        gst_app_sink_set_callbacks(GST_APP_SINK(audioSink_), &callbacks,
                                   new std::shared_ptr<Link>(link_), &Core::freeLink);
        addGhostPad(bin, convert);
        return bin;
    }

    static void addGhostPad(GstElement* bin, GstElement* first) {
        GstPad* pad = gst_element_get_static_pad(first, "sink");
        gst_element_add_pad(bin, gst_ghost_pad_new("sink", pad));
        gst_object_unref(pad);
    }

    static void freeLink(gpointer p) { delete static_cast<std::shared_ptr<Link>*>(p); }

    // GStreamer's threads from here to the end of the section: post only.

    // Every element playbin and its bins add; a video (or picture) decoder gets its watch, and
    // the ring buffer a fetched item streams through its guard (GstRingBufferGuard.h).
    static void onElementAdded(GstBin*, GstBin*, GstElement* element, gpointer data) {
        GstElementFactory* factory = gst_element_get_factory(element);
        if (factory && g_strcmp0(gst_plugin_feature_get_name(factory), "queue2") == 0) {
            guardGstRingBufferSeeks(element);
            return;
        }
        const gchar* klass =
            factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS)
                    : nullptr;
        if (!klass) return;
        const std::string_view kind(klass);
        if (kind.find("Decoder") == std::string_view::npos ||
            (kind.find("Video") == std::string_view::npos &&
             kind.find("Image") == std::string_view::npos)) {
            return;
        }
        auto watch = std::make_shared<DecoderWatch>();
        watch->link = *static_cast<std::shared_ptr<Link>*>(data);
        watch->decoder = element;
        auto free = [](gpointer p) { delete static_cast<std::shared_ptr<DecoderWatch>*>(p); };
        if (GstPad* sink = gst_element_get_static_pad(element, "sink")) {
            gst_pad_add_probe(
                sink,
                // Flushes too, which a probe hears only when it asks: a seek's restarts the
                // count of frames a second.
                GstPadProbeType(GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                                GST_PAD_PROBE_TYPE_EVENT_FLUSH | GST_PAD_PROBE_TYPE_BUFFER |
                                GST_PAD_PROBE_TYPE_BUFFER_LIST),
                &Core::onDecoderInput, new std::shared_ptr<DecoderWatch>(watch), free);
            gst_object_unref(sink);
        }
        if (GstPad* src = gst_element_get_static_pad(element, "src")) {
            gst_pad_add_probe(
                src,
                GstPadProbeType(GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM | GST_PAD_PROBE_TYPE_BUFFER),
                &Core::onDecoderOutput, new std::shared_ptr<DecoderWatch>(watch), free);
            gst_object_unref(src);
        }
    }

    // The first structure of a caps event's caps; nothing for any other event.
    static const GstStructure* capsOfEvent(GstEvent* event) {
        if (GST_EVENT_TYPE(event) != GST_EVENT_CAPS) return nullptr;
        GstCaps* caps = nullptr;
        gst_event_parse_caps(event, &caps);
        return caps ? gst_caps_get_structure(caps, 0) : nullptr;
    }

    // What caps say of their frames a second; 0 when they do not (a variable rate: "0/1").
    static double capsFramesPerSecond(const GstStructure* s) {
        gint numerator = 0, denominator = 0;
        if (!gst_structure_get_fraction(s, "framerate", &numerator, &denominator) ||
            denominator <= 0 || numerator <= 0) {
            return 0;
        }
        return double(numerator) / double(denominator);
    }

    // Too large, or too many a second at that size; nothing when neither.
    static std::optional<VideoRefusal> judge(VideoPictureSize size, double framesPerSecond) {
        if (isVideoPictureTooLarge(size)) return VideoRefusal{size, videoPictureRefusal(size)};
        if (auto reason = videoRateRefusal(size, framesPerSecond))
            return VideoRefusal{size, std::move(*reason)};
        return std::nullopt;
    }

    static void noteLargest(DecoderWatch& watch, VideoPictureSize size) {
        std::lock_guard lock(watch.mutex);
        if (size.width * std::int64_t(size.height) >
            watch.largest.width * std::int64_t(watch.largest.height)) {
            watch.largest = size;
        }
    }

    static std::optional<VideoPictureSize> capsPictureSize(const GstStructure* s) {
        gint width = 0, height = 0;
        if (!gst_structure_get_int(s, "width", &width) ||
            !gst_structure_get_int(s, "height", &height)) {
            return std::nullopt;
        }
        return VideoPictureSize{width, height};
    }

    static std::optional<VideoPictureSize> bufferPictureSize(const std::string& mediaType,
                                                             GstBuffer* buffer) {
        GstMapInfo map;
        if (!buffer || !gst_buffer_map(buffer, &map, GST_MAP_READ)) return std::nullopt;
        auto size = videoPictureSizeOfPacket(mediaType, map.data, map.size);
        gst_buffer_unmap(buffer, &map);
        return size;
    }

    // Once: the decoder hears no more of its stream, and the item fails with the reason.
    static void refuse(DecoderWatch& watch, const VideoRefusal& refusal) {
        {
            std::lock_guard lock(watch.mutex);
            if (watch.refused) return;
            watch.refused = true;
        }
        {
            std::lock_guard lock(watch.link->decodingMutex);
            watch.link->decoding.refusedPicture = refusal.picture;
            watch.link->decoding.refusal = refusal.reason;
        }
        GError* error =
            g_error_new_literal(GST_STREAM_ERROR, GST_STREAM_ERROR_FORMAT, refusal.reason.c_str());
        gst_element_post_message(watch.decoder,
                                 gst_message_new_error(GST_OBJECT(watch.decoder), error, nullptr));
        g_error_free(error);
    }

    // Whether the packet may reach the decoder (a refused stream's may not): its own headers
    // may name a picture too large, and its time stamp, with those before it, how many
    // pictures of the largest size named so far come in a second.
    static bool admitPacket(DecoderWatch& watch, GstBuffer* buffer) {
        std::string mediaType;
        std::optional<VideoRefusal> pending;
        {
            std::lock_guard lock(watch.mutex);
            if (watch.refused) return false;
            mediaType = watch.mediaType;
            pending = watch.pending;
        }
        if (pending) {
            refuse(watch, *pending);
            return false;
        }
        if (auto size = bufferPictureSize(mediaType, buffer)) {
            if (isVideoPictureTooLarge(*size)) {
                refuse(watch, {*size, videoPictureRefusal(*size)});
                return false;
            }
            noteLargest(watch, *size);
        }
        std::optional<std::int64_t> stamp;
        if (GST_BUFFER_PTS_IS_VALID(buffer)) {
            stamp = std::int64_t(GST_BUFFER_PTS(buffer));
        } else if (GST_BUFFER_DTS_IS_VALID(buffer)) {
            stamp = std::int64_t(GST_BUFFER_DTS(buffer));
        }
        VideoPictureSize largest;
        std::size_t framesInASecond = 0;
        {
            std::lock_guard lock(watch.mutex);
            largest = watch.largest;
            framesInASecond = watch.frames.add(stamp);
        }
        if (auto reason = videoFrameCountRefusal(largest, framesInASecond)) {
            refuse(watch, {largest, std::move(*reason)});
            return false;
        }
        std::lock_guard lock(watch.link->decodingMutex);
        ++watch.link->decoding.packetsDecoded;
        return true;
    }

    // The container's caps name the picture (and may carry the codec's headers) before the
    // first packet: a picture past the limit there is remembered, and the decoder is never
    // told of the stream.
    static GstPadProbeReturn watchInputCaps(DecoderWatch& watch, const GstStructure* s) {
        const std::string mediaType = gst_structure_get_name(s);
        {
            std::lock_guard lock(watch.mutex);
            watch.mediaType = mediaType;
        }
        std::optional<VideoPictureSize> size = capsPictureSize(s);
        const GValue* headers = gst_structure_get_value(s, "streamheader");
        if (headers && GST_VALUE_HOLDS_ARRAY(headers)) {
            for (guint i = 0; i < gst_value_array_get_size(headers); ++i) {
                const GValue* header = gst_value_array_get_value(headers, i);
                if (!GST_VALUE_HOLDS_BUFFER(header)) continue;
                auto named = bufferPictureSize(mediaType, gst_value_get_buffer(header));
                if (named && (!size || isVideoPictureTooLarge(*named))) size = named;
            }
        }
        if (!size) return GST_PAD_PROBE_OK;
        noteLargest(watch, *size);
        auto refusal = judge(*size, capsFramesPerSecond(s));
        if (!refusal) return GST_PAD_PROBE_OK;
        std::lock_guard lock(watch.mutex);
        watch.pending = std::move(refusal);
        return GST_PAD_PROBE_DROP;
    }

    // The caps first (see above); then each packet's own headers are read before the decoder
    // takes it.
    static GstPadProbeReturn onDecoderInput(GstPad*, GstPadProbeInfo* info, gpointer data) {
        auto& watch = **static_cast<std::shared_ptr<DecoderWatch>*>(data);
        if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
            GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
            if (GST_EVENT_TYPE(event) == GST_EVENT_EOS) {
                // A stream that ends before its first packet is refused all the same.
                std::optional<VideoRefusal> pending;
                {
                    std::lock_guard lock(watch.mutex);
                    pending = watch.pending;
                }
                if (pending) refuse(watch, *pending);
                return GST_PAD_PROBE_OK;
            }
            if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP) {
                // A seek: the stamps start again from where it went.
                std::lock_guard lock(watch.mutex);
                watch.frames = {};
                return GST_PAD_PROBE_OK;
            }
            const GstStructure* s = capsOfEvent(event);
            return s ? watchInputCaps(watch, s) : GST_PAD_PROBE_OK;
        }
        if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
            return admitPacket(watch, GST_PAD_PROBE_INFO_BUFFER(info)) ? GST_PAD_PROBE_OK
                                                                       : GST_PAD_PROBE_DROP;
        }
        if (info->type & GST_PAD_PROBE_TYPE_BUFFER_LIST) {
            GstBufferList* list = GST_PAD_PROBE_INFO_BUFFER_LIST(info);
            for (guint i = 0; i < gst_buffer_list_length(list); ++i) {
                if (!admitPacket(watch, gst_buffer_list_get(list, i))) return GST_PAD_PROBE_DROP;
            }
        }
        return GST_PAD_PROBE_OK;
    }

    // What the decoder says it outputs comes before it sizes its buffers by it; the video bin
    // then refuses a picture past the limit. Its decoded pictures are counted.
    static GstPadProbeReturn onDecoderOutput(GstPad*, GstPadProbeInfo* info, gpointer data) {
        auto& watch = **static_cast<std::shared_ptr<DecoderWatch>*>(data);
        if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
            const GstStructure* s = capsOfEvent(GST_PAD_PROBE_INFO_EVENT(info));
            auto size = s ? capsPictureSize(s) : std::nullopt;
            if (!size) return GST_PAD_PROBE_OK;
            {
                std::lock_guard lock(watch.mutex);
                watch.output = *size;
            }
            noteLargest(watch, *size);
            if (auto refusal = judge(*size, capsFramesPerSecond(s))) refuse(watch, *refusal);
            return GST_PAD_PROBE_OK;
        }
        VideoPictureSize output;
        {
            std::lock_guard lock(watch.mutex);
            output = watch.output;
        }
        std::lock_guard lock(watch.link->decodingMutex);
        auto& largest = watch.link->decoding.largestDecodedPicture;
        if (output.width * std::int64_t(output.height) >
            largest.width * std::int64_t(largest.height))
            largest = output;
        return GST_PAD_PROBE_OK;
    }
    // A handler that drops a message owns the bus's reference to it: the bus unrefs only what
    // it queues. Each message holds its element, so one reference too many kept every element
    // that ever posted one (each item's source, decoders and bins) for the program's life.
    static GstBusSyncReply onBusMessage(GstBus*, GstMessage* message, gpointer data) {
        auto& link = *static_cast<std::shared_ptr<Link>*>(data);
        bool post = false;
        {
            std::lock_guard lock(link->busMutex);
            link->messages.push_back(message);
            post = !link->busDrainPosted;
            link->busDrainPosted = true;
        }
        if (post) {
            MainLoop::main().post([weak = link->core] {
                if (auto core = weak.lock()) core->drainBus();
            });
        }
        return GST_BUS_DROP;
    }

    static GstFlowReturn onVideoPreroll(GstAppSink* sink, gpointer data) {
        GstSample* sample = gst_app_sink_pull_preroll(sink);
        if (sample) {
            takeFrame(*static_cast<std::shared_ptr<Link>*>(data), sample);
            gst_sample_unref(sample);
        }
        return GST_FLOW_OK;
    }

    static GstFlowReturn onVideoSample(GstAppSink* sink, gpointer data) {
        GstSample* sample = gst_app_sink_pull_sample(sink);
        if (!sample) return GST_FLOW_EOS;
        takeFrame(*static_cast<std::shared_ptr<Link>*>(data), sample);
        gst_sample_unref(sample);
        return GST_FLOW_OK;
    }

    static void takeFrame(const std::shared_ptr<Link>& link, GstSample* sample) {
        GstVideoInfo info;
        GstCaps* caps = gst_sample_get_caps(sample);
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        if (!caps || !buffer || !gst_video_info_from_caps(&info, caps)) return;
        GstVideoFrame frame;
        if (!gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) return;
        const int width = GST_VIDEO_FRAME_WIDTH(&frame);
        const int height = GST_VIDEO_FRAME_HEIGHT(&frame);
        const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
        const auto* src = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
        std::vector<std::uint8_t> rgba(std::size_t(width) * std::size_t(height) * 4);
        for (int y = 0; y < height; ++y) {
            std::copy_n(src + std::size_t(y) * stride, std::size_t(width) * 4,
                        rgba.begin() + std::ptrdiff_t(y) * width * 4);
        }
        gst_video_frame_unmap(&frame);
        gfx::Image image(width, height, gfx::Image::ColorSpace::RGB, false, std::move(rgba));
        bool post = false;
        {
            std::lock_guard lock(link->frameMutex);
            link->frame = std::move(image);
            post = !link->framePosted;
            link->framePosted = true;
        }
        if (post) {
            MainLoop::main().post([weak = link->core] {
                if (auto core = weak.lock()) core->deliverFrame();
            });
        }
    }

    static GstFlowReturn onAudioSample(GstAppSink* sink, gpointer data) {
        GstSample* sample = gst_app_sink_pull_sample(sink);
        if (!sample) return GST_FLOW_EOS;
        auto& link = *static_cast<std::shared_ptr<Link>*>(data);
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        GstMapInfo map;
        if (buffer && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            std::lock_guard lock(link->audioMutex);
            if (link->audio) {
                link->audio(reinterpret_cast<const std::int16_t*>(map.data),
                            map.size / (2 * sizeof(std::int16_t)));
            }
            gst_buffer_unmap(buffer, &map);
        }
        gst_sample_unref(sample);
        return GST_FLOW_OK;
    }
    // End of GStreamer's threads.

    void failSoon(const std::string& reason) {
        failed_ = true;
        MainLoop::main().post([weak = weak_from_this(), reason] {
            if (auto core = weak.lock(); core && core->client)
                core->client->backendItemFailed(reason);
        });
    }

    void deliverFrame() {
        if (!link_) return;
        std::optional<gfx::Image> frame;
        {
            std::lock_guard lock(link_->frameMutex);
            frame.swap(link_->frame);
            link_->framePosted = false;
        }
        if (frame && hasItem_ && client) client->backendFrame(std::move(*frame));
    }

    std::deque<GstMessage*> takeMessages() {
        if (!link_) return {};
        std::lock_guard lock(link_->busMutex);
        link_->busDrainPosted = false;
        return std::exchange(link_->messages, {});
    }

    void dropMessages() {
        for (GstMessage* message : takeMessages()) gst_message_unref(message);
    }

    void drainBus() {
        auto self = shared_from_this();
        for (GstMessage* message : takeMessages()) {
            if (playbin_) handle(message);
            gst_message_unref(message);
        }
    }

    void handle(GstMessage* message) {
        if (!hasItem_ || failed_) return;
        switch (GST_MESSAGE_TYPE(message)) {
            case GST_MESSAGE_ERROR: {
                GError* error = nullptr;
                gst_message_parse_error(message, &error, nullptr);
                std::string reason = error ? error->message : "unknown error";
                if (error) g_error_free(error);
                failed_ = true;
                gst_element_set_state(playbin_, GST_STATE_NULL);
                if (client) client->backendItemFailed(reason);
                break;
            }
            case GST_MESSAGE_EOS:
                if (!ready_) {
                    // A file that ends before it can show anything (cut after its headers).
                    failed_ = true;
                    gst_element_set_state(playbin_, GST_STATE_NULL);
                    if (client) client->backendItemFailed("the media ends before it starts");
                } else if (client) {
                    client->backendItemDidPlayToEnd();
                }
                break;
            case GST_MESSAGE_ASYNC_DONE:
                if (GST_MESSAGE_SRC(message) == GST_OBJECT(playbin_) && !ready_) becomeReady();
                break;
            case GST_MESSAGE_BUFFERING: {
                gint percent = 100;
                gst_message_parse_buffering(message, &percent);
                buffering_ = percent;
                if (ready_ && client)
                    client->backendBufferingChanged(percent >= 100, percent >= 100);
                break;
            }
            case GST_MESSAGE_DURATION_CHANGED:
                if (ready_ && client) client->backendDurationChanged(queryDuration());
                break;
            default:
                break;
        }
    }

    std::optional<double> queryDuration() const {
        gint64 ns = -1;
        if (!gst_element_query_duration(playbin_, GST_FORMAT_TIME, &ns)) return std::nullopt;
        auto s = seconds(ns);
        if (s && *s <= 0) return std::nullopt;
        return s;
    }

    void becomeReady() {
        ready_ = true;
        MediaPlayerBackendClient::ItemFacts facts;
        facts.duration = queryDuration();
        gint videos = 0, audios = 0;
        g_object_get(playbin_, "n-video", &videos, "n-audio", &audios, nullptr);
        for (gint i = 0; i < videos; ++i) {
            GstPad* pad = nullptr;
            g_signal_emit_by_name(playbin_, "get-video-pad", i, &pad);
            Size size;
            if (pad) {
                if (GstCaps* caps = gst_pad_get_current_caps(pad)) {
                    const GstStructure* s = gst_caps_get_structure(caps, 0);
                    gint w = 0, h = 0;
                    if (s && gst_structure_get_int(s, "width", &w) &&
                        gst_structure_get_int(s, "height", &h)) {
                        size = {double(w), double(h)};
                    }
                    gst_caps_unref(caps);
                }
                gst_object_unref(pad);
            }
            facts.videoSizes.push_back(size);
        }
        for (gint i = 0; i < audios; ++i) facts.audioTrackIDs.push_back(i + 1);
        if (pendingSeek_) {
            double s = *pendingSeek_;
            pendingSeek_.reset();
            seek(s);
        }
        if (playing_) gst_element_set_state(playbin_, GST_STATE_PLAYING);
        if (!client) return;
        client->backendItemIsReady(facts);
        if (client && ready_) client->backendBufferingChanged(buffering_ >= 100, buffering_ >= 100);
    }

    GstElement* playbin_ = nullptr;
    GstElement* videoCaps_ = nullptr;
    GstElement* videoSink_ = nullptr;
    GstElement* audioSink_ = nullptr;
    std::shared_ptr<Link> link_;
    // Until a view says its size: the most an ad's video may show.
    int limitWidth_ = 1920;
    int limitHeight_ = 1080;
    double volume_ = 1;
    bool muted_ = false;
    AudioOutput audio_;
    bool hasItem_ = false;
    bool ready_ = false;
    bool failed_ = false;
    bool playing_ = false;
    int buffering_ = 100;
    std::optional<double> pendingSeek_;
    mutable double lastPosition_ = 0;
};

bool GstMediaPlayerBackend::available() {
    return startGStreamer();
}

void GstMediaPlayerBackend::install() {
    MediaPlayer::setBackendFactory([] {
        auto backend = std::make_unique<GstMediaPlayerBackend>();
        if (auto sound = GstMediaPlayerSound::create()) backend->setAudioOutput(sound->output());
        return backend;
    });
}

GstMediaPlayerBackend::GstMediaPlayerBackend() : core_(std::make_shared<Core>()) {}

GstMediaPlayerBackend::~GstMediaPlayerBackend() {
    core_->client = nullptr;
    core_->shutdown();
}

void GstMediaPlayerBackend::setAudioOutput(AudioOutput output) {
    core_->setAudioOutput(std::move(output));
}

void GstMediaPlayerBackend::setClient(MediaPlayerBackendClient* client) {
    core_->client = client;
}

void GstMediaPlayerBackend::setItem(const std::optional<Url>& url) {
    MOVU_CHECK_MAIN_THREAD();
    core_->setItem(url);
}

void GstMediaPlayerBackend::setPlaying(bool playing) {
    core_->setPlaying(playing);
}
void GstMediaPlayerBackend::seek(double seconds) {
    core_->seek(seconds);
}
double GstMediaPlayerBackend::position() const {
    return core_->position();
}

void GstMediaPlayerBackend::setVolume(float volume) {
    volume_ = volume;
    core_->setVolume(double(volume_) * mix_, muted_);
}

void GstMediaPlayerBackend::setMuted(bool muted) {
    muted_ = muted;
    core_->setVolume(double(volume_) * mix_, muted_);
}

void GstMediaPlayerBackend::setAudioMixVolume(std::optional<float> volume) {
    mix_ = volume.value_or(1.0f);
    core_->setVolume(double(volume_) * mix_, muted_);
}

void GstMediaPlayerBackend::setPictureLimit(int width, int height) {
    core_->setPictureLimit(width, height);
}

GstMediaPlayerBackend::VideoDecoding GstMediaPlayerBackend::videoDecoding() const {
    return core_->videoDecoding();
}

}  // namespace platform::services
