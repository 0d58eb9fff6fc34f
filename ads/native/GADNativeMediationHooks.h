#pragma once

// The native room's answers to the built-in adapters' native requests (GADMNativeAdapterHooks):
// the SDK's own network loads with a GADAdLoader and hands its content and app install ads to
// the connector as mediated native ads; a custom event makes the publisher's
// GADCustomEventNativeAd by name and relays its answer. registerNativeClasses() installs them.
//
// Texts the connector receives:
//   own network, a connector that takes no native ads: GADRequestError code 11 "Connector used
//     GADMAdNetworkConnectorNativeAd isn't a valid connector for requesting native ad"
//   own network, an ad arriving for such a connector: code 11 "Invalid connector used for
//     handling native ad."
//   custom event ("ad_mediation" code 1): "Connector used GADMAdNetworkConnectorNativeAd isn't a
//     valid connector for requesting native ad", "Cannot find Custom Event class named <name>."
//     (logged), "Custom event class <name> doesn't implement method <call>." (logged)
//   custom event, an ad arriving for another connector: code 11 "Native ad response received
//     for connector which can't processed native ad."
//
// Main thread only.

namespace ads {

void installNativeMediationHooks();

}  // namespace ads
