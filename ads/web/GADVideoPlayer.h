#pragma once

// The video an ad's page plays: a media player that the page drives with the "video" message
// (GADVideoPlayerGMSGHandler) and whose progress reaches the page as "onVideoEvent" events:
//   "timeupdate"     {"time": "%f" seconds}  every quarter second of playback, and at starts,
//                                            stops and seeks, of a video on screen only
//   "canplaythrough" {"duration": "%f", "videoWidth", "videoHeight"}  once per page's player:
//                    the duration is known and playback is likely to keep up (or the buffer is
//                    full); the sizes are the last video track's with a size, else -1 and -1
//   "ended"          the item played to its end (before the "pause" that follows)
//   "error"          an item failed (each one), the player's status became unknown, or an
//                    action of the page was refused (GADVideoPlayerGMSGHandler)
//   "play", "pause"  the video started playing on screen (at once for a play asked for while
//                    its ad shows), or a video the page heard start was paused or played to
//                    its end; they take turns, a "play" first
//
// The media player is made with the first source (or the first "new") and kept for the video
// player's life; later sources replace its item. A source plays only when it is http(s) or a
// file inside the folder where precached media land (after resolving links), named by its
// place in that folder as the precache handler tells the page ("file:///<UUID>/<name>") or by
// its full path; anything else is unloadable: nothing is opened, the item is dropped and the
// page hears "error".
//
// Only an ad the player can see decodes: while its ad view does not show (gad_isShowing: a
// preloaded interstitial, a banner scrolled away or hidden), its media player is held, so an
// item's pipeline is not made (nothing fetched, not even a first picture decoded) and, once
// the ad leaves the screen, is taken down with everything it fetched and decoded, to be made
// again where it stood when the ad shows again. An ad on its way to the screen
// (GADAdView::isArriving: an interstitial whose page has not yet run "onshow") does not show
// yet. The page hears what its video does, nothing of the holds themselves: its
// "canplaythrough" comes once the ad shows; a "play" asked for while held is its "play", with
// a "timeupdate" at where it starts, once the video starts on screen (so an interstitial that
// is never shown never reports a start); no time runs while held, so no "timeupdate" comes,
// not even of a seek; a video that started and is then held is no "pause" to the page, and
// runs on from where it stood when the ad is back; a "pause" asked for while held is heard
// when the page heard the "play" before it. The video player looks every
// kOnScreenCheckSeconds for as long as it has a media player, and at once as the page names
// a source or plays and as its ad arrives.
//
// Main thread only. The ad view and the delegate are held weakly; the media player is owned.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Url.h"
#include "platform/base/Value.h"
#include "platform/services/MediaPlayer.h"

namespace platform {
class Timer;
}

namespace ads {

class GADAdView;
class GADVideoPlayer;

class GADVideoPlayerDelegate {
  public:
    virtual ~GADVideoPlayerDelegate() = default;
    virtual void playerDidCacheFileAtURL(GADVideoPlayer&, const platform::Url&) {}
    virtual void playerDidCreateMediaPlayer(
        GADVideoPlayer&, const std::shared_ptr<platform::services::MediaPlayer>&) = 0;
};

class GADVideoPlayer : public platform::services::MediaPlayerObserver,
                       public std::enable_shared_from_this<GADVideoPlayer> {
    struct Private {};

  public:
    static constexpr const char* kEventName = "onVideoEvent";
    static constexpr double kOnScreenCheckSeconds = 0.25;

    static std::shared_ptr<GADVideoPlayer> create(std::weak_ptr<GADAdView> adView,
                                                  std::weak_ptr<GADVideoPlayerDelegate> delegate);
    GADVideoPlayer(Private, std::weak_ptr<GADAdView> adView,
                   std::weak_ptr<GADVideoPlayerDelegate> delegate);
    ~GADVideoPlayer() override;

    // Where precached media land: files inside it may play. Set at start-up by the room that
    // fills the pages' precache place (GADFullScreenRoom); until then no file plays.
    using FolderProvider = std::function<std::string()>;
    static void setPrecacheFolderProvider(FolderProvider provider);
    static bool isPlayableSource(const platform::Url& url);
    // What the media player opens for a source: a web URL as it is, a file as the URL of its
    // real path; nothing when the source may not play.
    static std::optional<platform::Url> playableSource(const platform::Url& url);

    const std::optional<platform::Url>& sourceURL() const { return sourceURL_; }
    void setSourceURL(const std::optional<platform::Url>& url);

    float volume() const { return volume_; }
    // Outside 0..1 (or not a number) changes nothing.
    void setVolume(float volume);
    bool muted() const { return muted_; }
    void setMuted(bool muted);
    void setAudioMixVolume(float volume);

    void load() {}
    void play();
    void pause();
    void seekToTime(double seconds);
    // For a new page: paused, no item, no picture, and nothing of it told to the old page. The
    // player stays; the new page may hear "canplaythrough" again.
    void stop();
    // An item of the page's that was opened and has neither played to its end nor failed,
    // whether it is still the player's or was dropped since: a source named now cuts it
    // short.
    bool hasUnfinishedItem() const { return itemUnfinished_; }
    // A source the page may not have: the item it would have replaced goes too (so no "play"
    // plays the old one in its place), and the page hears "error".
    void refuseSource();
    // Holds the media player while the ad view does not show, and lets it go when it does:
    // every kOnScreenCheckSeconds, and at once when the ad view arrives.
    void followScreen();
    // "error" to the page of the ad view, player or not: a refused action.
    static void postError(GADAdView& adView);

    const std::shared_ptr<platform::services::MediaPlayer>& player() const { return player_; }
    bool hasPostedCanPlayThrough() const { return hasPostedCanPlayThrough_; }

    std::shared_ptr<GADVideoPlayerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<GADVideoPlayerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

  private:
    void mediaPlayerDidChange(platform::services::MediaPlayer& player,
                              platform::services::MediaPlayerChange change) override;
    void mediaPlayerItemDidPlayToEnd(platform::services::MediaPlayer& player) override;
    void mediaPlayerItemDidFail(platform::services::MediaPlayer& player) override;
    void mediaPlayerTimeDidTick(platform::services::MediaPlayer& player, double seconds) override;

    bool adShows() const;
    void notifyVideoPlayerWithTime(double seconds);
    void notifyVideoReadyToPlay();
    void notifyVideoPlayerWithNewStatus(platform::services::MediaPlayerStatus status);
    void notifyVideoRateChanged();
    void post(const std::string& event, platform::Value::Dictionary extra = {});
    static void post(GADAdView& adView, const std::string& event,
                     platform::Value::Dictionary extra);

    std::weak_ptr<GADAdView> adView_;
    std::weak_ptr<GADVideoPlayerDelegate> delegate_;
    std::shared_ptr<platform::services::MediaPlayer> player_;
    std::shared_ptr<platform::Timer> screenWatch_;
    std::optional<platform::Url> sourceURL_;
    bool itemUnfinished_ = false;
    float volume_ = 1.0f;
    bool muted_ = false;
    bool hasPostedCanPlayThrough_ = false;
    // The page's last "play" or "pause": whether it believes its video plays.
    bool toldPlaying_ = false;
};

}  // namespace ads
