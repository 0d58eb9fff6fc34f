// The SDK core's hidden web view on the scripted engine: the test plays the page (its own
// navigation, the end of its load, its gmsg answers) and reads what the view asked of it.

#include "ads/web/GADSDKCoreWebView.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADSDKCoreGMSGHandler.h"
#include "platform/base/Error.h"
#include "platform/base/PercentEncoding.h"
#include "platform/storage/Json.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestGate.h"
#include "platform/testing/TestHttpServer.h"
#include "platform/ui/Window.h"
#include "platform/web/WebViewTypes.h"

namespace ads {
namespace {

using platform::testing::TestHttpServer;

using platform::web::FakeWebPage;
using platform::web::NavigationType;
using State = GADSDKCoreWebViewState;
using testing::SDKCoreTestScope;

class LoadObserver : public GADSDKCoreWebViewObserver {
  public:
    void didFinishLoadingSDKCoreInSDKCoreWebView(
        const std::shared_ptr<GADSDKCoreWebView>& webView) override {
        states.push_back(webView->state());
    }
    std::vector<State> states;
};

class UnitObserver : public GADAdViewActiveViewMonitoring {
  public:
    void adViewDidChangeActiveViewVisibility(bool visible) override {
        log.push_back(visible ? "visible" : "hidden");
    }
    void adViewDidStopActiveViewMonitoring() override { log.push_back("stopped"); }
    std::vector<std::string> log;
};

class RecordingDelegate : public GADSDKCoreGMSGHandlerDelegate {
  public:
    void SDKCoreGMSGHandlerLoadAdURLWithRequestID(GADSDKCoreGMSGHandler&,
                                                  const std::optional<std::string>& id,
                                                  const platform::Value::Dictionary&) override {
        log.push_back("loadAdURL " + id.value_or("-"));
    }
    void SDKCoreGMSGHandlerLoadAdWithRequestID(GADSDKCoreGMSGHandler&,
                                               const std::optional<std::string>& id,
                                               const platform::Value&) override {
        log.push_back("loadAd " + id.value_or("-"));
    }
    void SDKCoreGMSGHandlerDidReceiveInvalidAdWithRequestID(
        GADSDKCoreGMSGHandler&, const std::optional<std::string>& id,
        const platform::Value::Dictionary&) override {
        log.push_back("invalid " + id.value_or("-"));
    }
    void SDKCoreGMSGHandlerDidLoadSDKConstants(GADSDKCoreGMSGHandler&,
                                               const platform::Value::Dictionary&) override {
        log.push_back("constants");
    }
    void SDKCoreGMSGHandlerDidReceiveSDKCoreUpdateNotification(GADSDKCoreGMSGHandler&) override {
        log.push_back("reload");
    }
    std::vector<std::string> log;
};

class GADSDKCoreWebViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        webView = GADSDKCoreWebView::create();
        webView->SDKCoreGMSGHandler()->setDelegate(delegate);
    }
    void TearDown() override {
        settle();
        webView.reset();
        scope.runUntilIdle();
    }

