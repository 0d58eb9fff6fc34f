// MRAID creatives that write down every message the SDK sends them and every listener call
// with the state, current and default position, maximum size and visibility they read then
// (the ad server's recording creative), on real WebKit against our loopback ad server.
// Whatever changes the layout (expand, close, the close region, resize, open() from a resized
// ad, a two-part expand), each listener reads the state and size of one layout and no size of
// an earlier layout follows a state; the size and default position are known at ready, also
// for a banner put on screen only once it has its ad and for an interstitial; the banner reads
// viewable while it shows, through a collapse too (never "not viewable" while on screen), also
// without active-view settings and when its creative announces itself late; an expand from
// the page's load event waits for the banner to be shown and is then an MRAID expand like any
// other. The window has no status bar, as the game's. Leaves
// <build>/screenshots/mraid_record_*.png and, for each run, what the creative heard
// (mraid_record_*.txt). Needs a display: scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "ads/fullscreen/GADBrowserViewController.h"
#include "ads/fullscreen/GADExpandedAdAppViewController.h"
#include "ads/fullscreen/GADSupplementalAdAppViewController.h"
#include "ads/slot/GADBannerView.h"
#include "ads/slot/GADInterstitial.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/tests/webkit/MRAIDWebKitTestBase.h"
#include "ads/web/GADAdView.h"
#include "platform/storage/Json.h"
#include "platform/testing/ScreenshotCamera.h"
#include "platform/testing/TestGate.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/TouchInput.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "tools/ad_server/AdScenario.h"

namespace ads {
namespace {

using platform::Rect;
using platform::Value;
using platform::testing::ScreenshotCamera;
using tools::adserver::RequestKind;

Rect rectOf(const Value& v) {
    return {v["x"].doubleValue(), v["y"].doubleValue(), v["width"].doubleValue(),
            v["height"].doubleValue()};
}

std::string text(const Rect& r) {
    std::ostringstream out;
    out << r.origin.x << "," << r.origin.y << " " << r.size.width << "x" << r.size.height;
    return out.str();
}

// What a recording creative wrote down: the messages it was sent and its listener calls.
struct Trace {
    Value messages;
    Value records;

