#pragma once

// The program's media backend on GStreamer: a playbin fetches (http(s) with ranges, files),
// demuxes, decodes, buffers and seeks; two appsinks hand over its pictures as RGBA, scaled in
// the pipeline to the showing view's pixels, and its sound as 16-bit stereo PCM at 44.1 kHz.
//
// Threads: GStreamer reports from its own threads. Its bus and its appsinks only post to the
// main loop, holding the backend weakly, and everything reaches the player there: the bus is
// read once per main-loop turn that has messages, and of the pictures only the newest waiting
// one is handed over. Before the backend is freed its pipeline stops (which ends GStreamer's
// threads for it) and the callbacks detach, so nothing arrives afterwards.
//
// Pictures larger than the limit of VideoPictureSize.h never reach a decoder: every video
// decoder's input is watched from GStreamer's thread before the decoder sees it, the size the
// container names and the size the first frames' own headers name (VP8, VP9, Theora), and
// such a stream fails ("the video is W x H, larger than 4096 x 4096") with nothing decoded.
// So does one past the bound on pixels a second when its caps name its frame rate (nothing
// decoded either); and whatever they name, its packets' time stamps count the frames each
// second brings at the largest picture named so far, and the stream fails at the first
// packet that brings more ("the video is W x H at F frames a second, more than 1920 x 1080 at
// 30"), a few frames in.
// A decoder of another codec whose container names a smaller picture than its frames is held
// by its own output: the pictures it announces are checked before it sizes its buffers, and
// the video bin takes no larger ones, so its negotiation fails; what that decoder's own
// library allocated for the first frame before announcing it is not in our hands. Playbin is
// told to add no converters of its own (our bin converts and scales), so nothing between a
// decoder and that check would scale a large picture down.
//
// A fetched item is read through a buffer of kStreamBufferBytes in memory, never stored on disk,
// and fetched by the program's own network layer (GstHttpSource.h), never by libsoup's source.
// That ring buffer (queue2) is guarded as playbin adds it (GstRingBufferGuard.h): its reads
// after a seek of its own get no more than they asked for.
//
// Each item has a pipeline of its own, made when the item is set and taken down whole when it
// is replaced or dropped (see setItem in the source for why none is reused).
//
// No test needs the network: the loopback server serves the clips tools/media_clips makes.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/services/MediaPlayer.h"
#include "platform/services/VideoPictureSize.h"

namespace platform::services {

class GstMediaPlayerBackend : public MediaPlayerBackend {
  public:
    // Interleaved stereo samples, on a GStreamer thread; must not block for long.
    using AudioOutput = std::function<void(const std::int16_t* samples, std::size_t frames)>;
    static constexpr int kAudioRate = 44100;
    // A whole ad video of a minute at 2 Mbit/s: it plays and replays without asking again;
    // a larger item streams, its far parts fetched by range as they are read.
    static constexpr std::uint64_t kStreamBufferBytes = 16 << 20;

    // False when GStreamer or a needed element (playbin, appsink) is missing; the reason is
    // logged once.
    static bool available();
    // Makes MediaPlayer::create() use this backend, its sound played in the OpenAL context
    // current when the player is made (none: no sound).
    static void install();

    GstMediaPlayerBackend();
    ~GstMediaPlayerBackend() override;

    void setAudioOutput(AudioOutput output);

    void setClient(MediaPlayerBackendClient* client) override;
    void setItem(const std::optional<Url>& url) override;
    void setPlaying(bool playing) override;
    void seek(double seconds) override;
    double position() const override;
    bool hasOwnVolume() const override { return true; }
    bool hasOwnMute() const override { return true; }
    void setVolume(float volume) override;
    void setMuted(bool muted) override;
    void setAudioMixVolume(std::optional<float> volume) override;
    void setPictureLimit(int width, int height) override;

    // What the video decoders of the current item were handed and gave: the packets that
    // reached one, the largest picture one decoded, and the picture refused, if any, with the
    // reason the item failed with. Main thread; GStreamer's threads count.
    struct VideoDecoding {
        std::uint64_t packetsDecoded = 0;
        VideoPictureSize largestDecodedPicture;
        std::optional<VideoPictureSize> refusedPicture;
        std::string refusal;
    };
    VideoDecoding videoDecoding() const;

    class Core;

  private:
    std::shared_ptr<Core> core_;
    float volume_ = 1;
    bool muted_ = false;
    float mix_ = 1;
};

}  // namespace platform::services
