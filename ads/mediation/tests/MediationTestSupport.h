#pragma once

// The surroundings of a mediation test: a real slot on the scripted web view, owned by an
// owner that names the connector class and records what the slot tells it, the loopback ad
// server that receives the pings, and helpers that write configurations and load them as a
// mediation answer. The manual clock drives the time-outs.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/foundation/GADAdMediationDelegate.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/GADSlotDelegate.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/testsupport/ScriptedAdapter.h"
#include "platform/base/Value.h"

namespace ads::testing {

class MediationOwner : public GADSlotDelegate,
                       public GADSlotAdLoadDelegate,
                       public GADSlotAdEventDelegate,
                       public GADSlotAdResponseDelegate,
                       public GADAdMediationDelegate,
                       public std::enable_shared_from_this<MediationOwner> {
  public:
    std::string connectorClass = "GADMAdNetworkConnectorBanner";
    bool takesPartInMediation = true;
    std::vector<std::string> events;
    std::vector<std::shared_ptr<platform::ui::View>> views;
    std::vector<std::string> errors;

    void slotDidReceiveAdView(GADSlot&, const std::shared_ptr<platform::ui::View>& v) override {
        views.push_back(v);
    }
    void slotFinishedLoadingAdContent(GADSlot&) override { events.push_back("loaded"); }
    void slotDidFailToLoadAdContentWithError(GADSlot&, const GADRequestError& error) override {
        events.push_back("fail:" + std::to_string(error.code));
        errors.push_back(error.localizedDescription());
    }
    void slotWillPresentScreen(GADSlot&) override { events.push_back("willPresent"); }
    void slotWillDismissScreen(GADSlot&) override { events.push_back("willDismiss"); }
    void slotDidDismissScreen(GADSlot&) override { events.push_back("didDismiss"); }
    void slotWillLeaveApplication(GADSlot&) override { events.push_back("leave"); }
    bool slotShouldProcessAdResponse(GADSlot&, const std::shared_ptr<GADAd>&,
                                     std::optional<platform::Error>&) override {
        return true;
    }
    bool slotShouldProcessMediatedAdResponse(GADSlot&, const std::shared_ptr<GADAd>& ad,
                                             std::optional<platform::Error>&) override;
    std::string connectorClassForAd(const GADAd&) override { return connectorClass; }
    // What networks present from (the SDK's own network's inner banners need one).
    std::shared_ptr<platform::ui::ViewController> rootViewController() const override {
        return root;
    }
    std::shared_ptr<platform::ui::ViewController> root;
};

// One network of a configuration.
struct Network {
    std::vector<std::string> adapters;
    platform::Value::Dictionary more = {};
};

class MediationTest {
  public:
    MediationTest();
    ~MediationTest();

    // {"ad_type": type, "settings": {...}, "ad_networks": [...]}, ids "1", "2", ...
    static platform::Value config(const std::vector<Network>& networks,
                                  const std::string& adType = "banner",
                                  platform::Value::Dictionary settings = {});
    // A publisher's request that hands its slot the configuration as a mediation answer.
    static std::shared_ptr<GADRequest> mediatedRequest(const platform::Value& configuration);
    // Loads the configuration as the answer to a new request on the slot.
    void load(const platform::Value& configuration, std::shared_ptr<GADRequest> request = nullptr);
    // Turns the main loop until the server recorded `count` mediation pings.
    std::vector<tools::adserver::LoggedRequest> pings(std::size_t count);

    AdsTestScope scope;
    AdViewTestScope views;
    SDKCoreTestScope core;
    AdServerFixture server;
    std::shared_ptr<MediationOwner> owner = std::make_shared<MediationOwner>();
    std::shared_ptr<GADSlot> slot;
};

}  // namespace ads::testing