    FakeWebPage& page() { return *views.web().pages().at(0); }
    void settle() { SDKCoreTestScope::settle(*webView); }
    // The engine asks for the page's own navigation, then starts it.
    void startLoad() {
        webView->refreshSDKCoreAndNotifyObserver(observer);
        settle();
        ASSERT_EQ(page().loads().size(), loads + 1);
        ++loads;
        auto asked = page().fireNavigation(GADSDKCoreWebView::pageURL().absoluteString(),
                                           NavigationType::Other);
        settle();
        ASSERT_EQ(asked->answer, true);
        page().fireStart();
        settle();
    }
    void finishLoad() {
        page().fireFinish();
        settle();
    }
    std::optional<bool> message(const std::string& url) {
        auto asked = page().fireNavigation(url, NavigationType::Other);
        settle();
        return asked->answer;
    }
    // The script calls that reached the page, without the wrapper that defers them a turn.
    std::vector<std::string> calls() {
        std::vector<std::string> found;
        const std::string prefix = "setTimeout(function(){";
        for (const auto& script : page().evaluations()) {
            if (script.rfind(prefix + "call", 0) != 0) continue;
            found.push_back(script.substr(prefix.size(), script.size() - prefix.size() - 6));
        }
        return found;
    }
    // Asks the handler to fetch for the page, as the page does.
    void fetch(const platform::Value& httpRequest) { message(fetchMessage(httpRequest)); }
    static std::string fetchMessage(const platform::Value& httpRequest) {
        return "gmsg://movuroute/fetchHttpRequest?http_request=" +
               platform::percentEncodeComponent(platform::Json::write(httpRequest).value_or(""));
    }
    // The page's fetch answers so far, decoded.
    std::vector<platform::Value> fetchAnswers() {
        std::vector<platform::Value> found;
        const std::string prefix =
            "setTimeout(function(){RADE_ReceiveMessage('fetchHttpRequestCompleted', ";
        for (const auto& script : page().evaluations()) {
            if (script.rfind(prefix, 0) != 0) continue;
            auto json = script.substr(prefix.size(), script.size() - prefix.size() - 7);
            found.push_back(platform::Json::parse(json).value_or(platform::Value()));
        }
        return found;
    }
    // Settles until the page has heard at least `count` fetch answers.
    bool waitForFetchAnswers(std::size_t count) {
        return platform::testing::runMainLoopUntil([&] {
            settle();
            return fetchAnswers().size() >= count;
        });
    }
    void enqueue(const std::string& call) {
        webView->enqueueJavaScriptCommand(call, [this, call] { dropped.push_back(call); });
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    std::shared_ptr<GADSDKCoreWebView> webView;
    std::shared_ptr<LoadObserver> observer = std::make_shared<LoadObserver>();
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
    std::vector<std::string> dropped;
    std::size_t loads = 0;
};

TEST_F(GADSDKCoreWebViewTest, CallsWaitForTheReadyPageAndRunInOrder) {
    enqueue("call(1)");
    enqueue("call(2)");
    settle();
    EXPECT_TRUE(calls().empty());
    EXPECT_EQ(webView->state(), State::Idle);

    startLoad();
    EXPECT_EQ(webView->state(), State::Loading);
    enqueue("call(3)");
    settle();
    EXPECT_TRUE(calls().empty());
    finishLoad();
    EXPECT_EQ(webView->state(), State::Ready);
    EXPECT_TRUE(webView->hasSDKCoreLoadedAtLeastOnce());
    EXPECT_EQ(calls(), (std::vector<std::string>{"call(1)", "call(2)", "call(3)"}));
    // Apart from the ads: no creative can hold up these calls or the process they run in.
    EXPECT_EQ(webView->adView()->webView()->context(), platform::web::WebViewContext::Service);

    enqueue("call(4)");
    settle();
    EXPECT_EQ(calls().back(), "call(4)");
    EXPECT_TRUE(dropped.empty());
    EXPECT_EQ(observer->states, (std::vector<State>{State::Ready}));
}

TEST_F(GADSDKCoreWebViewTest, SixtyCallsWhileLoadingLeaveTheLastFifty) {
    startLoad();
    for (int i = 1; i <= 60; ++i) enqueue("call(" + std::to_string(i) + ")");
    settle();
    finishLoad();
    const auto sent = calls();
    ASSERT_EQ(sent.size(), 50u);
    EXPECT_EQ(sent.front(), "call(11)");
    EXPECT_EQ(sent.back(), "call(60)");
    ASSERT_EQ(dropped.size(), 10u);
    EXPECT_EQ(dropped.front(), "call(1)");
    EXPECT_EQ(dropped.back(), "call(10)");
}

TEST_F(GADSDKCoreWebViewTest, AFailedPageDropsWaitingCallsAndRefusesNewOnes) {
    startLoad();
    enqueue("call(1)");
    // What a call holds goes with it, sent or dropped (a fetch's answer holds its bytes so).
    auto held = std::make_shared<int>(1);
    std::weak_ptr<int> heldNow = held;
    webView->enqueueJavaScriptCommand("waiting()", {}, std::move(held));
    settle();
    EXPECT_FALSE(heldNow.expired());
    // The engine names whatever URL failed; while the page loads, it is the page's failure.
    page().fireFail(platform::Error::make("NSURLErrorDomain", -1004, "refused")
                        .withUserInfo(platform::Error::kUrlKey, platform::Value("about:blank")));
    settle();
    EXPECT_EQ(webView->state(), State::Failed);
    EXPECT_TRUE(heldNow.expired());
    enqueue("call(2)");
    settle();
    EXPECT_TRUE(calls().empty());
    EXPECT_EQ(dropped, (std::vector<std::string>{"call(1)", "call(2)"}));
    EXPECT_EQ(observer->states, (std::vector<State>{State::Failed}));

    // The next refresh starts over, and the page answers again once it is ready.
    startLoad();
    finishLoad();
    enqueue("call(3)");
    settle();
    EXPECT_EQ(calls(), (std::vector<std::string>{"call(3)"}));
}

TEST_F(GADSDKCoreWebViewTest, ALoadThatNeverEndsFailsAfterThirtySeconds) {
    startLoad();
    enqueue("call(1)");
    scope.advance(GADSDKCoreWebView::kLoadTimeout - 0.001);
    settle();
    EXPECT_EQ(webView->state(), State::Loading);
    scope.advance(0.001);
    settle();
    EXPECT_EQ(webView->state(), State::Failed);
    EXPECT_EQ(page().stopCount(), 1);
    EXPECT_EQ(dropped, (std::vector<std::string>{"call(1)"}));
    EXPECT_EQ(observer->states, (std::vector<State>{State::Failed}));

    // A load that ends in time stops the clock: no failure an hour later.
    startLoad();
    finishLoad();
    scope.advance(3600);
    settle();
    EXPECT_EQ(webView->state(), State::Ready);
}

TEST_F(GADSDKCoreWebViewTest, OnlyTheReadyPageMayTalkAndOnlyThroughGmsg) {
    const std::string answer = "gmsg://movuroute/loadAdURL?request_id=7&url=http%3A%2F%2Fa";
    // Nothing loads by itself before the page was asked for.
    EXPECT_EQ(message("https://elsewhere.example/"), false);
    startLoad();
    // While loading, nothing is taken, not even the page's own messages.
    EXPECT_EQ(message(answer), false);
    EXPECT_TRUE(delegate->log.empty());
    finishLoad();
    EXPECT_EQ(message(answer), false);
    EXPECT_EQ(message("gmsg://movuroute/requestReload"), false);
    EXPECT_EQ(message("https://elsewhere.example/"), false);
    EXPECT_EQ(delegate->log, (std::vector<std::string>{"loadAdURL 7", "reload"}));
    // A second navigation to the page itself is the page loading again.
    EXPECT_EQ(message(GADSDKCoreWebView::pageURL().absoluteString()), true);
    EXPECT_EQ(webView->state(), State::Loading);
}

TEST_F(GADSDKCoreWebViewTest, ObserversHearOncePerLoadAndAtOnceWhenItHasEnded) {
    auto late = std::make_shared<LoadObserver>();
    startLoad();
    webView->addObserverForOneTimeNotification(late);
    // The same observer twice is told once.
    webView->addObserverForOneTimeNotification(late);
    settle();
    EXPECT_TRUE(late->states.empty());
    finishLoad();
    EXPECT_EQ(late->states, (std::vector<State>{State::Ready}));

    auto after = std::make_shared<LoadObserver>();
    webView->addObserverForOneTimeNotification(after);
    settle();
    EXPECT_EQ(after->states, (std::vector<State>{State::Ready}));
    // Told and forgotten: the next load tells only whoever asked again.
    startLoad();
    finishLoad();
    EXPECT_EQ(late->states.size(), 1u);
    EXPECT_EQ(after->states.size(), 1u);
    EXPECT_EQ(observer->states.size(), 2u);

    // A removed observer, and one that is gone, hear nothing.
    auto removed = std::make_shared<LoadObserver>();
    auto gone = std::make_shared<LoadObserver>();
    startLoad();
    webView->addObserverForOneTimeNotification(removed);
    webView->addObserverForOneTimeNotification(gone);
    webView->removeObserver(removed.get());
    gone.reset();
    finishLoad();
    EXPECT_TRUE(removed->states.empty());
}

TEST_F(GADSDKCoreWebViewTest, ARefreshWhileLoadingOnlyAddsTheObserver) {
    startLoad();
    auto second = std::make_shared<LoadObserver>();
    webView->refreshSDKCoreAndNotifyObserver(second);
    settle();
    EXPECT_EQ(page().loads().size(), 1u);
    finishLoad();
    EXPECT_EQ(second->states, (std::vector<State>{State::Ready}));
}

TEST_F(GADSDKCoreWebViewTest, ViewabilityMessagesReachTheUnitsObserver) {
    startLoad();
    finishLoad();
    auto unit = std::make_shared<UnitObserver>();
    auto other = std::make_shared<UnitObserver>();
    webView->setActiveViewObserver(unit, 5);
    // An id already taken keeps its observer.
    webView->setActiveViewObserver(other, 5);
    settle();
    EXPECT_TRUE(webView->isActiveViewRunning());

    EXPECT_EQ(message("gmsg://movuroute/visibilityChanged?hashCode=5&isVisible=1"), false);
    EXPECT_EQ(message("gmsg://movuroute/visibilityChanged?hashCode=5&isVisible=true"), false);
    // An unknown unit, a missing parameter or an id that is no number: nothing.
    message("gmsg://movuroute/visibilityChanged?hashCode=6&isVisible=1");
    message("gmsg://movuroute/visibilityChanged?hashCode=5");
    message("gmsg://movuroute/visibilityChanged?hashCode=-5&isVisible=1");
    message("gmsg://movuroute/untrackActiveViewUnit");
    EXPECT_EQ(unit->log, (std::vector<std::string>{"visible", "hidden"}));
    EXPECT_TRUE(other->log.empty());

    EXPECT_EQ(message("gmsg://movuroute/untrackActiveViewUnit?hashCode=5"), false);
    EXPECT_EQ(unit->log.back(), "stopped");
    EXPECT_FALSE(webView->isActiveViewRunning());
    message("gmsg://movuroute/visibilityChanged?hashCode=5&isVisible=1");
    EXPECT_EQ(unit->log.size(), 3u);
}

TEST_F(GADSDKCoreWebViewTest, RemovingAnObserverKeepsTheUnitRunningUntilCleared) {
    auto unit = std::make_shared<UnitObserver>();
    auto second = std::make_shared<UnitObserver>();
    webView->setActiveViewObserver(unit, 1);
    webView->setActiveViewObserver(second, 2);
    settle();
    webView->removeActiveViewObserverForActiveViewID(1);
    EXPECT_TRUE(webView->isActiveViewRunning());
    webView->clearAllActiveViewInstances();
    EXPECT_FALSE(webView->isActiveViewRunning());
    EXPECT_TRUE(unit->log.empty());
    EXPECT_EQ(second->log, (std::vector<std::string>{"stopped"}));
}

TEST_F(GADSDKCoreWebViewTest, GoingAwayTakesItsAdViewOutOfThePlaceholderWindow) {
    auto window = GADAdView::placeholderWindow();
    const auto before = window->subviews().size();
    auto another = GADSDKCoreWebView::create();
    EXPECT_EQ(window->subviews().size(), before + 1);
    another.reset();
    EXPECT_EQ(window->subviews().size(), before);
}

TEST_F(GADSDKCoreWebViewTest,
       ALoadedFetchForThePageAnswers200WithItsBodyAndHeadersAFailedOneItsStatus) {
    TestHttpServer server;
    ASSERT_TRUE(server.isRunning());
    const std::string body = "<b>caf\u00e9 \u2028 \u00fcber</b>";
    // The answer is held back until the test has seen the fetch in progress: a fast server
    // could otherwise answer while the loop is drained for the second message.
    auto gate = server.makeGate();
    server.get("/ad", [&, gate](const httplib::Request&, httplib::Response& response) {
        if (!gate->wait()) return;
        response.status = 203;
        response.set_header("X-Rade-Debug-Dialog", "from the server");
        response.set_content(body, "text/html; charset=utf-8");
    });
    server.text("/missing", "gone", 404);
    startLoad();
    finishLoad();
    auto handler = webView->SDKCoreGMSGHandler();

    fetch(platform::Value::dictionary(
        {{"http_request_id", platform::Value("9")},
         {"url", platform::Value(server.url("/ad"))},
         {"headers",
          platform::Value::array(
              {platform::Value::dictionary(
                   {{"key", platform::Value("X-Asked")}, {"value", platform::Value("1")}}),
               platform::Value::dictionary(
                   {{"key", platform::Value(5)}, {"value", platform::Value("skipped")}})})}}));
    // The same id while that fetch runs starts nothing.
    fetch(platform::Value::dictionary({{"http_request_id", platform::Value("9")},
                                       {"url", platform::Value(server.url("/missing"))}}));
    EXPECT_TRUE(handler->isFetchInProgressForFetchRequestID("9"));
    gate->release();
    ASSERT_TRUE(waitForFetchAnswers(1));
    auto answer = fetchAnswers().at(0);
    EXPECT_EQ(answer["success"], platform::Value("true"));
    // The page's script knows a loaded fetch by 200, whichever 2xx the server chose.
    EXPECT_EQ(answer["response"]["response_code"], platform::Value(200));
    EXPECT_EQ(answer["response"]["body"], platform::Value(body));
    EXPECT_EQ(answer["response"]["http_request_id"], platform::Value("9"));
    bool headerSeen = false;
    for (const auto& header : answer["response"]["headers"].asArray()) {
        headerSeen = headerSeen || (header["key"] == platform::Value("x-rade-debug-dialog") &&
                                    header["value"] == platform::Value("from the server"));
    }
    EXPECT_TRUE(headerSeen);
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].header("X-Asked"), "1");
    EXPECT_EQ(handler->fetchesInProgress(), 0u);

    // A failed fetch says why, with the status that came.
    fetch(platform::Value::dictionary({{"http_request_id", platform::Value("10")},
                                       {"url", platform::Value(server.url("/missing"))}}));
    ASSERT_TRUE(waitForFetchAnswers(2));
    answer = fetchAnswers().at(1);
    EXPECT_EQ(answer["success"], platform::Value("false"));
    EXPECT_EQ(answer["response"]["response_code"], platform::Value(404));
    EXPECT_EQ(answer["response"]["http_request_id"], platform::Value("10"));
    EXPECT_FALSE(answer["reason"].stringRef().empty());
}

