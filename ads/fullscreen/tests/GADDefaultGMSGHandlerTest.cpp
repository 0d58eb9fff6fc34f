#include "ads/fullscreen/GADDefaultGMSGHandler.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "ads/foundation/GADDeviceSignal.h"
#include "ads/foundation/GADLog.h"
#include "ads/fullscreen/GADViewController.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/web/GADAdView.h"
#include "platform/base/LogSink.h"
#include "platform/services/SystemSound.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"
#include "platform/web/FakeWebPage.h"

namespace ads {
namespace {

using platform::Value;
using Touch = GADSignalRecord::Touch;

class GADDefaultGMSGHandlerTest : public ::testing::Test {
  protected:
    GADDefaultGMSGHandlerTest() { GADDeviceSignal::shared().clearTouches(); }
    ~GADDefaultGMSGHandlerTest() override { GADDeviceSignal::shared().clearTouches(); }

    // Sends "gmsg://movuroute/<path>" from the ad view's page.
    bool send(const std::string& path) {
        auto url = platform::Url::parse("gmsg://movuroute/" + path);
        return handler->handleNotification(GADNotification::createWithNotificationURL(*url),
                                           adView);
    }
    // The events the page was sent.
    std::vector<std::string> events() {
        std::vector<std::string> found;
        for (const auto& script : views.web().pages().front()->evaluations()) {
            if (script.rfind("RADE_ReceiveMessage(", 0) == 0) found.push_back(script);
        }
        return found;
    }

