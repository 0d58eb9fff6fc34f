#include "ads/slot/GADMConfig.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ads/foundation/GADJSONAdditions.h"
#include "ads/foundation/GADLog.h"
#include "platform/base/LogSink.h"
#include "platform/runtime/ClassRegistry.h"

namespace ads {
namespace {

using platform::Value;

Value json(std::string_view text) {
    auto parsed = gad_decodedJSONObject(text);
    EXPECT_TRUE(parsed) << text;
    return parsed ? *parsed : Value();
}

// Adapter classes as the registry would know them: a proper one, one of an old API.
class AdapterClasses {
  public:
    AdapterClasses() {
        auto& registry = platform::ClassRegistry::shared();
        registry.registerName("ConfigTestAdapter", "NSObject", {"GADMAdNetworkAdapter"});
        registry.addInstanceCalls("ConfigTestAdapter", {"getBannerWithSize:", "getInterstitial"});
        registry.registerName("ConfigTestOldAdapter", "NSObject", {"GADMAdNetworkAdapter"});
        registry.registerName("ConfigTestOtherOld", "NSObject");
        registry.registerName("ConfigTestNoProtocol", "NSObject");
        registry.addInstanceCalls("ConfigTestNoProtocol", {"getInterstitial"});
    }
    ~AdapterClasses() {
        for (const char* name : {"ConfigTestAdapter", "ConfigTestOldAdapter", "ConfigTestOtherOld",
                                 "ConfigTestNoProtocol"}) {
            platform::ClassRegistry::shared().unregisterClass(name);
        }
    }
};

std::shared_ptr<GADMConfig> parse(const Value& document, std::optional<GADRequestError>& error) {
    return GADMConfig::create("unit", document, error);
}

TEST(GADMConfigTest, SettingsTakeWhatTheyCanAndKeepTheirDefaults) {
    struct Case {
        const char* settings;
        double refresh;
        std::int64_t transition;
        double timeout;
    };
    const Case cases[] = {
        {"{}", 0, 8, 10.0},
        {R"({"refresh": 29999.5})", 29999.5, 8, 10.0},
        {R"({"refresh": 30000})", 0, 8, 10.0},
        {R"({"refresh": -5})", -5, 8, 10.0},
        {R"({"refresh": "abc"})", 0, 8, 10.0},
        {R"({"refresh": "45"})", 45, 8, 10.0},
        {R"({"refresh": [1]})", 0, 8, 10.0},
        {R"({"ad_transition_anim": 8})", 0, 8, 10.0},
        {R"({"ad_transition_anim": 9})", 0, 8, 10.0},
        {R"({"ad_transition_anim": -1})", 0, 8, 10.0},
        {R"({"ad_transition_anim": "3"})", 0, 3, 10.0},
        {R"({"ad_transition_anim": 0})", 0, 0, 10.0},
        {R"({"ad_network_timeout_millis": 2500})", 0, 8, 2.5},
        {R"({"ad_network_timeout_millis": "1500"})", 0, 8, 1.5},
        // A time-out that is over at once, or never, would skip or stall every network.
        {R"({"ad_network_timeout_millis": 0})", 0, 8, 10.0},
        {R"({"ad_network_timeout_millis": -100})", 0, 8, 10.0},
        // A server may not hold a silent network (and the banner behind it) for ages.
        {R"({"ad_network_timeout_millis": 1e308})", 0, 8, 60.0},
        {R"({"ad_network_timeout_millis": 60001})", 0, 8, 60.0},
        {R"({"ad_network_timeout_millis": 59999})", 0, 8, 59.999},
        {R"({"ad_network_timeout_millis": "nan"})", 0, 8, 10.0},
        {R"({"ad_network_timeout_millis": "inf"})", 0, 8, 10.0},
        {R"({"ad_network_timeout_millis": true})", 0, 8, 0.001},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        auto dictionary = json(R"({"ad_networks": []})").asDictionary();
        dictionary["settings"] = json(c.settings);
        std::optional<GADRequestError> error;
        auto config = parse(Value(dictionary), error);
        ASSERT_TRUE(config);
        EXPECT_FALSE(error);
        EXPECT_EQ(config->refreshInterval(), c.refresh);
        EXPECT_EQ(config->bannerAnimationType(), c.transition);
        EXPECT_DOUBLE_EQ(config->adNetworkTimeout(), c.timeout);
        EXPECT_TRUE(std::isfinite(config->adNetworkTimeout()));
        EXPECT_GT(config->adNetworkTimeout(), 0);
    }
    // Settings that are no object, and lists that are no arrays, change nothing; non-string
    // templates are passed over.
    std::optional<GADRequestError> error;
    auto config = parse(json(R"({"settings": [1], "ad_networks": []})"), error);
    ASSERT_TRUE(config);
    EXPECT_EQ(config->adNetworkTimeout(), 10.0);
    config = parse(json(R"({"settings": {"imp_urls": "x", "click_urls": ["a", 1, "b"],
                                          "nofill_urls": ["n"],
                                          "rewards": [{"rb_type": "coins", "rb_amount": 5}, 3]},
                            "qdata": "q", "ad_networks": []})"),
                   error);
    ASSERT_TRUE(config);
    EXPECT_TRUE(config->impressionURLs().empty());
    EXPECT_EQ(config->clickURLs(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(config->noFillURLs(), (std::vector<std::string>{"n"}));
    EXPECT_EQ(config->rewards().size(), 1u);
    EXPECT_EQ(config->qdata(), "q");
    EXPECT_EQ(config->appKey(), "unit");
}

TEST(GADMConfigTest, AdTypesByExactName) {
    struct Case {
        const char* name;
        GADAdType type;
    };
    const Case cases[] = {
        {"banner", GADAdType::bannerAdTypeForSize(kGADAdSizeBanner)},
        {"largebanner", GADAdType::bannerAdTypeForSize(kGADAdSizeLargeBanner)},
        {"mrec", GADAdType::bannerAdTypeForSize(kGADAdSizeMediumRectangle)},
        {"fullbanner", GADAdType::bannerAdTypeForSize(kGADAdSizeFullBanner)},
        {"leaderboard", GADAdType::bannerAdTypeForSize(kGADAdSizeLeaderboard)},
        {"skyscraper", GADAdType::bannerAdTypeForSize(kGADAdSizeSkyscraper)},
        {"interstitial", GADAdType::interstitialAdType()},
        {"Banner", GADAdType::bannerAdTypeForSize(kGADAdSizeInvalid)},
        {"", GADAdType::bannerAdTypeForSize(kGADAdSizeInvalid)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(GADMConfig::adTypeFromString(c.name), c.type);
    }
    EXPECT_FALSE(GADMConfig::adTypeFromString("Banner").isValid());
    EXPECT_FALSE(GADMConfig::peekAdTypeFromConfig(json(R"({"ad_type": 3})")).isValid());
    EXPECT_TRUE(
        GADMConfig::peekAdTypeFromConfig(json(R"({"ad_type": "interstitial"})")).isInterstitial());
}

TEST(GADMConfigTest, NetworkEntriesAndFailures) {
    AdapterClasses classes;
    struct Case {
        const char* document;
        std::optional<std::int64_t> code;
        const char* text;
        std::size_t networks;
    };
    const Case cases[] = {
        {"[]", 7, "Request Error: The mediation response was invalid.", 0},
        {"{}", 7, "Request Error: The mediation response was invalid.", 0},
        {R"({"ad_networks": {}})", 7, "Request Error: The mediation response was invalid.", 0},
        {R"({"ad_networks": []})", std::nullopt, "", 0},
        {R"({"ad_networks": ["a string", 3]})", std::nullopt, "", 0},
        {R"({"ad_networks": [{"data": {}}]})", 7,
         "The DuRez Mediation response was invalid: An ad network config has no network ID.", 0},
        {R"({"ad_networks": [{"id": "1", "adapters": ["ConfigTestAdapter"]}, {"id": []}]})", 7,
         "The DuRez Mediation response was invalid: An ad network config has an invalid network "
         "ID.",
         0},
        {R"({"ad_networks": [{"id": ""}]})", 7,
         "The DuRez Mediation response was invalid: An ad network config has an invalid network "
         "ID.",
         0},
        // Without an adapter class the entry stays (the waterfall skips it).
        {R"({"ad_networks": [{"id": 123, "adapters": ["Missing"]}, {"id": "2"}]})", std::nullopt,
         "", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.document);
        std::optional<GADRequestError> error;
        auto config = parse(json(c.document), error);
        EXPECT_EQ(config == nullptr, c.code.has_value());
        if (c.code) {
            ASSERT_TRUE(error);
            EXPECT_EQ(error->code, *c.code);
            EXPECT_EQ(error->localizedDescription(), c.text);
        } else {
            ASSERT_TRUE(config);
            EXPECT_EQ(config->adNetworkConfigs().size(), c.networks);
        }
    }
    // A body that is no JSON at all arrives as a null value.
    std::optional<GADRequestError> error;
    EXPECT_FALSE(parse(Value(), error));
    EXPECT_EQ(error->code, 7);
}

TEST(GADMConfigTest, OnlyTheFirstHundredNetworksAreKept) {
    AdapterClasses classes;
    Value::Array networks;
    // Non-objects do not count; a network past the limit is dropped however broken.
    networks.emplace_back("not a network");
    for (int id = 1; id <= 5000; ++id) {
        networks.push_back(Value::dictionary({{"id", Value(std::to_string(id))},
                                              {"adapters", Value::array({"ConfigTestAdapter"})}}));
    }
    networks.push_back(Value::dictionary({{"data", Value::dictionary()}}));
    platform::LogSink::Capture logs;
    std::optional<GADRequestError> error;
    auto config = parse(Value::dictionary({{"ad_networks", Value(std::move(networks))}}), error);
    ASSERT_TRUE(config);
    EXPECT_FALSE(error);
    ASSERT_EQ(config->adNetworkConfigs().size(), GADMConfig::kMaxAdNetworks);
    EXPECT_EQ(config->adNetworkConfigs().front()->networkID(), "1");
    EXPECT_EQ(config->adNetworkConfigs().back()->networkID(), "100");
    GADLogFlush();
    EXPECT_TRUE(logs.contains("only the first 100 are tried"));
}

TEST(GADMConfigTest, EntryFieldsTakeOnlyTheirTypes) {
    AdapterClasses classes;
    std::optional<GADRequestError> error;
    auto config = parse(json(R"({"ad_networks": [
        {"id": 123, "data": {"pubid": 77, "gwhirl_share_location": "1"},
         "extras": {"k": "v"}, "ad": {"ad_html": "x"}, "allocation_id": 5,
         "imp_urls": ["i", 2], "clickurl": ["c"], "video_start_urls": ["s"],
         "video_complete_urls": ["r"], "adapters": [1, "ConfigTestAdapter"]},
        {"id": 1.5, "data": {"pubid": []}, "extras": [], "ad": "no", "allocation_id": {},
         "imp_urls": "i", "adapters": "ConfigTestAdapter"}]})"),
                        error);
    ASSERT_TRUE(config);
    const auto& first = *config->adNetworkConfigs()[0];
    EXPECT_EQ(first.networkID(), "123");
    EXPECT_EQ(first.publisherID(), "77");
    EXPECT_EQ(first.credentials().size(), 2u);
    EXPECT_EQ(first.extras().at("k").stringRef(), "v");
    ASSERT_TRUE(first.ad());
    EXPECT_EQ(first.allocationID(), "5");
    EXPECT_EQ(first.impressionURLs(), std::vector<std::string>{"i"});
    EXPECT_EQ(first.clickURLs(), std::vector<std::string>{"c"});
    EXPECT_EQ(first.videoStartURLs(), std::vector<std::string>{"s"});
    EXPECT_EQ(first.rewardedUserURLs(), std::vector<std::string>{"r"});
    EXPECT_EQ(first.adapterList(), std::vector<std::string>{"ConfigTestAdapter"});
    EXPECT_EQ(first.adapterClass(), "ConfigTestAdapter");
    EXPECT_EQ(first.description(), "networkID:123 adapter:ConfigTestAdapter data:77");

    const auto& second = *config->adNetworkConfigs()[1];
    EXPECT_EQ(second.networkID(), "1.5");
    EXPECT_EQ(second.publisherID(), std::nullopt);
    EXPECT_TRUE(second.extras().empty());
    EXPECT_FALSE(second.ad());
    EXPECT_EQ(second.allocationID(), std::nullopt);
    EXPECT_TRUE(second.impressionURLs().empty());
    EXPECT_EQ(second.adapterList(), std::nullopt);
    EXPECT_EQ(second.adapterClass(), std::nullopt);
    EXPECT_EQ(second.description().rfind("networkID:1.5 adapter:(null) data:", 0), 0u);

    const std::string text = config->description();
    EXPECT_NE(text.find("qdata:(null) adTypeString:"), std::string::npos);
    EXPECT_NE(text.find("refresh:0.000000 transition:8 ad_networks:(networkID:123"),
              std::string::npos);
}

TEST(GADMConfigTest, TheAdapterWalkAndItsNotes) {
    AdapterClasses classes;
    struct Case {
        const char* adapters;
        std::optional<std::string> chosen;
        std::string note;
    };
    const std::string linkHint =
        ". Remember to link all required ad network adapters and SDKs, and set -ObjC in the "
        "'Other Linker Flags' setting of your build target.";
    const Case cases[] = {
        {R"(["Missing", "ConfigTestOldAdapter", "ConfigTestAdapter"])", "ConfigTestAdapter",
         "Ad network adapter ConfigTestOldAdapter implements an old API. Please update the "
         "adapter."},
        {R"(["ConfigTestOldAdapter", "ConfigTestOtherOld"])", std::nullopt,
         "Ad network adapters (ConfigTestOldAdapter, ConfigTestOtherOld) implement an old API. "
         "Please update the adapters. No valid adapters found for this ad network."},
        {R"(["ConfigTestOldAdapter"])", std::nullopt,
         "Ad network adapter ConfigTestOldAdapter implements an old API. Please update the "
         "adapter. No valid adapters found for this ad network."},
        // Current API without either protocol: passed over without a note of its own.
        {R"(["ConfigTestNoProtocol", "Missing"])", std::nullopt,
         "Cannot find an ad network adapter with the name(s): " +
             Value(Value::Array{Value("ConfigTestNoProtocol"), Value("Missing")}).description() +
             linkHint},
        {R"(["ConfigTestAdapter", "ConfigTestOldAdapter"])", "ConfigTestAdapter", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.adapters);
        platform::LogSink::Capture logs;
        std::optional<GADRequestError> error;
        auto config = parse(
            json(std::string(R"({"ad_networks": [{"id": "1", "adapters": )") + c.adapters + "}]}"),
            error);
        ASSERT_TRUE(config);
        EXPECT_FALSE(error);
        ASSERT_EQ(config->adNetworkConfigs().size(), 1u);
        EXPECT_EQ(config->adNetworkConfigs()[0]->adapterClass(), c.chosen);
        const auto parsed = GADMAdNetworkConfig::parse(
            json(std::string(R"({"id": "1", "adapters": )") + c.adapters + "}"));
        if (c.note.empty()) {
            EXPECT_FALSE(parsed.error);
        } else {
            ASSERT_TRUE(parsed.error);
            EXPECT_EQ(parsed.error->code, 8);
            EXPECT_EQ(parsed.error->localizedDescription(), c.note);
        }
        GADLogFlush();
        EXPECT_EQ(logs.contains(c.note.empty() ? "adapter" : c.note.substr(0, 40)),
                  !c.note.empty());
    }
    // No list at all.
    const auto parsed = GADMAdNetworkConfig::parse(json(R"({"id": "1"})"));
    ASSERT_TRUE(parsed.error);
    EXPECT_EQ(parsed.error->localizedDescription(),
              "Cannot find an ad network adapter with the name(s): (null)" + linkHint);
}

}  // namespace
}  // namespace ads
