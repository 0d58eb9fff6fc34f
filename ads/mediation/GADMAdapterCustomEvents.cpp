#include "ads/mediation/GADMAdapterCustomEvents.h"

#include <utility>

#include "ads/foundation/GADLogger.h"
#include "ads/foundation/GADRequest.h"
#include "ads/mediation/GADCustomEventExtras.h"
#include "ads/mediation/GADCustomEventRequest.h"
#include "ads/mediation/GADMAdNetworkConnectorProtocol.h"
#include "ads/mediation/GADMCredentials.h"
#include "platform/base/StringEscaping.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

namespace {
// The native room's connector, named in the text a native request fails with while that room
// has not set its hook.
}  // namespace

void GADMAdapterCustomEvents::registerClass() {
    auto& registry = platform::ClassRegistry::shared();
    registry.registerClass<GADMAdNetworkAdapterProtocol>(
        kClassName, "NSObject",
        {kProtocolName, "GADCustomEventBannerDelegate", "GADCustomEventInterstitialDelegate"},
        [] { return std::make_shared<GADMAdapterCustomEvents>(); });
    registry.addInstanceCalls(kClassName, {kGetBannerCall, kGetInterstitialCall, kGetNativeAdCall,
                                           kPresentInterstitialCall});
    GADMAdapterClassRecord record;
    record.adapterVersion = [] { return GADRequest::sdkVersion(); };
    record.networkExtrasClass = GADCustomEventExtras::kClassName;
    registry.setClassRecord(kClassName, std::move(record));
}

void GADMAdapterCustomEvents::initWithGADMAdNetworkConnector(
    std::weak_ptr<GADMAdNetworkConnectorProtocol> connector) {
    MOVU_CHECK_MAIN_THREAD();
    connector_ = std::move(connector);
}

std::optional<std::string> GADMAdapterCustomEvents::adapterVersion() const {
    return GADRequest::sdkVersion();
}

void GADMAdapterCustomEvents::callBackToConnectorWithError(const std::string& text, bool log) {
    // The text names the class the server asked for: the log takes a readable line of it.
    if (log) {
        GADLogger::sharedInstance().logPublicMessage(
            platform::logValue(text, platform::kLogTextMaxBytes));
    }
    auto connector = connector_.lock();
    if (!connector) return;
    auto keep = shared_from_this();
    connector->adapterDidFailAd(*this, platform::Error::make(kErrorDomain, kErrorCode, text));
}

std::optional<std::string> GADMAdapterCustomEvents::customEventClassName() {
    auto connector = connector_.lock();
    if (!connector) return std::nullopt;
    auto name = credentialString(connector->credentials(), kClassNameCredential);
    if (!name) {
        callBackToConnectorWithError("No class name for the Custom Event.", false);
        return std::nullopt;
    }
    if (!platform::ClassRegistry::shared().hasClass(*name)) {
        callBackToConnectorWithError(classNotFoundText(*name), true);
        return std::nullopt;
    }
    return name;
}

template <typename Protocol>
std::shared_ptr<Protocol> GADMAdapterCustomEvents::customEventWithCredentials() {
    const auto name = customEventClassName();
    if (!name) return nullptr;
    const std::string refusal = "Custom Event class " + *name + " does not conform to the " +
                                Protocol::kProtocolName + " protocol.";
    // The registry answers for the class, so one that cannot serve the format is never made.
    auto& registry = platform::ClassRegistry::shared();
    if (!registry.conformsTo(*name, Protocol::kProtocolName)) {
        callBackToConnectorWithError(refusal, true);
        return nullptr;
    }
    auto made = registry.create<GADCustomEvent>(*name);
    if (!made) {
        // Known by name, but not a class the app can make a custom event of.
        callBackToConnectorWithError(classNotFoundText(*name), true);
        return nullptr;
    }
    auto custom = std::dynamic_pointer_cast<Protocol>(made);
    if (!custom) callBackToConnectorWithError(refusal, true);
    return custom;
}

void GADMAdapterCustomEvents::releaseCustomEvents() {
    if (customEventBanner_) customEventBanner_->setDelegate({});
    if (customEventInterstitial_) customEventInterstitial_->setDelegate({});
    // Once is enough: the native object stays, deaf, until the next request replaces it.
    if (auto stop = std::exchange(customEventNativeAd_.stopCallbacks, nullptr)) stop();
}