    testing::AdsTestScope scope;
    testing::AdViewTestScope views;
    std::shared_ptr<GADAdView> adView = GADAdView::create({0, 0, 320, 50});
    std::shared_ptr<GADDefaultGMSGHandler> handler = GADDefaultGMSGHandler::create();
};

TEST_F(GADDefaultGMSGHandlerTest, TouchesReachTheSignalOnALaterTurn) {
    EXPECT_TRUE(send("touch?tx=12"));
    EXPECT_TRUE(GADDeviceSignal::shared().recordedTouches().empty());
    scope.runUntilIdle();
    EXPECT_TRUE(send("touch?tx=abc&ty=7x&td=250"));
    // Beyond 32 bits a coordinate stays at the nearest end instead of wrapping round.
    EXPECT_TRUE(send("touch?tx=99999999999&ty=-99999999999&td=-3"));
    scope.runUntilIdle();
    EXPECT_EQ(GADDeviceSignal::shared().recordedTouches(),
              (std::vector<Touch>{{12, -1, -1}, {0, 7, 250}, {2147483647, -2147483647 - 1, -3}}));

    const Value::Dictionary numbers{{"a", Value(std::int64_t{5})}, {"b", Value::array({})}};
    EXPECT_EQ(GADDefaultGMSGHandler::integerForKey("a", numbers, -1), 5);
    EXPECT_EQ(GADDefaultGMSGHandler::integerForKey("b", numbers, -1), -1);
    EXPECT_EQ(GADDefaultGMSGHandler::integerForKey("c", numbers, 9), 9);
}

TEST_F(GADDefaultGMSGHandlerTest, OpenableURLsAnswerEveryTextAsked) {
    platform::ui::Application::shared().setOwnURLSchemes({"b"});
    EXPECT_TRUE(send("canOpenURLs?urls=a:,b:"));
    // No URLs asked: an empty answer, not silence.
    EXPECT_TRUE(send("canOpenURLs"));
    scope.runUntilIdle();
    EXPECT_EQ(events(), (std::vector<std::string>{
                            R"(RADE_ReceiveMessage('openableURLs', {"a:":false,"b:":true});)",
                            R"(RADE_ReceiveMessage('openableURLs', {});)",
                        }));
    EXPECT_EQ(GADDefaultGMSGHandler::URLTextsFromParameter(",x,").asked,
              (std::vector<std::string>{"", "x", ""}));

    // A view gone before the answer is ready gets nothing.
    EXPECT_TRUE(send("canOpenURLs?urls=a:"));
    adView->removeFromSuperview();
    adView.reset();
    scope.runUntilIdle();
    EXPECT_EQ(events().size(), 2u);
}

// 20,000 texts a message, 40 messages a second, took the game half a core: each text was
// split, asked of the device and answered in the page's next script.
TEST_F(GADDefaultGMSGHandlerTest, AMessageAsksAboutItsFirstTextsOnlyAndTheRestAreRefusedOnce) {
    platform::ui::Application::shared().setOwnURLSchemes({"b"});
    platform::LogSink::Capture log;
    // "b:" and 15 others, answered in the order of their texts.
    std::string asked = "b:", answer = "{";
    for (std::size_t i = 1; i < GADDefaultGMSGHandler::kMaxOpenableURLTexts; ++i) {
        const std::string text = "a" + std::to_string(100 + i) + ":";
        asked += "," + text;
        answer += "\"" + text + "\":false,";
    }
    answer += R"("b:":true})";
    // As many as a message may ask: every one answered, nothing refused.
    EXPECT_TRUE(send("canOpenURLs?urls=" + asked));
    // Four more: the same answer, and one line for the rest.
    EXPECT_TRUE(send("canOpenURLs?urls=" + asked + ",b:x,,c:,d:"));
    scope.runUntilIdle();
    GADLogFlush();
    const std::string script = "RADE_ReceiveMessage('openableURLs', " + answer + ");";
    EXPECT_EQ(events(), (std::vector<std::string>{script, script}));
    ASSERT_EQ(log.lines().size(), 1u) << ::testing::PrintToString(log.lines());
    EXPECT_NE(log.lines()[0].find("at most 16 URLs; 4 more refused"), std::string::npos);

    const auto cut = GADDefaultGMSGHandler::URLTextsFromParameter(",x,,y", 2);
    EXPECT_EQ(cut.asked, (std::vector<std::string>{"", "x"}));
    EXPECT_EQ(cut.left, 2u);
    EXPECT_EQ(GADDefaultGMSGHandler::URLTextsFromParameter("a,b", 2).left, 0u);
    EXPECT_TRUE(GADDefaultGMSGHandler::URLTextsFromParameter("a,b", 0).asked.empty());
    EXPECT_EQ(GADDefaultGMSGHandler::URLTextsFromParameter("a,b", 0).left, 2u);
}

TEST_F(GADDefaultGMSGHandlerTest, OnlyWebAddressesArePinged) {
    platform::testing::TestHttpServer server;
    server.text("/track", "ok");
    EXPECT_TRUE(send("httpTrack"));
    EXPECT_TRUE(send("httpTrack?u=file%3A%2F%2F%2Fetc%2Fpasswd"));
    EXPECT_TRUE(send("httpTrack?u=tel%3A123"));
    EXPECT_TRUE(send("httpTrack?u=not%20a%20url"));
    EXPECT_TRUE(send("httpTrack?u=" + server.url("/track")));
    ASSERT_TRUE(
        platform::testing::runMainLoopUntil([&] { return server.requestCount("/track") == 1; }));
    scope.runUntilIdle();
    EXPECT_EQ(server.requestCount("/track"), 1u);
}

TEST_F(GADDefaultGMSGHandlerTest, LogLinesAreEscapedAndCapped) {
    platform::LogSink::Capture capture;
    EXPECT_TRUE(send("log?string=one%0A%5BZivivu%5D%20forged%1B%5B2J%5C%C2%9B%E2%80%A8%C3%A9"));
    EXPECT_TRUE(send("log"));
    GADLogFlush();
    ASSERT_EQ(capture.lines().size(), 1u);
    EXPECT_EQ(capture.lines()[0], R"(one\n[Zivivu] forged\u001B[2J\\\u009B\u2028é)");

    const std::string longText(5000, 'x');
    const std::string capped = GADDefaultGMSGHandler::logTextForPageText(longText);
    EXPECT_EQ(capped.size(), GADDefaultGMSGHandler::kMaxLogTextBytes);
    EXPECT_EQ(capped.substr(capped.size() - 3), "...");
    // A cut never splits a character, and bytes that are no text are shown as numbers.
    const std::string wide =
        GADDefaultGMSGHandler::logTextForPageText(std::string(2000, 'x') + "\xff");
    EXPECT_EQ(GADDefaultGMSGHandler::logTextForPageText("\xc3\xa9\xff\xc3"), "é\\xFF\\xC3");
    std::string accents;
    for (int i = 0; i < 600; ++i) accents += "\xc3\xa9";
    const std::string cut = GADDefaultGMSGHandler::logTextForPageText(accents);
    EXPECT_LE(cut.size(), GADDefaultGMSGHandler::kMaxLogTextBytes);
    EXPECT_EQ(cut, std::string(accents, 0, 1020) + "...");
    EXPECT_EQ(wide.size(), GADDefaultGMSGHandler::kMaxLogTextBytes);
    // Text that fits exactly is not cut.
    EXPECT_EQ(GADDefaultGMSGHandler::logTextForPageText(std::string(1024, 'y')),
              std::string(1024, 'y'));
}

TEST_F(GADDefaultGMSGHandlerTest, AnAdWritesItsLinesThenOneDroppedLine) {
    platform::LogSink::Capture capture;
    const std::string kilobyte = "log?string=" + std::string(1000, 'k');
    auto lines = [&] {
        GADLogFlush();
        return capture.lines();
    };
    // What else the page makes us log spends the same budget: half of it here on sizes that
    // were refused.
    auto& page = *views.web().pages().front();
    for (std::size_t i = 0; i < GADDefaultGMSGHandler::kMaxLogLinesPerAd / 2; ++i) {
        page.fireContentSize(-1, -1);
    }
    // A page flooding the log, as a hostile creative did at 200 messages every 10 ms.
    for (int i = 0; i < 2000; ++i) ASSERT_TRUE(send(kilobyte));
    auto written = lines();
    ASSERT_EQ(written.size(), GADDefaultGMSGHandler::kMaxLogLinesPerAd + 1);
    EXPECT_EQ(written.back(), GADDefaultGMSGHandler::kLogLinesDroppedText);
    EXPECT_EQ(std::count(written.begin(), written.end(), std::string(1000, 'k')),
              std::ptrdiff_t(GADDefaultGMSGHandler::kMaxLogLinesPerAd / 2));

    // Another ad view's page has its own lines, and so has the next ad of the same view.
    auto other = GADAdView::create({0, 0, 320, 50});
    ASSERT_TRUE(
        handler->handleNotification(GADNotification::createWithNotificationURL(
                                        *platform::Url::parse("gmsg://movuroute/log?string=other")),
                                    other));
    adView->loadHTMLString("<p>the next ad</p>", std::nullopt);
    ASSERT_TRUE(send("log?string=next"));
    written = lines();
    ASSERT_EQ(written.size(), GADDefaultGMSGHandler::kMaxLogLinesPerAd + 3);
    EXPECT_EQ(written[written.size() - 2], "other");
    EXPECT_EQ(written.back(), "next");
}

TEST_F(GADDefaultGMSGHandlerTest, VibrateCountsAndCloseGivesUpOnlyOurScreens) {
    using platform::services::SystemSound;
    const auto vibrations = SystemSound::playCount(platform::services::kSystemSoundIDVibrate);
    EXPECT_TRUE(send("vibrate"));
    EXPECT_EQ(SystemSound::playCount(platform::services::kSystemSoundIDVibrate), vibrations + 1);

    auto window = platform::ui::Window::create({0, 0, 320, 480});
    auto root = platform::ui::ViewController::create();
    window->setRootViewController(root);
    window->makeKeyWindow();

    auto screen = GADViewController::create();
    ASSERT_TRUE(screen->presentFromViewController(root, nullptr));
    scope.advance(1);
    ASSERT_EQ(root->presentedViewController(), screen);
    // A page in a plain controller closes nothing, not even the screen over it.
    adView->setViewController(root);
    EXPECT_TRUE(send("close"));
    scope.advance(1);
    EXPECT_EQ(root->presentedViewController(), screen);

    // In one of ours, on screen: it leaves.
    adView->setViewController(screen);
    EXPECT_TRUE(send("close"));
    scope.advance(1);
    EXPECT_EQ(root->presentedViewController(), nullptr);
    // No view controller at all, or no ad view: nothing.
    adView->setViewController({});
    EXPECT_TRUE(send("close"));
    adView.reset();
    EXPECT_TRUE(send("close"));
}

}  // namespace
}  // namespace ads
