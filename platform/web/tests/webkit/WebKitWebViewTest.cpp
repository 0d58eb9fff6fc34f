// The WebView contract on real WebKit, with pages from a loopback server. Needs a display:
// scripts/test runs these under xvfb-run (and sets MOVU_REQUIRE_DISPLAY, so a missing display
// fails instead of skipping).

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/LogSink.h"
#include "platform/net/UrlError.h"
#include "platform/ui/MainThread.h"
#include "platform/web/ResourceInterceptor.h"
#include "platform/web/WebEngine.h"
#include "platform/web/WebProcessExtensionProtocol.h"
#include "platform/web/tests/webkit/WebKitViewFixture.h"

using namespace platform;
using namespace platform::web;
using platform::testing::residentKilobytes;
using platform::testing::TestHttpServer;
using platform::testing::webProcesses;
using ::testing::Contains;
using ::testing::ElementsAre;

namespace {

struct WebKitWebViewTest : WebKitViewFixture {
    WebKitWebViewTest() : WebKitViewFixture({320, 50}) {}

    // Turns the loop until the condition holds, at most `turns` times. A turn ends as soon as
    // WebKit or the server has something for it and otherwise after a tenth of a second, so the
    // bound counts turns, not a deadline a loaded machine can overrun while work is arriving.
    bool turnUntil(const std::function<bool()>& condition, int turns = 600) {
        for (int i = 0; i < turns; ++i) {
            if (condition()) return true;
            MainLoop::main().runOnce(0.1);
        }
        return condition();
    }
    bool waitForCall(const std::string& prefix, int count = 1) {
        return waitFor([&] { return delegate->count(prefix) >= count; });
    }
    void page(const std::string& path, const std::string& html) {
        server.text(path, html, 200, "text/html");
    }
    // A transparent view (as every ad's is) showing one red block `width` wide at the top left,
    // its element "d", once painted. Answers the settings, for tests that change them further.
    WebViewSettings showClearPageWithRedBlock(const std::string& path, int width) {
        WebViewSettings clear;
        clear.opaque = false;
        clear.backgroundColor = Color::clear();
        view->setSettings(clear);
        page(path,
             "<body style='margin:0'><div id='d' style='position:absolute;left:0;top:0;"
             "width:" +
                 std::to_string(width) + "px;height:50px;background:#ff0000'></div></body>");
        loadAndWait(path);
        EXPECT_TRUE(waitFor([&] { return view->paintedFrame().pixel(10, 10) == 0xff0000ffu; }));
        return clear;
    }
};

}  // namespace

// A context the program says it will use starts its web process with the engine, before any
// view of it is made, and its first view's page loads in that process.
TEST(WebEngineWarmUpTest, AnExpectedContextsProcessStartsWithTheEngineAndItsFirstViewUsesIt) {
    MOVU_SKIP_WITHOUT_DISPLAY();
    MainLoopTestScope loop;
    TestHttpServer server;
    WebEngine::expectContext(WebViewContext::Service);
    auto shared = WebView::create({320, 50});
    const auto both = [] {
        return webProcesses().size() == 2 && platform::testing::networkProcesses().size() == 2;
    };
    ASSERT_TRUE(platform::testing::runMainLoopUntil(both, 30))
        << webProcesses().size() << " web processes";
    const auto warm = webProcesses();

    auto service = WebView::create({1, 1}, WebViewContext::Service);
    auto delegate = std::make_shared<RecordingWebViewDelegate>();
    service->setDelegate(delegate);
    service->loadHTMLString("<p>core</p>", *Url::parse(server.url("/core.html")));
    ASSERT_TRUE(
        platform::testing::runMainLoopUntil([&] { return delegate->count("finish") == 1; }, 30));
    EXPECT_EQ(webProcesses(), warm);
    for (pid_t pid : webProcesses()) kill(pid, SIGKILL);
}

TEST_F(WebKitWebViewTest, LoadsAskFirstThenStartAndFinishWithTheViewsAgent) {
    view->setUserAgent("MovurouteTest/1.0");
    view->loadHTMLString("<p>ad</p>", *Url::parse(server.url("/base.html")));
    ASSERT_TRUE(waitForCall("finish"));
    std::vector<std::string> loadCalls;
    for (const auto& call : delegate->calls) {
        if (call.rfind("size", 0) != 0) loadCalls.push_back(call);
    }
    EXPECT_THAT(loadCalls,
                ElementsAre("should " + server.url("/base.html") + " 5", "start", "finish"));
    EXPECT_EQ(delegate->requests[0].userAgent(), "MovurouteTest/1.0");
    EXPECT_EQ(view->url()->absoluteString(), server.url("/base.html"));
    EXPECT_FALSE(view->isLoading());

    page("/page.html", "<title>Hello</title><p>page</p>");
    delegate->calls.clear();
    loadAndWait("/page.html");
    // The title comes with its own message, which may follow the finish.
    EXPECT_TRUE(waitFor([&] { return view->title() == "Hello"; }));
    ASSERT_EQ(server.requestsFor("/page.html").size(), 1u);
    EXPECT_EQ(server.requestsFor("/page.html")[0].header("User-Agent"), "MovurouteTest/1.0");
}

TEST_F(WebKitWebViewTest, AClosedPortFailsWithTheFailingUrlAndARefusalEndsSilently) {
    TestHttpServer closed;
    std::string url = closed.url("/gone");
    closed.stop();
    view->loadRequest(*UrlRequest::withString(url));
    ASSERT_TRUE(waitForCall("fail"));
    EXPECT_EQ(delegate->calls.back(), "fail " + std::to_string(kUrlErrorCannotConnectToHost));
    EXPECT_EQ(delegate->errors[0].domain, kUrlErrorDomain);
    EXPECT_EQ(failingUrlOf(delegate->errors[0]), url);

    // A refused load: asked, then nothing at all.
    delegate->calls.clear();
    delegate->allow = false;
    page("/refused.html", "<p>no</p>");
    view->loadRequest(*UrlRequest::withString(server.url("/refused.html")));
    ASSERT_TRUE(waitForCall("should"));
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("1"), "1");  // a full round trip
    loop.runUntilIdle();
    EXPECT_THAT(delegate->calls, ElementsAre("should " + server.url("/refused.html") + " 5"));
    EXPECT_EQ(server.requestCount("/refused.html"), 0u);
}

