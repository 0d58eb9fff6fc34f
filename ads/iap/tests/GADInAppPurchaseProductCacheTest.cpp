#include "ads/iap/GADInAppPurchaseProductCache.h"

#include <gtest/gtest.h>

#include "IapTestSupport.h"
#include "ads/foundation/GADInternalError.h"
#include "ads/testsupport/AdsTestScope.h"
#include "platform/services/ProductsRequest.h"
#include "platform/testing/PlatformStateScope.h"

namespace ads {
namespace {

struct Answer {
    std::optional<GADProductsRequest::Products> products;
    std::optional<GADProductsRequest::InvalidIdentifiers> invalid;
    std::optional<platform::Error> error;
};

class GADInAppPurchaseProductCacheTest : public ::testing::Test {
  protected:
    GADInAppPurchaseProductCacheTest() { testing::useSampleCatalogue(); }

    Answer ask(std::set<std::string> ids) {
        std::vector<Answer> answers;
        cache->requestProductsWithProductIdentifiers(
            std::move(ids), GADQueue::main(),
            [&](const auto& products, const auto& invalid, const auto& error) {
                answers.push_back({products, invalid, error});
            });
        testing::settle(scope, *cache);
        EXPECT_EQ(answers.size(), 1u);
        return answers.empty() ? Answer{} : answers[0];
    }

    platform::testing::PlatformStateScope state;
    testing::AdsTestScope scope;
    std::shared_ptr<GADInAppPurchaseProductCache> cache = GADInAppPurchaseProductCache::create();
};

TEST_F(GADInAppPurchaseProductCacheTest, EachAnswerIsMergedAndHandedOnAsItCame) {
    auto first = ask({"coins", "nope"});
    ASSERT_TRUE(first.products);
    EXPECT_EQ(first.products->size(), 1u);
    EXPECT_EQ(first.products->at("coins").price.toString(), "0.99");
    EXPECT_EQ(*first.invalid, (std::set<std::string>{"nope"}));
    EXPECT_TRUE(cache->cachedProductForProductID("coins"));
    EXPECT_TRUE(cache->isInvalidProductID("nope"));

    // The store stops selling coins and starts selling "nope": the cache follows each answer.
    platform::services::StoreCatalogue::setSharedForTesting(
        std::make_shared<platform::services::StoreCatalogue>(
            std::vector<platform::services::CatalogueProduct>{
                {"nope", "Nope", "", *platform::Decimal::parse("2"), "USD"}}));
    ask({"coins", "nope"});
    EXPECT_FALSE(cache->cachedProductForProductID("coins"));
    EXPECT_TRUE(cache->isInvalidProductID("coins"));
    EXPECT_TRUE(cache->cachedProductForProductID("nope"));
    EXPECT_FALSE(cache->isInvalidProductID("nope"));

    // A failure changes nothing and reaches the caller as it came.
    platform::services::ProductsRequest::setScriptForTesting(
        [](const std::set<std::string>&, platform::services::ProductsRequest::Completion done) {
            done(std::nullopt, platform::Error::make("SKErrorDomain", 0, "offline"));
        });
    auto failed = ask({"nope"});
    EXPECT_FALSE(failed.products);
    EXPECT_FALSE(failed.invalid);
    ASSERT_TRUE(failed.error);
    EXPECT_EQ(failed.error->localizedDescription(), "offline");
    EXPECT_TRUE(cache->cachedProductForProductID("nope"));
}

TEST_F(GADInAppPurchaseProductCacheTest, ARequestForNothingCannotBeMadeAndNoQueueAsksNothing) {
    auto nothing = ask({});
    ASSERT_TRUE(nothing.error);
    EXPECT_EQ(nothing.error->domain, kGADPrivateErrorDomain);
    EXPECT_EQ(nothing.error->code, 3);
    EXPECT_EQ(nothing.error->localizedDescription(), "Couldn't initialize.");

    int asked = 0;
    platform::services::ProductsRequest::setScriptForTesting(
        [&](const std::set<std::string>&, platform::services::ProductsRequest::Completion) {
            ++asked;
        });
    cache->requestProductsWithProductIdentifiers({"coins"}, GADQueue(),
                                                 [](const auto&, const auto&, const auto&) {});
    cache->requestProductsWithProductIdentifiers({"coins"}, GADQueue::main(), nullptr);
    testing::settle(scope, *cache);
    EXPECT_EQ(asked, 0);
}

}  // namespace
}  // namespace ads
