#pragma once

// What the WebKit tests of hostile creatives share: a window with an app screen, the loopback ad
// server, interstitials loaded from it with the rooms as the program loads them, and the check
// that one bad ad costs only itself (the next ad is asked for, arrives and shows). Real seconds
// throughout: the pages, and the engine's limits, run in real time.

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ads/foundation/GADRequest.h"
#include "ads/slot/GADInterstitial.h"
#include "ads/slot/tests/RecordingInterstitialDelegate.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/ui/TouchInput.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace ads::testing {

// A capture's lines, the page's own (each cut to `width` characters) apart from the program's
// account of the engine's processes and a web process's own output (which has a budget of its
// own); and whether one of those said a page's process was ended.
struct PageLines {
    std::vector<std::string> lines;
    bool processEnded = false;
};
inline PageLines pageLines(const std::vector<std::string>& captured, std::size_t width) {
    PageLines split;
    for (const auto& line : captured) {
        if (line.find("web process") != std::string::npos) {
            split.processEnded = split.processEnded || line.find("ended") != std::string::npos;
        } else {
            split.lines.push_back(line.substr(0, width));
        }
    }
    return split;
}

class HostileInterstitialsFixture : public ::testing::Test {
  protected:
    using Log = std::vector<std::string>;
    using RecordingDelegate = RecordingInterstitialDelegate;
    static constexpr const char* kNextUnit = "ca-movu-next";

    explicit HostileInterstitialsFixture(const char* hostileUnit) : hostileUnit_(hostileUnit) {}

    void SetUp() override {
        MOVU_SKIP_WITHOUT_DISPLAY();
        ASSERT_TRUE(ads.server().isRunning());
        window->setRootViewController(app);
        window->makeKeyWindow();
        ads.server().setScenario(kNextUnit, tools::adserver::AdScenario::interstitial());
    }
    void TearDown() override {
        interstitials.clear();
        scope.runUntilIdle();
    }

    // Every turn of the waits below; a test that watches the main thread beats here.
    virtual void onTurn() {}
    bool waitFor(const std::function<bool()>& condition, double seconds = 30) {
        return ads.waitOnMainLoopUntil(
            [&] {
                onTurn();
                return condition();
            },
            seconds);
    }

    std::shared_ptr<GADInterstitial> load(const char* unit,
                                          const std::shared_ptr<RecordingDelegate>& delegate) {
        auto interstitial = GADInterstitial::create(unit);
        interstitial->setDelegate(delegate);
        interstitial->loadRequest(GADRequest::request());
        interstitials.push_back(interstitial);
        return interstitial;
    }
    // The hostile interstitial, loaded (or failed: the delegate says which).
    std::shared_ptr<GADInterstitial> loadHostile(tools::adserver::Hostility hostility) {
        ads.server().setScenario(
            hostileUnit_, tools::adserver::AdScenario::interstitial().withHostility(hostility));
        auto interstitial = load(hostileUnit_, hostileDelegate);
        EXPECT_TRUE(waitFor([&] { return !hostileDelegate->log.empty(); }));
        return interstitial;
    }
    // The hostile unit's interstitial of a page of our own, loaded (or failed) and never shown.
    // Its script has `send(u)`, which asks for `u` as pages send their messages: through a
    // hidden frame (the page keeps its latest 400).
    std::shared_ptr<GADInterstitial> loadPage(const std::string& body) {
        ads.server().setScenario(hostileUnit_,
                                 tools::adserver::AdScenario::interstitial().withHtml(page(body)));
        auto interstitial = load(hostileUnit_, hostileDelegate);
        EXPECT_TRUE(waitFor([&] { return !hostileDelegate->log.empty(); }));
        return interstitial;
    }
    // A page of our own with the body, whose script has `send(u)` (see loadPage).
    static std::string page(const std::string& body) {
        return "<!DOCTYPE html><html><body><script>function send(u) { var f = "
               "document.createElement('iframe'); f.style.display = 'none'; f.src = u; "
               "document.body.appendChild(f); if (document.body.children.length > 400) "
               "document.body.removeChild(document.body.children[1]); }</script>\n" +
               body + "\n</body></html>";
    }
    bool heardOnShow(const char* unit) {
        for (const auto& event : ads.log().of(tools::adserver::RequestKind::CreativeEvent)) {
            if (event.slotname == unit && event.param("name") == "onshow") return true;
        }
        return false;
    }
    // What the server heard, one line a request: what a failure shows.
    std::string serverLog() {
        std::string text;
        for (const auto& request : ads.log().all())
            text += tools::adserver::logLine(request) + "\n";
        return text;
    }
    // The next ad is asked for, arrives and shows (its page hears "onshow"); the seconds that
    // took.
    double expectTheNextAdShows(double seconds = 30) {
        const auto asked = std::chrono::steady_clock::now();
        auto delegate = std::make_shared<RecordingDelegate>();
        auto next = load(kNextUnit, delegate);
        EXPECT_TRUE(waitFor([&] { return !delegate->log.empty(); }, seconds)) << serverLog();
        EXPECT_EQ(delegate->log, (Log{"received"}));
        if (delegate->log != Log{"received"}) return -1;
        next->presentFromRootViewController(app);
        scope.advance(1);
        EXPECT_TRUE(waitFor([&] { return heardOnShow(kNextUnit); }));
        EXPECT_EQ(delegate->log, (Log{"received", "willPresent"}));
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count();
    }
    void tap(platform::Point point) {
        platform::ui::TouchInput input{window};
        input.touchDown(1, point);
        input.touchUp(1, point);
    }
    // The loaded hostile interstitial over the app's screen.
    void show(const std::shared_ptr<GADInterstitial>& hostile) {
        hostile->presentFromRootViewController(app);
        scope.advance(1);
    }
    // The player closes the shown hostile interstitial with our close button, top left, and
    // it leaves as any ad does.
    void closeWithOurButton() {
        tap({16, 16});
        scope.advance(1);
        EXPECT_EQ(hostileDelegate->log,
                  (Log{"received", "willPresent", "willDismiss", "didDismiss"}));
    }

    AdsTestScope scope;
    AdServerFixture ads;
    SDKCoreTestScope core;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<platform::ui::ViewController> app = platform::ui::ViewController::create();
    std::shared_ptr<RecordingDelegate> hostileDelegate = std::make_shared<RecordingDelegate>();
    std::vector<std::shared_ptr<GADInterstitial>> interstitials;

  private:
    const char* hostileUnit_;
};

}  // namespace ads::testing
