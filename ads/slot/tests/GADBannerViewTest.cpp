#include "ads/slot/GADBannerView.h"

#include <gtest/gtest.h>

#include <thread>

#include "ads/foundation/GADAdType.h"
#include "ads/foundation/GADLog.h"
#include "ads/foundation/GADSettingsKeys.h"
#include "ads/foundation/GADSignalProbes.h"
#include "ads/slot/GADBannerViewSlot.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/web/GADAdView.h"
#include "platform/base/LogSink.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/storage/UserDefaults.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace ads {
namespace {

using platform::Rect;
using platform::Size;
using platform::Value;
using platform::ui::View;
using platform::ui::Window;

// Plays the banner's slot: keeps what the banner gives it and records what it is asked.
class ScriptedSlot : public GADBannerViewSlot {
  public:
    explicit ScriptedSlot(Rect bounds) : adView_(GADAdView::create(bounds)) {}

    void setBanner(std::weak_ptr<GADBannerView> banner) override { banner_ = std::move(banner); }
    void setReloadable(bool reloadable) override { reloadable_ = reloadable; }
    std::optional<std::string> adUnitID() const override { return adUnitID_; }
    void setAdUnitID(std::optional<std::string> adUnitID) override { adUnitID_ = adUnitID; }
    std::optional<GADAdType> adType() const override { return adType_; }
    void setAdTypeAndReloadRequest(const GADAdType& adType, bool reload) override {
        adType_ = adType;
        adTypeChanges.push_back(reload);
    }
    void loadRequest(const std::shared_ptr<GADRequest>& request) override {
        loads.push_back(request);
        // A slot asks its banner first and reports a refusal as a failure.
        if (auto banner = banner_.lock(); banner && !banner->slotShouldLoadRequest()) {
            banner->slotDidFailToLoadAdContentWithError(
                platform::Error::make("com.zivivu.ads", 0, "refused"));
        }
    }
    std::shared_ptr<GADAdView> adView() const override { return adView_; }
    bool hasAutoRefreshed() const override { return false; }
    bool isMediating() const override { return mediating; }
    std::optional<std::string> adNetworkClassName() const override { return std::nullopt; }
    void bannerDidMoveToWindow(Window* window) override { windows.push_back(window); }
    void scheduleAdReloadTimer() override { ++reloadTimers; }
    void endActiveViewReporting() override { ++ended; }
    void cancelPendingAndFutureActions() override { ++ended; }

    std::weak_ptr<GADBannerView> banner_;
    bool reloadable_ = false;
    bool mediating = false;
    std::optional<std::string> adUnitID_;
    std::optional<GADAdType> adType_;
    std::vector<bool> adTypeChanges;
    std::vector<std::shared_ptr<GADRequest>> loads;
    std::vector<Window*> windows;
    int reloadTimers = 0;
    int ended = 0;
    std::shared_ptr<GADAdView> adView_;
};

class RecordingDelegate : public GADBannerViewDelegate {
  public:
    void adViewDidReceiveAd(GADBannerView&) override { record("received"); }
    void adViewDidFailToReceiveAdWithError(GADBannerView&, const platform::Error& error) override {
        record("failed " + std::to_string(error.code));
    }
    void adViewWillPresentScreen(GADBannerView&) override { record("present"); }
    void adViewWillLeaveApplication(GADBannerView&) override { record("leave"); }

    void record(std::string call) {
        calls.push_back(std::move(call));
        threads.push_back(std::this_thread::get_id());
    }
    std::vector<std::string> calls;
    std::vector<std::thread::id> threads;
};

class GADBannerViewTest : public ::testing::Test {
  protected:
    GADBannerViewTest() {
        GADBannerViewSlot::setMaker([this](Rect bounds) {
            auto slot = std::make_shared<ScriptedSlot>(bounds);
            slots.push_back(slot);
            return slot;
        });
    }
    // The program's own slot again for whatever runs next.
    ~GADBannerViewTest() override { GADBannerViewSlot::setMaker(nullptr); }

    ScriptedSlot& slotOf(const GADBannerView& banner) {
        return static_cast<ScriptedSlot&>(*banner.slot());
    }

