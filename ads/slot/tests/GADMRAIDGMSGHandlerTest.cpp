#include "ads/slot/GADMRAIDGMSGHandler.h"
#include "ads/slot/tests/GADSlotTestPeer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADRequest.h"
#include "ads/fullscreen/GADAdAppViewController.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/fullscreen/GADOpenerGMSGHandler.h"
#include "ads/fullscreen/GADViewController.h"
#include "ads/slot/GADBannerAdViewDelegate.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/GADSlotActiveView.h"
#include "ads/slot/GADSlotMRAID.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/FakeFullScreenSlot.h"
#include "ads/testsupport/RecordingMRAIDEvents.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADNotification.h"
#include "platform/base/LogSink.h"
#include "platform/gfx/Image.h"
#include "platform/services/PhotoAlbum.h"
#include "platform/storage/Json.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TempDir.h"
#include "platform/testing/TestHttpServer.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/TouchInput.h"
#include "platform/ui/Window.h"
#include "platform/web/FakeWebPage.h"

namespace ads {
namespace {

using platform::Url;
using platform::Value;
using platform::ui::AlertView;
using platform::ui::Application;
using Strings = std::vector<std::string>;

// A small JPEG (17 x 9 pixels).
const unsigned char kJpeg[] = {
    0xff, 0xd8, 0xff, 0xe0, 0x00, 0x10, 0x4a, 0x46, 0x49, 0x46, 0x00, 0x01, 0x01, 0x00, 0x00, 0x01,
    0x00, 0x01, 0x00, 0x00, 0xff, 0xdb, 0x00, 0x43, 0x00, 0x10, 0x0b, 0x0c, 0x0e, 0x0c, 0x0a, 0x10,
    0x0e, 0x0d, 0x0e, 0x12, 0x11, 0x10, 0x13, 0x18, 0x28, 0x1a, 0x18, 0x16, 0x16, 0x18, 0x31, 0x23,
    0x25, 0x1d, 0x28, 0x3a, 0x33, 0x3d, 0x3c, 0x39, 0x33, 0x38, 0x37, 0x40, 0x48, 0x5c, 0x4e, 0x40,
    0x44, 0x57, 0x45, 0x37, 0x38, 0x50, 0x6d, 0x51, 0x57, 0x5f, 0x62, 0x67, 0x68, 0x67, 0x3e, 0x4d,
    0x71, 0x79, 0x70, 0x64, 0x78, 0x5c, 0x65, 0x67, 0x63, 0xff, 0xdb, 0x00, 0x43, 0x01, 0x11, 0x12,
    0x12, 0x18, 0x15, 0x18, 0x2f, 0x1a, 0x1a, 0x2f, 0x63, 0x42, 0x38, 0x42, 0x63, 0x63, 0x63, 0x63,
    0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63,
    0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63,
    0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0xff, 0xc0,
    0x00, 0x11, 0x08, 0x00, 0x09, 0x00, 0x11, 0x03, 0x01, 0x22, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11,
    0x01, 0xff, 0xc4, 0x00, 0x1f, 0x00, 0x00, 0x01, 0x05, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09,
    0x0a, 0x0b, 0xff, 0xc4, 0x00, 0xb5, 0x10, 0x00, 0x02, 0x01, 0x03, 0x03, 0x02, 0x04, 0x03, 0x05,
    0x05, 0x04, 0x04, 0x00, 0x00, 0x01, 0x7d, 0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21,
    0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07, 0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23,
    0x42, 0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72, 0x82, 0x09, 0x0a, 0x16, 0x17,
    0x18, 0x19, 0x1a, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a,
    0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a,
    0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a,
    0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99,
    0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7,
    0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5,
    0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf1,
    0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa, 0xff, 0xc4, 0x00, 0x1f, 0x01, 0x00, 0x03,
    0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,
    0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a, 0x0b, 0xff, 0xc4, 0x00, 0xb5, 0x11, 0x00,
    0x02, 0x01, 0x02, 0x04, 0x04, 0x03, 0x04, 0x07, 0x05, 0x04, 0x04, 0x00, 0x01, 0x02, 0x77, 0x00,
    0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61, 0x71, 0x13,
    0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33, 0x52, 0xf0, 0x15,
    0x62, 0x72, 0xd1, 0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18, 0x19, 0x1a, 0x26, 0x27,
    0x28, 0x29, 0x2a, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49,
    0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69,
    0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88,
    0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6,
    0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4,
    0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe2,
    0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9,
    0xfa, 0xff, 0xda, 0x00, 0x0c, 0x03, 0x01, 0x00, 0x02, 0x11, 0x03, 0x11, 0x00, 0x3f, 0x00, 0x6f,
    0x87, 0x34, 0xbf, 0xb9, 0xf2, 0xd5, 0x7d, 0x52, 0xe4, 0xeb, 0x1a, 0xb8, 0x8e, 0x16, 0x0d, 0x67,
    0x6c, 0x76, 0x45, 0x8e, 0x8c, 0x7f, 0x89, 0xb3, 0xdf, 0x27, 0xa7, 0xb0, 0x1e, 0xb5, 0xb7, 0x67,
    0xff, 0x00, 0x20, 0x7b, 0xbf, 0xfa, 0xf7, 0x7f, 0xfd, 0x04, 0xd7, 0x3d, 0xe1, 0xcf, 0xe0, 0xa7,
    0xbb, 0x1d, 0xad, 0x1b, 0xf7, 0x34, 0xbf, 0xb2, 0xff, 0x00, 0xd9, 0xa2, 0xb7, 0x68, 0xa6, 0x41,
    0xff, 0xd9};

std::shared_ptr<const GADNotification> note(const std::string& name, Value::Dictionary params) {
    return GADNotification::create(name, std::move(params));
}

// ---- The slot's side: events to the creative ----

class GADSlotMRAIDTest : public ::testing::Test {
  protected:
    GADSlotMRAIDTest() {
        slot->setAdType(GADAdType::bannerAdTypeForSize(kGADAdSizeBanner), false);
        load();
    }