TEST_F(WebKitWebViewTest, NavigationsOfLinksFormsScriptsFramesAndWindowOpenAreAskedWithTheirType) {
    page("/nav.html",
         "<body style='margin:0'><button id=o style='display:block;height:20px' "
         "onclick=\"window.open('/popup')\">o</button><a id=l href='/link'>l</a>"
         "<form id=f action='/form'><input name=q value=1></form></body>");
    loadAndWait("/nav.html");
    delegate->allow = false;
    auto asked = [&](const std::string& script, const std::string& path) {
        int before = delegate->count("should");
        view->evaluateJavaScript(script);
        EXPECT_TRUE(waitForCall("should", before + 1)) << script;
        EXPECT_EQ(delegate->requests.back().url().absoluteString(), server.url(path)) << script;
        return static_cast<int>(delegate->types.back());
    };
    EXPECT_EQ(asked("document.getElementById('l').click()", "/link"), 0);
    EXPECT_EQ(asked("document.getElementById('f').submit()", "/form?q=1"), 1);
    EXPECT_EQ(asked("location.href = '/script'", "/script"), 5);
    EXPECT_EQ(asked("var i = document.createElement('iframe'); i.src = '/frame';"
                    "document.body.appendChild(i)",
                    "/frame"),
              5);
    // A new window needs the player's tap (the program's own scripts give the page none).
    const auto tapOpen = [&] {
        view->sendMouseEvent({WebMouseEvent::Type::Down, {10, 10}, 1});
        view->sendMouseEvent({WebMouseEvent::Type::Up, {10, 10}, 1});
    };
    int before = delegate->count("should");
    tapOpen();
    ASSERT_TRUE(waitForCall("should", before + 1));
    EXPECT_EQ(delegate->requests.back().url().absoluteString(), server.url("/popup"));
    EXPECT_EQ(static_cast<int>(delegate->types.back()), 5);
    view->reload();
    ASSERT_TRUE(waitFor([&] { return delegate->types.back() == NavigationType::Reload; }));

    // Refusals were silent: the page never left.
    EXPECT_EQ(delegate->count("start"), 1);
    EXPECT_EQ(delegate->count("fail"), 0);
    EXPECT_EQ(view->url()->absoluteString(), server.url("/nav.html"));
    EXPECT_EQ(server.requestCount("/link") + server.requestCount("/frame") +
                  server.requestCount("/popup"),
              0u);

    // One question per navigation: window.open is not asked a second time as a new window.
    int popups = 0;
    for (const auto& request : delegate->requests) {
        popups += request.url().absoluteString() == server.url("/popup") ? 1 : 0;
    }
    EXPECT_EQ(popups, 1);

    // An allowed window.open loads in this view.
    delegate->allow = true;
    page("/popup", "<p>popup</p>");
    tapOpen();
    ASSERT_TRUE(waitForCall("finish", 2));
    EXPECT_EQ(view->url()->absoluteString(), server.url("/popup"));
}

// WebKit asks about a page's navigations and its frames' alike and cannot say whose each is
// until it has been let through. A navigation answered LoadInFrameOnly loads when it is a
// frame's; the page's own (and a new window's) asks for nothing, is handed back, and leaves
// the page as it was, its start and end unseen.
TEST_F(WebKitWebViewTest, ANavigationForFramesOnlyLoadsInAFrameAndThePagesOwnComesBackUnfetched) {
    // What the view shows as the page's own comes back: the page's address, not the one its
    // held-back load was turned to.
    struct Placing : RecordingWebViewDelegate {
        void webViewDidHoldBackNavigation(WebView& held, const UrlRequest& request,
                                          NavigationType type) override {
            RecordingWebViewDelegate::webViewDidHoldBackNavigation(held, request, type);
            shown.push_back(held.url() ? held.url()->absoluteString() : "");
        }
        std::vector<std::string> shown;
    };
    auto placing = std::make_shared<Placing>();
    delegate = placing;
    view->setDelegate(placing);
    page("/frames.html",
         "<body style='margin:0'><button id=b style='display:block;height:20px' "
         "onclick=\"location.hash = 'tapped'\">b</button>"
         "<button id=o style='display:block;height:20px' "
         "onclick=\"window.open('/away?from=open')\">o</button>"
         "<a id=l href='/away?from=link'>l</a><iframe id=f src='/one'></iframe>"
         "<script>window.mark = 'still here';</script></body>");
    page("/one", "<p>one</p>");
    page("/two", "<p>two</p>");
    page("/away", "<p>away</p>");
    loadAndWait("/frames.html");
    delegate->frameOnly = true;
    delegate->calls.clear();
    const auto frameText = [&] {
        return view->stringByEvaluatingJavaScriptFromString(
            "document.getElementById('f').contentDocument.body.textContent");
    };

    view->evaluateJavaScript("document.getElementById('f').src = '/two'");
    ASSERT_TRUE(waitFor([&] { return frameText() == "two"; })) << frameText();

    view->evaluateJavaScript("document.getElementById('l').click()");
    ASSERT_TRUE(waitForCall("held")) << ::testing::PrintToString(delegate->calls);
    // A new window needs the player's tap.
    view->sendMouseEvent({WebMouseEvent::Type::Down, {10, 30}, 1});
    view->sendMouseEvent({WebMouseEvent::Type::Up, {10, 30}, 1});
    ASSERT_TRUE(waitForCall("held", 2)) << ::testing::PrintToString(delegate->calls);
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("window.mark"), "still here");
    loop.runUntilIdle();
    EXPECT_THAT(delegate->calls, ElementsAre("should " + server.url("/two") + " 5",
                                             "should " + server.url("/away?from=link") + " 0",
                                             "held " + server.url("/away?from=link") + " 0",
                                             "should " + server.url("/away?from=open") + " 5",
                                             "held " + server.url("/away?from=open") + " 5"));
    EXPECT_EQ(server.requestCount("/away"), 0u);
    EXPECT_EQ(view->url()->absoluteString(), server.url("/frames.html"));
    EXPECT_EQ(placing->shown, std::vector<std::string>(2, server.url("/frames.html")));
    EXPECT_FALSE(view->isLoading());

    // A fragment's navigation at a tap, which the web process may wait for with nothing else
    // taken meanwhile, is let through at once: nothing of the answer waits on that process.
    delegate->calls.clear();
    view->sendMouseEvent({WebMouseEvent::Type::Down, {10, 10}, 1});
    view->sendMouseEvent({WebMouseEvent::Type::Up, {10, 10}, 1});
    ASSERT_TRUE(waitForCall("should")) << ::testing::PrintToString(delegate->calls);
    EXPECT_EQ(delegate->calls.front(), "should " + server.url("/frames.html#tapped") + " 5");
    EXPECT_TRUE(waitFor([&] {
        return view->stringByEvaluatingJavaScriptFromString("location.hash") == "#tapped";
    }));
}