void GADMAdapterCustomEvents::startRequest() {
    releaseCustomEvents();
    customEventBanner_.reset();
    customEventInterstitial_.reset();
    customEventNativeAd_ = {};
    stopped_ = false;
}

void GADMAdapterCustomEvents::getBannerWithSize(const GADAdSize& size) {
    MOVU_CHECK_MAIN_THREAD();
    auto keep = shared_from_this();
    startRequest();
    auto banner = customEventWithCredentials<GADCustomEventBanner>();
    auto connector = connector_.lock();
    if (!banner || !connector) return;
    const auto credentials = connector->credentials();
    auto request = std::make_shared<const GADCustomEventRequest>(*connector);
    // Kept before asking: an object may answer inside the request call.
    customEventBanner_ = banner;
    banner->setDelegate(std::static_pointer_cast<GADCustomEventBannerDelegate>(keep));
    banner->requestBannerAd(size, credentialString(credentials, kParameterCredential),
                            credentialString(credentials, kLabelCredential), request);
}

void GADMAdapterCustomEvents::getInterstitial() {
    MOVU_CHECK_MAIN_THREAD();
    auto keep = shared_from_this();
    startRequest();
    auto interstitial = customEventWithCredentials<GADCustomEventInterstitial>();
    auto connector = connector_.lock();
    if (!interstitial || !connector) return;
    const auto credentials = connector->credentials();
    auto request = std::make_shared<const GADCustomEventRequest>(*connector);
    customEventInterstitial_ = interstitial;
    interstitial->setDelegate(std::static_pointer_cast<GADCustomEventInterstitialDelegate>(keep));
    interstitial->requestInterstitialAdWithParameter(
        credentialString(credentials, kParameterCredential),
        credentialString(credentials, kLabelCredential), request);
}

void GADMAdapterCustomEvents::getNativeAdWithAdTypes(
    const std::vector<std::string>& adTypes, const std::vector<std::shared_ptr<void>>& options) {
    MOVU_CHECK_MAIN_THREAD();
    auto keep = shared_from_this();
    startRequest();
    // The native room checks its connector and the class's native call; without it no
    // connector here can take a native ad.
    const auto hook = nativeAdapterHooks().customEvent;
    if (!hook) {
        callBackToConnectorWithError(kGADMInvalidNativeConnectorText, false);
        return;
    }
    const auto name = customEventClassName();
    auto connector = connector_.lock();
    if (!name || !connector) return;
    GADMNativeRequest request{keep, connector, adTypes, options};
    GADMNativeAdapterHooks::CustomEvent customEvent{
        *name, credentialString(connector->credentials(), kParameterCredential),
        std::make_shared<const GADCustomEventRequest>(*connector)};
    customEventNativeAd_ = hook(request, customEvent);
}

void GADMAdapterCustomEvents::stopBeingDelegate() {
    MOVU_CHECK_MAIN_THREAD();
    stopped_ = true;
    releaseCustomEvents();
}

void GADMAdapterCustomEvents::presentInterstitialFromRootViewController(
    const std::shared_ptr<platform::ui::ViewController>& root) {
    MOVU_CHECK_MAIN_THREAD();
    if (auto interstitial = customEventInterstitial_)
        interstitial->presentFromRootViewController(root);
}

template <typename Relay>
void GADMAdapterCustomEvents::relayIf(bool fromCurrentObject, Relay relay) {
    MOVU_CHECK_MAIN_THREAD();
    // An object of an earlier request, or one that kept the delegate after it was cleared.
    if (stopped_ || !fromCurrentObject) return;
    auto connector = connector_.lock();
    if (!connector) return;
    auto keep = shared_from_this();
    relay(*connector);
}

// Banner relays

void GADMAdapterCustomEvents::customEventBannerDidReceiveAd(
    GADCustomEventBanner& banner, const std::shared_ptr<platform::ui::View>& view) {
    relayIf(&banner == customEventBanner_.get(),
            [&](auto& c) { c.adapterDidReceiveAdView(*this, view); });
}

