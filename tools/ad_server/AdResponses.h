#pragma once

// What an ad URL answers, scenario by scenario: the creatives (HTML a person can look at and
// click), the "x-rade-" headers with tracking URLs back to this server, and the ad objects
// the core page hands over in "loadAd".

#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "tools/ad_server/AdScenario.h"

namespace tools::adserver {

// One ad as the server numbers it.
struct AdContext {
    std::string origin;                // "http://127.0.0.1:<port>"
    std::string slotname;              // as requested (untrusted)
    int ad = 0;                        // the ad's number
    bool interstitialRequest = false;  // the request asked for "format" = "interstitial_mb"
};

// The URLs one ad carries back to the server; each names the unit and the ad.
struct AdLinks {
    std::string impression;
    std::string manualImpression;
    std::string clickTracking;
    std::string click;  // the creative's link; leads on to `landing`
    std::string landing;
    std::string events;  // the creative's script reports page events here ("&name=" follows)
    std::string passback;
    std::string mediationPing;  // "&ping=" follows
    std::string viewable;       // the active-view configuration's "viewable_url"
};

AdLinks adLinks(const AdContext& context);

struct HttpAnswer {
    int status = 200;
    std::string contentType = "text/html; charset=UTF-8";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
};

// The answer of "/mads/gma", the ad URL the SDK fetches itself.
HttpAnswer adUrlAnswer(const AdScenario& scenario, const AdContext& context);
// The answer of "/mads/fetched_ad", the ad URL the page fetches through native code: the ad
// object of "loadAd" (or the scenario's own body).
HttpAnswer fetchedAdAnswer(const AdScenario& scenario, const AdContext& context);

// The pieces, for tests and for people reading the answers.
std::string creativeColor(const AdScenario& scenario, int ad);
std::string bannerCreative(const AdScenario& scenario, const AdContext& context);
std::string interstitialCreative(const AdScenario& scenario, const AdContext& context);
std::string linksCreative(const AdScenario& scenario, const AdContext& context);
std::string precacheCreative(const AdScenario& scenario, const AdContext& context);
std::string scriptAdCreative(const AdScenario& scenario, const AdContext& context);
nlohmann::ordered_json mediationConfiguration(const AdScenario& scenario, const AdContext& context);
nlohmann::ordered_json nativeAdObject(const AdScenario& scenario, const AdContext& context);
// What "/mads/native_image" answers for a unit's scenario.
HttpAnswer nativeImageAnswer(const AdScenario& scenario);
nlohmann::ordered_json fetchedAdObject(const AdScenario& scenario, const AdContext& context);

// Makes a header value safe to send: control characters become spaces.
std::string headerValue(std::string_view text);

}  // namespace tools::adserver