    // An MRAID creative, up to its page's load (or its page still loading).
    void load(bool finish = true) {
        auto request = GADRequest::request();
        request->registerAdNetworkExtras(GADExtras::create(Value::Dictionary{
            {"_ad", Value::dictionary({{"ad_html", Value("<script src='mraid.js'></script>")},
                                       {"ad_base_url", Value("https://ads.test/ad")}})}}));
        slot->loadRequest(request);
        EXPECT_TRUE(platform::testing::runMainLoopUntil(
            [&] { return slot->state() == GADSlotState::Rendering; }));
        // The ad's page: the one its HTML went to last (the measurement's core page may be
        // newer).
        for (const auto& candidate : views.web().pages()) {
            const auto& loads = candidate->loads();
            if (!loads.empty() && loads.back().html.find("mraid.js") != std::string::npos)
                adPage = candidate;
        }
        page().setCurrentUrl("https://ads.test/ad");
        page().fireStart();
        if (finish) page().fireFinish();
        scope.runUntilIdle();
    }

    // The ad's page (the measurement's core page comes later).
    platform::web::FakeWebPage& page() { return *adPage; }
    std::size_t scriptsMentioning(const std::string& text) {
        std::size_t count = 0;
        for (const auto& script : page().evaluations())
            count += script.find(text) != std::string::npos;
        return count;
    }
    // The ad as a game shows its banner: at the bottom of its key window, without a status
    // bar, the application active.
    std::shared_ptr<platform::ui::Window> showAtTheBottomOfTheScreen() {
        auto window = platform::ui::Window::create({0, 0, 320, 480});
        window->makeKeyWindow();
        Application::shared().becomeActive();
        Application::shared().setStatusBarHidden(true);
        window->addSubview(slot->adView());
        slot->adView()->setFrame({0, 430, 320, 50});
        return window;
    }
    // The app's screen in its key window, the application active and without a status bar:
    // the banner's screens are presented from it, as the page's first navigation hands it and
    // the ad view to the slot's opener.
    void openFromTheAppsScreen() {
        appWindow->setRootViewController(appScreen);
        appWindow->makeKeyWindow();
        Application::shared().becomeActive();
        Application::shared().setStatusBarHidden(true);
        slot->opener()->setViewController(appScreen);
        slot->opener()->setAdView(slot->adView());
    }
    // The banner at the bottom of the app's screen.
    void placeOnTheAppsScreen() {
        appScreen->view()->addSubview(slot->adView());
        slot->adView()->setFrame({0, 430, 320, 50});
    }
    // The message as the slot page's MRAID handler (or the opener's) takes it.
    template <class Handler = GADMRAIDGMSGHandler>
    void send(const std::string& name, Value::Dictionary params = {}) {
        for (const auto& handler : GADSlotTestPeer(slot).adViewDelegate()->gmsgHandlers()) {
            if (std::dynamic_pointer_cast<Handler>(handler)) {
                handler->handleNotification(note(name, std::move(params)), slot->adView());
                break;
            }
        }
        scope.runUntilIdle();
    }
    // An event with a place as the page is sent it.
    static std::string told(const char* name, platform::Rect place) {
        return std::string("'") + name + "', " +
               platform::Json::write(
                   Value(GADSlotMRAID::creativePositionDictionaryForActiveViewBounds(place)))
                   .value_or("");
    }
    // What the ready delivery said, in one script.
    std::string readyScript() {
        std::string ready;
        for (const auto& script : page().evaluations())
            if (script.find("'onReadyEventReceived'") != std::string::npos) ready = script;
        return ready;
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<GADSlot> slot = GADSlot::create({0, 0, 320, 50});
    std::shared_ptr<platform::web::FakeWebPage> adPage;
    std::shared_ptr<platform::ui::Window> appWindow =
        platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<platform::ui::ViewController> appScreen =
        platform::ui::ViewController::create();
};

TEST_F(GADSlotMRAIDTest, MRAIDLoadedStartsTheEventsOnceAndTheResetEndsThem) {
    ASSERT_EQ(slot->state(), GADSlotState::ValidAd);
    EXPECT_FALSE(GADSlotTestPeer(slot).page().isMRAIDEnabled());
    // Before the script announced itself, visibility and errors reach nobody.
    GADSlotTestPeer(slot).page().updateMRAIDVisibility(true);
    EXPECT_FALSE(GADSlotTestPeer(slot).page().MRAIDEventHandler());

    send("mraidLoaded");
    EXPECT_TRUE(GADSlotTestPeer(slot).page().isMRAIDEnabled());
    EXPECT_EQ(GADSlotTestPeer(slot).page().MRAIDEventHandler(), slot->MRAID());
    // Once as the events start: orientation listening, which starts with them, finds the
    // screen already told.
    EXPECT_EQ(scriptsMentioning("'onScreenInfoChanged'"), 1u);
    EXPECT_EQ(scriptsMentioning("'onDeviceFeaturesReceived'"), 1u);
    EXPECT_EQ(scriptsMentioning("'onReadyEventReceived'"), 1u);
    EXPECT_EQ(scriptsMentioning("\"storePicture\":true"), 1u);

    // A second announcement starts nothing twice: one observer, one round of events.
    send("mraidLoaded");
    EXPECT_EQ(scriptsMentioning("'onReadyEventReceived'"), 1u);
    Application::shared().setStatusBarOrientation(3);
    scope.runUntilIdle();
    EXPECT_EQ(scriptsMentioning("'onScreenInfoChanged'"), 2u);
    Application::shared().setStatusBarOrientation(1);
    scope.runUntilIdle();
    EXPECT_EQ(scriptsMentioning("'onScreenInfoChanged'"), 3u);

    GADSlotTestPeer(slot).page().updateMRAIDVisibility(true);
    slot->opener()->reportMRAIDError("Bad things", "resize");
    scope.runUntilIdle();
    EXPECT_EQ(scriptsMentioning("'onAdVisibilityChanged'"), 1u);
    EXPECT_EQ(scriptsMentioning("\"message\":\"Bad things\""), 1u);

    // Position: sent when it changes, not again for the same frame.
    auto window = platform::ui::Window::create({0, 0, 320, 480});
    window->addSubview(slot->adView());
    slot->adView()->setFrame({0, 430, 320, 50});
    slot->MRAID()->updatePositionFromView(slot->adView());
    slot->MRAID()->updatePositionFromView(slot->adView());
    scope.runUntilIdle();
    EXPECT_EQ(scriptsMentioning("'onSizeChanged'"), 2u);              // at ready, and the new place
    EXPECT_EQ(scriptsMentioning("'onDefaultPositionReceived'"), 0u);  // no owner's frame

    // The next ad lets the old one go: no more MRAID, no more orientation notices.
    load();
    EXPECT_FALSE(slot->MRAID()->isLoaded());
    EXPECT_FALSE(GADSlotTestPeer(slot).page().isMRAIDEnabled());
    const auto before = page().evaluations().size();
    Application::shared().setStatusBarOrientation(3);
    scope.runUntilIdle();
    EXPECT_EQ(page().evaluations().size(), before);
    Application::shared().setStatusBarOrientation(1);
}

TEST_F(GADSlotMRAIDTest, ALateAnnouncementIsToldWhereTheAdIsBeforeReadyAndMeasured) {
    // The page has loaded and the banner made its impression; an ad without active-view
    // settings is not measured until its creative speaks MRAID.
    ASSERT_TRUE(GADSlotTestPeer(slot).viewHasMadeImpression());
    EXPECT_FALSE(GADSlotTestPeer(slot).activeView().isMeasuring());
    auto window = showAtTheBottomOfTheScreen();

    send("mraidLoaded");
    EXPECT_TRUE(GADSlotTestPeer(slot).activeView().isMeasuring());
    // One script: the screen, where the ad is and that it shows, the features, then ready.
    std::string ready;
    for (const auto& script : page().evaluations())
        if (script.find("'onReadyEventReceived'") != std::string::npos) ready = script;
    const auto at = [&](const char* text) { return ready.find(text); };
    ASSERT_NE(at("'onSizeChanged'"), std::string::npos) << ready;
    EXPECT_NE(at("\"y\":430"), std::string::npos) << ready;
    EXPECT_LT(at("'onScreenInfoChanged'"), at("'onSizeChanged'"));
    EXPECT_LT(at("'onSizeChanged'"), at("'onAdVisibilityChanged', {\"visible\":\"1\"}"));
    EXPECT_LT(at("'onAdVisibilityChanged'"), at("'onReadyEventReceived'"));
    EXPECT_TRUE(slot->MRAID()->isViewable());

    // The measurement's samples find nothing new to tell; one that finds the ad gone says so.
    const auto before = page().evaluations().size();
    scope.advance(1);
    EXPECT_EQ(page().evaluations().size(), before);
    slot->adView()->setHidden(true);
    scope.advance(0.5);
    EXPECT_EQ(scriptsMentioning("\"visible\":\"0\""), 1u);
    EXPECT_EQ(scriptsMentioning("'onSizeChanged'"), 1u);
}

TEST_F(GADSlotMRAIDTest, ALayoutChangeIsToldWithItsStateOnly) {
    auto window = showAtTheBottomOfTheScreen();
    send("mraidLoaded");
    auto mraid = slot->MRAID();

    // An expand: nothing measured halfway is sent, whatever the samples find.
    mraid->MRAIDLayoutWillChange();
    slot->adView()->setFrame({0, 0, 320, 480});
    const auto before = page().evaluations().size();
    mraid->updatePositionFromView(slot->adView());
    scope.advance(1);
    EXPECT_EQ(page().evaluations().size(), before);
    // What goes with the state: the new size, once.
    auto events = mraid->MRAIDLayoutDidChange(slot->adView(), false);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].first, "onSizeChanged");
    EXPECT_EQ(events[0].second,
              GADSlotMRAID::creativePositionDictionaryForActiveViewBounds({0, 0, 320, 480}));
    EXPECT_TRUE(mraid->MRAIDLayoutDidChange(slot->adView(), false).empty());
    EXPECT_EQ(mraid->MRAIDLayoutDidChange(slot->adView(), true).size(), 1u);
    mraid->updatePositionFromView(slot->adView());
    scope.runUntilIdle();
    EXPECT_EQ(page().evaluations().size(), before);

