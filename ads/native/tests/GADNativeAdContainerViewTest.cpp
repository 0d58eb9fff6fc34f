// The two native ad views: their asset names, their badge's, interface files that make them
// and bind their asset views, and the badge's own layout.

#include <gtest/gtest.h>

#include "ads/native/GADNativeAdAttribution.h"
#include "ads/native/GADNativeAdAttributionView.h"
#include "ads/native/GADNativeAdViewPolicy.h"
#include "ads/native/GADNativeAppInstallAdView.h"
#include "ads/native/GADNativeContentAd.h"
#include "ads/native/GADNativeContentAdView.h"
#include "ads/native/GADNativeRoom.h"
#include "ads/native/GADOverlayView.h"
#include "ads/native/tests/NativeViewTestAd.h"
#include "ads/slot/GADPushTransitionView.h"
#include "ads/testsupport/AdsTestScope.h"
#include "platform/testing/TestHttpServer.h"
#include "platform/ui/Application.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/InterfaceLoader.h"
#include "platform/ui/Label.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace ads {
namespace {

using platform::Value;
using platform::ui::View;

// The asset names a container registered, in order.
std::vector<std::string> registeredNames(const GADNativeAdContainerView& container) {
    std::vector<std::string> names;
    for (const auto& [view, name] : container.nativeAdViewPolicy().assetViews())
        names.push_back(name);
    return names;
}

class GADNativeAdContainerViewTest : public ::testing::Test {
  protected:
    testing::AdsTestScope scope;
};

TEST_F(GADNativeAdContainerViewTest, EachPropertyRegistersItsViewUnderTheFormatsAssetName) {
    auto content = GADNativeContentAdView::create({0, 0, 300, 250});
    std::vector<std::shared_ptr<View>> keep;
    auto view = [&keep] { return keep.emplace_back(View::create()); };
    content->setHeadlineView(view());
    content->setBodyView(view());
    content->setCallToActionView(view());
    content->setAdvertiserView(view());
    content->setImageView(view());
    content->setLogoView(view());
    EXPECT_EQ(registeredNames(*content),
              (std::vector<std::string>{"1001", "1002", "1003", "1004", "1005", "1006"}));
    EXPECT_EQ(content->headlineView(), keep[0]);
    EXPECT_EQ(content->logoView(), keep[5]);
    EXPECT_FALSE(content->setAssetViewForOutlet("iconView", view()));

    auto install = GADNativeAppInstallAdView::create({0, 0, 300, 250});
    install->setHeadlineView(view());
    install->setCallToActionView(view());
    install->setIconView(view());
    install->setBodyView(view());
    install->setStoreView(view());
    install->setPriceView(view());
    install->setImageView(view());
    install->setStarRatingView(view());
    EXPECT_EQ(
        registeredNames(*install),
        (std::vector<std::string>{"2001", "2002", "2003", "2004", "2005", "2006", "2007", "2008"}));
    // The properties hold their views weakly.
    keep.clear();
    EXPECT_FALSE(install->headlineView());
    EXPECT_TRUE(registeredNames(*install).empty());

    // Each container makes its badge at once, before any ad is set.
    EXPECT_EQ(content->nativeAdViewPolicy().attributionView()->superview(), content);
    EXPECT_FALSE(content->nativeContentAd());
    EXPECT_FALSE(install->nativeAppInstallAd());
}

TEST_F(GADNativeAdContainerViewTest,
       AContentAdShowsItsBadgeAndOverlayAndIsSeenOnceItMovesOnScreen) {
    auto ad = GADNativeContentAd::create(
        Value::dictionary({{"headline", Value("Headline")},
                           {"body", Value("Body")},
                           {"attribution", Value::dictionary({{"text", Value("Ad")}})}}),
        std::nullopt);
    ASSERT_TRUE(ad);
    auto container = GADNativeContentAdView::create({0, 0, 320, 250});
    container->setNativeContentAd(ad);
    EXPECT_EQ(container->nativeContentAd(), ad);
    const auto& policy = container->nativeAdViewPolicy();
    EXPECT_EQ(policy.overlayView(), ad->overlayView());
    EXPECT_EQ(container->subviews().back(), ad->overlayView());
    EXPECT_FALSE(policy.attributionView()->isHidden());
    EXPECT_EQ(policy.attributionView()->textView()->text(), "Ad");

    // Moved into a window of an active application, it is seen at once.
    platform::ui::Application::shared().becomeActive();
    auto window = platform::ui::Window::create({0, 0, 320, 480});
    window->addSubview(container);
    EXPECT_TRUE(ad->hasRecordedImpression());
    EXPECT_FALSE(policy.impressionMonitor());
}

TEST_F(GADNativeAdContainerViewTest, AnInterfaceFileMakesTheViewAndBindsItsAssetViews) {
    registerNativeClasses();
    auto result = platform::ui::InterfaceLoader::loadFromString(R"({
        "frame": [0, 0, 320, 480],
        "subviews": [
          {"class": "GADNativeAppInstallAdView", "frame": [0, 0, 320, 300], "subviews": [
            {"class": "ImageView", "outlet": "iconView", "frame": [10, 10, 40, 40]},
            {"class": "Label", "outlet": "headlineView", "frame": [60, 10, 200, 20],
             "text": "A game"},
            {"class": "View", "frame": [0, 60, 320, 240], "subviews": [
              {"class": "Button", "outlet": "callToActionView", "frame": [200, 200, 100, 30],
               "title": "Install"}]}]},
          {"class": "GADNativeContentAdView", "frame": [0, 300, 320, 180], "subviews": [
            {"class": "Label", "outlet": "headlineView", "text": "News"}]}]})",
                                                                "NativeAds.json", nullptr, {});
    ASSERT_TRUE(result.view) << result.error;
    auto install =
        std::dynamic_pointer_cast<GADNativeAppInstallAdView>(result.view->subviews().at(0));
    auto content = std::dynamic_pointer_cast<GADNativeContentAdView>(result.view->subviews().at(1));
    ASSERT_TRUE(install && content);
    EXPECT_EQ(registeredNames(*install), (std::vector<std::string>{"2003", "2001", "2002"}));
    auto headline = std::dynamic_pointer_cast<platform::ui::Label>(install->headlineView());
    ASSERT_TRUE(headline);
    EXPECT_EQ(headline->text(), "A game");
    EXPECT_TRUE(std::dynamic_pointer_cast<platform::ui::ImageView>(install->iconView()));
    EXPECT_EQ(registeredNames(*content), (std::vector<std::string>{"1001"}));
    // The badge made with the container stays in it.
    EXPECT_EQ(install->nativeAdViewPolicy().attributionView()->superview(), install);

    // An asset outlet of the other format is no outlet here: it goes on to the file's owner,
    // which has none either.
    auto owner = std::make_shared<platform::ui::ViewController>();
    auto wrong = platform::ui::InterfaceLoader::loadFromString(
        R"({"class": "GADNativeContentAdView", "subviews": [{"outlet": "storeView"}]})",
        "Wrong.json", owner.get(), owner);
    EXPECT_FALSE(wrong.view);
    EXPECT_NE(wrong.error.find("has no outlet \"storeView\""), std::string::npos) << wrong.error;
    EXPECT_FALSE(content->assetViewForOutlet("storeView"));
}

