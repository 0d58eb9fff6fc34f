#include "ads/web/GADDelayPageLoadGMSGHandler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ads/testsupport/AdsTestScope.h"

namespace ads {
namespace {

// Records what the handler reports, as "from->to" and "cancel".
class Recorder : public GADDelayLoadDelegate {
  public:
    void loadHandlerDidCancel(GADGMSGHandler&) override { heard.push_back("cancel"); }
    void loadHandlerDidChangeDelay(GADGMSGHandler&, std::int64_t from, std::int64_t to) override {
        heard.push_back(std::to_string(from) + "->" + std::to_string(to));
    }
    std::vector<std::string> heard;
};

class GADDelayPageLoadGMSGHandlerTest : public ::testing::Test {
  protected:
    // Sends "delayPageLoaded?<query>" and lets its turn come.
    bool send(const std::string& query, bool settle = true) {
        auto url = platform::Url::parse("gmsg://movuroute/delayPageLoaded?" + query);
        const bool taken =
            handler->handleNotification(GADNotification::createWithNotificationURL(*url), nullptr);
        if (settle) scope.runUntilIdle();
        return taken;
    }
    using Heard = std::vector<std::string>;

    testing::AdsTestScope scope;
    std::shared_ptr<Recorder> delegate = std::make_shared<Recorder>();
    std::shared_ptr<GADDelayPageLoadGMSGHandler> handler =
        GADDelayPageLoadGMSGHandler::create(delegate);
};

TEST_F(GADDelayPageLoadGMSGHandlerTest, StartsAndStopsMoveTheCountByPresenceAlone) {
    // The change waits for a later turn of the main loop.
    EXPECT_TRUE(send("start=0", false));
    EXPECT_TRUE(delegate->heard.empty());
    scope.runUntilIdle();
    EXPECT_EQ(delegate->heard, (Heard{"0->1"}));

    // Start and stop together is a start; values are never read.
    send("stop=1&start=");
    EXPECT_EQ(handler->delayCount(), 2);
    send("stop=no");
    send("stop=no");
    EXPECT_EQ(delegate->heard, (Heard{"0->1", "1->2", "2->1", "1->0"}));

    // A stop at 0 and a message with none of the three say nothing.
    send("stop=1");
    send("cancel_not=1");
    EXPECT_EQ(handler->delayCount(), 0);
    EXPECT_EQ(delegate->heard.size(), 4u);

    // Another action is not this handler's.
    auto other = platform::Url::parse("gmsg://movuroute/delayPageLoad?start=1");
    EXPECT_FALSE(
        handler->handleNotification(GADNotification::createWithNotificationURL(*other), nullptr));
}

TEST_F(GADDelayPageLoadGMSGHandlerTest, ACancelForgetsTheDelegateForGood) {
    send("start=1");
    send("start=1");
    // Cancel wins over a stop given with it only when it comes first in the rule: stop first.
    send("cancel=1&stop=1");
    EXPECT_EQ(handler->delayCount(), 1);
    send("cancel=1");
    EXPECT_EQ(delegate->heard, (Heard{"0->1", "1->2", "2->1", "cancel"}));
    EXPECT_EQ(handler->delayCount(), 0);
    EXPECT_EQ(handler->delegate(), nullptr);

    // Counting goes on, but nobody hears it.
    send("start=1");
    send("cancel=1");
    EXPECT_EQ(delegate->heard.size(), 4u);
}

TEST_F(GADDelayPageLoadGMSGHandlerTest, AHandlerOrDelegateGoneBeforeItsTurnDoesNothing) {
    send("start=1", false);
    handler.reset();
    scope.runUntilIdle();
    EXPECT_TRUE(delegate->heard.empty());

    handler = GADDelayPageLoadGMSGHandler::create(delegate);
    delegate.reset();
    send("start=1");
    EXPECT_EQ(handler->delayCount(), 1);
}

}  // namespace
}  // namespace ads
