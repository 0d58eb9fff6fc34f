#include "ads/foundation/GADTokenCacheEntry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace ads {
namespace {

using platform::Value;

TEST(GADTokenCacheEntryTest, AnswersGiveOnlyUsableTokens) {
    auto answer = GADTokenResponseFromData(R"({"access_token":"ya29.a-_~+/=","expires_in":30.5})");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->accessToken, "ya29.a-_~+/=");
    EXPECT_EQ(answer->expiresIn, 30.5);
    // "expires_in" that is no finite number counts as absent; one out of every number's
    // range makes the text no JSON we read.
    EXPECT_EQ(GADTokenResponseFromData(R"({"access_token":"t","expires_in":"60"})")->expiresIn,
              std::nullopt);
    EXPECT_EQ(GADTokenResponseFromData(R"({"access_token":"t","expires_in":null})")->expiresIn,
              std::nullopt);
    EXPECT_FALSE(GADTokenResponseFromData(R"({"access_token":"t","expires_in":1e999})"));
    for (const char* bad :
         {R"({"access_token":""})", R"({"access_token":"a b"})", R"({"access_token":"\u00e9"})",
          R"({"access_token":7})", R"(["access_token"])", R"("access_token")", "", "{"}) {
        EXPECT_FALSE(GADTokenResponseFromData(bad)) << bad;
    }
    EXPECT_FALSE(GADTokenResponseFromData(R"({"access_token":")" + std::string(5000, 'a') + "\"}"));
}

TEST(GADTokenCacheEntryTest, StoredEntriesNeedAllFourValues) {
    const GADTokenCacheEntry entry("t0k", platform::Date{100}, platform::Date{3700}, 3600);
    auto restored = GADTokenCacheEntry::fromArchive(entry.archive());
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->token(), "t0k");
    EXPECT_EQ(restored->lastAccess(), platform::Date{100});
    EXPECT_EQ(restored->expiration(), platform::Date{3700});
    EXPECT_EQ(restored->lifespanInSeconds(), 3600);

    // An integer lifespan is a number too.
    Value integer = entry.archive();
    integer.set("lifespanInSeconds", 60);
    EXPECT_EQ(GADTokenCacheEntry::fromArchive(integer)->lifespanInSeconds(), 60);

    for (const char* key : {"token", "lastAccess", "expiration", "lifespanInSeconds"}) {
        Value missing = entry.archive();
        missing.erase(key);
        EXPECT_FALSE(GADTokenCacheEntry::fromArchive(missing)) << key;
        Value wrongKind = entry.archive();
        wrongKind.set(key, Value::array());
        EXPECT_FALSE(GADTokenCacheEntry::fromArchive(wrongKind)) << key;
    }
    Value infinite = entry.archive();
    infinite.set("lifespanInSeconds", INFINITY);
    EXPECT_FALSE(GADTokenCacheEntry::fromArchive(infinite));
    Value notADate = entry.archive();
    notADate.set("expiration", Value(platform::Date{NAN}));
    EXPECT_FALSE(GADTokenCacheEntry::fromArchive(notADate));
    Value header = entry.archive();
    header.set("token", "t0k\r\nX-Injected: 1");
    EXPECT_FALSE(GADTokenCacheEntry::fromArchive(header));
}

}  // namespace
}  // namespace ads
