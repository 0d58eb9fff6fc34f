// The native ad views' policy on the manual clock with a scripted page: where the badge goes,
// which view a tap clicks and what the click tells the page, and when the impression counts.

#include "ads/native/GADNativeAdViewPolicy.h"

#include <gtest/gtest.h>

#include "ads/native/GADNativeAdAttribution.h"
#include "ads/native/GADNativeAdAttributionView.h"
#include "ads/native/GADOverlayView.h"
#include "ads/native/tests/NativeViewTestAd.h"
#include "ads/slot/GADPushTransitionView.h"
#include "ads/slot/GADSlot.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/DesktopRecorder.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "platform/base/PercentEncoding.h"
#include "platform/storage/Json.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"
#include "platform/ui/Application.h"
#include "platform/ui/Label.h"
#include "platform/ui/TouchInput.h"
#include "platform/ui/Window.h"
#include "platform/web/FakeWebPage.h"

namespace ads {
namespace {

using platform::Rect;
using platform::Value;
using platform::ui::View;
using testing::NativeViewTestAd;

class GADNativeAdViewPolicyTest : public ::testing::Test {
  protected:
    GADNativeAdViewPolicyTest() {
        testing::servePicture(server, "/icon16.png", 16, 16);
        testing::servePicture(server, "/icon20x12.png", 20, 12);
        ad->page = slotPage(*ad);
    }

    std::shared_ptr<platform::web::FakeWebPage> slotPage(GADNativeAd& nativeAd) {
        nativeAd.setSlot(GADSlot::create());
        return views.web().pages().back();
    }

    // An attribution with its icons loaded.
    std::shared_ptr<GADNativeAdAttribution> attribution(const std::string& text,
                                                        std::vector<std::string> iconPaths) {
        Value::Array icons;
        for (const auto& path : iconPaths)
            icons.push_back(Value::dictionary({{"url", Value(server.url(path))}}));
        Value::Dictionary object{{"text", Value(text)}};
        if (!icons.empty()) object["images"] = Value(std::move(icons));
        return testing::loadedAttribution(std::move(object));
    }

    // A container in a window, with the ad set and a headline, a body and an image registered.
    void showAd() {
        window->addSubview(container);
        for (auto& [view, name] : {std::pair{headline, "1001"}, {body, "1002"}, {image, "1005"}}) {
            container->addSubview(view);
            policy->replaceAssetWithName(name, view, fields[name]);
        }
        policy->setNativeAd(ad);
        policy->setDelegate(ad);
    }

