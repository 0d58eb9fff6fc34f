#pragma once

// What the ads SDK knows about the hosting application as a whole: its version and bundle
// identifier, the session, whether it finished launching, the application-wide statistics that
// go with every ad request, the per-ad statistics waiting to be sent, per-slot statistics, the
// mediation adapters present, the active-view ids - and the SDK's once-only start-up.
//
// One shared instance lives for the whole process; tests make their own, and reach the
// setters and inner steps no room uses, through GADApplicationTestPeer (ads/foundation/tests).
// Its public face is what the rooms read and report; the per-ad statistics reach it through
// GADStatisticDictionaryDelegate.
// Thread-safe: the adapter names and the active-view counter live on the lock queue
// ("com.zivivu.durez.application-ivar-lock"), the slot statistics, request counters and the
// ad that took the user out of the app on the statistics queue ("...-statistics"), the
// per-ad statistics waiting to be sent on the notification queue ("...-notification"). No
// operation waits on one of these queues while on another. The did-become-active observer
// holds the application weakly.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ads/foundation/GADEarlyActivities.h"
#include "ads/foundation/GADQueue.h"
#include "ads/foundation/GADStatisticDictionary.h"
#include "platform/base/Value.h"
#include "platform/runtime/NotificationCenter.h"

namespace platform {
class SerialQueue;
}

