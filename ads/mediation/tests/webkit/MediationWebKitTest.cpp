// Mediation with the public ad classes on real WebKit against our loopback ad server, as an
// app with its own network adapters would see it: a 320 x 50 banner whose configuration lists
// a silent, an empty and a filling network shows the filling network's view after the first
// time-out; when every network fails the default no-fill ping goes out and the app hears code
// 9; a mediated interstitial is presented once by its network; a publisher's custom event
// named by the server shows its banner; answers that name our own network again, for the same
// unit or in a cycle of units, nest a bounded number of banners and then fail. Leaves
// <build>/screenshots/mediated_banner.png and mediated_custom_event_banner.png for a person to look
// at. Needs a display: scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "ads/mediation/GADCustomEventExtras.h"
#include "ads/mediation/GADMAdManager.h"
#include "ads/mediation/tests/ScriptedCustomEvent.h"
#include "ads/mediation/tests/webkit/MediatedPublicAdsWebKitTest.h"
#include "ads/testsupport/ScriptedAdapter.h"
#include "platform/testing/ScreenshotCamera.h"

namespace ads {
namespace {

using platform::testing::ScreenshotCamera;
using testing::ScriptedAdapter;
using tools::adserver::AdScenario;
using tools::adserver::RequestKind;
using Answer = ScriptedAdapter::Answer;

class MediationWebKitTest : public testing::MediatedPublicAdsWebKitTest {
  protected:
    static constexpr const char* kUnit = "ca-movu-mediated";

    static ScriptedAdapter::Script script(Answer answer) {
        ScriptedAdapter::Script s;
        s.answer = answer;
        return s;
    }
    void loadBanner(const AdScenario& scenario,
                    std::shared_ptr<GADRequest> request = GADRequest::request()) {
        MediatedPublicAdsWebKitTest::loadBanner(kUnit, scenario, std::move(request));
    }
};

TEST_F(MediationWebKitTest, ABannerHearsOnceAfterTheTimeOutAndShowsTheFillingNetwork) {
    auto silent = ScriptedAdapter::registerClass(script(Answer::Silence));
    auto empty = ScriptedAdapter::registerClass(script(Answer::NoFill));
    auto filling = ScriptedAdapter::registerClass(script(Answer::View));
    loadBanner(AdScenario::mediation({silent->name(), empty->name(), filling->name()}, 2000));
    ASSERT_TRUE(waitFor([&] { return !silent->record().calls.empty(); }));
    EXPECT_TRUE(heard->log.empty());
    scope.advance(2);
    ASSERT_TRUE(waitFor([&] { return !heard->log.empty(); }));
    scope.runUntilIdle();
    EXPECT_EQ(heard->log, std::vector<std::string>{"received"});
    EXPECT_EQ(banner->mediatedAdView(), filling->record().last()->view());
    EXPECT_EQ(banner->adNetworkClassName(), filling->name());

    // The server hears the pass: a time-out, a no-fill, the fill.
    ASSERT_TRUE(waitForPing("imp"));
    for (const auto& ping : ads.log().of(RequestKind::MediationPing)) {
        if (ping.param("ping") == "imp") {
            EXPECT_EQ(ping.param("aec"), "3,1,0");
        }
    }

    const auto shot = shoot("mediated_banner.png");
    ASSERT_TRUE(shot);
    expectBannerColor(*shot, ScriptedAdapter::kViewColor);
    const auto around = ScreenshotCamera::rgb(*shot, 160, 200);
    EXPECT_EQ(around[0], 255);
}

TEST_F(MediationWebKitTest, EveryNetworkFailingPingsNoFillAndFailsWith9) {
    auto empty = ScriptedAdapter::registerClass(script(Answer::NoFill));
    auto broken = ScriptedAdapter::registerClass(script(Answer::Error));
    auto scenario = AdScenario::mediation({empty->name(), broken->name()});
    scenario.mediationDefaultPings = true;
    loadBanner(scenario);
    ASSERT_TRUE(waitFor([&] { return !heard->log.empty(); }));
    EXPECT_EQ(heard->log, std::vector<std::string>{"fail:9"});
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::MediationPing, 1));
    const auto ping = ads.log().last(RequestKind::MediationPing);
    EXPECT_EQ(ping->path, "/nofill");
    EXPECT_EQ(ping->param("aec"), "1,2");
    EXPECT_EQ(ping->param("ad_loc"), kUnit);
}

