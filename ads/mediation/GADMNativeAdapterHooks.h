#pragma once

// Native ads stand above mediation (ads/native includes this room, never the reverse), yet two
// of the built-in adapters serve native requests: the SDK's own network loads native ads with
// the native room's ad loader, and custom events hand the request to the publisher's native
// class. The native room fills these hooks at start-up (registerNativeClasses). While a hook is
// unset, the adapter fails the request as it does for a connector that cannot take native ads:
// the same text, in the adapter's own failure form (code 11 for the SDK's own network, the
// custom event failure for custom events).
//
// A hook answers on the adapter's behalf: it checks the connector, reports the ad or the
// failure to the connector naming the adapter, and returns what the adapter keeps until its
// next request or stopBeingDelegate. Main thread only.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ads {

class GADMAdNetworkAdapterProtocol;
class GADMAdNetworkConnectorProtocol;
class GADCustomEventRequest;

// The name the native room registers its connector under, and what an adapter or hook says when
// a request's connector is not that one (or no hook is set).
inline constexpr const char* kGADMNativeConnectorClassName = "GADMAdNetworkConnectorNativeAd";
inline constexpr const char* kGADMInvalidNativeConnectorText =
    "Connector used GADMAdNetworkConnectorNativeAd isn't a valid connector for requesting native "
    "ad";

struct GADMNativeRequest {
    // The adapter the connector's callbacks name; held weakly, as the adapter holds the hook's
    // objects and not the other way round.
    std::weak_ptr<GADMAdNetworkAdapterProtocol> adapter;
    std::shared_ptr<GADMAdNetworkConnectorProtocol> connector;
    // The native loader's ad types and options, as getNativeAdWithAdTypes received them.
    std::vector<std::string> adTypes;
    std::vector<std::shared_ptr<void>> options;
};

// What an adapter keeps of a native request: the native side's object (the ad loader, or the
// publisher's native custom event) and how to stop it calling back.
struct GADMNativeRequestHandle {
    std::shared_ptr<void> object;
    std::function<void()> stopCallbacks;
};

struct GADMNativeAdapterHooks {
    // The SDK's own network: load for the connector's ad unit and root controller.
    std::function<GADMNativeRequestHandle(const GADMNativeRequest&)> ownNetwork;

    // Custom events: make the publisher's native class (its "class_name"), checked in the class
    // registry before an instance is made, and send it the request with its "parameter".
    struct CustomEvent {
        std::string className;
        std::optional<std::string> parameter;
        std::shared_ptr<const GADCustomEventRequest> request;
    };
    std::function<GADMNativeRequestHandle(const GADMNativeRequest&, const CustomEvent&)>
        customEvent;
};

// The one set of hooks; the native room writes it once at start-up, adapters read it per request.
GADMNativeAdapterHooks& nativeAdapterHooks();

}  // namespace ads
