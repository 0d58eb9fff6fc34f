#include "ads/native/GADAdLoader.h"

#include <gtest/gtest.h>

#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADLog.h"
#include "ads/foundation/GADRequest.h"
#include "ads/native/GADAdLoaderOptions.h"
#include "ads/native/GADAdPreprocessor.h"
#include "ads/native/tests/SupportPageHarness.h"
#include "ads/slot/GADCorrelator.h"
#include "ads/slot/GADSlot.h"
#include "platform/base/LogSink.h"
#include "platform/storage/Json.h"
#include "platform/testing/RunMainLoopUntil.h"

namespace ads {
namespace {

using platform::Value;
using testing::ScriptedNativeAd;

// An app that takes both scripted formats and records what it hears.
class BothFormatsDelegate : public testing::ScriptedContentDelegate,
                            public testing::ScriptedAppInstallDelegate {
  public:
    void adLoaderDidFailToReceiveAdWithError(GADAdLoader&, const GADRequestError& error) override {
        failures.push_back(error);
    }
    void adLoaderDidReceiveScriptedContentAd(GADAdLoader&, ScriptedNativeAd& ad) override {
        received.push_back(std::static_pointer_cast<ScriptedNativeAd>(ad.shared_from_this()));
    }
    void adLoaderDidReceiveScriptedAppInstallAd(GADAdLoader&, ScriptedNativeAd& ad) override {
        received.push_back(std::static_pointer_cast<ScriptedNativeAd>(ad.shared_from_this()));
    }
    std::vector<GADRequestError> failures;
    std::vector<std::shared_ptr<ScriptedNativeAd>> received;
};

class ContentOnlyDelegate : public testing::ScriptedContentDelegate {
  public:
    void adLoaderDidFailToReceiveAdWithError(GADAdLoader&, const GADRequestError&) override {}
    void adLoaderDidReceiveScriptedContentAd(GADAdLoader&, ScriptedNativeAd&) override {}
};

using testing::nativeAnswer;
using testing::requestWithNativeAd;

class GADAdLoaderTest : public ::testing::Test {
  protected:
    std::shared_ptr<GADAdLoader> makeLoader(
        std::vector<std::string> adTypes = {"1"},
        std::vector<std::shared_ptr<GADAdLoaderOptions>> options = {}) {
        auto loader = GADAdLoader::create("unit", {}, adTypes, options);
        loader->setDelegate(delegate);
        return loader;
    }
    // Loads the answer through the loader and plays the support page, which passes it on.
    void loadThroughPage(GADAdLoader& loader, const std::string& json, std::size_t page = 0) {
        loader.loadRequest(requestWithNativeAd(json));
        auto* support = h.waitForSupportPage(page);
        ASSERT_TRUE(support);
        h.finishLoading(*support);
        h.answer(*support, json);
    }

