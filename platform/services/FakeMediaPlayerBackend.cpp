#include "platform/services/FakeMediaPlayerBackend.h"

#include "platform/runtime/Clock.h"

namespace platform::services::testing {

class FakeMediaPlayerBackend::Forwarder : public MediaPlayerBackend {
  public:
    explicit Forwarder(std::shared_ptr<FakeMediaPlayerBackend> fake) : fake_(std::move(fake)) {}
    ~Forwarder() override { fake_->client_ = nullptr; }

    void setClient(MediaPlayerBackendClient* client) override { fake_->client_ = client; }
    void setItem(const std::optional<Url>& url) override {
        // As GStreamer's: a new item starts paused.
        fake_->items_.push_back(url);
        fake_->playing_ = false;
        fake_->position_ = 0;
        fake_->playingSince_ = Clock::monotonic();
    }
    void setPlaying(bool playing) override {
        fake_->position_ = fake_->position();
        fake_->playingSince_ = Clock::monotonic();
        fake_->playing_ = playing;
    }
    void seek(double seconds) override {
        fake_->seeks_.push_back(seconds);
        fake_->setPosition(seconds);
    }
    double position() const override { return fake_->position(); }
    bool hasOwnVolume() const override { return fake_->options_.ownVolume; }
    bool hasOwnMute() const override { return fake_->options_.ownMute; }
    void setVolume(float v) override { fake_->volume_ = v; }
    void setMuted(bool m) override { fake_->muted_ = m; }
    void setAudioMixVolume(std::optional<float> v) override { fake_->mixes_.push_back(v); }
    void setPictureLimit(int w, int h) override { fake_->pictureLimit_ = {w, h}; }

  private:
    std::shared_ptr<FakeMediaPlayerBackend> fake_;
};

std::shared_ptr<FakeMediaPlayerBackend> FakeMediaPlayerBackend::create(Options options) {
    return std::make_shared<FakeMediaPlayerBackend>(options);
}

std::unique_ptr<MediaPlayerBackend> FakeMediaPlayerBackend::makeBackend() {
    return std::make_unique<Forwarder>(shared_from_this());
}

void FakeMediaPlayerBackend::installFactory(std::shared_ptr<FakeMediaPlayerBackend> fake) {
    if (!fake) {
        MediaPlayer::setBackendFactory({});
        return;
    }
    MediaPlayer::setBackendFactory([fake] { return fake->makeBackend(); });
}

double FakeMediaPlayerBackend::position() const {
    return playing_ ? position_ + (Clock::monotonic() - playingSince_) : position_;
}

void FakeMediaPlayerBackend::setPosition(double seconds) {
    position_ = seconds;
    playingSince_ = Clock::monotonic();
}

void FakeMediaPlayerBackend::becomeReady(std::optional<double> duration,
                                         std::vector<Size> videoSizes,
                                         std::vector<int> audioTrackIDs) {
    if (client_)
        client_->backendItemIsReady({duration, std::move(videoSizes), std::move(audioTrackIDs)});
}

void FakeMediaPlayerBackend::fail(const std::string& reason) {
    if (client_) client_->backendItemFailed(reason);
}

void FakeMediaPlayerBackend::buffer(bool likelyToKeepUp, bool bufferFull) {
    if (client_) client_->backendBufferingChanged(likelyToKeepUp, bufferFull);
}

void FakeMediaPlayerBackend::changeDuration(std::optional<double> duration) {
    if (client_) client_->backendDurationChanged(duration);
}

void FakeMediaPlayerBackend::playToEnd() {
    if (client_) client_->backendItemDidPlayToEnd();
}

void FakeMediaPlayerBackend::showFrame(gfx::Image frame) {
    if (client_) client_->backendFrame(std::move(frame));
}

}  // namespace platform::services::testing
