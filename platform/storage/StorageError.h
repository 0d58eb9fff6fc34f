#pragma once

// The errors of property lists, JSON and files. Domain and codes are fixed, so logs and any caller
// comparing codes read the same for the same failure.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/base/Error.h"

namespace platform {

class StorageError {
  public:
    static constexpr const char* kDomain = "NSCocoaErrorDomain";

    enum Code : std::int64_t {
        kFileReadUnknown = 256,
        // Something that is no file to read stands where one should (a FIFO, a device).
        kFileReadCorruptFile = 259,
        kFileReadNoSuchFile = 260,
        kFileReadTooLarge = 263,
        kFileWriteUnknown = 512,
        kPropertyListReadCorrupt = 3840,
        kPropertyListReadUnknownVersion = 3841,
        kPropertyListWriteInvalid = 3852,
    };

    // Codes for a file that is there but can never be read as what it should be: not in the
    // format, no regular file, or beyond our size limits. Such a file is damaged (moved aside
    // before a save replaces it); any other read failure may pass, and the file must be kept.
    static bool isDamagedFile(std::int64_t code) {
        return code == kPropertyListReadCorrupt || code == kPropertyListReadUnknownVersion ||
               code == kFileReadCorruptFile || code == kFileReadTooLarge;
    }

    static Error make(Code code, std::string description) {
        return Error::make(kDomain, code, std::move(description));
    }
    // Stores into an optional out-parameter; answers false so callers can `return fail(...)`.
    static bool fail(Error* out, Code code, std::string description) {
        if (out) *out = make(code, std::move(description));
        return false;
    }
    // Data that is not in the format being read; answers nullopt for `return corrupt(...)`.
    static std::nullopt_t corrupt(Error* out, const std::string& why) {
        fail(out, kPropertyListReadCorrupt,
             "The data couldn\u2019t be read because it isn\u2019t in the correct format (" + why +
                 ").");
        return std::nullopt;
    }
};

}  // namespace platform
