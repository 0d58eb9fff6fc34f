// A server's mediation configuration: bytes decoded as JSON and parsed into the waterfall's
// networks, then every ping template it carries filled with values taken from it. Whatever
// arrives, the parse either fails with code 7 or gives settings the waterfall can run on, and
// filling never grows a template without placeholders. The first reward description is made
// into the reward a rewarded video pays: whole or none, its amount written back exactly.

#include <cmath>

#include "FuzzSupport.h"
#include "ads/foundation/GADJSONAdditions.h"
#include "ads/mediation/GADAdReward.h"
#include "ads/mediation/GADMUtilities.h"
#include "ads/slot/GADMConfig.h"

namespace {

void fill(const std::string& templ, const ads::GADMediationPingValues& values) {
    const std::string url = ads::GADMUtilities::mediationURLFrom(templ, values);
    if (templ.find('@') == std::string::npos) FUZZ_CHECK(url == templ);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = fuzz::bytes(data, size);
    const auto decoded = ads::gad_decodedJSONObject(text);
    std::optional<ads::GADRequestError> error;
    auto config = ads::GADMConfig::create("fuzz-unit", decoded.value_or(platform::Value()), error);
    if (!config) {
        FUZZ_CHECK(error && error->code == ads::kGADErrorMediationDataError);
        return 0;
    }
    FUZZ_CHECK(std::isfinite(config->adNetworkTimeout()) && config->adNetworkTimeout() > 0);
    FUZZ_CHECK(!std::isnan(config->refreshInterval()) &&
               config->refreshInterval() < ads::GADMConfig::kRefreshIntervalLimit);
    FUZZ_CHECK(config->bannerAnimationType() >= 0 && config->bannerAnimationType() <= 8);
    (void)config->description();

    if (!config->rewards().empty()) {
        const auto& first = config->rewards().front();
        if (auto reward = ads::GADAdReward::createWithRewardDictionary(&first)) {
            FUZZ_CHECK(first.get("rb_type").isString() &&
                       first.get("rb_type").stringRef() == reward->type());
            FUZZ_CHECK(first.get("rb_amount").isNumber());
            FUZZ_CHECK(platform::Decimal::parse(reward->amount().toString()) == reward->amount());
        }
    }

    ads::GADMediationPingValues values;
    values.adLocationID = config->appKey();
    values.qData = config->qdata().value_or("");
    values.sessionID = "session";
    values.sequenceNumber = "7";
    values.exitCodes = "3,1,0";
    values.durations = "10000,5,40";
    for (const auto* list :
         {&config->impressionURLs(), &config->clickURLs(), &config->noFillURLs()}) {
        for (const auto& templ : *list) fill(templ, values);
    }
    for (const auto& network : config->adNetworkConfigs()) {
        FUZZ_CHECK(!network->networkID().empty());
        values.adNetworkID = network->networkID();
        values.allocationID = network->allocationID();
        values.adNetworkRefresh = !values.adNetworkRefresh;
        for (const auto* list : {&network->impressionURLs(), &network->clickURLs()}) {
            for (const auto& templ : *list) fill(templ, values);
        }
        (void)network->description();
    }
    return 0;
}
