#pragma once

// A media player: one item (a URL) at a time, played, paused and sought, with what an observer
// needs to follow it. The work of fetching, decoding and timing is a backend's
// (MediaPlayerBackend: GStreamer in the program, a scripted one in tests); the player keeps the
// state its observer reads and tells the observer of every change.
//
// Main thread only. The backend reports on the main thread as well; a backend whose work runs on
// other threads posts there first.
//
// The rules the observer can rely on:
// - status: unknown until an item is ready, ready to play while the last item that settled is
//   playable, failed after an item failed; a later item that becomes ready makes a failed player
//   ready again.
// - Replacing the item forgets everything about the old one (duration unknown, buffering flags
//   off, no sizes, no tracks, no picture) and keeps the rate.
// - An item that plays to its end is reported before the rate drops to 0.
// - Time ticks: every quarter second of playback, and once at every start, stop and seek.
// - Bad numbers change nothing: a seek that is not finite is ignored and a negative one seeks
//   to 0; a volume (the player's own or the audio mix's) outside 0..1 is ignored.
// - Held (setHeld), the backend has no item: nothing is fetched or decoded, not even a first
//   picture. The player keeps its item, its rate and where it was (a seek moves that), tells
//   its observer of rate changes and seeks as ever, but its time stands still and no ticks
//   come. Let go, the backend is given the item again at that place and plays if the rate
//   says so; what the item is (its status, duration, sizes, picture) is kept meanwhile, so
//   the observer hears of no change for the item coming back.
//
// Who keeps whom: the player owns its backend and holds its observer and its view weakly; the
// backend's client pointer is detached before the backend goes.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Geometry.h"
#include "platform/base/Url.h"
#include "platform/gfx/Image.h"

namespace platform {
class Timer;
}