TEST_F(GADSDKCoreWebViewTest, FetchesThePageMayNotAskForAreRefusedAtOnce) {
    TestHttpServer server;
    ASSERT_TRUE(server.isRunning());
    startLoad();
    finishLoad();
    // No text id: nothing could match the answer to what the page waits for.
    fetch(platform::Value::dictionary(
        {{"http_request_id", platform::Value(9)}, {"url", platform::Value(server.url("/ad"))}}));
    // No URL, and one that is not on the web.
    fetch(platform::Value::dictionary(
        {{"http_request_id", platform::Value("11")}, {"url", platform::Value("")}}));
    fetch(platform::Value::dictionary({{"http_request_id", platform::Value("12")},
                                       {"url", platform::Value("file:///etc/passwd")}}));
    message("gmsg://movuroute/fetchHttpRequest?http_request=%7Bbroken");
    auto answers = fetchAnswers();
    ASSERT_EQ(answers.size(), 4u);
    for (const auto& answer : answers) {
        EXPECT_EQ(answer["success"], platform::Value("false"));
        EXPECT_EQ(answer["response"]["response_code"], platform::Value(0));
    }
    EXPECT_EQ(answers[0]["response"]["http_request_id"], platform::Value(""));
    EXPECT_EQ(answers[1]["reason"], platform::Value("Invalid URL () requested for fetching"));
    EXPECT_EQ(answers[1]["response"]["http_request_id"], platform::Value("11"));
    EXPECT_EQ(answers[2]["response"]["http_request_id"], platform::Value("12"));
    EXPECT_EQ(webView->SDKCoreGMSGHandler()->fetchesInProgress(), 0u);
    EXPECT_TRUE(server.requests().empty());
}

