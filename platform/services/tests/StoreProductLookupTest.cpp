#include "platform/services/StoreProductLookup.h"

#include <gtest/gtest.h>

#include "platform/runtime/MainLoopTestScope.h"

namespace platform::services {
namespace {

struct Answer {
    std::optional<StoreProduct> product;
    std::optional<Error> error;
};

TEST(StoreProductLookupTest, AnswersOnALaterTurnAndTestsCanScriptIt) {
    MainLoopTestScope loop;
    std::vector<Answer> answers;
    auto record = [&](const std::optional<StoreProduct>& p, const std::optional<Error>& e) {
        answers.push_back({p, e});
    };
    StoreProductLookup::lookup(123, record);
    StoreProductLookup::lookup(0, record);
    StoreProductLookup::lookup(-4, record);
    EXPECT_TRUE(answers.empty());
    loop.runUntilIdle();
    ASSERT_EQ(answers.size(), 3u);
    ASSERT_TRUE(answers[0].product);
    EXPECT_EQ(answers[0].product->identifier, 123);
    EXPECT_EQ(answers[0].product->title, "Product 123");
    EXPECT_FALSE(answers[0].error);
    EXPECT_FALSE(answers[1].product);
    ASSERT_TRUE(answers[1].error);
    EXPECT_EQ(answers[1].error->localizedDescription(), "No product 0.");
    EXPECT_TRUE(answers[1].error->is(kStoreErrorDomain, kStoreErrorProductNotAvailable));
    EXPECT_EQ(answers[2].error->localizedDescription(), "No product -4.");

    // A script may hold the answer back and give it whenever the test likes.
    StoreProductLookup::Completion held;
    StoreProductLookup::setScriptForTesting(
        [&](std::int64_t, StoreProductLookup::Completion c) { held = std::move(c); });
    answers.clear();
    StoreProductLookup::lookup(7, record);
    loop.runUntilIdle();
    EXPECT_TRUE(answers.empty());
    ASSERT_TRUE(held);
    held(std::nullopt, Error::make(kStoreErrorDomain, 0, "offline"));
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].error->localizedDescription(), "offline");
    StoreProductLookup::setScriptForTesting(nullptr);
}

}  // namespace
}  // namespace platform::services