    testing::AdsTestScope scope;
    testing::AdViewTestScope adViews;
    std::vector<std::shared_ptr<ScriptedSlot>> slots;
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
    std::shared_ptr<Window> window = Window::create(Rect(0, 0, 320, 480));
};

TEST_F(GADBannerViewTest, CreationSetsUpTheSlotAndItsAdView) {
    auto banner = GADBannerView::create(kGADAdSizeBanner, {10, 20});
    ASSERT_NE(banner, nullptr);
    auto& slot = slotOf(*banner);
    EXPECT_EQ(banner->frame(), Rect(10, 20, 320, 50));
    EXPECT_TRUE(slot.reloadable_);
    EXPECT_EQ(slot.banner_.lock(), banner);
    EXPECT_EQ(banner->rootAdView(), slot.adView_);
    EXPECT_EQ(slot.adView_->superview(), banner);
    EXPECT_TRUE(banner->clipsToBounds());
    EXPECT_EQ(banner->backgroundColor(), platform::Color::clear());
    EXPECT_TRUE(GADAdSizeEqualToSize(banner->adSize(), kGADAdSizeBanner));
    EXPECT_EQ(slot.adTypeChanges, std::vector<bool>{false});
    EXPECT_EQ(banner->intrinsicContentSize(), Size(320, 50));
    banner->setAdUnitID("unit");
    EXPECT_EQ(slot.adUnitID_, "unit");

    // A frame's size is read as an ad size; no size at all is a custom 0 x 0 banner.
    auto framed = GADBannerView::createWithFrame(Rect(0, 0, 300, 250));
    EXPECT_TRUE(GADAdSizeEqualToSize(framed->adSize(), kGADAdSizeMediumRectangle));
    auto empty = GADBannerView::create();
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->adSize().flags, kGADAdSizeFlagCustom);
    EXPECT_EQ(empty->frame().size, Size(0, 0));

    auto fluid = GADBannerView::create(kGADAdSizeFluid);
    EXPECT_EQ(fluid->intrinsicContentSize().width, GADBannerView::kNoIntrinsicMetric);

    // Known by name: interface files make custom 0 x 0 banners.
    auto byName = platform::ClassRegistry::shared().create<View>("GADBannerView");
    ASSERT_NE(std::dynamic_pointer_cast<GADBannerView>(byName), nullptr);
    EXPECT_EQ(byName->frame().size, Size(0, 0));
}

TEST_F(GADBannerViewTest, SizesNoPlacementCanShowMakeNoBanner) {
    platform::LogSink::Capture capture;
    EXPECT_EQ(GADBannerView::create(GADAdSizeFromCGSize({5000, 50})), nullptr);
    EXPECT_EQ(GADBannerView::create(GADAdSize{{0, 0}, kGADAdSizeFlagLandscape}), nullptr);
    EXPECT_TRUE(slots.empty());

    auto banner = GADBannerView::create(kGADAdSizeBanner);
    banner->setAdSize(GADAdSizeFromCGSize({5000, 50}));
    GADLogFlush();
    EXPECT_TRUE(
        capture.contains("Unable to set adSize property. Not enough space to show ad "
                         "with custom size"));
    EXPECT_TRUE(GADAdSizeEqualToSize(banner->adSize(), kGADAdSizeBanner));
    EXPECT_EQ(banner->frame().size, Size(320, 50));

    // A maker that cannot make a slot makes no banner, and nothing breaks.
    GADBannerViewSlot::setMaker([](Rect) { return nullptr; });
    EXPECT_EQ(GADBannerView::create(kGADAdSizeBanner), nullptr);
    GADLogFlush();
    EXPECT_TRUE(capture.contains("Unable to make an ad slot for GADBannerView."));
}

