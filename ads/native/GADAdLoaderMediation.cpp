// GADAdLoader(Mediation): the loader as its slot's mediation delegate. The waterfall asks each
// network through the native connector; the first network's native ad that becomes one of the
// app's formats and loads its assets ends the pass.

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADInternalError.h"
#include "ads/mediation/GADMediatedAd.h"
#include "ads/native/GADAdLoader.h"
#include "ads/native/GADAdLoaderDelegate.h"
#include "ads/native/GADMAdNetworkConnectorNativeAd.h"
#include "ads/native/GADMediatedNativeAd.h"
#include "ads/native/GADNativeAd.h"
#include "ads/slot/GADSlot.h"
#include "ads/web/GADAdView.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/runtime/WeakCall.h"

namespace ads {

namespace {
// The private domain's code for a mediated ad the loader cannot use.
constexpr std::int64_t kUnusableMediatedAdCode = 11;
}  // namespace

bool GADAdLoader::slotShouldProcessMediatedAdResponse(GADSlot&, const std::shared_ptr<GADAd>& ad,
                                                      std::optional<platform::Error>&) {
    if (ad) ad->setMediationDelegate(weak_from_this());
    return true;
}

std::string GADAdLoader::connectorClassForAd(const GADAd&) {
    return GADMAdNetworkConnectorNativeAd::kClassName;
}

std::shared_ptr<void> GADAdLoader::adLoaderConfigurationForAd(const GADAd&) {
    // The connector only reads it.
    return std::const_pointer_cast<GADAdLoaderConfiguration>(configuration_);
}

void GADAdLoader::processMediatedAd(const GADAd&, const std::shared_ptr<void>& mediatedAd,
                                    Completion completion) {
    MOVU_CHECK_MAIN_THREAD();
    // The manager hands every network's ad as the GADMediatedAd it made.
    const auto given = std::static_pointer_cast<GADMediatedAd>(mediatedAd);
    auto native = std::dynamic_pointer_cast<GADMediatedNativeAd>(given);
    if (!native) {
        const GADMediatedAd* givenAd = given.get();
        const std::string className = givenAd ? GADDemangledTypeName(typeid(*givenAd)) : "(null)";
        if (completion)
            completion(gad_errorWithCode(
                kUnusableMediatedAdCode,
                "Ad loader currently isn't able to process returned mediated ad class " +
                    className));
        return;
    }
    processMediatedNativeAd(native, std::move(completion));
}

void GADAdLoader::processMediatedNativeAd(const std::shared_ptr<GADMediatedNativeAd>& mediatedAd,
                                          Completion completion) {
    MOVU_CHECK_MAIN_THREAD();
    if (!mediatedAd) return;
    const auto loading = GADNativeAd::classFromMediatedNativeAd(*mediatedAd);
    auto delegate = delegate_.lock();
    platform::Error conformance;
    if (!GADDelegateConformsToAdClassProtocol(delegate.get(), loading.get(), &conformance)) {
        if (completion) completion(conformance);
        return;
    }

    std::shared_ptr<GADNativeAd> nativeAd;
    if (auto own = std::dynamic_pointer_cast<GADNativeAd>(mediatedAd->ad())) {
        // The SDK's own network: its ad goes to the app as it is, reporting through the
        // wrapper to the manager only.
        nativeAd = own;
        mediatedAd->setAd(nullptr);
        nativeAd->setMediatedNativeAd(mediatedAd);
        nativeAd->setAdNetworkClassName(mediatedAd->adNetworkClassName());
    } else if (loading->makeMediated) {
        nativeAd = loading->makeMediated(mediatedAd,
                                         configuration_ ? configuration_->options() : std::nullopt);
    }
    if (!nativeAd) {
        if (completion)
            completion(
                gad_errorWithCode(kUnusableMediatedAdCode,
                                  "Ad loader failed to process mediated native ad response."));
        return;
    }

    nativeAd->setAdUnitID(adUnitID_);
    nativeAd->setRootViewController(rootViewController_);
    // Only an SDK ad has a slot (its support page's).
    if (const auto& slot = nativeAd->slot()) {
        slot->setAdUnitID(adUnitID_);
        if (auto adView = slot->adView()) adView->setViewController(rootViewController_);
    }
    nativeAds_.push_back({nativeAd, loading});
    std::weak_ptr<GADNativeAd> weakAd = nativeAd;
    nativeAd->loadAssetsWithCompletionHandler(platform::weakCall(
        weak_from_this(), [weakAd, completion = std::move(completion)](
                              GADAdLoader& loader, const std::optional<platform::Error>& error) {
            auto ad = weakAd.lock();
            if (!ad) return;
            if (error) {
                // The ad goes with its failure; the manager asks the next network.
                loader.takeLoadingAd(ad);
                if (completion) completion(error);
                return;
            }
            if (completion) completion(std::nullopt);
            loader.nativeAdDidFinishLoadingAssets(ad);
        }));
}

}  // namespace ads
