// A page's budget of navigations on real WebKit: a burst reaches the view's owner whole, a
// flood of frames is cut off and its page ended, and the view, its owner and the other views
// of the same web process go on. Needs a display (scripts/test runs it under xvfb-run).

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/base/LogSink.h"
#include "platform/web/tests/webkit/WebKitViewFixture.h"

using namespace platform;
using namespace platform::web;

namespace {

struct NavigationBudgetWebKitTest : WebKitViewFixture {
    NavigationBudgetWebKitTest() : WebKitViewFixture({320, 50}) {}

    bool waitForCall(const std::string& prefix) {
        return waitFor([&] { return delegate->count(prefix) >= 1; });
    }
    // The navigations the owner was asked about whose URL starts with `prefix`.
    int asked(const std::string& prefix) const { return delegate->count("should " + prefix); }
};

constexpr const char* kFrames = R"(<script>
function frames(count, name) {
  for (var i = 0; i < count; ++i) {
    var f = document.createElement('iframe');
    f.style.display = 'none';
    f.src = 'about:blank#' + name + i;
    document.body.appendChild(f);
    if (document.body.children.length > 400) document.body.removeChild(document.body.children[1]);
  }
}
function flood() { frames(200, 'flood'); setTimeout(flood, 10); }
</script>)";

}  // namespace

TEST_F(NavigationBudgetWebKitTest, AFloodOfFramesIsCutOffAndItsPageEndedWhileTheViewsGoOn) {
    auto neighbour = WebView::create({320, 50});
    auto neighbourDelegate = std::make_shared<RecordingWebViewDelegate>();
    neighbour->setDelegate(neighbourDelegate);
    neighbour->loadHTMLString("<p>neighbour</p>", *Url::parse(server.url("/neighbour.html")));
    LogSink::Capture log;
    view->loadHTMLString(std::string("<body>") + kFrames + "<script>frames(60, 'start')</script>",
                         *Url::parse(server.url("/ad.html")));
    ASSERT_TRUE(waitForCall("finish"));
    ASSERT_TRUE(waitFor([&] { return neighbourDelegate->count("finish") == 1; }));
    // A page's start-up burst is asked about whole, and nothing is logged.
    ASSERT_TRUE(waitFor([&] { return asked("about:blank#start") == 60; }))
        << asked("about:blank#start");
    EXPECT_FALSE(log.contains("refused"));

    const auto start = std::chrono::steady_clock::now();
    view->evaluateJavaScript("flood()");
    ASSERT_TRUE(waitFor([&] { return delegate->count("ended") == 1; }, 60))
        << asked("about:blank#flood");
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    RecordProperty("secondsToTheEnd", std::to_string(seconds));
    RecordProperty("floodFramesAsked", std::to_string(asked("about:blank#flood")));
    // Beside a machine's other work the page's process, creating frames as fast as it can, can
    // reach its busy or answer watch before the page's refusals reach the hundred that end it:
    // the process is then ended with every view in it, within the same bounds.
    EXPECT_EQ(delegate->errors.back().domain, kWebViewErrorDomain);
    const bool processEnded = delegate->errors.back().code == kWebViewErrorWebProcessEnded;
    if (!processEnded) {
        EXPECT_EQ(delegate->errors.back().code, kWebViewErrorPageEnded);
    }
    RecordProperty("processEnded", processEnded ? "yes" : "no");
    // What reached the owner stays within the page's budget, however fast the page went.
    EXPECT_LE(asked("about:blank#flood"),
              kPageNavigationBurst + kPageNavigationsPerSecond * seconds + 1);
    // One line says the rest are refused, one that the page was ended. (A process ended by its
    // watch may have been ended before the game, taking the page's navigations more slowly than
    // the budget fills again, refused any.)
    int refusedLines = 0, endedLines = 0;
    for (const auto& line : log.lines()) {
        refusedLines += line.find("the rest are refused") != std::string::npos;
        endedLines += line.find("it was ended") != std::string::npos;
    }
    if (processEnded) {
        EXPECT_LE(refusedLines, 1);
        EXPECT_EQ(endedLines, 0);
    } else {
        EXPECT_EQ(refusedLines, 1);
        EXPECT_EQ(endedLines, 1);
    }

    // The flood is over: nothing more of the page reaches the owner, not even the load of the
    // empty page in its place, and the page's scripts are gone with it.
    delegate->calls.clear();
    waitFor([] { return false; }, 2);
    EXPECT_TRUE(delegate->calls.empty()) << ::testing::PrintToString(delegate->calls);
    // (With patience: the process is still taking down what the flood made, and beside other
    // work that takes more than the second a script is given by default.)
    const std::string flood = view->stringByEvaluatingJavaScriptFromString("typeof flood", 15);
    EXPECT_TRUE(flood == "undefined" || (processEnded && flood.empty())) << flood;
    // The other view of the same process goes on, and this one loads again with a new budget.
    // Should their process have been ended (by its watch during the flood, or, beside a
    // machine's other work, by its busy watch while it takes down the flood's frames), the
    // neighbour is told so and loads again.
    std::string neighbourText =
        neighbour->stringByEvaluatingJavaScriptFromString("document.body.textContent", 15);
    if (processEnded || neighbourText != "neighbour") {
        ASSERT_TRUE(waitFor([&] { return neighbourDelegate->count("ended") == 1; }))
            << neighbourText;
        const int finished = neighbourDelegate->count("finish");
        neighbour->loadHTMLString("<p>neighbour</p>", *Url::parse(server.url("/neighbour.html")));
        ASSERT_TRUE(waitFor([&] { return neighbourDelegate->count("finish") > finished; }, 40));
        neighbourText =
            neighbour->stringByEvaluatingJavaScriptFromString("document.body.textContent", 15);
    }
    EXPECT_EQ(neighbourText, "neighbour");
    const auto loadAgain = [&] {
        view->loadHTMLString(
            std::string("<body>") + kFrames + "<script>frames(60, 'again')</script>",
            *Url::parse(server.url("/again.html")));
        // (A process just started for it takes longer than a load usually does on a busy
        // machine.)
        return waitFor(
            [&] { return delegate->count("finish") >= 1 || delegate->count("ended") >= 1; }, 40);
    };
    ASSERT_TRUE(loadAgain()) << ::testing::PrintToString(delegate->calls);
    // Beside a machine's other work the process still taking down the flood's frames can reach
    // its busy watch during this load and be ended with it; the next load has a new process.
    if (delegate->count("ended") >= 1) {
        EXPECT_EQ(delegate->errors.back().code, kWebViewErrorWebProcessEnded);
        delegate->calls.clear();
        ASSERT_TRUE(loadAgain()) << ::testing::PrintToString(delegate->calls);
    }
    ASSERT_EQ(delegate->count("finish"), 1) << ::testing::PrintToString(delegate->calls);
    ASSERT_TRUE(waitFor([&] { return asked("about:blank#again") == 60; }))
        << asked("about:blank#again");
    EXPECT_EQ(delegate->count("ended"), 0);
}

