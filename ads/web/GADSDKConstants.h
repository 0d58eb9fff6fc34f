#pragma once

// The server-tuned constants the SDK core page hands over in its "loadSdkConstants" message,
// read into what they mean. The message's values are all texts (query values of a gmsg URL);
// some carry JSON. A value that does not read as what it should be is left out, so the setting
// it would change keeps its current value: the page is untrusted, and one malformed constant
// must not cost the others.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/Value.h"

namespace ads {

struct GADSDKConstants {
    // Where the MRAID script for each kind of ad comes from; absent ones clear the path.
    std::optional<std::string> mraidBannerPath;
    std::optional<std::string> mraidInterstitialPath;
    std::optional<std::string> mraidExpandedBannerPath;
    // "mraid_disable_redirect" = "1".
    bool mraidDisableRedirect = false;

    // How many active-view web views may wait for their units to end: only 1 or more (0 would
    // throw away every web view still in use).
    std::optional<std::uint64_t> activeViewUnloadCacheSize;
    bool useNewWebViewsForActiveView = false;
    // From the JSON object "refresh_intervals", each a number or a numeric text, finite and
    // not negative.
    std::optional<double> activeViewSamplingInterval;
    std::optional<double> swipeToViewSamplingInterval;

    // The JSON array's texts, in order (possibly none); absent when it is no array.
    std::optional<std::vector<std::string>> whitelistedAdRequestDomains;
    // The JSON object, kept whole when at least one entry maps a text to a text.
    std::optional<platform::Value::Dictionary> clickthroughConfirmSchemes;

    // The plain constants that came as non-empty texts, in the order they are written, as
    // (user-defaults key, text).
    std::vector<std::pair<std::string, std::string>> plainConstants;

    // "adapter_class_names": a JSON array of class names, or names separated by ","; absent
    // when the page sent none.
    std::optional<std::vector<std::string>> adapterClassNames;

    static GADSDKConstants fromParameters(const platform::Value::Dictionary& parameters);
};

}  // namespace ads
