// The ad server over loopback HTTP, as the SDK and the page meet it: routing, the page's
// answers per scenario, the ad URLs' answers and headers, the record, stalls, and requests
// that try to break it.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include "platform/testing/TestGate.h"
#include "tools/ad_server/AdServer.h"
#include "tools/ad_server/MraidCreatives.h"
#include "tools/ad_server/TextEscaping.h"

namespace {

using namespace tools::adserver;
using Json = nlohmann::ordered_json;

class AdServerTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(server.isRunning()); }

    httplib::Client client() {
        httplib::Client c("127.0.0.1", server.port());
        c.set_read_timeout(10, 0);
        return c;
    }
    httplib::Result get(const std::string& target) { return client().Get(target.c_str()); }

    // One page call; answers its messages.
    Json call(const Json& request) {
        auto res = client().Post(kCoreCallPath, request.dump(), "application/json");
        EXPECT_TRUE(res);
        if (!res) return Json::array();
        EXPECT_EQ(res->status, 200) << res->body;
        Json answer = Json::parse(res->body, nullptr, false);
        return answer.is_object() ? answer["messages"] : Json::array();
    }
    Json getAd(const Json& parameters) {
        return call(Json{{"function", "RADE_getAd"}, {"args", Json::array({parameters})}});
    }
    // The ad URL of a "loadAdURL" answer, as a target on our server.
    std::string adTarget(const Json& messages) {
        std::string url = messages.at(0).at("params").at("url");
        return url.substr(server.origin().size());
    }

    // The answer's bytes as they came off the socket.
    std::string rawGet(const std::string& target) {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(std::uint16_t(server.port()));
        std::string raw;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            std::string request = "GET " + target +
                                  " HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                  "Connection: close\r\n\r\n";
            ::send(fd, request.data(), request.size(), 0);
            char buffer[4096];
            ssize_t n;
            while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
                raw.append(buffer, std::size_t(n));
        }
        ::close(fd);
        return raw;
    }

    AdServer server;
};

TEST_F(AdServerTest, ServesThePagesWithTheirContentTypeAndRecordsTheLoads) {
    auto page = get(kCorePagePath);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_EQ(page->get_header_value("Content-Type"), "text/html; charset=utf-8");
    std::ifstream file(std::string(MOVU_SOURCE_DIR) + "/tools/ad_server/page/sdk-core-v40.html");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(page->body, text);
    EXPECT_EQ(server.pageUrl(), server.origin() + "/mads/static/sdk/native/sdk-core-v40.html");

    auto native = get(kNativePagePath);
    ASSERT_TRUE(native);
    EXPECT_NE(native->body.find("preProcessJsonGmsg"), std::string::npos);

    server.setPageStatus(404);
    EXPECT_EQ(get(kCorePagePath)->status, 404);
    EXPECT_EQ(server.log().count(RequestKind::PageLoad), 2u);
    EXPECT_EQ(server.log().count(RequestKind::NativePage), 1u);

    auto unknown = get("/nothing/here?x=1");
    EXPECT_EQ(unknown->status, 404);
    EXPECT_EQ(server.log().last(RequestKind::Unknown)->target, "/nothing/here?x=1");
}

TEST_F(AdServerTest, PageAnswersFollowTheScenarioOfTheAdUnit) {
    server.setScenario("plain", AdScenario::banner().withAutoClickProtection());
    server.setScenario("invalid", AdScenario::answered(PageAnswer::Invalid));
    server.setScenario("errors", AdScenario::answered(PageAnswer::Errors));
    server.setScenario("silent", AdScenario::answered(PageAnswer::Silent));
    server.setScenario("refused", AdScenario::answered(PageAnswer::RefusedAdUrl));
    server.setScenario("fetch", AdScenario::answered(PageAnswer::FetchedAd));

    Json parameters = {{"slotname", "plain"},
                       {"request_id", "7"},
                       {"format", "320x50_mb"},
                       {"ad_frame", {{"x", 0}, {"y", 430}}},
                       {"u_sd", 2},
                       {"kw",
                        "Gr\xc3\xbc\xc3\x9f"
                        "e & more"}};
    Json plain = getAd(parameters);
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_EQ(plain[0]["action"], "loadAdURL");
    EXPECT_EQ(plain[0]["params"]["request_id"], "7");
    EXPECT_EQ(plain[0]["params"]["request_scenario"], "online_request");
    EXPECT_EQ(plain[0]["params"]["enable_auto_click_protection"], "1");
    // The ad URL carries every parameter, and the server reads them all back.
    ASSERT_EQ(get(adTarget(plain))->status, 200);
    auto request = server.log().last(RequestKind::AdRequest);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->slotname, "plain");
    EXPECT_EQ(request->param("request_id"), "7");
    EXPECT_EQ(request->param("ad_frame"), "{\"x\":0,\"y\":430}");
    EXPECT_EQ(request->param("u_sd"), "2");
    EXPECT_EQ(request->param("kw"),
              "Gr\xc3\xbc\xc3\x9f"
              "e & more");

    Json invalid = getAd({{"slotname", "invalid"}, {"request_id", "8"}});
    EXPECT_EQ(invalid[0]["action"], "invalidRequest");
    EXPECT_EQ(invalid[0]["params"]["request_id"], "8");
    Json errors = getAd({{"slotname", "errors"}, {"request_id", "9"}});
    EXPECT_EQ(errors[0]["action"], "loadAdURL");
    EXPECT_TRUE(errors[0]["params"].contains("errors"));
    EXPECT_FALSE(errors[0]["params"].contains("url"));
    EXPECT_TRUE(getAd({{"slotname", "silent"}, {"request_id", "10"}}).empty());

    Json refused = getAd({{"slotname", "refused"}, {"request_id", "11"}});
    std::string refusedUrl = refused[0]["params"]["url"];
    EXPECT_EQ(refusedUrl.rfind(server.refusedOrigin(), 0), 0u);
    httplib::Client nobody(server.refusedOrigin());
    auto none = nobody.Get("/mads/gma");
    EXPECT_FALSE(none);
    EXPECT_EQ(none.error(), httplib::Error::Connection);

    Json fetch = getAd({{"slotname", "fetch"}, {"request_id", "12"}});
    ASSERT_EQ(fetch[0]["action"], "fetchHttpRequest");
    Json httpRequest = Json::parse(fetch[0]["params"]["http_request"].get<std::string>());
    EXPECT_EQ(httpRequest["http_request_id"], "12");
    std::string fetchUrl = httpRequest["url"];
    auto fetched = get(fetchUrl.substr(server.origin().size()));
    EXPECT_EQ(fetched->get_header_value("Content-Type"), "application/json; charset=utf-8");
    Json ad = Json::parse(fetched->body);
    EXPECT_NE(ad["ad_html"].get<std::string>().find("/aclk/ticket/"), std::string::npos);
    EXPECT_EQ(ad["ad_base_url"], server.url("/mads/"));
    EXPECT_EQ(ad["impression_urls"][0], server.url("/mads/imp?slot=fetch&ad=2"));
    EXPECT_EQ(server.log().last(RequestKind::FetchedAdRequest)->param("request_id"), "12");

    // The page hands the fetch result back; the server turns it into "loadAd" for that id.
    Json completed = call(Json{
        {"function", "RADE_ReceiveMessage"},
        {"args",
         Json::array({"fetchHttpRequestCompleted",
                      Json{{"success", "true"},
                           {"response", {{"http_request_id", "12"}, {"body", fetched->body}}}}})}});
    ASSERT_EQ(completed.size(), 1u);
    EXPECT_EQ(completed[0]["action"], "loadAd");
    EXPECT_EQ(completed[0]["params"]["request_id"], "12");
    EXPECT_EQ(completed[0]["params"]["fetched_ad"], fetched->body);
    Json failed =
        call(Json{{"function", "RADE_ReceiveMessage"},
                  {"args", Json::array({"fetchHttpRequestCompleted",
                                        Json{{"success", "false"},
                                             {"reason", "status 500"},
                                             {"response", {{"http_request_id", "13"}}}}})}});
    EXPECT_EQ(failed[0]["action"], "loadAdURL");
    EXPECT_EQ(failed[0]["params"]["request_id"], "13");
    EXPECT_EQ(failed[0]["params"]["errors"], "status 500");
    EXPECT_TRUE(
        call(Json{{"function", "RADE_ReceiveMessage"}, {"args", Json::array({"onshow"})}}).empty());
    EXPECT_EQ(server.log().last(RequestKind::CoreCall)->event, "onshow");
}

