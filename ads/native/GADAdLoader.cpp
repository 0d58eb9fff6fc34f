#include "ads/native/GADAdLoader.h"

#include <algorithm>

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADAdSize.h"
#include "ads/foundation/GADAdType.h"
#include "ads/foundation/GADLogger.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/native/GADAdLoaderDelegate.h"
#include "ads/native/GADAdLoaderOptions.h"
#include "ads/native/GADAdPreprocessor.h"
#include "ads/native/GADNativeAd.h"
#include "ads/native/GADNativeConstants.h"
#include "ads/slot/GADSlot.h"
#include "ads/web/GADAdView.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/runtime/WeakCall.h"

namespace ads {

using platform::Value;

GADAdLoader::GADAdLoader(Private)
    : lockQueue_(std::make_unique<platform::SerialQueue>(kGADAdLoaderQueueLabel)) {}

GADAdLoader::~GADAdLoader() {
    // The slot outlives this object only through a late reference; it must not call back.
    if (slot_) slot_->cancelPendingAndFutureActions();
    // A write still queued refers to this object.
    lockQueue_->sync([] {});
}

std::shared_ptr<GADAdLoader> GADAdLoader::create(
    std::string adUnitID, std::weak_ptr<platform::ui::ViewController> rootViewController,
    const std::vector<std::string>& adTypes,
    const std::vector<std::shared_ptr<GADAdLoaderOptions>>& options) {
    MOVU_CHECK_MAIN_THREAD();
    auto loader = std::make_shared<GADAdLoader>(Private{});
    loader->configuration_ = GADAdLoaderConfiguration::create(adTypes, options);
    loader->adUnitID_ = std::move(adUnitID);
    loader->rootViewController_ = std::move(rootViewController);
    auto slot = GADSlot::create();
    if (!slot) return nullptr;
    slot->setDelegates(GADSlotDelegates::allOf(loader));
    slot->setAdUnitID(loader->adUnitID_);
    if (loader->configuration_) {
        if (auto correlation = loader->configuration_->option<GADCorrelatorAdLoaderOptions>())
            slot->setCorrelator(correlation->correlator());
    }
    if (auto adView = slot->adView()) adView->configureAsBannerAdView();
    slot->setAdType(GADAdType::bannerAdTypeForSize(kGADAdSizeBanner), false);
    loader->slot_ = std::move(slot);
    return loader;
}

void GADAdLoader::setDelegate(const std::shared_ptr<GADAdLoaderDelegate>& delegate) {
    MOVU_CHECK_MAIN_THREAD();
    if (delegate == delegate_.lock()) return;
    if (!delegate) {
        delegate_.reset();
        return;
    }
    if (configuration_) {
        for (const auto& loading : configuration_->adTypeClasses()) {
            platform::Error error;
            if (!GADDelegateConformsToAdClassProtocol(*delegate, *loading, &error)) {
                GADLogger::sharedInstance().logPublicMessage(error.localizedDescription());
                return;
            }
        }
    }
    delegate_ = delegate;
}

void GADAdLoader::loadRequest(const std::shared_ptr<GADRequest>& request) {
    MOVU_CHECK_MAIN_THREAD();
    if (!configuration_ || configuration_->adTypeClasses().empty()) {
        const auto error = GADRequestError::errorWithCodeRequest(
            kGADErrorInvalidRequest, request, 0, std::string("Must specify at least one ad type."));
        platform::MainLoop::main().post(platform::weakCall(
            weak_from_this(),
            [error](GADAdLoader& loader) { loader.handleFailedRequestWithRequestError(error); }));
        return;
    }
    Value::Array formats;
    std::map<std::string, Value::Dictionary> parameters;
    for (const auto& loading : configuration_->adTypeClasses()) {
        if (!loading->requestParametersForAdLoader) continue;
        auto answer = loading->requestParametersForAdLoader(*this);
        if (!answer || answer->empty()) continue;
        formats.emplace_back(*answer);
        parameters.emplace(loading->name, std::move(*answer));
    }
    setAdClassRequestParameters(std::move(parameters));

    auto copy = request ? request->copy() : GADRequest::request();
    copy->setFormatParameters(std::move(formats));
    copy->setResponseType(static_cast<std::int64_t>(GADAdResponseType::Native));
    slot_->loadRequest(copy);
}

void GADAdLoader::setAdClassRequestParameters(std::map<std::string, Value::Dictionary> parameters) {
    lockQueue_->async(
        [this, parameters = std::move(parameters)] { adClassRequestParameters_ = parameters; });
}

std::map<std::string, Value::Dictionary> GADAdLoader::adClassRequestParameters() const {
    std::map<std::string, Value::Dictionary> parameters;
    lockQueue_->sync([&] { parameters = adClassRequestParameters_; });
    return parameters;
}

std::vector<std::shared_ptr<GADNativeAd>> GADAdLoader::nativeAds() const {
    std::vector<std::shared_ptr<GADNativeAd>> ads;
    for (const auto& loading : nativeAds_) ads.push_back(loading.ad);
    return ads;
}

std::optional<platform::Rect> GADAdLoader::frame() const {
    if (!slot_) return platform::Rect{};
    return platform::Rect{{0, 0}, CGSizeFromGADAdSize(slot_->adType().adSize())};
}

bool GADAdLoader::slotShouldProcessAdResponse(GADSlot&, const std::shared_ptr<GADAd>& ad,
                                              std::optional<platform::Error>& error) {
    auto preprocessor = GADAdPreprocessor::create(adUnitID_);
    if (!preprocessor || !ad) {
        error = GADRequestError::errorWithCode(
                    kGADErrorInternalError, std::string("Ad loader failed to process ad response."))
                    .error();
        return false;
    }
    adPreprocessors_.push_back(preprocessor);
    const GADAdPreprocessor* key = preprocessor.get();
    preprocessor->preprocessNativeAdJSON(
        ad->adHTML().value_or(""),
        platform::weakCall(
            weak_from_this(),
            [key](GADAdLoader& loader, const std::optional<Value>& configuration,
                  const std::shared_ptr<GADSlot>& slot, const std::optional<platform::Error>&) {
                loader.preprocessorDidFinish(key, configuration, slot);
            }));
    return false;
}

void GADAdLoader::preprocessorDidFinish(const GADAdPreprocessor* preprocessor,
                                        const std::optional<Value>& configuration,
                                        const std::shared_ptr<GADSlot>& slot) {
    // Kept until the end of this call: the ad takes over its slot.
    std::shared_ptr<GADAdPreprocessor> finished;
    const auto found =
        std::find_if(adPreprocessors_.begin(), adPreprocessors_.end(),
                     [&](const auto& candidate) { return candidate.get() == preprocessor; });
    if (found != adPreprocessors_.end()) {
        finished = *found;
        adPreprocessors_.erase(found);
    }

    std::shared_ptr<GADNativeAd> nativeAd;
    GADAdLoadingClass loading;
    if (configuration) {
        loading = GADNativeAd::classFromAdConfigurationDictionary(*configuration);
        if (loading && configuration_ && configuration_->containsClass(loading) && loading->make) {
            if (auto adObject =
                    GADNativeAd::firstAdObjectInAdConfigurationDictionary(*configuration))
                nativeAd = loading->make(*adObject, configuration_->options());
        }
    }
    if (nativeAd) {
        const auto parameters = adClassRequestParameters();
        const auto entry = parameters.find(loading->name);
        const auto asked = entry != parameters.end()
                               ? std::optional<Value::Dictionary>(entry->second)
                               : std::nullopt;
        if (!nativeAd->hasValidConfigurationForRequestParameters(asked)) nativeAd.reset();
    }
    if (!nativeAd || !slot) {
        handleFailedRequestWithRequestError(
            GADRequestError::errorWithCode(kGADErrorReceivedInvalidResponse));
        return;
    }

    nativeAds_.push_back({nativeAd, loading});
    nativeAd->setAdUnitID(adUnitID_);
    nativeAd->setRootViewController(rootViewController_);
    nativeAd->setSlot(slot);
    if (auto adView = slot->adView()) adView->setViewController(rootViewController_);
    std::weak_ptr<GADNativeAd> weakAd = nativeAd;
    nativeAd->loadAssetsWithCompletionHandler(platform::weakCall(
        weak_from_this(),
        [weakAd](GADAdLoader& loader, const std::optional<platform::Error>& error) {
            auto ad = weakAd.lock();
            if (!ad) return;
            if (error) {
                loader.nativeAdDidFailToLoadAssets(ad);
            } else {
                loader.nativeAdDidFinishLoadingAssets(ad);
            }
        }));
}

std::optional<GADAdLoader::LoadingAd> GADAdLoader::takeLoadingAd(
    const std::shared_ptr<GADNativeAd>& nativeAd) {
    const auto found =
        std::find_if(nativeAds_.begin(), nativeAds_.end(),
                     [&](const LoadingAd& loading) { return loading.ad == nativeAd; });
    if (found == nativeAds_.end()) return std::nullopt;
    LoadingAd taken = *found;
    nativeAds_.erase(found);
    return taken;
}

void GADAdLoader::nativeAdDidFinishLoadingAssets(const std::shared_ptr<GADNativeAd>& nativeAd) {
    MOVU_CHECK_MAIN_THREAD();
    const auto taken = takeLoadingAd(nativeAd);
    if (!taken) return;
    auto delegate = delegate_.lock();
    platform::Error conformance;
    if (!delegate ||
        !GADDelegateConformsToAdClassProtocol(*delegate, *taken->loading, &conformance)) {
        handleFailedRequestWithRequestError(
            GADRequestError(kGADErrorInvalidRequest, Value(), 0, std::nullopt, conformance));
        return;
    }
    if (taken->loading->adLoaderDidReceiveAd)
        taken->loading->adLoaderDidReceiveAd(*nativeAd, *this);
}

void GADAdLoader::nativeAdDidFailToLoadAssets(const std::shared_ptr<GADNativeAd>& nativeAd) {
    MOVU_CHECK_MAIN_THREAD();
    // The ad goes with its failure rather than staying for the loader's life.
    takeLoadingAd(nativeAd);
    handleFailedRequestWithRequestError(GADRequestError::errorWithCode(
        kGADErrorInternalError, std::string("Error loading native ad assets.")));
}

void GADAdLoader::slotDidFailToLoadAdContentWithError(GADSlot&, const GADRequestError& error) {
    handleFailedRequestWithRequestError(error);
}

void GADAdLoader::handleFailedRequestWithRequestError(const std::optional<GADRequestError>& error) {
    auto delegate = delegate_.lock();
    if (!delegate) return;
    delegate->adLoaderDidFailToReceiveAdWithError(
        *this, error ? *error : GADRequestError::errorWithCode(kGADErrorInternalError));
}

}  // namespace ads