    // A collapse into a banner out of every window: its size, the place it stands at (no
    // owner ever told one) and that it no longer shows.
    mraid->MRAIDLayoutWillChange();
    slot->adView()->removeFromSuperview();
    auto banner = platform::ui::View::create({0, 0, 320, 480});
    banner->addSubview(slot->adView());
    slot->adView()->setFrame({0, 430, 320, 50});
    events = mraid->MRAIDLayoutDidChange(slot->adView(), false);
    const auto place =
        GADSlotMRAID::creativePositionDictionaryForActiveViewBounds({0, 430, 320, 50});
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0], (GADMRAIDEvents::value_type{"onSizeChanged", place}));
    EXPECT_EQ(events[1], (GADMRAIDEvents::value_type{"onDefaultPositionReceived", place}));
    EXPECT_EQ(events[2],
              (GADMRAIDEvents::value_type{"onAdVisibilityChanged", {{"visible", Value("0")}}}));
    // Another page of the ad is nobody's here; it is told the banner's place.
    auto other = GADAdView::create({0, 0, 320, 480});
    EXPECT_TRUE(mraid->MRAIDLayoutDidChange(other, true).empty());
    const auto facts = mraid->MRAIDEventsForPage(other);
    ASSERT_EQ(facts.size(), 4u);
    EXPECT_EQ(facts[0].first, "onScreenInfoChanged");
    EXPECT_EQ(facts[1].first, "onDeviceFeaturesReceived");
    EXPECT_EQ(facts[2].second,
              GADSlotMRAID::creativePositionDictionaryForActiveViewBounds({0, 0, 320, 480}));
    EXPECT_EQ(facts[3], (GADMRAIDEvents::value_type{"onDefaultPositionReceived", place}));
}