    // Each line of the record as a person reads it, for failure messages.
    std::string describe() const {
        std::string out;
        for (const auto& m : messages.asArray()) {
            out += "  message " + m["name"].asString();
            if (m["name"].asString() == "onStateChanged") out += " " + m["p"]["state"].asString();
            if (m["name"].asString() == "onSizeChanged") out += " " + text(rectOf(m["p"]));
            if (m["name"].asString() == "onAdVisibilityChanged")
                out += " " + m["p"]["visible"].asString();
            out += "\n";
        }
        for (const auto& r : records.asArray()) {
            out += "  " + r["event"].asString() + ": state " + r["state"].asString() + ", at " +
                   text(rectOf(r["current"])) + ", default " + text(rectOf(r["defaultPosition"])) +
                   ", max " + std::to_string(r["maxSize"]["width"].asInteger()) + "x" +
                   std::to_string(r["maxSize"]["height"].asInteger()) +
                   (r["viewable"].asBool() ? ", viewable" : ", not viewable") + "\n";
        }
        return out;
    }
    std::vector<Value> recordsOf(const std::string& event) const {
        std::vector<Value> found;
        for (const auto& r : records.asArray())
            if (r["event"].asString() == event) found.push_back(r);
        return found;
    }
    bool has(const std::string& event, const std::function<bool(const Value&)>& test) const {
        for (const auto& r : recordsOf(event))
            if (test(r)) return true;
        return false;
    }
    bool hasState(const std::string& state) const {
        return has("stateChange", [&](const Value& r) { return r["state"].asString() == state; });
    }
    // The listener calls since the last call that heard this state change.
    std::vector<Value> recordsSinceState(const std::string& state) const {
        std::vector<Value> found;
        for (const auto& r : records.asArray()) {
            if (r["event"].asString() == "stateChange" && r["state"].asString() == state)
                found.clear();
            found.push_back(r);
        }
        return found;
    }
};

// Where each state puts the creative; a state missing is one the test does not expect.
using Layouts = std::map<std::string, Rect>;

// Every listener call reads the state and size of one layout, and every size the SDK sent
// after a state (until the next one) is that state's.
void expectOneLayoutAtATime(const Trace& trace, const Layouts& layouts) {
    for (const auto& r : trace.records.asArray()) {
        const std::string event = r["event"].asString();
        if (event != "stateChange" && event != "sizeChange" && event != "ready") continue;
        const std::string state = r["state"].asString();
        auto layout = layouts.find(state);
        ASSERT_NE(layout, layouts.end()) << event << " in state " << state << "\n"
                                         << trace.describe();
        EXPECT_EQ(rectOf(r["current"]), layout->second)
            << event << " read state " << state << " at " << text(rectOf(r["current"])) << "\n"
            << trace.describe();
    }
    std::string state = "default";
    for (const auto& m : trace.messages.asArray()) {
        const std::string name = m["name"].asString();
        if (name == "onStateChanged") state = m["p"]["state"].asString();
        if (name != "onSizeChanged") continue;
        auto layout = layouts.find(state);
        ASSERT_NE(layout, layouts.end()) << state << "\n" << trace.describe();
        EXPECT_EQ(rectOf(m["p"]), layout->second)
            << "a size of another layout after \"" << state << "\"\n"
            << trace.describe();
    }
}

// The size sent is sent once per change: never twice the same frame in a row.
void expectNoRepeats(const Trace& trace) {
    std::optional<Rect> last;
    std::size_t screens = 0;
    for (const auto& m : trace.messages.asArray()) {
        const std::string name = m["name"].asString();
        screens += name == "onScreenInfoChanged";
        if (name != "onSizeChanged") continue;
        const Rect frame = rectOf(m["p"]);
        EXPECT_NE(last, frame) << "the same size twice\n" << trace.describe();
        last = frame;
    }
    EXPECT_EQ(screens, 1u) << trace.describe();
}

// Once the ad showed, the creative never heard it was hidden: the ad stayed on screen
// throughout, through every change of its layout.
void expectNeverHiddenOnceShown(const Trace& trace) {
    bool shown = false;
    for (const auto& m : trace.messages.asArray()) {
        if (m["name"].asString() != "onAdVisibilityChanged") continue;
        const bool visible = m["p"]["visible"].asString() == "1";
        EXPECT_FALSE(shown && !visible) << "not viewable while on screen\n" << trace.describe();
        shown = shown || visible;
    }
    EXPECT_TRUE(shown) << trace.describe();
}

// The banner as the game-over screen keeps it: loaded outside every window and put in its
// place only once it has an ad.
class PlaceOnReceipt : public GADBannerViewDelegate {
  public:
    explicit PlaceOnReceipt(std::shared_ptr<platform::ui::View> place) : place_(std::move(place)) {}
    void adViewDidReceiveAd(GADBannerView& view) override {
        ++received;
        place_->addSubview(std::static_pointer_cast<GADBannerView>(view.shared_from_this()));
    }
    int received = 0;

  private:
    std::shared_ptr<platform::ui::View> place_;
};

class GADMRAIDEventsWebKitTest : public ads::testing::MRAIDWebKitTestBase {
  protected:
    static constexpr const char* kUnit = "ca-movu-mraid-record";