TEST_F(GADBannerViewTest, SizeChangesReloadOnlyWhenTheWholePointSizeChanges) {
    auto banner = GADBannerView::create(kGADAdSizeBanner);
    auto& slot = slotOf(*banner);

    banner->setAdSize(kGADAdSizeBanner);
    EXPECT_EQ(slot.adTypeChanges.size(), 1u);

    const GADAdSize custom = GADAdSizeFromCGSize({320.4, 50.3});
    banner->setAdSize(custom);
    EXPECT_EQ(slot.adTypeChanges.back(), false);
    EXPECT_TRUE(GADAdSizeEqualToSize(banner->adSize(), custom));
    EXPECT_EQ(banner->frame().size, Size(320.4, 50.3));

    banner->setAdSize(kGADAdSizeMediumRectangle);
    EXPECT_EQ(slot.adTypeChanges.back(), true);
    EXPECT_EQ(banner->frame().size, Size(300, 250));
    EXPECT_EQ(slot.adTypeChanges.size(), 3u);

    // Zero sizes are filled in by the device or the ad: only their kind tells them apart.
    EXPECT_TRUE(GADBannerShouldReloadForAdSizeChange(kGADAdSizeSmartBannerPortrait,
                                                     kGADAdSizeSmartBannerLandscape));
    EXPECT_FALSE(GADBannerShouldReloadForAdSizeChange(kGADAdSizeSmartBannerPortrait,
                                                      kGADAdSizeSmartBannerPortrait));
    EXPECT_TRUE(
        GADBannerShouldReloadForAdSizeChange(kGADAdSizeBanner, GADAdSizeFluidFromCGSize({320, 0})));
    EXPECT_FALSE(GADBannerShouldReloadForAdSizeChange(kGADAdSizeBanner,
                                                      GADAdSizeFluidFromCGSize({300, 100})));
    EXPECT_FALSE(
        GADBannerShouldReloadForAdSizeChange(GADAdSizeFromCGSize({320.9, 50.9}), kGADAdSizeBanner));
}

TEST_F(GADBannerViewTest, FrameBoundsAndAutoresizingPassTheSizeRule) {
    auto banner = GADBannerView::create(kGADAdSizeSmartBannerPortrait);
    auto& slot = slotOf(*banner);
    const Size points = CGSizeFromGADAdSize(kGADAdSizeSmartBannerPortrait);
    EXPECT_EQ(banner->frame().size, points);

    // A frame of the size the ad already has, or a move, leaves the smart size alone.
    banner->setFrame(Rect(0, 100, points.width, points.height));
    EXPECT_EQ(banner->frame().origin.y, 100);
    EXPECT_TRUE(GADAdSizeEqualToSize(banner->adSize(), kGADAdSizeSmartBannerPortrait));
    EXPECT_EQ(slot.adTypeChanges.size(), 1u);

    // Bounds always recompute it: the same points now read as a plain size.
    banner->setBounds(Rect(0, 0, points.width, points.height));
    EXPECT_EQ(banner->adSize().flags & kGADAdSizeFlagFullWidth, 0u);
    EXPECT_EQ(banner->adSize().size, points);
    EXPECT_EQ(slot.adTypeChanges.size(), 2u);

    banner->setFrame(Rect(0, 0, 300, 250));
    EXPECT_TRUE(GADAdSizeEqualToSize(banner->adSize(), kGADAdSizeMediumRectangle));
    EXPECT_EQ(slot.adTypeChanges.back(), true);

    // A layout that stretches the banner goes through the same rule.
    auto container = View::create(Rect(0, 0, 300, 250));
    container->addSubview(banner);
    banner->setAutoresizingMask(platform::ui::AutoresizingFlexibleWidth);
    container->setFrame(Rect(0, 0, 320, 250));
    EXPECT_EQ(banner->adSize().size, Size(320, 250));
    EXPECT_EQ(banner->adSize().flags, kGADAdSizeFlagCustom);

    // A fluid banner keeps its height when its width changes, and takes its ad's height.
    auto fluid = GADBannerView::create(kGADAdSizeFluid);
    fluid->setFrame(Rect(0, 0, 300, 0));
    EXPECT_TRUE(GADAdSizeIsFluid(fluid->adSize()));
    EXPECT_EQ(fluid->adSize().size.width, 300);
    fluid->slotContentSizeDidChange({300, 120});
    EXPECT_EQ(fluid->adSize().size, Size(300, 120));
    banner->slotContentSizeDidChange({10, 10});
    EXPECT_EQ(banner->adSize().size, Size(320, 250));
}

TEST_F(GADBannerViewTest, AlphaIsAllOrNothing) {
    auto banner = GADBannerView::create(kGADAdSizeBanner);
    banner->setAlpha(0.3);
    EXPECT_EQ(banner->alpha(), 1.0);
    banner->setAlpha(0);
    EXPECT_EQ(banner->alpha(), 0.0);
}

TEST_F(GADBannerViewTest, AutoloadLoadsOnceWithAnEmptyRequest) {
    auto banner = GADBannerView::create(kGADAdSizeBanner);
    banner->setRootViewController(platform::ui::ViewController::create());
    banner->setAutoloadEnabled(true);
    banner->setAutoloadEnabled(true);
    EXPECT_TRUE(slotOf(*banner).loads.empty());
    scope.runUntilIdle();
    ASSERT_EQ(slotOf(*banner).loads.size(), 1u);
    EXPECT_EQ(slotOf(*banner).loads[0], nullptr);

    // Gone before its turn: nothing loads.
    auto other = GADBannerView::create(kGADAdSizeBanner);
    auto& otherSlot = *slots.back();
    other->setAutoloadEnabled(true);
    other.reset();
    scope.runUntilIdle();
    EXPECT_TRUE(otherSlot.loads.empty());
}

