#pragma once

// JSON in and out of Values (nlohmann-json parses; the writer is ours, to control escaping).
//
// Reading replaces broken UTF-8 with U+FFFD instead of failing, because server answers are
// sometimes cut in the middle of a character; everything else malformed is an error
// (NSCocoaErrorDomain 3840 with the parser's reason). The top level must be an array or
// an object unless fragments are allowed: server answers are one of the two.
//
// Writing escapes "/" and U+2028/U+2029, so the text can be spliced into
// a script or an HTML page as it is: "</script>" and the two line separators that end a
// JavaScript string literal never appear raw.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/Error.h"
#include "platform/base/Value.h"

namespace platform {

class Json {
  public:
    static constexpr int kMaxDepth = 512;

    enum ReadingOptions : unsigned { kReadingDefault = 0, kReadingAllowFragments = 1 };
    enum WritingOptions : unsigned {
        kWritingCompact = 0,
        kWritingPrettyPrinted = 1,
        kWritingFragmentsAllowed = 2,
    };

    static std::optional<Value> parse(std::string_view text, unsigned options = kReadingDefault,
                                      Error* error = nullptr);
    // Data, dates, NaN and infinities have no JSON form and are refused (3852).
    static std::optional<std::string> write(const Value& value, unsigned options = kWritingCompact,
                                            Error* error = nullptr);
    // Whether write would succeed without fragments.
    static bool isValidJSONObject(const Value& value);

    static std::optional<Value> readFile(const std::filesystem::path& path,
                                         unsigned options = kReadingDefault,
                                         Error* error = nullptr);
    static bool writeFile(const std::filesystem::path& path, const Value& value,
                          unsigned options = kWritingPrettyPrinted, Error* error = nullptr);
};

}  // namespace platform
