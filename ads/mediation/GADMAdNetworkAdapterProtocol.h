#pragma once

// What an ad network's adapter offers the SDK. An adapter class is registered by name in
// platform::ClassRegistry with a factory for this interface, the protocol name
// kProtocolName, the instance calls it answers (kGetBannerCall, kGetInterstitialCall and,
// when it has them, the optional kGetNativeAdCall and kChangeAdSizeCall) and a
// GADMAdapterClassRecord for what its class answers. A class that lists neither loading
// call implements an old API and is not used.
//
// The waterfall makes an adapter with the factory, then calls initWithGADMAdNetworkConnector
// with its connector, which the adapter keeps weakly for its callbacks. Main thread only: the
// adapter is driven there and calls its connector back there.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/foundation/GADAdSize.h"

namespace platform::ui {
class ViewController;
}

namespace ads {

class GADMAdNetworkConnectorProtocol;

// What an adapter class answers without an instance; each part is optional, and a part that
// is missing is a call the class does not answer.
struct GADMAdapterClassRecord {
    std::function<std::string()> adapterVersion;
    // The class name the adapter's network extras are registered under in a request.
    std::optional<std::string> networkExtrasClass;
};

class GADMAdNetworkAdapterProtocol {
  public:
    static constexpr const char* kProtocolName = "GADMAdNetworkAdapter";
    static constexpr const char* kGetBannerCall = "getBannerWithSize:";
    static constexpr const char* kGetInterstitialCall = "getInterstitial";
    static constexpr const char* kGetNativeAdCall = "getNativeAdWithAdTypes:options:";
    static constexpr const char* kChangeAdSizeCall = "changeAdSizeTo:";
    static constexpr const char* kPresentInterstitialCall =
        "presentInterstitialFromRootViewController:";

    virtual ~GADMAdNetworkAdapterProtocol() = default;

    virtual void initWithGADMAdNetworkConnector(
        std::weak_ptr<GADMAdNetworkConnectorProtocol> connector) = 0;
    virtual void getBannerWithSize(const GADAdSize& size) = 0;
    virtual void getInterstitial() = 0;
    // After this the adapter calls neither its connector nor its network's library back.
    virtual void stopBeingDelegate() = 0;
    virtual bool isBannerAnimationOK(std::int64_t animationType) = 0;
    virtual void presentInterstitialFromRootViewController(
        const std::shared_ptr<platform::ui::ViewController>& root) = 0;

    // Optional (answered only when the class lists the call). The types and options are the
    // native loader's, opaque here.
    virtual void getNativeAdWithAdTypes(const std::vector<std::string>& adTypes,
                                        const std::vector<std::shared_ptr<void>>& options) {
        (void)adTypes;
        (void)options;
    }
    virtual void changeAdSizeTo(const GADAdSize& size) { (void)size; }
    // The version an instance reports when its class has none.
    virtual std::optional<std::string> adapterVersion() const { return std::nullopt; }
};

}  // namespace ads
