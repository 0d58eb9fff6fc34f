#pragma once

// Conversions between Values and nlohmann::json documents, for code that builds or inspects
// JSON with that library directly. Text in and out still goes through Json, which owns the
// escaping and UTF-8 rules.

#include <nlohmann/json.hpp>
#include <optional>

#include "platform/base/Error.h"
#include "platform/base/Value.h"

namespace platform {

class JsonBridge {
  public:
    // Data, dates, NaN, infinities and nesting beyond Json::kMaxDepth have no JSON form
    // (3852); broken UTF-8 in texts and keys becomes U+FFFD.
    static std::optional<nlohmann::json> toJson(const Value& value, Error* error = nullptr);
    // Every document converts: unsigned numbers beyond the signed range become reals, binary
    // values become data, and nesting beyond Json::kMaxDepth is cut off as null.
    static Value fromJson(const nlohmann::json& json);
};

}  // namespace platform
