#include "ads/foundation/GADURLResponseMemoryCache.h"

#include <gtest/gtest.h>

#include <string>

#include "ads/foundation/GADStringAdditions.h"
#include "ads/foundation/GADURLConnection.h"

namespace ads {
namespace {

GADURLResponseMemoryCache::Entry entry(const std::string& body) {
    return GADCachedURLResponse::create(platform::UrlResponse{},
                                        std::vector<std::uint8_t>(body.begin(), body.end()),
                                        platform::Date{1}, std::nullopt);
}

std::string bodyOf(const GADURLResponseMemoryCache::Entry& e) {
    return e ? std::string(e->data().begin(), e->data().end()) : "(none)";
}

TEST(GADURLResponseMemoryCacheTest, KeepsAtMostItsLimitDroppingTheLeastRecentlyUsed) {
    GADURLResponseMemoryCache cache(GADURLConnection::kMemoryCacheCountLimit);
    EXPECT_EQ(cache.countLimit(), 25u);
    for (int i = 0; i < 25; ++i)
        cache.setObject(entry("b" + std::to_string(i)), gad_MD5Data(std::to_string(i)));
    EXPECT_EQ(cache.count(), 25u);
    // Using entry 0 makes entry 1 the oldest: the 26th pushes it out.
    EXPECT_EQ(bodyOf(cache.objectForKey(gad_MD5Data("0"))), "b0");
    cache.setObject(entry("b25"), gad_MD5Data("25"));
    EXPECT_EQ(cache.count(), 25u);
    EXPECT_EQ(bodyOf(cache.objectForKey(gad_MD5Data("1"))), "(none)");
    EXPECT_EQ(bodyOf(cache.objectForKey(gad_MD5Data("0"))), "b0");
    // Replacing keeps the count.
    cache.setObject(entry("new"), gad_MD5Data("0"));
    EXPECT_EQ(cache.count(), 25u);
    EXPECT_EQ(bodyOf(cache.objectForKey(gad_MD5Data("0"))), "new");
    for (int i = 26; i < 100; ++i) cache.setObject(entry("x"), gad_MD5Data(std::to_string(i)));
    EXPECT_EQ(cache.count(), 25u);

    cache.removeObjectForKey(gad_MD5Data("99"));
    cache.setObject(nullptr, gad_MD5Data("98"));
    EXPECT_EQ(cache.count(), 23u);
    cache.removeAllObjects();
    EXPECT_EQ(cache.count(), 0u);
}

TEST(GADURLResponseMemoryCacheTest, AnEntryNeedsAResponseABodyAndAnExpiry) {
    EXPECT_FALSE(GADCachedURLResponse::create(std::nullopt, std::vector<std::uint8_t>{},
                                              platform::Date{1}, std::nullopt));
    EXPECT_FALSE(GADCachedURLResponse::create(platform::UrlResponse{}, std::nullopt,
                                              platform::Date{1}, std::nullopt));
    EXPECT_FALSE(GADCachedURLResponse::create(platform::UrlResponse{}, std::vector<std::uint8_t>{},
                                              std::nullopt, std::nullopt));
    auto kept = GADCachedURLResponse::create(platform::UrlResponse{}, std::vector<std::uint8_t>{},
                                             platform::Date{5},
                                             platform::Url::parse("https://ads.example/x"));
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->expirationDate(), platform::Date{5});
    EXPECT_EQ(kept->destinationURL()->absoluteString(), "https://ads.example/x");
}

}  // namespace
}  // namespace ads