// A navigation answered HandBack loads nowhere whoever's it is: a link followed in a frame (to
// the frame itself, to the top, to a new window) and one of the page's own come back unfetched,
// and the frame and the page keep the documents they showed.
TEST_F(WebKitWebViewTest, ANavigationHandedBackLoadsNowhereAndComesBackFromAFrameAsFromThePage) {
    struct HandingBack : RecordingWebViewDelegate {
        NavigationPolicy webViewPolicyForNavigation(WebView& view, const UrlRequest& request,
                                                    NavigationType type) override {
            const auto policy =
                RecordingWebViewDelegate::webViewPolicyForNavigation(view, request, type);
            return request.url().path() == "/away" ? NavigationPolicy::HandBack : policy;
        }
    };
    auto handing = std::make_shared<HandingBack>();
    delegate = handing;
    view->setDelegate(handing);
    // Each link a strip of 12 pixels of the view's 50, the page's on top, the frame's three
    // under it.
    page("/links.html",
         "<body style='margin:0'><a id=l style='display:block;height:12px' "
         "href='/away?from=page'>l</a><iframe id=f src='/frame.html' "
         "style='display:block;border:0;width:300px;height:36px'></iframe></body>");
    page("/frame.html",
         "<style>body{margin:0} a{display:block;height:12px}</style><body>"
         "<a id=in href='/away?from=frame'>in</a><a id=top target=_top "
         "href='/away?from=top'>top</a><a id=blank target=_blank href='/away?from=blank'>blank</a>"
         "<script>window.mark = 'frame as it was';</script></body>");
    page("/away", "<p>away</p>");
    loadAndWait("/links.html");
    const auto frameMark = [&] {
        return view->stringByEvaluatingJavaScriptFromString(
            "document.getElementById('f').contentWindow.mark");
    };
    ASSERT_TRUE(waitFor([&] { return frameMark() == "frame as it was"; }));
    delegate->calls.clear();

    // Followed as the player follows them, by taps: a new window needs one.
    int held = 0;
    for (const double y : {18.0, 30.0, 42.0, 6.0}) {
        SCOPED_TRACE(y);
        view->sendMouseEvent({WebMouseEvent::Type::Down, {10, y}, 1});
        view->sendMouseEvent({WebMouseEvent::Type::Up, {10, y}, 1});
        ASSERT_TRUE(waitForCall("held", ++held)) << ::testing::PrintToString(delegate->calls);
    }
    // Anything still on its way would have arrived with a round trip to the frame.
    EXPECT_EQ(frameMark(), "frame as it was");
    loop.runUntilIdle();
    EXPECT_THAT(delegate->calls, Contains("held " + server.url("/away?from=frame") + " 0"));
    EXPECT_THAT(delegate->calls, Contains("held " + server.url("/away?from=top") + " 0"));
    EXPECT_THAT(delegate->calls, Contains("held " + server.url("/away?from=blank") + " 0"));
    EXPECT_THAT(delegate->calls, Contains("held " + server.url("/away?from=page") + " 0"));
    EXPECT_EQ(delegate->count("held"), 4);
    EXPECT_EQ(delegate->count("start"), 0);
    EXPECT_EQ(server.requestCount("/away"), 0u);
    EXPECT_EQ(view->url()->absoluteString(), server.url("/links.html"));
    EXPECT_FALSE(view->isLoading());
}

TEST_F(WebKitWebViewTest, AServersRedirectIsAskedApartWithTheTypeItsNavigationStartedWith) {
    struct RedirectAware : RecordingWebViewDelegate {
        bool webViewShouldFollowRedirect(WebView&, const UrlRequest& request,
                                         NavigationType type) override {
            calls.push_back("redirect " + request.url().absoluteString() + " " +
                            std::to_string(static_cast<int>(type)));
            return followRedirects;
        }
        bool followRedirects = false;
    };
    auto aware = std::make_shared<RedirectAware>();
    delegate = aware;
    view->setDelegate(aware);
    server.redirect("/moved", server.url("/landed"));
    page("/landed", "<p>landed</p>");
    page("/start.html", "<a id=l href='/moved'>go</a>");
    loadAndWait("/start.html");

    // Refused: the page stays, and the redirect's target is never fetched.
    aware->calls.clear();
    view->evaluateJavaScript("document.getElementById('l').click()");
    ASSERT_TRUE(waitForCall("redirect")) << ::testing::PrintToString(aware->calls);
    EXPECT_EQ(aware->calls.front(), "should " + server.url("/moved") + " 0");
    EXPECT_EQ(aware->count("redirect " + server.url("/landed") + " 0"), 1);
    EXPECT_EQ(aware->count("should " + server.url("/landed")), 0);
    EXPECT_TRUE(turnUntil([&] { return !view->isLoading(); }));
    EXPECT_EQ(server.requestCount("/landed"), 0u);
    EXPECT_EQ(view->url()->absoluteString(), server.url("/start.html"));

    // Followed: the load goes on to the target.
    aware->followRedirects = true;
    aware->calls.clear();
    view->evaluateJavaScript("document.getElementById('l').click()");
    ASSERT_TRUE(waitForCall("finish")) << ::testing::PrintToString(aware->calls);
    EXPECT_EQ(aware->count("redirect " + server.url("/landed") + " 0"), 1);
    EXPECT_EQ(view->url()->absoluteString(), server.url("/landed"));
}

TEST_F(WebKitWebViewTest, SynchronousValuesAreTextAndABusyPageTimesOut) {
    page("/s.html", "<p>s</p>");
    loadAndWait("/s.html");
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("1+2"), "3");
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("1.5"), "1.5");
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("'a' + 'b'"), "ab");
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("1 < 2"), "true");
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("({a: 1})"), "");
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("null"), "");
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("throw new Error('x')"), "");
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("document.body.innerHTML"), "<p>s</p>");

    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("while (true) {}", 0.3), "");
    double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(waited, 0.3);
    EXPECT_LT(waited, 3.0);
}