    void SetUp() override {
        MRAIDWebKitTestBase::SetUp();
        // As the game's bundle has it: no status bar, the application frame is the window.
        platform::ui::Application::shared().setStatusBarHidden(true);
    }
    void loadBanner(const std::string& scenarioText, double y) {
        loadBannerOf(kUnit, scenarioText, y);
    }
    // A 320 x 50 banner at (0, y), out of every window until it has received its ad.
    void loadGameOverBanner(const std::string& scenarioText, double y) {
        ASSERT_NO_FATAL_FAILURE(makeBannerOf(kUnit, scenarioText, y));
        banner->setDelegate(placer);
        banner->loadRequest(GADRequest::request());
    }
    // What the page's MRAID reads now, for the creatives that record nothing themselves.
    Value pageReads() const {
        if (!banner || !adView()) return Value();
        auto json = adView()->stringByEvaluatingJavaScriptFromString(
            "window.mraid ? JSON.stringify({state: mraid.getState(), at: "
            "mraid.getCurrentPosition(), viewable: mraid.isViewable()}) : ''");
        auto value = platform::Json::parse(json);
        return value ? *value : Value();
    }
    std::shared_ptr<GADExpandedAdAppViewController> expandedScreen() const {
        return std::dynamic_pointer_cast<GADExpandedAdAppViewController>(
            controller->presentedViewController());
    }
    static Trace traceOf(const std::shared_ptr<GADAdView>& view) {
        Trace trace;
        if (!view) return trace;
        auto json = view->stringByEvaluatingJavaScriptFromString(
            "window.records ? JSON.stringify({messages: window.messages, records: "
            "window.records}) : ''");
        if (auto value = platform::Json::parse(json)) {
            trace.messages = (*value)["messages"];
            trace.records = (*value)["records"];
        }
        return trace;
    }
    Trace trace() const { return traceOf(adView()); }
    bool waitForTrace(const std::shared_ptr<GADAdView>& view,
                      const std::function<bool(const Trace&)>& condition) {
        return waitFor([&] { return condition(traceOf(view)); });
    }
    bool waitForTrace(const std::function<bool(const Trace&)>& condition) {
        return waitFor([&] { return banner && condition(trace()); });
    }
    // Until a listener call since the state's own reads the banner viewable again.
    bool waitUntilViewableSince(const std::string& state) {
        return waitForTrace([&](const Trace& t) {
            auto since = t.recordsSinceState(state);
            return !since.empty() && since.back()["viewable"].asBool();
        });
    }
    // Until the creative's last listener call reads this visibility.
    bool waitForViewable(bool viewable) {
        return waitForTrace([&](const Trace& t) {
            const auto& records = t.records.asArray();
            return !records.empty() && records.back()["viewable"].asBool() == viewable;
        });
    }
    void press(const std::shared_ptr<GADAdView>& view, int button) {
        view->stringByEvaluatingJavaScriptFromString("document.getElementById('b" +
                                                     std::to_string(button) + "').click(); 'ok'");
    }
    void press(int button) { press(adView(), button); }
    void tap(platform::Point point) {
        platform::ui::TouchInput input{window};
        input.touchDown(1, point);
        input.touchUp(1, point);
    }
    // What the creative heard, left beside the pictures for a person to read.
    static void keep(const Trace& trace, const std::string& name) {
        const std::filesystem::path folder = std::string(MOVU_BINARY_DIR) + "/screenshots";
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        std::ofstream(folder / name) << trace.describe();
    }

