#include "ads/native/GADNativeMediationHooks.h"

#include "ads/foundation/GADLogger.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/mediation/GADMAdNetworkAdapterProtocol.h"
#include "ads/mediation/GADMAdNetworkConnectorProtocol.h"
#include "ads/mediation/GADMAdapterCustomEvents.h"
#include "ads/mediation/GADMNativeAdapterHooks.h"
#include "ads/mediation/GADRequestMediationAdditions.h"
#include "ads/native/GADAdLoader.h"
#include "ads/native/GADAdLoaderOptions.h"
#include "ads/native/GADCustomEventNativeAd.h"
#include "ads/native/GADMAdNetworkConnectorNativeAd.h"
#include "ads/native/GADMediatedNativeAdProtocol.h"
#include "ads/native/GADNativeAppInstallAd.h"
#include "ads/native/GADNativeContentAd.h"
#include "platform/base/StringEscaping.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

namespace {

bool isNativeConnector(const std::shared_ptr<GADMAdNetworkConnectorProtocol>& connector) {
    return dynamic_cast<GADMAdNetworkConnectorNativeAd*>(connector.get()) != nullptr;
}

// Where a relay reports: the connector and the adapter it names, both held weakly (the
// adapter holds the relay, and the connector the adapter).
struct Reporter {
    std::weak_ptr<GADMAdNetworkAdapterProtocol> adapter;
    std::weak_ptr<GADMAdNetworkConnectorProtocol> connector;

    void fail(const platform::Error& error) const {
        auto a = adapter.lock();
        auto c = connector.lock();
        if (a && c) c->adapterDidFailAd(*a, error);
    }
    // The ad when the connector takes native ads, else the text's code 11.
    void deliver(const std::shared_ptr<GADMediatedNativeAdProtocol>& ad,
                 const std::string& wrongConnectorText) const {
        auto a = adapter.lock();
        auto c = connector.lock();
        if (!a || !c) return;
        if (!isNativeConnector(c)) {
            c->adapterDidFailAd(
                *a, GADRequestError::errorWithCode(kGADErrorInternalError, wrongConnectorText));
            return;
        }
        c->adapterDidReceiveMediatedNativeAd(*a, std::shared_ptr<void>(ad));
    }
};

Reporter reporterFor(const GADMNativeRequest& request) {
    return {request.adapter, request.connector};
}

std::vector<std::shared_ptr<GADAdLoaderOptions>> loaderOptions(
    const std::vector<std::shared_ptr<void>>& options) {
    // The connector passes the loader's option objects through as they are.
    std::vector<std::shared_ptr<GADAdLoaderOptions>> typed;
    for (const auto& option : options)
        if (option) typed.push_back(std::static_pointer_cast<GADAdLoaderOptions>(option));
    return typed;
}

// The SDK's own network

class OwnNetworkRelay : public GADNativeContentAdLoaderDelegate,
                        public GADNativeAppInstallAdLoaderDelegate {
  public:
    explicit OwnNetworkRelay(Reporter reporter) : reporter_(std::move(reporter)) {}

    void adLoaderDidReceiveNativeContentAd(GADAdLoader&,
                                           const std::shared_ptr<GADNativeContentAd>& ad) override {
        deliver(ad);
    }
    void adLoaderDidReceiveNativeAppInstallAd(
        GADAdLoader&, const std::shared_ptr<GADNativeAppInstallAd>& ad) override {
        deliver(ad);
    }
    void adLoaderDidFailToReceiveAdWithError(GADAdLoader&, const GADRequestError& error) override {
        reporter_.fail(error.error());
    }

  private:
    // The SDK's own ad is itself a mediated native ad.
    void deliver(const std::shared_ptr<GADNativeAd>& ad) {
        reporter_.deliver(ad, "Invalid connector used for handling native ad.");
    }

    Reporter reporter_;
};

struct OwnNetworkHandle {
    std::shared_ptr<OwnNetworkRelay> relay;
    std::shared_ptr<GADAdLoader> loader;
};

GADMNativeRequestHandle requestOwnNetwork(const GADMNativeRequest& request) {
    MOVU_CHECK_MAIN_THREAD();
    const Reporter reporter = reporterFor(request);
    auto adapter = request.adapter.lock();
    if (!adapter || !request.connector) return {};
    if (!isNativeConnector(request.connector)) {
        reporter.fail(
            GADRequestError::errorWithCode(kGADErrorInternalError, kGADMInvalidNativeConnectorText)
                .error());
        return {};
    }
    const auto& connector = *request.connector;
    auto loader = GADAdLoader::create(connector.publisherId().value_or(""),
                                      connector.viewControllerForPresentingModalView(),
                                      request.adTypes, loaderOptions(request.options));
    if (!loader) return {};
    auto relay = std::make_shared<OwnNetworkRelay>(reporter);
    loader->setDelegate(relay);
    loader->loadRequest(GADRequestMediationAdditions::requestWithConnector(connector, *adapter));
    std::weak_ptr<GADAdLoader> weakLoader = loader;
    return {std::make_shared<OwnNetworkHandle>(OwnNetworkHandle{relay, loader}), [weakLoader] {
                if (auto made = weakLoader.lock()) made->setDelegate(nullptr);
            }};
}

// Custom events

platform::Error customEventError(const std::string& text) {
    return platform::Error::make("ad_mediation", 1, text);
}

class CustomEventRelay : public GADCustomEventNativeAdDelegate {
  public:
    explicit CustomEventRelay(Reporter reporter) : reporter_(std::move(reporter)) {}

