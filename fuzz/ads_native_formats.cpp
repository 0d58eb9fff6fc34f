// A server's native ad object made into each of the three formats, and the custom template
// ids an app hands over written into the request. Input: a JSON object {"ad": ad object,
// "ids": template ids, "options": [disable image loading, multiple images]}; a bare object
// is the ad itself, a bare array the ids.

#include <algorithm>

#include "FuzzSupport.h"
#include "ads/native/GADAdLoaderOptions.h"
#include "ads/native/GADNativeAdImage.h"
#include "ads/native/GADNativeAppInstallAd.h"
#include "ads/native/GADNativeContentAd.h"
#include "ads/native/GADNativeCustomTemplateAd.h"
#include "ads/native/GADOverlayView.h"
#include "platform/storage/Json.h"

namespace {

using platform::Value;

std::optional<ads::GADAdLoaderOptionsMap> optionsOf(const Value& flags) {
    if (!flags.isArray()) return std::nullopt;
    auto options = ads::GADNativeAdImageAdLoaderOptions::create();
    const auto& list = flags.asArray();
    options->disableImageLoading = !list.empty() && list[0].boolValue();
    options->shouldRequestMultipleImages = list.size() > 1 && list[1].boolValue();
    return ads::GADAdLoaderOptionsMap{{ads::GADNativeAdImageAdLoaderOptions::kClassName, options}};
}

void checkImageAd(const ads::GADNativeImageAd& ad, const Value& adObject) {
    FUZZ_CHECK(ad.attribution());
    FUZZ_CHECK(ad.overlayView() && ad.overlayView()->isHidden());
    FUZZ_CHECK(ad.images().empty());
    const Value& entries = adObject.get("images");
    FUZZ_CHECK(ad.configuredImages().size() <=
               (entries.isArray() ? entries.asArray().size() : std::size_t{0}));
    for (const auto& image : ad.configuredImages()) FUZZ_CHECK(image->imageURL());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = platform::Json::parse(fuzz::bytes(data, size));
    if (!input) return 0;
    Value adObject = *input;
    std::optional<Value::Array> ids;
    std::optional<ads::GADAdLoaderOptionsMap> options;
    if (input->isArray()) {
        ids = input->asArray();
    } else if (const Value* ad = input->find("ad")) {
        adObject = *ad;
        if (const Value* list = input->find("ids"); list && list->isArray()) ids = list->asArray();
        options = optionsOf(input->get("options"));
    }

    const auto parameters = ads::GADNativeCustomTemplateAd::requestParametersForTemplateIDs(ids);
    FUZZ_CHECK(parameters.at("format") == Value(3));
    const Value& kept = parameters.at("custom_template_ids");
    FUZZ_CHECK(kept.isArray() && kept.asArray().size() <= (ids ? ids->size() : 0));
    for (const Value& id : kept.asArray()) FUZZ_CHECK(id.isString());

    if (auto content = ads::GADNativeContentAd::create(adObject, options)) {
        FUZZ_CHECK(content->headline() && content->body());
        checkImageAd(*content, adObject);
    }
    if (auto install = ads::GADNativeAppInstallAd::create(adObject, options)) {
        FUZZ_CHECK(install->headline() && install->callToAction() && install->icon());
        checkImageAd(*install, adObject);
    }
    if (auto custom = ads::GADNativeCustomTemplateAd::create(adObject, options)) {
        const auto keys = custom->availableAssetKeys();
        // Sorted, each once: the order is total whatever the names hold.
        FUZZ_CHECK(std::adjacent_find(keys.begin(), keys.end()) == keys.end());
        auto sorted = keys;
        std::sort(sorted.begin(), sorted.end());
        FUZZ_CHECK(std::unique(sorted.begin(), sorted.end()) == sorted.end());
        for (const auto& key : keys) FUZZ_CHECK(!key.empty() && !custom->imageForKey(key));
        FUZZ_CHECK(custom->description().find("availableAssetKeys:[") != std::string::npos);
        // Valid exactly when its id was asked for.
        Value::Dictionary own = parameters;
        auto list = kept.asArray();
        const bool asked =
            std::find(list.begin(), list.end(), Value(custom->templateID())) != list.end();
        FUZZ_CHECK(custom->hasValidConfigurationForRequestParameters(own) == asked);
        list.emplace_back(custom->templateID());
        own["custom_template_ids"] = Value(std::move(list));
        FUZZ_CHECK(custom->hasValidConfigurationForRequestParameters(own));
    }
    return 0;
}
