#include "ads/foundation/GADAdResponseHeaders.h"

#include <charconv>
#include <cmath>

#include "ads/foundation/GADJSONAdditions.h"
#include "ads/foundation/GADLog.h"
#include "ads/foundation/GADStringAdditions.h"
#include "ads/foundation/GADURLUtilities.h"
#include "platform/net/HttpHeaders.h"

namespace ads {

namespace {

using platform::Value;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

const std::string* textOf(const Value::Dictionary& fields, const char* name) {
    auto found = fields.find(name);
    if (found == fields.end() || !found->second.isString()) return nullptr;
    return &found->second.stringRef();
}

bool flagOf(const Value::Dictionary& fields, const char* name) {
    auto found = fields.find(name);
    return found != fields.end() && found->second.boolValue();
}

bool wordIs(const std::string* text, std::string_view word) {
    return text && platform::HttpHeaders::namesEqual(*text, word);
}

std::optional<std::vector<platform::Url>> trackingURLs(const Value::Dictionary& fields,
                                                       const char* name,
                                                       const std::optional<platform::Url>& base) {
    const std::string* text = textOf(fields, name);
    return text ? gad_trackingURLsFromString(*text, base) : std::nullopt;
}

std::optional<Value> decoded(const std::string* text) {
    if (!text) return std::nullopt;
    return gad_decodedJSONObject(*text);
}

GADAdResponseType responseTypeOf(const Value::Dictionary& fields) {
    if (flagOf(fields, "x-rade-mediation")) {
        // Media types are case-insensitive: "Application/JSON; charset=utf-8" is JSON too.
        const std::string* type = textOf(fields, "content-type");
        const bool json = type && gad_asciiLowercased(*type).rfind("application/json", 0) == 0;
        return json ? GADAdResponseType::Mediation : GADAdResponseType::Invalid;
    }
    if (wordIs(textOf(fields, "x-rade-ad-format"), "native")) return GADAdResponseType::Native;
    if (flagOf(fields, "x-rade-custom-rendering-allowed"))
        return GADAdResponseType::CustomRendering;
    return GADAdResponseType::HTML;
}

}  // namespace

Value::Dictionary GADAdResponseHeaders::lowercasedFields(const Value::Dictionary& headers) {
    Value::Dictionary fields;
    for (const auto& [name, value] : headers) fields[gad_asciiLowercased(name)] = value;
    return fields;
}

GADAdResponseHeaders GADAdResponseHeaders::parse(const Value::Dictionary& headers,
                                                 const std::optional<platform::Url>& base) {
    GADAdResponseHeaders parsed;
    parsed.fields = lowercasedFields(headers);
    const Value::Dictionary& fields = parsed.fields;

    parsed.responseType = responseTypeOf(fields);
    parsed.clickURLs = trackingURLs(fields, "x-rade-click-tracking-urls", base);
    parsed.impressionURLs = trackingURLs(fields, "x-rade-tracking-urls", base);
    parsed.manualImpressionURLs = trackingURLs(fields, "x-rade-manual-tracking-urls", base);
    const std::string* optedOut = textOf(fields, "x-rade-content-url-opted-out");
    parsed.contentURLEnabled = optedOut && *optedOut == "false";
    if (auto activeView = decoded(textOf(fields, "x-rade-activeview"));
        activeView && activeView->isDictionary()) {
        parsed.activeViewConfigurations = activeView->asDictionary();
    }
    if (const std::string* orientation = textOf(fields, "x-rade-orientation"))
        parsed.supportedOrientations = GADSupportedOrientationsFromString(*orientation);
    if (auto found = fields.find("x-rade-refresh-rate"); found != fields.end()) {
        const Value& rate = found->second;
        if (rate.isString()) {
            parsed.reloadInterval = gad_refreshRateFromString(rate.stringRef());
        } else if (rate.isNumber() && std::isfinite(rate.asReal()) && rate.asReal() >= 0) {
            parsed.reloadInterval = rate.asReal();
        }
    }
    if (const std::string* text = textOf(fields, "x-rade-debug-dialog")) parsed.debugDialog = *text;
    if (const std::string* text = textOf(fields, "x-rade-ad-size"))
        parsed.customAdSizeString = *text;
    parsed.scrollEnabled = !flagOf(fields, "x-rade-disable-activation-and-scroll");
    if (auto found = fields.find("x-rade-use-https"); found != fields.end())
        parsed.useHttps = found->second.boolValue();
    parsed.clearToken = wordIs(textOf(fields, "x-rade-oauth-token-status"), "clear");
    parsed.fluid = wordIs(textOf(fields, "x-rade-fluid"), "height");
    if (const std::string* text = textOf(fields, "x-rade-zws-query-id")) parsed.zwsQueryID = *text;
    if (auto swipe = decoded(textOf(fields, "x-rade-swipe-to-view-controller"));
        swipe && (swipe->isArray() || swipe->isDictionary()) && swipe->size() > 0) {
        parsed.swipeToViewControllerConfigurations = std::move(swipe);
    }
    return parsed;
}

std::optional<std::vector<platform::Url>> gad_trackingURLsFromString(
    std::string_view text, const std::optional<platform::Url>& base) {
    std::vector<platform::Url> urls;
    std::size_t dropped = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && isSpace(text[at])) ++at;
        std::size_t end = at;
        while (end < text.size() && !isSpace(text[end])) ++end;
        if (end > at) {
            const std::string_view word = text.substr(at, end - at);
            auto url = base ? platform::Url::parse(word, *base) : platform::Url::parse(word);
            if (url && !url->host().empty() && gad_isWebURL(*url)) {
                urls.push_back(std::move(*url));
            } else if (url) {
                ++dropped;
            }
        }
        at = end;
    }
    // Words that make no URL at all were never tracking URLs; these were, but cannot be sent.
    if (dropped != 0) {
        GADLog("%zu tracking URL(s) of an ad answer are not web URLs%s; they are not pinged.",
               dropped, base ? "" : " and there is no base to resolve them against");
    }
    if (urls.empty()) return std::nullopt;
    return urls;
}

std::optional<double> gad_refreshRateFromString(std::string_view text) {
    if (text.empty()) return std::nullopt;
    double seconds = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, seconds);
    if (error != std::errc() || stop != end || !std::isfinite(seconds) || seconds < 0)
        return std::nullopt;
    // "-0" reads as negative zero, which is no reload period either way.
    return seconds == 0 ? 0.0 : seconds;
}

}  // namespace ads
