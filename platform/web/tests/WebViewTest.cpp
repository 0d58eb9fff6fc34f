#include "platform/web/WebView.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/LogSink.h"
#include "platform/net/UrlError.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/web/FakeWebViewScope.h"
#include "platform/web/RecordingWebViewDelegate.h"
#include "platform/web/ResourceInterceptor.h"

using namespace platform;
using namespace platform::web;
using ::testing::ElementsAre;

namespace {

using Recorder = RecordingWebViewDelegate;

struct WebViewTest : ::testing::Test {
    MainLoopTestScope loop;
    FakeWebViewScope fakes;
    std::shared_ptr<Recorder> delegate = std::make_shared<Recorder>();
    std::shared_ptr<WebView> view = WebView::create({320, 50});
    std::shared_ptr<FakeWebPage> page = fakes.lastPage();

    void SetUp() override { view->setDelegate(delegate); }
};

}  // namespace

TEST_F(WebViewTest, LoadsAreRecordedAndEventsReachTheDelegateOnALaterTurnInOrder) {
    ASSERT_TRUE(page);
    EXPECT_EQ(page->width(), 320);
    view->loadHTMLString("<p>hi</p>", *Url::parse("http://ads.example/page"));
    view->loadHTMLString("<p>no base</p>", Url());
    ASSERT_EQ(page->loads().size(), 2u);
    EXPECT_EQ(page->loads()[0].html, "<p>hi</p>");
    EXPECT_EQ(page->loads()[0].baseUrl, "http://ads.example/page");
    EXPECT_EQ(page->loads()[1].baseUrl, "about:blank");
    EXPECT_TRUE(view->isLoading());

    auto nav = page->fireNavigation("http://ads.example/page", NavigationType::Other);
    page->fireStart();
    page->fireContentSize(320, 900);
    page->fireFinish();
    // Nothing is delivered from inside the engine's report.
    EXPECT_TRUE(delegate->calls.empty());
    EXPECT_FALSE(nav->answer.has_value());
    loop.runUntilIdle();
    EXPECT_THAT(delegate->calls,
                ElementsAre("should http://ads.example/page 5", "start", "size 320x900", "finish"));
    EXPECT_EQ(nav->answer, true);
    EXPECT_EQ(delegate->sizes[0], (Size{320, 900}));
    EXPECT_FALSE(view->isLoading());

    // The request carries the view's agent, unless the page's request had one.
    EXPECT_EQ(delegate->requests[0].userAgent(), view->userAgent());
    HttpHeaders own;
    own.set("User-Agent", "Own/1.0");
    page->fireNavigation("http://ads.example/x", NavigationType::LinkClicked, own);
    loop.runUntilIdle();
    EXPECT_EQ(delegate->requests[1].userAgent(), "Own/1.0");

    view->loadRequest(*UrlRequest::withString("https://ads.example/r"));
    ASSERT_EQ(page->loads().size(), 3u);
    ASSERT_TRUE(page->loads()[2].request);
    EXPECT_EQ(page->loads()[2].request->userAgent(), view->userAgent());
    view->stopLoading();
    view->reload();
    view->goBack();
    view->goForward();
    EXPECT_EQ(page->stopCount(), 1);
    EXPECT_EQ(page->reloadCount(), 1);
    EXPECT_EQ(page->backCount(), 1);
    EXPECT_EQ(page->forwardCount(), 1);
}

