// Creatives that reach past their page for the desktop, on real WebKit against our loopback ad
// server, with the rooms loaded as the program loads them: a print request nobody touched, a
// file chooser after a tap, a thousand script dialogs, the display's selections. None opens a
// window on the display, holds the game's main thread, stops the shared web process or takes
// what another program keeps on the display; the page goes on answering and the next ad shows.
// Needs a display: scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ads/foundation/GADRequest.h"
#include "ads/slot/GADInterstitial.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/tests/HostileInterstitialsFixture.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "platform/base/LogSink.h"
#include "platform/testing/DesktopWindows.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/testing/SelectionHolder.h"
#include "platform/testing/WebProcesses.h"
#include "platform/ui/TouchInput.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/web/WebView.h"

namespace ads {
namespace {

using Clock = std::chrono::steady_clock;
using platform::LogSink;
using platform::testing::describe;
using platform::testing::desktopWindows;
using platform::testing::SelectionHolder;
using platform::testing::webProcesses;
using tools::adserver::AdScenario;
using tools::adserver::Hostility;
using tools::adserver::RequestKind;

constexpr const char* kHostileUnit = "ca-movu-desktop";
// What the dialogs creative keeps once every dialog was answered as a dismissed one would be.
constexpr const char* kDialogsAnswered = R"({"alerts":1000,"confirmed":false,"prompted":null})";

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// How long the main thread went without a turn of the test's loop. A modal dialog run by the
// engine never gives it back: after `giveUpSeconds` the watch says so and ends the run, where
// the test would otherwise sit until CTest's time-out with nothing to show.
class MainThreadWatch {
  public:
    explicit MainThreadWatch(double giveUpSeconds) : giveUp_(giveUpSeconds) {
        beat();
        thread_ = std::thread([this] { watch(); });
    }
    ~MainThreadWatch() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    void beat() { last_.store(Clock::now().time_since_epoch().count()); }
    double largestGapSeconds() const { return largestNanos_.load() / 1e9; }

  private:
    void watch() {
        std::unique_lock lock(mutex_);
        while (!wake_.wait_for(lock, std::chrono::milliseconds(20), [this] { return stop_; })) {
            const auto gap = Clock::now().time_since_epoch().count() - last_.load();
            if (gap > largestNanos_.load()) largestNanos_.store(gap);
            if (gap / 1e9 > giveUp_) {
                std::fprintf(stderr, "The main thread has not turned for %.1f s: it is held\n",
                             gap / 1e9);
                std::abort();
            }
        }
    }

    const double giveUp_;
    std::atomic<Clock::rep> last_{0};
    std::atomic<Clock::rep> largestNanos_{0};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};

class DesktopReachingCreativesWebKitTest : public testing::HostileInterstitialsFixture {
  protected:
    DesktopReachingCreativesWebKitTest() : HostileInterstitialsFixture(kHostileUnit) {}

    void SetUp() override {
        HostileInterstitialsFixture::SetUp();
        before = desktopWindows();
    }
    // Real seconds: the pages load and run in real time. Every turn tells the watch.
    void onTurn() override { watch.beat(); }
    // Loaded, as every creative here is.
    std::shared_ptr<GADInterstitial> loadHostile(Hostility hostility) {
        auto interstitial = HostileInterstitialsFixture::loadHostile(hostility);
        EXPECT_EQ(hostileDelegate->log, (Log{"received"}));
        return interstitial;
    }
    // The page's own record of what it did, asked with a second of patience.
    static std::string hostileRecord(const std::shared_ptr<GADInterstitial>& ad) {
        return ad->slot()->adView()->webView()->stringByEvaluatingJavaScriptFromString(
            "JSON.stringify(window.hostile)", 1);
    }
    // No window came: nothing of GTK's but offscreen ones, nothing newly mapped on the display.
    void expectNoNewWindow() {
        const auto after = desktopWindows();
        EXPECT_EQ(after.gtkToplevels, before.gtkToplevels)
            << "before: " << describe(before) << "\nafter: " << describe(after);
        EXPECT_EQ(after.mappedRootChildren, before.mappedRootChildren)
            << "before: " << describe(before) << "\nafter: " << describe(after);
    }

