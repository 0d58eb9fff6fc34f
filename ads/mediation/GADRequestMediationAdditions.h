#pragma once

// The request an adapter sends when its network is the SDK's own ad classes (the built-in
// adapters): a fresh GADRequest carrying the publisher's targeting as the connector gives it,
// the network's extras (copied: the publisher's extras object never changes) and the adapter
// list the server reads ("man", "mcan"). It lies one waterfall deeper than the publisher's
// request (GADRequest::mediationDepth). A connector of another kind (the rewarded video one)
// goes through the same steps without the ad-network-only ones. Main thread.

#include <memory>

namespace ads {

class GADMAdNetworkAdapterProtocol;
class GADMAdNetworkConnectorProtocol;
class GADMRewardBasedVideoAdNetworkAdapter;
class GADMRewardBasedVideoAdNetworkConnector;
class GADRequest;

struct GADRequestMediationAdditions {
    static std::shared_ptr<GADRequest> requestWithConnector(
        const GADMAdNetworkConnectorProtocol& connector,
        const GADMAdNetworkAdapterProtocol& adapter);
    // The two last steps; each does nothing without both a connector and an adapter.
    static void configureNetworkExtrasWithConnector(GADRequest& request,
                                                    const GADMAdNetworkConnectorProtocol* connector,
                                                    const GADMAdNetworkAdapterProtocol* adapter);
    static void addAdapterListWithConnector(GADRequest& request,
                                            const GADMAdNetworkConnectorProtocol* connector,
                                            const GADMAdNetworkAdapterProtocol* adapter);

    // The rewarded video connector's request: no request agent and no entry extras, and the
    // adapter list is the adapter's own class alone.
    static std::shared_ptr<GADRequest> requestWithConnector(
        const GADMRewardBasedVideoAdNetworkConnector& connector,
        const GADMRewardBasedVideoAdNetworkAdapter& adapter);
};

}  // namespace ads
