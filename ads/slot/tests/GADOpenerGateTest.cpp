// What a page can open, played on the scripted web engine with the program's own slots: an
// ad that is not on screen (preloaded, or closing) opens nothing, whatever the server's
// auto-click protection; one touch of a shown ad lets one opening through, however many
// "open" messages and window.open calls the page makes; without protection a shown ad's
// first opening out of the ad may come without a touch, the next may not, while its own calls
// (expand, resize, a calendar event, a picture question) come once each untouched; the
// gate's answer by kind of call, protection, touch and screen, with the error it gives.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/fullscreen/GADBrowserViewController.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/fullscreen/GADViewController.h"
#include "ads/slot/GADInterstitial.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/tests/GADSlotTestPeer.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/DesktopRecorder.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "platform/base/PercentEncoding.h"
#include "platform/services/CalendarStore.h"
#include "platform/services/EventEditor.h"
#include "platform/services/StoreProductLookup.h"
#include "platform/services/StoreProductSheet.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/TouchInput.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/web/FakeWebPage.h"

namespace ads {
namespace {

using platform::Value;
using platform::web::FakeWebPage;
using platform::web::NavigationType;

class Owner : public GADSlotDelegate, public GADSlotAdLoadDelegate {
  public:
    void slotDidReceiveAdClick(GADSlot&) override { ++clicks; }
    void slotFinishedLoadingAdContent(GADSlot&) override {}
    void slotDidFailToLoadAdContentWithError(GADSlot&, const GADRequestError&) override {}
    int clicks = 0;
};

class Clicks : public GADInterstitialDelegate, public GADInterstitialAdClickDelegate {
  public:
    void interstitialDidReceiveAdClick(GADInterstitial&) override { ++clicks; }
    int clicks = 0;
};

class GADOpenerGateTest : public ::testing::Test {
  protected:
    GADOpenerGateTest() {
        platform::ui::Application::shared().becomeActive();
        window->setRootViewController(root);
        window->makeKeyWindow();
        server.text("/clk", "ok");
        server.text("/marker", "ok");
    }
    ~GADOpenerGateTest() override {
        interstitial.reset();
        scope.runUntilIdle();
    }

    std::shared_ptr<GADRequest> request() {
        auto request = GADRequest::request();
        request->registerAdNetworkExtras(GADExtras::create(Value::Dictionary{
            {"_ad",
             Value::dictionary({{"ad_html", Value("<p>ad</p>")},
                                {"ad_base_url", Value("https://ads.test/ad")},
                                {"click_urls", Value::array({Value(server.url("/clk"))})}})}}));
        return request;
    }
    // The ad's page (the SDK core's page may come later, with the first refusal it hears of).
    FakeWebPage& page() { return *adPage; }
    void finishPage() {
        adPage = views.web().pages().back();
        page().setCurrentUrl("https://ads.test/ad");
        page().fireStart();
        page().fireFinish();
        scope.runUntilIdle();
    }

    // An interstitial loaded and waiting to be shown.
    void preloadInterstitial(bool protection) {
        interstitial = GADInterstitial::create("unit");
        interstitial->setDelegate(interstitialClicks);
        GADSlotTestPeer(*interstitial->slot()).opener()->setAutoClickProtected(protection);
        interstitial->loadRequest(request());
        ASSERT_TRUE(platform::testing::runMainLoopUntil(
            [&] { return interstitial->slot()->state() == GADSlotState::Rendering; }));
        finishPage();
        ASSERT_TRUE(interstitial->isReady());
    }
    // A banner's slot in the window, its ad loaded and shown.
    void showBanner(bool protection) {
        banner->setAdType(GADAdType::bannerAdTypeForSize(kGADAdSizeBanner), false);
        banner->setDelegates({.slot = owner, .adLoad = owner});
        GADSlotTestPeer(*banner).opener()->setAutoClickProtected(protection);
        root->view()->addSubview(banner->adView());
        banner->loadRequest(request());
        ASSERT_TRUE(platform::testing::runMainLoopUntil(
            [&] { return banner->state() == GADSlotState::Rendering; }));
        finishPage();
        ASSERT_EQ(banner->state(), GADSlotState::ValidAd);
        // Past the moment a tap right after a load is taken for a mistake.
        scope.advance(1);
    }