    std::shared_ptr<PlaceOnReceipt> placer = std::make_shared<PlaceOnReceipt>(controller->view());
};

constexpr Rect kFullScreen{0, 0, 320, 480};
constexpr Rect kBottomBanner{0, 430, 320, 50};
constexpr Rect kTopBanner{0, 0, 320, 50};

bool readyAt(const Trace& t, const Rect& place) {
    return t.has("ready", [&](const Value& r) {
        return rectOf(r["current"]) == place && rectOf(r["defaultPosition"]) == place &&
               r["maxSize"]["width"].asInteger() == 320 &&
               r["maxSize"]["height"].asInteger() == 480;
    });
}

// The bottom banner expanded to the whole window and back, as its creative heard it: one
// layout at a time, each size once, never hidden once shown, and viewable as it expanded.
void expectExpandedAndBackAtTheBottom(const Trace& t) {
    expectOneLayoutAtATime(
        t, {{"loading", kBottomBanner}, {"default", kBottomBanner}, {"expanded", kFullScreen}});
    expectNoRepeats(t);
    expectNeverHiddenOnceShown(t);
    EXPECT_TRUE(t.has("stateChange", [](const Value& r) {
        return r["state"].asString() == "expanded" && r["viewable"].asBool();
    })) << t.describe();
}

TEST_F(GADMRAIDEventsWebKitTest, ExpandAndCloseTellOneLayoutAtATimeAndTheBannerIsViewableAgain) {
    loadBanner("mraid-record,size=320x50", kBottomBanner.origin.y);
    ASSERT_TRUE(waitForTrace([](const Trace& t) { return !t.recordsOf("ready").empty(); }))
        << trace().describe();
    // Known at ready: where the ad is and where it may go.
    EXPECT_TRUE(readyAt(trace(), kBottomBanner)) << trace().describe();
    ASSERT_TRUE(waitForViewable(true)) << trace().describe();

    press(0);
    ASSERT_TRUE(waitForTrace([](const Trace& t) { return t.hasState("expanded"); }))
        << trace().describe();
    EXPECT_EQ(adFrameInWindow(), kFullScreen);
    press(1);
    ASSERT_TRUE(waitForTrace([](const Trace& t) { return t.hasState("default"); }))
        << trace().describe();
    // The banner shows again, and says so.
    ASSERT_TRUE(waitUntilViewableSince("default")) << trace().describe();
    scope.advance(1);
    const Trace t = trace();
    keep(t, "mraid_record_expand_close.txt");
    expectExpandedAndBackAtTheBottom(t);
}

TEST_F(GADMRAIDEventsWebKitTest, TheCloseRegionCollapsesAsCloseDoes) {
    loadBanner("mraid-record,size=320x50", kBottomBanner.origin.y);
    ASSERT_TRUE(waitForViewable(true)) << trace().describe();
    press(0);
    ASSERT_TRUE(waitForTrace([](const Trace& t) { return t.hasState("expanded"); }))
        << trace().describe();
    // The close area in the top-right corner of the expanded ad.
    tap({295, 25});
    ASSERT_TRUE(waitForTrace([](const Trace& t) { return t.hasState("default"); }))
        << trace().describe();
    ASSERT_TRUE(waitFor([&] { return adFrameInWindow() == kBottomBanner; }, 10));
    scope.advance(1);
    keep(trace(), "mraid_record_close_region.txt");
    expectExpandedAndBackAtTheBottom(trace());
}

TEST_F(GADMRAIDEventsWebKitTest, AResizeAtTheBannersCornerCoversTheBannerAndCloseReturnsIt) {
    constexpr Rect kResized{0, 0, 320, 250};
    loadBanner("mraid-record,size=320x50", kTopBanner.origin.y);
    ASSERT_TRUE(waitForViewable(true)) << trace().describe();
    EXPECT_TRUE(readyAt(trace(), kTopBanner)) << trace().describe();
    press(2);
    ASSERT_TRUE(waitForTrace([](const Trace& t) { return t.hasState("resized"); }))
        << trace().describe();
    // "resized", then its size, in that order and together.
    {
        const Trace t = trace();
        const auto& messages = t.messages.asArray();
        std::size_t at = 0;
        while (at < messages.size() && messages[at]["p"]["state"].asString() != "resized") ++at;
        ASSERT_LT(at + 1, messages.size()) << t.describe();
        EXPECT_EQ(messages[at + 1]["name"].asString(), "onSizeChanged") << t.describe();
        EXPECT_EQ(rectOf(messages[at + 1]["p"]), kResized) << t.describe();
    }
    EXPECT_EQ(adFrameInWindow(), kResized);
    scope.advance(1);
    // Drawn from the banner's top edge down, over the banner: no strip of its old picture
    // above or below, and the app's white beneath.
    // The page paints its new colour on its own time: a slow machine may show the last one a
    // while longer.
    platform::gfx::Image picture;
    waitFor([&] {
        picture = shoot("mraid_record_resized_at_banner.png");
        if (picture.empty()) return false;
        // White is the app showing through a view whose new picture has not come yet.
        const auto at = ScreenshotCamera::rgb(picture, 315, 120);
        return at[0] < 60 && at[2] > 150;
    });
    ASSERT_FALSE(picture.empty());
    for (double y : {1.0, 25.0, 49.0, 120.0, 248.0}) {
        const auto blue = ScreenshotCamera::rgb(picture, 315, y);
        EXPECT_LT(blue[0], 60) << y;
        EXPECT_GT(blue[2], 150) << y;
    }
    for (double y : {252.0, 300.0, 430.0, 478.0}) {
        EXPECT_EQ(ScreenshotCamera::rgb(picture, 160, y), (std::array<int, 3>{255, 255, 255})) << y;
    }
    press(1);
    ASSERT_TRUE(waitForTrace([](const Trace& t) { return t.hasState("default"); }))
        << trace().describe();
    ASSERT_TRUE(waitFor([&] { return adFrameInWindow() == kTopBanner; }, 10));
    scope.advance(1);
    keep(trace(), "mraid_record_resize.txt");
    expectOneLayoutAtATime(
        trace(), {{"loading", kTopBanner}, {"default", kTopBanner}, {"resized", kResized}});
    expectNoRepeats(trace());
    expectNeverHiddenOnceShown(trace());
}

TEST_F(GADMRAIDEventsWebKitTest, OpenFromAResizedAdCollapsesItIntoItsBannerForGood) {
    constexpr Rect kResized{0, 230, 320, 250};  // moved up into the window
    loadBanner("mraid-record,size=320x50", kBottomBanner.origin.y);
    ASSERT_TRUE(waitForViewable(true)) << trace().describe();
    press(2);
    ASSERT_TRUE(waitForTrace([](const Trace& t) { return t.hasState("resized"); }))
        << trace().describe();
    // Its second opening needs the player's touch.
    adView()->setTouched(true);
    press(3);
    std::shared_ptr<GADBrowserViewController> browser;
    ASSERT_TRUE(waitFor([&] {
        browser = std::dynamic_pointer_cast<GADBrowserViewController>(
            controller->presentedViewController());
        return browser != nullptr;
    }));
    ASSERT_TRUE(waitForTrace([](const Trace& t) { return t.hasState("default"); }))
        << trace().describe();
    scope.advance(1);
    browser->relinquishScreenWithCompletion({});
    ASSERT_TRUE(waitFor([&] { return !controller->presentedViewController(); }));
    // Back on screen: the banner's own place, and it shows.
    ASSERT_TRUE(waitUntilViewableSince("default")) << trace().describe();
    scope.advance(2);
    const Trace t = trace();
    keep(t, "mraid_record_resize_open.txt");
    expectOneLayoutAtATime(
        t, {{"loading", kBottomBanner}, {"default", kBottomBanner}, {"resized", kResized}});
    expectNoRepeats(t);
    EXPECT_EQ(rectOf(t.records.asArray().back()["current"]), kBottomBanner) << t.describe();
}

TEST_F(GADMRAIDEventsWebKitTest, TheSecondPageOfATwoPartExpandKnowsItsScreenAndSize) {
    loadBanner("mraid-record,size=320x50", kBottomBanner.origin.y);
    ASSERT_TRUE(waitForViewable(true)) << trace().describe();
    press(4);
    std::shared_ptr<GADSupplementalAdAppViewController> second;
    ASSERT_TRUE(waitFor([&] {
        second = std::dynamic_pointer_cast<GADSupplementalAdAppViewController>(
            controller->presentedViewController());
        return second != nullptr;
    }));
    ASSERT_TRUE(waitForTrace(second->adView(), [](const Trace& t) {
        return t.hasState("expanded");
    })) << traceOf(second->adView()).describe();
    const Trace page = traceOf(second->adView());
    keep(page, "mraid_record_two_part_second_page.txt");
    for (const auto& r : page.records.asArray()) {
        if (r["event"].asString() == "error") continue;
        EXPECT_EQ(rectOf(r["current"]), kFullScreen) << page.describe();
        EXPECT_EQ(r["maxSize"]["width"].asInteger(), 320) << page.describe();
        EXPECT_EQ(r["maxSize"]["height"].asInteger(), 480) << page.describe();
        EXPECT_EQ(r["expand"]["width"].asInteger(), 320) << page.describe();
        EXPECT_EQ(r["expand"]["height"].asInteger(), 480) << page.describe();
        EXPECT_EQ(rectOf(r["defaultPosition"]), kBottomBanner) << page.describe();
    }
    EXPECT_TRUE(readyAt(page, kFullScreen) || page.has("ready", [](const Value& r) {
        return rectOf(r["current"]) == kFullScreen;
    })) << page.describe();
    // The banner beneath is expanded, stays its own size, and is covered.
    ASSERT_TRUE(waitForTrace([](const Trace& t) { return t.hasState("expanded"); }))
        << trace().describe();
    ASSERT_TRUE(waitForViewable(false)) << trace().describe();
    press(second->adView(), 1);
    ASSERT_TRUE(waitForTrace([](const Trace& t) { return t.hasState("default"); }))
        << trace().describe();
    ASSERT_TRUE(waitUntilViewableSince("default")) << trace().describe();
    keep(trace(), "mraid_record_two_part_banner.txt");
    expectOneLayoutAtATime(
        trace(),
        {{"loading", kBottomBanner}, {"default", kBottomBanner}, {"expanded", kBottomBanner}});
}

TEST_F(GADMRAIDEventsWebKitTest, ALateCreativeWithoutActiveViewSettingsIsToldAndMeasured) {
    loadBanner("mraid-record-late,size=320x50,noactiveview", kBottomBanner.origin.y);
    // The page has loaded and the banner made its impression before the creative speaks.
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::Impression, 1));
    ASSERT_TRUE(waitFor([&] { return adView() && !adView()->isHidden(); }));
    EXPECT_EQ(adView()->webView()->stringByEvaluatingJavaScriptFromString("loadMraidNow()", 10),
              "loading");
    ASSERT_TRUE(waitForTrace([](const Trace& t) { return !t.recordsOf("ready").empty(); }))
        << trace().describe();
    {
        const Trace t = trace();
        EXPECT_TRUE(readyAt(t, kBottomBanner)) << t.describe();
        // Told before ready: its size, its place and that it shows.
        const auto ready = t.recordsOf("ready").front();
        EXPECT_TRUE(ready["viewable"].asBool()) << t.describe();
    }
    // Measured from the announcement on: out of the window it is not viewable, back in it is.
    banner->removeFromSuperview();
    ASSERT_TRUE(waitForViewable(false)) << trace().describe();
    controller->view()->addSubview(banner);
    ASSERT_TRUE(waitFor([&] {
        auto records = trace().records.asArray();
        return !records.empty() && records.back()["event"].asString() == "viewableChange" &&
               records.back()["viewable"].asBool();
    })) << trace().describe();
    EXPECT_EQ(ads.server().log().count(RequestKind::Viewable), 0u);
    keep(trace(), "mraid_record_late_without_active_view.txt");
    expectOneLayoutAtATime(trace(), {{"loading", kBottomBanner}, {"default", kBottomBanner}});
    expectNoRepeats(trace());
}

