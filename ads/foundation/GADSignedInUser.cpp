#include "ads/foundation/GADSignedInUser.h"

#include <vector>

#include "ads/foundation/GADJSONAdditions.h"
#include "ads/foundation/GADSettings.h"
#include "ads/foundation/GADStringEncoding.h"
#include "ads/foundation/GADStubsForGID.h"
#include "platform/storage/UserDefaults.h"

namespace ads {

using platform::Value;

namespace {

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

const std::string* nonEmptyText(const Value& dictionary, std::string_view key) {
    const Value* value = gad_objectForKey(dictionary, key, &Value::isString);
    return value && !value->stringRef().empty() ? &value->stringRef() : nullptr;
}

std::string textOrEmpty(const Value& dictionary, std::string_view key) {
    const Value* value = gad_objectForKey(dictionary, key, &Value::isString);
    return value ? value->stringRef() : std::string();
}

}  // namespace

GADSignedInUser::GADSignedInUser(std::string issuer, std::string userID, std::string applicationID,
                                 std::string refreshToken)
    : issuer_(std::move(issuer)),
      userID_(std::move(userID)),
      applicationID_(std::move(applicationID)),
      refreshToken_(std::move(refreshToken)) {}

std::optional<GADSignedInUser> GADSignedInUser::current() {
    return current(platform::UserDefaults::standard(), GADSignInSharedInstance());
}

std::optional<GADSignedInUser> GADSignedInUser::current(
    platform::UserDefaults& defaults, const std::shared_ptr<GADStubsForGID>& signIn) {
    if (!GADSettings(defaults).enableSignedInAds() || !signIn) return std::nullopt;
    const std::optional<std::string> clientID = signIn->clientID();
    if (!clientID || clientID->empty()) return std::nullopt;
    const std::shared_ptr<GADStubsForGID> user = signIn->currentUser();
    const std::shared_ptr<GADStubsForGID> authentication = user ? user->authentication() : nullptr;
    if (!authentication) return std::nullopt;

    const std::optional<std::string> idToken = authentication->idToken();
    if (!idToken) return std::nullopt;
    // header.payload.signature
    const std::vector<std::string_view> parts = split(*idToken, '.');
    if (parts.size() != 3) return std::nullopt;
    const std::optional<std::string> payload =
        GADStringEncoding::rfc4648Base64WebsafeStringEncoding().stringByDecoding(parts[1]);
    if (!payload) return std::nullopt;
    const std::optional<Value> claims = gad_decodedJSONObject(*payload);
    if (!claims || !claims->isDictionary()) return std::nullopt;
    const std::string* issuer = nonEmptyText(*claims, "iss");
    const std::string* subject = nonEmptyText(*claims, "sub");
    if (!issuer || !subject) return std::nullopt;

    const std::optional<std::string> refreshToken = authentication->refreshToken();
    if (!refreshToken || refreshToken->empty()) return std::nullopt;
    return GADSignedInUser(*issuer, *subject, *clientID, *refreshToken);
}

GADSignedInUser GADSignedInUser::withoutRefreshToken() const {
    return GADSignedInUser(issuer_, userID_, applicationID_, {});
}

std::size_t GADSignedInUser::hash() const {
    return std::hash<std::string>()(issuer_) ^ std::hash<std::string>()(userID_);
}

Value GADSignedInUser::archive() const {
    Value archived = Value::dictionary({{kIssuerKey, issuer_}, {kUserIDKey, userID_}});
    if (!applicationID_.empty()) archived.set(kApplicationIDKey, applicationID_);
    if (!refreshToken_.empty()) archived.set(kRefreshTokenKey, refreshToken_);
    return archived;
}

std::optional<GADSignedInUser> GADSignedInUser::fromArchive(const Value& archived) {
    const std::string* issuer = nonEmptyText(archived, kIssuerKey);
    const std::string* userID = nonEmptyText(archived, kUserIDKey);
    if (!issuer || !userID) return std::nullopt;
    return GADSignedInUser(*issuer, *userID, textOrEmpty(archived, kApplicationIDKey),
                           textOrEmpty(archived, kRefreshTokenKey));
}

}  // namespace ads
