#pragma once

// JSON for the SDK's page calls and server answers, over platform::Json, plus the rule that
// turns any dictionary into one JSON can carry. Server values are untrusted: nothing here
// throws or crashes on them.

#include <optional>
#include <string>
#include <string_view>

#include "platform/base/Error.h"
#include "platform/base/Value.h"

namespace ads {

// The JSON text of a dictionary or array that is valid JSON as it stands (pretty or compact).
// Otherwise nothing, and the private error 2 "Invalid JSON object.". Callers that may hold
// data or dates make the dictionary safe first.
std::optional<std::string> gad_JSONString(const platform::Value& object, bool pretty,
                                          platform::Error* error = nullptr);

// The text read as JSON; a bare string or number is accepted as the top level.
std::optional<platform::Value> gad_decodedJSONObject(std::string_view text,
                                                     platform::Error* error = nullptr);

// Makes a dictionary JSON-safe in place and answers whether anything had to change (nothing
// is touched then). Dictionaries and arrays are entered; any other value JSON cannot hold
// (data, dates, NaN and infinities) is replaced by its description.
bool gad_makeJSONSafe(platform::Value& dictionary);
// The same on a copy; a dictionary that is safe comes back equal.
platform::Value gad_JSONSafeDictionary(const platform::Value& dictionary);

// The value under the key when it is of the kind asked (&Value::isString, &Value::isNumber,
// ...); nullptr otherwise, also when the receiver is no dictionary.
const platform::Value* gad_objectForKey(const platform::Value& dictionary, std::string_view key,
                                        bool (platform::Value::*isKind)() const);

}  // namespace ads
