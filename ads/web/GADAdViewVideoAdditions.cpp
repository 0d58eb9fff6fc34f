#include "ads/web/GADAdViewVideoAdditions.h"

#include <cmath>

#include "ads/web/GADAdView.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

namespace {

bool isFinite(const platform::Rect& r) {
    return std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) &&
           std::isfinite(r.size.height);
}

}  // namespace

std::shared_ptr<GADAdViewVideoAdditions> GADAdViewVideoAdditions::create(
    std::weak_ptr<GADAdView> adView) {
    return std::make_shared<GADAdViewVideoAdditions>(Private{}, std::move(adView));
}

GADAdViewVideoAdditions::GADAdViewVideoAdditions(Private, std::weak_ptr<GADAdView> adView)
    : adView_(std::move(adView)) {}

void GADAdViewVideoAdditions::setCachedVideoPlayerFrame(platform::Rect frame) {
    cachedVideoPlayerFrame_ = isFinite(frame) ? frame : platform::Rect{};
}

void GADAdViewVideoAdditions::setUpVideoPlayerWithURL(const std::optional<platform::Url>& url) {
    MOVU_CHECK_MAIN_THREAD();
    if (!videoPlayer_) videoPlayer_ = GADVideoPlayer::create(adView_, weak_from_this());
    videoPlayer_->setSourceURL(url);
}

void GADAdViewVideoAdditions::setVideoPlayerFrame(platform::Rect frame) {
    MOVU_CHECK_MAIN_THREAD();
    auto adView = adView_.lock();
    if (!videoPlayerView_ || !adView) return;
    if (!isFinite(frame) || frame == platform::Rect{}) frame = adView->bounds();
    // Views take their frame at once: no implicit animation to switch off.
    videoPlayerView_->setFrame(frame);
}

void GADAdViewVideoAdditions::hideVideo() {
    if (videoPlayerView_) videoPlayerView_->setHidden(true);
}

void GADAdViewVideoAdditions::showVideo() {
    if (videoPlayerView_) videoPlayerView_->setHidden(false);
}

void GADAdViewVideoAdditions::layout() {
    if (videoPlayerView_) setVideoPlayerFrame(cachedVideoPlayerFrame_);
}

void GADAdViewVideoAdditions::stopForNewPage() {
    if (videoPlayer_) videoPlayer_->stop();
}

void GADAdViewVideoAdditions::adDidArrive() {
    if (videoPlayer_) videoPlayer_->followScreen();
}

void GADAdViewVideoAdditions::playerDidCreateMediaPlayer(
    GADVideoPlayer&, const std::shared_ptr<platform::services::MediaPlayer>& mediaPlayer) {
    auto adView = adView_.lock();
    if (!adView) return;
    if (videoPlayerView_) videoPlayerView_->removeFromSuperview();
    videoPlayerView_ = platform::services::MediaPlayerView::create(mediaPlayer);
    adView->insertSubview(videoPlayerView_, 0);
    layout();
}

}  // namespace ads
