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
// No test needs the network: the loopback server serves the clips tools/media_clips makes.

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/services/MediaPlayer.h"

namespace platform::services {

class GstMediaPlayerBackend : public MediaPlayerBackend {
  public:
    // Interleaved stereo samples, on a GStreamer thread; must not block for long.
    using AudioOutput = std::function<void(const std::int16_t* samples, std::size_t frames)>;
    static constexpr int kAudioRate = 44100;

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

    class Core;

  private:
    std::shared_ptr<Core> core_;
    float volume_ = 1;
    bool muted_ = false;
    float mix_ = 1;
};

}  // namespace platform::services
