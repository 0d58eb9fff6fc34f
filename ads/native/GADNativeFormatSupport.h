#pragma once

// What the three native ad formats share in building themselves: reading texts of an ad
// object, a number's decimal text, and their class descriptor for the loader. Internal to the
// native room.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "ads/native/GADAdLoader.h"
#include "ads/native/GADAdLoading.h"
#include "platform/base/Value.h"

namespace ads {

// A copy of the text under the key; nothing when it is absent or no text.
std::optional<std::string> GADStringForKey(const platform::Value& object, std::string_view key);

// A number's decimal text ("12", "1.5", a boolean "1" or "0"); nothing for anything else.
std::optional<std::string> GADDecimalTextOfNumber(const platform::Value& value);

// The descriptor of a format whose ads are Ad, made by make, adding requestParameters to the
// loader's request and delivered through the app's Protocol callback (only to a delegate
// that adopts Protocol).
template <class Ad, class Protocol, class Make>
GADAdLoadingClass GADMakeNativeFormatClass(
    const char* name, Make make,
    std::function<std::optional<platform::Value::Dictionary>(GADAdLoader&)> requestParameters,
    void (Protocol::*didReceive)(GADAdLoader&, const std::shared_ptr<Ad>&)) {
    auto loading = GADAdLoading::withProtocol<Protocol>(name);
    loading.requestParametersForAdLoader = std::move(requestParameters);
    loading.make = [make](const platform::Value& adObject,
                          const std::optional<GADAdLoaderOptionsMap>& options)
        -> std::shared_ptr<GADNativeAd> { return make(adObject, options); };
    loading.adLoaderDidReceiveAd = [didReceive](GADNativeAd& nativeAd, GADAdLoader& loader) {
        auto* ad = dynamic_cast<Ad*>(&nativeAd);
        auto delegate = std::dynamic_pointer_cast<Protocol>(loader.delegate());
        if (ad && delegate) {
            ((*delegate).*didReceive)(loader, std::static_pointer_cast<Ad>(ad->shared_from_this()));
        }
    };
    return std::make_shared<const GADAdLoading>(std::move(loading));
}

// {"format": <number>}: what content and app install ads add to the loader's request.
platform::Value::Dictionary GADFormatRequestParameters(GADNativeAdFormat format);

}  // namespace ads