using platform::Value;
using platform::testing::runMainLoopUntil;
using Handler = GADSDKCoreGMSGHandler;

Value fetchRequest(const std::string& id, const std::string& url) {
    return Value::dictionary({{"http_request_id", Value(id)}, {"url", Value(url)}});
}

std::size_t countAnswers(const std::vector<Value>& answers, const char* success) {
    return std::size_t(std::count_if(answers.begin(), answers.end(), [&](const Value& a) {
        return a["success"] == Value(success);
    }));
}

// Opens a gate when the test ends, however it ends: a held queue or server thread must not
// outlive it.
struct OpenAtEnd {
    std::shared_ptr<platform::testing::TestGate> gate;
    ~OpenAtEnd() { gate->release(); }
};

TEST_F(GADSDKCoreWebViewTest, OnlyTheBoundedFetchesRunAndTheRestAreAnsweredAsFailedAtOnce) {
    TestHttpServer server;
    ASSERT_TRUE(server.isRunning());
    auto gate = server.makeGate();
    server.stalled("/ad", gate, "<p>ad</p>");
    startLoad();
    finishLoad();
    auto handler = webView->SDKCoreGMSGHandler();
    for (int i = 1; i <= 10; ++i) fetch(fetchRequest(std::to_string(i), server.url("/ad")));
    EXPECT_EQ(handler->fetchesInProgress(), Handler::kMaxFetchesInFlight);
    auto answers = fetchAnswers();
    ASSERT_EQ(answers.size(), 10 - Handler::kMaxFetchesInFlight);
    for (std::size_t i = 0; i < answers.size(); ++i) {
        EXPECT_EQ(answers[i]["success"], Value("false"));
        EXPECT_EQ(answers[i]["reason"], Value(Handler::kTooManyFetchesMessage));
        EXPECT_EQ(answers[i]["response"]["http_request_id"],
                  Value(std::to_string(i + 1 + Handler::kMaxFetchesInFlight)));
    }

    gate->release();
    ASSERT_TRUE(waitForFetchAnswers(10));
    EXPECT_EQ(countAnswers(fetchAnswers(), "true"), Handler::kMaxFetchesInFlight);
    // Fetches that ended make room for the next.
    fetch(fetchRequest("11", server.url("/ad")));
    ASSERT_TRUE(waitForFetchAnswers(11));
    EXPECT_EQ(fetchAnswers().back()["success"], Value("true"));
    const auto figures = handler->fetchAccounting();
    EXPECT_EQ(figures.mostFetchesInFlight, Handler::kMaxFetchesInFlight);
    EXPECT_EQ(figures.refusedForFetchesInFlight, 10 - Handler::kMaxFetchesInFlight);
    EXPECT_EQ(figures.fetchesInFlight, 0u);
    EXPECT_EQ(server.requestCount("/ad"), Handler::kMaxFetchesInFlight + 1);
}