TEST_F(GADSlotMRAIDTest, ScreensThatComeAndGoWhileTheLayoutChangesLeaveVisibilityToItsEnd) {
    auto window = showAtTheBottomOfTheScreen();
    send("mraidLoaded");
    auto mraid = slot->MRAID();
    ASSERT_TRUE(mraid->isViewable());
    // The expanded screen goes while the ad is already back in its banner: nothing flips.
    mraid->MRAIDLayoutWillChange();
    mraid->updateVisibility(false);
    mraid->updateVisibility(true);
    mraid->updateVisibility(false);
    EXPECT_TRUE(mraid->isViewable());
    EXPECT_TRUE(mraid->MRAIDLayoutDidChange(slot->adView(), false).empty());
    // Outside a change, a screen's notice is the ad's visibility.
    mraid->updateVisibility(false);
    scope.runUntilIdle();
    EXPECT_FALSE(mraid->isViewable());
    EXPECT_EQ(scriptsMentioning("\"visible\":\"0\""), 1u);
}

TEST_F(GADSlotMRAIDTest, ReadyCarriesThePlaceOfABannerOutOfEveryWindowAndOfAnInterstitial) {
    // A banner its owner puts on screen once it has its ad: its ad view stands in it, out of
    // every window, and the banner stands where its frame says, below the status bar.
    Application::shared().setStatusBarHidden(false);
    const platform::Rect app = GADDevice::sharedInstance()->standardizedOrientedApplicationFrame();
    ASSERT_GT(app.minY(), 0);
    auto banner = platform::ui::View::create({0, 430, 320, 50});
    banner->addSubview(slot->adView());
    slot->adView()->setFrame({0, 0, 320, 50});
    send("mraidLoaded");
    std::string ready = readyScript();
    const platform::Rect place{0, 430 - app.minY(), 320, 50};
    EXPECT_NE(ready.find(told("onDefaultPositionReceived", place)), std::string::npos) << ready;
    EXPECT_NE(ready.find(told("onSizeChanged", place)), std::string::npos) << ready;
    // Once told, the place stays, wherever the banner goes out of sight: only the size moves.
    auto holder = platform::ui::View::create({0, 100, 320, 480});
    holder->addSubview(banner);
    const auto moved = slot->MRAID()->MRAIDLayoutDidChange(slot->adView(), false);
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_EQ(moved[0].first, "onSizeChanged");

    // An interstitial fills the application frame, told from its corner.
    slot->setAdType(GADAdType::interstitialAdType(), false);
    load();
    send("mraidLoaded");
    ready = readyScript();
    EXPECT_NE(ready.find(told("onDefaultPositionReceived", {0, 0, app.width(), app.height()})),
              std::string::npos)
        << ready;
    Application::shared().setStatusBarHidden(true);
}

