// The SDK core page's script, run under Node against a real ad server: it must parse, stay
// quiet until called, and turn the server's answers into one gmsg navigation each, in order.
// WebKit runs it for real in the SDK's own tests; this catches the page's faults here.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tools/ad_server/AdServer.h"

namespace {

using tools::adserver::AdScenario;
using tools::adserver::AdServer;
using tools::adserver::PageAnswer;
using tools::adserver::RequestKind;
using Json = nlohmann::ordered_json;
namespace fs = std::filesystem;

const fs::path kSource = MOVU_SOURCE_DIR;
const fs::path kPages = kSource / "tools/ad_server/page";

struct Outcome {
    int status = -1;
    std::string output;
};

// Standard output, and standard error too unless it goes elsewhere in the command.
Outcome run(const std::string& command) {
    Outcome result;
    std::string line = command.find("2>") == std::string::npos ? command + " 2>&1" : command;
    FILE* pipe = ::popen(line.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
    result.status = ::pclose(pipe);
    return result;
}

std::string quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

fs::path scratchFile(const std::string& name, const std::string& text) {
    fs::path dir = fs::path(MOVU_BINARY_DIR) / "core_page_test";
    fs::create_directories(dir);
    fs::path file = dir / name;
    std::ofstream(file) << text;
    return file;
}

std::string percentDecode(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            out += char(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// A gmsg URL as the SDK reads it: the action is the path, the parameters the decoded query.
struct Message {
    std::string action;
    std::map<std::string, std::string> params;
};

Message parseGmsg(const std::string& url) {
    Message m;
    const std::string prefix = "gmsg://movuroute/";
    EXPECT_EQ(url.rfind(prefix, 0), 0u) << url;
    std::string rest = url.substr(prefix.size());
    auto q = rest.find('?');
    m.action = percentDecode(rest.substr(0, q));
    if (q == std::string::npos) return m;
    std::stringstream query(rest.substr(q + 1));
    std::string pair;
    while (std::getline(query, pair, '&')) {
        auto eq = pair.find('=');
        m.params[percentDecode(pair.substr(0, eq))] = percentDecode(pair.substr(eq + 1));
    }
    return m;
}

double boxArea(const Json& box) {
    return std::max(0.0, box["right"].get<double>() - box["left"].get<double>()) *
           std::max(0.0, box["bottom"].get<double>() - box["top"].get<double>());
}

// Runs the plan; answers the messages of the page's start and of each step.
std::vector<std::vector<Message>> drive(const AdServer& server, const Json& plan,
                                        const char* page = "sdk-core-v40.html") {
    // Files of their own per test and page: tests run side by side.
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::path planFile = scratchFile(test + "." + page + ".plan.json", plan.dump());
    fs::path errors = scratchFile(test + "." + page + ".harness.err", "");
    // Older Node calls its fetch experimental on standard error; only the output is JSON.
    Outcome r =
        run("node --no-warnings " + quoted(kSource / "tools/ad_server/tests/page_harness.js") +
            " " + quoted(kPages / page) + " " + server.origin() + " " + quoted(planFile) + " 2>" +
            quoted(errors));
    std::ifstream errorFile(errors);
    std::string stderrText((std::istreambuf_iterator<char>(errorFile)),
                           std::istreambuf_iterator<char>());
    EXPECT_EQ(r.status, 0) << r.output << stderrText;
    std::vector<std::vector<Message>> steps;
    Json out = Json::parse(r.output, nullptr, false);
    if (!out.is_array()) {
        ADD_FAILURE() << "harness said: " << r.output << stderrText;
        return steps;
    }
    for (const auto& step : out) {
        std::vector<Message> messages;
        for (const auto& url : step) messages.push_back(parseGmsg(url.get<std::string>()));
        steps.push_back(messages);
    }
    return steps;
}

TEST(CorePageTest, ScriptsOfBothPagesParse) {
    for (const char* page : {"sdk-core-v40.html", "native_ads.html"}) {
        std::ifstream in(kPages / page);
        std::string html((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        auto start = html.find("<script>");
        auto end = html.find("</script>");
        ASSERT_NE(start, std::string::npos) << page;
        ASSERT_NE(end, std::string::npos) << page;
        fs::path script =
            scratchFile(std::string(page) + ".js", html.substr(start + 8, end - start - 8));
        Outcome r = run("node --check " + quoted(script));
        EXPECT_EQ(r.status, 0) << page << ": " << r.output;
    }
}

TEST(CorePageTest, AnswersEachCallAsTheServerSaysInCallOrder) {
    AdServer server;
    ASSERT_TRUE(server.isRunning());
    server.setScenario("url", AdScenario::banner().withRequestScenario("offline_buffer"));
    server.setScenario("invalid", AdScenario::answered(PageAnswer::Invalid));
    server.setScenario("silent", AdScenario::answered(PageAnswer::Silent));
    server.setScenario("fetch", AdScenario::answered(PageAnswer::FetchedAd).withReloadRequest());
    server.setConstants(std::map<std::string, std::string>{{"ping_interval", "30"}});

    const std::string body =
        "{\"ad_html\":\"Gr\xc3\xbc\xc3\x9f"
        "e\xe2\x80\xa8"
        "line\"}";
    Json fetched = {{"success", "true"},
                    {"response",
                     {{"response_code", 200},
                      {"http_request_id", "4"},
                      {"body", body},
                      {"headers", Json::array()}}}};
    // Written out with explicit arrays: a braced list of [text, value] pairs would be read
    // as an object.
    auto call = [](Json name, Json first, Json second = Json()) {
        Json c = Json::array({name, first});
        if (!second.is_null()) c.push_back(second);
        return c;
    };
    auto ad = [](const char* slot, const char* id) {
        return Json{{"slotname", slot}, {"request_id", id}};
    };
    auto step = [](Json calls) { return Json{{"calls", calls}}; };
    Json first = ad("url", "1");
    first["format"] = "320x50_mb";
    Json refused = step(Json::array(
        {call("RADE_getAd", ad("url", "9")), call("RADE_getSdkConstants", Json{{"js", "x"}})}));
    refused["origin"] = server.refusedOrigin();
    Json plan = Json::array({
        step(Json::array({call("RADE_getAd", first), call("RADE_getAd", ad("invalid", "2")),
                          call("RADE_getAd", ad("silent", "3")),
                          call("RADE_getAdapterLessMediationAd", ad("fetch", "4"))})),
        step(Json::array({call("RADE_ReceiveMessage", "fetchHttpRequestCompleted", fetched)})),
        step(Json::array({call("RADE_getSdkConstants", Json{{"js", "rade-sdk-i-v7.5.2"}})})),
        refused,
    });
    auto steps = drive(server, plan);
    ASSERT_EQ(steps.size(), 5u);

    // Loaded but not called: not a word, and nothing asked of the server.
    EXPECT_TRUE(steps[0].empty());

    ASSERT_EQ(steps[1].size(), 4u);
    EXPECT_EQ(steps[1][0].action, "loadAdURL");
    EXPECT_EQ(steps[1][0].params["request_id"], "1");
    EXPECT_EQ(steps[1][0].params["request_scenario"], "offline_buffer");
    EXPECT_EQ(steps[1][0].params["url"],
              server.url("/mads/gma?slotname=url&request_id=1&format=320x50_mb"));
    EXPECT_EQ(steps[1][1].action, "invalidRequest");
    EXPECT_EQ(steps[1][1].params["request_id"], "2");
    EXPECT_EQ(steps[1][2].action, "fetchHttpRequest");
    Json request = Json::parse(steps[1][2].params["http_request"], nullptr, false);
    EXPECT_EQ(request["http_request_id"], "4");
    EXPECT_EQ(request["url"], server.url("/mads/fetched_ad?slotname=fetch&request_id=4"));
    EXPECT_EQ(steps[1][3].action, "requestReload");

    ASSERT_EQ(steps[2].size(), 1u);
    EXPECT_EQ(steps[2][0].action, "loadAd");
    EXPECT_EQ(steps[2][0].params["request_id"], "4");
    EXPECT_EQ(steps[2][0].params["fetched_ad"], body);  // U+2028 and umlauts intact

    ASSERT_EQ(steps[3].size(), 1u);
    EXPECT_EQ(steps[3][0].action, "loadSdkConstants");
    EXPECT_EQ(steps[3][0].params, (std::map<std::string, std::string>{{"ping_interval", "30"}}));

    // Server gone: the waiting request hears at once; the constants call has nobody waiting.
    ASSERT_EQ(steps[4].size(), 1u);
    EXPECT_EQ(steps[4][0].action, "invalidRequest");
    EXPECT_EQ(steps[4][0].params["request_id"], "9");
    EXPECT_NE(steps[4][0].params["reason"].find("unreachable"), std::string::npos);

    auto calls = server.log().of(RequestKind::CoreCall);
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[0].slotname, "url");
    EXPECT_EQ(calls[3].function, "RADE_getAdapterLessMediationAd");
    EXPECT_EQ(calls[4].event, "fetchHttpRequestCompleted");
    EXPECT_EQ(calls[5].function, "RADE_getSdkConstants");
}

TEST(CorePageTest, ALongFetchedBodyGoesToTheServerAsItsLength) {
    AdServer server;
    ASSERT_TRUE(server.isRunning());
    auto answer = [](const std::string& id, const std::string& body) {
        return Json::array(
            {"RADE_ReceiveMessage", "fetchHttpRequestCompleted",
             Json{
                 {"success", "true"},
                 {"response", {{"http_request_id", id}, {"body", body}, {"response_code", 200}}}}});
    };
    // An ad's body goes whole; one past 64 KiB as its length, which the server's calls have
    // room for.
    const std::string ad = "{\"ad_html\":\"<p>ad</p>\"}";
    Json plan =
        Json::array({Json{{"calls", Json::array({answer("4", ad)})}},
                     Json{{"calls", Json::array({answer("flood-4-1", std::string(70000, 'x'))})}}});
    auto steps = drive(server, plan);
    ASSERT_EQ(steps.size(), 3u);
    ASSERT_EQ(steps[1].size(), 1u);
    EXPECT_EQ(steps[1][0].action, "loadAd");
    EXPECT_EQ(steps[1][0].params["fetched_ad"], ad);
    EXPECT_TRUE(steps[2].empty());
    auto calls = server.log().of(RequestKind::CoreCall);
    ASSERT_EQ(calls.size(), 2u);
    Json relayed = Json::parse(calls[1].body, nullptr, false);
    Json response = relayed["args"][1]["response"];
    EXPECT_EQ(response["body"], "");
    EXPECT_EQ(response["body_length"], 70000);
    EXPECT_EQ(response["http_request_id"], "flood-4-1");
    EXPECT_EQ(relayed["args"][1]["success"], "true");
}

TEST(CorePageTest, TheNativePageAnswersPreprocessingAndRunsClicks) {
    AdServer server;
    ASSERT_TRUE(server.isRunning());
    const Json ad = {{"type", "native"}, {"template_id", "1"}, {"headline", "A \u2028 line"}};
    Json tracking = {
        {"zivivu_click_tracking_url", "http://t.test/clk"},
        {"third_party_click_tracking_urls", Json::array({"http://a.test/", 7, "http://b.test/"})},
        {"click_actions",
         Json::array({Json{{"url", "http://land.test/1"}}, Json{{"url", "http://land.test/2"}}})}};
    Json clicked = ad;
    clicked["tracking_urls_and_actions"] = tracking;
    const Json click = {{"template", "1"}, {"asset", "headline"}, {"sdk_version", "7.5.2"}};
    const Json environment = {{"sdk_version", "7.5.2"}};
    const std::string preProcess = "zivivu.rade.nativeAds.preProcessJsonGmsg";
    const std::string handleClick = "zivivu.rade.nativeAds.handleClickGmsg";
    const Json plan = Json::array(
        {{{"calls", Json::array({Json::array({preProcess, ad, environment})})}},
         {{"calls", Json::array({Json::array(
                        {preProcess, Json{{"ads", Json::array({ad})}}, environment})})}},
         {{"calls",
           Json::array({Json::array({handleClick, Json{{"ad", clicked}, {"click", click}}})})}},
         {{"calls",
           Json::array({Json::array(
               {handleClick,
                Json{{"ad", clicked}, {"click", click}, {"has_custom_click_handler", "1"}}})})}}});
    const auto steps = drive(server, plan, "native_ads.html");
    ASSERT_EQ(steps.size(), 5u);
    EXPECT_TRUE(steps[0].empty());

    // A bare ad is wrapped; a configuration is kept as it is.
    for (int step : {1, 2}) {
        ASSERT_EQ(steps[step].size(), 1u);
        EXPECT_EQ(steps[step][0].action, "nativeAdPreProcess");
        EXPECT_EQ(Json::parse(steps[step][0].params.at("success")),
                  (Json{{"ads", Json::array({ad})}}));
    }

    // The ad's own click ping, each third-party text, then the first action opened.
    ASSERT_EQ(steps[3].size(), 4u);
    EXPECT_EQ(steps[3][0].action, "click");
    EXPECT_EQ(steps[3][0].params.at("u"), "http://t.test/clk");
    EXPECT_EQ(steps[3][1].action, "httpTrack");
    EXPECT_EQ(steps[3][1].params.at("u"), "http://a.test/");
    EXPECT_EQ(steps[3][2].params.at("u"), "http://b.test/");
    EXPECT_EQ(steps[3][3].action, "open");
    EXPECT_EQ(steps[3][3].params.at("u"), "http://land.test/1");

    // A click the app handles itself only tells it.
    ASSERT_EQ(steps[4].size(), 1u);
    EXPECT_EQ(steps[4][0].action, "nativeAdCustomClick");
    EXPECT_EQ(steps[4][0].params.at("asset"), "headline");
}

TEST(CorePageTest, JudgesViewabilityByItsOwnRule) {
    AdServer server;
    ASSERT_TRUE(server.isRunning());
    const std::string viewable = server.url("/mads/viewable?slot=unit&ad=1");
    auto box = [](double left, double top, double right, double bottom) {
        return Json{{"top", top}, {"bottom", bottom}, {"left", left}, {"right", right}};
    };
    // A banner at (0, 400) of 320 x 50; `seen` is the part of it the window shows.
    auto record = [&](int hash, double timestamp, Json seen, const char* inWindow = "1",
                      const char* done = nullptr) {
        Json unit = {{"adBox", box(0, 400, 320, 450)},
                     {"globalVisibleBox", seen},
                     {"isVisible", boxArea(seen) > 0 ? "1" : "0"},
                     {"isSubViewOfVisibleWindow", inWindow},
                     {"activeViewJSON", {{"viewable_url", viewable}}},
                     {"timestamp", timestamp},
                     {"hashCode", hash}};
        if (done) unit["doneReasonCode"] = done;
        return Json::array({"RADE_updateActiveView", Json{{"units", Json::array({unit})}}});
    };
    const Json whole = box(0, 400, 320, 450);
    const Json half = box(0, 400, 320, 425);
    const Json less = box(0, 400, 320, 424);
    const Json none = box(0, 0, 0, 0);
    auto step = [](Json calls) { return Json{{"calls", calls}}; };
    Json plan = Json::array({
        step(Json::array({record(7, 1000, whole), record(8, 1000, whole, "0")})),
        step(Json::array({record(7, 1500, half), record(9, 1000, whole)})),
        step(Json::array({record(7, 2000, whole), record(9, 1900, less)})),
        step(Json::array({record(7, 2400, whole), record(9, 2100, whole)})),
        step(Json::array({record(9, 2800, none), record(7, 2800, whole, "1", "u")})),
        step(Json::array({record(7, 3200, whole), Json::array({"RADE_updateActiveView", 5}),
                          Json::array({"RADE_updateActiveView", Json{{"units", "x"}}})})),
    });
    auto steps = drive(server, plan);
    ASSERT_EQ(steps.size(), 7u);
    auto said = [](const std::vector<Message>& messages) {
        std::vector<std::string> lines;
        for (const auto& m : messages) {
            std::string line = m.action;
            for (const auto& [key, value] : m.params) line += " " + key + "=" + value;
            lines.push_back(line);
        }
        return lines;
    };
    using Lines = std::vector<std::string>;
    EXPECT_EQ(said(steps[1]), (Lines{"visibilityChanged hashCode=7 isVisible=1",
                                     "visibilityChanged hashCode=8 isVisible=0"}));
    // Half the box is still visible; 9 starts.
    EXPECT_EQ(said(steps[2]), (Lines{"visibilityChanged hashCode=9 isVisible=1"}));
    // 7 has been visible for a second: pinged. 9 drops below half before its second.
    EXPECT_EQ(said(steps[3]), (Lines{"visibilityChanged hashCode=9 isVisible=0"}));
    EXPECT_EQ(said(steps[4]), (Lines{"visibilityChanged hashCode=9 isVisible=1"}));
    EXPECT_EQ(said(steps[5]), (Lines{"visibilityChanged hashCode=9 isVisible=0",
                                     "untrackActiveViewUnit hashCode=7"}));
    // Nothing follows a unit's last record; records of the wrong shape are ignored.
    EXPECT_TRUE(steps[6].empty());

    auto pings = server.log().of(RequestKind::Viewable);
    ASSERT_EQ(pings.size(), 1u);
    EXPECT_NE(pings[0].target.find("ad=1"), std::string::npos);
    // Records stay on the page: none reaches the server.
    EXPECT_TRUE(server.log().of(RequestKind::CoreCall).empty());
}

}  // namespace
