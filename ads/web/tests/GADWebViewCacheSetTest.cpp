#include "ads/web/GADWebViewCacheSet.h"

#include <gtest/gtest.h>

#include "ads/testsupport/AdsTestScope.h"
#include "platform/web/FakeWebViewScope.h"

namespace ads {
namespace {

using platform::web::FakeWebPage;
using platform::web::NavigationType;
using platform::web::WebView;

class GADWebViewCacheSetTest : public ::testing::Test {
  protected:
    std::shared_ptr<WebView> makeWebView() { return WebView::create({320, 50}); }
    FakeWebPage& page(std::size_t i) { return *web.pages().at(i); }
    // The blank page answers the question about its body.
    static bool answerBody(FakeWebPage& page, const char* answer) {
        return page.answerNextScript(FakeWebPage::ScriptResult{answer, std::nullopt, true});
    }

    ads::testing::AdsTestScope scope;
    platform::web::FakeWebViewScope web;
};

TEST_F(GADWebViewCacheSetTest, AViewIsBlankedFirstAndKeptOnlyWithAnEmptyBody) {
    auto set = GADWebViewCacheSet::create(5);
    auto clean = makeWebView();
    auto dirty = makeWebView();
    auto failing = makeWebView();
    set->addObject(clean);
    set->addObject(dirty);
    set->addObject(failing);
    // The blanking starts on a later turn.
    EXPECT_EQ(set->clearingCount(), 0u);
    scope.runUntilIdle();
    EXPECT_EQ(set->clearingCount(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        ASSERT_EQ(page(i).loads().size(), 1u);
        EXPECT_EQ(page(i).loads()[0].request->url().absoluteString(), "about:blank");
        EXPECT_EQ(page(i).stopCount(), 1);
    }

    // While blanking, only "about:blank" may load.
    auto other = page(0).fireNavigation("https://ads.test/left-over", NavigationType::Other);
    auto blank = page(0).fireNavigation("about:blank", NavigationType::Other);
    auto almost = page(0).fireNavigation("about:blank#x", NavigationType::Other);
    scope.runUntilIdle();
    EXPECT_EQ(other->answer, false);
    EXPECT_EQ(blank->answer, true);
    EXPECT_EQ(almost->answer, false);

    const auto waits = WebView::synchronousWaitCount();
    page(0).fireFinish();
    page(1).fireFinish();
    page(2).fireFail(platform::Error{"NSURLErrorDomain", -999, {}});
    scope.runUntilIdle();
    EXPECT_EQ(set->clearingCount(), 0u);
    // Asked without waiting: the views wait for their answers in neither list.
    EXPECT_EQ(set->probingCount(), 2u);
    EXPECT_EQ(set->count(), 0u);
    ASSERT_TRUE(answerBody(page(0), "empty"));
    ASSERT_TRUE(answerBody(page(1), "content"));
    EXPECT_FALSE(answerBody(page(2), "empty"));
    scope.runUntilIdle();
    EXPECT_EQ(set->probingCount(), 0u);
    EXPECT_EQ(set->count(), 1u);
    EXPECT_EQ(WebView::synchronousWaitCount(), waits);
    EXPECT_EQ(set->anyObject(), clean);
    EXPECT_EQ(set->anyObject(), nullptr);
    // Views that left the set answer no one any more.
    EXPECT_EQ(clean->delegate(), nullptr);
    EXPECT_EQ(dirty->delegate(), nullptr);
    EXPECT_EQ(failing->delegate(), nullptr);
}

TEST_F(GADWebViewCacheSetTest, AProbeThatFailsOrTimesOutNeverCountsAsClean) {
    auto set = GADWebViewCacheSet::create(5);
    for (int i = 0; i < 3; ++i) set->addObject(makeWebView());
    scope.runUntilIdle();
    for (std::size_t i = 0; i < 3; ++i) page(i).fireFinish();
    scope.runUntilIdle();
    // A script error; a page whose process ended; a busy page that answers after a second.
    page(0).answerNextScript({"empty", platform::Error{"WebKitJavascriptError", 0, {}}, true});
    page(1).fireWebProcessEnded();
    scope.advance(GADWebViewCacheSet::kEmptyBodyProbeTimeout * 0.9);
    EXPECT_EQ(set->probingCount(), 1u);
    scope.advance(GADWebViewCacheSet::kEmptyBodyProbeTimeout * 0.2);
    EXPECT_EQ(set->probingCount(), 0u);
    answerBody(page(2), "empty");
    scope.runUntilIdle();
    EXPECT_EQ(set->count(), 0u);
    EXPECT_FALSE(page(2).viewAlive());
}

TEST_F(GADWebViewCacheSetTest, AtMostThreeBlankAtOnceAndTheCapacityHolds) {
    auto set = GADWebViewCacheSet::create(2);
    for (int i = 0; i < 5; ++i) set->addObject(makeWebView());
    scope.runUntilIdle();
    EXPECT_EQ(set->clearingCount(), GADWebViewCacheSet::kMaxClearingWebViews);
    // The fourth and fifth were let go without a load.
    EXPECT_TRUE(page(3).loads().empty());
    EXPECT_FALSE(page(3).viewAlive());
    for (std::size_t i = 0; i < 3; ++i) page(i).fireFinish();
    scope.runUntilIdle();
    for (std::size_t i = 0; i < 3; ++i) answerBody(page(i), "empty");
    scope.runUntilIdle();
    EXPECT_EQ(set->count(), 2u);

    auto none = GADWebViewCacheSet::create(0);
    none->addObject(makeWebView());
    scope.runUntilIdle();
    EXPECT_EQ(none->clearingCount(), 0u);
    EXPECT_FALSE(page(5).viewAlive());
}

TEST_F(GADWebViewCacheSetTest, ASetThatGoesStopsItsBlankingAndLetsItsViewsGo) {
    auto set = GADWebViewCacheSet::create(3);
    auto kept = makeWebView();
    set->addObject(kept);
    set->addObject(makeWebView());  // handed in, then the set goes before its turn
    scope.runUntilIdle();
    set->addObject(makeWebView());
    set.reset();
    scope.runUntilIdle();
    EXPECT_EQ(kept->delegate(), nullptr);
    EXPECT_EQ(page(0).stopCount(), 2);
    EXPECT_FALSE(page(1).viewAlive());
    EXPECT_FALSE(page(2).viewAlive());

    // A set that goes while a view's body is asked about lets it go too.
    set = GADWebViewCacheSet::create(3);
    set->addObject(makeWebView());
    scope.runUntilIdle();
    page(3).fireFinish();
    scope.runUntilIdle();
    EXPECT_EQ(set->probingCount(), 1u);
    set.reset();
    scope.runUntilIdle();
    EXPECT_FALSE(page(3).viewAlive());
}

}  // namespace
}  // namespace ads
