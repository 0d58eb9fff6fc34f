#include "ads/foundation/GADSignedInUser.h"

#include <gtest/gtest.h>

#include <unordered_set>

#include "ads/foundation/GADSettingsKeys.h"
#include "ads/foundation/GADStringEncoding.h"
#include "ads/foundation/GADStubsForGID.h"
#include "ads/testsupport/FakeSignIn.h"
#include "ads/testsupport/TemporaryHome.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/storage/UserDefaults.h"

namespace ads {
namespace {

using platform::Value;
using testing::FakeSignIn;

constexpr const char* kIssuer = "https://accounts.example";

class GADSignedInUserTest : public ::testing::Test {
  protected:
    testing::TemporaryHome home;
    std::unique_ptr<platform::UserDefaults> defaults = home.openDefaults();
    std::shared_ptr<FakeSignIn> signIn = FakeSignIn::create();

    void SetUp() override {
        defaults->setBool(settings_keys::kEnableSignedInAds, true);
        signIn->setClientID("client-7.apps");
        signIn->signIn(FakeSignIn::idTokenFor(kIssuer, "user-7"), "refresh-7");
    }

    std::optional<GADSignedInUser> current() { return GADSignedInUser::current(*defaults, signIn); }

    // The user read with this id token in place of a good one.
    std::optional<GADSignedInUser> withIdToken(const std::string& idToken) {
        signIn->signIn(idToken, "refresh-7");
        return current();
    }
};

TEST_F(GADSignedInUserTest, ReadsTheLibrarysCurrentUser) {
    auto user = current();
    ASSERT_TRUE(user);
    EXPECT_EQ(user->issuer(), kIssuer);
    EXPECT_EQ(user->userID(), "user-7");
    EXPECT_EQ(user->applicationID(), "client-7.apps");
    EXPECT_EQ(user->refreshToken(), "refresh-7");

    // Padding is optional in a JSON Web Token; both forms decode.
    const Value claims = Value::dictionary({{"iss", kIssuer}, {"sub", "user-8"}, {"aud", "x"}});
    EXPECT_EQ(withIdToken(FakeSignIn::idToken(claims, false))->userID(), "user-8");
    EXPECT_EQ(withIdToken(FakeSignIn::idToken(claims, true))->userID(), "user-8");
}

TEST_F(GADSignedInUserTest, NoUserWithoutTheFlagTheLibraryOrItsCredentials) {
    defaults->setBool(settings_keys::kEnableSignedInAds, false);
    EXPECT_FALSE(current());
    defaults->setBool(settings_keys::kEnableSignedInAds, true);
    EXPECT_FALSE(GADSignedInUser::current(*defaults, nullptr));

    signIn->setClientID(std::nullopt);
    EXPECT_FALSE(current());
    signIn->setClientID("");
    EXPECT_FALSE(current());
    signIn->setClientID("client-7.apps");

    signIn->signOut();
    EXPECT_FALSE(current());
    signIn->signInWithoutAuthentication();
    EXPECT_FALSE(current());
    signIn->signIn(std::nullopt, "refresh-7");
    EXPECT_FALSE(current());
    signIn->signIn(FakeSignIn::idTokenFor(kIssuer, "user-7"), std::nullopt);
    EXPECT_FALSE(current());
    signIn->signIn(FakeSignIn::idTokenFor(kIssuer, "user-7"), "");
    EXPECT_FALSE(current());
}

TEST_F(GADSignedInUserTest, TheIdTokenMustNameIssuerAndSubject) {
    const std::string good = FakeSignIn::idTokenFor(kIssuer, "user-7");
    const std::string header = good.substr(0, good.find('.'));
    const auto token = [&](const std::string& payloadJSON) {
        return header + "." +
               GADStringEncoding::rfc4648Base64WebsafeStringEncoding().encodeString(payloadJSON) +
               ".sig";
    };
    ASSERT_TRUE(withIdToken(token(R"({"iss":"i","sub":"s"})")));

    // Two and four parts.
    EXPECT_FALSE(withIdToken(good.substr(0, good.rfind('.'))));
    EXPECT_FALSE(withIdToken(good + ".more"));
    EXPECT_FALSE(withIdToken(""));
    // Payloads that are no claims of a user.
    EXPECT_FALSE(withIdToken(token(R"([{"iss":"i","sub":"s"}])")));
    EXPECT_FALSE(withIdToken(token(R"({"iss":"i"})")));
    EXPECT_FALSE(withIdToken(token(R"({"sub":"s"})")));
    EXPECT_FALSE(withIdToken(token(R"({"iss":"i","sub":12})")));
    EXPECT_FALSE(withIdToken(token(R"({"iss":"i","sub":""})")));
    EXPECT_FALSE(withIdToken(token(R"({"iss":null,"sub":"s"})")));
    EXPECT_FALSE(withIdToken(token("not json")));
    EXPECT_FALSE(withIdToken(token("\"a string\"")));
    // Not URL-safe Base64, and a payload that is no UTF-8.
    EXPECT_FALSE(withIdToken(header + ".e30+/w.sig"));
    EXPECT_FALSE(withIdToken(header + "." +
                             GADStringEncoding::rfc4648Base64WebsafeStringEncoding().encodeString(
                                 "{\"iss\":\"\xff\",\"sub\":\"s\"}") +
                             ".sig"));
}

TEST_F(GADSignedInUserTest, EqualityHashCopyAndArchive) {
    const GADSignedInUser user(kIssuer, "user-7", "client-7.apps", "refresh-7");
    const GADSignedInUser sameUser(kIssuer, "user-7", "other.apps", "refresh-other");
    const GADSignedInUser otherSubject(kIssuer, "user-8", "client-7.apps", "refresh-7");
    const GADSignedInUser otherIssuer("https://elsewhere", "user-7", "client-7.apps", "refresh-7");
    EXPECT_EQ(user, sameUser);
    EXPECT_EQ(user.hash(), sameUser.hash());
    EXPECT_NE(user, otherSubject);
    EXPECT_NE(user, otherIssuer);
    const std::unordered_set<GADSignedInUser> users{user, sameUser, otherSubject};
    EXPECT_EQ(users.size(), 2u);

    const GADSignedInUser copy = user;
    EXPECT_EQ(copy.refreshToken(), "refresh-7");

    auto restored = GADSignedInUser::fromArchive(user.archive());
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->issuer(), kIssuer);
    EXPECT_EQ(restored->userID(), "user-7");
    EXPECT_EQ(restored->applicationID(), "client-7.apps");
    EXPECT_EQ(restored->refreshToken(), "refresh-7");