TEST_F(WebViewTest, EveryNavigationTypeIsAskedAndARefusalIsSilent) {
    delegate->allow = false;
    std::vector<std::shared_ptr<FakeWebPage::Navigation>> navs;
    for (int t = 0; t <= 5; ++t) {
        navs.push_back(page->fireNavigation("http://a.example/" + std::to_string(t),
                                            static_cast<NavigationType>(t)));
    }
    loop.runUntilIdle();
    ASSERT_EQ(delegate->calls.size(), 6u);
    for (int t = 0; t <= 5; ++t) {
        EXPECT_EQ(delegate->calls[t],
                  "should http://a.example/" + std::to_string(t) + " " + std::to_string(t));
        EXPECT_EQ(navs[t]->answer, false);
    }

    // A server's redirect keeps the type its navigation started with and is asked like a
    // navigation, unless the delegate tells redirects apart.
    delegate->allow = true;
    auto moved = page->fireRedirect("http://a.example/moved", NavigationType::LinkClicked);
    loop.runUntilIdle();
    EXPECT_EQ(delegate->calls.back(), "should http://a.example/moved 0");
    EXPECT_EQ(moved->answer, true);
    struct RedirectAware : Recorder {
        bool webViewShouldFollowRedirect(WebView&, const UrlRequest& request,
                                         NavigationType type) override {
            calls.push_back("redirect " + request.url().absoluteString() + " " +
                            std::to_string(static_cast<int>(type)));
            return false;
        }
    };
    auto aware = std::make_shared<RedirectAware>();
    view->setDelegate(aware);
    moved = page->fireRedirect("http://a.example/moved", NavigationType::LinkClicked);
    auto fresh = page->fireNavigation("http://a.example/fresh", NavigationType::LinkClicked);
    loop.runUntilIdle();
    EXPECT_THAT(aware->calls, ElementsAre("redirect http://a.example/moved 0",
                                          "should http://a.example/fresh 0"));
    EXPECT_EQ(moved->answer, false);
    EXPECT_EQ(fresh->answer, true);

    // A view never given a delegate allows every navigation; one whose delegate has gone (let
    // go, or dead) refuses them, a redirect too, until another takes it over.
    auto free = WebView::create({10, 10});
    auto freePage = fakes.lastPage();
    auto nav = freePage->fireNavigation("http://a.example/free", NavigationType::Other);
    view->setDelegate({});
    auto left = page->fireNavigation("http://a.example/left", NavigationType::Other);
    auto leftMoved = page->fireRedirect("http://a.example/left/moved", NavigationType::Other);
    loop.runUntilIdle();
    EXPECT_EQ(nav->answer, true);
    EXPECT_EQ(left->answer, false);
    EXPECT_EQ(leftMoved->answer, false);
    auto gone = std::make_shared<Recorder>();
    view->setDelegate(gone);
    gone.reset();
    auto orphan = page->fireNavigation("http://a.example/orphan", NavigationType::Other);
    loop.runUntilIdle();
    view->setDelegate(delegate);
    auto taken = page->fireNavigation("http://a.example/taken", NavigationType::Other);
    loop.runUntilIdle();
    EXPECT_EQ(orphan->answer, false);
    EXPECT_EQ(taken->answer, true);
}

TEST_F(WebViewTest, ANavigationForFramesOnlyLoadsInAFrameAndThePagesOwnComesBackLater) {
    delegate->frameOnly = true;
    auto frame = page->fireFrameNavigation("http://a.example/picture", NavigationType::Other);
    auto own = page->fireNavigation("http://a.example/shop", NavigationType::LinkClicked);
    auto window = page->fireNavigation("http://a.example/window", NavigationType::Other, {},
                                       FakeWebPage::Target::Page);
    // A redirect continues a navigation already placed: asked yes or no, never handed back.
    auto moved = page->fireRedirect("http://a.example/moved", NavigationType::LinkClicked);
    loop.runUntilIdle();
    EXPECT_EQ(frame->answer, true);
    EXPECT_EQ(own->answer, false);
    EXPECT_TRUE(own->heldBack);
    EXPECT_EQ(moved->answer, true);
    EXPECT_FALSE(moved->heldBack);
    // Each comes back with its request and type, after the questions asked before it came.
    EXPECT_THAT(delegate->calls,
                ElementsAre("should http://a.example/picture 5", "should http://a.example/shop 0",
                            "should http://a.example/window 5", "should http://a.example/moved 0",
                            "held http://a.example/shop 0", "held http://a.example/window 5"));
    EXPECT_EQ(delegate->requests[1].userAgent(), view->userAgent());

    // Let go of while it is asked: the page's own that comes back reaches nobody.
    delegate->releaseIn = &view;
    delegate->releaseOn = "should";
    own = page->fireNavigation("http://a.example/late", NavigationType::LinkClicked);
    loop.runUntilIdle();
    EXPECT_EQ(own->answer, false);
    EXPECT_TRUE(own->heldBack);
    EXPECT_EQ(delegate->count("held"), 2);
    EXPECT_FALSE(page->viewAlive());
}

