#include "ads/web/GADVideoPlayer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "ads/foundation/GADStringAdditions.h"
#include "ads/foundation/GADViewAdditions.h"
#include "ads/web/GADAdView.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/runtime/Timer.h"
#include "platform/runtime/WeakCall.h"

namespace ads {

namespace {

using platform::services::MediaPlayer;
using platform::services::MediaPlayerChange;
using platform::services::MediaPlayerStatus;

GADVideoPlayer::FolderProvider& folderProvider() {
    static GADVideoPlayer::FolderProvider provider;
    return provider;
}

// Six decimals with '.', whatever the C locale: "%f" would write "2,000000" under a German one,
// which the page's parseFloat reads as 2.
std::string secondsText(double seconds) {
    char text[400];
    const auto written =
        std::to_chars(text, text + sizeof text, std::isfinite(seconds) ? seconds : 0.0,
                      std::chars_format::fixed, 6);
    return std::string(text, written.ptr);
}

bool isVolume(float v) {
    return v >= 0.0f && v <= 1.0f;
}

}  // namespace

void GADVideoPlayer::setPrecacheFolderProvider(FolderProvider provider) {
    folderProvider() = std::move(provider);
}

bool GADVideoPlayer::isPlayableSource(const platform::Url& url) {
    return playableSource(url).has_value();
}

std::optional<platform::Url> GADVideoPlayer::playableSource(const platform::Url& url) {
    const std::string scheme = gad_asciiLowercased(url.scheme());
    if (scheme == "http" || scheme == "https") {
        if (url.host().empty()) return std::nullopt;
        return url;
    }
    if (!url.isFileUrl() || !folderProvider()) return std::nullopt;
    const std::string folder = folderProvider()();
    const std::string path = url.path();
    if (folder.empty() || path.empty()) return std::nullopt;
    namespace fs = std::filesystem;
    std::error_code error;
    const auto root = fs::canonical(folder, error);
    if (error) return std::nullopt;
    // What the precache handler tells the page names the file's place inside the folder; a
    // full path inside it plays too.
    for (const fs::path& candidate : {root / fs::path(path).relative_path(), fs::path(path)}) {
        // Links are resolved first: a link inside the folder to a file outside it does not play.
        const auto file = fs::canonical(candidate, error);
        if (error || !fs::is_regular_file(file, error)) continue;
        auto [end, _] = std::mismatch(root.begin(), root.end(), file.begin(), file.end());
        if (end == root.end() && file != root) return platform::Url::fileUrl(file.string());
    }
    return std::nullopt;
}

std::shared_ptr<GADVideoPlayer> GADVideoPlayer::create(
    std::weak_ptr<GADAdView> adView, std::weak_ptr<GADVideoPlayerDelegate> delegate) {
    return std::make_shared<GADVideoPlayer>(Private{}, std::move(adView), std::move(delegate));
}

GADVideoPlayer::GADVideoPlayer(Private, std::weak_ptr<GADAdView> adView,
                               std::weak_ptr<GADVideoPlayerDelegate> delegate)
    : adView_(std::move(adView)), delegate_(std::move(delegate)) {}

GADVideoPlayer::~GADVideoPlayer() {
    if (screenWatch_) screenWatch_->invalidate();
    if (player_) player_->setObserver({});
}

void GADVideoPlayer::setSourceURL(const std::optional<platform::Url>& url) {
    MOVU_CHECK_MAIN_THREAD();
    sourceURL_ = url;
    const std::optional<platform::Url> item = url ? playableSource(*url) : std::nullopt;
    const bool playable = item.has_value();
    if (playable) itemUnfinished_ = true;
    const bool made = !player_;
    if (made) {
        player_ = MediaPlayer::create();
        player_->setObserver(weak_from_this());
    }
    // Held before the item is given: an ad that does not show gives the backend none.
    if (!adShows()) player_->setHeld(true);
    player_->replaceCurrentItem(item);
    followScreen();
    if (made) {
        if (auto d = delegate_.lock()) d->playerDidCreateMediaPlayer(*this, player_);
    }
    if (url && !playable) post("error");
}

void GADVideoPlayer::refuseSource() {
    MOVU_CHECK_MAIN_THREAD();
    if (player_ && player_->hasItem()) {
        player_->pause();
        player_->replaceCurrentItem(std::nullopt);
    }
    sourceURL_.reset();
    post("error");
}

void GADVideoPlayer::postError(GADAdView& adView) {
    post(adView, "error", {});
}

bool GADVideoPlayer::adShows() const {
    auto adView = adView_.lock();
    return adView && !adView->isArriving() && gad_isShowing(*adView);
}

void GADVideoPlayer::followScreen() {
    MOVU_CHECK_MAIN_THREAD();
    if (!player_) return;
    const bool held = !adShows();
    // A play the page asked for while held starts now: that is the start it hears, with the
    // time it starts at (read while held: the backend has not sought there yet).
    const bool starts = !held && player_->isHeld() && player_->rate() != 0 && !toldPlaying_;
    const double at = player_->currentTime();
    player_->setHeld(held);
    if (starts) {
        toldPlaying_ = true;
        post("play");
        notifyVideoPlayerWithTime(at);
    }
    if (!screenWatch_) {
        screenWatch_ = platform::Timer::schedule(
            kOnScreenCheckSeconds, true,
            platform::weakCall(weak_from_this(),
                               [](GADVideoPlayer& self) { self.followScreen(); }));
    }
}

void GADVideoPlayer::setVolume(float volume) {
    MOVU_CHECK_MAIN_THREAD();
    if (!isVolume(volume)) return;
    if (player_ && player_->hasOwnVolume()) {
        player_->setVolume(volume);
    } else {
        setAudioMixVolume(volume);
    }
    volume_ = volume;
}

void GADVideoPlayer::setMuted(bool muted) {
    MOVU_CHECK_MAIN_THREAD();
    if (player_ && player_->hasOwnMute()) {
        player_->setMuted(muted);
    } else {
        setAudioMixVolume(muted ? 0.0f : volume_);
    }
    muted_ = muted;
}

void GADVideoPlayer::setAudioMixVolume(float volume) {
    MOVU_CHECK_MAIN_THREAD();
    if (!isVolume(volume) || !player_) return;
    player_->setAudioMixVolume(volume == 1.0f ? std::nullopt : std::optional<float>(volume));
}

void GADVideoPlayer::play() {
    MOVU_CHECK_MAIN_THREAD();
    if (!player_) return;
    followScreen();
    player_->play();
}

void GADVideoPlayer::pause() {
    MOVU_CHECK_MAIN_THREAD();
    if (player_) player_->pause();
}

void GADVideoPlayer::seekToTime(double seconds) {
    MOVU_CHECK_MAIN_THREAD();
    if (player_) player_->seekToTime(seconds);
}

void GADVideoPlayer::stop() {
    MOVU_CHECK_MAIN_THREAD();
    if (!player_) return;
    // The old page is going: it hears nothing of the stop.
    player_->setObserver({});
    player_->pause();
    player_->replaceCurrentItem(std::nullopt);
    sourceURL_.reset();
    itemUnfinished_ = false;
    hasPostedCanPlayThrough_ = false;
    toldPlaying_ = false;
    player_->setObserver(weak_from_this());
}

void GADVideoPlayer::mediaPlayerDidChange(MediaPlayer& player, MediaPlayerChange change) {
    if (&player != player_.get()) return;
    switch (change) {
        case MediaPlayerChange::Status:
            notifyVideoPlayerWithNewStatus(player.status());
            break;
        case MediaPlayerChange::Rate:
            notifyVideoRateChanged();
            break;
        case MediaPlayerChange::Duration:
        case MediaPlayerChange::PlaybackLikelyToKeepUp:
        case MediaPlayerChange::PlaybackBufferFull:
            if (!hasPostedCanPlayThrough_ && player.hasItem() && player.duration() &&
                (player.playbackBufferFull() || player.playbackLikelyToKeepUp())) {
                notifyVideoReadyToPlay();
                hasPostedCanPlayThrough_ = true;
            }
            break;
    }
}

void GADVideoPlayer::mediaPlayerItemDidPlayToEnd(MediaPlayer& player) {
    if (&player != player_.get()) return;
    itemUnfinished_ = false;
    post("ended");
}

void GADVideoPlayer::mediaPlayerTimeDidTick(MediaPlayer& player, double seconds) {
    // Held, nothing plays: a start or a seek of a video off screen moves no time the page
    // could see.
    if (&player == player_.get() && !player.isHeld()) notifyVideoPlayerWithTime(seconds);
}

void GADVideoPlayer::notifyVideoPlayerWithTime(double seconds) {
    post("timeupdate", {{"time", secondsText(seconds)}});
}

void GADVideoPlayer::notifyVideoReadyToPlay() {
    double width = -1, height = -1;
    for (const platform::Size& size : player_->videoSizes()) {
        if (size.width == 0 && size.height == 0) continue;
        width = size.width;
        height = size.height;
    }
    post("canplaythrough", {{"duration", secondsText(player_->duration().value_or(0))},
                            {"videoWidth", width},
                            {"videoHeight", height}});
}

void GADVideoPlayer::mediaPlayerItemDidFail(MediaPlayer& player) {
    if (&player != player_.get()) return;
    itemUnfinished_ = false;
    post("error");
}

// A failure is told for each item (mediaPlayerItemDidFail): a second item failing after a
// first leaves the status as it was.
void GADVideoPlayer::notifyVideoPlayerWithNewStatus(MediaPlayerStatus status) {
    if (status == MediaPlayerStatus::Unknown) post("error");
}

// The page hears what its video does: a play asked for while held waits for the video to start
// on screen (followScreen), and a pause follows only a play it heard. A video held after it
// started (its ad went off screen) is not paused for the page: it hears no time run meanwhile,
// and it goes on where it stood when the ad is back.
void GADVideoPlayer::notifyVideoRateChanged() {
    const bool playing = player_->rate() != 0;
    if (playing == toldPlaying_ || (playing && player_->isHeld())) return;
    toldPlaying_ = playing;
    post(playing ? "play" : "pause");
}

void GADVideoPlayer::post(const std::string& event, platform::Value::Dictionary extra) {
    if (auto adView = adView_.lock()) post(*adView, event, std::move(extra));
}

void GADVideoPlayer::post(GADAdView& adView, const std::string& event,
                          platform::Value::Dictionary extra) {
    extra["event"] = event;
    adView.postJSNotification(kEventName, &extra);
}

}  // namespace ads
