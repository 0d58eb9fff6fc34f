// A slot on real WebKit against our loopback ad server: the SDK core page builds the ad URL,
// the ad is fetched and its HTML renders in the slot's ad view, the impression and a touched
// click are reported. Needs a display: scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>

#include <cstdlib>

#include "ads/foundation/GADAdSize.h"
#include "ads/foundation/GADRequest.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/tests/GADSlotTestPeer.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADSDKCoreController.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/testing/TempDir.h"
#include "platform/ui/Application.h"
#include "platform/ui/TouchInput.h"
#include "platform/ui/Window.h"

namespace ads {
namespace {

using tools::adserver::AdScenario;
using tools::adserver::PageAnswer;
using tools::adserver::RequestKind;
using State = GADSlotState;

// A banner-like owner: it puts the ad view into its window and records what it heard.
class Owner : public GADSlotDelegate, public GADSlotAdLoadDelegate {
  public:
    explicit Owner(std::shared_ptr<platform::ui::Window> window) : window_(std::move(window)) {}
    void slotDidReceiveAdView(GADSlot&, const std::shared_ptr<platform::ui::View>& view) override {
        if (view) window_->addSubview(view);
    }
    void slotDidReceiveAdClick(GADSlot&) override { ++clicks; }
    void slotFinishedLoadingAdContent(GADSlot&) override { ++finished; }
    void slotDidFailToLoadAdContentWithError(GADSlot&, const GADRequestError& error) override {
        failures.push_back(error.code);
    }
    int clicks = 0, finished = 0;
    std::vector<std::int64_t> failures;

  private:
    std::shared_ptr<platform::ui::Window> window_;
};

class GADSlotLoadWebKitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MOVU_SKIP_WITHOUT_DISPLAY();
        ASSERT_TRUE(ads.server().isRunning());
        auto& application = platform::ui::Application::shared();
        application.setDesktopOpener([](const std::vector<std::string>&) { return true; });
        openedBefore = application.openedURLs().size();
        // As the game's window: key, in an active application, where ads may open.
        window->makeKeyWindow();
        application.becomeActive();
    }
    void TearDown() override {
        if (slot) slot->cancelPendingAndFutureActions();
        slot.reset();
        platform::ui::Application::shared().setDesktopOpener({});
    }

    std::shared_ptr<GADSlot> makeSlot(const std::string& unit) {
        auto made = GADSlot::create({0, 0, 320, 50});
        made->setAdType(GADAdType::bannerAdTypeForSize(kGADAdSizeBanner), false);
        made->setAdUnitID(unit);
        made->setDelegates({.slot = owner, .adLoad = owner});
        GADSlotTestPeer(made).setStateObserver(
            [this](State, State to) { states.push_back(static_cast<int>(to)); });
        return made;
    }
    // Loads one request of the unit and waits for its outcome (state 6 or 7, or 1).
    void load(const std::string& unit) {
        slot = makeSlot(unit);
        slot->loadRequest(GADRequest::request());
        ASSERT_TRUE(ads.waitOnMainLoopUntil(
            [&] {
                return slot->state() == State::ValidAd || slot->state() == State::InvalidAd ||
                       slot->state() == State::SDKCoreFailed;
            },
            20));
    }
    std::pair<int, std::int64_t> outcome() const {
        return {static_cast<int>(slot->state()),
                owner->failures.empty() ? -1 : owner->failures.back()};
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdServerFixture ads;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<Owner> owner = std::make_shared<Owner>(window);
    std::shared_ptr<GADSlot> slot;
    std::vector<int> states;
    std::size_t openedBefore = 0;
};

TEST_F(GADSlotLoadWebKitTest, ABannerRendersMakesOneImpressionAndReportsATouchedClick) {
    ads.server().setScenario("ca-movu-banner", AdScenario::banner());
    load("ca-movu-banner");
    EXPECT_EQ(states, (std::vector<int>{2, 3, 0, 4, 5, 6}));
    EXPECT_EQ(owner->finished, 1);
    EXPECT_TRUE(owner->failures.empty());
    EXPECT_EQ(ads.log().count(RequestKind::AdRequest), 1u);
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::Impression, 1));
    EXPECT_EQ(slot->adView()->superview(), window);
    EXPECT_FALSE(slot->adView()->isHidden());

    // A real touch on the ad, 0.2 s after it loaded: the click URL, with the click signal,
    // opens outside the app, and the click is reported and pinged once.
    scope.advance(0.2);
    platform::ui::TouchInput input{window};
    input.touchDown(1, {160, 25});
    input.touchUp(1, {160, 25});
    ASSERT_TRUE(ads.waitOnMainLoopUntil(
        [&] { return platform::ui::Application::shared().openedURLs().size() > openedBefore; },
        20));
    const std::string opened = platform::ui::Application::shared().openedURLs().back();
    EXPECT_EQ(opened.rfind(ads.origin() + "/aclk/ticket/", 0), 0u) << opened;
    EXPECT_NE(opened.find("&ms="), std::string::npos) << opened;
    EXPECT_EQ(owner->clicks, 1);
    EXPECT_EQ(ads.log().count(RequestKind::Impression), 1u);
    EXPECT_EQ(ads.log().count(RequestKind::AdRequest), 1u);
}