TEST_F(GADMRAIDEventsWebKitTest, AnInterstitialIsToldTheWholeScreenFromTheStart) {
    loadInterstitialOf(kUnit, "mraid-record");
    ASSERT_TRUE(waitFor([&] { return interstitial->isReady(); }));
    auto view = interstitial->slot()->adView();
    ASSERT_TRUE(waitForTrace(view, [](const Trace& t) { return !t.recordsOf("ready").empty(); }));
    // Not shown yet, but its size and its place are the screen's, from its corner.
    EXPECT_EQ(rectOf(traceOf(view).recordsOf("ready").front()["current"]), kFullScreen)
        << traceOf(view).describe();
    EXPECT_EQ(rectOf(traceOf(view).recordsOf("ready").front()["defaultPosition"]), kFullScreen)
        << traceOf(view).describe();
    EXPECT_FALSE(traceOf(view).recordsOf("ready").front()["viewable"].asBool());
    interstitial->presentFromRootViewController(controller);
    ASSERT_TRUE(waitForTrace(view, [](const Trace& t) {
        return t.has("viewableChange", [](const Value& r) { return r["viewable"].asBool(); });
    })) << traceOf(view).describe();
    const Trace shown = traceOf(view);
    keep(shown, "mraid_record_interstitial.txt");
    for (const auto& m : shown.messages.asArray()) {
        if (m["name"].asString() == "onSizeChanged") {
            EXPECT_EQ(rectOf(m["p"]), kFullScreen) << shown.describe();
        }
    }
}