TEST_F(WebKitWebViewTest, EventsArrivingDuringASynchronousEvaluationAreDeliveredAfterIt) {
    page("/held.html", "<body>held</body>");
    page("/frame", "<p>frame</p>");
    loadAndWait("/held.html");
    bool posted = false;
    loop.loop().post([&] { posted = true; });
    int asked = delegate->count("should");
    // Inserting the frame asks for its navigation before the script's answer comes back.
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString(
                  "var i = document.createElement('iframe'); i.src = '/frame';"
                  "document.body.appendChild(i); 'inserted'"),
              "inserted");
    EXPECT_FALSE(posted);
    EXPECT_EQ(delegate->count("should"), asked);
    ASSERT_TRUE(waitForCall("should", asked + 1));
    EXPECT_TRUE(posted);
    EXPECT_EQ(delegate->requests.back().url().absoluteString(), server.url("/frame"));
    EXPECT_EQ(delegate->types.back(), NavigationType::Other);
}

TEST_F(WebKitWebViewTest, AViewReleasedInItsOwnCallbackDiesOnTheNextTurn) {
    std::weak_ptr<WebView> weak = view;
    delegate->releaseIn = &view;
    delegate->releaseOn = "finish";
    view->loadHTMLString("<p>x</p>", *Url::parse(server.url("/r.html")));
    ASSERT_TRUE(turnUntil([&] { return weak.expired(); }));
    EXPECT_EQ(delegate->calls.back(), "finish");
    // WebKit carries on without it. The new view's first script waits for a web process to
    // start, which on a busy machine takes longer than a synchronous call's second: the answer
    // is awaited by turns of the loop instead.
    auto next = WebView::create({100, 100});
    std::optional<std::string> answer;
    next->evaluateJavaScript(
        "6*7", [&](const std::string& value, const std::optional<Error>&) { answer = value; });
    ASSERT_TRUE(turnUntil([&] { return answer.has_value(); }));
    EXPECT_EQ(*answer, "42");
}

TEST_F(WebKitWebViewTest, AResourceIsServedOnlyForItsNameAndReferer) {
    server.text("/lib/mraid.js", "window.served = 'original';", 200, "application/javascript");
    server.text("/lib/other.js", "window.other = 'original';", 200, "application/javascript");
    std::string scripts =
        "<script src='/lib/mraid.js'></script><script src='/lib/other.js'>"
        "</script><body>x</body>";
    page("/ad.html", scripts);
    page("/plain.html", scripts);
    std::vector<std::string> asked;
    std::vector<std::string> pages;
    ResourceInterceptor::setHandler(
        "mraid.js", [&](const ResourceInterceptor::Request& r, ResourceInterceptor::Reply reply) {
            asked.push_back(r.url.absoluteString() + " " + r.referer);
            pages.push_back(r.pageAddress);
            if (r.referer == server.url("/ad.html")) {
                std::string js = "window.served = 'ours';";
                reply.respond({{js.begin(), js.end()}, "application/javascript"});
            } else {
                reply.decline();
            }
        });
    loadAndWait("/ad.html");
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("window.served"), "ours");
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("window.other"), "original");
    EXPECT_EQ(server.requestCount("/lib/mraid.js"), 0u);

    delegate->calls.clear();
    loadAndWait("/plain.html");
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("window.served"), "original");
    EXPECT_THAT(asked, ElementsAre(server.url("/lib/mraid.js") + " " + server.url("/ad.html"),
                                   server.url("/lib/mraid.js") + " " + server.url("/plain.html")));
    EXPECT_THAT(pages, ElementsAre(server.url("/ad.html"), server.url("/plain.html")));
    ASSERT_EQ(server.requestCount("/lib/mraid.js"), 1u);
    EXPECT_EQ(server.requestsFor("/lib/mraid.js")[0].header("Referer"), server.url("/plain.html"));

    // A page cannot reach the interceptor's scheme by itself.
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString(
                  "var s = document.createElement('script');"
                  "s.src = 'movuroute-resource://intercept/?t=guess&u=" +
                  server.url("/lib/mraid.js") + "'; document.body.appendChild(s); 'added'"),
              "added");
    ResourceInterceptor::setHandler("mraid.js", nullptr);
    EXPECT_EQ(asked.size(), 2u);
}

TEST_F(WebKitWebViewTest, SnapshotsAndPaintedFramesArePremultipliedRgbaAtTheViewSize) {
    page("/colors.html",
         "<body style='margin:0'><div style='float:left;width:160px;height:50px;"
         "background:#ff0000'></div><div style='float:left;width:160px;height:50px;"
         "background:#0000ff'></div></body>");
    loadAndWait("/colors.html");
    auto shot = view->snapshot();
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->width, 320);
    EXPECT_EQ(shot->height, 50);
    EXPECT_EQ(shot->pixel(10, 10), 0xff0000ffu);
    EXPECT_EQ(shot->pixel(300, 40), 0x0000ffffu);
    ASSERT_TRUE(waitFor([&] { return view->paintedFrame().pixel(300, 40) == 0x0000ffffu; }));
    EXPECT_EQ(view->paintedFrame().pixel(10, 10), 0xff0000ffu);

    // A clear background leaves what the page does not paint transparent.
    WebViewSettings clear;
    clear.opaque = false;
    clear.backgroundColor = Color::clear();
    view->setSettings(clear);
    view->loadHTMLString(
        "<body style='margin:0'><div style='width:160px;height:50px;"
        "background:rgba(255,0,0,0.5)'></div></body>",
        *Url::parse(server.url("/half.html")));
    ASSERT_TRUE(waitForCall("finish", 2));
    shot = view->snapshot();
    ASSERT_TRUE(shot);
    std::uint32_t half = shot->pixel(10, 10);
    EXPECT_NEAR(static_cast<int>(half >> 24), 128, 2);  // red premultiplied by one half
    EXPECT_NEAR(static_cast<int>(half & 0xff), 128, 2);
    EXPECT_EQ(shot->pixel(300, 10), 0u);
}

