// Native ads in their views on real WebKit against our loopback ad server: each format is
// loaded, laid out by a publisher in a 320 x 480 window and photographed headless (the
// pictures <build>/screenshots/native_content.png, native_app_install.png and
// native_custom_template.png are left for a person to look at); each pings its impression once,
// and a tap on a call to action goes through the support page to the server's click ping and
// the application's record of opened links. Needs a display: scripts/test runs these under
// xvfb-run.

#include <gtest/gtest.h>

#include "ads/foundation/GADRequest.h"
#include "ads/native/GADAdLoader.h"
#include "ads/native/GADNativeAdAttributionView.h"
#include "ads/native/GADNativeAdImage.h"
#include "ads/native/GADNativeAdViewPolicy.h"
#include "ads/native/GADNativeAppInstallAd.h"
#include "ads/native/GADNativeAppInstallAdView.h"
#include "ads/native/GADNativeContentAd.h"
#include "ads/native/GADNativeContentAdView.h"
#include "ads/native/GADNativeCustomTemplateAd.h"
#include "ads/native/GADNativeRoom.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/testing/ScreenshotCamera.h"
#include "platform/ui/Application.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TouchInput.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace ads {
namespace {

using platform::Rect;
using platform::testing::ScreenshotCamera;
using platform::ui::View;
using tools::adserver::AdScenario;
using tools::adserver::RequestKind;

constexpr const char* kTemplateID = "10063170";

class Receiver : public GADNativeContentAdLoaderDelegate,
                 public GADNativeAppInstallAdLoaderDelegate,
                 public GADNativeCustomTemplateAdLoaderDelegate {
  public:
    void adLoaderDidFailToReceiveAdWithError(GADAdLoader&, const GADRequestError& error) override {
        failures.push_back(error.code);
    }
    void adLoaderDidReceiveNativeContentAd(GADAdLoader&,
                                           const std::shared_ptr<GADNativeContentAd>& ad) override {
        received = ad;
    }
    void adLoaderDidReceiveNativeAppInstallAd(
        GADAdLoader&, const std::shared_ptr<GADNativeAppInstallAd>& ad) override {
        received = ad;
    }
    void adLoaderDidReceiveNativeCustomTemplateAd(
        GADAdLoader&, const std::shared_ptr<GADNativeCustomTemplateAd>& ad) override {
        received = ad;
    }
    std::optional<platform::Value::Array> nativeCustomTemplateIDsForAdLoader(
        GADAdLoader&) override {
        return platform::Value::Array{platform::Value(kTemplateID)};
    }
    std::vector<std::int64_t> failures;
    std::shared_ptr<GADNativeAd> received;
};

std::shared_ptr<platform::ui::Label> label(Rect frame, const std::optional<std::string>& text,
                                           double size, bool bold = false) {
    auto made = platform::ui::Label::create(frame, text.value_or(""));
    made->setFont({size, bold});
    made->setNumberOfLines(0);
    return made;
}

std::shared_ptr<platform::ui::ImageView> picture(Rect frame,
                                                 const std::shared_ptr<GADNativeAdImage>& image) {
    return platform::ui::ImageView::create(image ? image->image() : nullptr, frame);
}

// A button-like label in the colour given.
std::shared_ptr<platform::ui::Label> callToActionLabel(const std::optional<std::string>& text,
                                                       platform::Color color) {
    auto made = label({180, 285, 110, 34}, text, 15, true);
    made->setBackgroundColor(color);
    made->setTextColor(platform::Color::whiteColor());
    made->setTextAlignment(platform::ui::TextAlignment::Center);
    return made;
}

class GADNativeAdViewWebKitTest : public ::testing::Test {
  protected:
    static constexpr const char* kUnit = "ca-movu-native-views";

