#include "RewardTestSupport.h"

#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADRequest.h"
#include "ads/fullscreen/GADFullScreenRoom.h"
#include "ads/mediation/GADMediationRoom.h"
#include "ads/slot/GADSlotRoom.h"
#include "platform/storage/Json.h"
#include "platform/testing/RunMainLoopUntil.h"

namespace ads::testing {

using platform::Value;

void RecordingRewardDelegate::rewardBasedVideoAdDidReceiveAd(GADRewardBasedVideoAd&) {
    events.push_back("receive");
}

void RecordingRewardDelegate::rewardBasedVideoAdDidFailToLoadwithError(
    GADRewardBasedVideoAd&, const platform::Error& error) {
    events.push_back("fail:" + std::to_string(error.code) + ":" + error.localizedDescription());
    errors.push_back(error);
}

void RecordingRewardDelegate::rewardBasedVideoAdDidOpen(GADRewardBasedVideoAd&) {
    events.push_back("open");
}

void RecordingRewardDelegate::rewardBasedVideoAdDidStartPlaying(GADRewardBasedVideoAd&) {
    events.push_back("start");
}

void RecordingRewardDelegate::rewardBasedVideoAdDidClose(GADRewardBasedVideoAd&) {
    events.push_back("close");
}

void RecordingRewardDelegate::rewardBasedVideoAdWillLeaveApplication(GADRewardBasedVideoAd&) {
    events.push_back("leave");
}

void RecordingRewardDelegate::rewardBasedVideoAdDidRewardUserWithReward(
    GADRewardBasedVideoAd&, const std::shared_ptr<const GADAdReward>& reward) {
    events.push_back(reward ? "reward:" + reward->type() + ":" + reward->amount().toString()
                            : std::string("reward:none"));
}

RewardTest::RewardTest() {
    GADFullScreenRoom::load();
    GADSlotRoom::load();
    registerMediationClasses();
    ad->setDelegate(delegate);
    for (const char* path : {"/ping", "/clk", "/imp", "/nofill"}) {
        server.get(path, [](const httplib::Request&, httplib::Response& res) {
            res.set_content("", "text/plain");
        });
    }
}

RewardTest::~RewardTest() {
    ad.reset();
    scope.runUntilIdle();
}

Value RewardTest::config(const std::vector<Network>& networks, Value::Dictionary settings,
                         const std::string& adType) {
    Value::Array list;
    int id = 0;
    for (const auto& network : networks) {
        Value::Dictionary entry = network.more;
        entry["id"] = Value(std::to_string(++id));
        entry["adapters"] = Value::array({Value(network.adapter)});
        list.emplace_back(std::move(entry));
    }
    Value::Dictionary document{
        {"ad_type", Value(adType)}, {"qdata", Value("q")}, {"ad_networks", Value(std::move(list))}};
    if (!settings.empty()) document["settings"] = Value(std::move(settings));
    return Value(std::move(document));
}

std::string RewardTest::pingTemplate(const std::string& kind) const {
    return server.url("/ping?kind=" + kind +
                      "&q=@gw_qdata@&v=@gw_sdkver@&s=@gw_sessid@&n=@gw_seqnum@&d=@gw_devid@"
                      "&r=@gw_adnetrefresh@&loc=@gw_adlocid@&net=@gw_adnetid@&alloc=@gw_allocid@"
                      "&aec=@gw_aec@&adt=@gw_adt@");
}

void RewardTest::load(const Value& configuration, const std::string& userID) {
    loadBody(platform::Json::write(configuration).value_or(""),
             {{"X-Rade-Mediation", "1"}, {"Content-Type", "Application/JSON; charset=utf-8"}},
             userID);
}

void RewardTest::loadBody(const std::string& body,
                          std::vector<std::pair<std::string, std::string>> headers,
                          const std::string& userID) {
    const std::string path = "/ad" + std::to_string(++served_);
    server.get(path, [body, headers](const httplib::Request&, httplib::Response& res) {
        std::string type = "text/plain";
        for (const auto& [name, value] : headers) {
            if (name == "Content-Type") {
                type = value;
            } else {
                res.set_header(name.c_str(), value);
            }
        }
        res.set_content(body, type.c_str());
    });
    auto request = GADRequest::request();
    request->registerAdNetworkExtras(GADExtras::create(
        Value::Dictionary{{"_ad", Value::dictionary({{"ad_url", Value(server.url(path))}})}}));
    const auto before = peer().mediationConfig();
    const auto heard = delegate->events.size();
    ad->loadRequest(request, "rewarded-unit", userID);
    platform::testing::runMainLoopUntil(
        [&] { return peer().mediationConfig() != before || delegate->events.size() > heard; });
}

std::vector<platform::testing::RecordedRequest> RewardTest::pings(std::size_t count) {
    platform::testing::runMainLoopUntil([&] { return server.requestCount("/ping") >= count; });
    return server.requestsFor("/ping");
}

}  // namespace ads::testing