TEST_F(WebViewTest, UntrustedPageValuesAreRefusedWithALogLine) {
    LogSink::Capture logs;
    auto overlong =
        page->fireNavigation("http://a.example/" + std::string(WebView::kMaxUrlLength, 'a'),
                             NavigationType::LinkClicked);
    auto malformed = page->fireNavigation("not a url at all", NavigationType::LinkClicked);
    auto badType = page->fireNavigation("http://a.example/t", static_cast<NavigationType>(77));
    page->fireContentSize(-1, 10);
    page->fireContentSize(std::nan(""), 10);
    page->fireContentSize(10, 1e12);
    // Refused at once, without asking the delegate.
    EXPECT_EQ(overlong->answer, false);
    EXPECT_EQ(malformed->answer, false);
    loop.runUntilIdle();
    EXPECT_THAT(delegate->calls, ElementsAre("should http://a.example/t 5"));
    EXPECT_EQ(badType->answer, true);

    page->setTitle(std::string(WebView::kMaxTitleLength + 1, 't'));
    EXPECT_EQ(view->title(), "");
    page->setTitle("bad \xff\xfe utf-8");
    EXPECT_EQ(view->title(), "");
    page->setTitle("Fine title");
    EXPECT_EQ(view->title(), "Fine title");

    page->setScriptAnswer([](const std::string& script) {
        FakeWebPage::ScriptResult r;
        r.scalar = true;
        r.value =
            script == "big" ? std::string(WebView::kMaxScriptResultLength + 1, 'x') : "\xc3\x28";
        return r;
    });
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("big"), "");
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("bad"), "");
    page->setCurrentUrl("http://a.example/" + std::string(WebView::kMaxUrlLength, 'u'));
    EXPECT_FALSE(view->url().has_value());
    EXPECT_GE(logs.lines().size(), 7u);
}

TEST_F(WebViewTest, ScriptsAnswerTextAndEventsDuringASynchronousEvaluationWaitForItsEnd) {
    page->setScriptAnswer([this](const std::string& script) {
        // The page keeps going while the caller waits: it finishes loading meanwhile.
        page->fireStart();
        page->fireFinish();
        FakeWebPage::ScriptResult r;
        if (script == "1+2") {
            r.scalar = true;
            r.value = "3";
        } else if (script == "throw 1") {
            r.error = Error::make(kWebViewErrorDomain, 0, "exception");
        }
        return r;
    });
    bool sawFinishInside = false;
    delegate->calls.clear();
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("1+2"), "3");
    sawFinishInside = !delegate->calls.empty();
    EXPECT_FALSE(sawFinishInside);
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("({a: 1})"), "");
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("throw 1"), "");
    loop.runUntilIdle();
    EXPECT_THAT(delegate->calls,
                ElementsAre("start", "finish", "start", "finish", "start", "finish"));

    std::vector<std::string> answers;
    view->evaluateJavaScript("document.title",
                             [&](const std::string& v, const std::optional<Error>& e) {
                                 answers.push_back(v + (e ? " error" : ""));
                             });
    view->evaluateJavaScript("fails", [&](const std::string& v, const std::optional<Error>& e) {
        answers.push_back(v + (e ? " error" : ""));
    });
    EXPECT_EQ(page->pendingScriptCount(), 2u);
    FakeWebPage::ScriptResult title;
    title.scalar = true;
    title.value = "Ad";
    EXPECT_TRUE(page->answerNextScript(title));
    FakeWebPage::ScriptResult failed;
    failed.error = Error::make(kWebViewErrorDomain, 0, "boom");
    EXPECT_TRUE(page->answerNextScript(failed));
    EXPECT_TRUE(answers.empty());
    loop.runUntilIdle();
    EXPECT_THAT(answers, ElementsAre("Ad", " error"));
    EXPECT_THAT(page->evaluations(),
                ElementsAre("1+2", "({a: 1})", "throw 1", "document.title", "fails"));
}