TEST_F(GADBannerViewTest, WithoutRootViewControllerEveryLoadFailsAndRetries) {
    auto banner = GADBannerView::create(kGADAdSizeBanner);
    banner->setDelegate(delegate);
    platform::LogSink::Capture capture;
    banner->loadRequest(nullptr);
    scope.runUntilIdle();
    GADLogFlush();
    EXPECT_TRUE(capture.contains(
        "Must set the rootViewController property of GADBannerView before loading the ad."));
    EXPECT_EQ(delegate->calls, std::vector<std::string>{"failed 0"});
    EXPECT_EQ(slotOf(*banner).reloadTimers, 1);
    banner->loadRequest(nullptr);
    scope.runUntilIdle();
    EXPECT_EQ(slotOf(*banner).reloadTimers, 2);

    auto controller = platform::ui::ViewController::create();
    banner->setRootViewController(controller);
    EXPECT_EQ(banner->adView()->viewController(), controller);
    EXPECT_TRUE(banner->slotShouldLoadRequest());
    EXPECT_EQ(delegate->calls.size(), 2u);
}

TEST_F(GADBannerViewTest, SlotEventsReachTheDelegateOnTheMainThread) {
    auto banner = GADBannerView::create(kGADAdSizeBanner);
    banner->setDelegate(delegate);
    std::thread([&] {
        banner->slotFinishedLoadingAdContent();
        banner->slotWillPresentScreen();
    }).join();
    EXPECT_TRUE(delegate->calls.empty());
    scope.runUntilIdle();
    banner->slotWillLeaveApplication();
    // Calls the delegate leaves out reach nobody.
    banner->slotDidDismissScreen();
    scope.runUntilIdle();
    EXPECT_EQ(delegate->calls, (std::vector<std::string>{"received", "present", "leave"}));
    for (auto id : delegate->threads) EXPECT_EQ(id, std::this_thread::get_id());
}

TEST_F(GADBannerViewTest, ABannerLetGoEndsItsSlotAndTellsNobody) {
    auto banner = GADBannerView::create(kGADAdSizeBanner);
    banner->setDelegate(delegate);
    auto slot = slots.back();
    std::thread([&] { banner->slotFinishedLoadingAdContent(); }).join();
    banner.reset();
    EXPECT_EQ(slot->ended, 2);
    scope.runUntilIdle();
    EXPECT_TRUE(delegate->calls.empty());
    EXPECT_EQ(slot->reloadTimers, 0);

    // A delegate that lets the banner go when told of a failure: the retry is scheduled before
    // the banner goes, and its end then stops it.
    struct LettingGo : GADBannerViewDelegate {
        void adViewDidFailToReceiveAdWithError(GADBannerView&, const platform::Error&) override {
            held.reset();
        }
        std::shared_ptr<GADBannerView> held;
    };
    auto lettingGo = std::make_shared<LettingGo>();
    lettingGo->held = GADBannerView::create(kGADAdSizeBanner);
    lettingGo->held->setDelegate(lettingGo);
    auto failing = slots.back();
    lettingGo->held->slotDidFailToLoadAdContentWithError(platform::Error::make("x", 2, "failed"));
    scope.runUntilIdle();
    EXPECT_EQ(lettingGo->held, nullptr);
    EXPECT_EQ(failing->reloadTimers, 1);
    EXPECT_EQ(failing->ended, 2);
}