    testing::AdsTestScope scope;
    testing::SDKCoreTestScope core;
    testing::AdViewTestScope views;
    platform::testing::TestHttpServer server;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<View> container = View::create({0, 0, 300, 250});
    std::shared_ptr<GADNativeAdViewPolicy> policy =
        GADNativeAdViewPolicy::create(container, "1007", "1008");
    std::shared_ptr<NativeViewTestAd> ad =
        std::make_shared<NativeViewTestAd>(Value::dictionary({{"type", Value("native")}}));
    std::shared_ptr<View> headline = platform::ui::Label::create({10, 10, 200, 30}, "Headline");
    std::shared_ptr<View> body = View::create({10, 50, 280, 100});
    std::shared_ptr<View> image = View::create({0, 0, 300, 250});
    std::map<std::string, std::weak_ptr<View>> fields;
};

TEST_F(GADNativeAdViewPolicyTest, TheBadgeSitsTopRightOverThePublishersViewsOnlyWhileItShows) {
    EXPECT_FALSE(GADNativeAdViewPolicy::create(nullptr, "1007", "1008"));
    EXPECT_FALSE(GADNativeAdViewPolicy::create(container, "", "1008"));
    EXPECT_FALSE(GADNativeAdViewPolicy::create(container, "1007", ""));

    // Made hidden, in the container, which takes touches through two recognizers.
    const auto& badge = policy->attributionView();
    EXPECT_EQ(badge->superview(), container);
    EXPECT_TRUE(badge->isHidden());
    EXPECT_TRUE(container->isUserInteractionEnabled());
    EXPECT_EQ(container->gestureRecognizers().size(), 2u);

    ad->badge = attribution("Ad", {"/icon16.png", "/icon20x12.png"});
    showAd();
    EXPECT_FALSE(badge->isHidden());
    EXPECT_EQ(container->subviews().back(), badge);
    const Rect frame = badge->frame();
    EXPECT_EQ(frame.maxX(), 300);
    EXPECT_EQ(frame.minY(), 0);
    EXPECT_GT(frame.width(), 20);
    EXPECT_EQ(frame.height(), 16);  // the tallest icon is taller than the 12-point text

    // A publisher view added later goes under the badge at the next layout pass; a wider
    // container keeps the badge in its corner.
    container->addSubview(View::create({0, 0, 10, 10}));
    container->setFrame({0, 0, 320, 250});
    policy->adViewDidLayoutSubviews();
    EXPECT_EQ(container->subviews().back(), badge);
    EXPECT_EQ(badge->frame().maxX(), 320);

    // An attribution without icons or text keeps the badge hidden, and so does an ad without.
    auto plain = std::make_shared<NativeViewTestAd>(Value::dictionary());
    plain->badge = attribution("", {});
    policy->setNativeAd(plain);
    EXPECT_TRUE(badge->isHidden());
    policy->setNativeAd(std::make_shared<NativeViewTestAd>(Value::dictionary()));
    EXPECT_TRUE(badge->isHidden());
}

TEST_F(GADNativeAdViewPolicyTest, ATapClicksTheFirstVisibleRegisteredViewUnderIt) {
    ad->badge = attribution("Ad", {"/icon16.png"});
    showAd();
    platform::ui::TouchInput input(window);
    auto tap = [&](platform::Point p) {
        input.touchDown(1, p);
        input.touchUp(1, p);
    };
    // Through the window: the headline lies over the image and was registered first.
    tap({20, 20});
    tap({150, 200});
    EXPECT_EQ(ad->clickedAssets(), (std::vector<std::string>{"1001", "1005"}));

    // The badge: its icon, then anywhere else on it.
    const Rect badge = policy->attributionView()->frame();
    policy->handleTapAtPoint({badge.maxX() - 2, badge.midY()});
    policy->handleTapAtPoint({badge.minX() + 1, badge.midY()});
    EXPECT_EQ(ad->clickedAssets().back(), "1008");
    EXPECT_EQ(ad->clickedAssets().at(2), "1007");

    // A hidden view is passed over; when nothing else is hit, nothing is clicked.
    headline->setHidden(true);
    policy->handleTapAtPoint({20, 20});
    EXPECT_EQ(ad->clickedAssets().back(), "1005");
    image->setHidden(true);
    const auto before = ad->clicks().size();
    policy->handleTapAtPoint({20, 20});
    EXPECT_EQ(ad->clicks().size(), before);
    policy->handleTapAtPoint({400, 400});
    EXPECT_EQ(ad->clicks().size(), before);
}

TEST_F(GADNativeAdViewPolicyTest, OneTapOfTheAdIsOneOpeningHoweverOftenItsPageAsks) {
    testing::DesktopRecorder desktop;
    window->makeKeyWindow();
    platform::ui::Application::shared().becomeActive();
    server.text("/marker", "ok");
    showAd();
    // The page the click runs in asks to open, 20 times, and every asking has been handled
    // once a ping it sends last has arrived.
    int marks = 0;
    auto pageAsks = [&] {
        for (int i = 0; i < 20; ++i) {
            ad->page->fireNavigation(
                "gmsg://movuroute/open?u=https%3A%2F%2Fland.test%2F" + std::to_string(i),
                platform::web::NavigationType::Other);
        }
        const auto mark = server.url("/marker") + "?n=" + std::to_string(++marks);
        ad->page->fireNavigation(
            "gmsg://movuroute/click?u=" + platform::percentEncodeComponent(mark),
            platform::web::NavigationType::Other);
        ASSERT_TRUE(platform::testing::runMainLoopUntil(
            [&] { return server.requestCount("/marker") == static_cast<std::size_t>(marks); }));
        scope.runUntilIdle();
    };
    // Nobody tapped: the page's asking opens nothing.
    pageAsks();
    EXPECT_TRUE(desktop.opened().empty());
    // A tap of the ad's view where it shows: one opening.
    platform::ui::TouchInput input(window);
    input.touchDown(1, {20, 20});
    input.touchUp(1, {20, 20});
    pageAsks();
    EXPECT_EQ(desktop.opened(), (std::vector<std::string>{"https://land.test/0"}));
    // The app's report of a tap on its own drawing of the ad (a custom template's click), a
    // view we cannot see: one opening more.
    ad->performClickOnView(nullptr, "1001", std::nullopt);
    pageAsks();
    EXPECT_EQ(desktop.opened().size(), 2u);
}

TEST_F(GADNativeAdViewPolicyTest, TheAssetMapKeepsItsOrderForgetsReplacedAndDeadViews) {
    showAd();
    // The same view again changes nothing: the headline stays first.
    policy->replaceAssetWithName("1001", headline, fields["1001"]);
    auto names = [&] {
        std::vector<std::string> out;
        for (const auto& [view, name] : policy->assetViews()) out.push_back(name);
        return out;
    };
    EXPECT_EQ(names(), (std::vector<std::string>{"1001", "1002", "1005"}));

    // Replacing the headline forgets the old one, whose place is no longer clicked.
    auto other = View::create({200, 200, 50, 20});
    container->addSubview(other);
    policy->replaceAssetWithName("1001", other, fields["1001"]);
    EXPECT_EQ(fields["1001"].lock(), other);
    EXPECT_EQ(names(), (std::vector<std::string>{"1002", "1005", "1001"}));
    image->setHidden(true);
    policy->handleTapAtPoint({20, 20});
    EXPECT_TRUE(ad->clicks().empty());

    // A view that dies is skipped and forgotten: no click, no rectangle.
    body->removeFromSuperview();
    body.reset();
    policy->handleTapAtPoint({20, 60});
    EXPECT_TRUE(ad->clicks().empty());
    const auto environment = policy->tapHandlingEnvironmentWithTapLocation({0, 0});
    EXPECT_FALSE(environment.at("view_rectangles").find("1002"));
    EXPECT_EQ(names(), (std::vector<std::string>{"1005", "1001"}));

    // Nothing or no name registers nothing, and clears the field.
    policy->replaceAssetWithName("1001", nullptr, fields["1001"]);
    policy->replaceAssetWithName("", headline, fields["1003"]);
    EXPECT_EQ(names(), (std::vector<std::string>{"1005"}));
}

TEST_F(GADNativeAdViewPolicyTest, TheClickEnvironmentUnderAScrolledSuperview) {
    // A list scrolled by 100 points, 50 points down the window; the container 300 points down
    // the list, so on screen at 250; the headline inside a group 20 points down the container.
    auto list = View::create({0, 50, 320, 400});
    list->setBounds({0, 100, 320, 400});
    window->addSubview(list);
    container->setFrame({10, 300, 300, 150});
    list->addSubview(container);
    auto group = View::create({0, 20, 300, 60});
    container->addSubview(group);
    headline->setFrame({5, 5, 200, 20});
    group->addSubview(headline);
    policy->replaceAssetWithName("1001", headline, fields["1001"]);
    // A badge of one 16-point icon and no text: 16 points square in the corner.
    ad->badge = attribution("", {"/icon16.png"});
    policy->setNativeAd(ad);

    policy->handleTapAtPoint({15, 30});
    ASSERT_EQ(ad->clicks().size(), 1u);
    Value::Dictionary message = ad->clicks().front().asDictionary();
    message.erase("ad");
    EXPECT_EQ(platform::Json::write(Value(message), platform::Json::kWritingCompact).value_or(""),
              "{\"click\":{\"asset\":\"1001\",\"sdk_version\":\"7.5.2\",\"template\":\"1\"},"
              "\"click_point\":{\"x\":15.0,\"y\":30.0},"
              "\"native_view_rectangle\":{\"height\":150.0,\"width\":300.0,\"x\":10.0,\"y\":250.0},"
              "\"view_rectangles\":{"
              "\"1001\":{\"height\":20.0,\"width\":200.0,\"x\":5.0,\"y\":25.0},"
              "\"1007\":{\"height\":16.0,\"width\":16.0,\"x\":284.0,\"y\":0.0},"
              "\"1008\":{\"height\":0.0,\"width\":0.0,\"x\":284.0,\"y\":8.0}}}");
}

TEST_F(GADNativeAdViewPolicyTest, AVisibleContainerRecordsAtOnceAndTellsTheAdOnce) {
    platform::ui::Application::shared().becomeActive();
    showAd();
    // No layout yet, no impression: it is the container's layout passes and moves that check.
    EXPECT_FALSE(ad->hasRecordedImpression());
    policy->adViewDidLayoutSubviews();
    EXPECT_TRUE(ad->hasRecordedImpression());
    EXPECT_FALSE(policy->impressionMonitor());
    policy->adViewDidLayoutSubviews();
    policy->adViewDidMoveToSuperview();
    ASSERT_EQ(ad->tracked.size(), 1u);
    EXPECT_EQ(ad->tracked.front(), container);

    // A new ad is tracked anew.
    auto next = std::make_shared<NativeViewTestAd>(Value::dictionary());
    policy->setNativeAd(next);
    policy->setDelegate(next);
    policy->adViewDidLayoutSubviews();
    EXPECT_TRUE(next->hasRecordedImpression());
    EXPECT_EQ(next->tracked.size(), 1u);
}

TEST_F(GADNativeAdViewPolicyTest, AnOffScreenContainerWaitsForOneMonitorToSeeIt) {
    // Laid out out of any window: one monitor however many passes, the ad told once.
    policy->setNativeAd(ad);
    policy->setDelegate(ad);
    policy->adViewDidLayoutSubviews();
    const auto monitor = policy->impressionMonitor();
    ASSERT_TRUE(monitor);
    EXPECT_TRUE(monitor->isMonitoring());
    for (int i = 0; i < 5; ++i) policy->adViewDidLayoutSubviews();
    EXPECT_EQ(policy->impressionMonitor(), monitor);
    EXPECT_EQ(ad->tracked.size(), 1u);

    // Samples that find it invisible change nothing.
    scope.advance(1.0);
    EXPECT_FALSE(ad->hasRecordedImpression());

    // Shown in an active application without a layout pass: the next sample records it and
    // the monitor stops.
    platform::ui::Application::shared().becomeActive();
    window->addSubview(container);
    container->setNeedsLayout();
    scope.advance(0.5);
    EXPECT_TRUE(ad->hasRecordedImpression());
    EXPECT_FALSE(policy->impressionMonitor());
    EXPECT_FALSE(monitor->isMonitoring());
}

TEST_F(GADNativeAdViewPolicyTest, TheSameAdTwiceRebuildsNothing) {
    ad->badge = attribution("Ad", {});
    showAd();
    ad->badge = attribution("Sponsored", {});
    policy->setNativeAd(ad);
    EXPECT_EQ(policy->attributionView()->attribution()->text(), "Ad");
    EXPECT_EQ(policy->attributionView()->textView()->text(), "Ad");
}

}  // namespace
}  // namespace ads

