// The server's fixtures for the SDK's built-in mediation adapters: a mediation answer whose
// networks name a fixture unit of their own or carry their ad, and the ad URL adapter's call to
// the page, answered for the unit its entry names.

#include <string>

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include "tools/ad_server/AdResponses.h"
#include "tools/ad_server/AdServer.h"
#include "tools/ad_server/CoreCalls.h"

namespace {

using namespace tools::adserver;
using Json = nlohmann::ordered_json;

TEST(MediationFixturesTest, NetworksNameAFixtureUnitAndMayCarryTheirAd) {
    const auto scenario = parseAdScenario("mediation,pubid=ca-inner,entry-ad,color=#336699");
    ASSERT_TRUE(scenario);
    EXPECT_EQ(scenario->mediationPubId, "ca-inner");
    EXPECT_TRUE(scenario->mediationEntryAd);
    EXPECT_FALSE(parseAdScenario("mediation,pubid="));
    EXPECT_FALSE(parseAdScenario("mediation,pubid"));
    EXPECT_FALSE(parseAdScenario("mediation,entry-ad=1"));

    const AdContext banner{"http://127.0.0.1:9", "ca-outer", 4, false};
    const Json config = mediationConfiguration(*scenario, banner);
    const Json& network = config["ad_networks"][0];
    EXPECT_EQ(network["adapters"][0], "GADMAdapterZivivuDuRezAds");
    EXPECT_EQ(network["data"]["pubid"], "ca-inner");
    // The ad the SDK's own adapter renders as it stands: a banner creative with its tracking.
    const Json& ad = network["ad"];
    EXPECT_NE(ad["ad_html"].get<std::string>().find("#336699"), std::string::npos);
    EXPECT_EQ(ad["ad_base_url"], "http://127.0.0.1:9/mads/");
    EXPECT_EQ(ad["impression_urls"][0], "http://127.0.0.1:9/mads/imp?slot=ca-outer&ad=4");
    EXPECT_FALSE(ad.contains("is_mediation"));
    // An interstitial request gets the interstitial creative.
    const Json full =
        mediationConfiguration(*scenario, AdContext{"http://127.0.0.1:9", "ca-outer", 5, true});
    EXPECT_NE(
        full["ad_networks"][0]["ad"]["ad_html"].get<std::string>().find("gmsg://movuroute/close"),
        std::string::npos);

    // Without the options the networks name the requested unit and carry nothing.
    const Json plain = mediationConfiguration(AdScenario::mediation(), banner);
    EXPECT_EQ(plain["ad_networks"][0]["data"]["pubid"], "ca-outer");
    EXPECT_FALSE(plain["ad_networks"][0].contains("ad"));
}

TEST(MediationFixturesTest, TheYieldingSpinBannersHTMLNetworkSpinsAndDrawsNothing) {
    const auto parsed = parseAdScenario(
        "mediation,adapter=GADMAdapterHTML,never,timeout=30000,hostile=yielding-spin");
    ASSERT_TRUE(parsed);
    const AdContext banner{"http://127.0.0.1:9", "ca-busy", 2, false};
    const Json config = mediationConfiguration(AdScenario::yieldingSpinBanner(), banner);
    EXPECT_EQ(config, mediationConfiguration(*parsed, banner));
    ASSERT_EQ(config["ad_networks"].size(), 1u);
    EXPECT_EQ(config["settings"]["ad_network_timeout_millis"], 30000);
    const std::string html = config["ad_networks"][0]["data"]["adxtym_html"];
    // Busy 2.5 s, free 5 ms, from 0.2 s after the page loaded; the page itself stays blank.
    EXPECT_NE(html.find("Date.now() + 2500"), std::string::npos);
    EXPECT_NE(html.find("setTimeout(spin, 5)"), std::string::npos);
    EXPECT_NE(html.find("setTimeout(spin, 200)"), std::string::npos);
    EXPECT_EQ(html.find("appendChild"), std::string::npos);
    // Other HTML networks carry no hostile part.
    const Json plain = mediationConfiguration(AdScenario::mediation({"GADMAdapterHTML"}), banner);
    EXPECT_EQ(plain["ad_networks"][0]["data"]["adxtym_html"].get<std::string>().find("spin"),
              std::string::npos);
}

TEST(MediationFixturesTest, TheAdURLAdaptersCallIsAnsweredForItsEntrysUnit) {
    AdServer server;
    ASSERT_TRUE(server.isRunning());
    server.setScenario("ca-inner", AdScenario::answered(PageAnswer::FetchedAd));
    const Json parameters{{"request_param", {{"format", "banner"}, {"js", "v"}}},
                          {"lat", "1"},
                          {"adid", ""},
                          {"data", {{"pubid", "ca-inner"}}},
                          {"request_id", "9"},
                          {"zivivu-ad-url-mediation", "1"}};
    httplib::Client client("127.0.0.1", server.port());
    const Json call{{"function", "RADE_getAdapterLessMediationAd"},
                    {"args", Json::array({parameters})}};
    auto res = client.Post(kCoreCallPath, call.dump(), "application/json");
    ASSERT_TRUE(res);
    const Json messages = Json::parse(res->body)["messages"];
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0]["action"], "fetchHttpRequest");
    const Json request = Json::parse(messages[0]["params"]["http_request"].get<std::string>());
    EXPECT_EQ(request["http_request_id"], "9");
    const std::string url = request["url"];
    EXPECT_NE(url.find("slotname=ca-inner"), std::string::npos);
    EXPECT_NE(url.find("format=banner"), std::string::npos);

    // The record keeps the call with the adapter's parameters, under the entry's unit.
    const auto logged = server.log().last(RequestKind::CoreCall);
    ASSERT_TRUE(logged);
    EXPECT_EQ(logged->function, "RADE_getAdapterLessMediationAd");
    EXPECT_EQ(logged->slotname, "ca-inner");
    EXPECT_EQ(Json::parse(logged->body)["args"][0], parameters);

    // A call without the adapter's shape is answered as it stands.
    CoreCall bare;
    bare.function = "RADE_getAdapterLessMediationAd";
    bare.args = Json::array({Json{{"slotname", "m"}, {"request_id", "3"}}});
    CoreCallContext context;
    context.origin = server.origin();
    const auto answer = answerCoreCall(bare, context);
    EXPECT_EQ(answer.slotname, "m");
}

}  // namespace
