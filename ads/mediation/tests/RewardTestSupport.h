#pragma once

// The surroundings of a rewarded video test: a rewarded video ad of its own (not the shared
// one) with a delegate that writes down what it hears, scripted adapter classes, and a
// loopback server that serves configurations as mediation answers and records the pings, the
// default ones (clicks, impressions, no fill at the ad server's origin) included, so no test
// asks a resolver for a host of the web. The manual clock drives set-ups, answers and
// time-outs; the SDK core page is the scripted one.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/mediation/GADAdReward.h"
#include "ads/mediation/GADMRewardBasedVideoAdNetworkConnector.h"
#include "ads/mediation/GADRewardBasedVideoAd.h"
#include "ads/mediation/tests/GADRewardBasedVideoAdTestPeer.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/testsupport/ScriptedRewardAdapter.h"
#include "platform/base/Value.h"
#include "platform/testing/TempDir.h"
#include "platform/testing/TestHttpServer.h"

namespace ads::testing {

// What the app hears, one line per call: "receive", "fail:<code>:<text>", "open", "start",
// "reward:<type>:<amount>" (or "reward:none"), "close", "leave".
class RecordingRewardDelegate : public GADRewardBasedVideoAdDelegate {
  public:
    void rewardBasedVideoAdDidReceiveAd(GADRewardBasedVideoAd&) override;
    void rewardBasedVideoAdDidFailToLoadwithError(GADRewardBasedVideoAd&,
                                                  const platform::Error& error) override;
    void rewardBasedVideoAdDidOpen(GADRewardBasedVideoAd&) override;
    void rewardBasedVideoAdDidStartPlaying(GADRewardBasedVideoAd&) override;
    void rewardBasedVideoAdDidClose(GADRewardBasedVideoAd&) override;
    void rewardBasedVideoAdWillLeaveApplication(GADRewardBasedVideoAd&) override;
    void rewardBasedVideoAdDidRewardUserWithReward(
        GADRewardBasedVideoAd&, const std::shared_ptr<const GADAdReward>& reward) override;

    std::vector<std::string> events;
    std::vector<platform::Error> errors;
};

// A rewarded video connector as its adapter reads it.
inline const GADMRewardBasedVideoAdNetworkConnectorProtocol& adapterView(
    const std::shared_ptr<GADMRewardBasedVideoAdNetworkConnector>& connector) {
    return *connector;
}

class RewardTest {
  public:
    RewardTest();
    ~RewardTest();

    // {"ad_type": type, "qdata": "q", "settings": settings, "ad_networks": [...]} with one
    // network per entry (ids "1", "2", ...), each naming one adapter class and carrying `more`.
    struct Network {
        std::string adapter;
        platform::Value::Dictionary more = {};
    };
    static platform::Value config(const std::vector<Network>& networks,
                                  platform::Value::Dictionary settings = {},
                                  const std::string& adType = "interstitial");
    // A ping template on the loopback server: "/ping?kind=<kind>&" and every placeholder.
    std::string pingTemplate(const std::string& kind) const;

    // Serves the body under a fresh path and loads the ad from it (the request's "_ad" ready
    // ad with that URL); turns the main loop until the configuration has been taken in or the
    // load ended. The headers default to a mediation answer in JSON.
    void load(const platform::Value& configuration, const std::string& userID = "user-1");
    void loadBody(const std::string& body, std::vector<std::pair<std::string, std::string>> headers,
                  const std::string& userID = "user-1");
    // Turns the main loop until the server has seen `count` pings; answers their "kind"s and
    // full targets in order.
    std::vector<platform::testing::RecordedRequest> pings(std::size_t count);
    void settle() { scope.runUntilIdle(); }
    // What the ad keeps to itself: its waterfall and the request in flight.
    GADRewardBasedVideoAdTestPeer peer() const { return GADRewardBasedVideoAdTestPeer(ad); }

    AdsTestScope scope;
    AdViewTestScope views;
    SDKCoreTestScope core;
    platform::testing::TestHttpServer server;
    platform::testing::ScopedEnv adServerOrigin{"MOVUROUTE_AD_SERVER", server.url("")};
    std::shared_ptr<RecordingRewardDelegate> delegate = std::make_shared<RecordingRewardDelegate>();
    std::shared_ptr<GADRewardBasedVideoAd> ad = GADRewardBasedVideoAd::create();

  private:
    int served_ = 0;
};

}  // namespace ads::testing
