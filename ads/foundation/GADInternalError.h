#pragma once

// Errors that stay inside the SDK (a file that could not be read, a bad argument to an
// internal routine) live in a private domain of their own; only GADRequestError reaches the
// app.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/base/Error.h"

namespace ads {

inline constexpr const char* kGADErrorDomain = "com.zivivu.ads";
inline constexpr const char* kGADPrivateErrorDomain = "com.zivivu.ads.private";

// Codes of the private domain; callers compare the numbers.
enum class GADInternalErrorCode : int {
    FileCouldNotBeRead = 1,
    InternalError = 2,
    InvalidArgument = 3,
};

// The description goes under both the localized description and the failure reason; without
// one the user info stays empty.
platform::Error gad_errorWithDomain(std::string domain, std::int64_t code,
                                    std::optional<std::string> description);
platform::Error gad_errorWithCode(std::int64_t code, std::optional<std::string> description);
platform::Error gad_errorWithCode(GADInternalErrorCode code);
// "File could not be read.", "Internal error.", "Invalid argument." for 1 to 3; nothing else.
std::optional<std::string> gad_localizedDescriptionForErrorCode(std::int64_t code);

}  // namespace ads