    void SetUp() override {
        MOVU_SKIP_WITHOUT_DISPLAY();
        ASSERT_TRUE(ads.server().isRunning());
        registerNativeClasses();
        auto& application = platform::ui::Application::shared();
        application.setDesktopOpener([](const std::vector<std::string>&) { return true; });
        application.becomeActive();
        openedBefore = application.openedURLs().size();
        window->setBackgroundColor(platform::Color::whiteColor());
        // As the game's window: ads open only what shows in the key window.
        window->makeKeyWindow();
    }
    void TearDown() override {
        loader.reset();
        receiver->received.reset();
        scope.runUntilIdle();
        platform::ui::Application::shared().setDesktopOpener({});
    }
    bool waitFor(const std::function<bool()>& condition) {
        return ads.waitOnMainLoopUntil(condition, 20);
    }

    // Loads one ad of the ad type on the server's template of the same number.
    template <typename Ad>
    std::shared_ptr<Ad> load(int type) {
        ads.server().setScenario(kUnit, AdScenario::native().withNativeTemplate(type));
        loader = GADAdLoader::create(kUnit, controller, {std::to_string(type)}, {});
        EXPECT_TRUE(loader);
        if (!loader) return nullptr;
        loader->setDelegate(receiver);
        loader->loadRequest(GADRequest::request());
        EXPECT_TRUE(waitFor([&] { return receiver->received || !receiver->failures.empty(); }));
        EXPECT_TRUE(receiver->failures.empty());
        return std::dynamic_pointer_cast<Ad>(receiver->received);
    }

    // Shows the container, lays the window out a few times (a list does so every frame) and
    // waits for the impression ping: one, however many passes.
    void showAndExpectOneImpression(const std::shared_ptr<View>& container) {
        window->addSubview(container);
        for (int pass = 0; pass < 3; ++pass) {
            container->setNeedsLayout();
            window->layoutIfNeeded();
        }
        ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::Impression, 1));
        window->layoutIfNeeded();
        scope.runUntilIdle();
        EXPECT_EQ(ads.log().count(RequestKind::Impression), 1u);
    }

    // Taps the middle of the view: the support page pings the click and opens its target.
    void tapAndExpectTheClick(const View& view) {
        const Rect frame = view.convertRectToView(view.bounds(), nullptr);
        platform::ui::TouchInput input{window};
        input.touchDown(1, {frame.midX(), frame.midY()});
        input.touchUp(1, {frame.midX(), frame.midY()});
        ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::ClickTracking, 1));
        ASSERT_TRUE(waitFor([&] {
            return platform::ui::Application::shared().openedURLs().size() > openedBefore;
        }));
        const std::string opened = platform::ui::Application::shared().openedURLs().back();
        EXPECT_EQ(opened.rfind(ads.origin() + "/aclk/", 0), 0u) << opened;
    }

    // Photographs the window; the picture view shows the ad's picture (no white there).
    platform::gfx::Image photograph(const std::string& name, const View& imageView) {
        std::string cameraError;
        ScreenshotCamera camera{std::string(MOVU_BINARY_DIR) + "/screenshots", &cameraError};
        EXPECT_TRUE(camera.isReady()) << cameraError;
        if (!camera.isReady()) return {};
        std::string saveError;
        auto shot = camera.shoot(*window, name, &saveError);
        EXPECT_TRUE(saveError.empty()) << saveError;
        const Rect frame = imageView.convertRectToView(imageView.bounds(), nullptr);
        EXPECT_NE(ScreenshotCamera::rgb(shot, frame.midX(), frame.midY()),
                  (std::array<int, 3>{255, 255, 255}));
        return shot;
    }

    // The badge shows in the container's top-right corner in the attribution's grey.
    void expectBadge(const platform::gfx::Image& shot, const GADNativeAdContainerView& container) {
        const auto& badge = container.nativeAdViewPolicy().attributionView();
        ASSERT_FALSE(badge->isHidden());
        const Rect frame = badge->convertRectToView(badge->bounds(), nullptr);
        EXPECT_EQ(frame.maxX(), container.convertRectToView(container.bounds(), nullptr).maxX());
        EXPECT_GT(frame.width(), 10);
        // Beside the text, in the padding: the default background, grey 0.8.
        EXPECT_EQ(ScreenshotCamera::rgb(shot, frame.minX() + 2, frame.midY()),
                  (std::array<int, 3>{204, 204, 204}));
    }

    // A container's whole round: one impression, the overlay on top, the picture with its
    // image and badge, and a click from the call to action.
    void showPhotographAndTap(const std::shared_ptr<GADNativeAdContainerView>& container,
                              const std::string& name, const View& image,
                              const View& callToAction) {
        showAndExpectOneImpression(container);
        // The overlay lies over everything, hidden until the ad's page shows it.
        ASSERT_TRUE(container->nativeAdViewPolicy().overlayView());
        EXPECT_EQ(container->subviews().back(), container->nativeAdViewPolicy().overlayView());
        expectBadge(photograph(name, image), *container);
        tapAndExpectTheClick(callToAction);
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdServerFixture ads;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<platform::ui::ViewController> controller =
        platform::ui::ViewController::create();
    std::shared_ptr<Receiver> receiver = std::make_shared<Receiver>();
    std::shared_ptr<GADAdLoader> loader;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::size_t openedBefore = 0;
};