TEST_F(MediationWebKitTest, AMediatedInterstitialIsPresentedOnce) {
    auto network = ScriptedAdapter::registerClass(script(Answer::Interstitial));
    ads.server().setScenario(kUnit, AdScenario::mediation({network->name()}));
    window->setRootViewController(controller);
    window->makeKeyWindow();
    interstitial = GADInterstitial::create(kUnit);
    interstitial->setDelegate(heard);
    interstitial->loadRequest(GADRequest::request());
    ASSERT_TRUE(waitFor([&] { return !heard->log.empty(); }));
    ASSERT_EQ(heard->log, std::vector<std::string>{"received"});
    interstitial->presentFromRootViewController(controller);
    interstitial->presentFromRootViewController(controller);
    network->record().last()->dismissInterstitial();
    scope.runUntilIdle();
    EXPECT_EQ(heard->log, (std::vector<std::string>{"received", "willPresent", "fail:6",
                                                    "willDismiss", "didDismiss"}));
    EXPECT_EQ(std::count(network->record().calls.begin(), network->record().calls.end(), "present"),
              1);
}

TEST_F(MediationWebKitTest, AnswersNamingOurOwnNetworkAgainNestOnlySoDeep) {
    constexpr const char* kOther = "ca-movu-mediated-other";
    struct Case {
        const char* name;
        AdScenario named;
    };
    // The unit's answer names our own network for the same unit; then two units name each
    // other, as a server's mistake could.
    ads.server().setScenario(kOther, AdScenario::mediation().withMediationPubId(kUnit));
    const Case cases[] = {
        {"the same unit", AdScenario::mediation()},
        {"a cycle of two units", AdScenario::mediation().withMediationPubId(kOther)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        heard->log.clear();
        const std::size_t callsBefore = ads.log().count(RequestKind::CoreCall);
        loadBanner(c.named);
        // The time-outs run on the test's clock, which stands still: only the depth ends it.
        ASSERT_TRUE(waitFor([&] { return !heard->log.empty(); }));
        EXPECT_EQ(heard->log, std::vector<std::string>{"fail:9"});
        std::vector<std::string> gw;
        const auto calls = ads.log().of(RequestKind::CoreCall);
        for (std::size_t i = callsBefore; i < calls.size(); ++i) {
            if (calls[i].function != "RADE_getAd") continue;
            const auto args = nlohmann::json::parse(calls[i].body, nullptr, false)["args"][0];
            // The request's extras travel under "extras".
            const auto extras = args.is_object() ? args.value("extras", nlohmann::json::object())
                                                 : nlohmann::json();
            gw.push_back(extras.is_object() ? extras.value("gw", "") : "?");
        }
        // The banner's request, and one inner request for each waterfall allowed to nest.
        EXPECT_EQ(gw.size(), std::size_t(GADMAdManager::kMaxOwnNetworkDepth) + 1);
        EXPECT_EQ(gw, (std::vector<std::string>{"", "1", "1"}));
    }
}

TEST_F(MediationWebKitTest, ACustomEventNamedByTheServerShowsThePublishersBanner) {
    auto publisher = testing::CustomEventClass::banner();
    auto request = GADRequest::request();
    auto extras = std::make_shared<GADCustomEventExtras>();
    extras->setExtras(platform::Value::Dictionary{{"theme", platform::Value("dark")}},
                      std::string("house"));
    request->registerAdNetworkExtras(extras);
    loadBanner(AdScenario::mediation({"GADMAdapterCustomEvents"})
                   .withCustomEvent(publisher.name(), "server-parameter", "house"),
               request);
    ASSERT_TRUE(waitFor([&] { return !heard->log.empty(); }));
    scope.runUntilIdle();
    EXPECT_EQ(heard->log, std::vector<std::string>{"received"});
    ASSERT_TRUE(publisher.last());
    EXPECT_EQ(banner->mediatedAdView(), publisher.last()->view());
    EXPECT_EQ(banner->adNetworkClassName(), "GADMAdapterCustomEvents");
    EXPECT_EQ(publisher.record().calls,
              std::vector<std::string>{"banner 320x50 server-parameter house"});
    const auto& parameters = publisher.record().request->additionalParameters();
    ASSERT_TRUE(parameters);
    EXPECT_EQ(parameters->at("theme").stringRef(), "dark");
    // The server hears the custom event's impression like any network's.
    ASSERT_TRUE(waitForPing("imp"));
    const auto shot = shoot("mediated_custom_event_banner.png");
    ASSERT_TRUE(shot);
    expectBannerColor(*shot, testing::ScriptedCustomEvent::kViewColor);
}

}  // namespace
}  // namespace ads
