#pragma once

// The error record handed to completions and delegates: a domain, a code, a user-info
// dictionary and, optionally, the error that caused it.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "platform/base/Value.h"

namespace platform {

struct Error {
    Error() = default;
    Error(std::string domain, std::int64_t code, Value userInfo = Value::dictionary(),
          std::shared_ptr<Error> underlying = nullptr)
        : domain(std::move(domain)),
          code(code),
          userInfo(std::move(userInfo)),
          underlying(std::move(underlying)) {}

    std::string domain;
    std::int64_t code = 0;
    Value userInfo = Value::dictionary();
    std::shared_ptr<Error> underlying;

    // Well-known user-info keys, spelled as stored files and the ads SDK's pages spell them, so
    // dictionaries coming from or going to them keep their meaning.
    static constexpr const char* kLocalizedDescriptionKey = "NSLocalizedDescription";
    static constexpr const char* kLocalizedFailureReasonKey = "NSLocalizedFailureReason";
    static constexpr const char* kUrlKey = "NSErrorFailingURLStringKey";

    static Error make(std::string domain, std::int64_t code, std::string description = {});

    // The user-info description when there is one, else the generic sentence that logs and alerts
    // have always shown "The operation couldn't be completed. (<domain> error <code>.)".
    std::string localizedDescription() const;
    // One line for logs: "Error Domain=<domain> Code=<code> "<description>"".
    std::string description() const;

    // Chains a cause; the error keeps its own copy.
    Error& withUnderlying(const Error& cause);
    Error& withUserInfo(std::string key, Value value);

    // Domain and code identify an error; the rest is explanation.
    bool is(std::string_view d, std::int64_t c) const { return domain == d && code == c; }
    friend bool operator==(const Error& a, const Error& b);
};

}  // namespace platform
