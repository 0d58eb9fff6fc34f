// An ad that makes sound of every kind, preloaded and never touched, on real WebKit against our
// loopback ad server, with the rooms loaded as the program loads them. The engine speaks and
// plays from the page's own process, through the desktop's sound server: with a stand-in for
// that server of the test's own, the ad's processes never reach it before a tap, however many
// of the game's own scripts the page hears and tries inside, and the page hears that sound was
// not allowed; after a tap it speaks and its tone plays. Needs a display: scripts/test runs
// these under xvfb-run.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "ads/slot/GADInterstitial.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/tests/HostileInterstitialsFixture.h"
#include "ads/web/GADAdView.h"
#include "platform/testing/SoundServer.h"
#include "platform/web/WebView.h"

namespace ads {
namespace {

using tools::adserver::Hostility;

constexpr const char* kSoundUnit = "ca-movu-sound";

// The stand-in, named in the environment before the fixture starts any thread of its own: the
// engine's processes, started later, inherit the name.
struct WithSoundServer {
    WithSoundServer() {
        if (!sound.address().empty()) ::setenv("PULSE_SERVER", sound.address().c_str(), 1);
    }
    ~WithSoundServer() { ::unsetenv("PULSE_SERVER"); }
    platform::testing::SoundServerStandIn sound;
};

class SoundServerWebKitTest : protected WithSoundServer,
                              public testing::HostileInterstitialsFixture {
  protected:
    SoundServerWebKitTest() : HostileInterstitialsFixture(kSoundUnit) {}

    static std::string ask(const std::shared_ptr<GADInterstitial>& ad, const std::string& what) {
        return ad->slot()->adView()->webView()->stringByEvaluatingJavaScriptFromString(what, 1);
    }
    // Connections of the engine's processes (every caller but the game's own process: the
    // address is in no other program's environment).
    std::size_t engineCalls() const {
        const auto callers = sound.callers();
        return std::size_t(std::count_if(callers.begin(), callers.end(),
                                         [](pid_t caller) { return caller != ::getpid(); }));
    }
};

TEST_F(SoundServerWebKitTest, APreloadedAdReachesNoSoundServerBeforeATapAndSoundsAfterOne) {
    ASSERT_FALSE(sound.address().empty());
    auto ad = loadHostile(Hostility::Sound);
    ASSERT_EQ(hostileDelegate->log, (Log{"received"}));
    // Preloaded, it hears the answer to its question; shown, the game's events of showing it.
    // Each is a script the game runs in the page, and the page tries every sound inside.
    ASSERT_TRUE(waitFor([&] {
        return ask(ad, "String(hostile.events.indexOf('openableURLs') >= 0)") == "true";
    })) << ask(ad, "JSON.stringify(hostile)");
    show(ad);
    ASSERT_TRUE(waitFor([&] {
        return ask(ad, "String(hostile.events.indexOf('onshow') >= 0)") == "true";
    })) << ask(ad, "JSON.stringify(hostile)");
    ASSERT_TRUE(waitFor([&] {
        return ask(ad,
                   "String(hostile.events.length >= 2 && hostile.heard.length >= "
                   "hostile.events.length + 1 && hostile.played.length >= "
                   "hostile.events.length + 1)") == "true";
    })) << ask(ad, "JSON.stringify(hostile)");
    // A moment more, for anything that would follow.
    waitFor([] { return false; }, 2);
    const std::string untouched = ask(ad, "JSON.stringify(hostile)");
    RecordProperty("untouched", untouched);
    RecordProperty("engineCallsUntouched", std::to_string(engineCalls()));
    EXPECT_EQ(engineCalls(), 0u) << untouched;
    EXPECT_EQ(sound.callers().size(), 0u);
    // Every utterance refused, the context still suspended (the engine keeps its resumptions
    // waiting for a tap), and nothing played.
    EXPECT_EQ(ask(ad,
                  "String(hostile.heard.every(function (e) { return / error "
                  "not-allowed$/.test(e); }))"),
              "true")
        << untouched;
    EXPECT_EQ(ask(ad,
                  "String(hostile.context.every(function (e) { return "
                  "/NotAllowedError$/.test(e); }))"),
              "true")
        << untouched;
    EXPECT_EQ(ask(ad,
                  "String(hostile.played.every(function (e) { return "
                  "/NotAllowedError$/.test(e); }))"),
              "true")
        << untouched;
    EXPECT_EQ(ask(ad, "hostile.state()"), "suspended");
    EXPECT_EQ(ask(ad, "String(speechSynthesis.speaking || speechSynthesis.pending)"), "false");

    // Tapped, it may speak and play, as any page may: at no volume, so that a desktop whose
    // other sound roads work stays quiet.
    ASSERT_EQ(ask(ad, "String(hostile.volume = 0)"), "0");
    tap({160, 240});
    EXPECT_TRUE(waitFor([&] {
        return ask(ad,
                   "String(hostile.heard.indexOf('tapped start') >= 0 && "
                   "hostile.context.indexOf('tapped running') >= 0)") == "true";
    })) << ask(ad, "JSON.stringify(hostile)");
    // The tone plays: the context's clock runs.
    const std::string time = ask(ad, "String(hostile.time())");
    EXPECT_TRUE(waitFor([&] { return ask(ad, "String(hostile.time())") != time; }));
    EXPECT_EQ(ask(ad, "hostile.state()"), "running");
    EXPECT_GT(engineCalls(), 0u);
    // The <audio> is no longer refused. (The engine starts no media element of a view that is
    // in no on-screen window, as ours are: an ad's video plays in the game's own player.)
    EXPECT_EQ(ask(ad, "String(hostile.played.indexOf('tapped NotAllowedError'))"), "-1");
    RecordProperty("tapped", ask(ad, "JSON.stringify(hostile)"));
}

}  // namespace
}  // namespace ads
