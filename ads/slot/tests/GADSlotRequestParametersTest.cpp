// The parameters a slot's request hands the SDK core page, key by key, from chosen inputs.

#include "ads/slot/GADSlotRequestParameters.h"

#include <gtest/gtest.h>

#include "ads/testsupport/AdsTestScope.h"

namespace ads {
namespace {

using platform::Value;

GADSlotRequestInputs banner(GADAdSize size = kGADAdSizeBanner) {
    GADSlotRequestInputs in;
    in.adType = GADAdType::bannerAdTypeForSize(size);
    in.frame = platform::Rect(0, 430, 320, 50);
    in.bounds = platform::Rect(0, 0, 320, 50);
    return in;
}

bool has(const Value::Dictionary& parameters, const char* key) {
    return parameters.count(key) != 0;
}

TEST(GADSlotRequestParametersTest, FormatAndGeometryFollowTheAdType) {
    ads::testing::AdsTestScope scope;
    GADSlotRequestInputs interstitial;
    interstitial.adType = GADAdType::interstitialAdType();
    interstitial.multipleAdSizes = "320x50";
    auto p = GADSlotRequestParameters(interstitial);
    EXPECT_EQ(p["format"], Value("interstitial_mb"));
    for (const char* key : {"ad_frame", "ad_bounds", "sz", "smart_w", "smart_h", "fluid"}) {
        EXPECT_FALSE(has(p, key)) << key;
    }

    auto plain = banner();
    plain.multipleAdSizes = "320x50|300x250";
    p = GADSlotRequestParameters(plain);
    EXPECT_FALSE(has(p, "format"));
    EXPECT_EQ(p["sz"], Value("320x50|300x250"));
    EXPECT_EQ(p["ad_frame"],
              Value::dictionary({{"x", 0.0}, {"y", 430.0}, {"w", 320.0}, {"h", 50.0}}));
    EXPECT_EQ(p["ad_bounds"],
              Value::dictionary({{"x", 0.0}, {"y", 0.0}, {"w", 320.0}, {"h", 50.0}}));
    EXPECT_FALSE(has(p, "smart_w"));

    // A rectangle of negative size is sent standardized.
    plain.frame = platform::Rect(10, 10, -5, -6);
    EXPECT_EQ(GADSlotRequestParameters(plain)["ad_frame"],
              Value::dictionary({{"x", 5.0}, {"y", 4.0}, {"w", 5.0}, {"h", 6.0}}));

    p = GADSlotRequestParameters(banner(kGADAdSizeSmartBannerPortrait));
    EXPECT_EQ(p["smart_w"], Value("full"));
    EXPECT_EQ(p["smart_h"], Value("auto"));
    p = GADSlotRequestParameters(banner(GADAdSize{{0, 50}, kGADAdSizeFlagFullWidth}));
    EXPECT_EQ(p["smart_w"], Value("full"));
    EXPECT_FALSE(has(p, "smart_h"));

    // A fluid banner names its format; the valid sizes do not go with it.
    auto fluid = banner(kGADAdSizeFluid);
    fluid.multipleAdSizes = "320x50";
    p = GADSlotRequestParameters(fluid);
    EXPECT_EQ(p["format"], Value("320x50_mb"));
    EXPECT_EQ(p["fluid"], Value("height"));
    EXPECT_FALSE(has(p, "sz"));
    EXPECT_TRUE(has(p, "ad_frame"));
}

TEST(GADSlotRequestParametersTest, ValidSizesSkipPlainAndInvalidBoxesAndDropSigns) {
    ads::testing::AdsTestScope scope;
    EXPECT_EQ(GADMultipleAdSizeParameterFromSizes(
                  {NSValueFromGADAdSize(kGADAdSizeBanner), NSValueFromCGSize({728, 90}),
                   NSValueFromGADAdSize(kGADAdSizeMediumRectangle)}),
              "320x50|300x250");
    EXPECT_EQ(GADMultipleAdSizeParameterFromSizes({NSValueFromGADAdSize(kGADAdSizeInvalid)}), "");
    EXPECT_EQ(GADMultipleAdSizeParameterFromSizes({}), "");
    // A custom size given with negative sides would otherwise wrap to 18446744073709551296.
    EXPECT_EQ(GADMultipleAdSizeParameterFromSizes(
                  {NSValueFromGADAdSize(GADAdSize{{-320.7, -50.2}, kGADAdSizeFlagCustom})}),
              "320x50");
}

TEST(GADSlotRequestParametersTest, QualitySignalsCarryOnlyWhatIsThere) {
    ads::testing::AdsTestScope scope;
    auto in = banner();
    in.requestParameters = {{"preqs", Value(1)}};
    in.applicationStatistics = Value::dictionary();
    in.privateMediationExtras = Value::Dictionary{};
    auto p = GADSlotRequestParameters(in);
    EXPECT_FALSE(has(p, "quality_signals"));
    EXPECT_EQ(p["preqs"], Value(1));

    in.applicationStatistics = Value::dictionary({{"seq_num", Value(3)}});
    in.privateMediationExtras = Value::Dictionary{{"extra", Value("x")}};
    p = GADSlotRequestParameters(in);
    EXPECT_EQ(p["quality_signals"],
              Value::dictionary({{"app", in.applicationStatistics},
                                 {"request", Value::dictionary({{"extra", Value("x")}})}}));

    in.adStatistics = {Value::dictionary({{"tclickcurr", Value(5)}})};
    p = GADSlotRequestParameters(in);
    EXPECT_EQ(p["quality_signals"]["ads"], Value::array({in.adStatistics[0]}));
}

TEST(GADSlotRequestParametersTest, FlagsIdsAndStoredSettings) {
    ads::testing::AdsTestScope scope;
    auto in = banner();
    auto p = GADSlotRequestParameters(in);
    // Nothing set: only https is asked for.
    for (const char* key :
         {"correlation_id", "slotname", "request_id", "ad_pos", "cladr", "d_imp_hdr", "iap_set",
          "content_info", "pan", "view_hierarchy", "eid", "_forcePrefetch"}) {
        EXPECT_FALSE(has(p, key)) << key;
    }
    EXPECT_EQ(p["force_https"], Value("1"));

    in.correlationID = 0xFFFFFFF0u;
    in.adUnitID = "ca-movu-banner";
    in.requestID = "7";
    in.adPosition = Value::dictionary({{"x", 1.0}});
    in.calledLoadAndDisplayRequest = true;
    in.manualImpressionsEnabled = true;
    in.hasInAppPurchaseDelegate = true;
    in.contentFingerprint = "fp";
    in.viewHierarchy = Value::dictionary({{"creator_class", Value("GADBannerView")}});
    in.prefetchExperimentID = "e1";
    in.prefetchEnabled = true;
    p = GADSlotRequestParameters(in);
    EXPECT_EQ(p["correlation_id"], Value(std::int64_t{0xFFFFFFF0}));
    EXPECT_EQ(p["slotname"], Value("ca-movu-banner"));
    EXPECT_EQ(p["request_id"], Value("7"));
    EXPECT_EQ(p["ad_pos"], *in.adPosition);
    EXPECT_EQ(p["cladr"], Value("1"));
    EXPECT_EQ(p["d_imp_hdr"], Value("1"));
    EXPECT_EQ(p["iap_set"], Value("1"));
    EXPECT_EQ(p["content_info"],
              Value::dictionary({{"fingerprint", Value("fp")}, {"v", Value(1)}}));
    EXPECT_EQ(p["view_hierarchy"], *in.viewHierarchy);
    EXPECT_EQ(p["eid"], Value("e1"));
    EXPECT_EQ(p["_forcePrefetch"], Value("1"));

    // https off by the settings, and no token: plain http may be used.
    in.useHttps = false;
    EXPECT_FALSE(has(GADSlotRequestParameters(in), "force_https"));
    in.useHttps = true;
    EXPECT_EQ(GADSlotRequestParameters(in)["force_https"], Value("1"));
    // A signed-in token forces https whatever the settings say.
    in.useHttps = false;
    in.signedInToken = "tok";
    p = GADSlotRequestParameters(in);
    EXPECT_EQ(p["pan"], Value::dictionary({{"token", Value("tok")}}));
    EXPECT_EQ(p["force_https"], Value("1"));
}

}  // namespace
}  // namespace ads