TEST_F(GADBannerViewTest, TimedReloadsOnlyWhileTheAdShowsInAWindow) {
    auto banner = GADBannerView::create(kGADAdSizeBanner);
    auto& slot = slotOf(*banner);
    // Until the first ad the banner always wants one.
    EXPECT_TRUE(banner->slotShouldReloadCurrentRequest());
    // A banner's ad view stays hidden until its ad has loaded.
    EXPECT_TRUE(slot.adView_->isHidden());
    slot.adView_->setHidden(false);
    banner->slotFinishedLoadingAdContent();
    scope.runUntilIdle();
    EXPECT_FALSE(banner->slotShouldReloadCurrentRequest());

    auto container = View::create(Rect(0, 0, 320, 480));
    window->addSubview(container);
    container->addSubview(banner);
    EXPECT_EQ(slot.windows, std::vector<Window*>{window.get()});
    EXPECT_TRUE(banner->slotShouldReloadCurrentRequest());
    container->setHidden(true);
    EXPECT_FALSE(banner->slotShouldReloadCurrentRequest());
    container->setHidden(false);
    window->setHidden(true);
    EXPECT_FALSE(banner->slotShouldReloadCurrentRequest());
    window->setHidden(false);

    banner->removeFromSuperview();
    EXPECT_EQ(slot.windows.back(), nullptr);
    EXPECT_FALSE(banner->slotShouldReloadCurrentRequest());
    EXPECT_FALSE(GADViewIsVisibleInWindow(nullptr));
}

TEST_F(GADBannerViewTest, ShownAdViewAndMediatedBanners) {
    auto banner = GADBannerView::create(kGADAdSizeBanner);
    auto& slot = slotOf(*banner);
    EXPECT_EQ(banner->mediatedAdView(), nullptr);

    auto mediated = GADBannerView::create(kGADAdSizeBanner);
    banner->slotDidReceiveAdView(mediated);
    slot.mediating = true;
    EXPECT_EQ(slot.adView_->superview(), nullptr);
    EXPECT_EQ(mediated->superview(), banner);
    EXPECT_EQ(banner->mediatedAdView(), mediated);
    auto controller = platform::ui::ViewController::create();
    banner->setRootViewController(controller);
    EXPECT_EQ(mediated->rootViewController(), controller);

    banner->slotDidReceiveAdView(nullptr);
    EXPECT_EQ(mediated->superview(), nullptr);
    EXPECT_TRUE(banner->subviews().empty());
    EXPECT_EQ(banner->mediatedAdView(), nullptr);
}

TEST_F(GADBannerViewTest, WhereTheBannerSits) {
    auto banner = GADBannerView::create(kGADAdSizeBanner);
    EXPECT_EQ(banner->frameInInterface(), Rect::zero());
    EXPECT_EQ(&banner->swipeToViewControllerView(), banner.get());
    EXPECT_TRUE(banner->slotShouldProcessAdResponse());

    auto container = View::create(Rect(0, 400, 320, 80));
    window->addSubview(container);
    banner->setFrame(Rect(0, 30, 320, 50));
    container->addSubview(banner);
    EXPECT_EQ(banner->frameInInterface(), Rect(0, 430, 320, 50));
    const auto position = banner->coordinatesOfContentInScreen();
    ASSERT_TRUE(position);
    EXPECT_EQ(position->get("y"), Value(430.0));

    // The request signal finds the banner by its class name, and what covers it.
    window->makeKeyAndVisible();
    EXPECT_EQ(GADVisibleRectOfViewsOfClassNamed(GADBannerView::kClassName), Rect::zero());
    auto cover = View::create(Rect(0, 0, 320, 440));
    window->addSubview(cover);
    EXPECT_EQ(GADVisibleRectOfViewsOfClassNamed(GADBannerView::kClassName), Rect(0, 430, 320, 10));
}

TEST_F(GADBannerViewTest, AdKeyRecordsTheAncestorsForEveryLoad) {
    auto banner = GADBannerView::create(kGADAdSizeBanner);
    EXPECT_FALSE(banner->viewHierarchyInformation());
    auto parent = std::static_pointer_cast<View>(window);
    for (int i = 0; i < 24; ++i) {
        auto child = View::create();
        parent->addSubview(child);
        parent = child;
    }
    parent->addSubview(banner);
    banner->cacheViewHierarchyInformation();
    std::optional<Value> record;
    std::thread([&] { record = banner->viewHierarchyInformation(); }).join();
    ASSERT_TRUE(record);
    EXPECT_EQ(record->get("creator_class"), Value("GADBannerView"));
    EXPECT_EQ(record->get("parents").asArray().size(), 20u);

    platform::UserDefaults::standard().setObject(settings_keys::kAdKeyParentViewCount, Value(0));
    banner->cacheViewHierarchyInformation();
    std::thread([&] { record = banner->viewHierarchyInformation(); }).join();
    EXPECT_TRUE(record->get("parents").asArray().empty());
    platform::UserDefaults::standard().removeObjectForKey(settings_keys::kAdKeyParentViewCount);
}

}  // namespace
}  // namespace ads
