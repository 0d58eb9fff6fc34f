// The response table: a feature registers its kind of ad and the slot hands such ads to it,
// without the slot knowing the kind.

#include "ads/slot/GADAdResponseProcessors.h"

#include <gtest/gtest.h>

#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADRequest.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/tests/GADSlotTestPeer.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "platform/testing/RunMainLoopUntil.h"

namespace ads {
namespace {

using platform::Value;

class Owner : public GADSlotAdLoadDelegate {
  public:
    void slotFinishedLoadingAdContent(GADSlot&) override { ++finished; }
    void slotDidFailToLoadAdContentWithError(GADSlot&, const GADRequestError& error) override {
        failures.push_back(error.code);
        texts.push_back(error.localizedDescription());
    }
    int finished = 0;
    std::vector<std::int64_t> failures;
    std::vector<std::string> texts;
};

// An owner that takes every answer itself, as the native loader does.
class TakingOwner : public Owner, public GADSlotAdResponseDelegate {
  public:
    bool slotShouldProcessAdResponse(GADSlot&, const std::shared_ptr<GADAd>& ad,
                                     std::optional<platform::Error>&) override {
        taken.push_back(ad);
        return false;
    }
    std::vector<std::shared_ptr<GADAd>> taken;
};

class GADAdResponseProcessorsTest : public ::testing::Test {
  protected:
    GADAdResponseProcessorsTest() {
        slot = GADSlot::create({0, 0, 320, 50});
        slot->setAdType(GADAdType::bannerAdTypeForSize(kGADAdSizeBanner), false);
        slot->setDelegates({.adLoad = owner});
    }
    ~GADAdResponseProcessorsTest() override {
        // The table outlives the test: what it changed is put back.
        auto& table = GADAdResponseProcessors::shared();
        table.setEntry(GADAdResponseType::Mediation, std::move(mediation));
        table.setScriptAdProcessor(std::move(scriptAds));
        slot.reset();
        scope.runUntilIdle();
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<Owner> owner = std::make_shared<Owner>();
    std::shared_ptr<GADSlot> slot;
    GADAdResponseProcessors::Entry mediation =
        GADAdResponseProcessors::shared().entry(GADAdResponseType::Mediation)
            ? *GADAdResponseProcessors::shared().entry(GADAdResponseType::Mediation)
            : GADAdResponseProcessors::Entry{};
    GADAdResponseProcessors::Processor scriptAds =
        GADAdResponseProcessors::shared().scriptAdProcessor();
};

TEST_F(GADAdResponseProcessorsTest, ARegisteredTypeIsProcessedByItsEntry) {
    auto& table = GADAdResponseProcessors::shared();
    // The slot's own kinds are in from the start; an invalid type has no entry.
    for (auto type : {GADAdResponseType::HTML, GADAdResponseType::Native,
                      GADAdResponseType::CustomRendering, GADAdResponseType::Mediation}) {
        EXPECT_TRUE(table.entry(type)) << static_cast<int>(type);
    }
    EXPECT_FALSE(table.entry(GADAdResponseType::Invalid));
    EXPECT_TRUE(table.scriptAdProcessor());

    // A feature takes mediation answers: the slot hands them over, and the feature ends the
    // request as it sees fit.
    std::vector<std::shared_ptr<GADAd>> taken;
    const auto replaced = table.setEntry(
        GADAdResponseType::Mediation, {[&](GADSlot& slot, const std::shared_ptr<GADAd>& ad) {
                                           taken.push_back(ad);
                                           GADSlotTestPeer(slot).page().didReceiveValidAd();
                                           GADSlotTestPeer(slot).page().adFinishedLoadingContent();
                                       },
                                       false});
    EXPECT_TRUE(replaced.process);
    auto answer = GADAd::create();
    answer->setResponseType(GADAdResponseType::Mediation);
    GADSlotTestPeer(slot).setState(GADSlotState::FetchingAd);
    GADSlotTestPeer(slot).processAdResponse(answer);
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0], answer);
    EXPECT_EQ(slot->state(), GADSlotState::ValidAd);
    EXPECT_EQ(owner->finished, 1);
    EXPECT_TRUE(owner->failures.empty());

    // An entry taken out again leaves the type unknown: code 13.
    table.setEntry(GADAdResponseType::Mediation, {});
    GADSlotTestPeer(slot).setState(GADSlotState::FetchingAd);
    GADSlotTestPeer(slot).processAdResponse(answer);
    EXPECT_EQ(owner->failures, (std::vector<std::int64_t>{13}));
    EXPECT_EQ(slot->state(), GADSlotState::InvalidAd);
}

TEST_F(GADAdResponseProcessorsTest, ScriptAdsGoToTheirProcessor) {
    int scripts = 0;
    GADAdResponseProcessors::shared().setScriptAdProcessor(
        [&](GADSlot& slot, const std::shared_ptr<GADAd>& ad) {
            ++scripts;
            EXPECT_TRUE(ad->hasAdNetworkJavaScript());
            GADSlotTestPeer(slot).page().didReceiveValidAd();
        });
    auto request = GADRequest::request();
    Value::Dictionary extras{
        {"_ad", Value::dictionary({{"ad_is_javascript", Value(true)},
                                   {"ad_html", Value("<script></script>")},
                                   {"ad_base_url", Value("https://ads.test/")}})}};
    request->registerAdNetworkExtras(GADExtras::create(std::move(extras)));
    slot->loadRequest(request);
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return scripts == 1; }));
    EXPECT_EQ(slot->state(), GADSlotState::ValidAd);
    EXPECT_TRUE(owner->failures.empty());
}

TEST_F(GADAdResponseProcessorsTest, ANativeAnswerFailsUnlessTheOwnerTakesItAndShowsNothing) {
    auto native = GADAd::create();
    native->setResponseType(GADAdResponseType::Native);
    native->setAdHTML(R"({"ads": [{"headline": "Not a page"}]})");
    auto answer = [&](GADSlot& target) {
        GADSlotTestPeer(target).setState(GADSlotState::FetchingAd);
        GADSlotTestPeer(target).processAdResponse(native);
    };

    // A banner's slot cannot show it: the load fails with its reason, the page stays empty.
    const std::size_t loadsBefore = views.web().pages().back()->loads().size();
    answer(*slot);
    EXPECT_EQ(slot->state(), GADSlotState::InvalidAd);
    EXPECT_EQ(owner->finished, 0);
    EXPECT_EQ(owner->failures, (std::vector<std::int64_t>{10}));
    EXPECT_EQ(owner->texts,
              (std::vector<std::string>{"Received a native ad, which a banner cannot show."}));
    EXPECT_EQ(views.web().pages().back()->loads().size(), loadsBefore);

    // Nor can an interstitial's.
    auto interstitial = GADSlot::create({0, 0, 320, 480});
    interstitial->setAdType(GADAdType::interstitialAdType(), false);
    interstitial->setDelegates({.adLoad = owner});
    answer(*interstitial);
    EXPECT_EQ(owner->texts.back(), "Received a native ad, which an interstitial cannot show.");

    // An owner that takes native answers itself still gets them, as a valid ad.
    auto taker = std::make_shared<TakingOwner>();
    auto loaderSlot = GADSlot::create({0, 0, 320, 50});
    loaderSlot->setDelegates({.adLoad = taker, .adResponse = taker});
    answer(*loaderSlot);
    EXPECT_EQ(taker->taken, (std::vector<std::shared_ptr<GADAd>>{native}));
    EXPECT_EQ(loaderSlot->state(), GADSlotState::ValidAd);
    EXPECT_TRUE(taker->failures.empty());
}

}  // namespace
}  // namespace ads