namespace ads {

// The adapter that serves our own server's ads, by its class name: what a slot or native ad
// not filled by mediation names as its network.
inline constexpr const char* kGADOwnAdapterClassName = "GADMAdapterZivivuDuRezAds";

class GADContentQueue;
class GADSession;

// The fingerprinting of page text reads the views, so it lives in a room above this one and
// registers here at start-up.
class GADContentHashingEngine {
  public:
    virtual ~GADContentHashingEngine() = default;
    virtual void startContentHashing() = 0;
    virtual void stopContentHashing() = 0;
};

class GADApplication : public GADStatisticDictionaryDelegate,
                       public std::enable_shared_from_this<GADApplication> {
  public:
    // Keys of the application statistics the slots read, as the ad server reads them.
    static constexpr const char* kSequenceNumberKey = "seq_num";
    static constexpr const char* kCurrentRequestTimeKey = "currts";
    // The key of the time of an ad's click in its statistics.
    static constexpr const char* kClickTimeKey = "tclickcurr";

    static std::shared_ptr<GADApplication> sharedInstance();
    // The program calls this once, before the application finishes launching: from then on
    // the did-finish-launching notification marks the shared application launched and runs
    // the start-up. Later calls do nothing.
    static void load();
    ~GADApplication() override;
    GADApplication(const GADApplication&) = delete;
    GADApplication& operator=(const GADApplication&) = delete;

    // Start-up (see GADEarlyActivities): the steps run once, on the main thread, in rank
    // order. The content-hashing step runs only while "/zivivu/ads/content_url_enabled" is on.
    void runEarlyActivities();
    void addEarlyActivity(GADEarlyActivities::Rank rank, GADEarlyActivities::Step step);

    // Facts
    // The bundle's "CFBundleVersion", or "".
    const std::string& version() const { return version_; }
    const std::string& mainBundleIdentifier() const { return mainBundleIdentifier_; }
    const std::shared_ptr<GADSession>& currentSession() const { return session_; }
    const std::shared_ptr<GADStatisticDictionary>& statistics() const { return statistics_; }
    // False only in the background once launched: launching in the background counts as
    // active, since the app has not yet been sent away.
    bool isAppActive() const;
    // The dictionary of the app home's "iTunesMetadata.plist" (beside Documents), read once;
    // usually absent, then an empty dictionary.
    const platform::Value& iTunesMetadata();
    // 1, 2, 3, ...
    std::uint64_t nextActiveViewID();

    // Content hashing (GADApplicationContentHashing.cpp), switched on and off by the ad
    // server's answers. Main thread only. The engine is held weakly; without one only the
    // switch is kept, and an engine registered later starts when the switch is on.
    void setContentHashingEngine(std::weak_ptr<GADContentHashingEngine> engine);
    void startContentHashing();
    void stopContentHashing();
    // The serial queue every capture is updated and stored on ("com.zivivu.durez.content-
    // hashing"), alive as long as the application. The recent captures live there: a run of
    // capture sets its queue of them (on that queue), and a fingerprint is taken there.
    const std::shared_ptr<platform::SerialQueue>& contentHashingQueue() const {
        return contentHashingQueue_;
    }
    // Call on the content-hashing queue.
    void setContentQueue(std::shared_ptr<GADContentQueue> queue);
    // Any thread but the content-hashing queue: the fingerprint of the best capture, whose
    // score is lowered by the served penalty; nothing when no capture qualifies.
    std::optional<std::string> fingerprintWithServedPenaltyDeduction();

    // Mediation adapters (GADApplicationMediationAdapters.cpp)
    // None until the SDK core has named the adapters it may ask for; then the list, which may
    // be empty.
    std::optional<std::vector<std::string>> availableAdapterNames() const;
    // The built-in adapter names and the given ones, kept when the class registry knows the
    // class and it declares the adapter protocol; sorted.
    void updateAvailableAdapterNamesWithPotentialAdapterNames(
        const std::optional<std::vector<std::string>>& names);
    // A registered class declaring (itself or a superclass) either adapter protocol.
    static bool classIsAdapterClass(const std::string& className);
    // Instances that load banners or interstitials, or a reward-based video adapter class:
    // what the registry lists, so no instance is made to ask.
    static bool classImplementsCurrentAdapterAPI(const std::string& className);

    // Statistics (GADApplicationStatistics.cpp)
    // Every ad's statistics has the application as its delegate (GADStatisticDictionaryDelegate):
    // changes land in the set of per-ad statistics that the next request sends.
    using StatisticsSet = std::set<std::shared_ptr<GADStatisticDictionary>>;
    // Hands the pending per-ad statistics over and empties the set.
    StatisticsSet pendingAdStatistics();
    // Puts back what a failed request did not send.
    void didNotSendAdStatistics(const StatisticsSet& statistics);
    void incrementTotalAdClickCount();
    // For each ad request: the request times, the next sequence number, and the request count
    // (a mediating slot's request lowers it again); answers a copy of the statistics.
    platform::Value nextRequestStatisticsDictionaryForSlot(bool slotIsMediating);
    // Raises "seq_num" and answers its new value.
    std::string nextSequenceNumberAsString();
    // Milliseconds since the first ad request; 0 before it.
    std::uint64_t timeSinceFirstAdRequestInMilliseconds();
    // A click on the ad (given by its statistics) is taking the user out of the app.
    void willLeaveApplicationDueToClickOnAd(std::shared_ptr<GADStatisticDictionary> adStatistics);

  private:
    struct Private {};

  public:
    explicit GADApplication(Private);

  private:
    // Tests make their own applications and read and drive the inner steps through it.
    friend class GADApplicationTestPeer;

    // The other keys of the application statistics.
    static constexpr const char* kSessionIDKey = "session_id";
    static constexpr const char* kRequestCountKey = "preqs";
    static constexpr const char* kClickCountKey = "pclick";
    static constexpr const char* kFirstRequestTimeKey = "basets";
    // The key of an ad's [click, return] pairs.
    static constexpr const char* kClickTimesKey = "tclick";
    // The protocol a class must declare (itself or a superclass) to count as an adapter.
    static constexpr const char* kAdapterProtocol = "GADMAdNetworkAdapter";
    static constexpr const char* kRewardBasedVideoAdapterProtocol =
        "GADMRewardBasedVideoAdNetworkAdapter";

    static std::shared_ptr<GADApplication> create();
    void observeDidBecomeActive();

    bool hasRunEarlyActivities() const;
    bool appFinishedLaunching() const { return appFinishedLaunching_.load(); }
    void setAppFinishedLaunching(bool launched) { appFinishedLaunching_.store(launched); }
    std::uint64_t sequenceNumber() const { return sequenceNumber_.load(); }
    void setSequenceNumber(std::uint64_t number) { sequenceNumber_.store(number); }
    std::optional<std::filesystem::path> iTunesMetadataPath() const;
    bool isContentHashing() const { return contentHashing_; }

    void setAvailableAdapterNames(std::optional<std::vector<std::string>> names);
    static std::set<std::string> availableAdapterNamesInSet(const std::set<std::string>& names);

    // GADStatisticDictionaryDelegate
    GADQueue notificationQueue() override;
    void didUpdateStatisticDictionary(
        const std::shared_ptr<GADStatisticDictionary>& dictionary) override;

    void incrementTotalAdRequestCount();
    void decrementTotalAdRequestCount();
    void incrementSequenceNumber();
    // Back in the app: the ad that sent the user away records [its click time, now].
    void didBecomeActive();

    const std::string version_;
    const std::string mainBundleIdentifier_;
    const std::shared_ptr<GADSession> session_;
    const std::shared_ptr<GADStatisticDictionary> statistics_;
    const std::shared_ptr<platform::SerialQueue> notificationSerialQueue_;
    const std::shared_ptr<platform::SerialQueue> statisticsSerialQueue_;
    const std::shared_ptr<platform::SerialQueue> lockQueue_;
    const std::shared_ptr<platform::SerialQueue> contentHashingQueue_;
    const std::shared_ptr<GADEarlyActivities> earlyActivities_;

    // Read from the request queues while the main thread sets them.
    std::atomic<bool> appFinishedLaunching_{false};
    std::atomic<std::uint64_t> sequenceNumber_{0};

    // On lockQueue_.
    std::optional<std::vector<std::string>> availableAdapterNames_;
    std::uint64_t activeViewID_ = 0;
    // On notificationSerialQueue_.
    StatisticsSet adStatistics_;
    // On statisticsSerialQueue_.
    std::shared_ptr<GADStatisticDictionary> backgroundingAd_;

    // On the main thread.
    bool contentHashing_ = false;
    std::weak_ptr<GADContentHashingEngine> contentHashingEngine_;
    // On contentHashingQueue_.
    std::shared_ptr<GADContentQueue> contentQueue_;

    std::once_flag iTunesMetadataOnce_;
    platform::Value iTunesMetadata_;
    platform::NotificationCenter::Observation didBecomeActive_;
};

}  // namespace ads
