#pragma once

// What the ad server says in the "x-rade-" header fields of an ad answer, read into plain
// values before anything acts on them. The fields are untrusted: a value of the wrong kind or
// form counts as absent, and nothing here throws, logs or touches shared state, so the ad
// fetcher alone decides what each value changes.
//
// Header names are matched without regard to case (the server and proxies vary them); the
// values of texts compared with a word ("native", "clear", "height") too.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ads/foundation/GADAd.h"
#include "platform/base/Url.h"
#include "platform/base/Value.h"

namespace ads {

struct GADAdResponseHeaders {
    // The fields with their names lowercased; of two names that differ only in case, the one
    // that sorts last wins.
    platform::Value::Dictionary fields;

    // Invalid for a mediation answer whose "content-type" is not JSON.
    GADAdResponseType responseType = GADAdResponseType::HTML;
    std::optional<std::vector<platform::Url>> clickURLs;
    std::optional<std::vector<platform::Url>> impressionURLs;
    std::optional<std::vector<platform::Url>> manualImpressionURLs;
    // "x-rade-content-url-opted-out" is exactly "false".
    bool contentURLEnabled = false;
    // "x-rade-activeview" decoded, when it is a JSON object.
    std::optional<platform::Value::Dictionary> activeViewConfigurations;
    // A GADInterfaceOrientationMask; 0 keeps the ad's.
    unsigned supportedOrientations = 0;
    std::optional<double> reloadInterval;
    std::optional<std::string> debugDialog;
    std::optional<std::string> customAdSizeString;
    bool scrollEnabled = true;
    // "x-rade-use-https" when present.
    std::optional<bool> useHttps;
    // The server no longer takes the token the request carried.
    bool clearToken = false;
    bool fluid = false;
    std::optional<std::string> zwsQueryID;
    // "x-rade-swipe-to-view-controller" decoded, when it is a non-empty array or object.
    std::optional<platform::Value> swipeToViewControllerConfigurations;

    // `base` is the URL of the answer that carried the fields: relative tracking URLs
    // resolve against it.
    static GADAdResponseHeaders parse(const platform::Value::Dictionary& headers,
                                      const std::optional<platform::Url>& base = std::nullopt);
    static platform::Value::Dictionary lowercasedFields(const platform::Value::Dictionary& headers);
};

// The URLs of a tracking field: the text cut at white space, each word that makes an http(s)
// URL with a host, in order; a relative word resolved against `base` first. The pinger can
// only send web URLs, so other words (relative ones without a base, other schemes) are left
// out with a log line. Nothing when no word is kept.
std::optional<std::vector<platform::Url>> gad_trackingURLsFromString(
    std::string_view text, const std::optional<platform::Url>& base = std::nullopt);

// Seconds from "x-rade-refresh-rate": only a whole text that is a finite decimal number of 0
// or more ("12abc", "-5", "inf" and "" are not).
std::optional<double> gad_refreshRateFromString(std::string_view text);

}  // namespace ads