TEST_F(GADSDKCoreWebViewTest, FetchedAnswersNeverHoldMoreThanThePagesBudget) {
    // Two bodies of 7 MB end while their answers wait to be written: the first fits the budget
    // with room to write it, the second is answered as a failed fetch.
    constexpr std::size_t kBody = 7'000'000;
    TestHttpServer server;
    ASSERT_TRUE(server.isRunning());
    auto gate = server.makeGate();
    server.stalled("/big", gate, std::string(kBody, 'a'));
    startLoad();
    finishLoad();
    auto handler = webView->SDKCoreGMSGHandler();
    fetch(fetchRequest("a", server.url("/big")));
    fetch(fetchRequest("b", server.url("/big")));
    ASSERT_EQ(handler->fetchesInProgress(), 2u);
    OpenAtEnd answersOpen{std::make_shared<platform::testing::TestGate>()};
    SDKCoreTestScope::holdFetchAnswers(*webView, answersOpen.gate);
    gate->release();
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return handler->fetchesInProgress() == 0 && fetchAnswers().size() == 1; }));
    auto figures = handler->fetchAccounting();
    EXPECT_EQ(figures.refusedForHeldBytes, 1u);
    EXPECT_GE(figures.heldBytes, 2 * kBody);
    EXPECT_LE(figures.heldBytes, Handler::kMaxHeldBytesPerPage);
    auto refused = fetchAnswers().at(0);
    EXPECT_EQ(refused["success"], Value("false"));
    EXPECT_EQ(refused["reason"], Value(Handler::kTooManyHeldBytesMessage));
    // A dropped answer still names its fetch and says what the server answered.
    EXPECT_EQ(refused["response"]["response_code"], Value(200));
    EXPECT_EQ(refused["response"]["body"], Value(""));

    answersOpen.gate->release();
    settle();
    const auto answers = fetchAnswers();
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[1]["success"], Value("true"));
    EXPECT_EQ(answers[1]["response"]["body"].stringRef().size(), kBody);
    EXPECT_NE(answers[1]["response"]["http_request_id"], refused["response"]["http_request_id"]);
    figures = handler->fetchAccounting();
    // Handed to the page, the answer holds nothing more; at no moment did the answers pass the
    // bound.
    EXPECT_EQ(figures.heldBytes, 0u);
    EXPECT_GE(figures.mostHeldBytes, 2 * kBody);
    EXPECT_LE(figures.mostHeldBytes, Handler::kMaxHeldBytesPerPage);
}

