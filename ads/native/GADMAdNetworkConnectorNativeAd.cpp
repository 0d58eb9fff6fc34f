#include "ads/native/GADMAdNetworkConnectorNativeAd.h"

#include "ads/mediation/GADMConnectorDelegate.h"
#include "ads/native/GADAdLoaderConfiguration.h"
#include "ads/native/GADAdLoading.h"
#include "ads/native/GADMediatedNativeAd.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

void GADMAdNetworkConnectorNativeAd::registerClass() {
    platform::ClassRegistry::shared().registerClass<GADMAdNetworkConnector>(
        kClassName, GADMAdNetworkConnector::kClassName, {},
        [] { return std::make_shared<GADMAdNetworkConnectorNativeAd>(); });
}

void GADMAdNetworkConnectorNativeAd::setAdLoaderConfiguration(std::shared_ptr<void> configuration) {
    adLoaderConfiguration_ =
        std::static_pointer_cast<const GADAdLoaderConfiguration>(configuration);
}

void GADMAdNetworkConnectorNativeAd::getAdFromAdapterWithType(const GADAdType&) {
    MOVU_CHECK_MAIN_THREAD();
    auto adapter = this->adapter();
    if (!adapter) return;
    const auto name = adapterClassName();
    if (!name || !platform::ClassRegistry::shared().instancesRespondTo(
                     *name, GADMAdNetworkAdapterProtocol::kGetNativeAdCall)) {
        failInternally(name.value_or("(null)") +
                       " adapter doesn't implement protocol for fetching native ad.");
        return;
    }
    std::vector<std::string> adTypes;
    std::vector<std::shared_ptr<void>> options;
    if (adLoaderConfiguration_) {
        adTypes.assign(adLoaderConfiguration_->adTypes().begin(),
                       adLoaderConfiguration_->adTypes().end());
        if (const auto& given = adLoaderConfiguration_->options()) {
            for (const auto& [className, option] : *given) options.push_back(option);
        }
    }
    adapter->getNativeAdWithAdTypes(adTypes, options);
}

void GADMAdNetworkConnectorNativeAd::adapterDidReceiveMediatedNativeAd(
    Adapter& adapter, const std::shared_ptr<void>& nativeAd) {
    MOVU_CHECK_MAIN_THREAD();
    auto keep = shared_from_this();
    // A helper object of the network has no registered name of its own: its type names it.
    std::string className = isOwnAdapter(adapter) ? adapterClassName().value_or("")
                                                  : GADDemangledTypeName(typeid(adapter));
    auto wrapper = std::make_shared<GADMediatedNativeAd>(
        std::move(className), std::static_pointer_cast<GADMediatedNativeAdProtocol>(nativeAd));
    if (auto manager = adManager())
        manager->adRequestReturnsFromConnectorWithMediatedAd(*this, wrapper);
}

void GADMAdNetworkConnectorNativeAd::adapterDidFailAd(Adapter& adapter,
                                                      const platform::Error& error) {
    if (!isOwnAdapter(adapter)) return;
    auto keep = shared_from_this();
    if (auto manager = adManager()) manager->adRequestFailedFromConnectorWithError(*this, error);
}

}  // namespace ads
