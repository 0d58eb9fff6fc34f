#include "ads/foundation/GADTokenCacheEntry.h"

#include <cmath>

#include "ads/foundation/GADJSONAdditions.h"
#include "platform/base/Unicode.h"

namespace ads {

using platform::Value;

namespace {

// Far more than any access token; a longer one would only bloat every ad request.
constexpr std::size_t kMaxTokenLength = 4096;

std::optional<double> finiteNumber(const Value* value) {
    if (!value || !(value->isInteger() || value->isReal())) return std::nullopt;
    const double number = value->asReal();
    if (!std::isfinite(number)) return std::nullopt;
    return number;
}

std::optional<platform::Date> finiteDate(const Value* value) {
    if (!value || !value->isDate()) return std::nullopt;
    const platform::Date date = value->asDate();
    if (!std::isfinite(date.secondsSince1970)) return std::nullopt;
    return date;
}

}  // namespace

GADTokenCacheEntry::GADTokenCacheEntry(std::string token, platform::Date lastAccess,
                                       platform::Date expiration, double lifespanInSeconds)
    : token_(std::move(token)),
      lastAccess_(lastAccess),
      expiration_(expiration),
      lifespanInSeconds_(lifespanInSeconds) {}

Value GADTokenCacheEntry::archive() const {
    return Value::dictionary({{kTokenKey, token_},
                              {kLastAccessKey, lastAccess_},
                              {kExpirationKey, expiration_},
                              {kLifespanKey, lifespanInSeconds_}});
}

std::optional<GADTokenCacheEntry> GADTokenCacheEntry::fromArchive(const Value& archived) {
    const Value* token = gad_objectForKey(archived, kTokenKey, &Value::isString);
    const auto lastAccess = finiteDate(archived.find(kLastAccessKey));
    const auto expiration = finiteDate(archived.find(kExpirationKey));
    const auto lifespan = finiteNumber(archived.find(kLifespanKey));
    if (!token || !GADIsUsableAccessToken(token->stringRef()) || !lastAccess || !expiration ||
        !lifespan) {
        return std::nullopt;
    }
    return GADTokenCacheEntry(token->stringRef(), *lastAccess, *expiration, *lifespan);
}

bool GADIsUsableAccessToken(std::string_view token) {
    if (token.empty() || token.size() > kMaxTokenLength) return false;
    for (char c : token) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x21 || code > 0x7e) return false;
    }
    return true;
}

std::optional<GADTokenResponse> GADTokenResponseFromData(std::string_view body) {
    if (!platform::isValidUtf8(body)) return std::nullopt;
    const std::optional<Value> json = gad_decodedJSONObject(body);
    if (!json || !json->isDictionary()) return std::nullopt;
    const Value* token = gad_objectForKey(*json, "access_token", &Value::isString);
    if (!token || !GADIsUsableAccessToken(token->stringRef())) return std::nullopt;
    return GADTokenResponse{token->stringRef(), finiteNumber(json->find("expires_in"))};
}

}  // namespace ads