    platform::testing::DesktopWindows before;
    MainThreadWatch watch{20};
};

TEST_F(DesktopReachingCreativesWebKitTest, APrintRequestOpensNoWindowAndTheGameGoesOn) {
    // Never shown, never touched: the page asks to print on its own.
    auto hostile = loadHostile(Hostility::Print);
    ASSERT_TRUE(waitFor([&] { return hostileRecord(hostile) == R"({"printed":true})"; }))
        << hostileRecord(hostile);
    const double nextAd = expectTheNextAdShows();
    RecordProperty("largestMainThreadGapSeconds", std::to_string(watch.largestGapSeconds()));
    RecordProperty("secondsUntilTheNextAdShowed", std::to_string(nextAd));
    // Held by a print dialog the main thread would never have come back; a slow machine still
    // turns it well within this.
    EXPECT_LT(watch.largestGapSeconds(), 5.0);
    expectNoNewWindow();
}

TEST_F(DesktopReachingCreativesWebKitTest, AFileChooserAfterATapOpensNoWindowAndThePageGoesOn) {
    auto hostile = loadHostile(Hostility::FileChooser);
    show(hostile);
    ASSERT_TRUE(waitFor([&] { return heardOnShow(kHostileUnit); }));
    // Below the offer, away from the close link and the call to action.
    tap({160, 440});
    ASSERT_TRUE(waitFor([&] {
        return hostileRecord(hostile) == R"({"taps":1,"chooserAsked":true})";
    })) << hostileRecord(hostile);
    // The page goes on, and taps again as before: a refused chooser left nothing open.
    tap({160, 440});
    EXPECT_TRUE(waitFor([&] {
        return hostileRecord(hostile) == R"({"taps":2,"chooserAsked":true})";
    })) << hostileRecord(hostile);
    EXPECT_EQ(hostileDelegate->log, (Log{"received", "willPresent"}));

    closeWithOurButton();
    RecordProperty("secondsUntilTheNextAdShowed", std::to_string(expectTheNextAdShows()));
    expectNoNewWindow();
}

TEST_F(DesktopReachingCreativesWebKitTest, AThousandDialogsAreAnsweredAtOnceAndTheNextAdComes) {
    LogSink::Capture log;
    const auto loading = Clock::now();
    auto hostile = loadHostile(Hostility::Dialogs);
    const auto processes = webProcesses();
    // The core page runs in the process the dialogs would hold: the next ad is asked for at once.
    RecordProperty("secondsUntilTheNextAdShowed", std::to_string(expectTheNextAdShows()));

    // Every dialog closed as a dismissed one would be: the confirmation false, the prompt null.
    EXPECT_TRUE(waitFor([&] { return hostileRecord(hostile) == kDialogsAnswered; }))
        << hostileRecord(hostile);
    RecordProperty("secondsUntilTheDialogsWereAnswered", std::to_string(secondsSince(loading)));
    // The page answers a script within the second it is given.
    const auto asked = Clock::now();
    EXPECT_EQ(
        hostile->slot()->adView()->webView()->stringByEvaluatingJavaScriptFromString("'here'", 1),
        "here");
    RecordProperty("secondsUntilThePageAnswered", std::to_string(secondsSince(asked)));
    // The shared process was never held, so nothing ended it: the same one runs the next ad.
    EXPECT_FALSE(log.contains("has not answered")) << ::testing::PrintToString(log.lines());
    EXPECT_EQ(webProcesses(), processes);
    expectNoNewWindow();
}

TEST_F(DesktopReachingCreativesWebKitTest, NoSelectionCopyOrPasteReachesTheDesktopsSelections) {
    // Another program holds the display's selections, as a terminal would after the player
    // selected a line there and copied another.
    SelectionHolder other("the player's own words");
    ASSERT_TRUE(other.holds());
    // Preloaded, never shown, never touched: the page selects its own text again and again.
    auto hostile = loadHostile(Hostility::Selections);
    // A part of the page's record, `h` in the expression.
    const auto record = [&](const char* expression) {
        return hostile->slot()->adView()->webView()->stringByEvaluatingJavaScriptFromString(
            std::string("(function (h) { return JSON.stringify(") + expression +
                "); })(window.hostile)",
            1);
    };
    ASSERT_TRUE(waitFor([&] { return std::atoi(record("h.selected").c_str()) >= 10; }))
        << hostileRecord(hostile);
    // Shown and tapped three times away from its links: the clipboard API, a copy with the
    // page's own `copy` handler and a clipboard item, each with the tap's permission.
    show(hostile);
    ASSERT_TRUE(waitFor([&] { return heardOnShow(kHostileUnit); }));
    for (int taps = 1; taps <= 3; ++taps) {
        tap({160, 400});
        ASSERT_TRUE(waitFor([&] { return record("h.taps") == std::to_string(taps); }))
            << hostileRecord(hostile);
    }
    // The page keeps selecting for its seconds after the last tap, then says it is done.
    ASSERT_TRUE(waitFor([&] { return record("h.done") == "true"; })) << hostileRecord(hostile);
    EXPECT_EQ(record("h.copyHandled"), "1") << hostileRecord(hostile);

    // The player pastes into the page's field: by key, and by a middle click.
    tap({160, 460});
    platform::web::WebView& page = *hostile->slot()->adView()->webView();
    record("0");  // a turn: the tap reaches the page before the keys do
    page.sendKeyEvent({true, 'v', 4});
    page.sendKeyEvent({false, 'v', 4});
    page.sendMouseEvent({platform::web::WebMouseEvent::Type::Down, {160, 460}, 2});
    page.sendMouseEvent({platform::web::WebMouseEvent::Type::Up, {160, 460}, 2});
    ASSERT_TRUE(waitFor([&] { return record("[h.pasteKeys, h.middleClicks]") == "[1,1]"; }))
        << hostileRecord(hostile);
    // The page's script, and the engine's own answers to what it asked, are done with; the
    // display answers in order, after whatever the engine sent it before.
    EXPECT_EQ(page.stringByEvaluatingJavaScriptFromString(
                  "document.getElementById('hostile-paste').value", 1),
              "");
    for (const char* selection : SelectionHolder::kSelections) {
        EXPECT_EQ(other.read(selection), "the player's own words") << selection;
    }
    // Never told it lost one, and never asked for its words by anyone else, pastes included.
    EXPECT_EQ(other.lost(), std::vector<std::string>{});
    EXPECT_EQ(other.askedByOthers(), std::vector<std::string>{});
    RecordProperty("pageRecord", hostileRecord(hostile));
    closeWithOurButton();
    expectNoNewWindow();
}

}  // namespace
}  // namespace ads
