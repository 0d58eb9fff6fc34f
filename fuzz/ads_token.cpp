// What the signed-in user's tokens are made of, none of it ours: the token endpoint's answer,
// the id token the sign-in library hands over, and the token cache read back from the
// preferences file (as JSON, or as a property list, which can hold dates). A token that
// comes out must be fit for a request header; a cache read back must store and read again
// unchanged.

#include <cmath>
#include <memory>

#include "FuzzSupport.h"
#include "ads/foundation/GADJSONAdditions.h"
#include "ads/foundation/GADSettingsKeys.h"
#include "ads/foundation/GADSignedInUser.h"
#include "ads/foundation/GADStubsForGID.h"
#include "ads/foundation/GADTokenCacheEntry.h"
#include "ads/foundation/GADTokenDispenser.h"
#include "platform/storage/PropertyList.h"
#include "platform/storage/UserDefaults.h"

namespace {

// A signed-in library user whose id token is the input.
class Credentials : public ads::GADStubsForGID {
  public:
    explicit Credentials(std::string idToken) : idToken_(std::move(idToken)) {}
    std::optional<std::string> clientID() const override { return "client.apps"; }
    std::shared_ptr<GADStubsForGID> currentUser() const override { return self(); }
    std::shared_ptr<GADStubsForGID> authentication() const override { return self(); }
    std::optional<std::string> idToken() const override { return idToken_; }
    std::optional<std::string> refreshToken() const override { return "refresh"; }

  private:
    std::shared_ptr<GADStubsForGID> self() const {
        return std::shared_ptr<GADStubsForGID>(std::shared_ptr<GADStubsForGID>{},
                                               const_cast<Credentials*>(this));
    }
    std::string idToken_;
};

platform::UserDefaults& signedInAdsOn() {
    // Registered defaults are never written: no file is touched.
    static auto* defaults = [] {
        auto* made = new platform::UserDefaults("/nonexistent/fuzz-prefs.plist");
        made->registerDefaults({{ads::settings_keys::kEnableSignedInAds, true}});
        return made;
    }();
    return *defaults;
}

void checkCache(const platform::Value& stored) {
    using ads::GADTokenDispenser;
    const GADTokenDispenser::Cache cache = GADTokenDispenser::unarchivedCache(stored, 60);
    for (const auto& [user, entry] : cache) {
        FUZZ_CHECK(!user.issuer().empty() && !user.userID().empty());
        FUZZ_CHECK(user.refreshToken().empty());
        FUZZ_CHECK(ads::GADIsUsableAccessToken(entry.token()));
        FUZZ_CHECK(std::isfinite(entry.lastAccess().secondsSince1970));
        FUZZ_CHECK(std::isfinite(entry.expiration().secondsSince1970));
        FUZZ_CHECK(std::isfinite(entry.lifespanInSeconds()) && entry.lifespanInSeconds() >= 60);
    }
    const GADTokenDispenser::Cache again =
        GADTokenDispenser::unarchivedCache(GADTokenDispenser::archivedCache(cache), 60);
    FUZZ_CHECK(again.size() == cache.size());
    for (const auto& [user, entry] : cache) {
        auto found = again.find(user);
        FUZZ_CHECK(found != again.end());
        FUZZ_CHECK(found->first.applicationID() == user.applicationID());
        FUZZ_CHECK(found->second.token() == entry.token());
        FUZZ_CHECK(found->second.expiration() == entry.expiration());
        FUZZ_CHECK(found->second.lastAccess() == entry.lastAccess());
        FUZZ_CHECK(found->second.lifespanInSeconds() == entry.lifespanInSeconds());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = fuzz::bytes(data, size);

    if (auto answer = ads::GADTokenResponseFromData(text)) {
        FUZZ_CHECK(ads::GADIsUsableAccessToken(answer->accessToken));
        FUZZ_CHECK(!answer->expiresIn || std::isfinite(*answer->expiresIn));
    }

    auto library = std::make_shared<Credentials>(std::string(text));
    if (auto user = ads::GADSignedInUser::current(signedInAdsOn(), library)) {
        FUZZ_CHECK(!user->issuer().empty() && !user->userID().empty());
        FUZZ_CHECK(user->applicationID() == "client.apps" && user->refreshToken() == "refresh");
        auto restored = ads::GADSignedInUser::fromArchive(user->archive());
        FUZZ_CHECK(restored && *restored == *user && restored->refreshToken() == "refresh");
    }

    if (auto json = ads::gad_decodedJSONObject(text)) checkCache(*json);
    if (auto plist = platform::PropertyList::parse(text)) checkCache(*plist);
    return 0;
}