TEST_F(GADSlotMRAIDTest, AnExpandOrResizeAskedForWhileThePageLoadsWaitsUntilTheAdShows) {
    auto& face = GADSlotTestPeer(slot).page();
    int ran = 0;
    const auto change = [&] { ++ran; };
    openFromTheAppsScreen();
    // The next ad: its creative announces itself and asks to expand before its page has loaded.
    load(false);
    ASSERT_EQ(slot->state(), GADSlotState::Rendering);
    send("mraidLoaded");
    send<GADOpenerGMSGHandler>("open", {{"a", Value("expand")}});
    EXPECT_TRUE(slot->MRAID()->holdsLayoutChange());
    // One waits at a time: a resize now is refused with its own error; another page's changes
    // are not the slot's to hold.
    send("mraid", {{"a", Value("resize")},
                   {"width", Value("320")},
                   {"height", Value("250")},
                   {"offsetX", Value("0")},
                   {"offsetY", Value("0")},
                   {"customClosePosition", Value("top-right")},
                   {"allowOffscreen", Value("0")}});
    EXPECT_FALSE(face.deferMRAIDLayoutChangeUntilShown(GADAdView::create({0, 0, 320, 50}), "expand",
                                                       change));

    // Loaded but out of sight (its owner has not placed it): still waiting.
    page().fireFinish();
    scope.runUntilIdle();
    ASSERT_EQ(slot->state(), GADSlotState::ValidAd);
    EXPECT_EQ(scriptsMentioning("\"action\":\"resize\""), 1u);
    EXPECT_TRUE(slot->MRAID()->holdsLayoutChange());
    scope.advance(1);
    EXPECT_TRUE(slot->MRAID()->holdsLayoutChange());
    EXPECT_EQ(scriptsMentioning("'expanding'"), 0u);
    // Seen on screen, then taken away before the change's turn came: it waits on.
    placeOnTheAppsScreen();
    slot->MRAID()->updatePositionFromView(slot->adView());
    slot->adView()->removeFromSuperview();
    scope.runUntilIdle();
    EXPECT_TRUE(slot->MRAID()->holdsLayoutChange());
    EXPECT_EQ(scriptsMentioning("'expanding'"), 0u);
    // On screen, it expands its usual way, as an MRAID ad.
    placeOnTheAppsScreen();
    scope.advance(1);
    EXPECT_FALSE(slot->MRAID()->holdsLayoutChange());
    EXPECT_EQ(scriptsMentioning("'expanding'"), 1u);
    auto expanded =
        std::dynamic_pointer_cast<GADAdAppViewController>(appScreen->presentedViewController());
    ASSERT_TRUE(expanded);
    EXPECT_EQ(expanded->closeButton()->frame(), platform::Rect(270, 0, 50, 50));
    // A shown ad changes at once.
    EXPECT_FALSE(face.deferMRAIDLayoutChangeUntilShown(slot->adView(), "expand", change));
    expanded->closeButtonPressed();
    scope.advance(1);

    // A two-part expand waits the same way, and goes with its ad: one whose page fails never
    // opens, and the next ad's load lets it go.
    load(false);
    send<GADOpenerGMSGHandler>("open",
                               {{"a", Value("webapp")}, {"u", Value("https://ads.test/second")}});
    EXPECT_TRUE(slot->MRAID()->holdsLayoutChange());
    page().fireFail(platform::Error("test", 1));
    scope.advance(1);
    ASSERT_EQ(slot->state(), GADSlotState::InvalidAd);
    load();
    scope.advance(1);
    EXPECT_FALSE(slot->MRAID()->holdsLayoutChange());
    EXPECT_FALSE(appScreen->presentedViewController());
    EXPECT_EQ(ran, 0);
    // An interstitial's page changes no banner's layout.
    slot->setAdType(GADAdType::interstitialAdType(), false);
    load(false);
    EXPECT_FALSE(face.deferMRAIDLayoutChangeUntilShown(slot->adView(), "expand", change));
}

TEST_F(GADSlotMRAIDTest, AnExpandAskedForWhileAShownBannerLoadsWaitsForAValidAd) {
    // A banner in the app's screen from the start, as most are.
    openFromTheAppsScreen();
    placeOnTheAppsScreen();
    const auto sampled = [&] {
        slot->MRAID()->updatePositionFromView(slot->adView());
        scope.advance(1);
    };

    // On screen while its page loads: the expand waits, whatever the samples of where the ad
    // stands say, until the load ends.
    load(false);
    send("mraidLoaded");
    send<GADOpenerGMSGHandler>("open", {{"a", Value("expand")}});
    ASSERT_TRUE(slot->MRAID()->holdsLayoutChange());
    sampled();
    EXPECT_TRUE(slot->MRAID()->holdsLayoutChange());
    EXPECT_FALSE(appScreen->presentedViewController());
    page().fireFinish();
    scope.advance(1);
    ASSERT_EQ(slot->state(), GADSlotState::ValidAd);
    auto expanded =
        std::dynamic_pointer_cast<GADAdAppViewController>(appScreen->presentedViewController());
    ASSERT_TRUE(expanded);
    expanded->closeButtonPressed();
    scope.advance(1);

    // A page that fails on screen never expands.
    load(false);
    send("mraidLoaded");
    send<GADOpenerGMSGHandler>("open", {{"a", Value("expand")}});
    ASSERT_TRUE(slot->MRAID()->holdsLayoutChange());
    page().fireFail(platform::Error("test", 1));
    scope.advance(1);
    ASSERT_EQ(slot->state(), GADSlotState::InvalidAd);
    sampled();
    EXPECT_FALSE(appScreen->presentedViewController());
}

TEST_F(GADSlotMRAIDTest, TheCloseAreaOfAnExpandedAdIsNoTouchOfTheAd) {
    // A banner under the server's auto-click protection, at the bottom of the app's screen.
    openFromTheAppsScreen();
    slot->opener()->setAutoClickProtected(true);
    placeOnTheAppsScreen();
    send("mraidLoaded");
    scope.advance(1);
    const auto touch = [&](platform::Point point) {
        platform::ui::TouchInput input{appWindow};
        input.touchDown(1, point);
        input.touchUp(1, point);
        scope.runUntilIdle();
    };

    // The player's touch lets the ad expand.
    touch({160, 455});
    send<GADOpenerGMSGHandler>("open", {{"a", Value("expand")}});
    scope.advance(1);
    auto expanded =
        std::dynamic_pointer_cast<GADAdAppViewController>(appScreen->presentedViewController());
    ASSERT_TRUE(expanded);
    // Our close area over the expanded ad's top-right corner closes it, and is no touch of the
    // ad: back in its banner, the ad opens nothing more.
    const auto touches = slot->adView()->touchCount();
    touch({295, 25});
    scope.advance(1);
    EXPECT_EQ(appScreen->presentedViewController(), nullptr);
    EXPECT_EQ(slot->adView()->touchCount(), touches);
    send<GADOpenerGMSGHandler>("open", {{"a", Value("expand")}});
    scope.advance(1);
    EXPECT_EQ(appScreen->presentedViewController(), nullptr);
}