TEST_F(WebKitWebViewTest, AnAsynchronousSnapshotIsThePagesPictureAndABusyPageHoldsNoCallerUp) {
    page("/halves.html",
         "<body style='margin:0'><div style='float:left;width:160px;height:50px;"
         "background:#ff0000'></div><div style='float:left;width:160px;height:50px;"
         "background:#0000ff'></div></body>");
    loadAndWait("/halves.html");
    const auto waits = WebView::synchronousWaitCount();
    std::optional<std::optional<WebSnapshot>> answer;
    auto record = [&](std::optional<WebSnapshot> picture) { answer = std::move(picture); };
    view->takeSnapshot(record);
    ASSERT_TRUE(waitFor([&] { return answer.has_value(); }));
    ASSERT_TRUE(*answer);
    EXPECT_EQ((*answer)->width, 320);
    EXPECT_EQ((*answer)->pixel(10, 10), 0xff0000ffu);
    EXPECT_EQ((*answer)->pixel(300, 40), 0x0000ffffu);

    // The page takes its picture after the script it was sent first, which spins 3 s: asking
    // returns while the page still spins all the same (both clocks are the machine's wall
    // clock), and the picture comes once the page is free again.
    answer.reset();
    view->evaluateJavaScript(
        "var end = Date.now() + 3000; while (Date.now() < end) {} window.freeAt = Date.now();");
    const auto asked = std::chrono::system_clock::now();
    view->takeSnapshot(record);
    const auto returned = std::chrono::system_clock::now();
    RecordProperty("secondsToAskABusyPage",
                   std::to_string(std::chrono::duration<double>(returned - asked).count()));
    ASSERT_TRUE(waitFor([&] { return answer.has_value(); }));
    ASSERT_TRUE(*answer);
    EXPECT_EQ((*answer)->pixel(300, 40), 0x0000ffffu);
    EXPECT_EQ(WebView::synchronousWaitCount(), waits);
    using Milliseconds = std::chrono::duration<double, std::milli>;
    const double returnedAt = Milliseconds(returned.time_since_epoch()).count();
    const std::string freeAt =
        view->stringByEvaluatingJavaScriptFromString("String(window.freeAt)");
    ASSERT_FALSE(freeAt.empty());
    // The milliseconds the page still spun after asking had returned.
    EXPECT_GT(std::stod(freeAt) - returnedAt, 0.0);
}

TEST_F(WebKitWebViewTest, ContentSizeChangesAreReported) {
    page("/tall.html", "<body style='margin:0'><div id=d style='height:1000px'></div></body>");
    loadAndWait("/tall.html");
    ASSERT_TRUE(
        waitFor([&] { return !delegate->sizes.empty() && delegate->sizes.back().height == 1000; }));
    EXPECT_EQ(delegate->sizes.back().width, 320);
    view->evaluateJavaScript("document.getElementById('d').style.height = '2000px'");
    ASSERT_TRUE(waitFor([&] { return delegate->sizes.back().height == 2000; }));
    // The page cannot post sizes of its own: the reporter lives in a world it cannot see.
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString(
                  "typeof (window.webkit && window.webkit.messageHandlers && "
                  "window.webkit.messageHandlers.movuContentSize)"),
              "undefined");
}

TEST_F(WebKitWebViewTest, ForwardedInputClicksAsALinkScrollsAndTypes) {
    page("/input.html",
         "<body style='margin:0;height:2000px'><a href='/clicked' style='display:block;"
         "height:20px'>link</a><input id=i style='display:block;height:20px'></body>");
    loadAndWait("/input.html");
    delegate->allow = false;
    view->sendMouseEvent({WebMouseEvent::Type::Move, {10, 10}, 1});
    view->sendMouseEvent({WebMouseEvent::Type::Down, {10, 10}, 1});
    view->sendMouseEvent({WebMouseEvent::Type::Up, {10, 10}, 1});
    ASSERT_TRUE(waitForCall("should", 2));
    EXPECT_EQ(delegate->requests.back().url().absoluteString(), server.url("/clicked"));
    EXPECT_EQ(delegate->types.back(), NavigationType::LinkClicked);

    view->sendMouseEvent({WebMouseEvent::Type::Down, {10, 30}, 1});
    view->sendMouseEvent({WebMouseEvent::Type::Up, {10, 30}, 1});
    // The engine queues pointer and key events apart: type once the click has focused the field.
    ASSERT_TRUE(waitFor([&] {
        return view->stringByEvaluatingJavaScriptFromString("document.activeElement.id") == "i";
    }));
    view->sendKeyEvent({true, 'a', 0});
    view->sendKeyEvent({false, 'a', 0});
    ASSERT_TRUE(waitFor([&] {
        return view->stringByEvaluatingJavaScriptFromString("document.getElementById('i').value") ==
               "a";
    }));

    view->sendScrollEvent({{100, 25}, 0, 120});
    ASSERT_TRUE(waitFor([&] {
        return view->stringByEvaluatingJavaScriptFromString("window.scrollY > 0") == "true";
    }));
}

// The program's own scripts run in the page as the engine's own do, with no input around
// them: the page gains no activation from them (WebKitGTK runs what its view is asked to
// evaluate as a gesture, so a page that did nothing read hasBeenActive true after the game's
// first event), opens no window, and its promises still settle. A tap gives it activation.
TEST_F(WebKitWebViewTest, TheProgramsScriptsGiveThePageNoActivationAndATapDoes) {
    page("/quiet.html",
         "<body style='margin:0'><button id=b style='display:block;height:20px' "
         "onclick='probe(\"tap\")'>b</button><script>"
         "window.r = {seen: [], opened: 0};"
         "window.probe = function (when) {"
         "  var a = navigator.userActivation;"
         "  r.seen.push(when + ' ' + a.isActive + ' ' + a.hasBeenActive);"
         "  if (window.open('/popup')) r.opened++;"
         "};</script></body>");
    page("/popup", "<p>popup</p>");
    loadAndWait("/quiet.html");
    delegate->allow = false;
    delegate->calls.clear();
    std::optional<std::string> answer;
    view->evaluateJavaScript(
        "probe('async'); Promise.resolve().then(function () { r.settled = true; }); 6 * 7",
        [&](const std::string& value, const std::optional<Error>&) { answer = value; });
    ASSERT_TRUE(waitFor([&] { return answer.has_value(); }));
    EXPECT_EQ(*answer, "42");
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("probe('sync'); 'done'"), "done");
    EXPECT_TRUE(waitFor([&] {
        return view->stringByEvaluatingJavaScriptFromString("String(r.settled)") == "true";
    }));
    // What is no text comes back as none; what throws comes back as an error that says only
    // that it threw (what it threw is the page's to turn into text).
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("({a: 1})"), "");
    std::optional<Error> thrown;
    bool answered = false;
    view->evaluateJavaScript("throw new Error('nothing of this')",
                             [&](const std::string&, const std::optional<Error>& error) {
                                 thrown = error;
                                 answered = true;
                             });
    ASSERT_TRUE(waitFor([&] { return answered; }));
    ASSERT_TRUE(thrown.has_value());
    EXPECT_EQ(thrown->localizedDescription(), kWebExtensionScriptThrew);
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString(
                  "JSON.stringify([r.seen, r.opened, navigator.userActivation.hasBeenActive])"),
              R"([["async false false","sync false false"],0,false])");
    EXPECT_EQ(delegate->count("should"), 0);

    view->sendMouseEvent({WebMouseEvent::Type::Down, {10, 10}, 1});
    view->sendMouseEvent({WebMouseEvent::Type::Up, {10, 10}, 1});
    ASSERT_TRUE(waitForCall("should"));
    EXPECT_EQ(delegate->requests.back().url().absoluteString(), server.url("/popup"));
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString(
                  "JSON.stringify([r.seen[2], navigator.userActivation.hasBeenActive])"),
              R"(["tap true true",true])");
}

