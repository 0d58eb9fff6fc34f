#pragma once

// Serves MRAID creatives our own mraid.js. A page of a registered ad view (GADAdURLStash) that
// asks for any "mraid.js" gets, instead of whatever it names, the implementation for its kind
// of ad: the banner's, the interstitial's, or the expanded banner's for any page that is not a
// slot's own (GADAdViewDelegateProtocol::MRAIDScriptKind). The script comes from the
// implementation URL of that kind, fetched on a background queue; a fetch that fails (no
// answer, a status outside 2xx, more than kMaxScriptBytes) fails the page's script load, never
// hands it an empty script.
//
// Serving runs only while allowed (start-up step 2 allows it; the SDK constants may disallow
// it), while some load holds the switch (the slot from 0 -> 2 until 1, 6 or 7; the ad app
// page while it loads; several loads may hold it, so it is a count that never goes below
// zero) and while some ad view is registered. A request for one of the implementation URLs
// themselves is never intercepted.
//
// Implementation URLs: the ad server in effect (GADAdServerURL) with kBannerPath,
// kInterstitialPath and kExpandedBannerPath unless the SDK constants named others; a
// constant without a value, or with one that is not an http(s) URL, keeps the URL in force.
//
// Thread-safe class state behind one mutex (the flags, the count and the paths), the stash
// behind its own, never both at once. Requests arrive on the main loop (the platform's
// ResourceInterceptor), and the ad view and its delegate are only touched there.

#include <cstdint>
#include <optional>
#include <string>

#include "ads/web/GADAdViewDelegateProtocol.h"
#include "platform/base/Url.h"
#include "platform/web/ResourceInterceptor.h"

namespace ads {

class GADMRAIDInterceptor {
  public:
    static constexpr const char* kScriptName = "mraid.js";
    static constexpr const char* kBannerPath =
        "/mads/static/mad/sdk/native/mraid/v2/mraid_app_banner.js";
    static constexpr const char* kExpandedBannerPath =
        "/mads/static/mad/sdk/native/mraid/v2/mraid_app_expanded_banner.js";
    static constexpr const char* kInterstitialPath =
        "/mads/static/mad/sdk/native/mraid/v2/mraid_app_interstitial.js";
    static constexpr std::int64_t kMaxScriptBytes = 1024 * 1024;

    GADMRAIDInterceptor() = delete;

    // Start-up step 2: allows serving and registers "mraid.js" with the platform's resource
    // interceptor. Main thread.
    static void registerInterceptor();

    static void allow();
    static void disallow();
    static bool isAllowed();

    static void enableCanInitWithRequest();
    static void disableCanInitWithRequest();
    // How many holds are in force now.
    static std::int64_t canInitWithRequestCount();
    // Allowed, held and some ad view registered.
    static bool canInitWithRequestIsEnabled();

    // The SDK constants' paths (see above for what is kept).
    static void setBannerImplementationPath(const std::optional<std::string>& path);
    static void setInterstitialImplementationPath(const std::optional<std::string>& path);
    static void setExpandedBannerImplementationPath(const std::optional<std::string>& path);
    static std::string bannerImplementationPath();
    static std::string interstitialImplementationPath();
    static std::string expandedBannerImplementationPath();
    static std::string implementationPath(GADMRAIDScriptKind kind);
    // Back to the ad server's own scripts.
    static void resetToDefaultPaths();
    static bool urlIsAnImplementationPath(const platform::Url& url);

    // Not an implementation URL, and the last path component is exactly "mraid.js".
    static bool shouldRedirectForMRAID(const platform::Url& url);
    // The page the request came from: its full address, else its Referer; none when both
    // are empty or no URL.
    static std::optional<platform::Url> refererURLFromRequest(
        const platform::web::ResourceInterceptor::Request& request);
    // Serving is on, the request is for mraid.js and its page is a registered ad view's.
    // Main thread.
    static bool canInitWithRequest(const platform::web::ResourceInterceptor::Request& request);
    // The implementation URL for the request's page, or none. Main thread.
    static std::optional<std::string> implementationLocationForRequest(
        const platform::web::ResourceInterceptor::Request& request);
    // Answers the platform's request: declined when not ours, else served from the chosen
    // implementation on the background queue (failed without one). Main thread.
    static void serve(const platform::web::ResourceInterceptor::Request& request,
                      platform::web::ResourceInterceptor::Reply reply);

    // Back to the start: not allowed, no holds, default paths (tests).
    static void resetForTesting();
    static void resetCanInitWithRequestCount();
};

}  // namespace ads
