#include "ads/web/GADMRAIDInterceptor.h"

#include <mutex>

#include "ads/foundation/GADServiceOrigins.h"
#include "ads/web/GADAdURLStash.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADPageLog.h"
#include "platform/base/LogSink.h"
#include "platform/base/StringEscaping.h"
#include "platform/net/FetchSync.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

using platform::Url;
using platform::web::ResourceInterceptor;

namespace {

struct ClassState {
    std::mutex mutex;
    bool allowed = false;
    std::int64_t count = 0;
    // Paths the SDK constants set; none: the ad server's own.
    std::optional<std::string> banner;
    std::optional<std::string> interstitial;
    std::optional<std::string> expandedBanner;

    static ClassState& shared() {
        static ClassState* state = new ClassState;
        return *state;
    }
};

platform::SerialQueue& fetchQueue() {
    // Never released: fetches may still run while the process ends.
    static auto* queue = new platform::SerialQueue("com.zivivu.durez.mraid-script");
    return *queue;
}

bool isWebURLText(const std::string& text) {
    auto url = Url::parse(text);
    return url && (url->scheme() == "http" || url->scheme() == "https") && !url->host().empty();
}

void setPath(std::optional<std::string> ClassState::*field, const std::optional<std::string>& path,
             const char* kind) {
    if (!path) return;
    if (!isWebURLText(*path)) {
        platform::LogSink::writef("MRAID: the %s script path is no web address; the old one stays",
                                  kind);
        return;
    }
    auto& state = ClassState::shared();
    std::lock_guard lock(state.mutex);
    state.*field = *path;
}

std::string pathOr(const std::optional<std::string>& path, const char* defaultPath) {
    return path ? *path : GADAdServerURL(defaultPath).absoluteString();
}

}  // namespace

void GADMRAIDInterceptor::registerInterceptor() {
    MOVU_CHECK_MAIN_THREAD();
    allow();
    ResourceInterceptor::setHandler(kScriptName, &GADMRAIDInterceptor::serve);
}

void GADMRAIDInterceptor::allow() {
    auto& state = ClassState::shared();
    std::lock_guard lock(state.mutex);
    state.allowed = true;
}

void GADMRAIDInterceptor::disallow() {
    auto& state = ClassState::shared();
    std::lock_guard lock(state.mutex);
    state.allowed = false;
}

bool GADMRAIDInterceptor::isAllowed() {
    auto& state = ClassState::shared();
    std::lock_guard lock(state.mutex);
    return state.allowed;
}

void GADMRAIDInterceptor::enableCanInitWithRequest() {
    auto& state = ClassState::shared();
    std::lock_guard lock(state.mutex);
    ++state.count;
}

void GADMRAIDInterceptor::disableCanInitWithRequest() {
    auto& state = ClassState::shared();
    std::lock_guard lock(state.mutex);
    if (state.count > 0) --state.count;
}

std::int64_t GADMRAIDInterceptor::canInitWithRequestCount() {
    auto& state = ClassState::shared();
    std::lock_guard lock(state.mutex);
    return state.count;
}

bool GADMRAIDInterceptor::canInitWithRequestIsEnabled() {
    {
        auto& state = ClassState::shared();
        std::lock_guard lock(state.mutex);
        if (!state.allowed || state.count == 0) return false;
    }
    // The stash's lock is taken only once the class lock is released.
    return GADAdURLStash::hasStashedURLs();
}

void GADMRAIDInterceptor::setBannerImplementationPath(const std::optional<std::string>& path) {
    setPath(&ClassState::banner, path, "banner");
}

void GADMRAIDInterceptor::setInterstitialImplementationPath(
    const std::optional<std::string>& path) {
    setPath(&ClassState::interstitial, path, "interstitial");
}

void GADMRAIDInterceptor::setExpandedBannerImplementationPath(
    const std::optional<std::string>& path) {
    setPath(&ClassState::expandedBanner, path, "expanded banner");
}

std::string GADMRAIDInterceptor::implementationPath(GADMRAIDScriptKind kind) {
    auto& state = ClassState::shared();
    std::unique_lock lock(state.mutex);
    switch (kind) {
        case GADMRAIDScriptKind::Banner:
            return pathOr(state.banner, kBannerPath);
        case GADMRAIDScriptKind::Interstitial:
            return pathOr(state.interstitial, kInterstitialPath);
        case GADMRAIDScriptKind::ExpandedBanner:
            break;
    }
    return pathOr(state.expandedBanner, kExpandedBannerPath);
}

