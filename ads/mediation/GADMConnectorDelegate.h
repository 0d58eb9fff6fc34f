#pragma once

// What a connector tells the manager that made it (GADMAdManager): its network delivered a
// banner view, an interstitial or a native ad, or failed. Connectors also reach the slot, and
// through it the publisher's request, by the manager. Main thread only; connectors hold the
// manager weakly.

#include <memory>

#include "platform/base/Error.h"

namespace platform::ui {
class View;
}

namespace ads {

class GADMAdNetworkConnector;
class GADMediatedAd;
class GADSlot;

class GADMConnectorDelegate {
  public:
    virtual ~GADMConnectorDelegate() = default;

    virtual std::shared_ptr<GADSlot> slot() const = 0;
    virtual void adRequestReturnsFromConnectorWithView(
        GADMAdNetworkConnector& connector, const std::shared_ptr<platform::ui::View>& view) = 0;
    virtual void adRequestReturnsFromConnectorWithInterstitial(
        GADMAdNetworkConnector& connector) = 0;
    virtual void adRequestReturnsFromConnectorWithMediatedAd(
        GADMAdNetworkConnector& connector, const std::shared_ptr<GADMediatedAd>& mediatedAd) = 0;
    virtual void adRequestFailedFromConnectorWithError(GADMAdNetworkConnector& connector,
                                                       const platform::Error& error) = 0;
};

}  // namespace ads