TEST_F(WebViewTest, AViewReleasedInsideItsOwnCallbackDiesOnTheNextTurn) {
    std::weak_ptr<WebView> weak = view;
    delegate->releaseIn = &view;
    delegate->releaseOn = "finish";
    page->fireFinish();
    page->fireContentSize(1, 1);
    loop.loop().post([] {});
    std::size_t ran = loop.loop().runUntilIdle();
    EXPECT_GT(ran, 0u);
    EXPECT_FALSE(view);
    EXPECT_TRUE(weak.expired());
    // Events the page sent after the view let go reach nobody.
    EXPECT_THAT(delegate->calls, ElementsAre("finish"));
    EXPECT_FALSE(page->viewAlive());
    page->fireFinish();
    loop.runUntilIdle();
    EXPECT_THAT(delegate->calls, ElementsAre("finish"));
}

TEST_F(WebViewTest, ReleasedInsideTheNavigationQuestionStillAnswersAndPendingWorkIsDropped) {
    delegate->releaseIn = &view;
    delegate->releaseOn = "should";
    delegate->allow = false;
    bool completed = false;
    view->evaluateJavaScript(
        "x", [&](const std::string&, const std::optional<Error>&) { completed = true; });
    auto nav = page->fireNavigation("http://a.example/", NavigationType::LinkClicked);
    loop.runUntilIdle();
    EXPECT_EQ(nav->answer, false);
    EXPECT_FALSE(view);
    EXPECT_FALSE(page->answerNextScript({}));
    EXPECT_FALSE(completed);

    // A navigation whose view went before the delegate's turn is refused.
    auto other = WebView::create({10, 10});
    auto otherPage = fakes.lastPage();
    auto late = otherPage->fireNavigation("http://a.example/late", NavigationType::Other);
    other.reset();
    loop.runUntilIdle();
    EXPECT_EQ(late->answer, false);
}

TEST_F(WebViewTest, SettingsSizeAgentPicturesAndInputReachTheEngine) {
    WebViewSettings s;
    s.scrollEnabled = false;
    s.bounces = false;
    s.opaque = false;
    s.backgroundColor = Color::clear();
    s.dataDetectorTypes = 3;
    view->setSettings(s);
    EXPECT_EQ(page->settings(), s);
    EXPECT_EQ(view->settings(), s);

    view->setSize({-5, 1e9});
    EXPECT_EQ(view->size(), (Size{1, 16384}));
    EXPECT_EQ(page->width(), 1);

    view->setUserAgent("Movuroute/1.0");
    EXPECT_EQ(view->userAgent(), "Movuroute/1.0");

    EXPECT_FALSE(view->snapshot().has_value());
    WebSnapshot shot{2, 1, {255, 0, 0, 255, 0, 0, 0, 0}};
    page->setSnapshot(shot);
    ASSERT_TRUE(view->snapshot().has_value());
    EXPECT_EQ(view->snapshot()->pixel(0, 0), 0xff0000ffu);
    EXPECT_EQ(view->snapshot()->pixel(1, 0), 0u);
    EXPECT_EQ(view->snapshot()->pixel(2, 0), 0u);
    auto before = view->paintedGeneration();
    page->setPaintedFrame(shot);
    EXPECT_NE(view->paintedGeneration(), before);
    EXPECT_EQ(view->paintedFrame().width, 2);

    view->sendMouseEvent({WebMouseEvent::Type::Down, {3, 4}, 1});
    view->sendScrollEvent({{1, 1}, 0, 30});
    view->sendKeyEvent({true, 'a', 0});
    ASSERT_EQ(page->mouseEvents().size(), 1u);
    EXPECT_EQ(page->mouseEvents()[0].location, (Point{3, 4}));
    EXPECT_EQ(page->scrollEvents()[0].deltaY, 30);
    EXPECT_EQ(page->keyEvents()[0].keysym, static_cast<unsigned>('a'));
}

