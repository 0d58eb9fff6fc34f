#include "MediationTestSupport.h"

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADRequest.h"
#include "ads/fullscreen/GADFullScreenRoom.h"
#include "ads/mediation/GADMediationRoom.h"
#include "ads/slot/GADSlotRoom.h"
#include "ads/slot/tests/GADSlotTestPeer.h"
#include "platform/testing/RunMainLoopUntil.h"

namespace ads::testing {

using platform::Value;

bool MediationOwner::slotShouldProcessMediatedAdResponse(GADSlot&, const std::shared_ptr<GADAd>& ad,
                                                         std::optional<platform::Error>&) {
    if (takesPartInMediation) ad->setMediationDelegate(weak_from_this());
    return true;
}

MediationTest::MediationTest() {
    GADFullScreenRoom::load();
    GADSlotRoom::load();
    registerMediationClasses();
    slot = GADSlot::create({0, 0, 320, 50});
    slot->setAdType(GADAdType::bannerAdTypeForSize(kGADAdSizeBanner), false);
    slot->setAdUnitID("unit");
    GADSlotTestPeer(slot).setDelegate(&GADSlotDelegates::slot, owner);
    GADSlotTestPeer(slot).setDelegate(&GADSlotDelegates::adLoad, owner);
    GADSlotTestPeer(slot).setDelegate(&GADSlotDelegates::adEvent, owner);
    GADSlotTestPeer(slot).setDelegate(&GADSlotDelegates::adResponse, owner);
}

MediationTest::~MediationTest() {
    slot.reset();
    scope.runUntilIdle();
}

Value MediationTest::config(const std::vector<Network>& networks, const std::string& adType,
                            Value::Dictionary settings) {
    Value::Array list;
    int id = 0;
    for (const auto& network : networks) {
        Value::Dictionary entry = network.more;
        entry["id"] = Value(std::to_string(++id));
        Value::Array adapters;
        for (const auto& name : network.adapters) adapters.emplace_back(name);
        entry["adapters"] = Value(std::move(adapters));
        list.emplace_back(std::move(entry));
    }
    Value::Dictionary document{
        {"ad_type", Value(adType)}, {"qdata", Value("q")}, {"ad_networks", Value(std::move(list))}};
    if (!settings.empty()) document["settings"] = Value(std::move(settings));
    return Value(std::move(document));
}

std::shared_ptr<GADRequest> MediationTest::mediatedRequest(const Value& configuration) {
    auto request = GADRequest::request();
    request->registerAdNetworkExtras(GADExtras::create(Value::Dictionary{
        {"_ad", Value::dictionary({{"ad_json", configuration}})},
        {"_adHeaders", Value::dictionary({{"x-rade-mediation", Value("1")},
                                          {"content-type", Value("application/json")}})}}));
    return request;
}

void MediationTest::load(const Value& configuration, std::shared_ptr<GADRequest> request) {
    if (!request) request = GADRequest::request();
    Value::Dictionary extras;
    if (auto given = request->adNetworkExtrasFor<GADExtras>()) {
        extras = given->additionalParameters().value_or(Value::Dictionary{});
    }
    extras["_ad"] = Value::dictionary({{"ad_json", configuration}});
    extras["_adHeaders"] = Value::dictionary(
        {{"x-rade-mediation", Value("1")}, {"content-type", Value("application/json")}});
    request->registerAdNetworkExtras(GADExtras::create(std::move(extras)));
    const auto before = owner->events.size();
    const auto configBefore = GADSlotTestPeer(slot).mediationConfiguration();
    slot->loadRequest(request);
    platform::testing::runMainLoopUntil([&] {
        return GADSlotTestPeer(slot).mediationConfiguration() != configBefore ||
               owner->events.size() > before;
    });
}

std::vector<tools::adserver::LoggedRequest> MediationTest::pings(std::size_t count) {
    server.waitOnMainLoop(tools::adserver::RequestKind::MediationPing, count);
    return server.log().of(tools::adserver::RequestKind::MediationPing);
}

}  // namespace ads::testing