TEST_F(GADSDKCoreWebViewTest, APageThatGoesStopsItsFetchesAndTheNextHasABudgetOfItsOwn) {
    TestHttpServer server;
    ASSERT_TRUE(server.isRunning());
    auto gate = server.makeGate();
    server.stalled("/slow", gate, "<p>slow</p>");
    server.text("/fast", "<p>fast</p>");
    startLoad();
    finishLoad();
    auto handler = webView->SDKCoreGMSGHandler();
    fetch(fetchRequest("1", server.url("/slow")));
    OpenAtEnd answersOpen{std::make_shared<platform::testing::TestGate>()};
    SDKCoreTestScope::holdFetchAnswers(*webView, answersOpen.gate);
    // Sent without settling, which would wait for the held answers.
    page().fireNavigation(fetchMessage(fetchRequest("2", server.url("/fast"))),
                          NavigationType::Other);
    // The second has ended and its answer waits to be written when the page's process ends.
    ASSERT_TRUE(runMainLoopUntil([&] { return handler->fetchAccounting().heldBytes > 0; }));
    EXPECT_EQ(handler->fetchesInProgress(), 1u);
    page().fireWebProcessEnded();
    ASSERT_TRUE(runMainLoopUntil([&] { return handler->fetchesInProgress() == 0; }));
    EXPECT_EQ(handler->fetchAccounting().heldBytes, 0u);
    // The next page is asked for before the old page's answer is written, so the answer would
    // wait for it with the calls it is owed.
    webView->refreshSDKCoreAndNotifyObserver(observer);
    ASSERT_TRUE(runMainLoopUntil([&] { return webView->state() == State::LoadRequested; }));
    answersOpen.gate->release();
    gate->release();
    settle();

    // The page loaded in its place starts afresh and hears nothing of the old page's fetches.
    startLoad();
    finishLoad();
    settle();
    EXPECT_TRUE(fetchAnswers().empty());
    const auto figures = handler->fetchAccounting();
    EXPECT_EQ(figures.mostFetchesInFlight, 0u);
    EXPECT_EQ(figures.mostHeldBytes, 0u);
    fetch(fetchRequest("3", server.url("/fast")));
    ASSERT_TRUE(waitForFetchAnswers(1));
    ASSERT_EQ(fetchAnswers().size(), 1u);
    EXPECT_EQ(fetchAnswers()[0]["response"]["http_request_id"], Value("3"));
    EXPECT_EQ(fetchAnswers()[0]["response"]["body"], Value("<p>fast</p>"));
}

}  // namespace
}  // namespace ads
