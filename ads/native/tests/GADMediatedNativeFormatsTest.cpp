// Content and app install ads made from networks' ads, on the real formats.

#include <gtest/gtest.h>

#include "ads/native/GADAdLoaderOptions.h"
#include "ads/native/GADMediatedNativeAd.h"
#include "ads/native/GADNativeAdImage.h"
#include "ads/native/GADNativeAppInstallAd.h"
#include "ads/native/GADNativeContentAd.h"
#include "ads/native/tests/NetworkNativeAds.h"
#include "ads/testsupport/AdsTestScope.h"
#include "platform/ui/Image.h"

namespace ads {
namespace {

using platform::Value;
using testing::NetworkAppInstallAd;
using testing::NetworkBothAd;
using testing::NetworkContentAd;

std::shared_ptr<GADNativeAdImage> drawnImage(double scale = 2) {
    return GADNativeAdImage::createWithImage(std::make_shared<const platform::ui::Image>(
        "drawn", platform::ui::Size{10, 10}, nullptr, scale));
}

// An address that never gives a picture.
std::shared_ptr<GADNativeAdImage> unloadableImage() {
    return GADNativeAdImage::createWithURL(*platform::Url::parse("file:///no/picture.png"), 3);
}

std::optional<GADAdLoaderOptionsMap> imageLoading(bool disabled) {
    auto options = GADNativeAdImageAdLoaderOptions::create();
    options->disableImageLoading = disabled;
    return GADAdLoaderOptionsMap{{GADNativeAdImageAdLoaderOptions::kClassName, options}};
}

// Asset loading that answered, with no error.
const std::optional<std::optional<platform::Error>> kSucceeded{std::in_place};

class GADMediatedNativeFormatsTest : public ::testing::Test {
  protected:
    // The outcome of the ad's asset loading once the loop has run.
    std::optional<std::optional<platform::Error>> loadAssets(GADNativeAd& ad) {
        std::optional<std::optional<platform::Error>> outcome;
        ad.loadAssetsWithCompletionHandler(
            [&](const std::optional<platform::Error>& error) { outcome = error; });
        scope.runUntilIdle();
        return outcome;
    }
    static std::shared_ptr<GADMediatedNativeAd> wrap(
        std::shared_ptr<GADMediatedNativeAdProtocol> network) {
        return std::make_shared<GADMediatedNativeAd>("NetworkAdapter", std::move(network));
    }