TEST_F(AdServerTest, AFloodingPageAsksForEveryLargeBodyAtOnceAndItsAnswersAreOnlyRecorded) {
    server.setScenario("flood", AdScenario::fetchFlood(3, 100'000));
    Json messages = getAd({{"slotname", "flood"}, {"request_id", "5"}});
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[0]["action"], "loadAdURL");
    for (int i = 1; i <= 3; ++i) {
        ASSERT_EQ(messages[i]["action"], "fetchHttpRequest");
        Json request = Json::parse(messages[i]["params"]["http_request"].get<std::string>());
        EXPECT_EQ(request["http_request_id"], "flood-5-" + std::to_string(i));
        std::string url = request["url"];
        auto body = get(url.substr(server.origin().size()));
        ASSERT_TRUE(body);
        EXPECT_EQ(body->status, 200);
        EXPECT_EQ(body->body.size(), 100'000u);
        EXPECT_EQ(body->body.rfind("<p>movuroute large body</p>", 0), 0u);
    }
    EXPECT_EQ(server.log().count(RequestKind::LargeBody), 3u);
    EXPECT_EQ(server.log().last(RequestKind::LargeBody)->slotname, "flood");
    EXPECT_EQ(get("/mads/large_body?bytes=0")->body, "");
    for (const char* bad : {"/mads/large_body", "/mads/large_body?bytes=67108865",
                            "/mads/large_body?bytes=-3", "/mads/large_body?bytes=1e6"}) {
        EXPECT_EQ(get(bad)->status, 400) << bad;
    }
    // Nobody waits for an ad from a flood's fetches: their answers are recorded, not answered.
    EXPECT_TRUE(call(Json{{"function", "RADE_ReceiveMessage"},
                          {"args", Json::array({"fetchHttpRequestCompleted",
                                                Json{{"success", "true"},
                                                     {"response",
                                                      {{"http_request_id", "flood-5-1"},
                                                       {"body_length", 100000}}}}})}})
                    .empty());
    EXPECT_EQ(server.log().last(RequestKind::CoreCall)->event, "fetchHttpRequestCompleted");
}

TEST_F(AdServerTest, ConstantsAndReloadRequests) {
    Json getConstants = {{"function", "RADE_getSdkConstants"},
                         {"args", Json::array({Json{{"js", "rade-sdk-i-v7.5.2"}}})}};
    Json defaults = call(getConstants);
    ASSERT_EQ(defaults.size(), 1u);
    EXPECT_EQ(defaults[0]["action"], "loadSdkConstants");
    // Every value is text, as gmsg parameters are, and the report path leads back here.
    for (const auto& [name, value] : defaults[0]["params"].items())
        EXPECT_TRUE(value.is_string()) << name;
    EXPECT_EQ(defaults[0]["params"]["bad_ad_report_path"], server.url("/s/reportAd"));
    EXPECT_EQ(
        Json::parse(defaults[0]["params"]["whitelisted_ad_request_domains"].get<std::string>()),
        Json::array({"127.0.0.1"}));

    server.setConstants(std::map<std::string, std::string>{{"refresh_intervals", "not json"}});
    EXPECT_EQ(call(getConstants)[0]["params"], (Json{{"refresh_intervals", "not json"}}));
    server.setConstants(std::nullopt);
    EXPECT_TRUE(call(getConstants).empty());

    server.requestReloadOnNextCall();
    Json reload = call(getConstants);
    ASSERT_EQ(reload.size(), 1u);
    EXPECT_EQ(reload[0]["action"], "requestReload");
    EXPECT_TRUE(call(getConstants).empty());  // once

    server.setScenario("r", AdScenario::banner().withReloadRequest());
    Json withReload = getAd({{"slotname", "r"}, {"request_id", "1"}});
    ASSERT_EQ(withReload.size(), 2u);
    EXPECT_EQ(withReload[0]["action"], "loadAdURL");
    EXPECT_EQ(withReload[1]["action"], "requestReload");
}

TEST_F(AdServerTest, AdUrlsAnswerEachKindWithItsHeaders) {
    server.setScenario("b", AdScenario::banner()
                                .withRefreshRate(30)
                                .withAdSize("320x50")
                                .withColor("#123456")
                                .withManualImpressions()
                                .withHeader("x-rade-use-https", "0"));
    auto banner = get("/mads/gma?slotname=b&format=320x50_mb");
    ASSERT_TRUE(banner);
    EXPECT_EQ(banner->status, 200);
    EXPECT_EQ(banner->get_header_value("Content-Type"), "text/html; charset=UTF-8");
    EXPECT_EQ(banner->get_header_value("x-rade-tracking-urls"),
              server.url("/mads/imp?slot=b&ad=1"));
    EXPECT_EQ(banner->get_header_value("x-rade-click-tracking-urls"),
              server.url("/mads/clk?slot=b&ad=1"));
    EXPECT_EQ(banner->get_header_value("x-rade-manual-tracking-urls"),
              server.url("/mads/manual_imp?slot=b&ad=1"));
    EXPECT_EQ(banner->get_header_value("x-rade-activeview"),
              "{\"viewable_url\":\"" + server.url("/mads/viewable?slot=b&ad=1") + "\"}");
    EXPECT_EQ(get("/mads/viewable?slot=b&ad=1")->status, 204);
    EXPECT_EQ(server.log().count(RequestKind::Viewable), 1u);
    EXPECT_EQ(banner->get_header_value("x-rade-refresh-rate"), "30");
    EXPECT_EQ(banner->get_header_value("x-rade-ad-size"), "320x50");
    EXPECT_EQ(banner->get_header_value("x-rade-debug-dialog"), "Movuroute test ad 1 for ad unit b");
    EXPECT_EQ(banner->get_header_value("x-rade-use-https"), "0");
    EXPECT_NE(banner->body.find("background: #123456"), std::string::npos);
    EXPECT_NE(
        banner->body.find(server.url("/aclk/ticket/1?ai=movu1&amp;slot=b&amp;ad=1&amp;adurl=")),
        std::string::npos);
    EXPECT_EQ(banner->body.find("gmsg://movuroute/close"), std::string::npos);

    // The default banner scenario answers an interstitial request with the interstitial.
    auto interstitial = get("/mads/gma?slotname=any&format=interstitial_mb");
    EXPECT_NE(interstitial->body.find("gmsg://movuroute/close"), std::string::npos);
    EXPECT_FALSE(interstitial->has_header("x-rade-refresh-rate"));

    server.setScenario("nofill", AdScenario::noFill(45));
    auto noFill = get("/mads/gma?slotname=nofill");
    EXPECT_EQ(noFill->status, 200);
    EXPECT_TRUE(noFill->body.empty());
    EXPECT_EQ(noFill->get_header_value("x-rade-refresh-rate"), "45");
    EXPECT_FALSE(noFill->has_header("x-rade-tracking-urls"));

    for (int status : {400, 404, 500}) {
        server.setScenario("e", AdScenario::httpStatus(status));
        auto error = get("/mads/gma?slotname=e");
        EXPECT_EQ(error->status, status);
        EXPECT_FALSE(error->has_header("x-rade-tracking-urls"));
    }

    server.setScenario("m", AdScenario::mediation().withRefreshRate(60));
    auto mediation = get("/mads/gma?slotname=m&format=interstitial_mb");
    EXPECT_EQ(mediation->get_header_value("x-rade-mediation"), "1");
    EXPECT_EQ(mediation->get_header_value("Content-Type"), "application/json; charset=utf-8");
    Json config = Json::parse(mediation->body);
    EXPECT_EQ(config["ad_type"], "interstitial");
    EXPECT_EQ(config["settings"]["refresh"], 60.0);
    EXPECT_EQ(config["ad_networks"][0]["id"], "1");
    EXPECT_EQ(config["ad_networks"][0]["data"]["pubid"], "m");
    server.setScenario("m", AdScenario::mediation({"Silent", "Filling"}, 50));
    config = Json::parse(get("/mads/gma?slotname=m")->body);
    EXPECT_EQ(config["ad_type"], "banner");
    EXPECT_EQ(config["settings"]["ad_network_timeout_millis"], 50);
    ASSERT_EQ(config["ad_networks"].size(), 2u);
    EXPECT_EQ(config["ad_networks"][1]["id"], "2");
    EXPECT_EQ(config["ad_networks"][1]["adapters"][0], "Filling");
    // A network of the custom-event adapter names the scenario's publisher class; others don't.
    server.setScenario("m", AdScenario::mediation({"Filling", "GADMAdapterCustomEvents"})
                                .withCustomEvent("PublisherBanner", "param", "house"));
    config = Json::parse(get("/mads/gma?slotname=m")->body);
    EXPECT_FALSE(config["ad_networks"][0]["data"].contains("class_name"));
    EXPECT_EQ(config["ad_networks"][1]["data"], (Json{{"pubid", "m"},
                                                      {"class_name", "PublisherBanner"},
                                                      {"parameter", "param"},
                                                      {"label", "house"}}));
    EXPECT_FALSE(config["ad_networks"][1]["data"].contains("adxtym_html"));
    EXPECT_EQ(config["ad_networks"][1]["data"]["pubid"], "m");
    // An HTML adapter's network carries the script ad's page and the passback URL.
    server.setScenario("m", AdScenario::mediation({"GADMAdapterHTML", "Filling"})
                                .endingScriptWith(ScriptEnding::Passback, 0)
                                .withMediationPubId("inner"));
    config = Json::parse(get("/mads/gma?slotname=m")->body);
    const Json html = config["ad_networks"][0]["data"];
    EXPECT_NE(html["adxtym_html"].get<std::string>().find("/mads/passback?slot=m"),
              std::string::npos);
    EXPECT_EQ(html["adxtym_passback_url"], server.origin() + "/mads/passback/");
    EXPECT_EQ(config["ad_networks"][1]["data"]["pubid"], "inner");
    EXPECT_FALSE(config["ad_networks"][1]["data"].contains("adxtym_html"));
    // The SDK's default templates land on the server too.
    for (const char* path : {"/imp?aec=0", "/clk?ad_loc=m", "/nofill?aec=3"}) get(path);
    EXPECT_EQ(server.log().count(RequestKind::MediationPing), 3u);
    server.setScenario("m", AdScenario::mediationWithoutJson());
    auto notJson = get("/mads/gma?slotname=m");
    EXPECT_EQ(notJson->get_header_value("x-rade-mediation"), "1");
    EXPECT_EQ(notJson->get_header_value("Content-Type"), "text/html; charset=UTF-8");

    server.setScenario("c", AdScenario::customRendering());
    EXPECT_EQ(get("/mads/gma?slotname=c")->get_header_value("x-rade-custom-rendering-allowed"),
              "1");
    server.setScenario("n", AdScenario::native());
    auto native = get("/mads/gma?slotname=n");
    EXPECT_EQ(native->get_header_value("x-rade-ad-format"), "native");
    EXPECT_EQ(Json::parse(native->body)["ads"][0]["template_id"], "1");

    server.setScenario("l", AdScenario::links());
    auto links = get("/mads/gma?slotname=l");
    for (const char* road : {"a=in_app_store&amp;product_id=123", "a=app&amp;u=", "mailto:", "sms:",
                             "tel:", "gmsg://movuroute/click?u=", "gmsg://movuroute/close"}) {
        EXPECT_NE(links->body.find(road), std::string::npos) << road;
    }

    server.setScenario("s", AdScenario::scriptAd());
    Json script = Json::parse(get("/mads/fetched_ad?slotname=s")->body);
    EXPECT_EQ(script["ad_is_javascript"], true);
    EXPECT_NE(script["ad_passback_url"].get<std::string>().find("/mads/passback?slot=s"),
              std::string::npos);
    // It draws after its delay, passes back by its URL or by the scheme, or does nothing.
    const std::string drawn = script["ad_html"];
    EXPECT_NE(drawn.find("}, 300);"), std::string::npos) << drawn;
    EXPECT_NE(drawn.find("appendChild"), std::string::npos) << drawn;
    server.setScenario("s", AdScenario::scriptAd().endingScriptWith(ScriptEnding::Passback, 1));
    const std::string passback = Json::parse(get("/mads/fetched_ad?slotname=s")->body)["ad_html"];
    EXPECT_NE(passback.find("location.href = \"" + server.origin() + "/mads/passback?slot=s"),
              std::string::npos)
        << passback;
    EXPECT_NE(passback.find("}, 1000);"), std::string::npos) << passback;
    server.setScenario("s", AdScenario::scriptAd().endingScriptWith(ScriptEnding::PassbackScheme));
    const std::string scheme = Json::parse(get("/mads/fetched_ad?slotname=s")->body)["ad_html"];
    EXPECT_NE(scheme.find("location.href = \"passback:slot=s"), std::string::npos) << scheme;
    server.setScenario("s", AdScenario::scriptAd().endingScriptWith(ScriptEnding::Never));
    const std::string never = Json::parse(get("/mads/fetched_ad?slotname=s")->body)["ad_html"];
    EXPECT_EQ(never.find("<script"), std::string::npos) << never;
    server.setScenario("raw",
                       AdScenario::answered(PageAnswer::FetchedAd).withFetchedAdBody("[1, 2]"));
    EXPECT_EQ(get("/mads/fetched_ad?slotname=raw")->body, "[1, 2]");
    server.setScenario("fm", AdScenario::mediation().withAnswer(PageAnswer::FetchedAd));
    Json fetchedMediation = Json::parse(get("/mads/fetched_ad?slotname=fm")->body);
    EXPECT_EQ(fetchedMediation["is_mediation"], true);
    EXPECT_TRUE(fetchedMediation["ad_json"].contains("ad_networks"));

    // Another server's ads may come without active-view settings, in either form.
    server.setScenario("nav", AdScenario::banner().withoutActiveViewSettings());
    auto bare = get("/mads/gma?slotname=nav");
    EXPECT_FALSE(bare->has_header("x-rade-activeview"));
    EXPECT_TRUE(bare->has_header("x-rade-tracking-urls"));
    Json bareObject = Json::parse(get("/mads/fetched_ad?slotname=nav")->body);
    EXPECT_FALSE(bareObject.contains("active_view"));
    EXPECT_TRUE(bareObject.contains("impression_urls"));
    EXPECT_TRUE(Json::parse(get("/mads/fetched_ad?slotname=l")->body).contains("active_view"));

    // Every ad answered got the next number.
    auto requests = server.log().of(RequestKind::AdRequest);
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(requests[0].ad, 1);
    EXPECT_EQ(requests[1].ad, 2);
}

TEST_F(AdServerTest, RecordsPingsClicksReportsAndTokenRequests) {
    EXPECT_EQ(get("/mads/imp?slot=u&ad=3")->status, 204);
    get("/mads/clk?slot=u&ad=3");
    get("/mads/creative_event?slot=u&ad=3&name=onshow");
    get("/csi?s=zmob_sdk&v=3&action=load_ad_ios&it=rur_ios3.120");
    get("/adpage/gen_204?id=zmob-apps-report-exception&stacktrace=a-b");
    auto report = client().Post("/s/reportAd", "{\"debugHeader\":\"x\"}", "application/json");
    EXPECT_EQ(report->status, 200);

    // A click goes on to our landing page, whatever "adurl" says.
    auto click = get("/aclk/ticket/3?ai=movu3&slot=u&ad=3&adurl=https%3A%2F%2Fexample.invalid%2F");
    EXPECT_EQ(click->status, 302);
    EXPECT_EQ(click->get_header_value("Location"), server.url("/landing?slot=u&ad=3"));
    EXPECT_EQ(get("/landing?slot=u&ad=3")->status, 200);

    auto impression = server.log().last(RequestKind::Impression);
    EXPECT_EQ(impression->slotname, "u");
    EXPECT_EQ(impression->ad, 3);
    EXPECT_EQ(server.log().last(RequestKind::ClickTracking)->ad, 3);
    EXPECT_EQ(server.log().last(RequestKind::CreativeEvent)->param("name"), "onshow");
    EXPECT_EQ(server.log().last(RequestKind::PerformanceReport)->param("it"), "rur_ios3.120");
    EXPECT_EQ(server.log().last(RequestKind::CrashReport)->param("stacktrace"), "a-b");
    EXPECT_EQ(server.log().last(RequestKind::BadAdReport)->body, "{\"debugHeader\":\"x\"}");
    EXPECT_EQ(server.log().last(RequestKind::Click)->param("ai"), "movu3");
    EXPECT_EQ(server.log().count(RequestKind::Landing), 1u);

    auto token =
        client().Post("/oauth2/v3/token", "client_id=c&grant_type=refresh_token&refresh_token=r",
                      "application/x-www-form-urlencoded");
    Json first = Json::parse(token->body);
    EXPECT_EQ(first["expires_in"], 3600);
    auto second = Json::parse(
        client().Post("/oauth2/v3/token", "", "application/x-www-form-urlencoded")->body);
    EXPECT_NE(first["access_token"], second["access_token"]);
    auto recorded = server.log().of(RequestKind::TokenRequest);
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(recorded[0].param("grant_type"), "refresh_token");
    EXPECT_EQ(recorded[0].header("content-type"), "application/x-www-form-urlencoded");
    server.setTokenAnswer(500, "{}");
    EXPECT_EQ(client().Post("/oauth2/v3/token", "", "application/x-www-form-urlencoded")->status,
              500);
}

TEST_F(AdServerTest, HostileCreativesAndTheirRedirectToAFile) {
    auto creative = [&](const char* unit, AdScenario scenario, const char* format) {
        server.setScenario(unit, std::move(scenario));
        return get(std::string("/mads/gma?slotname=") + unit + "&format=" + format)->body;
    };
    // Each hostile part ends the generated page; the others stay what they were.
    const std::string frame =
        creative("f", AdScenario::banner().withHostility(Hostility::FileFrame), "320x50_mb");
    EXPECT_NE(frame.find("<iframe id=\"hostile\" src=\"" + server.url(kFileRedirectPath) +
                         "?slot=f&amp;ad=1\""),
              std::string::npos);
    const std::string away =
        creative("n", AdScenario::interstitial().withHostility(Hostility::FileNavigation),
                 "interstitial_mb");
    EXPECT_NE(away.find("location.href = \"" + server.url(kFileRedirectPath) + "?slot=n&ad=2\""),
              std::string::npos);
    EXPECT_NE(away.find("gmsg://movuroute/close"), std::string::npos);
    // The others' scripts, in a banner or an interstitial.
    struct Part {
        const char* unit;
        Hostility hostility;
        bool banner;
        const char* script;
    };
    for (const Part& part : {
             Part{"s", Hostility::Spin, false, "while (true) {}"},
             Part{"a", Hostility::Allocate, true, "new Uint8Array(50 * 1024 * 1024)"},
             Part{"b", Hostility::BlobFlood, true,
                  "kept.push(new Blob([new Uint8Array(64 * 1024 * 1024)]))"},
             Part{"d", Hostility::StoredFlood, false, "indexedDB.open('hoard', 1)"},
             Part{"w", Hostility::SpinWorkers, false, "new Worker(code)"},
             Part{"y", Hostility::YieldingSpin, false, "setTimeout(spin, 5)"},
             Part{"c", Hostility::DutyCycleWorkers, false, "setTimeout(work, 170)"},
             Part{"g", Hostility::AllocateWorkers, false, "new Uint8Array(16 * 1024 * 1024)"},
             Part{"k", Hostility::BusySharedWorkers, false, "new SharedWorker("},
             Part{"r", Hostility::BusyServiceWorker, true, "navigator.serviceWorker.register("},
             Part{"v", Hostility::Sound, true, "context.resume()"},
             Part{"o", Hostility::OpenableFlood, false, "'gmsg://movuroute/canOpenURLs?urls='"},
             Part{"m", Hostility::HugeMessages, true, "'x'.repeat(20971520)"},
             Part{"l", Hostility::HugeMessagesByLocation, false,
                  "own.contentWindow.location.replace(url)"},
         }) {
        AdScenario scenario = part.banner ? AdScenario::banner() : AdScenario::interstitial();
        scenario.withHostility(part.hostility);
        EXPECT_NE(creative(part.unit, scenario, part.banner ? "320x50_mb" : "interstitial_mb")
                      .find(part.script),
                  std::string::npos)
            << part.unit;
    }
    EXPECT_EQ(creative("p", AdScenario::banner(), "320x50_mb").find("hostile"), std::string::npos);
    // The slow fetches name this server and their ad, so the log tells whose they are.
    const std::string slow = creative(
        "h", AdScenario::interstitial().withHostility(Hostility::SlowFetches), "interstitial_mb");
    EXPECT_NE(slow.find("fetch(\"" + server.url(kSlowPath) + "?slot=h&ad=18&n=\" + i"),
              std::string::npos)
        << slow;

    // The workers' script is one a worker of any kind runs, and the server hears who asked.
    auto worker = get(std::string(kBusyWorkerPath) + "?slot=k&ad=9");
    EXPECT_EQ(worker->status, 200);
    EXPECT_EQ(worker->get_header_value("Content-Type"), "text/javascript");
    EXPECT_NE(worker->body.find("setTimeout(work, 50)"), std::string::npos);
    ASSERT_EQ(server.log().count(RequestKind::WorkerScript), 1u);
    EXPECT_EQ(server.log().last(RequestKind::WorkerScript)->slotname, "k");

    // The address they use, and the landing page's link, answer with a file and are recorded.
    auto redirect = get(std::string(kFileRedirectPath) + "?slot=f&ad=1");
    EXPECT_EQ(redirect->status, 302);
    EXPECT_EQ(redirect->get_header_value("Location"), "file:///etc/passwd");
    EXPECT_NE(get("/landing?slot=u&ad=3")->body.find("href=\"/landing/to_file?slot=u&amp;ad=3\""),
              std::string::npos);
    EXPECT_EQ(get("/landing/to_file?slot=u&ad=3")->get_header_value("Location"),
              "file:///etc/passwd");
    auto redirects = server.log().of(RequestKind::FileRedirect);
    ASSERT_EQ(redirects.size(), 2u);
    EXPECT_EQ(redirects[0].slotname, "f");
    EXPECT_EQ(redirects[0].ad, 1);
    EXPECT_EQ(redirects[1].path, "/landing/to_file");
}

TEST_F(AdServerTest, CreativesThatReachForTheDesktopAndTheirAttachment) {
    auto creative = [&](const char* unit, Hostility hostility) {
        server.setScenario(unit, AdScenario::interstitial().withHostility(hostility));
        return get(std::string("/mads/gma?slotname=") + unit + "&format=interstitial_mb")->body;
    };
    EXPECT_NE(creative("p", Hostility::Print).find("window.print(); hostile.printed = true;"),
              std::string::npos);
    const std::string chooser = creative("c", Hostility::FileChooser);
    EXPECT_NE(chooser.find("<input id=\"hostile-file\" type=\"file\""), std::string::npos);
    EXPECT_NE(chooser.find("input.click();"), std::string::npos);
    const std::string dialogs = creative("d", Hostility::Dialogs);
    for (const char* call : {"i < 1000", "alert(", "confirm(", "prompt("}) {
        EXPECT_NE(dialogs.find(call), std::string::npos) << call;
    }
    EXPECT_NE(creative("a", Hostility::Attachment)
                  .find("<iframe id=\"hostile\" src=\"" + server.url(kAttachmentPath) +
                        "?slot=a&amp;ad=4\""),
              std::string::npos);
    EXPECT_NE(creative("e", Hostility::EndlessAttachment)
                  .find(server.url(kAttachmentPath) + "?slot=e&amp;ad=5&amp;endless=1\""),
              std::string::npos);
    // The close link still comes first: each part only adds to the page.
    EXPECT_NE(dialogs.find("gmsg://movuroute/close"), std::string::npos);

    auto attachment = get(std::string(kAttachmentPath) + "?slot=a&ad=4");
    ASSERT_TRUE(attachment);
    EXPECT_EQ(attachment->status, 200);
    EXPECT_EQ(attachment->get_header_value("Content-Disposition"),
              "attachment; filename=\"evil.desktop\"");
    EXPECT_EQ(attachment->body.rfind("[Desktop Entry]\n", 0), 0u);

    // The endless body goes on past anything a page would need; the reader leaves after 8 MiB
    // and the server lets go of it.
    std::size_t read = 0;
    auto endless = client().Get(std::string(kAttachmentPath) + "?slot=e&ad=5&endless=1",
                                [&](const char*, std::size_t length) {
                                    read += length;
                                    return read < (8u << 20);
                                });
    EXPECT_GE(read, 8u << 20);
    auto attachments = server.log().of(RequestKind::Attachment);
    ASSERT_EQ(attachments.size(), 2u);
    EXPECT_EQ(attachments[1].slotname, "e");
    EXPECT_EQ(attachments[1].param("endless"), "1");
    EXPECT_EQ(get("/mads/imp?slot=x")->status, 204);
}

TEST_F(AdServerTest, LandingPagesVideosAndThePrecachingCreative) {
    // The landing page has a second page and a form, and each is recorded with its Referer.
    httplib::Headers referred{{"Referer", "ads.test"}};
    auto landing = client().Get("/landing?slot=u&ad=3", referred);
    EXPECT_NE(landing->body.find("href=\"/landing?slot=u&amp;ad=3&amp;page=2\""),
              std::string::npos);
    EXPECT_NE(landing->body.find("action=\"/landing/form\""), std::string::npos);
    EXPECT_NE(get("/landing?slot=u&ad=3&page=2")->body.find("Page 2."), std::string::npos);
    EXPECT_EQ(get("/landing/form?slot=u&ad=3&q=tilt")->status, 200);
    auto landings = server.log().of(RequestKind::Landing);
    ASSERT_EQ(landings.size(), 3u);
    EXPECT_EQ(landings[0].header("referer"), "ads.test");
    EXPECT_EQ(landings[2].path, "/landing/form");
    EXPECT_EQ(landings[2].param("q"), "tilt");

    // The video: 5 MB, announced or not, under the name asked for.
    auto sized = get("/media/video.mp4?name=clip.mp4");
    EXPECT_EQ(sized->body.size(), AdServer::kMediaBytes);
    EXPECT_EQ(sized->get_header_value("Content-Length"), std::to_string(AdServer::kMediaBytes));
    EXPECT_EQ(sized->get_header_value("Content-Disposition"), "attachment; filename=\"clip.mp4\"");
    EXPECT_EQ(sized->body.substr(0, 27), "abcdefghijklmnopqrstuvwxyza");
    auto unsized = get("/media/video.mp4?length=none&name=a%22b%0A.mp4");
    EXPECT_EQ(unsized->body, sized->body);
    EXPECT_FALSE(unsized->has_header("Content-Length"));
    // A name cannot end the header's quoted text or break its line.
    EXPECT_EQ(unsized->get_header_value("Content-Disposition"),
              "attachment; filename=\"a_b_.mp4\"");
    EXPECT_FALSE(get("/media/video.mp4")->has_header("Content-Disposition"));
    EXPECT_EQ(server.log().count(RequestKind::Media), 3u);

    // The precaching creative asks for that video as soon as it has loaded.
    server.setScenario("p", AdScenario::precache());
    auto creative = get("/mads/gma?slotname=p");
    EXPECT_NE(creative->body.find("gmsg://movuroute/precache?src=" +
                                  percentEncode(server.url("/media/video.mp4?slot=p"))),
              std::string::npos);
    EXPECT_NE(creative->body.find("onPrecacheEvent"), std::string::npos);
    EXPECT_NE(creative->body.find("gmsg://movuroute/precache?abort=1"), std::string::npos);

    // One that plays what it fetched asks for the clip a test gave the server, and plays it
    // from where it was cached.
    EXPECT_EQ(get("/media/clip.webm")->status, 404);
    server.setMediaClip("webm bytes");
    const auto clip = get("/media/clip.webm?slot=v&ad=1");
    EXPECT_EQ(clip->status, 200);
    EXPECT_EQ(clip->body, "webm bytes");
    EXPECT_EQ(clip->get_header_value("Content-Type"), "video/webm");
    server.setScenario("v", *parseAdScenario("precache,play"));
    auto player = get("/mads/gma?slotname=v");
    EXPECT_NE(player->body.find("gmsg://movuroute/precache?src=" +
                                percentEncode(server.url("/media/clip.webm?slot=v"))),
              std::string::npos);
    EXPECT_NE(player->body.find("'action=src&src=' + encodeURIComponent(info.cachedSrc)"),
              std::string::npos);
}

TEST_F(AdServerTest, FrameCreativesShowTheServersDocumentsThatTellTheirPageTheyArrived) {
    server.setScenario("c", *parseAdScenario("frames-carousel"));
    server.setScenario("t", *parseAdScenario("frames-tiles"));
    const std::string carousel = get("/mads/gma?slotname=c")->body;
    EXPECT_NE(carousel.find("src=\"/mads/frame_page?from=carousel&n=1\""), std::string::npos);
    EXPECT_NE(carousel.find("id=\"shop\" href=\"/landing?from=carousel\""), std::string::npos);
    const std::string tiles = get("/mads/gma?slotname=t")->body;
    EXPECT_NE(tiles.find("<script src=\"mraid.js\"></script>"), std::string::npos);
    EXPECT_NE(tiles.find("n <= 80"), std::string::npos);

    // Each document names its number to its parent; anything else in the query shows as 0.
    auto page = get("/mads/frame_page?from=tiles&n=17");
    EXPECT_EQ(page->status, 200);
    EXPECT_EQ(page->get_header_value("Content-Type"), "text/html; charset=utf-8");
    EXPECT_NE(page->body.find("parent.postMessage({movuFrame: 17}, '*')"), std::string::npos);
    for (const char* odd : {"n=%3Cb%3Ealert(1)", "n=10000", "n=-1", "n=7x", ""}) {
        auto refused = get(std::string("/mads/frame_page?") + odd);
        EXPECT_NE(refused->body.find("{movuFrame: 0}"), std::string::npos) << odd;
        EXPECT_EQ(refused->body.find("alert(1)"), std::string::npos) << odd;
    }
    // The links creative's frame holds its three links; the local one asks for no document.
    server.setScenario("l", *parseAdScenario("frames-links"));
    server.setScenario("m", *parseAdScenario("frames-local"));
    EXPECT_NE(get("/mads/gma?slotname=l")->body.find("src=\"/mads/frame_links\""),
              std::string::npos);
    const std::string links = get("/mads/frame_links")->body;
    for (const char* link : {"id=\"in\" href=\"/landing?from=frame-in\"",
                             "target=\"_top\" href=\"/landing?from=frame-top\"",
                             "target=\"_blank\" href=\"/landing?from=frame-blank\""})
        EXPECT_NE(links.find(link), std::string::npos) << link;
    const std::string local = get("/mads/gma?slotname=m")->body;
    for (const char* made : {"f.srcdoc", "'about:blank'", "'data:text/html,'", "new Blob("})
        EXPECT_NE(local.find(made), std::string::npos) << made;
    EXPECT_EQ(local.find("/mads/frame"), std::string::npos);

    const auto frames = server.log().of(RequestKind::FramePage);
    ASSERT_EQ(frames.size(), 7u);
    EXPECT_EQ(frames[0].param("from"), "tiles");
    EXPECT_EQ(kindName(RequestKind::FramePage), "frame-page");
}

TEST_F(AdServerTest, StalledAnswersWaitForTheirGateAndStopLetsThemGo) {
    auto gate = server.makeGate();
    server.setScenario("slow", AdScenario::banner().stalledOn(gate));
    // 0: no answer at all.
    auto statusOf = [&](const std::string& target) {
        auto res = get(target);
        return res ? res->status : 0;
    };
    int held = -1;
    std::thread requester([&] { held = statusOf("/mads/gma?slotname=slow"); });
    // Recorded on arrival, before the answer: a test can wait for the request it holds.
    ASSERT_TRUE(server.log().waitFor(RequestKind::AdRequest, 1));
    ASSERT_TRUE(gate->waitForArrivals(1));
    gate->release();
    requester.join();
    EXPECT_EQ(held, 200);
    // The MRAID creatives' held picture likewise: it answers once its gate lets it go.
    auto pictureGate = server.makeGate();
    server.stallMraidHeldPicture(pictureGate);
    int picture = -1;
    std::thread pictureRequester([&] { picture = statusOf(kMraidHeldPicturePath); });
    ASSERT_TRUE(pictureGate->waitForArrivals(1));
    pictureGate->release();
    pictureRequester.join();
    EXPECT_EQ(picture, 200);

    server.setScenario("slow", AdScenario::banner().stalledOn(server.makeGate()));
    auto pageGate = server.makeGate();
    server.stallPage(pageGate);
    // A hostile creative's slow address is only ever let go by the stop.
    int slow = -1;
    std::thread slowRequester([&] { slow = statusOf(std::string(kSlowPath) + "?slot=h&n=0"); });
    auto nativeGate = server.makeGate();
    server.stallNativePage(nativeGate);
    auto heldPictureGate = server.makeGate();
    server.stallMraidHeldPicture(heldPictureGate);
    int abandoned = -1, page = -1, native = -1, heldPicture = -1;
    std::thread adRequester([&] { abandoned = statusOf("/mads/gma?slotname=slow"); });
    std::thread pageRequester([&] { page = statusOf(kCorePagePath); });
    std::thread nativeRequester([&] { native = statusOf(kNativePagePath); });
    std::thread pictureHolder([&] { heldPicture = statusOf(kMraidHeldPicturePath); });
    ASSERT_TRUE(server.log().waitFor(RequestKind::AdRequest, 2));
    ASSERT_TRUE(pageGate->waitForArrivals(1));
    ASSERT_TRUE(nativeGate->waitForArrivals(1));
    ASSERT_TRUE(heldPictureGate->waitForArrivals(1));
    ASSERT_TRUE(server.slowGate()->waitForArrivals(1));
    EXPECT_EQ(server.log().of(RequestKind::Slow).at(0).slotname, "h");
    server.stop();  // must not hang on any held answer
    slowRequester.join();
    EXPECT_TRUE(slow == 503 || slow == 0) << slow;
    adRequester.join();
    pageRequester.join();
    nativeRequester.join();
    pictureHolder.join();
    EXPECT_FALSE(server.isRunning());
    EXPECT_TRUE(abandoned == 503 || abandoned == 0) << abandoned;
    EXPECT_TRUE(page == 503 || page == 0) << page;
    EXPECT_TRUE(native == 503 || native == 0) << native;
    EXPECT_TRUE(heldPicture == 503 || heldPicture == 0) << heldPicture;
}

TEST_F(AdServerTest, UntrustedRequestsNeverBreakTheServer) {
    auto post = [&](const std::string& body) {
        return client().Post(kCoreCallPath, body, "application/json");
    };
    for (const std::string& body :
         {std::string(""), std::string("not json"), std::string("[1]"),
          std::string("{\"function\": 5}"),
          std::string("{\"function\": \"RADE_getAd\", \"args\": {}}"), std::string(100000, '[')}) {
        EXPECT_EQ(post(body)->status, 400) << body.substr(0, 40);
    }
    EXPECT_EQ(get(kCoreCallPath)->status, 400);
    // Odd but well-formed calls get an answer with nothing surprising in it.
    EXPECT_EQ(post("{\"function\": \"RADE_getAd\", \"args\": [null]}")->status, 200);
    EXPECT_EQ(post("{\"function\": \"RADE_getAd\", \"args\": [\"x\", 3]}")->status, 200);
    EXPECT_EQ(
        post(
            "{\"function\": \"RADE_ReceiveMessage\", \"args\": [\"fetchHttpRequestCompleted\", 7]}")
            ->status,
        200);
    EXPECT_TRUE(call(Json{{"function", "unknownFunction"}, {"args", Json::array()}}).empty());
    EXPECT_EQ(post(std::string(2 << 20, 'x'))->status, 413);

    // A hostile ad unit reaches HTML escaped and headers without line breaks. Read raw: our
    // client would decode percent signs in header values.
    std::string raw = rawGet(
        "/mads/gma?slotname=u%0D%0ASet-Cookie%3A%20a%3Db%22%3E%3Cscript%3E"
        "alert(1)%3C%2Fscript%3E%01");
    auto headEnd = raw.find("\r\n\r\n");
    ASSERT_NE(headEnd, std::string::npos) << raw;
    std::string head = raw.substr(0, headEnd);
    EXPECT_EQ(raw.rfind("HTTP/1.1 200", 0), 0u);
    EXPECT_EQ(head.find("\r\nSet-Cookie"), std::string::npos) << head;
    EXPECT_NE(head.find("/mads/imp?slot=u%0D%0ASet-Cookie%3A"), std::string::npos) << head;
    std::string body = raw.substr(headEnd);
    EXPECT_EQ(body.find("<script>alert(1)"), std::string::npos);
    EXPECT_NE(body.find("&lt;script&gt;alert(1)"), std::string::npos);
    auto line = logLine(*server.log().last(RequestKind::AdRequest));
    EXPECT_EQ(line.find_first_of("\r\n\x01"), std::string::npos) << line;

    // The content fingerprint a request carries shows in its line.
    EXPECT_EQ(
        get("/mads/gma?slotname=u&content_info=%7B%22fingerprint%22%3A%22ab%0A%22%7D")->status,
        200);
    line = logLine(*server.log().last(RequestKind::AdRequest));
    EXPECT_NE(line.find("content_info={\"fingerprint\":\"ab?\"}"), std::string::npos) << line;

    // A page call whose parameters are deep or huge still gets a URL servers accept.
    Json big = {
        {"slotname", "u"}, {"request_id", "1"}, {"quality_signals", std::string(20000, 'q')}};
    Json messages = getAd(big);
    std::string url = messages[0]["params"]["url"];
    EXPECT_LT(url.size(), 8000u);
    EXPECT_NE(url.find("movu_dropped=quality_signals"), std::string::npos);
    EXPECT_EQ(get(adTarget(messages))->status, 200);
    Json manyKeys = {{"slotname", "u"}};
    for (int i = 0; i < 300; ++i) manyKeys[std::to_string(i) + std::string(200, 'k')] = "v";
    std::string manyUrl = getAd(manyKeys)[0]["params"]["url"];
    EXPECT_LT(manyUrl.size(), 8000u);
    EXPECT_NE(manyUrl.find("%2C..."), std::string::npos);  // the names, cut short

    EXPECT_EQ(get(kCorePagePath)->status, 200);  // still serving
}

TEST_F(AdServerTest, TheRecordCanBeAwaitedAndHeardFromOtherThreads) {
    std::vector<std::string> heard;
    std::mutex heardMutex;
    server.log().setListener([&](const LoggedRequest& r) {
        std::lock_guard lock(heardMutex);
        heard.push_back(std::string(kindName(r.kind)));
    });
    EXPECT_FALSE(server.log().waitFor(RequestKind::Impression, 1, std::chrono::milliseconds(1)));
    std::thread pinger([&] {
        get("/mads/imp?slot=a&ad=1");
        get("/mads/imp?slot=a&ad=2");
    });
    EXPECT_TRUE(server.log().waitFor(RequestKind::Impression, 2));
    pinger.join();
    EXPECT_TRUE(server.log().waitUntil([](const std::vector<LoggedRequest>& all) {
        return all.size() == 2 && all[1].ad == 2 && all[1].sequence == 2;
    }));
    server.log().setListener(nullptr);
    std::lock_guard lock(heardMutex);
    EXPECT_EQ(heard, (std::vector<std::string>{"impression", "impression"}));
}

TEST_F(AdServerTest, NativeAdsComeInThreeTemplatesWithPicturesAsScripted) {
    for (int id : {1, 2, 3}) {
        server.setScenario("n", AdScenario::native().withNativeTemplate(id));
        auto res = get("/mads/gma?slotname=n");
        ASSERT_TRUE(res);
        const Json ad = Json::parse(res->body)["ads"][0];
        EXPECT_EQ(ad["template_id"], std::to_string(id));
        EXPECT_EQ(ad.contains("secondary_image"), id == 1);
        EXPECT_EQ(ad.contains("app_icon"), id == 2);
        EXPECT_EQ(ad.contains("custom_template_id"), id == 3);
        EXPECT_EQ(ad.contains("custom_assets"), id == 3);
        const Json& tracking = ad["tracking_urls_and_actions"];
        EXPECT_EQ(tracking["click_actions"][0]["url"].get<std::string>().rfind(
                      server.origin() + "/aclk/", 0),
                  0u);
        EXPECT_EQ(ad["attribution"]["images"].size(), 1u);
    }

    // The ad's pictures answer as the unit's scenario says, and are recorded.
    const std::string image =
        Json::parse(get("/mads/gma?slotname=n")->body)["ads"][0]["images"][0]["url"];
    const std::string target = image.substr(server.origin().size());
    auto png = get(target);
    ASSERT_TRUE(png);
    EXPECT_EQ(png->status, 200);
    EXPECT_EQ(png->body.substr(1, 3), "PNG");
    const struct {
        NativeImage kind;
        int status;
        std::size_t minimum, maximum;
    } cases[] = {{NativeImage::Missing, 404, 1, 100},
                 {NativeImage::Empty, 200, 0, 0},
                 {NativeImage::Oversized, 200, 5u << 20, 5u << 20},
                 {NativeImage::Undecodable, 200, 1, 100}};
    for (const auto& c : cases) {
        server.setScenario("n", AdScenario::native().withNativeImage(c.kind));
        auto res = get(target);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, c.status) << nativeImageName(c.kind);
        EXPECT_GE(res->body.size(), c.minimum) << nativeImageName(c.kind);
        EXPECT_LE(res->body.size(), c.maximum) << nativeImageName(c.kind);
    }
    const auto pictures = server.log().of(RequestKind::NativeImage);
    ASSERT_EQ(pictures.size(), 5u);
    EXPECT_EQ(pictures[0].slotname, "n");
    EXPECT_EQ(pictures[0].param("name"), "image");
}

TEST_F(AdServerTest, TheNativePageAnswersAsSet) {
    EXPECT_NE(get(kNativePagePath)->body.find("data-preprocess=\"answer\""), std::string::npos);
    server.setNativePageMode(NativePageMode::Silent);
    EXPECT_NE(get(kNativePagePath)->body.find("data-preprocess=\"silent\""), std::string::npos);
    server.setNativePageMode(NativePageMode::NotJson);
    EXPECT_NE(get(kNativePagePath)->body.find("data-preprocess=\"not-json\""), std::string::npos);
    EXPECT_EQ(server.log().count(RequestKind::NativePage), 3u);
}

TEST_F(AdServerTest, APurchaseAdsReportsAndConversionsAreRecordedAndConversionsCanFail) {
    server.setScenario("offer", AdScenario::purchase("a&b"));
    auto ad = get("/mads/gma?slotname=offer&ad=1");
    ASSERT_TRUE(ad);
    // The "Buy" link asks the SDK for the purchase, with a report template pointing back here.
    EXPECT_NE(ad->body.find("gmsg://movuroute/open?a=in_app_purchase&amp;product_id=a%26b&amp;"
                            "quantity=1&amp;report_urls="),
              std::string::npos)
        << ad->body;
    EXPECT_NE(ad->body.find(percentEncode(server.url("/iap/report?"))), std::string::npos);

    EXPECT_EQ(get("/iap/report?sku=coins&status=1")->status, 204);
    server.failConversions(2);
    EXPECT_EQ(get("/adpage/conversion/?price=0.99")->status, 500);
    EXPECT_EQ(get("/adpage/conversion/?price=0.99")->status, 500);
    EXPECT_EQ(get("/adpage/conversion/?price=0.99&retry=1")->status, 204);
    EXPECT_EQ(server.log().count(RequestKind::PurchaseReport), 1u);
    EXPECT_EQ(server.log().count(RequestKind::Conversion), 3u);
    EXPECT_EQ(kindName(RequestKind::Conversion), "conversion");
    EXPECT_EQ(kindName(RequestKind::PurchaseReport), "purchase-report");
}

}  // namespace

