// What a page's messages may cost on real WebKit: past their own budget they are refused before
// the owner hears them, with one line, while the page's other navigations go on; an address
// longer than any page may ask for is refused in the page's own process where a script of the
// page hands it over, and before the program copies it where none can guard it. Needs a
// display (scripts/test runs it under xvfb-run).

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/base/LogSink.h"
#include "platform/web/tests/webkit/WebKitViewFixture.h"

using namespace platform;
using namespace platform::web;

namespace {

constexpr const char* kScheme = "movu-message";

struct PageMessagesWebKitTest : WebKitViewFixture {
    PageMessagesWebKitTest() : WebKitViewFixture({320, 50}) {}

    void SetUp() override {
        WebKitViewFixture::SetUp();
        if (!view) return;
        auto settings = view->settings();
        settings.messageScheme = kScheme;
        view->setSettings(settings);
    }
    // The navigations the owner was asked about whose URL starts with `prefix`.
    int asked(const std::string& prefix) const { return delegate->count("should " + prefix); }
    std::string evaluate(const std::string& script) {
        return view->stringByEvaluatingJavaScriptFromString(script, 5);
    }
};

// `send(name)` sends a message through a hidden frame, as the ads' pages do; `frame(name)` adds
// a frame that is no message.
constexpr const char* kSenders = R"(<script>
function frame(src) {
  var f = document.createElement('iframe');
  f.style.display = 'none';
  f.src = src;
  document.body.appendChild(f);
  setTimeout(function () { f.remove(); }, 1000);
}
function send(name) { frame('movu-message://owner/' + name); }
</script>)";

}  // namespace

// 40 a second for eight seconds, within the navigations a page may start: the burst and the
// budget's rate reach the owner, the rest do not, one line says so, and the page is not ended.
TEST_F(PageMessagesWebKitTest, MessagesPastTheirBudgetAreRefusedWithOneLineWhileFramesGoOn) {
    LogSink::Capture log;
    view->loadHTMLString(std::string("<body>") + kSenders +
                             "<script>var n = 0; var flood = setInterval(function () {"
                             " send('m' + n++); if (n === 320) clearInterval(flood); }, 25);"
                             "</script>",
                         *Url::parse(server.url("/ad.html")));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(waitFor([&] { return evaluate("String(n)") == "320"; }, 30));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // What was let through has arrived.
    waitFor([] { return false; }, 1);
    const int messages = asked(std::string(kScheme) + "://owner/m");
    EXPECT_GE(messages, kPageMessageBurst);
    EXPECT_LE(messages, kPageMessageBurst + kPageMessagesPerSecond * seconds + 1);
    EXPECT_LT(messages, 320);
    int lines = 0;
    for (const auto& line : log.lines()) lines += line.find("page messages") != std::string::npos;
    EXPECT_EQ(lines, 1) << ::testing::PrintToString(log.lines());
    EXPECT_FALSE(log.contains("it was ended"));

    // Frames that are no messages still load.
    view->evaluateJavaScript("for (var i = 0; i < 10; ++i) frame('about:blank#after' + i)");
    EXPECT_TRUE(waitFor([&] { return asked("about:blank#after") == 10; }));
    EXPECT_EQ(delegate->count("ended"), 0);
}