    // The page sends messages and calls window.open, each count times, and everything it set
    // off has been handled: a last message's ping marks the end of its queue.
    void pageAsks(int openMessages, int windowOpens) {
        for (int i = 0; i < openMessages; ++i) {
            page().fireNavigation(
                "gmsg://movuroute/open?u=https%3A%2F%2Fland.test%2Fm" + std::to_string(i),
                NavigationType::Other);
        }
        for (int i = 0; i < windowOpens; ++i) {
            page().fireNavigation("https://land.test/w" + std::to_string(i), NavigationType::Other);
        }
        const std::size_t marks = server.requestCount("/marker") + 1;
        // Each mark its own address: a ping of an address seen before may be answered from
        // the cache.
        static int serial = 0;
        const std::string mark = server.url("/marker") + "?n=" + std::to_string(++serial);
        page().fireNavigation("gmsg://movuroute/click?u=" + platform::percentEncodeComponent(mark),
                              NavigationType::Other);
        ASSERT_TRUE(platform::testing::runMainLoopUntil(
            [&] { return server.requestCount("/marker") == marks; }));
        scope.runUntilIdle();
    }
    // The player's finger on the middle of the ad view.
    void touch(GADAdView& view) {
        const auto frame = view.convertRectToView(view.bounds(), nullptr);
        platform::ui::TouchInput input{window};
        input.touchDown(1, {frame.midX(), frame.midY()});
        input.touchUp(1, {frame.midX(), frame.midY()});
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    ads::testing::SDKCoreTestScope core;
    platform::testing::TestHttpServer server;
    ads::testing::DesktopRecorder desktop;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<platform::ui::ViewController> root = platform::ui::ViewController::create();
    std::shared_ptr<Owner> owner = std::make_shared<Owner>();
    std::shared_ptr<GADSlot> banner = GADSlot::create({0, 430, 320, 50});
    std::shared_ptr<Clicks> interstitialClicks = std::make_shared<Clicks>();
    std::shared_ptr<GADInterstitial> interstitial;
    std::shared_ptr<FakeWebPage> adPage;
};

TEST_F(GADOpenerGateTest, AnAdNotOnScreenOpensNothing) {
    for (const bool protection : {false, true}) {
        SCOPED_TRACE(protection ? "protected" : "unprotected");
        // Preloaded at launch: its page asks at load, before it is ever shown.
        ads::testing::DesktopRecorder desktop;
        interstitialClicks->clicks = 0;
        preloadInterstitial(protection);
        pageAsks(50, 10);
        EXPECT_TRUE(desktop.opened().empty());
        EXPECT_EQ(interstitialClicks->clicks, 0);
        RecordProperty(protection ? "preloaded_openings_protected" : "preloaded_openings",
                       static_cast<int>(desktop.opened().size()));
        RecordProperty(protection ? "preloaded_clicks_protected" : "preloaded_clicks",
                       interstitialClicks->clicks);

        // Shown and closed by the player: while it leaves, it is not on screen either.
        interstitial->presentFromRootViewController(root);
        scope.advance(1);
        auto screen = root->presentedViewController();
        ASSERT_NE(screen, nullptr);
        std::static_pointer_cast<GADViewController>(screen)->relinquishScreenWithCompletion({});
        pageAsks(10, 10);
        EXPECT_TRUE(desktop.opened().empty());
        EXPECT_EQ(interstitialClicks->clicks, 0);
        scope.advance(1);
        ASSERT_EQ(root->presentedViewController(), nullptr);
    }
}

TEST_F(GADOpenerGateTest, OneTouchOfAShownAdIsOneOpeningAndOneClick) {
    showBanner(true);
    // Untouched and protected: nothing.
    pageAsks(10, 10);
    EXPECT_TRUE(desktop.opened().empty());
    EXPECT_EQ(owner->clicks, 0);

    // Whichever of its asks comes first opens.
    touch(*banner->adView());
    pageAsks(10, 10);
    EXPECT_EQ(desktop.opened().size(), 1u);
    EXPECT_EQ(owner->clicks, 1);
    // A second touch is a second opening, and no more.
    const std::size_t before = desktop.opened().size();
    const int clicksBefore = owner->clicks;
    touch(*banner->adView());
    pageAsks(0, 1000);
    RecordProperty("openings_for_1000_window_open_after_one_touch",
                   static_cast<int>(desktop.opened().size() - before));
    RecordProperty("clicks_for_1000_window_open_after_one_touch", owner->clicks - clicksBefore);
    EXPECT_EQ(desktop.opened().size(), 2u);
    EXPECT_EQ(owner->clicks, 2);
    // The click pings went out once per opening.
    EXPECT_TRUE(platform::testing::runMainLoopUntil(
        [&] { return server.requestCount("/clk") >= static_cast<std::size_t>(owner->clicks); }));
    pageAsks(0, 0);
    EXPECT_EQ(server.requestCount("/clk"), 2u);
}

TEST_F(GADOpenerGateTest, AShownInterstitialKeepsTheServersProtectionAndOneOpeningPerTouch) {
    preloadInterstitial(true);
    interstitial->presentFromRootViewController(root);
    scope.advance(1);
    pageAsks(10, 10);
    EXPECT_TRUE(desktop.opened().empty());
    EXPECT_EQ(interstitialClicks->clicks, 0);

    touch(*interstitial->slot()->adView());
    pageAsks(10, 10);
    EXPECT_EQ(desktop.opened().size(), 1u);
    EXPECT_EQ(interstitialClicks->clicks, 1);
}

TEST_F(GADOpenerGateTest, WithoutProtectionOnlyTheFirstOpeningMayComeWithoutATouch) {
    showBanner(false);
    pageAsks(1, 0);
    EXPECT_EQ(desktop.opened(), (std::vector<std::string>{"https://land.test/m0"}));
    pageAsks(1, 1);
    EXPECT_EQ(desktop.opened().size(), 1u);
    EXPECT_EQ(owner->clicks, 1);
    // Every later one needs a touch of its own.
    touch(*banner->adView());
    pageAsks(3, 0);
    EXPECT_EQ(desktop.opened(),
              (std::vector<std::string>{"https://land.test/m0", "https://land.test/m0"}));
    EXPECT_EQ(owner->clicks, 2);
}

TEST_F(GADOpenerGateTest, OneTouchIsOneStoreSheetHoweverOftenThePageAsks) {
    using platform::services::StoreProductLookup;
    std::vector<std::int64_t> lookups;
    StoreProductLookup::setScriptForTesting([&](std::int64_t id, StoreProductLookup::Completion c) {
        lookups.push_back(id);
        StoreProductLookup::answer(id, c);
    });
    showBanner(true);
    banner->adView()->setViewController(root);
    const auto asks = [&] {
        for (int i = 0; i < 20; ++i) {
            page().fireNavigation(
                "gmsg://movuroute/open?a=in_app_store&product_id=" + std::to_string(100 + i),
                NavigationType::Other);
        }
        pageAsks(0, 0);
        scope.advance(1);
    };
    asks();
    EXPECT_TRUE(lookups.empty());
    touch(*banner->adView());
    asks();
    // One sheet, looked up once and shown, one click; the page's other asks went nowhere.
    EXPECT_EQ(lookups, (std::vector<std::int64_t>{100}));
    auto sheet = std::dynamic_pointer_cast<platform::services::StoreProductSheet>(
        root->presentedViewController());
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->headline(), "Product 100");
    EXPECT_EQ(owner->clicks, 1);
    sheet->rightButton()->tap();
    scope.advance(1);
    StoreProductLookup::setScriptForTesting(nullptr);
}

// ---- The gate's answer by kind of call ----

// One call of the page, as its script makes it.
enum class Call { Desktop, Browser, Expand, Resize, Calendar, Picture };

const char* nameOf(Call call) {
    switch (call) {
        case Call::Desktop:
            return "desktop";
        case Call::Browser:
            return "in-app browser";
        case Call::Expand:
            return "expand";
        case Call::Resize:
            return "resize";
        case Call::Calendar:
            return "calendar";
        case Call::Picture:
            return "picture";
    }
    return "?";
}

class GADOpenerGateKindsTest : public GADOpenerGateTest {
  protected:
    GADOpenerGateKindsTest() {
        platform::services::CalendarStore::setAuthorizationStatus(
            platform::services::CalendarAuthorizationStatus::Authorized);
    }
    ~GADOpenerGateKindsTest() override {
        closeWhatOpened();
        platform::ui::AlertView::resetAll();
    }

