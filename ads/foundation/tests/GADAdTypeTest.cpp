#include "ads/foundation/GADAdType.h"

#include <gtest/gtest.h>

#include <unordered_set>

namespace ads {
namespace {

TEST(GADAdTypeTest, EqualityAndHashAgree) {
    const auto interstitial = GADAdType::interstitialAdType();
    const auto video = GADAdType::rewardBasedVideoAdType();
    const auto invalidBanner = GADAdType::bannerAdTypeForSize(kGADAdSizeInvalid);
    const auto banner = GADAdType::bannerAdTypeForSize(kGADAdSizeBanner);
    EXPECT_EQ(interstitial, GADAdType::interstitialAdType());
    EXPECT_EQ(interstitial, video);
    EXPECT_EQ(interstitial, invalidBanner);
    EXPECT_EQ(banner, GADAdType::bannerAdTypeForSize(kGADAdSizeBanner));
    EXPECT_FALSE(banner == interstitial);
    EXPECT_FALSE(banner == GADAdType::bannerAdTypeForSize(GADAdSizeFromCGSize({320, 51})));
    // Equal kinds hash alike, so sets and maps find them.
    EXPECT_EQ(interstitial.hash(), video.hash());
    EXPECT_EQ(interstitial.hash(), invalidBanner.hash());
    EXPECT_EQ(banner.hash(), GADAdType::bannerAdTypeForSize(kGADAdSizeBanner).hash());
    std::unordered_set<GADAdType> kinds{interstitial, banner};
    EXPECT_EQ(kinds.count(video), 1u);
    EXPECT_EQ(kinds.count(invalidBanner), 1u);
    EXPECT_EQ(kinds.size(), 2u);
}

TEST(GADAdTypeTest, KindsSizesAndValidity) {
    auto interstitial = GADAdType::interstitialAdType();
    EXPECT_TRUE(interstitial.isInterstitial());
    EXPECT_FALSE(interstitial.isRewardBasedVideoAd());
    EXPECT_TRUE(interstitial.isValid());
    interstitial.setAdSize(kGADAdSizeBanner);
    EXPECT_TRUE(GADAdSizeEqualToSize(interstitial.adSize(), kGADAdSizeInvalid));

    auto video = GADAdType::rewardBasedVideoAdType();
    EXPECT_TRUE(video.isRewardBasedVideoAd());
    EXPECT_FALSE(video.isValid());
    video.setAdSize(kGADAdSizeBanner);
    EXPECT_TRUE(GADAdSizeEqualToSize(video.adSize(), kGADAdSizeInvalid));

    auto banner = GADAdType::bannerAdTypeForSize(kGADAdSizeBanner);
    EXPECT_TRUE(banner.isValid());
    banner.setAdSize(GADAdSize{{320, 50}, 8});
    EXPECT_FALSE(banner.isValid());

    EXPECT_EQ(interstitial.description(), "GADAdType interstitial type");
    EXPECT_EQ(GADAdType::bannerAdTypeForSize(kGADAdSizeBanner).description(),
              "GADAdType banner with size: kGADAdSizeBanner");
}

}  // namespace
}  // namespace ads
