#pragma once

// Property lists in and out of Values: binary and XML through libplist, old-style text
// through our own reader. Anything read is untrusted; malformed, truncated or hostile input
// gives an error (NSCocoaErrorDomain 3840 with the reason), never a crash.

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/Error.h"
#include "platform/base/Value.h"
#include "platform/storage/AtomicFile.h"

namespace platform {

// Format numbers, as callers store and pass them.
enum class PropertyListFormat { OpenStep = 1, Xml = 100, Binary = 200 };

class PropertyList {
  public:
    static constexpr int kMaxDepth = 512;

    // Reads any of the three formats; `format` receives the one found.
    static std::optional<Value> parse(std::string_view bytes, Error* error = nullptr,
                                      PropertyListFormat* format = nullptr);
    // Binary or XML. Null values, text with NUL characters or broken UTF-8, dates out of the
    // format's range and nesting beyond kMaxDepth are refused, never written half-right.
    static std::optional<std::string> serialize(const Value& value, PropertyListFormat format,
                                                Error* error = nullptr);

    // A file above maxBytes is refused unread (kFileReadTooLarge, a damaged file).
    static std::optional<Value> readFile(const std::filesystem::path& path, Error* error = nullptr,
                                         PropertyListFormat* format = nullptr,
                                         std::size_t maxBytes = AtomicFile::kDefaultMaxRead);
    // Serialises first, then writes atomically: a value that cannot be stored never touches
    // the file, and a failed write keeps the old one.
    static bool writeFile(const std::filesystem::path& path, const Value& value,
                          PropertyListFormat format = PropertyListFormat::Binary,
                          Error* error = nullptr, mode_t mode = 0644);
};

}  // namespace platform