TEST_F(WebViewTest, AnAsynchronousPictureComesOnALaterTurnOnlyToALiveViewAndNeverWaits) {
    const auto waits = WebView::synchronousWaitCount();
    const auto asked = WebView::asynchronousSnapshotCount();
    std::vector<std::optional<WebSnapshot>> answers;
    auto record = [&](std::optional<WebSnapshot> picture) { answers.push_back(picture); };
    page->setSnapshot(WebSnapshot{1, 1, {255, 0, 0, 255}});
    view->takeSnapshot(record);
    // The picture as the page had it when asked, and not from inside the call.
    page->setSnapshot(std::nullopt);
    EXPECT_TRUE(answers.empty());
    loop.runUntilIdle();
    ASSERT_EQ(answers.size(), 1u);
    ASSERT_TRUE(answers[0]);
    EXPECT_EQ(answers[0]->pixel(0, 0), 0xff0000ffu);

    // A busy page: the answer comes when the page gets to it; a picture without pixels is none.
    page->holdSnapshots(true);
    view->takeSnapshot(record);
    view->takeSnapshot(record);
    loop.runUntilIdle();
    EXPECT_EQ(answers.size(), 1u);
    EXPECT_EQ(page->pendingSnapshotCount(), 2u);
    EXPECT_TRUE(page->answerNextSnapshot(WebSnapshot{}));
    loop.runUntilIdle();
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_FALSE(answers[1]);
    // The process ending answers what still waits, with nothing.
    page->fireWebProcessEnded();
    loop.runUntilIdle();
    ASSERT_EQ(answers.size(), 3u);
    EXPECT_FALSE(answers[2]);
    EXPECT_EQ(page->snapshotRequestCount(), 3);
    EXPECT_EQ(WebView::asynchronousSnapshotCount(), asked + 3);

    // A view gone before its answer hears nothing.
    view->takeSnapshot(record);
    view.reset();
    EXPECT_FALSE(page->answerNextSnapshot(WebSnapshot{1, 1, {0, 0, 0, 255}}));
    loop.runUntilIdle();
    EXPECT_EQ(answers.size(), 3u);
    EXPECT_EQ(WebView::synchronousWaitCount(), waits);
}

TEST_F(WebViewTest, EverySynchronousEvaluationAndSnapshotIsCounted) {
    const auto waits = WebView::synchronousWaitCount();
    view->stringByEvaluatingJavaScriptFromString("1");
    view->snapshot();
    view->evaluateJavaScript("1");
    EXPECT_EQ(WebView::synchronousWaitCount(), waits + 2);
}