TEST_F(GADSlotLoadWebKitTest, FailuresEndInTheirStateAndCode) {
    struct Case {
        const char* unit;
        AdScenario scenario;
        std::pair<int, std::int64_t> outcome;
    };
    const Case cases[] = {
        {"ca-invalid", AdScenario::answered(PageAnswer::Invalid), {7, 0}},
        {"ca-errors", AdScenario::answered(PageAnswer::Errors), {7, 0}},
        {"ca-400", AdScenario::httpStatus(400), {7, 0}},
        {"ca-404", AdScenario::httpStatus(404), {7, 3}},
        {"ca-500", AdScenario::httpStatus(500), {7, 3}},
        {"ca-refused", AdScenario::answered(PageAnswer::RefusedAdUrl), {7, 13}},
        {"ca-empty", AdScenario::emptyBody(), {7, 1}},
        {"ca-medjson", AdScenario::mediationWithoutJson(), {7, 3}},
        {"ca-mediation", AdScenario::mediation(), {7, 8}},
    };
    for (const auto& c : cases) ads.server().setScenario(c.unit, c.scenario);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.unit);
        owner->failures.clear();
        load(c.unit);
        EXPECT_EQ(outcome(), c.outcome);
        EXPECT_EQ(owner->failures.size(), 1u);
        EXPECT_EQ(owner->finished, 0);
        slot->cancelPendingAndFutureActions();
    }
}

TEST_F(GADSlotLoadWebKitTest, ACoreThatNeverAnswersTimesOut) {
    ads.server().setScenario("ca-silent", AdScenario::answered(PageAnswer::Silent));
    slot = makeSlot("ca-silent");
    slot->loadRequest(GADRequest::request());
    ASSERT_TRUE(ads.waitOnMainLoopUntil(
        [&] {
            for (const auto& call : ads.log().of(RequestKind::CoreCall)) {
                if (call.slotname == "ca-silent") return true;
            }
            return false;
        },
        20));
    EXPECT_EQ(slot->state(), State::RequestingAdURL);
    scope.advance(GADSDKCoreController::kRequestTimeout + 1);
    ASSERT_TRUE(ads.waitOnMainLoopUntil([&] { return slot->state() == State::InvalidAd; }, 20));
    EXPECT_EQ(outcome(), (std::pair<int, std::int64_t>{7, 5}));
}

TEST_F(GADSlotLoadWebKitTest, AnUnreachableCorePageFailsWithCodeTwo) {
    platform::testing::ScopedEnv refusing("MOVUROUTE_AD_SERVER", ads.server().refusedOrigin());
    load("ca-movu-banner");
    EXPECT_EQ(outcome(), (std::pair<int, std::int64_t>{1, 2}));
}

}  // namespace
}  // namespace ads