std::string GADMRAIDInterceptor::bannerImplementationPath() {
    return implementationPath(GADMRAIDScriptKind::Banner);
}

std::string GADMRAIDInterceptor::interstitialImplementationPath() {
    return implementationPath(GADMRAIDScriptKind::Interstitial);
}

std::string GADMRAIDInterceptor::expandedBannerImplementationPath() {
    return implementationPath(GADMRAIDScriptKind::ExpandedBanner);
}

void GADMRAIDInterceptor::resetToDefaultPaths() {
    auto& state = ClassState::shared();
    std::lock_guard lock(state.mutex);
    state.banner.reset();
    state.interstitial.reset();
    state.expandedBanner.reset();
}

bool GADMRAIDInterceptor::urlIsAnImplementationPath(const Url& url) {
    const std::string text = url.absoluteString();
    for (auto kind : {GADMRAIDScriptKind::Banner, GADMRAIDScriptKind::Interstitial,
                      GADMRAIDScriptKind::ExpandedBanner}) {
        if (implementationPath(kind) == text) return true;
    }
    return false;
}

bool GADMRAIDInterceptor::shouldRedirectForMRAID(const Url& url) {
    return !urlIsAnImplementationPath(url) && url.lastPathComponent() == kScriptName;
}

std::optional<Url> GADMRAIDInterceptor::refererURLFromRequest(
    const ResourceInterceptor::Request& request) {
    const std::string& page = request.pageAddress.empty() ? request.referer : request.pageAddress;
    if (page.empty()) return std::nullopt;
    return Url::parse(page);
}

namespace {

std::shared_ptr<platform::ui::View> stashedViewForRequest(
    const ResourceInterceptor::Request& request) {
    auto page = GADMRAIDInterceptor::refererURLFromRequest(request);
    return page ? GADAdURLStash::viewForURL(*page) : nullptr;
}

}  // namespace

bool GADMRAIDInterceptor::canInitWithRequest(const ResourceInterceptor::Request& request) {
    MOVU_CHECK_MAIN_THREAD();
    return canInitWithRequestIsEnabled() && shouldRedirectForMRAID(request.url) &&
           stashedViewForRequest(request) != nullptr;
}

std::optional<std::string> GADMRAIDInterceptor::implementationLocationForRequest(
    const ResourceInterceptor::Request& request) {
    MOVU_CHECK_MAIN_THREAD();
    auto view = std::dynamic_pointer_cast<GADAdView>(stashedViewForRequest(request));
    if (!view) return std::nullopt;
    auto delegate = view->delegate();
    return implementationPath(delegate ? delegate->MRAIDScriptKind()
                                       : GADMRAIDScriptKind::ExpandedBanner);
}

void GADMRAIDInterceptor::serve(const ResourceInterceptor::Request& request,
                                ResourceInterceptor::Reply reply) {
    MOVU_CHECK_MAIN_THREAD();
    if (!canInitWithRequest(request)) {
        reply.decline();
        return;
    }
    auto location = implementationLocationForRequest(request);
    auto url = location ? Url::parse(*location) : std::nullopt;
    // A page may ask for its script again and again: what that writes is its page's.
    std::weak_ptr<GADAdView> page =
        std::dynamic_pointer_cast<GADAdView>(stashedViewForRequest(request));
    if (!url) {
        GADPageLog::write(page.lock().get(),
                          "MRAID: no script for this ad page; its mraid.js fails");
        reply.fail();
        return;
    }
    fetchQueue().async([url = *url, reply, page] {
        platform::FetchOptions options;
        options.maxBytes = kMaxScriptBytes;
        auto result = platform::fetchSync(platform::UrlRequest(url), options);
        const long status = result.statusCode();
        if (!result.ok() || status < 200 || status > 299) {
            std::string line = "MRAID: the script at " + platform::logValue(url.absoluteString()) +
                               " could not be fetched (" + std::to_string(status) + " " +
                               platform::logValue(result.errorText()) + ")";
            platform::MainLoop::main().post(
                [page, line = std::move(line)] { GADPageLog::write(page.lock().get(), line); });
            reply.fail();
            return;
        }
        reply.respond({std::move(result.body), "application/javascript"});
    });
}

void GADMRAIDInterceptor::resetForTesting() {
    {
        auto& state = ClassState::shared();
        std::lock_guard lock(state.mutex);
        state.allowed = false;
        state.count = 0;
    }
    resetToDefaultPaths();
}

void GADMRAIDInterceptor::resetCanInitWithRequestCount() {
    auto& state = ClassState::shared();
    std::lock_guard lock(state.mutex);
    state.count = 0;
}

}  // namespace ads