TEST_F(GADNativeAdContainerViewTest, TheBadgeLaysItselfOutFromItsCurrentAttributionOnly) {
    platform::testing::TestHttpServer server;
    testing::servePicture(server, "/a.png", 16, 16);
    testing::servePicture(server, "/b.png", 24, 10);
    const auto attribution = testing::loadedAttribution;
    auto badge = GADNativeAdAttributionView::create();
    // Subviews in the order icon, label, left padding, right padding; rounded and clipped.
    ASSERT_EQ(badge->subviews().size(), 4u);
    EXPECT_EQ(badge->subviews()[0], badge->iconView());
    EXPECT_EQ(badge->subviews()[1], badge->textView());
    EXPECT_TRUE(badge->clipsToBounds());
    EXPECT_EQ(badge->cornerRadius(), 3.0);

    badge->setAttribution(attribution(
        {{"text", Value("Ad")},
         {"text_size", Value(10)},
         {"animation_ms", Value(500)},
         {"presentation_ms", Value(2500)},
         {"bg_color", Value::dictionary({{"r", Value(255)}, {"g", Value(0)}, {"b", Value(0)}})},
         {"images", Value::array({Value::dictionary({{"url", Value(server.url("/a.png"))}}),
                                  Value::dictionary({{"url", Value(server.url("/b.png"))}})})}}));
    EXPECT_EQ(badge->backgroundColor(), (platform::Color{1, 0, 0, 1}));
    EXPECT_EQ(badge->iconView()->views().size(), 2u);
    EXPECT_EQ(badge->iconView()->animationDuration(), 0.5);
    EXPECT_EQ(badge->iconView()->presentationDuration(), 2.5);

    // H: [padding][label][padding][icons], edge to edge, centred; the paddings 0.37 label
    // heights wide; the icon view as large as the largest icon each way.
    const auto size = badge->sizeThatFits({});
    badge->setFrame({0, 0, size.width, size.height});
    badge->layoutIfNeeded();
    const auto label = badge->textView()->frame();
    const auto icons = badge->iconView()->frame();
    const double padding = 0.37 * label.height();
    EXPECT_EQ(label.height(), 12);  // 10-point text
    EXPECT_DOUBLE_EQ(label.minX(), padding);
    EXPECT_DOUBLE_EQ(icons.minX(), label.maxX() + padding);
    EXPECT_EQ(icons.size, (platform::Size{24, 16}));
    EXPECT_DOUBLE_EQ(icons.maxX(), size.width);
    EXPECT_EQ(size.height, 16);
    EXPECT_EQ(label.midY(), 8);
    EXPECT_EQ(icons.minY(), 0);

    // A new attribution forgets the older icons' sizes; no text takes no room.
    badge->setAttribution(attribution(
        {{"images", Value::array({Value::dictionary({{"url", Value(server.url("/a.png"))}})})}}));
    EXPECT_EQ(badge->sizeThatFits({}), (platform::Size{16, 16}));
    badge->setAttribution(attribution({{"text", Value("Ad")}}));
    EXPECT_EQ(badge->sizeThatFits({}).height, 15);  // the 12-point default text alone
    EXPECT_TRUE(badge->iconView()->views().empty());
}

}  // namespace
}  // namespace ads
