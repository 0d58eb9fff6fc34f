#include "platform/services/MediaPlayer.h"

#include <cmath>

#include "platform/runtime/MainLoop.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/runtime/Timer.h"
#include "platform/runtime/WeakCall.h"

namespace platform::services {

namespace {

// With no backend installed nothing can play: each item fails on the next turn, so the
// observer hears the failure the way it would hear a real one.
class UnplayableBackend : public MediaPlayerBackend {
  public:
    void setClient(MediaPlayerBackendClient* client) override { client_ = client; }
    void setItem(const std::optional<Url>& url) override {
        if (!url) return;
        auto generation = ++generation_;
        auto alive = alive_;
        MainLoop::main().post([this, alive, generation] {
            if (*alive && generation == generation_ && client_)
                client_->backendItemFailed("no media backend");
        });
    }
    ~UnplayableBackend() override { *alive_ = false; }
    void setPlaying(bool) override {}
    void seek(double) override {}
    double position() const override { return 0; }
    bool hasOwnVolume() const override { return true; }
    bool hasOwnMute() const override { return true; }
    void setAudioMixVolume(std::optional<float>) override {}

  private:
    MediaPlayerBackendClient* client_ = nullptr;
    std::uint64_t generation_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

MediaPlayer::BackendFactory& backendFactory() {
    static MediaPlayer::BackendFactory factory;
    return factory;
}

bool isVolume(float v) {
    return v >= 0.0f && v <= 1.0f;
}  // false for NaN

}  // namespace

void MediaPlayer::setBackendFactory(BackendFactory factory) {
    backendFactory() = std::move(factory);
}

std::shared_ptr<MediaPlayer> MediaPlayer::create(const std::optional<Url>& url) {
    std::unique_ptr<MediaPlayerBackend> backend;
    if (backendFactory()) backend = backendFactory()();
    if (!backend) backend = std::make_unique<UnplayableBackend>();
    return create(std::move(backend), url);
}

std::shared_ptr<MediaPlayer> MediaPlayer::create(std::unique_ptr<MediaPlayerBackend> backend,
                                                 const std::optional<Url>& url) {
    if (!backend) backend = std::make_unique<UnplayableBackend>();
    auto player = std::make_shared<MediaPlayer>(Private{}, std::move(backend));
    if (url) player->replaceCurrentItem(url);
    return player;
}

MediaPlayer::MediaPlayer(Private, std::unique_ptr<MediaPlayerBackend> backend)
    : backend_(std::move(backend)) {
    backend_->setClient(this);
}

MediaPlayer::~MediaPlayer() {
    if (ticker_) ticker_->invalidate();
    backend_->setClient(nullptr);
    backend_.reset();
}

void MediaPlayer::setFrameSink(std::weak_ptr<MediaPlayerFrameSink> sink) {
    MOVU_CHECK_MAIN_THREAD();
    frameSink_ = std::move(sink);
    if (auto s = frameSink_.lock()) s->mediaPlayerDidShowFrame(frame_);
}

void MediaPlayer::replaceCurrentItem(const std::optional<Url>& url) {
    MOVU_CHECK_MAIN_THREAD();
    item_ = url;
    const bool hadDuration = duration_.has_value();
    const bool hadKeepUp = likelyToKeepUp_;
    const bool hadFull = bufferFull_;
    duration_.reset();
    likelyToKeepUp_ = false;
    bufferFull_ = false;
    videoSizes_.clear();
    audioTrackIDs_.clear();
    audioMix_.reset();
    showFrame({});
    heldAt_ = 0;
    if (!held_) {
        backend_->setItem(url);
        if (url && rate_ != 0) backend_->setPlaying(true);
    }
    if (hadDuration) changed(MediaPlayerChange::Duration);
    if (hadKeepUp) changed(MediaPlayerChange::PlaybackLikelyToKeepUp);
    if (hadFull) changed(MediaPlayerChange::PlaybackBufferFull);
    updateTicking();
}

void MediaPlayer::setRate(float rate) {
    MOVU_CHECK_MAIN_THREAD();
    if (!std::isfinite(rate) || rate == rate_) return;
    const bool wasPlaying = rate_ != 0;
    rate_ = rate;
    if (wasPlaying != (rate != 0) && !held_) backend_->setPlaying(rate != 0);
    changed(MediaPlayerChange::Rate);
    tick();
    updateTicking();
}

void MediaPlayer::seekToTime(double seconds) {
    MOVU_CHECK_MAIN_THREAD();
    if (!std::isfinite(seconds)) return;
    if (held_) {
        heldAt_ = seconds < 0 ? 0 : seconds;
    } else {
        backend_->seek(seconds < 0 ? 0 : seconds);
    }
    tick();
    // The quarter-second beat starts again from the new position.
    if (ticker_) {
        ticker_->invalidate();
        ticker_.reset();
    }
    updateTicking();
}

double MediaPlayer::currentTime() const {
    double t = held_ ? heldAt_ : backend_->position();
    return std::isfinite(t) && t > 0 ? t : 0;
}

bool MediaPlayer::hasOwnVolume() const {
    return backend_->hasOwnVolume();
}
bool MediaPlayer::hasOwnMute() const {
    return backend_->hasOwnMute();
}

void MediaPlayer::setVolume(float volume) {
    MOVU_CHECK_MAIN_THREAD();
    if (!isVolume(volume)) return;
    volume_ = volume;
    backend_->setVolume(volume);
}

void MediaPlayer::setMuted(bool muted) {
    MOVU_CHECK_MAIN_THREAD();
    muted_ = muted;
    backend_->setMuted(muted);
}

void MediaPlayer::setAudioMixVolume(std::optional<float> volume) {
    MOVU_CHECK_MAIN_THREAD();
    if (volume && !isVolume(*volume)) return;
    if (volume && *volume == 1.0f) volume.reset();
    audioMix_ = volume;
    backend_->setAudioMixVolume(volume);
}

void MediaPlayer::setPictureLimit(int width, int height) {
    MOVU_CHECK_MAIN_THREAD();
    backend_->setPictureLimit(width, height);
}

void MediaPlayer::setHeld(bool held) {
    MOVU_CHECK_MAIN_THREAD();
    if (held == held_) return;
    if (held) {
        heldAt_ = currentTime();
        held_ = true;
        // The pipeline goes whole, with what it fetched and decoded; nothing of it reaches us
        // afterwards.
        if (item_) backend_->setItem(std::nullopt);
    } else {
        held_ = false;
        if (item_) {
            backend_->setItem(item_);
            if (heldAt_ > 0) backend_->seek(heldAt_);
            if (rate_ != 0) backend_->setPlaying(true);
        }
    }
    updateTicking();
}

void MediaPlayer::backendItemIsReady(const ItemFacts& facts) {
    if (!item_ || held_) return;
    videoSizes_ = facts.videoSizes;
    audioTrackIDs_ = facts.audioTrackIDs;
    if (facts.duration != duration_) {
        duration_ = facts.duration;
        changed(MediaPlayerChange::Duration);
    }
    setStatus(MediaPlayerStatus::ReadyToPlay);
}

void MediaPlayer::backendItemFailed(const std::string&) {
    if (!item_ || held_) return;
    auto self = shared_from_this();
    setStatus(MediaPlayerStatus::Failed);
    if (auto o = observer_.lock()) o->mediaPlayerItemDidFail(*this);
}

void MediaPlayer::backendBufferingChanged(bool likelyToKeepUp, bool bufferFull) {
    if (!item_ || held_) return;
    if (likelyToKeepUp != likelyToKeepUp_) {
        likelyToKeepUp_ = likelyToKeepUp;
        changed(MediaPlayerChange::PlaybackLikelyToKeepUp);
    }
    if (bufferFull != bufferFull_) {
        bufferFull_ = bufferFull;
        changed(MediaPlayerChange::PlaybackBufferFull);
    }
}

void MediaPlayer::backendDurationChanged(std::optional<double> duration) {
    if (!item_ || held_ || duration == duration_) return;
    duration_ = duration;
    changed(MediaPlayerChange::Duration);
}

void MediaPlayer::backendItemDidPlayToEnd() {
    if (!item_ || held_) return;
    auto self = shared_from_this();
    if (auto o = observer_.lock()) o->mediaPlayerItemDidPlayToEnd(*this);
    setRate(0);
}

void MediaPlayer::backendFrame(gfx::Image frame) {
    if (!item_ || held_) return;
    frame_ = std::move(frame);
    if (auto s = frameSink_.lock()) s->mediaPlayerDidShowFrame(frame_);
}

void MediaPlayer::setStatus(MediaPlayerStatus status) {
    if (status == status_) return;
    status_ = status;
    changed(MediaPlayerChange::Status);
}

void MediaPlayer::changed(MediaPlayerChange change) {
    // The observer may let go of the player from inside its call.
    auto self = shared_from_this();
    if (auto o = observer_.lock()) o->mediaPlayerDidChange(*this, change);
}

void MediaPlayer::tick() {
    auto self = shared_from_this();
    if (auto o = observer_.lock()) o->mediaPlayerTimeDidTick(*this, currentTime());
}

void MediaPlayer::updateTicking() {
    const bool wanted = rate_ != 0 && item_.has_value() && !held_;
    if (wanted && !ticker_) {
        ticker_ = Timer::schedule(kTickInterval, true,
                                  weakCall(weak_from_this(), [](MediaPlayer& p) { p.tick(); }));
    } else if (!wanted && ticker_) {
        ticker_->invalidate();
        ticker_.reset();
    }
}

void MediaPlayer::showFrame(const gfx::Image& frame) {
    frame_ = frame;
    if (auto s = frameSink_.lock()) s->mediaPlayerDidShowFrame(frame_);
}

}  // namespace platform::services
