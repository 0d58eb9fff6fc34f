#include "ads/web/GADPagePings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ads/foundation/GADLog.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/web/GADAdView.h"
#include "platform/base/LogSink.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"

namespace ads {
namespace {

using platform::testing::runMainLoopUntil;

class GADPagePingsTest : public ::testing::Test {
  protected:
    GADPagePingsTest() {
        server.text("/track", "ok");
        // A tracker that talks on: a large answer, as a page could name.
        server.text("/large", std::string(2 << 20, 'x'));
        server.stalled("/slow", gate);
        // Answered without keeping the connection: the server's threads are few, and those
        // held at the gate take most of them.
        server.get("/close", [](const httplib::Request&, httplib::Response& response) {
            response.set_header("Connection", "close");
            response.set_content("ok", "text/plain");
        });
    }

    platform::Url url(const std::string& path, int n) const {
        return *platform::Url::parse(server.url(path) + "?n=" + std::to_string(n));
    }
    std::size_t droppedLines() {
        GADLogFlush();
        const auto lines = log.lines();
        return static_cast<std::size_t>(
            std::count(lines.begin(), lines.end(), GADPagePings::kPingsDroppedText));
    }
    void newPage(const std::shared_ptr<GADAdView>& view) {
        view->loadHTMLString("<p>next ad</p>", std::nullopt);
    }