    testing::SupportPageHarness h;
    std::shared_ptr<BothFormatsDelegate> delegate = std::make_shared<BothFormatsDelegate>();
};

TEST_F(GADAdLoaderTest, AdTypesOutsideTheTableLeaveNoConfigurationAndEveryLoadFails) {
    for (const auto& adTypes : {std::vector<std::string>{}, std::vector<std::string>{"1", "4"},
                                std::vector<std::string>{"1", " 2"}}) {
        delegate->failures.clear();
        auto loader = makeLoader(adTypes);
        EXPECT_FALSE(loader->adLoaderConfiguration());
        loader->loadRequest(GADRequest::request());
        EXPECT_TRUE(delegate->failures.empty());  // a turn later
        h.scope.runUntilIdle();
        ASSERT_EQ(delegate->failures.size(), 1u);
        EXPECT_EQ(delegate->failures[0].code, kGADErrorInvalidRequest);
        EXPECT_EQ(delegate->failures[0].localizedDescription(),
                  "Must specify at least one ad type.");
    }
    EXPECT_EQ(h.server.log().count(tools::adserver::RequestKind::NativePage), 0u);

    platform::Error error;
    EXPECT_FALSE(GADNativeAdClassForAdLoaderAdType("4", &error));
    EXPECT_EQ(error.domain, "com.zivivu.ads");
    EXPECT_EQ(error.code, 12);
    EXPECT_EQ(error.localizedDescription(), "Invalid ad format requested: \"4\".");
}

TEST_F(GADAdLoaderTest, TheFirstOptionOfAClassWinsAsACopy) {
    auto first = GADNativeAdImageAdLoaderOptions::create();
    first->preferredImageOrientation = GADNativeAdImageAdLoaderOptionsOrientationLandscape;
    auto second = GADNativeAdImageAdLoaderOptions::create();
    second->disableImageLoading = true;
    auto correlation = GADCorrelatorAdLoaderOptions::create();
    correlation->setCorrelator(GADCorrelator::create(77));

    GADLogFlush();
    platform::LogSink::Capture capture;
    auto loader = makeLoader({"1", "2", "1"}, {first, second, nullptr, correlation});
    GADLogFlush();
    EXPECT_TRUE(
        capture.contains("<Zivivu> Error: Options already provided for "
                         "GADNativeAdImageAdLoaderOptions. Ignoring option object "
                         "(<GADNativeAdImageAdLoaderOptions: "));
    EXPECT_TRUE(capture.contains("<Zivivu> Error: Invalid ad loader option will be ignored"));

    const auto& configuration = loader->adLoaderConfiguration();
    ASSERT_TRUE(configuration);
    EXPECT_EQ(configuration->adTypes(), (std::set<std::string>{"1", "2"}));
    EXPECT_EQ(configuration->adTypeClasses(),
              (std::vector<GADAdLoadingClass>{h.formats.content, h.formats.appInstall}));
    const auto kept = configuration->option<GADNativeAdImageAdLoaderOptions>();
    ASSERT_TRUE(kept);
    EXPECT_NE(kept, first);
    first->preferredImageOrientation = GADNativeAdImageAdLoaderOptionsOrientationPortrait;
    EXPECT_EQ(kept->preferredImageOrientation, GADNativeAdImageAdLoaderOptionsOrientationLandscape);
    EXPECT_FALSE(kept->disableImageLoading);
    EXPECT_EQ(kept->requestParameters(),
              (Value::Dictionary{{"native_image_orientation", Value("landscape")}}));
    // The correlator option's copy shares the correlator.
    const auto keptCorrelation = configuration->option<GADCorrelatorAdLoaderOptions>();
    ASSERT_TRUE(keptCorrelation);
    EXPECT_EQ(keptCorrelation->correlator(), correlation->correlator());

    // Without any option the configuration has none.
    EXPECT_FALSE(makeLoader({"1"})->adLoaderConfiguration()->options());
}

TEST_F(GADAdLoaderTest, ADelegateWithoutEveryProtocolIsRefusedAndTheEarlierStays) {
    auto loader = makeLoader({"1", "2"});
    EXPECT_EQ(loader->delegate(), delegate);
    GADLogFlush();
    platform::LogSink::Capture capture;
    auto contentOnly = std::make_shared<ContentOnlyDelegate>();
    loader->setDelegate(contentOnly);
    GADLogFlush();
    EXPECT_TRUE(capture.contains(
        "<Zivivu> Delegate does not conform to the required protocol, "
        "ads::testing::ScriptedAppInstallDelegate. Add ads::testing::ScriptedAppInstallDelegate to "
        "ads::(anonymous namespace)::ContentOnlyDelegate's protocol list."));
    EXPECT_EQ(loader->delegate(), delegate);

    // The earlier delegate keeps receiving.
    loadThroughPage(*loader, nativeAnswer(Value("2")));
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return !delegate->received.empty(); }));

    loader->setDelegate(nullptr);
    EXPECT_FALSE(loader->delegate());
}

TEST_F(GADAdLoaderTest, ItsFrameIsTheBannersSize) {
    auto loader = makeLoader();
    EXPECT_EQ(loader->frame(), (platform::Rect{{0, 0}, {320, 50}}));
    EXPECT_EQ(loader->bounds(), loader->frame());
}

TEST_F(GADAdLoaderTest, AnAnswerBecomesAnAdOfItsClassWithItsAssetsLoaded) {
    auto loader = makeLoader({"2", "1"});
    const std::string json = nativeAnswer(Value(1), {{"headline", Value("Hello")}});
    loadThroughPage(*loader, json);
    EXPECT_EQ(loader->adPreprocessors().size(), 0u);
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return !delegate->received.empty(); }));
    ASSERT_EQ(delegate->received.size(), 1u);
    EXPECT_TRUE(delegate->failures.empty());
    const auto& ad = delegate->received[0];
    EXPECT_EQ(ad->adConfiguration()->get("headline"), Value("Hello"));
    EXPECT_EQ(ad->adUnitID(), "unit");
    ASSERT_TRUE(ad->slot());
    EXPECT_EQ(ad->startCount, 1);
    // Each class's parameters, kept by name, and the ad's own asked for.
    EXPECT_EQ(loader->adClassRequestParameters(),
              (std::map<std::string, Value::Dictionary>{
                  {"ScriptedContentAd", {{"format", Value("1")}}},
                  {"ScriptedAppInstallAd", {{"format", Value("2")}}}}));
    EXPECT_EQ(ad->askedParameters, (Value::Dictionary{{"format", Value("1")}}));
    EXPECT_TRUE(loader->nativeAds().empty());
    EXPECT_EQ(h.server.log().count(tools::adserver::RequestKind::NativePage), 1u);
}

