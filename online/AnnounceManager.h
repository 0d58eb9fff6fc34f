#pragma once

// The app's link to the maker's announcement service: the announcement check and its cache,
// the server settings that steer the ads, the banner on the game-over screen, the pop-up, and
// the interstitial between games. One object per process, living as long as it; it holds the
// app core weakly. Everything but the check runs on the main thread.
//
// The manager keeps the schedule and the settings and hands each role to a collaborator it
// owns: the check runs as a task on the "AnnounceManager.check" queue (AnnounceCheck) and
// posts its result back to the main loop; AnnounceBanner builds and shows the banner;
// AnnouncePopup shows the pop-up; AnnounceInterstitial keeps and shows the interstitial. They
// reach the manager through AnnounceHost. The cache folder is touched only through
// AnnounceCache, whose own queue orders the check's writes, the banner's reads and the
// pop-up's status update.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "online/AnnounceCache.h"
#include "online/AnnounceCheck.h"
#include "online/AnnounceHost.h"
#include "online/AnnounceInterstitialAd.h"
#include "platform/base/Geometry.h"
#include "platform/base/Value.h"
#include "platform/runtime/SerialQueue.h"

namespace ads {
class GADRequest;
}

namespace platform::ui {
class ActionSheet;
class AlertView;
class View;
}  // namespace platform::ui

namespace online {

class AnnounceAppCore;
class AnnounceBanner;
class AnnounceInterstitial;
class AnnouncePopup;

class AnnounceManager : public AnnounceHost {
  public:
    // Show opportunities: a game ended, a game starts from the title, the first game after a
    // launch without saved settings starts.
    static constexpr int kContextGameOver = 1;
    static constexpr int kContextStartFromTitle = 2;
    static constexpr int kContextFirstStart = 4;

    static constexpr std::int64_t kMaxDownloadBytes = AnnounceCheck::kMaxDownloadBytes;
    static constexpr std::int64_t kMaxListImageBytes = AnnounceCheck::kMaxListImageBytes;
    static constexpr double kRetryAfterFailure = AnnounceCheck::kRetryAfterFailure;
    static constexpr const char* kStatusFileName = AnnounceCache::kStatusFileName;
    static constexpr const char* kAnnounceFileName = AnnounceCache::kAnnounceFileName;

    static AnnounceManager& sharedAnnounceManager();
    // Seconds since 1970 on the program's clock.
    static double now();

    // Held weakly: the manager outlives the program's shutdown, and the core's textures and
    // sounds must go while their GL context and sound engine still exist. Without a core
    // every answer that needs one is empty.
    void setAppCore(std::weak_ptr<AnnounceAppCore> appCore);
    std::shared_ptr<AnnounceAppCore> appCore() const override;

    // Clears the shutdown flag and starts a check on the check queue unless the schedule
    // forbids it or a check is still running.
    void startDownload();
    // The app leaves the foreground: no cache write starts after this returns.
    void shutdown();
    bool isShutdown() const;
    bool isDownloading() const { return downloading_; }
    // Waits for the running check, if any, to end and takes its result over at once instead
    // of on the main loop's next turn (tests and orderly exits).
    void waitForDownload();

    // The schedule and what the pop-up has shown, as the last check or state load left them.
    double previousCheckAt() const { return previousCheckAt_; }
    double nextCheckAfter() const { return nextCheckAfter_; }
    int32_t popupAdDoneSerial() const;
    bool bannerIsDirty() const;

    // Makes sure an interstitial is loaded or loading, when the settings name an ad unit.
    void requestInterstitialAd();
    // One show opportunity (a kContext value): the interstitial when one is ready and the
    // settings allow it, then, after a game, the pop-up. `onDone` (may be empty) runs exactly
    // once when it is over.
    void showPopupAds(int context, std::function<void()> onDone);
    // True while an interstitial is on screen; the app core holds incoming URLs back meanwhile.
    bool interstitialAdPresenting() const;
    // The current interstitial for the log lines: "null" or "istAd(ready=.. used=.. loading=..)".
    std::string istAdStatus() const;
    // Where interstitials come from: the ads SDK (SdkInterstitialAd) unless replaced; tests
    // script their ads. Starts the interstitial's state afresh, so it is set before any
    // opportunity.
    void setInterstitialAdFactory(AnnounceInterstitialAdFactory factory);
    // Marks a request as coming from the developers' own machines (the simulator and three
    // phones), so they get test ads; the program never calls it, a developer may.
    static void setTestDevices(ads::GADRequest& request);

