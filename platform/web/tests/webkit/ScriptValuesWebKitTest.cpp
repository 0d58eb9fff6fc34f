// What a page gives back to the program's scripts, on real WebKit: a script's value is whatever
// the page's functions inside it return, so only what the caller takes crosses to the program,
// a string measured in the page's own process before anything converts it, and of what a script
// threw only that it threw. Needs a display (scripts/test runs it under xvfb-run).

#include <gtest/gtest.h>

#include <cstddef>
#include <optional>
#include <string>

#include "platform/base/LogSink.h"
#include "platform/web/WebProcessExtensionProtocol.h"
#include "platform/web/tests/webkit/WebKitViewFixture.h"

#if defined(__SANITIZE_ADDRESS__)
#define MOVU_SCRIPT_VALUES_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MOVU_SCRIPT_VALUES_HEAP 1
#endif
#endif
#if defined(MOVU_SCRIPT_VALUES_HEAP)
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

using namespace platform;
using namespace platform::web;

namespace {

std::size_t heapBytes() {
#if defined(MOVU_SCRIPT_VALUES_HEAP)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

// Values that cost whoever turns them into text: a 48 MiB string, and objects whose every
// conversion (a Proxy's traps, a toString, a getter of "message") is the page's code, huge or
// slow; `touched` counts the page's code run for anybody.
constexpr const char* kValues = R"(<script>
window.touched = 0;
var big = 'x'.repeat(48 << 20);
function huge() { touched++; return big; }
function slow() { touched++; var end = Date.now() + 3000; while (Date.now() < end); return 's'; }
var proxy = new Proxy(function () {}, {
  get: huge, has: huge, getOwnPropertyDescriptor: huge, ownKeys: huge, getPrototypeOf: huge,
  apply: huge
});
var hugeText = {toString: huge, valueOf: huge, get message() { return huge(); }};
var slowText = {toString: slow, valueOf: slow, get name() { return slow(); }};
var error = new Error('e'); error.toString = huge;
</script>)";

struct ScriptValuesWebKitTest : WebKitViewFixture {
    ScriptValuesWebKitTest() : WebKitViewFixture({320, 50}) {}

    struct Answer {
        std::string value;
        std::optional<Error> error;
    };
    Answer evaluate(const std::string& script, std::size_t longest = WebView::kLongestScriptValue) {
        std::optional<Answer> answer;
        view->evaluateJavaScript(
            script,
            [&](const std::string& value, const std::optional<Error>& error) {
                answer = Answer{value, error};
            },
            longest);
        EXPECT_TRUE(waitFor([&] { return answer.has_value(); })) << script;
        return answer.value_or(Answer{});
    }
    std::optional<Error> run(const std::string& script) {
        std::optional<std::optional<Error>> done;
        view->runJavaScript(script, [&](const std::optional<Error>& error) { done = error; });
        EXPECT_TRUE(waitFor([&] { return done.has_value(); })) << script;
        return done.value_or(std::nullopt);
    }
    static bool refused(const Answer& answer) {
        return answer.value.empty() && answer.error &&
               answer.error->is(kWebViewErrorDomain, kWebViewErrorScriptValueTooLong);
    }
};

}  // namespace

TEST_F(ScriptValuesWebKitTest, OnlyWhatTheCallerTakesCrossesAndNothingOfThePagesRunsForIt) {
    view->loadHTMLString(kValues, *Url::parse(server.url("/values.html")));
    ASSERT_TRUE(waitFor([&] { return delegate->count("finish") == 1; }));
    ASSERT_EQ(evaluate("String(big.length)").value, std::to_string(48 << 20));
    LogSink::Capture log;
    const std::size_t heapBefore = heapBytes();

    // A string is measured as the page counts it (UTF-16 code units), against what the caller
    // takes: "é" is two bytes here and one character there.
    EXPECT_EQ(evaluate("'\u00e9'.repeat(16384)").value.size(), 2u * 16384);
    EXPECT_TRUE(refused(evaluate("'\u00e9'.repeat(16385)")));
    EXPECT_EQ(evaluate("'\u00e9'.repeat(16385)", 20000).value.size(), 2u * 16385);
    EXPECT_EQ(evaluate("6 * 7", 1).value, "42");
    // The page's 48 MiB, asked for again and again: refused in the page each time, one line of
    // the page's budget each.
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(refused(evaluate("big")));
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("big"), "");
    int lines = 0;
    for (const auto& line : log.lines()) lines += line.find("was refused") != std::string::npos;
    EXPECT_EQ(lines, 7);

    // A script whose value nobody takes asks for none, whatever it is; one that threw says only
    // that it threw, whatever it threw.
    for (const char* value : {"big", "proxy", "hugeText", "slowText", "error"}) {
        SCOPED_TRACE(value);
        EXPECT_FALSE(run(value).has_value());
        const auto returned = evaluate(value);
        EXPECT_EQ(returned.value, "");
        EXPECT_FALSE(returned.error.has_value() && !refused(returned));
        const auto thrown = evaluate(std::string("throw ") + value);
        ASSERT_TRUE(thrown.error.has_value());
        EXPECT_EQ(thrown.error->localizedDescription(), kWebExtensionScriptThrew);
        const auto thrownUnasked = run(std::string("throw ") + value);
        ASSERT_TRUE(thrownUnasked.has_value());
        EXPECT_EQ(thrownUnasked->localizedDescription(), kWebExtensionScriptThrew);
    }
    EXPECT_EQ(evaluate("String(touched)").value, "0");
    const long long grown =
        static_cast<long long>(heapBytes()) - static_cast<long long>(heapBefore);
    RecordProperty("heapGrowthBytes", std::to_string(grown));
    EXPECT_LT(grown, 4 << 20);
}
