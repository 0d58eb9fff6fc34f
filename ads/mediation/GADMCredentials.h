#pragma once

// Reading a network entry's credentials (what the connector answers from the entry's "data").
// They come from the server as JSON, so any value may stand under a key; the built-in adapters
// take a credential only as a string and treat any other value as missing.

#include <optional>
#include <string>

#include "platform/base/Value.h"

namespace ads {

// The credentials of a custom-event entry.
inline constexpr const char* kClassNameCredential = "class_name";
inline constexpr const char* kParameterCredential = "parameter";
inline constexpr const char* kLabelCredential = "label";

inline std::optional<std::string> credentialString(const platform::Value::Dictionary& credentials,
                                                   const std::string& key) {
    const auto found = credentials.find(key);
    if (found == credentials.end() || !found->second.isString()) return std::nullopt;
    return found->second.stringRef();
}

}  // namespace ads