TEST_F(GADMRAIDEventsWebKitTest, ABannerPlacedOnceItHasItsAdKnowsItsPlaceAtReady) {
    loadGameOverBanner("mraid-record,size=320x50", kBottomBanner.origin.y);
    ASSERT_TRUE(waitForTrace([](const Trace& t) { return !t.recordsOf("ready").empty(); }))
        << trace().describe();
    ASSERT_TRUE(waitForViewable(true)) << trace().describe();
    const Trace t = trace();
    keep(t, "mraid_record_game_over_banner.txt");
    EXPECT_TRUE(readyAt(t, kBottomBanner)) << t.describe();
    EXPECT_EQ(adFrameInWindow(), kBottomBanner);
    expectNoRepeats(t);
}

// The page asks for its expansion from its load event: after "ready", before the end of its
// load, while the banner is not shown yet. Its picture is held until it has heard "ready", as
// a page heard it first on the machines the fault was seen on; here its load event can come
// first.
TEST_F(GADMRAIDEventsWebKitTest, AnExpandFromThePagesLoadEventWaitsForTheBannerAndIsAnMRAIDExpand) {
    auto picture = ads.server().makeGate();
    ads.server().stallMraidHeldPicture(picture);
    loadGameOverBanner("mraid-held-load-expand,size=320x50", kBottomBanner.origin.y);
    ASSERT_TRUE(waitFor([&] { return pageReads()["state"].asString() == "default"; }))
        << pageReads().description();
    picture->release();
    std::shared_ptr<GADExpandedAdAppViewController> expanded;
    ASSERT_TRUE(waitFor([&] {
        expanded = expandedScreen();
        return expanded && pageReads()["state"].asString() == "expanded";
    })) << pageReads().description();
    // Expanded from its banner's place, shown and counted once.
    EXPECT_EQ(placer->received, 1);
    EXPECT_TRUE(ads.waitOnMainLoop(RequestKind::Impression, 1));
    // An MRAID expanded screen: the close area at the top right, not a plain ad's corner.
    EXPECT_EQ(expanded->closeButton()->frame(), Rect(270, 0, 50, 50));
    // It hears where it now is and that it shows.
    EXPECT_TRUE(waitFor(
        [&] {
            const Value reads = pageReads();
            return rectOf(reads["at"]) == kFullScreen && reads["viewable"].asBool();
        },
        5))
        << pageReads().description();
    const Rect close = expanded->closeButton()->frame();
    expanded.reset();
    tap({close.midX(), close.midY()});
    ASSERT_TRUE(waitFor([&] { return pageReads()["state"].asString() == "default"; }, 10))
        << pageReads().description();
    ASSERT_TRUE(waitFor([&] { return !controller->presentedViewController(); }, 10));
    EXPECT_EQ(adFrameInWindow(), kBottomBanner);
    EXPECT_TRUE(pageReads()["viewable"].asBool()) << pageReads().description();
    // No other ad takes the screen: the next one waits for the banner's refresh.
    EXPECT_FALSE(waitFor(
        [&] {
            return ads.log().count(RequestKind::AdRequest) > 1 ||
                   controller->presentedViewController() != nullptr;
        },
        3));
    EXPECT_EQ(ads.log().count(RequestKind::Impression), 1u);
}