TEST_F(WebKitWebViewTest, AKilledWebProcessFailsTheLoadAndTheViewLoadsAgain) {
    auto gate = server.makeGate();
    server.stalled("/slow.html", gate, "<p>slow</p>");
    view->loadRequest(*UrlRequest::withString(server.url("/slow.html")));
    ASSERT_TRUE(waitForCall("start"));
    ASSERT_TRUE(gate->waitForArrivals(1));
    auto pids = webProcesses();
    ASSERT_FALSE(pids.empty());
    for (pid_t pid : pids) kill(pid, SIGKILL);
    ASSERT_TRUE(waitForCall("fail"));
    EXPECT_EQ(delegate->errors.back().domain, kWebViewErrorDomain);
    EXPECT_EQ(delegate->errors.back().code, kWebViewErrorWebProcessEnded);
    gate->release();

    delegate->calls.clear();
    view->loadHTMLString("<p>again</p>", *Url::parse(server.url("/again.html")));
    ASSERT_TRUE(waitForCall("finish"));
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("document.body.textContent"), "again");
}

TEST_F(WebKitWebViewTest, ALoadAskedOfASpinningProcessFailsWhenThatProcessIsEnded) {
    page("/spin.html",
         "<p>spin</p><script>setTimeout(function () { while (true) {} }, 0)</script>");
    page("/next.html", "<p>next</p>");
    loadAndWait("/spin.html");
    ASSERT_TRUE(turnUntil(
        [&] { return view->stringByEvaluatingJavaScriptFromString("'here'", 0.2).empty(); }));
    // The page never gets to start the load, so the engine never says it began.
    delegate->calls.clear();
    view->loadRequest(*UrlRequest::withString(server.url("/next.html")));
    const auto pids = webProcesses();
    ASSERT_FALSE(pids.empty());
    for (pid_t pid : pids) kill(pid, SIGKILL);
    // Its caller hears that it failed, rather than waiting for it for ever.
    ASSERT_TRUE(waitForCall("fail")) << ::testing::PrintToString(delegate->calls);
    EXPECT_EQ(delegate->errors.back().domain, kWebViewErrorDomain);
    EXPECT_EQ(delegate->errors.back().code, kWebViewErrorWebProcessEnded);
    EXPECT_EQ(delegate->count("start"), 0);
    EXPECT_EQ(server.requestCount("/next.html"), 0u);
}

TEST_F(WebKitWebViewTest, ViewsShareOneWebProcessAndTheNextViewAfterItsCrashGetsANewOne) {
    // Two pages of two sites, and a third view made after both loaded: all in one process.
    auto second = WebView::create({320, 50});
    auto secondDelegate = std::make_shared<RecordingWebViewDelegate>();
    second->setDelegate(secondDelegate);
    view->loadHTMLString("<p>one</p>", *Url::parse(server.url("/one.html")));
    second->loadHTMLString("<p>two</p>", *Url::parse("http://ads.example/two.html"));
    ASSERT_TRUE(waitForCall("finish"));
    ASSERT_TRUE(waitFor([&] { return secondDelegate->count("finish") == 1; }));
    auto third = WebView::create({320, 50});
    auto thirdDelegate = std::make_shared<RecordingWebViewDelegate>();
    third->setDelegate(thirdDelegate);
    third->loadHTMLString("<p>three</p>", *Url::parse(server.url("/three.html")));
    ASSERT_TRUE(waitFor([&] { return thirdDelegate->count("finish") == 1; }));
    auto shared = webProcesses();
    EXPECT_EQ(shared.size(), 1u);
    EXPECT_EQ(second->stringByEvaluatingJavaScriptFromString("document.body.textContent"), "two");

    // The crash takes every view with it. A view made after it starts one new process; the
    // views that lived through it load again.
    LogSink::Capture log;
    for (pid_t pid : shared) kill(pid, SIGKILL);
    ASSERT_TRUE(waitFor([&] { return log.count() >= 4; })) << ::testing::PrintToString(log.lines());
    EXPECT_TRUE(log.contains("the shared web process ended"));
    // Gone once WebKit has reaped it.
    ASSERT_TRUE(waitFor([&] { return webProcesses().empty(); }));
    auto fourth = WebView::create({320, 50});
    auto fourthDelegate = std::make_shared<RecordingWebViewDelegate>();
    fourth->setDelegate(fourthDelegate);
    fourth->loadHTMLString("<p>four</p>", *Url::parse(server.url("/four.html")));
    ASSERT_TRUE(waitFor([&] { return fourthDelegate->count("finish") == 1; }))
        << ::testing::PrintToString(fourthDelegate->calls);
    auto after = webProcesses();
    EXPECT_EQ(after.size(), 1u);
    EXPECT_NE(after, shared);
    delegate->calls.clear();
    view->loadHTMLString("<p>again</p>", *Url::parse(server.url("/again.html")));
    ASSERT_TRUE(waitForCall("finish"));
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("document.body.textContent"), "again");
}