    // A new MRAID banner shown at the bottom of the app's screen; the one before goes.
    void showNewBanner(bool protection) {
        if (banner) banner->adView()->removeFromSuperview();
        banner = GADSlot::create({0, 430, 320, 50});
        showBanner(protection);
        banner->adView()->setViewController(root);
        page().fireNavigation("gmsg://movuroute/mraidLoaded", NavigationType::Other);
        scope.runUntilIdle();
    }
    // The page makes the call; whether something opened (the desktop, a screen, a question)
    // and the MRAID error the page heard, if any.
    struct Outcome {
        bool opened = false;
        std::string error;
        bool operator==(const Outcome&) const = default;
    };
    Outcome make(Call call) {
        const auto desktopBefore = desktop.opened().size();
        const auto scriptsBefore = page().evaluations().size();
        page().fireNavigation(urlOf(call), NavigationType::Other);
        pageAsks(0, 0);
        scope.advance(1);
        Outcome outcome;
        // A resized ad stands over the app's screen without being presented by it.
        outcome.opened = desktop.opened().size() > desktopBefore ||
                         root->presentedViewController() != nullptr || resized() != nullptr ||
                         platform::ui::AlertView::visibleAlert() != nullptr;
        const auto& scripts = page().evaluations();
        for (std::size_t i = scriptsBefore; i < scripts.size(); ++i) {
            const auto at = scripts[i].find("\"message\":\"");
            if (scripts[i].find("'onError'") == std::string::npos || at == std::string::npos)
                continue;
            const auto from = at + 11;
            outcome.error = scripts[i].substr(from, scripts[i].find('"', from) - from);
        }
        return outcome;
    }
    static std::string urlOf(Call call) {
        switch (call) {
            case Call::Desktop:
                return "gmsg://movuroute/open?a=app&u=https%3A%2F%2Fland.test%2Fd";
            case Call::Browser:
                return "gmsg://movuroute/open?a=browser&u=https%3A%2F%2Fland.test%2Fb";
            case Call::Expand:
                return "gmsg://movuroute/open?a=expand";
            case Call::Resize:
                return "gmsg://movuroute/mraid?a=resize&width=320&height=100&offsetX=0&"
                       "offsetY=380&customClosePosition=top-right&allowOffscreen=false";
            case Call::Calendar:
                return "gmsg://movuroute/mraid?a=createCalendarEvent&description=Launch&"
                       "start=2030-01-31T18%3A30%3A00-08%3A00";
            case Call::Picture:
                return "gmsg://movuroute/mraid?a=storePicture&iurl=https%3A%2F%2Fpictures.test%2F" +
                       std::to_string(++pictures) + ".png";
        }
        return "";
    }
    // The screen of the banner's ad resized, if it is.
    std::shared_ptr<GADViewController> resized() const {
        auto holder = banner ? banner->adView()->superview() : nullptr;
        return std::dynamic_pointer_cast<GADViewController>(holder ? holder->viewController()
                                                                   : nullptr);
    }
    // Closes what the calls put up, as the player would: questions cancelled, screens closed.
    void closeWhatOpened() {
        for (int i = 0; i < 5; ++i) {
            if (auto alert = platform::ui::AlertView::visibleAlert())
                alert->tapButton(alert->cancelButtonIndex());
            auto top = root->presentedViewController();
            if (!top) top = resized();
            if (!top) break;
            if (auto editor = std::dynamic_pointer_cast<platform::services::EventEditor>(top)) {
                editor->cancelButton()->sendActionsForControlEvents(
                    platform::ui::ControlEventTouchUpInside);
            } else if (auto screen = std::dynamic_pointer_cast<GADViewController>(top)) {
                screen->relinquishScreenWithCompletion({});
            }
            scope.advance(1);
        }
        ASSERT_EQ(root->presentedViewController(), nullptr);
        ASSERT_EQ(resized(), nullptr);
    }

