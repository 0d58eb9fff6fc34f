// An ad that speaks, preloaded and never touched, on real WebKit against our loopback ad server,
// with the rooms loaded as the program loads them. The engine speaks from the page's own
// process, through the desktop's sound server: with a stand-in for that server of the test's
// own, the ad's processes never reach it before a tap and the page hears that speaking was not
// allowed; after a tap it speaks, as it may play sound. Needs a display: scripts/test runs these
// under xvfb-run.

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

constexpr const char* kSpeechUnit = "ca-movu-speech";

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
    SoundServerWebKitTest() : HostileInterstitialsFixture(kSpeechUnit) {}

    // The utterances' events the page heard, as a JSON list.
    static std::string heard(const std::shared_ptr<GADInterstitial>& ad) {
        return ad->slot()->adView()->webView()->stringByEvaluatingJavaScriptFromString(
            "JSON.stringify(hostile.heard)", 1);
    }
    // Connections of the engine's processes (every caller but the game's own process: the
    // address is in no other program's environment).
    std::size_t engineCalls() const {
        const auto callers = sound.callers();
        return std::size_t(std::count_if(callers.begin(), callers.end(),
                                         [](pid_t caller) { return caller != ::getpid(); }));
    }
};

TEST_F(SoundServerWebKitTest, APreloadedAdReachesNoSoundServerBeforeATapAndSpeaksAfterOne) {
    ASSERT_FALSE(sound.address().empty());
    const auto asked = std::chrono::steady_clock::now();
    auto ad = loadHostile(Hostility::Speech);
    ASSERT_EQ(hostileDelegate->log, (Log{"received"}));
    // It asked to speak as it loaded; the engine went to the sound server within seconds.
    ASSERT_TRUE(waitFor([&] { return heard(ad) != "[]"; })) << heard(ad);
    waitFor([] { return false; }, 5);
    RecordProperty("untouchedHeard", heard(ad));
    RecordProperty("engineCallsUntouched", std::to_string(engineCalls()));
    RecordProperty("gameCallsUntouched", std::to_string(sound.callers().size() - engineCalls()));
    EXPECT_EQ(heard(ad), R"(["untouched error not-allowed"])");
    EXPECT_EQ(engineCalls(), 0u);
    EXPECT_EQ(sound.callers().size(), 0u);
    EXPECT_EQ(ad->slot()->adView()->webView()->stringByEvaluatingJavaScriptFromString(
                  "String(speechSynthesis.speaking || speechSynthesis.pending)", 1),
              "false");

    // Shown and tapped, it may speak, as it may play sound: at no volume, so that a desktop
    // whose other sound roads work stays quiet.
    show(ad);
    ASSERT_EQ(ad->slot()->adView()->webView()->stringByEvaluatingJavaScriptFromString(
                  "String(hostile.volume = 0)", 1),
              "0");
    tap({160, 240});
    EXPECT_TRUE(waitFor([&] {
        return heard(ad).find("tapped start") != std::string::npos && engineCalls() > 0;
    })) << heard(ad);
    RecordProperty("tappedHeard", heard(ad));
    RecordProperty(
        "secondsInAll",
        std::to_string(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count()));
}

}  // namespace
}  // namespace ads
