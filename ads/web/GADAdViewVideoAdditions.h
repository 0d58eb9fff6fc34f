#pragma once

// What an ad view adds for its page's video: the video player, made when the page first asks
// and kept for the view's life, and its picture, a MediaPlayerView at index 0 of the ad view's
// subviews, under the page, placed where the page last asked (the zero rectangle: the whole ad
// view). The picture follows the ad view's layout and moves without animation. A new page in
// the ad view stops the old page's video (paused, no item, no picture).
//
// Main thread only. The ad view owns its additions; they hold the ad view weakly, and are the
// video player's delegate.

#include <memory>
#include <optional>

#include "ads/web/GADVideoPlayer.h"
#include "platform/base/Geometry.h"
#include "platform/services/MediaPlayerView.h"

namespace ads {

class GADAdView;

class GADAdViewVideoAdditions : public GADVideoPlayerDelegate,
                                public std::enable_shared_from_this<GADAdViewVideoAdditions> {
    struct Private {};

  public:
    static std::shared_ptr<GADAdViewVideoAdditions> create(std::weak_ptr<GADAdView> adView);
    GADAdViewVideoAdditions(Private, std::weak_ptr<GADAdView> adView);

    const std::shared_ptr<GADVideoPlayer>& videoPlayer() const { return videoPlayer_; }
    const std::shared_ptr<platform::services::MediaPlayerView>& videoPlayerView() const {
        return videoPlayerView_;
    }
    platform::Rect cachedVideoPlayerFrame() const { return cachedVideoPlayerFrame_; }
    // Kept for the next layout; a frame that is not finite is the zero rectangle.
    void setCachedVideoPlayerFrame(platform::Rect frame);

    // Makes the player when there is none, then gives it the source (none: no item).
    void setUpVideoPlayerWithURL(const std::optional<platform::Url>& url);
    void setVideoPlayerFrame(platform::Rect frame);
    void hideVideo();
    void showVideo();
    // The ad view's layout: the picture to the cached frame.
    void layout();
    // A new page: the old page's video stops.
    void stopForNewPage();
    // The ad view arrived (GADAdView::isArriving): its video may start now.
    void adDidArrive();

    void playerDidCreateMediaPlayer(
        GADVideoPlayer& player,
        const std::shared_ptr<platform::services::MediaPlayer>& mediaPlayer) override;

  private:
    std::weak_ptr<GADAdView> adView_;
    std::shared_ptr<GADVideoPlayer> videoPlayer_;
    std::shared_ptr<platform::services::MediaPlayerView> videoPlayerView_;
    platform::Rect cachedVideoPlayerFrame_;
};

}  // namespace ads
