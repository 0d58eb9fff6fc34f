#include "ads/native/GADNativeAd.h"

#include <algorithm>

#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADClickTrackerCollection.h"
#include "ads/foundation/GADInternalError.h"
#include "ads/foundation/GADRunOnMainThread.h"
#include "ads/foundation/GADServiceOrigins.h"
#include "ads/foundation/GADURLUtilities.h"
#include "ads/native/GADNativeAdDelegate.h"
#include "ads/native/GADNativeConstants.h"
#include "ads/slot/GADSlot.h"
#include "ads/web/GADAdView.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/runtime/WeakCall.h"
#include "platform/storage/Json.h"
#include "platform/storage/UserDefaults.h"

namespace ads {

using platform::Value;

namespace {

// The private domain's code for an ad whose required asset failed.
constexpr std::int64_t kRequiredAssetFailedCode = 11;

// The web addresses of an array of texts, each once, in the order given.
std::vector<platform::Url> webURLs(const Value* texts) {
    std::vector<platform::Url> urls;
    if (!texts || !texts->isArray()) return urls;
    for (const Value& text : texts->asArray()) {
        if (!text.isString()) continue;
        auto url = gad_webURLFromString(text.stringRef());
        if (url && std::find(urls.begin(), urls.end(), *url) == urls.end()) {
            urls.push_back(std::move(*url));
        }
    }
    return urls;
}

}  // namespace

GADNativeAd::GADNativeAd(const std::optional<Value>& adObject)
    : lockQueue_(std::make_unique<platform::SerialQueue>(kGADNativeAdQueueLabel)),
      adNetworkClassName_(kGADOwnAdapterClassName),
      adConfiguration_(adObject) {
    if (!adObject) return;
    const Value& tracking = adObject->get("tracking_urls_and_actions");
    if (!tracking.isDictionary()) return;
    impressionTrackingURLs_ = webURLs(tracking.find("impression_tracking_urls"));
    thirdPartyClickTrackingURLs_ = webURLs(tracking.find("third_party_click_tracking_urls"));
    if (const Value* click = tracking.find("zivivu_click_tracking_url"); click && click->isString())
        zivivuClickTrackingURLString_ = click->stringRef();
    if (const Value* actions = tracking.find("click_actions"); actions && actions->isArray())
        clickActions_ = actions->asArray();
}

GADNativeAd::~GADNativeAd() = default;

std::optional<Value> GADNativeAd::firstAdObjectInAdConfigurationDictionary(
    const Value& configuration) {
    const Value& ads = configuration.get("ads");
    if (!ads.isArray() || ads.asArray().empty() || !ads.at(0).isDictionary()) return std::nullopt;
    return ads.at(0);
}

GADAdLoadingClass GADNativeAd::classFromAdConfigurationDictionary(const Value& configuration) {
    const auto ad = firstAdObjectInAdConfigurationDictionary(configuration);
    if (!ad) return nullptr;
    const Value* type = ad->find("type");
    const Value* templateID = ad->find("template_id");
    if (!type || !type->isString() || !templateID) return nullptr;
    if (!templateID->isString() && !templateID->isNumber()) return nullptr;
    return GADNativeAdClassForFormatAndTemplateID(type->stringRef(), templateID->integerValue());
}

platform::Url GADNativeAd::supportHTMLURL() {
    // Only a web page: a local file would let whoever writes the defaults run script in it.
    const auto stored = platform::UserDefaults::standard().objectForKey(kGADNativeAdSupportURLKey);
    if (stored && stored->isString()) {
        if (auto url = gad_webURLFromString(stored->stringRef())) return *url;
    }
    return GADAdServerURL(kGADNativeAdSupportPagePath);
}

void GADNativeAd::setSlot(const std::shared_ptr<GADSlot>& slot) {
    if (slot == slot_) return;
    slot_ = slot;
    if (!slot_) return;
    auto delegates = slot_->delegates();
    delegates.adEvent = weak_from_this();
    slot_->setDelegates(std::move(delegates));
}

bool GADNativeAd::hasValidConfigurationForRequestParameters(
    const std::optional<Value::Dictionary>&) const {
    return true;
}

std::optional<std::string> GADNativeAd::clickMessageJSON(
    const std::string& assetName, const std::optional<Value::Dictionary>& environment) const {
    if (!adConfiguration_) return std::nullopt;
    Value message(environment.value_or(Value::Dictionary{}));
    message.set("ad", *adConfiguration_);
    message.set("click", Value::dictionary({{"template", Value(clickActionTemplateID())},
                                            {"asset", Value(assetName)},
                                            {"sdk_version", Value(kGADNativeSDKVersion)}}));
    return platform::Json::write(message, platform::Json::kWritingCompact);
}

void GADNativeAd::performClickOnView(const std::shared_ptr<platform::ui::View>& view,
                                     const std::string& assetName,
                                     const std::optional<Value::Dictionary>& environment) {
    MOVU_CHECK_MAIN_THREAD();
    if (assetName.empty()) return;
    const auto json = clickMessageJSON(assetName, environment);
    const auto adView = json && slot_ ? slot_->adView() : nullptr;
    if (adView) {
        // The player tapped the ad where it shows: in the native ad's view, or (no view, a
        // custom template's click the app reports) in the app's own drawing of it. The
        // support page that opens the click is never shown itself.
        if (view) {
            adView->openings().showBy(view);
        } else {
            adView->openings().showOutsideOurViews();
        }
        adView->setTouched(true);
        // Run before anything else hears of the click; its value is the page's, and unused.
        adView->stringByEvaluatingJavaScriptFromString(
            std::string(kGADNativeAdHandleClickFunction) + "(" + *json + ")", 0);
    }
    reportMediatedClick(view, assetName);
}

void GADNativeAd::recordImpression() {
    MOVU_CHECK_MAIN_THREAD();
    if (hasRecordedImpression_) return;
    hasRecordedImpression_ = true;
    GADClickTrackerCollection::sharedInstance()->trackURLs(impressionTrackingURLs_, false);
    reportMediatedImpression();
}

void GADNativeAd::loadAssetsWithCompletionHandler(AssetCompletionHandler handler) {
    if (handler) {
        lockQueue_->sync([&] { assetLoadCompletionHandlers_.push_back(std::move(handler)); });
    }
    // Both on the main loop, in this order: the format names every asset it starts before
    // the check looks at them.
    if (shouldLoadAssets()) {
        platform::MainLoop::main().post(
            platform::weakCall(weak_from_this(), [](GADNativeAd& ad) { ad.startLoadingAssets(); }));
    }
    platform::MainLoop::main().post(platform::weakCall(weak_from_this(), [](GADNativeAd& ad) {
        ad.notifyLoadingDelegateIfAllRequestedAssetsHaveLoaded();
    }));
}

bool GADNativeAd::shouldLoadAssets() {
    bool first = false;
    lockQueue_->sync([&] {
        first = !assetLoadingStarted_;
        assetLoadingStarted_ = true;
    });
    return first;
}

void GADNativeAd::addAssetWithNameToRequestedAssets(const std::string& name) {
    requestedAssets_.insert(name);
}

void GADNativeAd::finishedLoadingAssetWithName(const std::optional<std::string>& name) {
    if (name) completedAssets_.insert(*name);
    notifyLoadingDelegateIfAllRequestedAssetsHaveLoaded();
}

void GADNativeAd::failedToLoadAssetWithName(const std::string& name) {
    completedAssets_.insert(name);
    if (requiredAssetError_ || !requiredAssets().count(name)) {
        notifyLoadingDelegateIfAllRequestedAssetsHaveLoaded();
        return;
    }
    requiredAssetError_ =
        gad_errorWithCode(kRequiredAssetFailedCode, "Failed to load a required asset.");
    callAndClearAssetLoadCompletionHandlersWithError(requiredAssetError_);
}

void GADNativeAd::notifyLoadingDelegateIfAllRequestedAssetsHaveLoaded() {
    if (requiredAssetError_) {
        callAndClearAssetLoadCompletionHandlersWithError(requiredAssetError_);
        return;
    }
    const bool all =
        std::all_of(requestedAssets_.begin(), requestedAssets_.end(),
                    [&](const std::string& name) { return completedAssets_.count(name) != 0; });
    if (all) callAndClearAssetLoadCompletionHandlersWithError(std::nullopt);
}

void GADNativeAd::callAndClearAssetLoadCompletionHandlersWithError(
    const std::optional<platform::Error>& error) {
    std::vector<AssetCompletionHandler> taken;
    lockQueue_->sync([&] { taken.swap(assetLoadCompletionHandlers_); });
    if (taken.empty()) return;
    platform::MainLoop::main().post([taken = std::move(taken), error] {
        for (const auto& handler : taken) handler(error);
    });
}

void GADNativeAd::tellDelegate(void (GADNativeAdDelegate::*callback)(GADNativeAd&)) {
    GADRunOnMainThread(platform::weakCall(weak_from_this(), [callback](GADNativeAd& ad) {
        if (auto delegate = ad.delegate()) ((*delegate).*callback)(ad);
    }));
}

void GADNativeAd::slotWillPresentScreen(GADSlot&) {
    tellDelegate(&GADNativeAdDelegate::nativeAdWillPresentScreen);
}

void GADNativeAd::slotWillDismissScreen(GADSlot&) {
    tellDelegate(&GADNativeAdDelegate::nativeAdWillDismissScreen);
}

void GADNativeAd::slotDidDismissScreen(GADSlot&) {
    tellDelegate(&GADNativeAdDelegate::nativeAdDidDismissScreen);
}

void GADNativeAd::slotWillLeaveApplication(GADSlot&) {
    tellDelegate(&GADNativeAdDelegate::nativeAdWillLeaveApplication);
}

}  // namespace ads