TEST_F(WebKitWebViewTest, StoppedAndSupersededLoadsEndWithoutACallback) {
    auto gate = server.makeGate();
    server.stalled("/held.html", gate, "<p>held</p>");
    page("/next.html", "<p>next</p>");
    view->loadRequest(*UrlRequest::withString(server.url("/held.html")));
    ASSERT_TRUE(waitForCall("start"));
    ASSERT_TRUE(gate->waitForArrivals(1));
    view->stopLoading();
    // A full round trip to the page, so a failure would have arrived by now.
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("1"), "1");
    loop.runUntilIdle();
    EXPECT_EQ(delegate->count("fail"), 0);
    EXPECT_EQ(delegate->count("finish"), 0);

    view->loadRequest(*UrlRequest::withString(server.url("/held.html")));
    ASSERT_TRUE(waitForCall("start", 2));
    ASSERT_TRUE(gate->waitForArrivals(2));
    view->loadRequest(*UrlRequest::withString(server.url("/next.html")));
    ASSERT_TRUE(waitForCall("finish"));
    gate->release();
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("document.body.textContent"), "next");
    loop.runUntilIdle();
    EXPECT_EQ(delegate->count("fail"), 0);
    EXPECT_EQ(delegate->count("finish"), 1);
}

TEST_F(WebKitWebViewTest, ScrollingCanBeSwitchedOff) {
    WebViewSettings fixed;
    fixed.scrollEnabled = false;
    view->setSettings(fixed);
    page("/long.html", "<body style='margin:0;height:3000px'>long</body>");
    loadAndWait("/long.html");
    view->sendScrollEvent({{100, 25}, 0, 200});
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("1"), "1");
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("window.scrollY"), "0");
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString(
                  "getComputedStyle(document.documentElement).overflow"),
              "hidden");
}

TEST_F(WebKitWebViewTest, ARedirectOutOfTheWebIsRefusedAndThePageAndItsProcessGoOn) {
    server.redirect("/to-file", "file:///etc/passwd");
    server.redirect("/to-app", "movuroute-test-app://open");
    page("/framed.html", "<p>framed</p><iframe src='/to-file'></iframe>");
    page("/after.html", "<p>after</p>");
    LogSink::Capture log;
    loadAndWait("/framed.html");
    const auto shared = webProcesses();
    ASSERT_EQ(shared.size(), 1u);

    // A frame sent to a file: the frame stays empty, the page and its process go on.
    ASSERT_TRUE(turnUntil([&] { return server.requestCount("/to-file") == 1; }));
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("document.body.textContent"), "framed");
    delegate->calls.clear();
    loadAndWait("/after.html");

    // The page itself sent there: refused, and it stays where it was.
    view->evaluateJavaScript("location.href = '/to-file'");
    ASSERT_TRUE(turnUntil([&] { return server.requestCount("/to-file") == 2; }));
    EXPECT_TRUE(turnUntil([&] { return !view->isLoading(); }));
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("document.body.textContent"), "after");

    // Sent on to an app's link: the delegate hears of it (and allows it), the engine still
    // does not follow.
    view->evaluateJavaScript("location.href = '/to-app'");
    ASSERT_TRUE(waitForCall("should movuroute-test-app://open"))
        << ::testing::PrintToString(delegate->calls);
    EXPECT_TRUE(turnUntil([&] { return !view->isLoading(); }));
    ASSERT_TRUE(view->url());
    EXPECT_EQ(view->url()->absoluteString(), server.url("/after.html"));
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("document.body.textContent"), "after");

    EXPECT_EQ(delegate->count("ended"), 0);
    EXPECT_EQ(delegate->count("fail"), 0);
    EXPECT_EQ(webProcesses(), shared);
    EXPECT_FALSE(log.contains("web process")) << ::testing::PrintToString(log.lines());
}

TEST_F(WebKitWebViewTest, AWebProcessThatStopsAnsweringIsEndedAndEveryViewInItHears) {
    // A second view, loaded and idle, in the same process.
    auto other = WebView::create({320, 50});
    auto otherDelegate = std::make_shared<RecordingWebViewDelegate>();
    other->setDelegate(otherDelegate);
    other->loadHTMLString("<p>other</p>", *Url::parse(server.url("/other.html")));
    ASSERT_TRUE(waitFor([&] { return otherDelegate->count("finish") == 1; }));
    page("/spin.html",
         "<p>spin</p><script>setTimeout(function () { while (true) {} }, 200)"
         "</script>");
    LogSink::Capture log;
    loadAndWait("/spin.html");
    const auto spinning = webProcesses();
    ASSERT_EQ(spinning.size(), 1u);
    const auto loaded = std::chrono::steady_clock::now();

    ASSERT_TRUE(
        waitFor([&] { return delegate->count("ended") == 1 && otherDelegate->count("ended") == 1; },
                kWebProcessUnresponsiveSeconds + 60))
        << ::testing::PrintToString(log.lines());
    // Not before its time: the engine's three seconds of noticing, then the limit.
    EXPECT_GE(std::chrono::duration<double>(std::chrono::steady_clock::now() - loaded).count(),
              kWebProcessUnresponsiveSeconds);
    EXPECT_EQ(delegate->errors.back().domain, kWebViewErrorDomain);
    EXPECT_EQ(delegate->errors.back().code, kWebViewErrorWebProcessEnded);
    // Neither page was loading, so no load failed.
    EXPECT_EQ(delegate->count("fail"), 0);
    EXPECT_EQ(otherDelegate->count("fail"), 0);
    EXPECT_TRUE(log.contains("has not answered")) << ::testing::PrintToString(log.lines());
    ASSERT_TRUE(waitFor([&] { return webProcesses() != spinning; }));

    // The views load again, in a new process.
    delegate->calls.clear();
    view->loadHTMLString("<p>again</p>", *Url::parse(server.url("/again.html")));
    ASSERT_TRUE(waitForCall("finish"));
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("document.body.textContent"), "again");
    EXPECT_NE(webProcesses(), spinning);
}

