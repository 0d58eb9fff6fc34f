#pragma once

// The errors of property lists, JSON and files. Domain and codes are the ones the original
// platform used for the same failures, so logs and any caller comparing codes read the same.

#include <cstdint>
#include <string>

#include "platform/base/Error.h"

namespace platform {

class StorageError {
  public:
    static constexpr const char* kDomain = "NSCocoaErrorDomain";

    enum Code : std::int64_t {
        kFileReadUnknown = 256,
        kFileReadNoSuchFile = 260,
        kFileReadTooLarge = 263,
        kFileWriteUnknown = 512,
        kPropertyListReadCorrupt = 3840,
        kPropertyListReadUnknownVersion = 3841,
        kPropertyListWriteInvalid = 3852,
    };

    static Error make(Code code, std::string description) {
        return Error::make(kDomain, code, std::move(description));
    }
    // Stores into an optional out-parameter; answers false so callers can `return fail(...)`.
    static bool fail(Error* out, Code code, std::string description) {
        if (out) *out = make(code, std::move(description));
        return false;
    }
};

}  // namespace platform
