// What a page can leave behind outside its view through the libraries under the engine, and in
// the game's log through the engine's own refusals: real pages on the loopback ad server, the
// rooms loaded as the program loads them, in this program's fresh home and caches.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "ads/slot/GADInterstitial.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/tests/HostileInterstitialsFixture.h"
#include "ads/slot/tests/home/BytesUnder.h"
#include "ads/web/GADAdView.h"
#include "platform/base/LogSink.h"
#include "platform/web/WebView.h"

namespace ads {
namespace {

namespace fs = std::filesystem;
using platform::LogSink;
using testing::bytesUnder;

constexpr const char* kUnit = "ca-movu-traces";

class PageTracesWebKitTest : public testing::HostileInterstitialsFixture {
  protected:
    PageTracesWebKitTest() : HostileInterstitialsFixture(kUnit) {}

    // A number the page keeps, asked with a second of patience (NaN before the page has it).
    static double pageNumber(const std::shared_ptr<GADInterstitial>& ad,
                             const std::string& expression) {
        const std::string answer =
            ad->slot()->adView()->webView()->stringByEvaluatingJavaScriptFromString(
                "String(" + expression + ")", 1);
        return std::strtod(answer.c_str(), nullptr);
    }
    // Real seconds of the page's life, the loop turning.
    void let(double seconds) {
        waitFor([] { return false; }, seconds);
    }
};

// A page's WebGL compiles in its web process with Mesa, which kept every program it compiled in
// the user's cache folder: 600 programs in 10 s were 3.35 MB in 1,739 files under
// $XDG_CACHE_HOME/mesa_shader_cache, which Mesa lets grow to a gigabyte.
TEST_F(PageTracesWebKitTest, APagesShadersLeaveNothingInTheUsersCache) {
    const char* caches = std::getenv("XDG_CACHE_HOME");
    ASSERT_NE(caches, nullptr);
    const fs::path shaders = fs::path(caches) / "mesa_shader_cache";
    const auto before = bytesUnder(shaders);
    auto ad = loadPage(R"(<canvas id="c" width="8" height="8"></canvas><script>
var gl = document.getElementById('c').getContext('webgl'), k = 0;
window.compiled = gl ? 0 : -1;
function batch() {
  for (var j = 0; j < 20; ++j, ++k) {
    var vs = gl.createShader(gl.VERTEX_SHADER);
    gl.shaderSource(vs, 'attribute vec2 p; void main() { gl_Position = vec4(p * ' + k + '.0, 0.0, 1.0); }');
    gl.compileShader(vs);
    var fs = gl.createShader(gl.FRAGMENT_SHADER);
    gl.shaderSource(fs, 'precision mediump float; void main() { gl_FragColor = vec4(' + k + '.0 / 1e6, 0.5, 0.2, 1.0); }');
    gl.compileShader(fs);
    var p = gl.createProgram(); gl.attachShader(p, vs); gl.attachShader(p, fs);
    gl.linkProgram(p);
    if (gl.getProgramParameter(p, gl.LINK_STATUS)) window.compiled++;
    gl.useProgram(p); gl.drawArrays(gl.TRIANGLES, 0, 3);
  }
  if (k < 300) setTimeout(batch, 20);
}
if (gl) batch();</script>)");
    // WebGL still works for the page: its programs compile and link, only nobody keeps them.
    // Compiling is work for the page's process (Mesa's software renderer here), which a busy
    // machine can make it look too busy to go on with: ended by its watch part of the way, it
    // still compiled enough to show where they went.
    LogSink::Capture log;
    double compiled = 0;
    const bool all = waitFor(
        [&] {
            const double now = pageNumber(ad, "window.compiled");
            if (now > compiled) compiled = now;
            return compiled >= 300 || log.contains("ended itself");
        },
        30);
    RecordProperty("compiled", std::to_string(compiled));
    ASSERT_TRUE(all) << compiled;
    ASSERT_GE(compiled, 40) << ::testing::PrintToString(log.lines());
    RecordProperty("cacheBytesAdded", std::to_string(bytesUnder(shaders) - before));
    EXPECT_EQ(bytesUnder(shaders), before);
}

// What the engine and the view refuse a page is logged out of the ad's one budget: requests of
// our intercepted-resource scheme without its token (2,000 fetches wrote 2,000 lines in 8 s),
// frames of a malformed address and of an overlong one (as many as a page may start at once).
TEST_F(PageTracesWebKitTest, RefusalsOfItsRequestsKeepToTheAdsLogBudget) {
    LogSink::Capture log;
    auto ad = loadPage(R"(<script>
var asked = [];
for (var i = 0; i < 2000; ++i)
  asked.push(fetch('movuroute-resource://intercept/?u=' + i).catch(function () {}));
var long = location.origin + '/' + 'x'.repeat(300 * 1024);
for (var i = 0; i < 40; ++i) { send('http://[' + i); send(long + i); }
Promise.all(asked).then(function () { window.done = 1; });
</script>)");
    ASSERT_TRUE(waitFor([&] { return pageNumber(ad, "window.done") == 1; }, 30));
    let(2);
    RecordProperty("lines", std::to_string(log.lines().size()));
    // The budget's lines, its one "dropped" line, and the ad's own few (received, shown).
    EXPECT_LE(log.lines().size(), 110u) << ::testing::PrintToString(log.lines());
}

}  // namespace
}  // namespace ads
