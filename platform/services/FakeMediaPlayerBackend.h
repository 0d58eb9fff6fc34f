#pragma once

// A media backend a test scripts: it records what the player asks (items, play, seeks, volumes,
// mixes, picture limits) and reports what the test says, when the test says it (ready, failed,
// buffering, end, frames). Its position follows the installed clock while playing, from the
// last seek. Main thread only.
//
// The test keeps a shared handle; the player owns a forwarding backend, so the handle outlives
// the player and says whether the player detached.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/services/MediaPlayer.h"

namespace platform::services::testing {

class FakeMediaPlayerBackend : public std::enable_shared_from_this<FakeMediaPlayerBackend> {
  public:
    struct Options {
        bool ownVolume = true;
        bool ownMute = true;
    };
    static std::shared_ptr<FakeMediaPlayerBackend> create(Options options);
    static std::shared_ptr<FakeMediaPlayerBackend> create() { return create(Options{}); }
    explicit FakeMediaPlayerBackend(Options options) : options_(options) {}

    // A backend for a player; every backend made from this handle reports through it.
    std::unique_ptr<MediaPlayerBackend> makeBackend();
    // Installs a factory that hands out this fake (tests of code that makes its own players).
    static void installFactory(std::shared_ptr<FakeMediaPlayerBackend> fake);

    // What the player asked.
    const std::vector<std::optional<Url>>& items() const { return items_; }
    bool attached() const { return client_ != nullptr; }
    bool playing() const { return playing_; }
    const std::vector<double>& seeks() const { return seeks_; }
    std::optional<float> volume() const { return volume_; }
    std::optional<bool> muted() const { return muted_; }
    // Each call to the mix, in order; none for a removed mix.
    const std::vector<std::optional<float>>& mixes() const { return mixes_; }
    std::pair<int, int> pictureLimit() const { return pictureLimit_; }

    // What the test makes the item do.
    void becomeReady(std::optional<double> duration, std::vector<Size> videoSizes = {},
                     std::vector<int> audioTrackIDs = {1});
    void fail(const std::string& reason = "scripted failure");
    void buffer(bool likelyToKeepUp, bool bufferFull);
    void changeDuration(std::optional<double> duration);
    void playToEnd();
    void showFrame(gfx::Image frame);
    void setPosition(double seconds);

  private:
    class Forwarder;
    friend class Forwarder;
    double position() const;

    Options options_;
    MediaPlayerBackendClient* client_ = nullptr;
    std::vector<std::optional<Url>> items_;
    bool playing_ = false;
    double position_ = 0;
    double playingSince_ = 0;
    std::vector<double> seeks_;
    std::optional<float> volume_;
    std::optional<bool> muted_;
    std::vector<std::optional<float>> mixes_;
    std::pair<int, int> pictureLimit_{0, 0};
};

}  // namespace platform::services::testing
