// An ad from the JSON ad object the SDK core page hands over (or one a publisher passes with
// a request), read key by key in a fixed order.

#include <cctype>

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADBannerAd.h"
#include "ads/foundation/GADInterstitialAd.h"
#include "ads/foundation/GADJSONAdditions.h"
#include "ads/foundation/GADURLUtilities.h"

namespace ads {

using platform::Value;

namespace {

// The page is untrusted: an ad may render from or fetch only the web, never a local file.
std::optional<platform::Url> webURL(const Value* text) {
    if (!text || !text->isString()) return std::nullopt;
    return gad_webURLFromString(text->stringRef());
}

std::vector<platform::Url> webURLs(const Value& dictionary, std::string_view key) {
    std::vector<platform::Url> urls;
    const Value* list = gad_objectForKey(dictionary, key, &Value::isArray);
    if (!list) return urls;
    for (const Value& element : list->asArray()) {
        if (auto url = webURL(&element)) urls.push_back(std::move(*url));
    }
    return urls;
}

}  // namespace

void GADAd::readDictionary(const Value& dictionary) {
    if (dictionary.isDictionary()) sourceDictionary_ = dictionary;
    const Value* html = gad_objectForKey(dictionary, "ad_html", &Value::isString);
    auto baseURL = webURL(dictionary.find("ad_base_url"));
    if (html && !html->stringRef().empty() && baseURL) {
        adHTML_ = html->stringRef();
        adBaseURL_ = std::move(baseURL);
    } else {
        adURL_ = webURL(dictionary.find("ad_url"));
    }
    if (const Value* json = gad_objectForKey(dictionary, "ad_json", &Value::isDictionary);
        json && !adHTML_) {
        adHTML_ = gad_JSONString(*json, false);
    }
    size_ = GADAdSizeFromCGSize(CGSizeFromGADAdSizeString(
        dictionary.get("ad_size").isString() ? dictionary.get("ad_size").stringRef() : ""));
    if (const Value* words = gad_objectForKey(dictionary, "orientation", &Value::isString)) {
        if (unsigned mask = GADSupportedOrientationsFromString(words->stringRef())) {
            supportedOrientations_ = mask;
        }
    }
    const Value& javaScript = dictionary.get("ad_is_javascript");
    hasAdNetworkJavaScript_ = javaScript.isNumber() && javaScript.asBool();
    if (hasAdNetworkJavaScript_) adNetworkPassbackURL_ = webURL(dictionary.find("ad_passback_url"));
    if (const Value* dialog = gad_objectForKey(dictionary, "debug_dialog", &Value::isString)) {
        debugDialog_ = dialog->stringRef();
    }
    if (const Value* activeView =
            gad_objectForKey(dictionary, "active_view", &Value::isDictionary)) {
        activeViewConfigurations_ = activeView->asDictionary();
    }
    if (const Value* swipe =
            gad_objectForKey(dictionary, "swipe_to_viewcontroller", &Value::isDictionary);
        swipe && swipe->size() > 0) {
        swipeToViewControllerConfigurations_ = *swipe;
    }
    addClickURLsFromArray(webURLs(dictionary, "click_urls"));
    addImpressionURLsFromArray(webURLs(dictionary, "impression_urls"));
    addManualImpressionURLsFromArray(webURLs(dictionary, "manual_impression_urls"));
}

std::shared_ptr<GADAd> GADAd::createWithDictionary(const Value& dictionary) {
    auto ad = create();
    ad->readDictionary(dictionary);
    return ad;
}

std::shared_ptr<GADBannerAd> GADBannerAd::createWithDictionary(const Value& dictionary) {
    auto ad = create();
    ad->readDictionary(dictionary);
    const Value& rate = dictionary.get("refresh_rate");
    if (rate.isNumber()) ad->setReloadInterval(rate.asReal());
    return ad;
}

std::shared_ptr<GADInterstitialAd> GADInterstitialAd::createWithDictionary(
    const Value& dictionary) {
    auto ad = create();
    ad->readDictionary(dictionary);
    return ad;
}

}  // namespace ads