    // The manager's own commands, "<scheme>://<host>/announceManager/<command>".
    void processAmUrl(const std::string& url);
    // A URL from the service (banner action or pop-up button): the manager's own commands are
    // run, web pages go to the desktop's browser, the app's own URLs to the app; anything
    // else is refused and logged. Answers whether it went somewhere.
    bool openUrl(const std::string& url) override;
    // Empties the cache directory (files only; hidden entries stay).
    void deleteCacheFiles();
    // <tmp>/quorvel_announce_cache_<game id>, created private (0700) when missing; empty
    // without an app core or when it cannot be created.
    std::optional<std::filesystem::path> prepareCacheDir() override;
    std::optional<std::filesystem::path> statusFilePath();

    // The server settings, all texts; a missing key or a value of another kind gives the
    // default. The number form is the text's leading integer (0 when it has none).
    std::string amPropertyAsStringForKey(const std::string& key,
                                         const std::string& defaultVal) override;
    int32_t amPropertyAsIntForKey(const std::string& key, int32_t defaultVal) override;
    // Replaced as a whole by a check that brought settings.
    void setAmProperties(std::optional<platform::Value> properties);

    // Reads "status.plist" into the schedule, settings and pop-up state; keys of the wrong
    // kind are ignored.
    void loadState();

    // The banner of the game-over screen, built from the cached list. `alternative` stands in
    // its place when there is no banner and is taken away when there is one. Alignment 0
    // centres the banner on the position, 1 puts its right (bottom) edge there, -1 its left
    // (top) edge.
    void showBannerOn(const std::shared_ptr<platform::ui::View>& parent,
                      const std::shared_ptr<platform::ui::View>& alternative,
                      platform::Point position, int alignX, int alignY);
    // Takes the banner out of its parent; the built banner is kept for the next showing.
    void closeBanner();
    void clearBanner();
    bool buildBanner();
    std::shared_ptr<platform::ui::View> bannerView() const;
    // A banner button was pressed: runs the action its item names.
    void buttonAction(int tag);
    // Runs an "AU" (open a URL) or "AS" (action sheet) row.
    void doAction(const platform::Value& row);
    std::shared_ptr<platform::ui::ActionSheet> selectActionSheet() const;

    // Shows the pop-up of the latest list when it is new and not expired.
    void showPopupAdSub();
    std::shared_ptr<platform::ui::AlertView> popupAdAlertView() const;

    // Back to the state of a fresh process (tests): waits for a running check first.
    void resetForTesting();

  private:
    struct PendingCheck;

    AnnounceManager();

    // Takes a check's result over on the main thread, once. By value: it may drop the
    // manager's own reference.
    void finishCheck(std::shared_ptr<PendingCheck> pending);

    std::weak_ptr<AnnounceAppCore> appCore_;

    // Shared with the check task, which may still run when it finishes.
    std::shared_ptr<AnnounceCache> cache_ = std::make_shared<AnnounceCache>();
    std::unique_ptr<platform::SerialQueue> checkQueue_ =
        std::make_unique<platform::SerialQueue>("AnnounceManager.check");
    std::shared_ptr<PendingCheck> pendingCheck_;
    bool downloading_ = false;

    // The schedule and the settings, as the last check or state load left them.
    double previousCheckAt_ = 0;
    double nextCheckAfter_ = 0;
    // The service address the schedule belongs to; empty before any check of this home.
    std::optional<std::string> checkedUrl_;
    std::optional<platform::Value> amProperties_;

    // Main thread only; shared so that their sheets, alerts and buttons can hold them weakly.
    std::shared_ptr<AnnounceBanner> banner_;
    std::shared_ptr<AnnouncePopup> popup_;
    std::shared_ptr<AnnounceInterstitial> interstitial_;
};

}  // namespace online