    static inline int pictures = 0;
};

TEST_F(GADOpenerGateKindsTest, TheGatesAnswerByKindProtectionTouchAndScreen) {
    using platform::ui::Application;
    // Each column plays its steps on a new ad and gives the last call's outcome.
    struct Column {
        const char* name;
        std::function<Outcome(Call)> play;
    };
    const auto untouched = [this](bool protection) {
        return [this, protection](Call call) {
            showNewBanner(protection);
            return make(call);
        };
    };
    const auto touched = [this](bool protection) {
        return [this, protection](Call call) {
            showNewBanner(protection);
            touch(*banner->adView());
            return make(call);
        };
    };
    const Column columns[] = {
        {"no protection, untouched", untouched(false)},
        {"no protection, untouched, after an untouched desktop opening",
         [this](Call call) {
             showNewBanner(false);
             EXPECT_TRUE(make(Call::Desktop).opened);
             return make(call);
         }},
        {"no protection, untouched, after one of its kind",
         [this](Call call) {
             showNewBanner(false);
             EXPECT_TRUE(make(call).opened);
             closeWhatOpened();
             return make(call);
         }},
        {"no protection, touched", touched(false)},
        {"protection, untouched", untouched(true)},
        {"protection, touched", touched(true)},
        {"protection, one touch, after one of its kind",
         [this](Call call) {
             showNewBanner(true);
             touch(*banner->adView());
             EXPECT_TRUE(make(call).opened);
             closeWhatOpened();
             return make(call);
         }},
        {"protection, one touch, after an expand",
         [this](Call call) {
             showNewBanner(true);
             touch(*banner->adView());
             EXPECT_TRUE(make(Call::Expand).opened);
             closeWhatOpened();
             return make(call);
         }},
        {"no protection, touched, not on screen",
         [this](Call call) {
             showNewBanner(false);
             touch(*banner->adView());
             Application::shared().resignActive();
             auto outcome = make(call);
             Application::shared().becomeActive();
             return outcome;
         }},
    };
    const Outcome opens{true, ""};
    const Outcome refused{false, ""};
    auto untouchedError = [](const char* doing) {
        return Outcome{
            false, std::string(doing) + " is not allowed until the user interacts with the ad."};
    };
    auto hiddenError = [](const char* doing) {
        return Outcome{false,
                       std::string(doing) + " is not allowed while the ad is not on screen."};
    };
    struct Row {
        Call call;
        std::vector<Outcome> outcomes;  // one per column
    };
    const auto withinTheAd = [&](Call call, const char* doing) {
        const auto no = untouchedError(doing);
        return Row{call, {opens, opens, no, opens, no, opens, no, no, hiddenError(doing)}};
    };
    const Row rows[] = {
        {Call::Desktop,
         {opens, refused, refused, opens, refused, opens, refused, refused, refused}},
        {Call::Browser,
         {opens, refused, refused, opens, refused, opens, refused, refused, refused}},
        withinTheAd(Call::Expand, "Expanding an ad"),
        withinTheAd(Call::Resize, "Resizing an ad"),
        withinTheAd(Call::Calendar, "Creating calendar events"),
        withinTheAd(Call::Picture, "Storing pictures"),
    };
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < std::size(columns); ++c) {
            SCOPED_TRACE(std::string(nameOf(row.call)) + ", " + columns[c].name);
            const auto outcome = columns[c].play(row.call);
            EXPECT_EQ(outcome.opened, row.outcomes[c].opened);
            EXPECT_EQ(outcome.error, row.outcomes[c].error);
            closeWhatOpened();
        }
    }
}