// Each road a script of the page hands an address over by: nothing of the overlong ones reaches
// the owner, nor even the program's log, and the page finds each assignment (or change of its
// own address in its history) not taken, while a short one is. A frame's own location no script
// of ours can guard: the program refuses it before copying it, with a line, and ends the page.
// An image's long address is no navigation and is kept.
TEST_F(PageMessagesWebKitTest, AnOverlongAddressIsRefusedInThePagesOwnProcessWhereAScriptGivesIt) {
    LogSink::Capture log;
    view->loadHTMLString(std::string("<body>") + kSenders + R"(<script>
var huge = 'movu-message://owner/huge?' + 'x'.repeat(300 * 1024);
// Under the limit as text, over it once each letter is percent-encoded.
var wide = 'movu-message://owner/wide?' + '\u00e9'.repeat(100 * 1024);
var taken = {};
function make(tag) { var e = document.createElement(tag); document.body.appendChild(e); return e; }
function attribute(e, name) { return e.getAttribute(name) !== null; }
var f = make('iframe'); f.src = huge; taken.src = attribute(f, 'src');
f = make('iframe'); f.src = wide; taken.wide = attribute(f, 'src');
f = make('iframe'); f.setAttribute('SRC', huge); taken.setAttribute = attribute(f, 'src');
f = make('iframe'); f.setAttributeNS(null, 'src', huge); taken.setAttributeNS = attribute(f, 'src');
var a = document.createAttribute('src'); a.value = huge; taken.detachedAttr = a.value.length > 0;
f = make('iframe'); f.setAttribute('src', 'about:blank#short');
f.getAttributeNode('src').value = huge; taken.attrValue = f.getAttribute('src') !== 'about:blank#short';
f.getAttributeNode('src').textContent = huge;
taken.attrText = f.getAttribute('src') !== 'about:blank#short';
a = document.createAttribute('src'); a.nodeValue = 'about:blank#x';
f = make('iframe'); f.setAttributeNode(a); a.nodeValue = huge;
taken.attrNode = f.getAttribute('src') !== 'about:blank#x';
var link = make('a'); link.href = huge; taken.href = attribute(link, 'href'); link.click();
var form = make('form'); form.action = huge; taken.action = attribute(form, 'action');
var o = make('object'); o.data = huge; taken.data = attribute(o, 'data');
taken.open = window.open(huge) !== null;
var address = location.href, past = '?' + 'x'.repeat(300 * 1024);
history.pushState(null, '', past); taken.pushState = location.href !== address;
history.replaceState({}, '', past); taken.replaceState = location.href !== address;
history.pushState(null, '', '?short');
var shortTaken = location.search === '?short';
// Not navigations: an image's long data: address is the page's own business.
var img = make('img'); img.src = 'data:image/png;base64,' + 'A'.repeat(300 * 1024);
var imageKept = img.getAttribute('src').length > 300 * 1024;
frame('movu-message://owner/short');
</script>)",
                         *Url::parse(server.url("/ad.html")));
    ASSERT_TRUE(waitFor([&] { return asked(std::string(kScheme) + "://owner/short") == 1; }));
    EXPECT_EQ(evaluate("JSON.stringify(taken)"),
              R"({"src":false,"wide":false,"setAttribute":false,"setAttributeNS":false,)"
              R"("detachedAttr":false,"attrValue":false,"attrText":false,"attrNode":false,)"
              R"("href":false,"action":false,"data":false,"open":false,"pushState":false,)"
              R"("replaceState":false})");
    EXPECT_EQ(evaluate("String(imageKept && shortTaken)"), "true");
    waitFor([] { return false; }, 0.5);
    EXPECT_EQ(asked(std::string(kScheme) + "://owner/huge"), 0);
    EXPECT_EQ(asked(std::string(kScheme) + "://owner/wide"), 0);
    EXPECT_FALSE(log.contains("bytes refused")) << ::testing::PrintToString(log.lines());

    // A frame's own location crosses to the program, which refuses it unread and ends the page:
    // the engine keeps what crossed for as long as the page lives.
    view->evaluateJavaScript(
        "f = make('iframe'); f.contentWindow.location.replace(huge);"
        "setTimeout(function () { frame('movu-message://owner/after'); }, 50)");
    ASSERT_TRUE(waitFor([&] { return delegate->count("ended") == 1; }));
    EXPECT_EQ(delegate->errors.back().code, kWebViewErrorPageEnded);
    EXPECT_TRUE(log.contains("bytes refused"));
    EXPECT_TRUE(log.contains("longer address than a page may; it was ended"));
    waitFor([] { return false; }, 0.5);
    EXPECT_EQ(asked(std::string(kScheme) + "://owner/huge"), 0);
    EXPECT_EQ(asked(std::string(kScheme) + "://owner/after"), 0);
}
