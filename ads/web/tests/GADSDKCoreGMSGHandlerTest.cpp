// The SDK core page's messages as the handler reads them: what reaches the delegate, which
// fetch requests may start, and the answer written back into the page.

#include "ads/web/GADSDKCoreGMSGHandler.h"

#include <gtest/gtest.h>

#include "ads/testsupport/AdsTestScope.h"
#include "platform/storage/Json.h"

namespace ads {
namespace {

using platform::Value;

class Recorder : public GADSDKCoreGMSGHandlerDelegate {
  public:
    void SDKCoreGMSGHandlerLoadAdURLWithRequestID(GADSDKCoreGMSGHandler&,
                                                  const std::optional<std::string>& id,
                                                  const Value::Dictionary& p) override {
        log.push_back("loadAdURL " + id.value_or("-") +
                      " url=" + (p.count("url") ? p.at("url").stringValue() : "-"));
    }
    void SDKCoreGMSGHandlerLoadAdWithRequestID(GADSDKCoreGMSGHandler&,
                                               const std::optional<std::string>& id,
                                               const Value& ad) override {
        log.push_back("loadAd " + id.value_or("-") + " " + ad.description());
    }
    void SDKCoreGMSGHandlerDidReceiveInvalidAdWithRequestID(GADSDKCoreGMSGHandler&,
                                                            const std::optional<std::string>& id,
                                                            const Value::Dictionary&) override {
        log.push_back("invalid " + id.value_or("-"));
    }
    void SDKCoreGMSGHandlerDidLoadSDKConstants(GADSDKCoreGMSGHandler&,
                                               const Value::Dictionary& c) override {
        log.push_back("constants " + std::to_string(c.size()));
    }
    void SDKCoreGMSGHandlerDidReceiveSDKCoreUpdateNotification(GADSDKCoreGMSGHandler&) override {
        log.push_back("reload");
    }
    std::vector<std::string> log;
};

std::shared_ptr<const GADNotification> message(const std::string& url) {
    return GADNotification::createWithNotificationURL(*platform::Url::parse(url));
}

GADSDKCoreFetchParse parse(const std::string& httpRequest) {
    return GADSDKCoreGMSGHandler::parseFetchHttpRequest({{"http_request", Value(httpRequest)}});
}

TEST(GADSDKCoreGMSGHandlerTest, AnswersReachTheDelegateOnALaterTurn) {
    ads::testing::AdsTestScope scope;
    auto handler = GADSDKCoreGMSGHandler::create();
    auto recorder = std::make_shared<Recorder>();
    handler->setDelegate(recorder);
    EXPECT_TRUE(
        handler->handleNotification(message("gmsg://m/loadAdURL?request_id=4&url=u"), nullptr));
    EXPECT_TRUE(handler->handleNotification(message("gmsg://m/invalidRequest"), nullptr));
    EXPECT_TRUE(handler->handleNotification(message("gmsg://m/loadSdkConstants?a=1&b=2"), nullptr));
    EXPECT_TRUE(handler->handleNotification(message("gmsg://m/requestReload?x=1"), nullptr));
    EXPECT_FALSE(handler->handleNotification(message("gmsg://m/visibilityChanged"), nullptr));
    // A fetched ad that is not JSON is no answer; one that is reaches the delegate decoded.
    EXPECT_TRUE(handler->handleNotification(message("gmsg://m/loadAd?request_id=5&fetched_ad=%7B"),
                                            nullptr));
    EXPECT_TRUE(handler->handleNotification(
        message("gmsg://m/loadAd?request_id=6&fetched_ad=%5B1%5D"), nullptr));
    EXPECT_TRUE(recorder->log.empty());
    scope.runUntilIdle();
    EXPECT_EQ(recorder->log, (std::vector<std::string>{
                                 "loadAdURL 4 url=u",
                                 "invalid -",
                                 "constants 2",
                                 "reload",
                                 "loadAd 6 " + Value::array({Value(1)}).description(),
                             }));

    // A delegate that is gone by then hears nothing, and nothing breaks.
    handler->handleNotification(message("gmsg://m/requestReload"), nullptr);
    recorder.reset();
    scope.runUntilIdle();
}

TEST(GADSDKCoreGMSGHandlerTest, AFetchedAdIsDecodedOnlyFromJSON) {
    using Handler = GADSDKCoreGMSGHandler;
    EXPECT_EQ(Handler::decodeFetchedAd({{"fetched_ad", Value(R"({"ad_html":"x"})")}}),
              Value::dictionary({{"ad_html", Value("x")}}));
    EXPECT_EQ(Handler::decodeFetchedAd({{"fetched_ad", Value("[1]")}}), Value::array({Value(1)}));
    EXPECT_FALSE(Handler::decodeFetchedAd({{"fetched_ad", Value("{not")}}));
    EXPECT_FALSE(Handler::decodeFetchedAd({}));
}

TEST(GADSDKCoreGMSGHandlerTest, OnlyWebRequestsWithATextIdMayBeFetched) {
    auto good = parse(
        R"({"http_request_id":"9","url":"HTTP://127.0.0.1:9/ad?a=1","post_body":"b=2",)"
        R"("content_type":"application/x-www-form-urlencoded","headers":[)"
        R"({"key":"Accept","value":"text/html"},{"key":"Accept","value":"application/json"},)"
        R"({"key":1,"value":"x"},{"key":"X-Empty"},["key","value"],{"key":"X-B","value":2}]})");
    ASSERT_TRUE(good.request);
    EXPECT_FALSE(good.error);
    EXPECT_EQ(good.request->requestID, "9");
    EXPECT_EQ(good.request->url.absoluteString(), "HTTP://127.0.0.1:9/ad?a=1");
    EXPECT_EQ(good.request->postBody, "b=2");
    EXPECT_EQ(good.request->contentType, "application/x-www-form-urlencoded");
    EXPECT_EQ(good.request->headers,
              (std::map<std::string, std::string>{{"Accept", "application/json"}}));

    struct Refused {
        const char* request;
        const char* reason;
        const char* id;
    };
    const Refused refused[] = {
        {R"({"http_request_id":"1","url":""})", "Invalid URL () requested for fetching", "1"},
        {R"({"http_request_id":"1"})", "Invalid URL () requested for fetching", "1"},
        {R"({"http_request_id":"1","url":"file:///etc/passwd"})",
         "Invalid URL (file:///etc/passwd) requested for fetching", "1"},
        {R"({"http_request_id":"1","url":"http:no-host"})",
         "Invalid URL (http:no-host) requested for fetching", "1"},
        {R"({"url":"http://a.example/"})", "No http_request_id (a text) given for fetching", ""},
        {R"({"http_request_id":7,"url":"http://a.example/"})",
         "No http_request_id (a text) given for fetching", ""},
        {R"(["http_request_id"])", "The http_request to fetch is no object", ""},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.request);
        auto parsed = parse(r.request);
        EXPECT_FALSE(parsed.request);
        ASSERT_TRUE(parsed.error);
        EXPECT_EQ(parsed.error->localizedDescription(), r.reason);
        EXPECT_EQ(parsed.requestID, r.id);
    }
    auto notJson = parse("{nope");
    EXPECT_FALSE(notJson.request);
    EXPECT_TRUE(notJson.error);
    EXPECT_TRUE(GADSDKCoreGMSGHandler::parseFetchHttpRequest({}).error);
}

TEST(GADSDKCoreGMSGHandlerTest, TheAnswerStaysOneScriptCallWhateverTheBodyHolds) {
    GADSDKCoreFetchResponse response;
    response.responseCode = 404;
    response.body =
        "<script>a\xE2\x80\xA8"
        "b</script>caf\xC3\xA9 \xFF";
    response.requestID = "3";
    response.headers = {{"content-type", "text/html"}, {"x-rade-refresh-rate", "30"}};
    const std::string command =
        GADSDKCoreGMSGHandler::fetchCompletedCommand(false, "Not \"found\"", response);
    EXPECT_EQ(command,
              "RADE_ReceiveMessage('fetchHttpRequestCompleted', "
              R"({"reason":"Not \"found\"","response":{"body":"<script>a\u2028b<\/script>)"
              "caf\xC3\xA9 \xEF\xBF\xBD"
              R"(","headers":[{"key":"content-type","value":"text\/html"},)"
              R"({"key":"x-rade-refresh-rate","value":"30"}],"http_request_id":"3",)"
              R"("response_code":404},"success":"false"}))");
    const std::string success = GADSDKCoreGMSGHandler::fetchCompletedCommand(true, "", {});
    EXPECT_EQ(success,
              "RADE_ReceiveMessage('fetchHttpRequestCompleted', "
              R"({"response":{"body":"","headers":[],"http_request_id":"","response_code":0},)"
              R"("success":"true"}))");
}

TEST(GADSDKCoreGMSGHandlerTest, AnAnswerIsNeverLongerThanItsBoundAndAPageNearlyMeetsIt) {
    using Handler = GADSDKCoreGMSGHandler;
    GADSDKCoreFetchResponse response;
    response.requestID = "7";
    response.headers = {{"content-type", "text/html"}};
    // The worst a body can do: every byte escaped as long as it gets, a thousand times over so
    // that no slack in the frame's share hides a character counted short.
    std::string lineEnds;
    for (int i = 0; i < 500; ++i) lineEnds += "\xe2\x80\xa8\xe2\x80\xa9";
    for (const std::string& hostile :
         {std::string(1000, '\x01'), std::string(1000, '/'), std::string(1000, '\xff'),
          std::string(1000, '\n'), std::string(1000, '"'), std::string(1000, '\\'), lineEnds,
          std::string("\xe2\x80\xa8\xe2\x80\xa9\xc3") + std::string(999, '"')}) {
        response.body = hostile;
        for (bool success : {true, false}) {
            const std::string reason = success ? "" : hostile;
            EXPECT_LE(Handler::fetchCompletedCommand(success, reason, response).size(),
                      Handler::fetchCompletedCommandSizeBound(success, reason, response));
        }
    }
    // An ordinary page's answer is about as long as the page, so its bytes fit the room taken.
    std::string page;
    while (page.size() < 100000)
        page += "<div class=\"ad\"><a href=\"https://a.example/x\">caf\u00e9</a></div>\n";
    response.body = page;
    const std::size_t bound = Handler::fetchCompletedCommandSizeBound(true, "", response);
    EXPECT_LE(Handler::fetchCompletedCommand(true, "", response).size(), bound);
    EXPECT_LT(bound, page.size() + page.size() / 5);
}

}  // namespace
}  // namespace ads