    testing::AdsTestScope scope;
};

TEST_F(GADMediatedNativeFormatsTest, TheClassFollowsTheProtocolsAndBothMeanAppInstall) {
    EXPECT_EQ(GADNativeAd::classFromMediatedNativeAd(*wrap(std::make_shared<NetworkBothAd>())),
              GADNativeAppInstallAd::loadingClass());
    EXPECT_EQ(GADNativeAd::classFromMediatedNativeAd(*wrap(std::make_shared<NetworkContentAd>())),
              GADNativeContentAd::loadingClass());
    EXPECT_FALSE(GADNativeAd::classFromMediatedNativeAd(*wrap(nullptr)));
    // An object of both still makes either format when asked for it by its class.
    EXPECT_TRUE(GADNativeContentAd::createWithMediatedNativeAd(
        wrap(std::make_shared<NetworkBothAd>()), std::nullopt));
    EXPECT_FALSE(GADNativeContentAd::createWithMediatedNativeAd(
        wrap(std::make_shared<NetworkAppInstallAd>()), std::nullopt));
    EXPECT_FALSE(GADNativeAppInstallAd::createWithMediatedNativeAd(
        wrap(std::make_shared<NetworkContentAd>()), std::nullopt));
}

TEST_F(GADMediatedNativeFormatsTest, AContentAdCopiesTheNetworksAssetsAndNeedsHeadlineAndBody) {
    auto network = std::make_shared<NetworkContentAd>();
    network->assets.images = {unloadableImage(), drawnImage()};
    network->assets.logo = drawnImage();
    network->assets.extraAssets = Value::Dictionary{{"rank", Value("A")}};
    auto ad = GADNativeContentAd::createWithMediatedNativeAd(wrap(network), imageLoading(false));
    ASSERT_TRUE(ad);
    EXPECT_EQ(ad->headline(), "Headline");
    EXPECT_EQ(ad->body(), "Body");
    EXPECT_EQ(ad->callToAction(), "Go");
    EXPECT_EQ(ad->advertiser(), "Maker");
    EXPECT_EQ(ad->logo(), network->assets.logo);
    EXPECT_EQ(ad->images(), network->assets.images);
    EXPECT_EQ(ad->adNetworkClassName(), "NetworkAdapter");
    EXPECT_EQ(ad->extraAssets(), network->assets.extraAssets);
    EXPECT_FALSE(ad->attribution());
    EXPECT_FALSE(ad->overlayView());
    // The network's pictures are never loaded by the ad: the broken one does not fail it.
    EXPECT_EQ(loadAssets(*ad), kSucceeded);
    EXPECT_EQ(ad->images(), network->assets.images);

    for (auto missing : {&testing::NetworkAssets::headline, &testing::NetworkAssets::body}) {
        auto lacking = std::make_shared<NetworkContentAd>();
        (lacking->assets.*missing).reset();
        EXPECT_FALSE(GADNativeContentAd::createWithMediatedNativeAd(wrap(lacking), std::nullopt));
    }
}

TEST_F(GADMediatedNativeFormatsTest, AnAppInstallAdLoadsOnlyItsIconAndOnlyWhenLoadingIsOn) {
    for (bool disabled : {false, true}) {
        SCOPED_TRACE(disabled);
        auto network = std::make_shared<NetworkAppInstallAd>();
        network->assets.images = {unloadableImage()};
        network->assets.icon = drawnImage();
        auto ad = GADNativeAppInstallAd::createWithMediatedNativeAd(wrap(network),
                                                                    imageLoading(disabled));
        ASSERT_TRUE(ad);
        EXPECT_EQ(ad->store(), "Store");
        EXPECT_EQ(ad->price(), "1.99");
        EXPECT_EQ(ad->starRating(), *platform::Decimal::parse("4.5"));
        EXPECT_EQ(ad->icon(), network->assets.icon);
        EXPECT_EQ(ad->images(), network->assets.images);
        EXPECT_EQ(loadAssets(*ad), kSucceeded);
        EXPECT_EQ(ad->images(), network->assets.images);
        EXPECT_FALSE(ad->images()[0]->image());
    }
    // An icon that must load and cannot fails the ad; with loading off it is not tried.
    for (bool disabled : {false, true}) {
        auto network = std::make_shared<NetworkAppInstallAd>();
        network->assets.icon = unloadableImage();
        auto ad = GADNativeAppInstallAd::createWithMediatedNativeAd(wrap(network),
                                                                    imageLoading(disabled));
        ASSERT_TRUE(ad);
        const auto outcome = loadAssets(*ad);
        ASSERT_TRUE(outcome);
        EXPECT_EQ(outcome->has_value(), !disabled);
    }
    // Headline, call to action and icon are required; a missing rating is 0.
    auto network = std::make_shared<NetworkAppInstallAd>();
    network->assets.icon = drawnImage();
    network->assets.starRating.reset();
    auto ad = GADNativeAppInstallAd::createWithMediatedNativeAd(wrap(network), std::nullopt);
    ASSERT_TRUE(ad);
    EXPECT_TRUE(ad->starRating().isZero());
    for (auto missing :
         {&testing::NetworkAssets::headline, &testing::NetworkAssets::callToAction}) {
        auto lacking = std::make_shared<NetworkAppInstallAd>();
        lacking->assets.icon = drawnImage();
        (lacking->assets.*missing).reset();
        EXPECT_FALSE(
            GADNativeAppInstallAd::createWithMediatedNativeAd(wrap(lacking), std::nullopt));
    }
    EXPECT_FALSE(GADNativeAppInstallAd::createWithMediatedNativeAd(
        wrap(std::make_shared<NetworkAppInstallAd>()), std::nullopt));
}

TEST_F(GADMediatedNativeFormatsTest, AnImpressionPingsNothingOfItsOwnAndReachesManagerAndNetwork) {
    auto network = std::make_shared<NetworkContentAd>();
    auto wrapper = wrap(network);
    int managerImpressions = 0;
    int managerClicks = 0;
    wrapper->addImpressionHandler([&] { ++managerImpressions; });
    wrapper->addClickHandler([&] { ++managerClicks; });
    auto ad = GADNativeContentAd::createWithMediatedNativeAd(wrapper, std::nullopt);
    ASSERT_TRUE(ad);
    EXPECT_TRUE(ad->impressionTrackingURLs().empty());
    ad->recordImpression();
    ad->recordImpression();
    EXPECT_EQ(managerImpressions, 1);
    ad->performClickOnView(nullptr, "body", std::nullopt);
    EXPECT_EQ(managerClicks, 1);
    EXPECT_EQ(network->hears->heard, (std::vector<std::string>{"impression", "click:body"}));
}

TEST_F(GADMediatedNativeFormatsTest, ImagesForNetworksKeepWhatTheyAreGiven) {
    auto drawn = drawnImage(2);
    EXPECT_EQ(drawn->scale(), 2);
    EXPECT_TRUE(drawn->image());
    EXPECT_FALSE(drawn->imageURL());
    // Already there: it answers at once, without an address.
    bool answered = false;
    drawn->loadImageWithCompletionHandler(
        [&](const std::optional<platform::Error>& error) { answered = !error; });
    scope.runUntilIdle();
    EXPECT_TRUE(answered);

    auto url = platform::Url::parse("https://images.test/a.png");
    auto remote = GADNativeAdImage::createWithURL(*url, 3);
    EXPECT_EQ(remote->imageURL(), url);
    EXPECT_EQ(remote->scale(), 3);
    EXPECT_FALSE(remote->image());
    EXPECT_EQ(GADNativeAdImage::createWithImage(nullptr)->scale(), 1);
}

}  // namespace
}  // namespace ads
