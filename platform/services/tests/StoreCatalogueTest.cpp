#include "platform/services/StoreCatalogue.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/base/LogSink.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/services/ProductsRequest.h"
#include "platform/services/StoreProductLookup.h"
#include "platform/testing/PlatformStateScope.h"
#include "platform/testing/TempDir.h"

namespace platform::services {
namespace {

TEST(StoreCatalogueTest, ReadsProductsWithExactPricesAndSkipsBrokenOnes) {
    std::vector<std::string> problems;
    auto catalogue = StoreCatalogue::parse(R"({"products": [
        {"id": "coins", "title": "Coins", "description": "A bag", "price": "0.29", "currency": "USD"},
        {"id": "gems", "title": "Gems", "price": 1000000, "currency": "EUR"},
        {"id": "float", "title": "Float", "price": 0.29, "currency": "USD"},
        {"id": "coins", "title": "Again", "price": "1", "currency": "USD"},
        {"id": "noprice", "title": "No price", "currency": "USD"},
        {"id": "badprice", "title": "Bad", "price": "1,5", "currency": "USD"},
        {"id": "negative", "title": "Bad", "price": "-1", "currency": "USD"},
        {"title": "No id", "price": "1", "currency": "USD"},
        "not an object"
    ]})",
                                           &problems);
    ASSERT_EQ(catalogue.products().size(), 3u);
    const auto* coins = catalogue.product("coins");
    ASSERT_TRUE(coins);
    EXPECT_EQ(coins->localizedTitle, "Coins");
    EXPECT_EQ(coins->localizedDescription, "A bag");
    EXPECT_EQ(coins->price.toString(), "0.29");
    EXPECT_EQ(coins->currencyCode, "USD");
    EXPECT_EQ(catalogue.product("gems")->price.toString(), "1000000");
    EXPECT_EQ(catalogue.product("gems")->localizedDescription, "");
    // A JSON number keeps its shortest text, not the binary double's digits.
    EXPECT_EQ(catalogue.product("float")->price.toString(), "0.29");
    EXPECT_FALSE(catalogue.product("noprice"));
    EXPECT_EQ(problems.size(), 6u);

    // A bare array is a catalogue too; anything else is an empty one.
    EXPECT_EQ(StoreCatalogue::parse(R"([{"id":"a","title":"A","price":"1","currency":"USD"}])")
                  .products()
                  .size(),
              1u);
    for (const char* bad : {"", "{", "42", R"({"products": 3})", R"({"items": []})"}) {
        problems.clear();
        EXPECT_TRUE(StoreCatalogue::parse(bad, &problems).empty()) << bad;
        EXPECT_EQ(problems.size(), 1u) << bad;
    }
}

TEST(StoreCatalogueTest, SharedReadsTheFileTheEnvironmentNamesElseNothingIsSold) {
    testing::PlatformStateScope state;
    testing::TempDir dir;
    testing::ScopedEnv noFile("MOVUROUTE_STORE_PRODUCTS", std::nullopt);
    // The game's bundle ships no catalogue.
    EXPECT_TRUE(StoreCatalogue::shared()->empty());

    const auto path = dir / "products.json";
    std::ofstream(path) << R"([{"id":"coins","title":"Coins","price":"0.99","currency":"USD"}])";
    testing::ScopedEnv file("MOVUROUTE_STORE_PRODUCTS", path.string());
    StoreCatalogue::setSharedForTesting(nullptr);
    ASSERT_TRUE(StoreCatalogue::shared()->product("coins"));

    LogSink::Capture log;
    EXPECT_TRUE(StoreCatalogue::readFile(dir / "missing.json").empty());
    EXPECT_TRUE(log.contains("cannot read the product catalogue"));
}

struct Answer {
    std::optional<ProductsResponse> response;
    std::optional<Error> error;
};

TEST(ProductsRequestTest, AnswersOnALaterTurnWithKnownAndUnknownIdsAndTestsScriptIt) {
    testing::PlatformStateScope state;
    MainLoopTestScope loop;
    StoreCatalogue::setSharedForTesting(std::make_shared<StoreCatalogue>(
        std::vector<CatalogueProduct>{{"coins", "Coins", "", *Decimal::parse("0.99"), "USD"}}));
    EXPECT_FALSE(ProductsRequest::create({}));

    std::vector<Answer> answers;
    auto record = [&](const std::optional<ProductsResponse>& r, const std::optional<Error>& e) {
        answers.push_back({r, e});
    };
    {
        auto request = ProductsRequest::create({"coins", "nope"});
        request->start(record);
        request->start(record);  // ignored
    }                            // the started request keeps itself
    EXPECT_TRUE(answers.empty());
    loop.runUntilIdle();
    ASSERT_EQ(answers.size(), 1u);
    ASSERT_TRUE(answers[0].response);
    ASSERT_EQ(answers[0].response->products.size(), 1u);
    EXPECT_EQ(answers[0].response->products[0].productIdentifier, "coins");
    EXPECT_EQ(answers[0].response->invalidProductIdentifiers, std::vector<std::string>{"nope"});

    // A cancelled request never answers.
    answers.clear();
    auto cancelled = ProductsRequest::create({"coins"});
    cancelled->start(record);
    cancelled->cancel();
    loop.runUntilIdle();
    EXPECT_TRUE(answers.empty());

    // A script holds the answer back, then fails it.
    ProductsRequest::Completion held;
    ProductsRequest::setScriptForTesting(
        [&](const std::set<std::string>&, ProductsRequest::Completion c) { held = std::move(c); });
    ProductsRequest::create({"coins"})->start(record);
    loop.runUntilIdle();
    ASSERT_TRUE(held);
    EXPECT_TRUE(answers.empty());
    held(std::nullopt, Error::make(kStoreErrorDomain, 0, "offline"));
    held(std::nullopt, Error::make(kStoreErrorDomain, 0, "twice"));  // answered once only
    ASSERT_EQ(answers.size(), 1u);
    ASSERT_TRUE(answers[0].error);
    EXPECT_EQ(answers[0].error->localizedDescription(), "offline");
    EXPECT_FALSE(answers[0].response);
}

}  // namespace
}  // namespace platform::services
