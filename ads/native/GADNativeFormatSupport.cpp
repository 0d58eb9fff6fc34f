#include "ads/native/GADNativeFormatSupport.h"

#include "platform/base/Decimal.h"

namespace ads {

std::optional<std::string> GADStringForKey(const platform::Value& object, std::string_view key) {
    const platform::Value* value = object.find(key);
    if (!value || !value->isString()) return std::nullopt;
    return value->stringRef();
}

std::optional<std::string> GADDecimalTextOfNumber(const platform::Value& value) {
    if (value.isBool()) return std::string(value.boolValue() ? "1" : "0");
    if (!value.isInteger() && !value.isReal()) return std::nullopt;
    const auto decimal = platform::Decimal::fromValue(value);
    if (!decimal) return std::nullopt;
    return decimal->toString();
}

platform::Value::Dictionary GADFormatRequestParameters(GADNativeAdFormat format) {
    return {{"format", platform::Value(static_cast<std::int64_t>(format))}};
}

}  // namespace ads