TEST_F(WebViewTest, TheResourceInterceptorAsksOnlyForRegisteredNamesAndAnswersOnce) {
    std::vector<std::string> asked;
    EXPECT_FALSE(ResourceInterceptor::setHandler("", nullptr));
    EXPECT_FALSE(ResourceInterceptor::setHandler("a/mraid.js", nullptr));
    ASSERT_TRUE(ResourceInterceptor::setHandler(
        "mraid.js", [&](const ResourceInterceptor::Request& r, ResourceInterceptor::Reply reply) {
            asked.push_back(r.url.absoluteString() + " from " + r.referer);
            if (r.referer == "http://ads.example/ad.html") {
                reply.respond({{'o', 'k'}, "application/javascript"});
                reply.decline();  // only the first answer counts
            } else if (r.pageAddress == "http://broken.example/page") {
                reply.fail();
            }
            // Any other page: the reply is dropped unanswered, which declines.
        }));
    EXPECT_THAT(ResourceInterceptor::fileNames(), ElementsAre("mraid.js"));

    std::vector<std::string> outcomes;
    auto record = [&](std::optional<ResourceInterceptor::Response> r) {
        outcomes.push_back(!r ? "declined"
                           : r->failed
                               ? "failed"
                               : std::string(r->bytes.begin(), r->bytes.end()) + " " + r->mimeType);
    };
    Url js = *Url::parse("http://cdn.example/lib/mraid.js");
    ResourceInterceptor::dispatch("mraid.js", {js, "http://ads.example/ad.html"}, record);
    ResourceInterceptor::dispatch("mraid.js", {js, "http://other.example/"}, record);
    ResourceInterceptor::dispatch("other.js", {js, "http://ads.example/ad.html"}, record);
    ResourceInterceptor::dispatch(
        "mraid.js", {js, "http://broken.example/", "http://broken.example/page"}, record);
    loop.runUntilIdle();
    EXPECT_THAT(outcomes,
                ElementsAre("ok application/javascript", "declined", "declined", "failed"));
    EXPECT_THAT(asked,
                ElementsAre("http://cdn.example/lib/mraid.js from http://ads.example/ad.html",
                            "http://cdn.example/lib/mraid.js from http://other.example/",
                            "http://cdn.example/lib/mraid.js from http://broken.example/"));

    // An answer from another thread, later, still reaches the main loop once.
    std::optional<ResourceInterceptor::Reply> kept;
    ResourceInterceptor::setHandler(
        "late.js", [&](const auto&, ResourceInterceptor::Reply reply) { kept = reply; });
    outcomes.clear();
    ResourceInterceptor::dispatch("late.js", {js, ""}, record);
    ASSERT_TRUE(kept);
    std::thread([reply = *kept] { reply.respond({{'x'}, "text/plain"}); }).join();
    kept.reset();
    loop.runUntilIdle();
    EXPECT_THAT(outcomes, ElementsAre("x text/plain"));

    EXPECT_TRUE(ResourceInterceptor::setHandler("mraid.js", nullptr));
    EXPECT_TRUE(ResourceInterceptor::setHandler("late.js", nullptr));
    EXPECT_TRUE(ResourceInterceptor::fileNames().empty());
}

TEST(WebViewWithoutDisplayTest, EveryLoadFailsAtOnceAndNothingElseBreaks) {
    // Each test runs in its own process, so GTK is first opened here, without a display.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    MainLoopTestScope loop;
    LogSink::Capture logs;
    auto delegate = std::make_shared<RecordingWebViewDelegate>();
    auto view = WebView::create({320, 50});
    view->setDelegate(delegate);
    view->loadHTMLString("<p>ad</p>", *Url::parse("http://ads.example/"));
    view->loadRequest(*UrlRequest::withString("http://ads.example/page"));
    loop.runUntilIdle();
    EXPECT_THAT(delegate->calls, ElementsAre("fail 1", "fail 1"));
    EXPECT_EQ(delegate->errors[0].domain, kWebViewErrorDomain);
    EXPECT_EQ(failingUrlOf(delegate->errors[1]), "http://ads.example/page");
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("1"), "");
    EXPECT_FALSE(view->snapshot());
    EXPECT_FALSE(view->isLoading());
    view->sendMouseEvent({});
    std::optional<Error> error;
    view->evaluateJavaScript("1",
                             [&](const std::string&, const std::optional<Error>& e) { error = e; });
    loop.runUntilIdle();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, kWebViewErrorNoDisplay);
}