TEST_F(GADAdLoaderTest, AnswersThatMakeNoAdOfARequestedClassAreCode13) {
    auto loader = makeLoader({"1"});
    std::size_t page = 0;
    // An app install ad to a content loader; an ad refusing the request; a custom template ad
    // nobody asked for; no ad at all.
    for (const std::string& json :
         {nativeAnswer(Value("2")), nativeAnswer(Value("1"), {{"invalid", Value(true)}}),
          nativeAnswer(Value("3")), std::string("{\"ads\":[]}")}) {
        delegate->failures.clear();
        loadThroughPage(*loader, json, page++);
        ASSERT_TRUE(platform::testing::runMainLoopUntil([&] {
            return !delegate->failures.empty();
        })) << json;
        EXPECT_EQ(delegate->failures[0].code, kGADErrorReceivedInvalidResponse) << json;
        EXPECT_TRUE(delegate->received.empty());
        EXPECT_TRUE(loader->adPreprocessors().empty());
    }
}

TEST_F(GADAdLoaderTest, AFailedRequestIsTheSlotsError) {
    auto loader = makeLoader();
    loader->loadRequest(requestWithNativeAd(""));
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return !delegate->failures.empty(); }));
    EXPECT_EQ(delegate->failures[0].code, kGADErrorNoFill);
}

TEST_F(GADAdLoaderTest, AssetsThatFailAreCode11AndTheAdGoes) {
    auto loader = makeLoader();
    loadThroughPage(*loader,
                    nativeAnswer(Value(1), {{"manual", Value::array({Value("headline")})},
                                            {"required", Value::array({Value("headline")})}}));
    ASSERT_TRUE(
        platform::testing::runMainLoopUntil([&] { return loader->nativeAds().size() == 1; }));
    std::weak_ptr<GADNativeAd> ad = loader->nativeAds()[0];
    h.formats.made.clear();
    ad.lock()->failedToLoadAssetWithName("headline");
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return !delegate->failures.empty(); }));
    EXPECT_EQ(delegate->failures[0].code, kGADErrorInternalError);
    EXPECT_EQ(delegate->failures[0].localizedDescription(), "Error loading native ad assets.");
    EXPECT_TRUE(loader->nativeAds().empty());
    EXPECT_TRUE(ad.expired());
}

TEST_F(GADAdLoaderTest, ADelegateGoneBeforeDeliveryHearsNothing) {
    auto loader = makeLoader();
    loadThroughPage(*loader,
                    nativeAnswer(Value(1), {{"manual", Value::array({Value("headline")})}}));
    ASSERT_TRUE(
        platform::testing::runMainLoopUntil([&] { return loader->nativeAds().size() == 1; }));
    std::weak_ptr<BothFormatsDelegate> gone = delegate;
    delegate.reset();
    EXPECT_TRUE(gone.expired());
    loader->nativeAds()[0]->finishedLoadingAssetWithName(std::string("headline"));
    h.scope.runUntilIdle();
    EXPECT_TRUE(loader->nativeAds().empty());
}

TEST_F(GADAdLoaderTest, ALoaderGoneWhilePreprocessingMakesNoLateCall) {
    auto loader = makeLoader();
    loader->loadRequest(requestWithNativeAd(nativeAnswer(Value(1))));
    auto* support = h.waitForSupportPage();
    ASSERT_TRUE(support);
    h.finishLoading(*support);
    loader.reset();
    h.answer(*support, nativeAnswer(Value(1)));
    h.scope.advance(40);
    EXPECT_TRUE(delegate->received.empty());
    EXPECT_TRUE(delegate->failures.empty());
    EXPECT_TRUE(h.formats.made.empty());
}

TEST_F(GADAdLoaderTest, TwoLoadsInARowAreEachPreprocessedAndDelivered) {
    auto loader = makeLoader();
    loader->loadRequest(requestWithNativeAd(nativeAnswer(Value(1), {{"n", Value(1)}})));
    auto* first = h.waitForSupportPage(0);
    ASSERT_TRUE(first);
    loader->loadRequest(requestWithNativeAd(nativeAnswer(Value(1), {{"n", Value(2)}})));
    auto* second = h.waitForSupportPage(1);
    ASSERT_TRUE(second);
    EXPECT_EQ(loader->adPreprocessors().size(), 2u);
    h.finishLoading(*second);
    h.finishLoading(*first);
    h.answer(*second, nativeAnswer(Value(1), {{"n", Value(2)}}));
    h.answer(*first, nativeAnswer(Value(1), {{"n", Value(1)}}));
    ASSERT_TRUE(
        platform::testing::runMainLoopUntil([&] { return delegate->received.size() == 2; }));
    EXPECT_EQ(delegate->received[0]->adConfiguration()->get("n"), Value(2));
    EXPECT_EQ(delegate->received[1]->adConfiguration()->get("n"), Value(1));
    EXPECT_NE(delegate->received[0]->slot(), delegate->received[1]->slot());
    EXPECT_TRUE(loader->adPreprocessors().empty());
}

}  // namespace
}  // namespace ads
