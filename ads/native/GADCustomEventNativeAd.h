#pragma once

// A publisher's class that serves native ads as a custom event of the mediation waterfall. The
// publisher registers it in platform::ClassRegistry under its "class_name" with a factory for
// this interface and the instance call kRequestCall; the custom events adapter looks that call
// up before it makes an instance, so a class that cannot serve native requests is never made.
// The object answers its delegate (held weakly) with a mediated native ad or an error.
//
// Main thread, like the rest of mediation.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Error.h"

namespace platform::ui {
class ViewController;
}

namespace ads {

class GADAdLoaderOptions;
class GADCustomEventNativeAd;
class GADCustomEventRequest;
class GADMediatedNativeAdProtocol;

class GADCustomEventNativeAdDelegate {
  public:
    virtual ~GADCustomEventNativeAdDelegate() = default;
    virtual void customEventNativeAdDidReceiveMediatedNativeAd(
        GADCustomEventNativeAd& customEvent,
        const std::shared_ptr<GADMediatedNativeAdProtocol>& mediatedNativeAd) = 0;
    virtual void customEventNativeAdDidFailToLoadWithError(GADCustomEventNativeAd& customEvent,
                                                           const platform::Error& error) = 0;
};

class GADCustomEventNativeAd {
  public:
    static constexpr const char* kProtocolName = "GADCustomEventNativeAd";
    static constexpr const char* kRequestCall =
        "requestNativeAdWithParameter:request:adTypes:options:rootViewController:";

    virtual ~GADCustomEventNativeAd() = default;
    // The entry's "parameter", the publisher's targeting, the loader's ad types and options.
    virtual void requestNativeAdWithParameter(
        const std::optional<std::string>& serverParameter,
        const std::shared_ptr<const GADCustomEventRequest>& request,
        const std::vector<std::string>& adTypes,
        const std::vector<std::shared_ptr<GADAdLoaderOptions>>& options,
        const std::shared_ptr<platform::ui::ViewController>& rootViewController) = 0;
    virtual std::shared_ptr<GADCustomEventNativeAdDelegate> delegate() const = 0;
    virtual void setDelegate(std::weak_ptr<GADCustomEventNativeAdDelegate> delegate) = 0;
};

}  // namespace ads