    void customEventNativeAdDidReceiveMediatedNativeAd(
        GADCustomEventNativeAd&, const std::shared_ptr<GADMediatedNativeAdProtocol>& ad) override {
        reporter_.deliver(ad,
                          "Native ad response received for connector which can't processed "
                          "native ad.");
    }
    void customEventNativeAdDidFailToLoadWithError(GADCustomEventNativeAd&,
                                                   const platform::Error& error) override {
        reporter_.fail(error);
    }

  private:
    Reporter reporter_;
};

struct CustomEventHandle {
    std::shared_ptr<GADCustomEventNativeAd> customEvent;
    std::shared_ptr<CustomEventRelay> relay;
};

GADMNativeRequestHandle requestCustomEvent(const GADMNativeRequest& request,
                                           const GADMNativeAdapterHooks::CustomEvent& event) {
    MOVU_CHECK_MAIN_THREAD();
    const Reporter reporter = reporterFor(request);
    if (!isNativeConnector(request.connector)) {
        reporter.fail(customEventError(kGADMInvalidNativeConnectorText));
        return {};
    }
    const auto failLogged = [&](const std::string& text) {
        GADLogger::sharedInstance().logPublicMessage(
            platform::logValue(text, platform::kLogTextMaxBytes));
        reporter.fail(customEventError(text));
        return GADMNativeRequestHandle{};
    };
    auto& registry = platform::ClassRegistry::shared();
    if (!registry.hasClass(event.className))
        return failLogged(GADMAdapterCustomEvents::classNotFoundText(event.className));
    // Checked on the class: one that cannot serve native requests is never made.
    std::shared_ptr<GADCustomEventNativeAd> customEvent;
    if (registry.instancesRespondTo(event.className, GADCustomEventNativeAd::kRequestCall))
        customEvent = registry.create<GADCustomEventNativeAd>(event.className);
    if (!customEvent) {
        return failLogged("Custom event class " + event.className + " doesn't implement method " +
                          GADCustomEventNativeAd::kRequestCall + ".");
    }
    auto relay = std::make_shared<CustomEventRelay>(reporter);
    customEvent->setDelegate(relay);
    auto handle = std::make_shared<CustomEventHandle>(CustomEventHandle{customEvent, relay});
    customEvent->requestNativeAdWithParameter(
        event.parameter, event.request, request.adTypes, loaderOptions(request.options),
        request.connector->viewControllerForPresentingModalView());
    std::weak_ptr<GADCustomEventNativeAd> weakEvent = customEvent;
    return {handle, [weakEvent] {
                if (auto made = weakEvent.lock()) made->setDelegate({});
            }};
}

}  // namespace

void installNativeMediationHooks() {
    auto& hooks = nativeAdapterHooks();
    hooks.ownNetwork = requestOwnNetwork;
    hooks.customEvent = requestCustomEvent;
}

}  // namespace ads