TEST_F(WebKitWebViewTest, AWebProcessThatKeepsTakingMemoryIsEndedBeforeItPassesTheLimit) {
    page("/grow.html",
         "<p>grow</p><script>var kept = []; setInterval(function () {"
         "var b = new Uint8Array(50 * 1024 * 1024);"
         "for (var i = 0; i < b.length; i += 4096) b[i] = 1; kept.push(b); }, 100)</script>");
    LogSink::Capture log;
    loadAndWait("/grow.html");
    // Sampled every turn (a tenth of a second at most) until the process is gone.
    long peak = 0;
    ASSERT_TRUE(waitFor(
        [&] {
            peak = std::max(peak, residentKilobytes(webProcesses()));
            return delegate->count("ended") == 1;
        },
        120))
        << peak;
    RecordProperty("peakResidentMegabytes", std::to_string(peak / 1024));
    // It did grow, and was ended on the way.
    EXPECT_GT(peak / 1024, long{kWebProcessMemoryEndMegabytes / 2});
    EXPECT_LT(peak / 1024, long{kWebProcessMemoryLimitMegabytes});
    EXPECT_EQ(delegate->errors.back().code, kWebViewErrorWebProcessEnded);
    EXPECT_TRUE(log.contains("went over its memory limit"))
        << ::testing::PrintToString(log.lines());
}

TEST_F(WebKitWebViewTest, ATransparentPagesFramesHoldOnlyWhatItPaintsNow) {
    const WebViewSettings clear = showClearPageWithRedBlock("/move.html", 100);
    ASSERT_EQ(view->paintedFrame().pixel(300, 10), 0u);

    // Where a moved element was, the frame is transparent again; the new frame is announced
    // to the windows that may show it.
    const auto changes = ui::displayGeneration();
    view->evaluateJavaScript("document.getElementById('d').style.left = '220px'");
    ASSERT_TRUE(waitFor([&] { return view->paintedFrame().pixel(300, 10) == 0xff0000ffu; }));
    EXPECT_EQ(view->paintedFrame().pixel(10, 10), 0u);
    EXPECT_GT(ui::displayGeneration(), changes);

    // A larger layout painted over everything leaves nothing once the view is small again.
    auto relayout = [&](int height, const std::string& style, int x, int y, std::uint32_t rgba) {
        view->setSize({320, double(height)});
        view->evaluateJavaScript("document.getElementById('d').style.cssText += '" + style + "'");
        return waitFor([&] {
            const auto& f = view->paintedFrame();
            return f.height == height && f.pixel(x, y) == rgba;
        });
    };
    ASSERT_TRUE(
        relayout(200, "left:0;width:320px;height:200px;background:#0000ff", 300, 190, 0x0000ffffu));
    ASSERT_TRUE(relayout(50, "width:100px;height:50px;background:#ff0000", 10, 10, 0xff0000ffu));
    EXPECT_EQ(view->paintedFrame().pixel(300, 40), 0u);
    EXPECT_EQ(view->paintedFrame().pixel(150, 10), 0u);

    // A half-transparent background colour shows where the page paints nothing.
    WebViewSettings tinted = clear;
    tinted.backgroundColor = {1, 0, 0, 0.5};
    view->setSettings(tinted);
    auto nearHalfRed = [](std::uint32_t p) {
        return std::abs(int(p >> 24) - 128) <= 1 && (p >> 8 & 0xffff) == 0 &&
               std::abs(int(p & 0xff) - 128) <= 1;
    };
    ASSERT_TRUE(waitFor([&] { return nearHalfRed(view->paintedFrame().pixel(150, 10)); }))
        << std::hex << view->paintedFrame().pixel(150, 10);
    EXPECT_EQ(view->paintedFrame().pixel(10, 10), 0xff0000ffu);
    auto shot = view->snapshot();
    ASSERT_TRUE(shot);
    EXPECT_TRUE(nearHalfRed(shot->pixel(150, 10))) << std::hex << shot->pixel(150, 10);
}

// What a caller that told the page something can wait for: a frame drawn after the page ran
// it. A transparent page (every ad's) is pictured afresh for each frame, so nothing older than
// that frame shows afterwards either.
TEST_F(WebKitWebViewTest, AFreshFrameShowsWhatTheScriptsSentBeforeItDid) {
    showClearPageWithRedBlock("/fresh.html", 320);
    ASSERT_EQ(view->paintedFrame().pixel(10, 10), 0xff0000ffu);
    std::uint64_t seen = view->paintedFrameNumber();
    for (int i = 0; i < 6; ++i) {
        const bool blue = i % 2 == 0;
        view->evaluateJavaScript(std::string("document.getElementById('d').style.background = '") +
                                 (blue ? "#0000ff'" : "#ff0000'"));
        const std::uint64_t fresh = view->requestFreshFrame();
        EXPECT_GT(fresh, seen);
        // Frames keep coming as the page repaints meanwhile; none goes back to an older one.
        ASSERT_TRUE(turnUntil([&] {
            view->paintedFrame();
            EXPECT_GE(view->paintedFrameNumber(), seen);
            seen = view->paintedFrameNumber();
            return seen >= fresh;
        }));
        EXPECT_EQ(view->paintedFrame().pixel(10, 10), blue ? 0x0000ffffu : 0xff0000ffu) << i;
    }
}

TEST_F(WebKitWebViewTest, ScrollBarsCanBeHiddenWhileThePageStillScrolls) {
    WebViewSettings bare;
    bare.showsScrollBars = false;
    view->setSettings(bare);
    // Overflows both ways by its margin, as a banner made for a phone may.
    page("/wide.html",
         "<!DOCTYPE html><html style='height:100%;background:#2a7a3a'>"
         "<body style='width:100%;height:100%;background:#2a7a3a'></body></html>");
    loadAndWait("/wide.html");
    ASSERT_TRUE(waitFor([&] { return view->paintedFrame().pixel(160, 25) == 0x2a7a3affu; }));
    const auto& frame = view->paintedFrame();
    for (int y = 0; y < 50; ++y)
        for (int x = 300; x < 320; ++x) ASSERT_EQ(frame.pixel(x, y), 0x2a7a3affu) << x << "," << y;
    for (int y = 35; y < 50; ++y)
        for (int x = 0; x < 320; ++x) ASSERT_EQ(frame.pixel(x, y), 0x2a7a3affu) << x << "," << y;

    view->sendScrollEvent({{100, 25}, 0, 120});
    ASSERT_TRUE(waitFor([&] {
        return view->stringByEvaluatingJavaScriptFromString("window.scrollY > 0") == "true";
    }));
}