TEST_F(GADNativeAdViewWebKitTest, AContentAdInItsViewPingsOnceAndClicksFromItsCallToAction) {
    auto ad = load<GADNativeContentAd>(1);
    ASSERT_TRUE(ad);
    ASSERT_FALSE(ad->images().empty());

    auto container = GADNativeContentAdView::create({10, 40, 300, 330});
    container->setBackgroundColor({0.93f, 0.95f, 1, 1});
    auto logo = picture({10, 10, 40, 40}, ad->logo());
    auto headline = label({60, 10, 180, 40}, ad->headline(), 16, true);
    auto image = picture({10, 60, 280, 150}, ad->images().front());
    auto body = label({10, 215, 280, 50}, ad->body(), 12);
    auto advertiser = label({10, 270, 140, 20}, ad->advertiser(), 11);
    auto callToAction = callToActionLabel(ad->callToAction(), {0.15f, 0.45f, 0.85f, 1});
    for (const auto& view :
         std::vector<std::shared_ptr<View>>{logo, headline, image, body, advertiser, callToAction})
        container->addSubview(view);
    container->setLogoView(logo);
    container->setHeadlineView(headline);
    container->setImageView(image);
    container->setBodyView(body);
    container->setAdvertiserView(advertiser);
    container->setCallToActionView(callToAction);
    container->setNativeContentAd(ad);
    EXPECT_EQ(container->nativeContentAd(), ad);

    showPhotographAndTap(container, "native_content.png", *image, *callToAction);
}

TEST_F(GADNativeAdViewWebKitTest, AContentAdScrolledOutOfItsListPingsOnlyOnceScrolledIn) {
    auto ad = load<GADNativeContentAd>(1);
    ASSERT_TRUE(ad);

    // A list that clips, with the ad's container (which does not clip) far below the part
    // the list shows.
    auto list = platform::ui::ScrollView::create({0, 0, 320, 480});
    list->setContentSize({320, 2000});
    window->addSubview(list);
    auto container = GADNativeContentAdView::create({10, 1200, 300, 120});
    ASSERT_FALSE(container->clipsToBounds());
    auto headline = label({10, 10, 280, 40}, ad->headline(), 16, true);
    container->addSubview(headline);
    container->setHeadlineView(headline);
    container->setNativeContentAd(ad);
    list->addSubview(container);

    // The list lays out every frame (0.1 s of the test's clock here) while the user reads
    // what is above the ad; at 13.8 s the ad scrolls into view.
    const double placed = scope.clock().monotonic();
    auto frame = [&] {
        scope.advance(0.1);
        container->setNeedsLayout();
        window->layoutIfNeeded();
    };
    while (scope.clock().monotonic() - placed < 13.8) {
        window->layoutIfNeeded();
        ASSERT_FALSE(ad->hasRecordedImpression())
            << "counted at " << scope.clock().monotonic() - placed << " s while out of view";
        frame();
    }
    scope.runUntilIdle();
    EXPECT_EQ(ads.log().count(RequestKind::Impression), 0u);

    list->setContentOffset({0, 1000});
    const double scrolledIn = scope.clock().monotonic();
    while (!ad->hasRecordedImpression() && scope.clock().monotonic() - scrolledIn < 1.0) frame();
    EXPECT_TRUE(ad->hasRecordedImpression());
    // Within one sampling interval of the monitor (0.4 s) after it shows.
    EXPECT_LE(scope.clock().monotonic() - scrolledIn, 0.5);
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::Impression, 1));
    for (int i = 0; i < 5; ++i) frame();
    scope.runUntilIdle();
    EXPECT_EQ(ads.log().count(RequestKind::Impression), 1u);
}