TEST_F(GADOpenerGateKindsTest, WithoutProtectionTheAdsOwnCallsComeUntouchedOnceEachTheBrowserOnce) {
    showNewBanner(false);
    // Nobody touches the ad: its own calls come, one of each, as does one opening out of it.
    for (const Call call :
         {Call::Expand, Call::Resize, Call::Calendar, Call::Picture, Call::Browser}) {
        SCOPED_TRACE(nameOf(call));
        EXPECT_EQ(make(call), (Outcome{true, ""}));
        closeWhatOpened();
    }
    // A second browser opening, or a second of the ad's own, needs a touch.
    EXPECT_EQ(make(Call::Browser), (Outcome{false, ""}));
    EXPECT_EQ(make(Call::Desktop), (Outcome{false, ""}));
    EXPECT_EQ(
        make(Call::Expand),
        (Outcome{false, "Expanding an ad is not allowed until the user interacts with the ad."}));
    // One touch, one of them, whichever asks first.
    touch(*banner->adView());
    EXPECT_EQ(make(Call::Expand), (Outcome{true, ""}));
    closeWhatOpened();
    EXPECT_EQ(make(Call::Browser), (Outcome{false, ""}));
    EXPECT_TRUE(desktop.opened().empty());
}

}  // namespace
}  // namespace ads
