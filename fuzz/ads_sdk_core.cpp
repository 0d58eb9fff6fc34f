// What the SDK core page sends native code: the parameters of "loadAdURL", "loadAd",
// "loadSdkConstants" and "fetchHttpRequest". The page is untrusted: whatever it sends must be
// read into a request we may start (only http(s), with a text id) or an answer we give at
// once, constants of the right kinds, an ad whose every URL is on the web, and an answer back
// into the page that stays one script call whatever the fetched body holds, and no longer than
// the bound its bytes were taken by.

#include <cmath>
#include <string>

#include "FuzzSupport.h"
#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADURLUtilities.h"
#include "ads/web/GADSDKConstants.h"
#include "ads/web/GADSDKCoreController.h"
#include "ads/web/GADSDKCoreGMSGHandler.h"
#include "platform/storage/Json.h"

namespace {

using ads::GADSDKCoreGMSGHandler;
using platform::Value;

void checkFetch(const Value::Dictionary& parameters) {
    const auto parsed = GADSDKCoreGMSGHandler::parseFetchHttpRequest(parameters);
    FUZZ_CHECK(parsed.request.has_value() != parsed.error.has_value());
    if (!parsed.request) return;
    const auto& url = parsed.request->url;
    FUZZ_CHECK(ads::gad_isSchemeEqualToString(url, "http", false) ||
               ads::gad_isSchemeEqualToString(url, "https", false));
    FUZZ_CHECK(!url.host().empty());
    FUZZ_CHECK(parsed.request->requestID == parsed.requestID);
}

// The answer is one call whose argument is JSON the page can read, with nothing in it that
// would end a script string or a script element early.
void checkAnswer(const std::string& text) {
    ads::GADSDKCoreFetchResponse response;
    response.responseCode = static_cast<std::int64_t>(text.size()) - 3;
    response.body = text;
    response.requestID = text.substr(0, 16);
    response.headers = {{"x-rade-" + text.substr(0, 8), text}};
    const std::string command = GADSDKCoreGMSGHandler::fetchCompletedCommand(false, text, response);
    // The page's budget is taken by the bound before the answer is written.
    FUZZ_CHECK(command.size() <=
               GADSDKCoreGMSGHandler::fetchCompletedCommandSizeBound(false, text, response));
    const std::string head = "RADE_ReceiveMessage('fetchHttpRequestCompleted', ";
    FUZZ_CHECK(command.rfind(head, 0) == 0 && command.back() == ')');
    const std::string json = command.substr(head.size(), command.size() - head.size() - 1);
    FUZZ_CHECK(json.find("\xE2\x80\xA8") == std::string::npos);
    FUZZ_CHECK(json.find("\xE2\x80\xA9") == std::string::npos);
    FUZZ_CHECK(json.find("</") == std::string::npos);
    auto back = platform::Json::parse(json);
    FUZZ_CHECK(back && back->isDictionary());
    FUZZ_CHECK((*back)["success"] == Value("false"));
    FUZZ_CHECK((*back)["response"]["response_code"] == Value(response.responseCode));
}

bool onTheWeb(const platform::Url& url) {
    return (ads::gad_isSchemeEqualToString(url, "http", false) ||
            ads::gad_isSchemeEqualToString(url, "https", false)) &&
           !url.host().empty();
}

void checkFetchedAd(const Value& object) {
    for (auto type : {ads::GADRequestedAdType::Generic, ads::GADRequestedAdType::Banner,
                      ads::GADRequestedAdType::Interstitial}) {
        auto ad = ads::GADSDKCoreController::adFromFetchedAd(type, object);
        FUZZ_CHECK(static_cast<bool>(ad) == object.isDictionary());
        if (!ad) continue;
        for (const auto* url : {&ad->adURL(), &ad->adBaseURL(), &ad->adNetworkPassbackURL()}) {
            if (*url) FUZZ_CHECK(onTheWeb(**url));
        }
        for (const auto* set :
             {&ad->clickURLs(), &ad->impressionURLs(), &ad->manualImpressionURLs()}) {
            for (const auto& url : *set) FUZZ_CHECK(onTheWeb(url));
        }
    }
}

void checkConstants(const Value::Dictionary& parameters) {
    const auto constants = ads::GADSDKConstants::fromParameters(parameters);
    if (constants.activeViewUnloadCacheSize) FUZZ_CHECK(*constants.activeViewUnloadCacheSize >= 1);
    for (auto interval :
         {constants.activeViewSamplingInterval, constants.swipeToViewSamplingInterval}) {
        if (interval) FUZZ_CHECK(*interval >= 0 && std::isfinite(*interval));
    }
    for (const auto& [key, text] : constants.plainConstants) {
        FUZZ_CHECK(key.rfind("/zivivu/ads/", 0) == 0 && !text.empty());
    }
    if (constants.clickthroughConfirmSchemes) {
        bool textToText = false;
        for (const auto& [scheme, title] : *constants.clickthroughConfirmSchemes) {
            textToText = textToText || title.isString();
        }
        FUZZ_CHECK(textToText);
    }
    if (constants.adapterClassNames) {
        for (const auto& name : *constants.adapterClassNames) FUZZ_CHECK(!name.empty());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(fuzz::bytes(data, size));

    // As a message's query: every action's parameters at once.
    const Value::Dictionary query = ads::gad_dictionaryFromQueryParameters(text, false);
    checkFetch(query);
    checkConstants(query);
    (void)GADSDKCoreGMSGHandler::decodeFetchedAd(query);

    // As the JSON values the page puts into single parameters.
    checkFetch({{"http_request", Value(text)}});
    if (auto ad = GADSDKCoreGMSGHandler::decodeFetchedAd({{"fetched_ad", Value(text)}})) {
        (void)ad->description();
        checkFetchedAd(*ad);
    }
    checkConstants({{"refresh_intervals", Value(text)},
                    {"whitelisted_ad_request_domains", Value(text)},
                    {"clickthrough_confirm_schemes", Value(text)},
                    {"active_view_unload_cache_size", Value(text)},
                    {"adapter_class_names", Value(text)}});
    checkAnswer(text);
    return 0;
}