TEST_F(GADSlotMRAIDTest, UnknownOrMissingSubActionsAreIgnored) {
    send("mraidLoaded");
    const auto before = page().evaluations().size();
    send("mraid", {{"a", Value("teleport")}});
    send("mraid");
    EXPECT_EQ(page().evaluations().size(), before);
    EXPECT_EQ(GADSlotMRAID::creativePositionDictionaryForActiveViewBounds({10, 20, -5, 30}),
              (Value::Dictionary{{"width", Value(5.0)},
                                 {"height", Value(30.0)},
                                 {"x", Value(5.0)},
                                 {"y", Value(20.0)}}));
}

// ---- The handler: orientation properties and pictures ----

class GADMRAIDGMSGHandlerTest : public ::testing::Test {
  protected:
    GADMRAIDGMSGHandlerTest() {
        window->setRootViewController(root);
        window->makeKeyWindow();
        // Ads ask nothing unless they are on screen, in an active application.
        Application::shared().becomeActive();
        screens->mraidEvents = events;
        opener->setSlot(screens);
        opener->setViewController(root);
        adView->reset();
        root->view()->addSubview(adView);
        opener->setAdView(adView);
        server.text("/picture.png", std::string(png.begin(), png.end()), 200, "image/png");
        server.text("/picture.jpg", std::string(std::begin(kJpeg), std::end(kJpeg)), 200,
                    "image/jpeg");
        server.text("/page.html", "<p>not a picture</p>");
        server.text("/huge.png", std::string(GADMRAIDPicture::kMaxBytes + 1, 'x'));
        auto oversized = platform::gfx::Image::blank(9000, 1).encodePng();
        server.text("/wide.png", std::string(oversized.begin(), oversized.end()));
    }
    ~GADMRAIDGMSGHandlerTest() override {
        AlertView::resetAll();
        Application::shared().setSupportedInterfaceOrientations(1u << 1);
        Application::shared().setStatusBarOrientation(1);
        Application::shared().setDeviceOrientation(0);
    }