    const Value stored = user.withoutRefreshToken().archive();
    EXPECT_FALSE(stored.contains(GADSignedInUser::kRefreshTokenKey));
    EXPECT_EQ(GADSignedInUser::fromArchive(stored)->applicationID(), "client-7.apps");

    // A stored user needs both of its names as texts.
    EXPECT_FALSE(GADSignedInUser::fromArchive(Value::dictionary({{"issuer", kIssuer}})));
    EXPECT_FALSE(
        GADSignedInUser::fromArchive(Value::dictionary({{"issuer", kIssuer}, {"userID", 7}})));
    EXPECT_FALSE(GADSignedInUser::fromArchive(Value::array({kIssuer, "user-7"})));
}

TEST_F(GADSignedInUserTest, TheLibraryIsFoundOnlyWhenComplete) {
    {
        platform::ClassRegistry registry;
        EXPECT_EQ(GADSignInLookup(registry), nullptr);
        FakeSignIn::registerLibrary(registry, signIn);
        EXPECT_EQ(GADSignInLookup(registry), signIn);
        // Without change notifications a user who signed out would stay.
        signIn->setSupportsCurrentUserKVO(false);
        EXPECT_EQ(GADSignInLookup(registry), nullptr);
    }
    signIn->setSupportsCurrentUserKVO(true);
    for (const char* missing : {GADStubsForGID::kSignInClassName, GADStubsForGID::kUserClassName,
                                GADStubsForGID::kAuthenticationClassName}) {
        platform::ClassRegistry registry;
        FakeSignIn::registerLibrary(registry, signIn, missing);
        EXPECT_EQ(GADSignInLookup(registry), nullptr) << missing;
    }
    // Known by name but not made by the registry.
    platform::ClassRegistry registry;
    FakeSignIn::registerLibrary(registry, signIn, GADStubsForGID::kSignInClassName);
    registry.registerName(GADStubsForGID::kSignInClassName);
    EXPECT_EQ(GADSignInLookup(registry), nullptr);
}

}  // namespace
}  // namespace ads