namespace platform::services {

class MediaPlayer;

enum class MediaPlayerStatus { Unknown = 0, ReadyToPlay = 1, Failed = 2 };

// What changed, for observers that follow a few of the player's properties.
enum class MediaPlayerChange { Status, Rate, Duration, PlaybackLikelyToKeepUp, PlaybackBufferFull };

class MediaPlayerObserver {
  public:
    virtual ~MediaPlayerObserver() = default;
    virtual void mediaPlayerDidChange(MediaPlayer&, MediaPlayerChange) {}
    virtual void mediaPlayerItemDidPlayToEnd(MediaPlayer&) {}
    // Every item that fails, after the status says so (which changes only for the first of
    // several in a row).
    virtual void mediaPlayerItemDidFail(MediaPlayer&) {}
    virtual void mediaPlayerTimeDidTick(MediaPlayer&, double /*seconds*/) {}
};

// Where the newest picture goes (MediaPlayerView).
class MediaPlayerFrameSink {
  public:
    virtual ~MediaPlayerFrameSink() = default;
    // An empty image: no picture (no item, or a new one without its first frame yet).
    virtual void mediaPlayerDidShowFrame(const gfx::Image& frame) = 0;
};

// What a backend says about its item; everything on the main thread.
class MediaPlayerBackendClient {
  public:
    virtual ~MediaPlayerBackendClient() = default;
    struct ItemFacts {
        std::optional<double> duration;  // none: not known (a live stream, say)
        std::vector<Size> videoSizes;    // per video track, in order; zero when not known
        std::vector<int> audioTrackIDs;
    };
    virtual void backendItemIsReady(const ItemFacts& facts) = 0;
    virtual void backendItemFailed(const std::string& reason) = 0;
    virtual void backendBufferingChanged(bool likelyToKeepUp, bool bufferFull) = 0;
    virtual void backendDurationChanged(std::optional<double> duration) = 0;
    virtual void backendItemDidPlayToEnd() = 0;
    virtual void backendFrame(gfx::Image frame) = 0;
};

class MediaPlayerBackend {
  public:
    virtual ~MediaPlayerBackend() = default;
    // nullptr detaches: nothing reaches the old client afterwards.
    virtual void setClient(MediaPlayerBackendClient* client) = 0;
    // Starts loading the item (replacing any); none drops the item.
    virtual void setItem(const std::optional<Url>& url) = 0;
    virtual void setPlaying(bool playing) = 0;
    virtual void seek(double seconds) = 0;
    virtual double position() const = 0;
    // Capabilities: a backend without its own volume or mute switch is driven through the
    // audio mix instead.
    virtual bool hasOwnVolume() const = 0;
    virtual bool hasOwnMute() const = 0;
    virtual void setVolume(float) {}
    virtual void setMuted(bool) {}
    // Every audio track of the item at this volume; none removes the mix.
    virtual void setAudioMixVolume(std::optional<float> volume) = 0;
    // The largest picture worth decoding to: the showing view's pixels.
    virtual void setPictureLimit(int /*width*/, int /*height*/) {}
};

class MediaPlayer : public MediaPlayerBackendClient,
                    public std::enable_shared_from_this<MediaPlayer> {
    struct Private {};

  public:
    static constexpr double kTickInterval = 0.25;
    // Backends come from the factory the program installs; without one every item fails.
    using BackendFactory = std::function<std::unique_ptr<MediaPlayerBackend>()>;
    static void setBackendFactory(BackendFactory factory);
    static std::shared_ptr<MediaPlayer> create(const std::optional<Url>& url = std::nullopt);
    static std::shared_ptr<MediaPlayer> create(std::unique_ptr<MediaPlayerBackend> backend,
                                               const std::optional<Url>& url = std::nullopt);
    MediaPlayer(Private, std::unique_ptr<MediaPlayerBackend> backend);
    ~MediaPlayer() override;
    MediaPlayer(const MediaPlayer&) = delete;
    MediaPlayer& operator=(const MediaPlayer&) = delete;

    void setObserver(std::weak_ptr<MediaPlayerObserver> observer) {
        observer_ = std::move(observer);
    }
    void setFrameSink(std::weak_ptr<MediaPlayerFrameSink> sink);

    void replaceCurrentItem(const std::optional<Url>& url);
    bool hasItem() const { return item_.has_value(); }
    const std::optional<Url>& currentItemURL() const { return item_; }

    void play() { setRate(1.0f); }
    void pause() { setRate(0.0f); }
    // Any rate other than 0 plays at normal speed; the rate is kept as given.
    void setRate(float rate);
    float rate() const { return rate_; }
    void seekToTime(double seconds);
    double currentTime() const;

    MediaPlayerStatus status() const { return status_; }
    std::optional<double> duration() const { return duration_; }
    bool playbackLikelyToKeepUp() const { return likelyToKeepUp_; }
    bool playbackBufferFull() const { return bufferFull_; }
    const std::vector<Size>& videoSizes() const { return videoSizes_; }
    const std::vector<int>& audioTrackIDs() const { return audioTrackIDs_; }
    const gfx::Image& currentFrame() const { return frame_; }

    bool hasOwnVolume() const;
    bool hasOwnMute() const;
    void setVolume(float volume);
    float volume() const { return volume_; }
    void setMuted(bool muted);
    bool muted() const { return muted_; }
    // The item's audio mix: every track at this volume; none (or exactly 1) removes it.
    void setAudioMixVolume(std::optional<float> volume);
    std::optional<float> audioMixVolume() const { return audioMix_; }

    void setPictureLimit(int width, int height);

    void setHeld(bool held);
    bool isHeld() const { return held_; }

  private:
    void backendItemIsReady(const ItemFacts& facts) override;
    void backendItemFailed(const std::string& reason) override;
    void backendBufferingChanged(bool likelyToKeepUp, bool bufferFull) override;
    void backendDurationChanged(std::optional<double> duration) override;
    void backendItemDidPlayToEnd() override;
    void backendFrame(gfx::Image frame) override;

    void setStatus(MediaPlayerStatus status);
    void changed(MediaPlayerChange change);
    void tick();
    void updateTicking();
    void showFrame(const gfx::Image& frame);

    std::unique_ptr<MediaPlayerBackend> backend_;
    std::weak_ptr<MediaPlayerObserver> observer_;
    std::weak_ptr<MediaPlayerFrameSink> frameSink_;
    std::shared_ptr<Timer> ticker_;
    std::optional<Url> item_;
    MediaPlayerStatus status_ = MediaPlayerStatus::Unknown;
    float rate_ = 0;
    std::optional<double> duration_;
    bool likelyToKeepUp_ = false;
    bool bufferFull_ = false;
    std::vector<Size> videoSizes_;
    std::vector<int> audioTrackIDs_;
    gfx::Image frame_;
    float volume_ = 1;
    bool muted_ = false;
    std::optional<float> audioMix_;
    bool held_ = false;
    // Where the item stands while held.
    double heldAt_ = 0;
};

}  // namespace platform::services