TEST_F(GADNativeAdViewWebKitTest, AnAppInstallAdInItsViewPingsOnceAndClicksFromItsCallToAction) {
    auto ad = load<GADNativeAppInstallAd>(2);
    ASSERT_TRUE(ad);
    ASSERT_TRUE(ad->icon() && ad->icon()->image());

    auto container = GADNativeAppInstallAdView::create({10, 40, 300, 330});
    container->setBackgroundColor({1, 0.97f, 0.9f, 1});
    auto icon = picture({10, 10, 50, 50}, ad->icon());
    auto headline = label({70, 10, 170, 30}, ad->headline(), 16, true);
    auto rating = label({70, 40, 170, 20}, ad->starRating().toString() + " stars", 12);
    auto image = picture({10, 70, 280, 150}, ad->images().empty() ? nullptr : ad->images()[0]);
    auto body = label({10, 225, 280, 45}, ad->body(), 12);
    auto store = label({10, 275, 150, 20}, ad->store(), 11);
    auto price = label({10, 295, 150, 20}, ad->price(), 11);
    auto callToAction = callToActionLabel(ad->callToAction(), {0.1f, 0.6f, 0.3f, 1});
    for (const auto& view : std::vector<std::shared_ptr<View>>{icon, headline, rating, image, body,
                                                               store, price, callToAction})
        container->addSubview(view);
    container->setIconView(icon);
    container->setHeadlineView(headline);
    container->setStarRatingView(rating);
    container->setImageView(image);
    container->setBodyView(body);
    container->setStoreView(store);
    container->setPriceView(price);
    container->setCallToActionView(callToAction);
    container->setNativeAppInstallAd(ad);

    showPhotographAndTap(container, "native_app_install.png", *image, *callToAction);
}

TEST_F(GADNativeAdViewWebKitTest, ACustomTemplateAdShowsItsAssetsInThePublishersOwnView) {
    auto ad = load<GADNativeCustomTemplateAd>(3);
    ASSERT_TRUE(ad);
    EXPECT_EQ(ad->templateID(), kTemplateID);
    ASSERT_TRUE(ad->imageForKey("Picture"));

    // The publisher's own view of the template's assets, and its own impression.
    auto view = View::create({10, 40, 300, 300});
    view->setBackgroundColor({0.95f, 0.92f, 1, 1});
    auto headline = label({10, 10, 280, 40}, ad->stringForKey("Title"), 16, true);
    auto image = picture({10, 60, 280, 150}, ad->imageForKey("Picture"));
    auto keys = std::string("Assets:");
    for (const auto& key : ad->availableAssetKeys()) keys += " " + key;
    auto caption = label({10, 220, 280, 60}, keys, 12);
    for (const auto& subview : std::vector<std::shared_ptr<View>>{headline, image, caption})
        view->addSubview(subview);
    window->addSubview(view);
    ad->recordImpression();
    ad->recordImpression();
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::Impression, 1));
    scope.runUntilIdle();
    EXPECT_EQ(ads.log().count(RequestKind::Impression), 1u);
    photograph("native_custom_template.png", *image);
}

}  // namespace
}  // namespace ads