    testing::AdsTestScope scope;
    testing::AdViewTestScope views;
    platform::testing::TestHttpServer server;
    std::shared_ptr<platform::testing::TestGate> gate = server.makeGate();
    platform::LogSink::Capture log;
    GADPagePings pings;
    std::shared_ptr<GADAdView> adView = GADAdView::create({0, 0, 320, 50});
};

TEST_F(GADPagePingsTest, AnAdPingsWebAddressesWithinItsBudgetThenSaysOnceThatTheRestAreDropped) {
    // Nothing that is no web address, and nothing for no ad; neither counts.
    pings.ping(adView, *platform::Url::parse("file:///etc/passwd"));
    pings.ping(adView, *platform::Url::parse("steam://run/1"));
    pings.ping(nullptr, url("/track", -1));
    const std::size_t asked = GADPagePings::kMaxPingsPerAd * 3;
    for (std::size_t n = 0; n < asked; ++n)
        pings.ping(adView, url(n % 2 ? "/large" : "/track", static_cast<int>(n)));
    EXPECT_EQ(pings.inFlight(adView), GADPagePings::kMaxPingsInFlightPerAd);
    ASSERT_TRUE(runMainLoopUntil([&] { return pings.inFlight() == 0; }));
    // The first the page sent, whatever size their answers were.
    std::vector<int> sent;
    for (const auto& request : server.requests()) sent.push_back(std::stoi(request.param("n")));
    std::sort(sent.begin(), sent.end());
    ASSERT_EQ(sent.size(), GADPagePings::kMaxPingsPerAd);
    EXPECT_EQ(sent.back(), static_cast<int>(GADPagePings::kMaxPingsPerAd) - 1);
    EXPECT_EQ(droppedLines(), 1u);

    // The next ad in the same view has a budget of its own, and says so once more.
    newPage(adView);
    for (std::size_t n = 0; n <= GADPagePings::kMaxPingsPerAd; ++n)
        pings.ping(adView, url("/track", 1000));
    ASSERT_TRUE(runMainLoopUntil([&] { return pings.inFlight() == 0; }));
    EXPECT_EQ(server.requestCount("/track") + server.requestCount("/large"),
              2 * GADPagePings::kMaxPingsPerAd);
    EXPECT_EQ(droppedLines(), 2u);
}

TEST_F(GADPagePingsTest, PingsWaitForRoomUntilTheirTimeLimitAndGoWithTheirAd) {
    const std::size_t room = GADPagePings::kMaxPingsInFlightPerAd;
    for (int n = 0; n < static_cast<int>(room) * 3; ++n) pings.ping(adView, url("/slow", n));
    ASSERT_TRUE(runMainLoopUntil([&] { return gate->arrivals() == room; }));
    scope.runUntilIdle();
    EXPECT_EQ(pings.inFlight(adView), room);
    EXPECT_EQ(pings.waiting(adView), room * 2);
    // A second ad has room of its own.
    auto other = GADAdView::create({0, 0, 320, 50});
    pings.ping(other, url("/close", 0));
    ASSERT_TRUE(runMainLoopUntil([&] { return pings.inFlight(other) == 0; }));
    EXPECT_EQ(server.requestCount("/close"), 1u);

    // Unanswered for the time limit, the first pings are let go and the next go out.
    scope.advance(GADPagePings::kPingTimeLimit);
    ASSERT_TRUE(runMainLoopUntil([&] { return gate->arrivals() == room * 2; }));
    scope.runUntilIdle();
    EXPECT_EQ(pings.inFlight(adView), room);
    EXPECT_EQ(pings.waiting(adView), room);

    // A new page: what the old one left waiting is never sent; what it sent still ends.
    newPage(adView);
    pings.ping(adView, url("/slow", 100));
    // The same view, the same room: the new page's ping waits for the old page's to end.
    EXPECT_EQ(pings.waiting(adView), 1u);

    // The view goes: its waiting ping is dropped, and the ends of those sent send nothing.
    adView->removeFromSuperview();
    adView.reset();
    gate->release();
    ASSERT_TRUE(runMainLoopUntil([&] { return pings.inFlight() == 0; }));
    scope.runUntilIdle();
    EXPECT_EQ(server.requestCount("/slow"), room * 2);
    EXPECT_EQ(droppedLines(), 0u);
}

TEST_F(GADPagePingsTest, AClickTrackerOfATouchGoesOutAtOnceWhateverThePageSpentOncePerTouch) {
    // The page spends its budget on trackers that hold the network: four on it, the rest
    // waiting, and one past the budget dropped.
    const std::size_t budget = GADPagePings::kMaxPingsPerAd;
    for (int n = 0; n <= static_cast<int>(budget); ++n) pings.ping(adView, url("/slow", n));
    ASSERT_TRUE(
        runMainLoopUntil([&] { return gate->arrivals() == GADPagePings::kMaxPingsInFlightPerAd; }));
    EXPECT_EQ(droppedLines(), 1u);

    // Untouched, a click tracker is one ping more, and dropped.
    pings.pingClickTracker(adView, url("/close", 0));
    EXPECT_EQ(pings.waiting(adView), budget - GADPagePings::kMaxPingsInFlightPerAd);
    // A touch's first goes out at once, beside the pings on the network; its second is
    // dropped, and so is one after the slot cleared the touch for its next ad.
    adView->setTouched(true);
    pings.pingClickTracker(adView, url("/close", 1));
    pings.pingClickTracker(adView, url("/close", 2));
    EXPECT_EQ(pings.inFlight(adView), GADPagePings::kMaxPingsInFlightPerAd + 1);
    ASSERT_TRUE(runMainLoopUntil([&] { return server.requestCount("/close") == 1; }));
    adView->setTouched(true);
    pings.pingClickTracker(adView, url("/close", 3));
    ASSERT_TRUE(runMainLoopUntil([&] { return server.requestCount("/close") == 2; }));
    adView->setTouched(false);
    pings.pingClickTracker(adView, url("/close", 4));

    gate->release();
    ASSERT_TRUE(runMainLoopUntil([&] { return pings.inFlight() == 0; }));
    std::vector<std::string> clicks;
    for (const auto& request : server.requests())
        if (request.path == "/close") clicks.push_back(request.param("n"));
    EXPECT_EQ(clicks, (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(server.requestCount("/slow"), budget);
    EXPECT_EQ(droppedLines(), 1u);
}

}  // namespace
}  // namespace ads