namespace {

// A page that changes its own address in place, task after task without a pause (a message
// channel's tasks are not slowed as timers are), and says it is alive every 0.1 s with a
// request of its own; `step` is one task's changes.
std::string inPlaceFlood(const std::string& step) {
    return "<body><script>\n"
           "var n = 0, big = 'h'.repeat(100000), long = 'p'.repeat(200000);\n"
           "setInterval(function () { new Image().src = '/beat?n=' + n; }, 100);\n"
           "var channel = new MessageChannel();\n"
           "channel.port1.onmessage = function () { step(); channel.port2.postMessage(0); };\n"
           "function step() {\n" +
           step +
           "\n}\n"
           "function flood() { channel.port2.postMessage(0); }\n"
           "</script></body>";
}

}  // namespace

// A page's same-document navigations cost the program as any navigation does (each is a message
// the engine decodes and converts in the program, a fragment navigated to without waiting for
// its answer), and a page past its budget ends however fast it goes: its scripts stop before it
// can outrun the empty page that takes its place. Three floods: short fragments, 200 a task;
// unique fragments of 100 KB, 10 a task; and history.pushState of 200 KB addresses, 200 a task,
// as many as the engine lets through (100 in 10 s) and the rest refused by the engine.
TEST_F(NavigationBudgetWebKitTest, ASameDocumentFloodEndsItsPageAtOnceAndItsScriptsStop) {
    const struct {
        const char* name;
        const char* step;
    } floods[] = {
        {"small fragments", "for (var i = 0; i < 200; ++i) location.hash = 's' + (n++ % 2 + 1);"},
        {"large fragments", "for (var i = 0; i < 10; ++i) location.hash = big + n++;"},
        {"history",
         "for (var i = 0; i < 200; ++i) {\n"
         "  try { history.pushState(null, '', '?' + long + n++); } catch (e) {}\n"
         "}"},
    };
    for (const auto& flood : floods) {
        SCOPED_TRACE(flood.name);
        delegate = std::make_shared<RecordingWebViewDelegate>();
        view->setDelegate(delegate);
        LogSink::Capture log;
        view->loadHTMLString(inPlaceFlood(flood.step), *Url::parse(server.url("/ad.html")));
        ASSERT_TRUE(waitForCall("finish"));
        ASSERT_TRUE(waitFor([&] { return server.requestCount("/beat") > 0; }));
        view->runJavaScript("flood()");
        ASSERT_TRUE(waitFor([&] { return log.contains("it was ended"); }, 60));
        const auto ended = std::chrono::steady_clock::now();
        // The empty page takes its place at once, and the owner hears the page is gone.
        ASSERT_TRUE(waitFor([&] {
            return view->url() && view->url()->absoluteString() == "about:blank";
        })) << (view->url() ? view->url()->absoluteString().substr(0, 100) : "no address");
        const double toTheEmptyPage =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - ended).count();
        RecordProperty(std::string("seconds from the end to the empty page, ") + flood.name,
                       std::to_string(toTheEmptyPage));
        EXPECT_LT(toTheEmptyPage, 5.0);
        EXPECT_EQ(delegate->count("ended"), 1);
        // Nothing of the page runs any more: it says it is alive no more (once what it had
        // asked before has arrived).
        waitFor([] { return false; }, 0.3);
        const std::size_t beats = server.requestCount("/beat");
        waitFor([] { return false; }, 1);
        EXPECT_EQ(server.requestCount("/beat"), beats);
        // The view loads again, scripts and all (with patience: beside a machine's other work the
        // process is still taking down what the flood made).
        view->loadHTMLString("<script>document.title = 'again'</script>",
                             *Url::parse(server.url("/again.html")));
        ASSERT_TRUE(waitFor([&] { return view->title() == "again"; }, 40))
            << view->title() << " " << ::testing::PrintToString(delegate->calls);
    }
}