TEST_F(GADMRAIDEventsWebKitTest, AnEarlyExpandTellsOneLayoutAtATimeAndTheBannerStaysViewable) {
    auto picture = ads.server().makeGate();
    ads.server().stallMraidHeldPicture(picture);
    loadGameOverBanner("mraid-record-load-expand,size=320x50", kBottomBanner.origin.y);
    ASSERT_TRUE(waitForTrace([](const Trace& t) { return !t.recordsOf("ready").empty(); }))
        << trace().describe();
    picture->release();
    ASSERT_TRUE(waitForTrace([](const Trace& t) { return t.hasState("expanded"); }))
        << trace().describe();
    ASSERT_TRUE(waitForTrace([](const Trace& t) {
        return t.has("sizeChange",
                     [](const Value& r) { return r["state"].asString() == "expanded"; });
    })) << trace().describe();
    press(1);
    ASSERT_TRUE(waitForTrace([](const Trace& t) { return t.hasState("default"); }))
        << trace().describe();
    ASSERT_TRUE(waitFor([&] { return !controller->presentedViewController(); }, 10));
    scope.advance(1);
    const Trace t = trace();
    keep(t, "mraid_record_load_expand.txt");
    EXPECT_TRUE(readyAt(t, kBottomBanner)) << t.describe();
    expectExpandedAndBackAtTheBottom(t);
    EXPECT_EQ(ads.log().count(RequestKind::Impression), 1u);
}

}  // namespace
}  // namespace ads
