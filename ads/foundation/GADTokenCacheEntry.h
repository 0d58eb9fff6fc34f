#pragma once

// One cached access token of a signed-in user: the token, when it was last handed out or
// received, when it is taken to expire and the lifespan that expiration came from. A plain
// value; the token dispenser keeps its entries on its queue.
//
// Tokens come from a server and from the preferences file, and end up in a request header:
// only visible ASCII is a token (no spaces or line breaks, so none can add a header).

#include <optional>
#include <string>
#include <string_view>

#include "platform/base/Value.h"

namespace ads {

class GADTokenCacheEntry {
  public:
    // Keys of the stored form.
    static constexpr const char* kTokenKey = "token";
    static constexpr const char* kLastAccessKey = "lastAccess";
    static constexpr const char* kExpirationKey = "expiration";
    static constexpr const char* kLifespanKey = "lifespanInSeconds";

    GADTokenCacheEntry(std::string token, platform::Date lastAccess, platform::Date expiration,
                       double lifespanInSeconds);

    const std::string& token() const { return token_; }
    platform::Date lastAccess() const { return lastAccess_; }
    void setLastAccess(platform::Date date) { lastAccess_ = date; }
    platform::Date expiration() const { return expiration_; }
    double lifespanInSeconds() const { return lifespanInSeconds_; }
    // Raises the lifespan (the expiration the server gave stays).
    void setLifespanInSeconds(double seconds) { lifespanInSeconds_ = seconds; }

    platform::Value archive() const;
    // Nothing unless all four values are there, of their kinds, with a usable token and
    // finite times.
    static std::optional<GADTokenCacheEntry> fromArchive(const platform::Value& archived);

  private:
    std::string token_;
    platform::Date lastAccess_;
    platform::Date expiration_;
    double lifespanInSeconds_;
};

// Non-empty visible ASCII (0x21 to 0x7e), at most 4096 bytes.
bool GADIsUsableAccessToken(std::string_view token);

// What the token endpoint answered: a JSON object with a usable "access_token" text and,
// when it is a finite number, "expires_in" (seconds). Nothing for anything else.
struct GADTokenResponse {
    std::string accessToken;
    std::optional<double> expiresIn;
};
std::optional<GADTokenResponse> GADTokenResponseFromData(std::string_view body);

}  // namespace ads
