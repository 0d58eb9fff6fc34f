#include "ads/web/GADSDKConstants.h"

#include <cmath>

#include "ads/foundation/GADJSONAdditions.h"
#include "ads/foundation/GADSettingsKeys.h"

namespace ads {

using platform::Value;

namespace {

std::optional<std::string> text(const Value::Dictionary& parameters, const char* key) {
    auto found = parameters.find(key);
    if (found == parameters.end() || !found->second.isString()) return std::nullopt;
    return found->second.stringRef();
}

std::optional<Value> decoded(const Value::Dictionary& parameters, const char* key) {
    auto value = text(parameters, key);
    if (!value) return std::nullopt;
    return gad_decodedJSONObject(*value);
}

std::optional<double> interval(const Value& intervals, const char* key) {
    const Value* value = intervals.find(key);
    if (!value || !(value->isString() || value->isNumber())) return std::nullopt;
    const double seconds = value->doubleValue();
    // A sampling interval drives a timer: a negative or endless one would spin or never fire.
    if (!std::isfinite(seconds) || seconds < 0) return std::nullopt;
    return seconds;
}

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

std::vector<std::string> adapterNames(const std::string& value) {
    std::vector<std::string> names;
    if (auto json = gad_decodedJSONObject(value); json && json->isArray()) {
        for (const Value& name : json->asArray()) {
            if (name.isString() && !name.stringRef().empty()) names.push_back(name.stringRef());
        }
        return names;
    }
    std::size_t start = 0;
    while (start <= value.size()) {
        const std::size_t comma = std::min(value.find(',', start), value.size());
        if (std::string name = trimmed(value.substr(start, comma - start)); !name.empty()) {
            names.push_back(std::move(name));
        }
        start = comma + 1;
    }
    return names;
}

}  // namespace

GADSDKConstants GADSDKConstants::fromParameters(const Value::Dictionary& parameters) {
    GADSDKConstants constants;
    constants.mraidBannerPath = text(parameters, "mraid_banner_path");
    constants.mraidInterstitialPath = text(parameters, "mraid_interstitial_path");
    constants.mraidExpandedBannerPath = text(parameters, "mraid_expanded_banner_path");
    constants.mraidDisableRedirect = text(parameters, "mraid_disable_redirect") == "1";

    if (auto size = text(parameters, "active_view_unload_cache_size")) {
        const std::int64_t value = Value(*size).integerValue();
        if (value >= 1) constants.activeViewUnloadCacheSize = static_cast<std::uint64_t>(value);
    }
    if (auto flag = text(parameters, "use_new_web_views_for_active_view")) {
        constants.useNewWebViewsForActiveView = Value(*flag).boolValue();
    }
    if (auto intervals = decoded(parameters, "refresh_intervals");
        intervals && intervals->isDictionary()) {
        constants.activeViewSamplingInterval =
            interval(*intervals, "active_view_sampling_interval");
        constants.swipeToViewSamplingInterval =
            interval(*intervals, "swipe_to_view_sampling_interval");
    }
    if (auto domains = decoded(parameters, "whitelisted_ad_request_domains");
        domains && domains->isArray()) {
        std::vector<std::string> hosts;
        for (const Value& host : domains->asArray()) {
            if (host.isString()) hosts.push_back(host.stringRef());
        }
        constants.whitelistedAdRequestDomains = std::move(hosts);
    }
    if (auto schemes = decoded(parameters, "clickthrough_confirm_schemes");
        schemes && schemes->isDictionary()) {
        for (const auto& [scheme, title] : schemes->asDictionary()) {
            if (title.isString()) {
                constants.clickthroughConfirmSchemes = schemes->asDictionary();
                break;
            }
        }
    }
    for (const char* name : settings_keys::kPlainConstantNames) {
        auto value = text(parameters, name);
        if (value && !value->empty()) {
            constants.plainConstants.emplace_back(std::string(settings_keys::kKeyPrefix) + name,
                                                  *value);
        }
    }
    if (auto names = text(parameters, "adapter_class_names")) {
        constants.adapterClassNames = adapterNames(*names);
    }
    return constants;
}

}  // namespace ads
