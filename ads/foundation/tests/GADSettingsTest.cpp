#include "ads/foundation/GADSettings.h"

#include <gtest/gtest.h>

#include <cmath>

#include "ads/foundation/GADSettingsKeys.h"
#include "ads/testsupport/TemporaryHome.h"
#include "platform/base/Value.h"
#include "platform/storage/UserDefaults.h"

namespace ads {
namespace {

using platform::Value;
namespace keys = settings_keys;

class GADSettingsTest : public ::testing::Test {
  protected:
    testing::TemporaryHome home;
    std::unique_ptr<platform::UserDefaults> defaults = home.openDefaults();
    GADSettings settings{*defaults};

    void set(const char* key, Value value) { defaults->setObject(key, std::move(value)); }
};

TEST_F(GADSettingsTest, DefaultsWhileNothingIsStored) {
    EXPECT_FALSE(settings.badAdReportPath());
    EXPECT_FALSE(settings.asDomains());
    EXPECT_FALSE(settings.iapReportFormat());
    EXPECT_FALSE(settings.nativeAdSupportURL());
    EXPECT_FALSE(settings.spaceDelimitedUnicodeRange());
    EXPECT_FALSE(settings.characterDelimitedUnicodeRange());
    EXPECT_FALSE(settings.prefetchExperimentID());
    EXPECT_FALSE(settings.contentURLFingerprint());
    EXPECT_EQ(settings.iapRetrySuffix(), "&retry=1");
    EXPECT_EQ(settings.iapEquivalentClasses(), std::vector<std::string>{"DORUzuraruzero"});
    EXPECT_FALSE(settings.bannerPreventAutoplay());
    EXPECT_FALSE(settings.enableSignedInAds());
    EXPECT_FALSE(settings.prefetchEnabled());
    EXPECT_FALSE(settings.contentURLEnabled());
    EXPECT_TRUE(settings.deeplinkplusEnabled());
    EXPECT_FALSE(settings.disableInterstitialClickPingOnClickNavigation());
    EXPECT_EQ(settings.webViewCacheMaxCapacity(), 0);
    EXPECT_EQ(settings.adKeyParentViewCount(), 20);
    EXPECT_EQ(settings.contentAgeWeight(), 1);
    EXPECT_EQ(settings.contentLengthWeight(), 1);
    EXPECT_EQ(settings.minimumParagraphLength(), 6);
    EXPECT_EQ(settings.maximumShingleCount(), 10);
    EXPECT_EQ(settings.contentQueueMaximumCapacity(), 10);
    EXPECT_EQ(settings.shingleLength(), 6);
    EXPECT_EQ(settings.urlTimeToLive(), 3);
    EXPECT_EQ(settings.maximumRetryURLCount(), 10);
    EXPECT_EQ(settings.minimumSignedInAdsTokenLifespan(), 60);
    EXPECT_EQ(settings.traversalInterval(), 10);
    EXPECT_EQ(settings.pingInterval(), 60);
    EXPECT_EQ(settings.csiReportingProbability(), 0.05);
    EXPECT_FALSE(settings.whitelistedAdRequestDomains());
    EXPECT_EQ(settings.clickthroughConfirmSchemes(),
              (std::map<std::string, std::string>{{"facetime", "FaceTime"}, {"tel", "Call"}}));
}

TEST_F(GADSettingsTest, ServerTextsConvertByTheNumberRules) {
    set(keys::kBadAdReportPath, "https://r.test/s");
    set(keys::kAsDomains, "");  // empty counts as absent
    set(keys::kIapRetrySuffix, "");
    set(keys::kBannerPreventAutoplay, "YES");
    set(keys::kEnableSignedInAds, "true");
    set(keys::kPrefetchEnabled, "0");
    set(keys::kDeeplinkplusEnabled, "0");
    set(keys::kContentURLEnabled, true);
    set(keys::kAdKeyParentViewCount, "7 views");
    set(keys::kShingleLength, 4);
    set(keys::kUrlTimeToLive, "abc");
    set(keys::kTraversalInterval, "2.5");
    set(keys::kCsiReportingProbability, "0.5");
    set(keys::kPrefetchExperimentID, "exp-1");
    EXPECT_EQ(settings.badAdReportPath(), "https://r.test/s");
    EXPECT_FALSE(settings.asDomains());
    EXPECT_EQ(settings.iapRetrySuffix(), "");
    EXPECT_TRUE(settings.bannerPreventAutoplay());
    EXPECT_TRUE(settings.enableSignedInAds());
    EXPECT_FALSE(settings.prefetchEnabled());
    EXPECT_FALSE(settings.deeplinkplusEnabled());
    EXPECT_TRUE(settings.contentURLEnabled());
    EXPECT_EQ(settings.adKeyParentViewCount(), 7);
    EXPECT_EQ(settings.shingleLength(), 4);
    EXPECT_EQ(settings.urlTimeToLive(), 0);
    EXPECT_EQ(settings.traversalInterval(), 2.5);
    EXPECT_EQ(settings.csiReportingProbability(), 0.5);
    EXPECT_EQ(settings.prefetchExperimentID(), "exp-1");
}

TEST_F(GADSettingsTest, RangesAndIntervalsThatWouldHurt) {
    const std::pair<const char*, std::int64_t> capacities[] = {
        {"9", 9}, {"0", 0}, {"10", 0}, {"-1", 0}, {"x", 0}};
    for (const auto& [stored, expected] : capacities) {
        set(keys::kWebViewCacheMaxCapacity, stored);
        EXPECT_EQ(settings.webViewCacheMaxCapacity(), expected) << stored;
    }
    for (const char* bad : {"0", "-5", "nan", "abc"}) {
        set(keys::kPingInterval, bad);
        set(keys::kTraversalInterval, bad);
        set(keys::kMinimumSignedInAdsTokenLifespan, bad);
        EXPECT_EQ(settings.pingInterval(), 60) << bad;
        EXPECT_EQ(settings.traversalInterval(), 10) << bad;
        EXPECT_EQ(settings.minimumSignedInAdsTokenLifespan(), 60) << bad;
    }
    set(keys::kPingInterval, INFINITY);
    EXPECT_EQ(settings.pingInterval(), 60);
    set(keys::kPingInterval, "30");
    EXPECT_EQ(settings.pingInterval(), 30);
    set(keys::kMinimumSignedInAdsTokenLifespan, "120");
    EXPECT_EQ(settings.minimumSignedInAdsTokenLifespan(), 120);
}

TEST_F(GADSettingsTest, FlagsOnlyTheOneTextSets) {
    for (const auto& [stored, expected] : std::initializer_list<std::pair<Value, bool>>{
             {"1", true}, {1, true}, {"YES", false}, {"0", false}, {"true", false}}) {
        set(keys::kDisableInterstitialClickPingOnClickNavigation, stored);
        EXPECT_EQ(settings.disableInterstitialClickPingOnClickNavigation(), expected)
            << stored.description();
    }
}

TEST_F(GADSettingsTest, ListsAndDictionaries) {
    set(keys::kIapEquivalentClasses, "A,,B,");
    EXPECT_EQ(settings.iapEquivalentClasses(), (std::vector<std::string>{"A", "B"}));
    set(keys::kIapEquivalentClasses, Value::array({"X", 3, "", "Y"}));
    EXPECT_EQ(settings.iapEquivalentClasses(), (std::vector<std::string>{"X", "Y"}));
    set(keys::kIapEquivalentClasses, ",");
    EXPECT_TRUE(settings.iapEquivalentClasses().empty());
    set(keys::kIapEquivalentClasses, 5);
    EXPECT_EQ(settings.iapEquivalentClasses(), std::vector<std::string>{"DORUzuraruzero"});

    set(keys::kWhitelistedAdRequestDomains, Value::array({"a.test", 1, "b.test"}));
    EXPECT_EQ(settings.whitelistedAdRequestDomains(),
              (std::vector<std::string>{"a.test", "b.test"}));
    set(keys::kWhitelistedAdRequestDomains, Value::array());
    EXPECT_EQ(settings.whitelistedAdRequestDomains(), std::vector<std::string>{});
    set(keys::kWhitelistedAdRequestDomains, "a.test");
    EXPECT_FALSE(settings.whitelistedAdRequestDomains());

    set(keys::kClickthroughConfirmSchemes, Value::dictionary({{"sms", "Text"}, {"bad", 2}}));
    EXPECT_EQ(settings.clickthroughConfirmSchemes(),
              (std::map<std::string, std::string>{{"sms", "Text"}}));
}

TEST_F(GADSettingsTest, TheStandardDefaultsAreReadUnlessOthersAreGiven) {
    platform::UserDefaults::standard().setObject(keys::kPingInterval, Value("15"));
    EXPECT_EQ(GADSettings().pingInterval(), 15);
    EXPECT_EQ(settings.pingInterval(), 60);
    EXPECT_EQ(std::string(keys::kKeyPrefix) + keys::kPlainConstantNames[0], keys::kBadAdReportPath);
    EXPECT_EQ(std::size(keys::kPlainConstantNames), 30u);
}

}  // namespace
}  // namespace ads
