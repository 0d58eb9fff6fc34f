#pragma once

// The app's link to the maker's announcement service: the announcement check and its cache,
// the server settings that steer the ads, the interstitial between games and the pop-up. One
// object per process.
//
// The settings arrive with an announcement check; until one has brought them there is no
// interstitial publisher id, so no interstitial is requested or shown, and every show
// opportunity ends at once with the caller's continuation.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/base/Value.h"

class AnnounceAppCore;

class AnnounceManager {
  public:
    // Show opportunities: a game ended, a game starts from the title, the first game after a
    // launch without saved settings starts.
    static constexpr int kContextGameOver = 1;
    static constexpr int kContextStartFromTitle = 2;
    static constexpr int kContextFirstStart = 4;

    static AnnounceManager& sharedAnnounceManager();

    // Retained: the manager needs the core for as long as the process runs.
    void setAppCore(std::shared_ptr<AnnounceAppCore> appCore);
    std::shared_ptr<AnnounceAppCore> appCore() const;

    // Lets checks run again after a shutdown (the app came back to the foreground).
    void startDownload();
    // The app leaves the foreground: no cache write starts after this returns.
    void shutdown();
    bool isShutdown() const;

    // Makes sure an interstitial is loaded or loading, when the settings name a publisher id.
    void requestInterstitialAd();
    // One show opportunity; `onDone` (may be empty) runs exactly once when it is over.
    void showPopupAds(int context, std::function<void()> onDone);
    // True while an interstitial is on screen; the app core holds incoming URLs back meanwhile.
    bool interstitialAdPresenting() const { return interstitialAdPresenting_; }
    // Kept by the interstitial's presentation callbacks.
    void setInterstitialAdPresenting(bool presenting) { interstitialAdPresenting_ = presenting; }

    // The manager's own commands, "<scheme>://<host>/announceManager/<command>".
    void processAmUrl(const std::string& url);
    // Empties the cache directory (files only; hidden entries stay).
    void deleteCacheFiles();
    // <tmp>/quorvel_announce_cache_<game id>, created when missing; empty without an app core
    // or when it cannot be created.
    std::optional<std::filesystem::path> prepareCacheDir();

    // The server settings, all texts; a missing key or a value of another kind gives the
    // default. The number form is the text's leading integer (0 when it has none).
    std::string amPropertyAsStringForKey(const std::string& key, const std::string& defaultVal);
    int32_t amPropertyAsIntForKey(const std::string& key, int32_t defaultVal);
    // Replaced as a whole by a check that brought settings.
    void setAmProperties(std::optional<platform::Value> properties);

    // Back to the state of a fresh process (tests).
    void resetForTesting();

  private:
    AnnounceManager() = default;
    void showInterstitualAdSub(int context, std::function<void()> onDone);
    void showPopupAdSub();

    mutable std::mutex appCoreMutex_;
    std::shared_ptr<AnnounceAppCore> appCore_;

    // Guards shutdown_ and every write into the cache.
    mutable std::mutex shutdownLock_;
    bool shutdown_ = false;
    // Guards the cache files while they are read or replaced; taken before shutdownLock_.
    std::mutex readFileLock_;

    // Guards the settings, which a check replaces from its own thread.
    mutable std::mutex propertiesMutex_;
    std::optional<platform::Value> amProperties_;

    bool interstitialAdPresenting_ = false;
    std::function<void()> onDoneInterstitualAd_;
};