namespace ads {
namespace {

TEST_F(GADNativeAdViewPolicyTest, TheOverlayCoversTheContainerOnTopAndGoesWithItsAd) {
    ad->overlay = GADOverlayView::create();
    ad->badge = attribution("Ad", {});
    showAd();
    auto overlay = policy->overlayView();
    ASSERT_EQ(overlay, ad->overlay);
    EXPECT_EQ(overlay->superview(), container);
    EXPECT_EQ(overlay->frame(), container->bounds());
    // Topmost, the badge next, also after a later publisher view and a layout pass.
    container->addSubview(View::create());
    policy->adViewDidLayoutSubviews();
    const auto& subviews = container->subviews();
    EXPECT_EQ(subviews.back(), overlay);
    EXPECT_EQ(subviews[subviews.size() - 2], policy->attributionView());
    // It follows the container's size.
    container->setFrame({0, 0, 320, 100});
    EXPECT_EQ(overlay->frame(), container->bounds());

    // An ad of its own overlay replaces it; an ad without one (a mediated ad) takes the
    // installed one away and puts nothing in its place.
    auto next = std::make_shared<NativeViewTestAd>(Value::dictionary());
    next->overlay = GADOverlayView::create();
    policy->setNativeAd(next);
    EXPECT_FALSE(overlay->superview());
    EXPECT_EQ(next->overlay->superview(), container);
    auto mediated = std::make_shared<NativeViewTestAd>(Value());
    policy->setNativeAd(mediated);
    policy->setDelegate(mediated);
    EXPECT_FALSE(next->overlay->superview());
    EXPECT_FALSE(policy->overlayView());
    EXPECT_TRUE(policy->attributionView()->isHidden());
    EXPECT_EQ(container->subviews().back(), policy->attributionView());

    // The mediated ad is tracked once however many passes come; a tap still reaches it (its
    // click runs no script: it has no ad object).
    platform::ui::Application::shared().becomeActive();
    for (int i = 0; i < 3; ++i) policy->adViewDidLayoutSubviews();
    EXPECT_TRUE(mediated->hasRecordedImpression());
    EXPECT_EQ(mediated->tracked.size(), 1u);
}

}  // namespace
}  // namespace ads
