#include "ads/foundation/GADClickTracker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ads/foundation/GADClickTrackerCollection.h"
#include "ads/testsupport/AdsTestScope.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"
#include "platform/ui/Application.h"

namespace ads {
namespace {

using platform::Url;
using platform::testing::runMainLoopUntil;
using platform::testing::TestHttpServer;

struct Listener : GADClickTrackerDelegate {
    std::vector<std::string> reports;
    void trackerDidRedirect(GADClickTracker&, const Url& url) override {
        reports.push_back("redirect " + url.absoluteString());
    }
    void trackerDidFailWithError(GADClickTracker&,
                                 const std::optional<platform::Error>& error) override {
        reports.push_back(error ? "fail " + error->domain : "fail");
    }
};

class GADClickTrackerTest : public ::testing::Test {
  protected:
    platform::ui::Application& application = platform::ui::Application::shared();
    testing::AdsTestScope scope;
    TestHttpServer server;
};

TEST_F(GADClickTrackerTest, AChainThatLeavesTheWebReportsItsLastWebURLOnce) {
    server.redirect("/click", server.url("/hop"));
    server.redirect("/hop", "itms-apps://itunes.example/app/id1");
    auto listener = std::make_shared<Listener>();
    auto tracker = GADClickTracker::create(listener);
    tracker->trackURL(*Url::parse(server.url("/click")));
    EXPECT_EQ(application.backgroundTaskCount(), 1u);
    ASSERT_TRUE(runMainLoopUntil([&] { return tracker->hasTracked(); }));
    scope.runUntilIdle();
    EXPECT_EQ(listener->reports, std::vector<std::string>{"redirect " + server.url("/hop")});
    EXPECT_EQ(application.backgroundTaskCount(), 0u);

    // A page at the end of the chain: its URL is the result.
    server.text("/landing", "<html></html>", 200, "text/html");
    server.redirect("/web", server.url("/landing"));
    tracker->setCacheEnabled(false);
    tracker->trackURL(*Url::parse(server.url("/web")));
    EXPECT_FALSE(tracker->hasTracked());
    ASSERT_TRUE(runMainLoopUntil([&] { return tracker->hasTracked(); }));
    EXPECT_EQ(listener->reports.back(), "redirect " + server.url("/landing"));

    // A failure reports once, without an error object for an HTTP status.
    server.text("/broken", "", 500);
    tracker->trackURL(*Url::parse(server.url("/broken")));
    ASSERT_TRUE(runMainLoopUntil([&] { return tracker->hasTracked(); }));
    EXPECT_EQ(listener->reports.back(), "fail");
    EXPECT_EQ(listener->reports.size(), 3u);

    // An expired background task resets the tracker: it reports nothing.
    auto gate = server.makeGate();
    server.stalled("/stuck", gate);
    tracker->trackURL(*Url::parse(server.url("/stuck")));
    ASSERT_TRUE(runMainLoopUntil([&] { return gate->arrivals() == 1; }));
    application.expireBackgroundTasks();
    gate->release();
    scope.runUntilIdle();
    EXPECT_FALSE(tracker->hasTracked());
    EXPECT_EQ(listener->reports.size(), 3u);
}

TEST_F(GADClickTrackerTest, TheCollectionKeepsTrackersUntilTheyReport) {
    server.redirect("/a", server.url("/b"));
    server.redirect("/b", server.url("/c"));
    server.redirect("/c", "market://details?id=x");
    server.text("/d", "ok");
    auto collection = GADClickTrackerCollection::create();
    collection->trackURLStrings({server.url("/a"), "not a url", server.url("/d")}, true);
    EXPECT_EQ(collection->trackerCount(), 2u);
    EXPECT_EQ(application.backgroundTaskCount(), 2u);
    ASSERT_TRUE(runMainLoopUntil([&] { return collection->trackerCount() == 0; }));
    EXPECT_EQ(application.backgroundTaskCount(), 0u);
    EXPECT_EQ(server.requestCount("/c"), 1u);
    EXPECT_EQ(server.requestCount("/d"), 1u);

    // Dropping the collection stops what still runs.
    auto gate = server.makeGate();
    server.stalled("/stuck", gate);
    collection->trackURLs({*Url::parse(server.url("/stuck"))}, false);
    ASSERT_TRUE(runMainLoopUntil([&] { return gate->arrivals() == 1; }));
    collection.reset();
    EXPECT_EQ(application.backgroundTaskCount(), 0u);
    gate->release();
    scope.runUntilIdle();
}

}  // namespace
}  // namespace ads
