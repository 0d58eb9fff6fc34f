#pragma once

// The user signed in through the host application's sign-in library, as the token dispenser
// keys its access tokens: the id token's issuer and subject name the user, the library's
// client id is the application id the token endpoint wants, and the refresh token buys
// access tokens. Two records are the same user when issuer and user id are equal, whatever
// their application id and refresh token. A plain value: copy it freely, use it from any
// thread.

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Value.h"

namespace platform {
class UserDefaults;
}

namespace ads {

class GADStubsForGID;

class GADSignedInUser {
  public:
    // Keys of the archived form.
    static constexpr const char* kIssuerKey = "issuer";
    static constexpr const char* kUserIDKey = "userID";
    static constexpr const char* kApplicationIDKey = "applicationID";
    static constexpr const char* kRefreshTokenKey = "refreshToken";

    GADSignedInUser(std::string issuer, std::string userID, std::string applicationID,
                    std::string refreshToken);

    // The signed-in user of the moment, read from the sign-in library (call on the main
    // thread, where the library lives): nothing while "/zivivu/ads/enable_signed_in_ads" is
    // off, without a library or client id, or when the id token is not a JSON Web Token whose
    // payload names a non-empty issuer ("iss") and subject ("sub"), or there is no refresh
    // token. The token's signature is not checked: the claims only tell users apart.
    static std::optional<GADSignedInUser> current();
    static std::optional<GADSignedInUser> current(platform::UserDefaults& defaults,
                                                  const std::shared_ptr<GADStubsForGID>& signIn);

    const std::string& issuer() const { return issuer_; }
    const std::string& userID() const { return userID_; }
    const std::string& applicationID() const { return applicationID_; }
    const std::string& refreshToken() const { return refreshToken_; }

    // The same user and application without the secret, for storing.
    GADSignedInUser withoutRefreshToken() const;

    friend bool operator==(const GADSignedInUser& a, const GADSignedInUser& b) {
        return a.issuer_ == b.issuer_ && a.userID_ == b.userID_;
    }
    std::size_t hash() const;

    // The four values under their keys.
    platform::Value archive() const;
    // Nothing unless issuer and user id are non-empty texts; the other two may be absent.
    static std::optional<GADSignedInUser> fromArchive(const platform::Value& archived);

  private:
    std::string issuer_;
    std::string userID_;
    std::string applicationID_;
    std::string refreshToken_;
};

}  // namespace ads

template <>
struct std::hash<ads::GADSignedInUser> {
    std::size_t operator()(const ads::GADSignedInUser& user) const { return user.hash(); }
};
