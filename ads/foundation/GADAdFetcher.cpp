#include "ads/foundation/GADAdFetcher.h"

#include <cstdio>

#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADCSI.h"
#include "ads/foundation/GADLogger.h"
#include "ads/foundation/GADServiceOrigins.h"
#include "ads/foundation/GADSettings.h"
#include "ads/foundation/GADSettingsKeys.h"
#include "ads/foundation/GADTiming.h"
#include "ads/foundation/GADTokenDispenser.h"
#include "ads/foundation/GADURLConnection.h"
#include "ads/foundation/GADURLRequestUtilities.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/WeakCall.h"
#include "platform/storage/UserDefaults.h"

namespace ads {

namespace {

namespace keys = settings_keys;
using platform::HttpHeaders;

std::string timingCategory(const void* fetcher) {
    char text[64];
    std::snprintf(text, sizeof text, "GADAdFetcher (%p)", fetcher);
    return text;
}

}  // namespace

std::shared_ptr<GADAdFetcher> GADAdFetcher::create() {
    return create(Environment());
}

std::shared_ptr<GADAdFetcher> GADAdFetcher::create(Environment environment) {
    return std::make_shared<GADAdFetcher>(Private{}, std::move(environment));
}

GADAdFetcher::GADAdFetcher(Private, Environment environment)
    : environment_(std::move(environment)),
      timer_(GADTiming::create(timingCategory(this))),
      adConnection_(GADURLConnection::create()) {}

GADAdFetcher::~GADAdFetcher() {
    cancel();
}

GADApplication& GADAdFetcher::application() {
    if (!environment_.application) environment_.application = GADApplication::sharedInstance();
    return *environment_.application;
}

GADTokenDispenser& GADAdFetcher::tokens() {
    if (!environment_.tokens) environment_.tokens = GADTokenDispenser::sharedInstance();
    return *environment_.tokens;
}

GADCSI& GADAdFetcher::csi() {
    if (!environment_.csi) environment_.csi = GADCSI::sharedInstance();
    return *environment_.csi;
}

GADRequestError GADAdFetcher::errorWithCode(std::int64_t code, std::int64_t statusCode,
                                            std::optional<std::string> message) const {
    return GADRequestError::errorWithCodeRequest(code, request_, statusCode, std::move(message));
}

bool GADAdFetcher::fetchRequestURL(const std::optional<platform::UrlRequest>& request,
                                   std::weak_ptr<GADAdFetcherDelegate> delegate,
                                   platform::Error* error) {
    return fetch(request, std::move(delegate), std::nullopt, GADAd::create(), error);
}

bool GADAdFetcher::fetchRemainingContentForAd(
    std::shared_ptr<GADAd> ad, const std::optional<platform::Value::Dictionary>& headers,
    std::weak_ptr<GADAdFetcherDelegate> delegate, platform::Error* error) {
    if (!ad) ad = GADAd::create();
    std::optional<platform::UrlRequest> request;
    const bool hasHTML = ad->adHTML() && !ad->adHTML()->empty();
    // A used fetcher refuses before it would ask for a token it never sends.
    if (!hasStartedFetch_ && !hasHTML && ad->adURL()) {
        request = gad_requestForURL(ad->adURL(), std::nullopt, requestHeadersForURL(*ad->adURL()),
                                    std::nullopt);
    }
    return fetch(request, std::move(delegate), headers, std::move(ad), error);
}

bool GADAdFetcher::fetch(const std::optional<platform::UrlRequest>& request,
                         std::weak_ptr<GADAdFetcherDelegate> delegate,
                         const std::optional<platform::Value::Dictionary>& headers,
                         std::shared_ptr<GADAd> ad, platform::Error* error) {
    if (hasStartedFetch_) {
        if (error) *error = errorWithCode(kGADErrorNetworkError, 0, kAlreadyUsedMessage).error();
        return false;
    }
    auto keepAlive = shared_from_this();
    hasStartedFetch_ = true;
    timer_->start();
    delegate_ = std::move(delegate);
    ad_ = std::move(ad);

    starting_ = true;
    std::optional<GADRequestError> connectionError;
    if (request) {
        if (!adConnection_->startWithRequestURL(*request, weak_from_this())) {
            connectionError = errorWithCode(kGADErrorNetworkError, 0, kConnectionFailedMessage);
            adConnectionHasCompleted_ = true;
        }
    } else {
        adConnectionHasCompleted_ = true;
    }
    ad_->setResponseType(GADAdResponseType::HTML);
    // Headers handed over with an ad came with the answer its base URL names.
    if (headers) processHTTPHeaders(*headers, ad_->adBaseURL() ? ad_->adBaseURL() : ad_->adURL());
    if (connectionError) failFetch(*connectionError, 0);
    starting_ = false;

    if (connectionError && error) *error = connectionError->error();
    if (startFailure_ || adConnectionHasCompleted_) {
        platform::MainLoop::main().post(
            platform::weakCall(weak_from_this(), [](GADAdFetcher& self) { self.finishStart(); }));
    }
    return !connectionError;
}

void GADAdFetcher::finishStart() {
    if (startFailure_) {
        Failure failure = std::move(*startFailure_);
        startFailure_.reset();
        failFetch(std::move(failure.error), failure.statusCode);
        return;
    }
    completedURLConnection();
}

void GADAdFetcher::cancel() {
    delegate_.reset();
    adConnection_->cancel();
    adConnectionHasCompleted_ = true;
}

void GADAdFetcher::failFetch(GADRequestError error, std::int64_t statusCode) {
    if (starting_) {
        // The caller hears nothing from inside its own call; the transfer ends at once so no
        // answer overtakes the failure.
        if (!startFailure_) startFailure_ = Failure{std::move(error), statusCode};
        adConnection_->cancel();
        adConnectionHasCompleted_ = true;
        return;
    }
    auto keepAlive = shared_from_this();
    auto delegate = delegate_.lock();
    if (!hasNotifiedDelegate_) timer_->end();
    hasNotifiedDelegate_ = true;
    cancel();
    if (delegate) delegate->adFetcherDidFailToFetchAd(*this, ad_, error, statusCode);
}

void GADAdFetcher::completedURLConnection() {
    if (!adConnectionHasCompleted_ || hasNotifiedDelegate_) return;
    timer_->end();
    hasNotifiedDelegate_ = true;
    auto delegate = delegate_.lock();
    if (!delegate) return;
    auto keepAlive = shared_from_this();
    const GADAdResponseType type = ad_->responseType();
    const bool hasHTML = ad_->adHTML() && !ad_->adHTML()->empty();
    if (type != GADAdResponseType::Invalid && hasHTML) {
        delegate->adFetcherDidFetchAd(*this, ad_);
        return;
    }
    const std::int64_t code =
        type != GADAdResponseType::Invalid ? kGADErrorNoFill : kGADErrorInternalError;
    delegate->adFetcherDidFailToFetchAd(*this, ad_, errorWithCode(code), 0);
}

platform::HttpHeaders GADAdFetcher::requestHeadersForURL(const platform::Url& url) {
    if (!HttpHeaders::namesEqual(url.scheme(), "https")) return {};
    bool listed = false;
    for (const std::string& host : whitelistedDomains())
        listed = listed || (!host.empty() && HttpHeaders::namesEqual(host, url.host()));
    if (!listed) return {};
    auto token = tokens().token();
    if (!token || token->empty()) return {};
    signedInAdsToken_ = *token;
    return HttpHeaders{{"Authorization", "Bearer " + *token}};
}

std::set<std::string> GADAdFetcher::whitelistedDomains() {
    if (auto stored = GADSettings().whitelistedAdRequestDomains())
        return std::set<std::string>(stored->begin(), stored->end());
    return {GADAdServerOrigin().host()};
}

void GADAdFetcher::processResponseHeaders(const platform::UrlResponse& response) {
    const platform::Value fields = response.headers.toValue();
    processHTTPHeaders(fields.asDictionary(), response.url);
}

void GADAdFetcher::processHTTPHeaders(const platform::Value::Dictionary& headers,
                                      const std::optional<platform::Url>& base) {
    if (!ad_) return;
    auto keepAlive = shared_from_this();
    const GADAdResponseHeaders parsed = GADAdResponseHeaders::parse(headers, base);

    platform::Value::Dictionary merged =
        ad_->responseHeaders().value_or(platform::Value::Dictionary{});
    for (const auto& [name, value] : parsed.fields) merged[name] = value;
    ad_->setResponseHeaders(std::move(merged));

    ad_->setResponseType(parsed.responseType);
    // The rest of the answer still applies: the switches below are the server's word for the
    // whole SDK, whatever became of this ad.
    if (parsed.responseType == GADAdResponseType::Invalid)
        failFetch(errorWithCode(kGADErrorServerError), 0);

    // In the order the server's fields have always been applied.
    if (parsed.clickURLs) ad_->addClickURLsFromArray(*parsed.clickURLs);
    if (parsed.impressionURLs) ad_->addImpressionURLsFromArray(*parsed.impressionURLs);
    if (parsed.manualImpressionURLs)
        ad_->addManualImpressionURLsFromArray(*parsed.manualImpressionURLs);
    setContentHashing(parsed.contentURLEnabled);
    ad_->setActiveViewConfigurations(parsed.activeViewConfigurations);
    if (parsed.supportedOrientations != 0)
        ad_->setSupportedOrientations(parsed.supportedOrientations);
    if (parsed.reloadInterval) ad_->setReloadInterval(*parsed.reloadInterval);
    ad_->setDebugDialog(parsed.debugDialog);
    ad_->setCustomAdSizeString(parsed.customAdSizeString);
    ad_->setScrollEnabled(parsed.scrollEnabled);
    setUseHttps(parsed.useHttps);
    // Only the token this fetcher sent can be the one refused; without one there is nothing
    // to renew.
    if (parsed.clearToken && signedInAdsToken_) {
        tokens().refreshToken(*signedInAdsToken_);
        signedInAdsToken_.reset();
    }
    if (parsed.fluid) ad_->setFluid(true);
    // Reports of this load name the server's query.
    if (parsed.zwsQueryID) csi().setZWSQueryID(*parsed.zwsQueryID);
    if (parsed.swipeToViewControllerConfigurations)
        ad_->setSwipeToViewControllerConfigurations(parsed.swipeToViewControllerConfigurations);
}

void GADAdFetcher::setContentHashing(bool enabled) {
    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    if (enabled) {
        application().startContentHashing();
        defaults.setBool(keys::kContentURLEnabled, true);
    } else {
        application().stopContentHashing();
        defaults.removeObjectForKey(keys::kContentURLEnabled);
    }
}

void GADAdFetcher::setUseHttps(std::optional<bool> useHttps) {
    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    if (useHttps) {
        defaults.setBool(keys::kUseHttps, *useHttps);
    } else if (!defaults.hasKey(keys::kUseHttps)) {
        defaults.setBool(keys::kUseHttps, false);
    }
}

std::optional<platform::Error> GADAdFetcher::connectionShouldRedirectToURL(GADURLConnection&,
                                                                           const platform::Url&) {
    return std::nullopt;
}

void GADAdFetcher::connectionLoadDidReceiveRedirectResponse(GADURLConnection&,
                                                            const platform::UrlResponse& response) {
    processResponseHeaders(response);
}

bool GADAdFetcher::connectionLoadShouldUseCachedResponse(GADURLConnection&,
                                                         const platform::UrlResponse& response) {
    processResponseHeaders(response);
    // Only mediation configurations are worth keeping: an HTML ad is shown once.
    return ad_ && ad_->responseType() == GADAdResponseType::Mediation;
}

void GADAdFetcher::connectionLoadDidReceiveCachedResponse(GADURLConnection&,
                                                          const platform::UrlResponse& response) {
    processResponseHeaders(response);
}

void GADAdFetcher::connectionLoadDidFinish(GADURLConnection&,
                                           const std::optional<std::string>& body,
                                           const std::optional<platform::Url>& baseURL) {
    if (!ad_) return;
    ad_->setAdHTML(body);
    ad_->setAdBaseURL(baseURL);
    adConnectionHasCompleted_ = true;
    completedURLConnection();
}

void GADAdFetcher::connectionLoadDidFail(GADURLConnection&, const std::optional<platform::Error>&,
                                         std::int64_t statusCode) {
    if (!ad_) return;
    ad_->setAdHTML(std::nullopt);
    ad_->setAdBaseURL(std::nullopt);
    // The connection's own error stays here: the app hears our codes only.
    if (statusCode == 400) {
        GADLogger::sharedInstance().logPublicMessage(kRejectedParametersMessage);
        failFetch(errorWithCode(kGADErrorInvalidRequest), statusCode);
    } else if (statusCode >= 401) {
        failFetch(errorWithCode(kGADErrorServerError, statusCode), statusCode);
    } else if (statusCode == -1) {
        failFetch(errorWithCode(kGADErrorReceivedInvalidResponse, statusCode), statusCode);
    } else {
        failFetch(errorWithCode(kGADErrorNetworkError, statusCode), statusCode);
    }
}

}  // namespace ads