namespace {

TEST(AdServerRewardedTest, TheRewardedUnitGetsTheRewardedVideoConfiguration) {
    AdServer server;
    ASSERT_TRUE(server.isRunning());
    httplib::Client client("127.0.0.1", server.port());
    auto answer = client.Get("/mads/gma?slotname=rewarded&format=reward_mb");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->get_header_value("x-rade-mediation"), "1");
    Json config = Json::parse(answer->body);
    EXPECT_EQ(config["ad_type"], "interstitial");
    EXPECT_EQ(config["settings"]["rewards"],
              Json::array({Json{{"rb_type", "coins"}, {"rb_amount", 10}}}));
    const Json& network = config["ad_networks"][0];
    EXPECT_EQ(network["adapters"], Json::array({kDemoRewardedAdapter}));
    EXPECT_EQ(network["data"]["duration"], "5");
    EXPECT_EQ(network["data"]["fill"], "1");
    EXPECT_NE(network["video_start_urls"][0].get<std::string>().find("ping=video-start"),
              std::string::npos);
    EXPECT_NE(network["video_complete_urls"][0].get<std::string>().find("ping=video-complete"),
              std::string::npos);

    // A scenario of a test's own wins, and the text form names it too.
    server.setScenario(kRewardedUnit, AdScenario::rewarded(1.5, false));
    config = Json::parse(client.Get("/mads/gma?slotname=rewarded")->body);
    EXPECT_EQ(config["ad_networks"][0]["data"]["duration"], "1.5");
    EXPECT_EQ(config["ad_networks"][0]["data"]["fill"], "0");
    EXPECT_TRUE(parseAdScenario("rewarded").has_value());
    EXPECT_TRUE(parseAdScenario("rewarded")->rewardedVideoSeconds.has_value());
}

}  // namespace