    void mraid(Value::Dictionary params) {
        handler->handleNotification(note("mraid", std::move(params)), nullptr);
    }
    void store(const std::string& url) {
        mraid({{"a", Value("storePicture")}, {"iurl", Value(url)}});
    }
    // A finger on the ad and off again, as the player's.
    void touchAd() {
        platform::ui::TouchInput input{window};
        input.touchDown(1, {160, 25});
        input.touchUp(1, {160, 25});
        scope.runUntilIdle();
    }
    void touchAndStore(const std::string& url) {
        touchAd();
        store(url);
    }
    std::size_t albumCount() const {
        std::size_t count = 0;
        std::error_code ec;
        for (auto& entry : std::filesystem::directory_iterator(pictures / "Movuroute", ec)) {
            count += entry.path().extension() == ".png";
        }
        return count;
    }
    bool waitForEvents(std::size_t count) {
        return platform::testing::runMainLoopUntil([&] { return events->events.size() >= count; });
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    platform::testing::TempDir pictures;
    platform::testing::ScopedEnv picturesVariable{platform::services::PhotoAlbum::kPicturesVariable,
                                                  pictures.path().string()};
    platform::testing::TestHttpServer server;
    std::vector<std::uint8_t> png = platform::gfx::Image::blank(4, 3).encodePng();
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<platform::ui::ViewController> root = platform::ui::ViewController::create();
    std::shared_ptr<ads::testing::FakeFullScreenSlot> screens =
        ads::testing::FakeFullScreenSlot::create();
    std::shared_ptr<ads::testing::RecordingMRAIDEvents> events =
        ads::testing::RecordingMRAIDEvents::create();
    std::shared_ptr<GADOpener> opener = GADOpener::create();
    std::shared_ptr<GADAdView> adView = GADAdView::create({0, 0, 320, 50});
    std::shared_ptr<GADMRAIDGMSGHandler> handler = GADMRAIDGMSGHandler::create(opener);
};

TEST(GADMRAIDOrientationTest, PropertiesToMasks) {
    struct Case {
        const char* allow;
        const char* force;
        int statusBar;
        std::optional<unsigned> mask;
    };
    const Case cases[] = {
        {"true", "portrait", 1, 30u},
        {"false", "portrait", 3, 6u},
        {"false", "landscape", 1, 24u},
        {"false", "any", 1, 30u},
        {"false", "none", 3, 24u},
        {"false", "none", 4, 24u},
        {"false", "none", 2, 6u},
        {"0", "landscape", 1, 24u},
        // Anything else is refused before the mask changes.
        {"false", "", 1, std::nullopt},
        {"false", "sideways", 1, std::nullopt},
        {"true", "Portrait", 1, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(
            GADMRAIDGMSGHandler::orientationMaskForProperties(
                {{"allowOrientationChange", Value(c.allow)}, {"forceOrientation", Value(c.force)}},
                c.statusBar),
            c.mask)
            << c.allow << " " << c.force << " " << c.statusBar;
    }
    EXPECT_FALSE(GADMRAIDGMSGHandler::orientationMaskForProperties(
        {{"forceOrientation", Value("portrait")}}, 1));
    EXPECT_FALSE(GADMRAIDGMSGHandler::orientationMaskForProperties(
        {{"allowOrientationChange", Value(true)}, {"forceOrientation", Value("portrait")}}, 1));
}

TEST_F(GADMRAIDGMSGHandlerTest, OrientationPropertiesApplyOnlyToAFullScreenAdAndTurnIt) {
    auto properties = [](const char* allow, const char* force) {
        return Value::Dictionary{{"a", Value("setOrientationProperties")},
                                 {"allowOrientationChange", Value(allow)},
                                 {"forceOrientation", Value(force)}};
    };
    // A banner in the app's own view: nothing at all.
    mraid(properties("false", "landscape"));
    EXPECT_TRUE(events->events.empty());

    auto screen = GADViewController::create();
    screen->setSlot(screens);
    screen->setSupportedInterfaceOrientations(30);
    ASSERT_TRUE(screen->presentFromViewController(root, {}));
    scope.advance(0.5);
    opener->setViewController(screen);
    auto& application = Application::shared();

    // Bad input: an error and the mask as it was (never landscape-only, never 0).
    mraid(properties("false", "upside"));
    mraid({{"a", Value("setOrientationProperties")}, {"forceOrientation", Value("landscape")}});
    EXPECT_EQ(screen->supportedInterfaceOrientations(), 30u);
    EXPECT_EQ(events->events, (Strings{"error setOrientationProperties: Received invalid "
                                       "orientation properties",
                                       "error setOrientationProperties: Received invalid "
                                       "orientation properties"}));

    // A portrait-only window: landscape shares nothing with it; nothing turns.
    mraid(properties("false", "landscape"));
    scope.advance(1);
    EXPECT_EQ(screen->supportedInterfaceOrientations(), 24u);
    EXPECT_EQ(application.statusBarOrientation(), 1);

    // A window that takes every orientation, the device held in landscape: the interface
    // follows the device.
    application.setSupportedInterfaceOrientations(30);
    application.setDeviceOrientation(4);
    mraid(properties("false", "portrait"));
    mraid(properties("false", "landscape"));
    scope.advance(1);
    EXPECT_EQ(application.statusBarOrientation(), 4);

    // The device upright: an invisible screen comes and goes and the interface turns to the
    // first landscape orientation, with no extra will-present or dismiss for the app.
    application.setStatusBarOrientation(1);
    application.setDeviceOrientation(0);
    screens->events.clear();
    mraid(properties("false", "landscape"));
    scope.advance(2);
    EXPECT_EQ(application.statusBarOrientation(), 3);
    EXPECT_EQ(screen->presentedViewController(), nullptr);
    EXPECT_TRUE(screens->events.empty());
    screen->relinquishScreenWithCompletion({});
    scope.advance(1);
}

TEST_F(GADMRAIDGMSGHandlerTest, PicturesAreAskedForOnceSavedOnceAndFailuresSayWhy) {
    // Without a usable URL: refused at once, nothing pending.
    mraid({{"a", Value("storePicture")}});
    store("ftp://pictures.test/a.png");
    EXPECT_EQ(handler->pendingPictureCount(), 0u);
    EXPECT_EQ(events->events, (Strings{"error storePicture: No image URL to store.",
                                       "error storePicture: Couldn't create URL request for "
                                       "ftp://pictures.test/a.png"}));
    events->events.clear();

    // Twice the same URL: one question; another URL meanwhile is refused.
    touchAndStore(server.url("/picture.png"));
    store(server.url("/picture.png"));
    store(server.url("/picture.jpg"));
    auto alert = AlertView::visibleAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->title(), "Permission");
    EXPECT_EQ(alert->message(), "The ad is requesting to save an image in your photo album.");
    EXPECT_EQ(AlertView::queuedCount(), 0u);
    EXPECT_EQ(events->events,
              (Strings{"error storePicture: Could not initialize picture download."}));
    alert->tapButton(alert->firstOtherButtonIndex());
    ASSERT_TRUE(
        platform::testing::runMainLoopUntil([&] { return handler->pendingPictureCount() == 0; }));
    EXPECT_EQ(albumCount(), 1u);
    EXPECT_EQ(server.requestCount("/picture.png"), 1u);

    // A JPEG is kept as a PNG of our own name, never over the first.
    touchAndStore(server.url("/picture.jpg"));
    AlertView::visibleAlert()->tapButton(AlertView::visibleAlert()->firstOtherButtonIndex());
    ASSERT_TRUE(
        platform::testing::runMainLoopUntil([&] { return handler->pendingPictureCount() == 0; }));
    EXPECT_EQ(albumCount(), 2u);
    EXPECT_EQ(events->events.size(), 1u);

    // Cancel: nobody hears, and nothing stays pending; asking again needs a new touch.
    touchAndStore(server.url("/picture.png"));
    AlertView::visibleAlert()->tapButton(AlertView::visibleAlert()->cancelButtonIndex());
    scope.runUntilIdle();
    EXPECT_EQ(events->events.size(), 1u);
    EXPECT_EQ(handler->pendingPictureCount(), 0u);
    store(server.url("/picture.png"));
    EXPECT_EQ(AlertView::visibleAlert(), nullptr);
    touchAndStore(server.url("/picture.png"));
    EXPECT_NE(AlertView::visibleAlert(), nullptr);
}

TEST_F(GADMRAIDGMSGHandlerTest, AWarningTheCreativeRepeatsIsLoggedOncePerAd) {
    auto screen = GADViewController::create();
    screen->setSlot(screens);
    ASSERT_TRUE(screen->presentFromViewController(root, {}));
    scope.advance(0.5);
    opener->setViewController(screen);
    const Value::Dictionary landscape{{"a", Value("setOrientationProperties")},
                                      {"allowOrientationChange", Value("false")},
                                      {"forceOrientation", Value("landscape")}};
    platform::LogSink::Capture log;
    // The portrait-only window cannot take it, however often the creative asks.
    for (int i = 0; i < 102; ++i) mraid(landscape);
    auto warnings = [&] {
        std::size_t count = 0;
        for (const auto& line : log.lines()) count += line.find("share none") != std::string::npos;
        return count;
    };
    EXPECT_EQ(warnings(), 1u);
    // The next ad may say it once again.
    screens->statistics = GADStatisticDictionary::create();
    for (int i = 0; i < 5; ++i) mraid(landscape);
    EXPECT_EQ(warnings(), 2u);
    screen->relinquishScreenWithCompletion({});
    scope.advance(1);
}

TEST_F(GADMRAIDGMSGHandlerTest, AnUntouchedAdAsksOnceAndEachLaterQuestionTakesATouch) {
    const std::string untouched =
        "error storePicture: Storing pictures is not allowed until the "
        "user interacts with the ad.";
    const std::string busy = "error storePicture: Could not initialize picture download.";
    // A creative asking every 300 ms before anyone touched it, without the server's
    // protection: its first question comes, and the rest are turned away while it is up.
    auto nag = [&](int from, int to) {
        for (int n = from; n <= to; ++n) {
            store(server.url("/picture.png?n=" + std::to_string(n)));
            scope.advance(0.3);
        }
    };
    nag(1, 10);
    ASSERT_NE(AlertView::visibleAlert(), nullptr);
    EXPECT_EQ(handler->pendingPictureCount(), 1u);
    EXPECT_EQ(events->events, Strings(9, busy));
    events->events.clear();

    // Declined: the same nagging asks nothing more, each refusal told, until a touch.
    AlertView::visibleAlert()->tapButton(AlertView::visibleAlert()->cancelButtonIndex());
    nag(11, 16);
    EXPECT_EQ(AlertView::visibleAlert(), nullptr);
    EXPECT_EQ(handler->pendingPictureCount(), 0u);
    EXPECT_EQ(events->events, Strings(6, untouched));
    events->events.clear();
    touchAd();
    nag(17, 20);
    ASSERT_NE(AlertView::visibleAlert(), nullptr);
    EXPECT_EQ(events->events, Strings(3, busy));
    AlertView::visibleAlert()->tapButton(AlertView::visibleAlert()->cancelButtonIndex());
    events->events.clear();
    nag(21, 21);
    EXPECT_EQ(AlertView::visibleAlert(), nullptr);
    EXPECT_EQ(events->events, Strings{untouched});

    // The server's auto-click protection (a new ad): no question without a touch; a touch
    // still lets one through.
    opener->setAutoClickProtected(true);
    adView->setTouched(false);
    events->events.clear();
    nag(22, 22);
    EXPECT_EQ(AlertView::visibleAlert(), nullptr);
    EXPECT_EQ(events->events, Strings{untouched});
    touchAd();
    nag(23, 23);
    ASSERT_NE(AlertView::visibleAlert(), nullptr);
    AlertView::visibleAlert()->tapButton(AlertView::visibleAlert()->cancelButtonIndex());

    // Touched but hidden: the refusal names its cause.
    events->events.clear();
    touchAd();
    adView->setHidden(true);
    nag(24, 24);
    EXPECT_EQ(AlertView::visibleAlert(), nullptr);
    EXPECT_EQ(events->events, Strings{"error storePicture: Storing pictures is not allowed while "
                                      "the ad is not on screen."});
}

TEST_F(GADMRAIDGMSGHandlerTest, AQuestionGoesDownWithTheScreenItWasAskedFrom) {
    // An interstitial's question, the ad then closed: no question over the app, nothing
    // pending, and the creative hears nothing.
    auto screen = GADViewController::create();
    screen->setSlot(screens);
    ASSERT_TRUE(screen->presentFromViewController(root, {}));
    scope.advance(0.5);
    screen->view()->addSubview(adView);
    opener->setViewController(screen);
    touchAndStore(server.url("/picture.png"));
    ASSERT_NE(AlertView::visibleAlert(), nullptr);
    screen->relinquishScreenWithCompletion({});
    scope.advance(1);
    EXPECT_EQ(AlertView::visibleAlert(), nullptr);
    EXPECT_EQ(AlertView::queuedCount(), 0u);
    EXPECT_EQ(handler->pendingPictureCount(), 0u);
    EXPECT_TRUE(events->events.empty());
    EXPECT_EQ(server.requestCount("/picture.png"), 0u);

    // A page let go with its question up takes it along.
    root->view()->addSubview(adView);
    opener->setViewController(root);
    touchAndStore(server.url("/picture.jpg"));
    ASSERT_NE(AlertView::visibleAlert(), nullptr);
    handler.reset();
    scope.runUntilIdle();
    EXPECT_EQ(AlertView::visibleAlert(), nullptr);
    EXPECT_EQ(server.requestCount("/picture.jpg"), 0u);
}

TEST_F(GADMRAIDGMSGHandlerTest, PictureFailuresFreeTheURLAndNameTheReason) {
    const std::pair<const char*, const char*> failures[] = {
        {"/missing.png", "The server answered 404"},
        {"/page.html", "The data is not a PNG or JPEG picture."},
        {"/huge.png", ". Error: "},
        {"/wide.png", "The picture is too large (9000 x 1 pixels)."},
    };
    std::size_t expected = 0;
    for (const auto& [path, reason] : failures) {
        touchAndStore(server.url(path));
        auto alert = AlertView::visibleAlert();
        ASSERT_NE(alert, nullptr) << path;
        alert->tapButton(alert->firstOtherButtonIndex());
        ASSERT_TRUE(waitForEvents(++expected)) << path;
        const std::string& event = events->events.back();
        EXPECT_EQ(
            event.rfind("error storePicture: Failed to load " + server.url(path) + ". Error: ", 0),
            0u)
            << event;
        EXPECT_NE(event.find(reason), std::string::npos) << event;
        EXPECT_EQ(handler->pendingPictureCount(), 0u) << path;
    }
    EXPECT_EQ(albumCount(), 0u);
    EXPECT_EQ(server.requestCount("/wide.png"), 1u);
}

}  // namespace
}  // namespace ads