void GADMAdapterCustomEvents::customEventBannerDidFailAd(GADCustomEventBanner& banner,
                                                         const platform::Error& error) {
    relayIf(&banner == customEventBanner_.get(),
            [&](auto& c) { c.adapterDidFailAd(*this, error); });
}

void GADMAdapterCustomEvents::customEventBannerWasClicked(GADCustomEventBanner& banner) {
    relayIf(&banner == customEventBanner_.get(), [&](auto& c) { c.adapterDidGetAdClick(*this); });
}

void GADMAdapterCustomEvents::customEventBannerClickDidOccurInAd(
    GADCustomEventBanner& banner, const std::shared_ptr<platform::ui::View>&) {
    customEventBannerWasClicked(banner);
}

void GADMAdapterCustomEvents::customEventBannerWillPresentModal(GADCustomEventBanner& banner) {
    relayIf(&banner == customEventBanner_.get(),
            [&](auto& c) { c.adapterWillPresentFullScreenModal(*this); });
}

void GADMAdapterCustomEvents::customEventBannerWillDismissModal(GADCustomEventBanner& banner) {
    relayIf(&banner == customEventBanner_.get(),
            [&](auto& c) { c.adapterWillDismissFullScreenModal(*this); });
}

void GADMAdapterCustomEvents::customEventBannerDidDismissModal(GADCustomEventBanner& banner) {
    relayIf(&banner == customEventBanner_.get(),
            [&](auto& c) { c.adapterDidDismissFullScreenModal(*this); });
}

void GADMAdapterCustomEvents::customEventBannerWillLeaveApplication(GADCustomEventBanner& banner) {
    relayIf(&banner == customEventBanner_.get(),
            [&](auto& c) { c.adapterWillLeaveApplication(*this); });
}

std::shared_ptr<platform::ui::ViewController>
GADMAdapterCustomEvents::viewControllerForPresentingModalView() const {
    auto connector = connector_.lock();
    return connector ? connector->viewControllerForPresentingModalView() : nullptr;
}

// Interstitial relays

void GADMAdapterCustomEvents::customEventInterstitialDidReceiveAd(
    GADCustomEventInterstitial& interstitial) {
    relayIf(&interstitial == customEventInterstitial_.get(),
            [&](auto& c) { c.adapterDidReceiveInterstitial(*this); });
}

void GADMAdapterCustomEvents::customEventInterstitialDidReceiveAdObject(
    GADCustomEventInterstitial& interstitial, const std::shared_ptr<void>&) {
    customEventInterstitialDidReceiveAd(interstitial);
}

void GADMAdapterCustomEvents::customEventInterstitialDidFailAd(
    GADCustomEventInterstitial& interstitial, const platform::Error& error) {
    relayIf(&interstitial == customEventInterstitial_.get(),
            [&](auto& c) { c.adapterDidFailAd(*this, error); });
}

void GADMAdapterCustomEvents::customEventInterstitialWasClicked(
    GADCustomEventInterstitial& interstitial) {
    relayIf(&interstitial == customEventInterstitial_.get(),
            [&](auto& c) { c.adapterDidGetAdClick(*this); });
}

void GADMAdapterCustomEvents::customEventInterstitialWillPresent(
    GADCustomEventInterstitial& interstitial) {
    relayIf(&interstitial == customEventInterstitial_.get(),
            [&](auto& c) { c.adapterWillPresentInterstitial(*this); });
}

void GADMAdapterCustomEvents::customEventInterstitialWillDismiss(
    GADCustomEventInterstitial& interstitial) {
    relayIf(&interstitial == customEventInterstitial_.get(),
            [&](auto& c) { c.adapterWillDismissInterstitial(*this); });
}

void GADMAdapterCustomEvents::customEventInterstitialDidDismiss(
    GADCustomEventInterstitial& interstitial) {
    relayIf(&interstitial == customEventInterstitial_.get(),
            [&](auto& c) { c.adapterDidDismissInterstitial(*this); });
}

void GADMAdapterCustomEvents::customEventInterstitialWillLeaveApplication(
    GADCustomEventInterstitial& interstitial) {
    relayIf(&interstitial == customEventInterstitial_.get(),
            [&](auto& c) { c.adapterWillLeaveApplication(*this); });
}

}  // namespace ads
