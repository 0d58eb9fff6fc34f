#include "ads/mediation/GADMediationRoom.h"

#include "ads/mediation/GADMAdManager.h"
#include "ads/mediation/GADMAdNetworkConnectorBanner.h"
#include "ads/mediation/GADMAdNetworkConnectorInterstitial.h"
#include "ads/mediation/GADMAdURLAdapter.h"
#include "ads/mediation/GADMAdapterCustomEvents.h"
#include "ads/mediation/GADMAdapterHTML.h"
#include "ads/mediation/GADMAdapterZivivuDuRezAds.h"
#include "ads/slot/GADAdResponseProcessors.h"
#include "ads/slot/GADSlot.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/Once.h"

namespace ads {

void registerMediationClasses() {
    static platform::Once once;
    once.call([] {
        GADAdResponseProcessors::shared().setEntry(
            GADAdResponseType::Mediation, {[](GADSlot& slot, const std::shared_ptr<GADAd>& ad) {
                                               mediatedSlotOf(slot).processMediationAdResponse(ad);
                                           },
                                           false});
        platform::ClassRegistry::shared().registerClass<GADMSlotDelegate>(
            GADMSlotDelegate::kClassName, "NSObject", {"GADMSlotDelegate", "GADMConnectorDelegate"},
            [] { return GADMAdManager::create(); });
        GADMAdNetworkConnector::registerClass();
        GADMAdNetworkConnectorBanner::registerClass();
        GADMAdNetworkConnectorInterstitial::registerClass();

        // The built-in adapter for HTML creatives carried in the mediation answer.
        GADMAdapterHTML::registerClass();

        // The built-in adapters of the SDK's own ads: by ad unit, and by the SDK core's ad.
        GADMAdapterZivivuDuRezAds::registerClass();
        GADMAdURLAdapter::registerClass();

        // Custom events: the publisher's own classes, named by the configuration.
        GADMAdapterCustomEvents::registerClass();
    });
}

}  // namespace ads
