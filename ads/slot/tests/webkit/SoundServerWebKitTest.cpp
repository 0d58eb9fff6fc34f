// An ad that makes sound of every kind, preloaded and never touched, on real WebKit against our
// loopback ad server, with the rooms loaded as the program loads them. The engine speaks and
// plays from the page's own process, through the desktop's sound server. With a stand-in for
// that server of the test's own, that turns every client away, the ad's processes never reach
// it before a tap, however many of the game's own scripts the page hears and tries inside, and
// the page hears that sound was not allowed; after a tap it speaks and its tone plays. With the
// desktop's own server (Debian's daemon, of the test's own, playing to a null sink whose
// monitor the test records), a tapped ad is heard there: its speech and its tone play while
// the page goes on answering, and nothing before the tap reaches the server. Needs a display:
// scripts/test runs these under xvfb-run.

#include <errno.h>
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
#include "platform/base/LogSink.h"
#include "platform/testing/PulseAudioServer.h"
#include "platform/testing/SoundServer.h"
#include "platform/testing/TempDir.h"
#include "platform/web/WebView.h"

namespace ads {
namespace {

using platform::LogSink;
using platform::testing::PulseAudioServer;
using tools::adserver::Hostility;

constexpr const char* kSoundUnit = "ca-movu-sound";

// A server's address and what keeps its clients off the user's files, named in the
// environment before the fixture starts any thread of its own: the engine's processes,
// started later, inherit them.
template <class Server>
struct WithServer {
    WithServer() {
        if (sound.address().empty()) return;
        for (const auto& [name, value] : sound.clientEnvironment())
            environment.push_back(
                std::make_unique<platform::testing::ScopedEnv>(name.c_str(), value));
    }
    Server sound;
    std::vector<std::unique_ptr<platform::testing::ScopedEnv>> environment;
};
// The stand-in.
using WithSoundServer = WithServer<platform::testing::SoundServerStandIn>;
// The daemon.
using WithPulseAudio = WithServer<PulseAudioServer>;

std::string ask(const std::shared_ptr<GADInterstitial>& ad, const std::string& what) {
    return ad->slot()->adView()->webView()->stringByEvaluatingJavaScriptFromString(what, 1);
}

// Lines of the log that contain any of the texts.
std::vector<std::string> linesWith(const LogSink::Capture& log,
                                   const std::vector<std::string>& texts) {
    std::vector<std::string> found;
    for (const auto& line : log.lines()) {
        if (std::any_of(texts.begin(), texts.end(), [&](const std::string& text) {
                return line.find(text) != std::string::npos;
            })) {
            found.push_back(line);
        }
    }
    return found;
}
// What the web processes wrote of the held audio sink: GLib's warnings name its type or one
// of its elements, as when the engine set a property the sink did not have.
std::vector<std::string> heldSinkLines(const LogSink::Capture& log) {
    return linesWith(log, {"MovuHeldAudioSink", "movuheldaudiosink"});
}
// The program's word that a web process was ended, ended itself or did not answer.
std::vector<std::string> endedProcessLines(const LogSink::Capture& log) {
    return linesWith(log, {"it is ended", "ended itself", "process ended", "process crashed",
                           "process was ended", "does not answer", "process went over"});
}

template <class Server>
class SoundFixture : protected Server, public testing::HostileInterstitialsFixture {
  protected:
    SoundFixture() : HostileInterstitialsFixture(kSoundUnit) {}

    // The sound creative, preloaded and shown: it heard the answer to its question and the
    // game's events of showing it, each a script the game runs in the page, and tried every
    // sound inside; then a moment more, for anything that would follow.
    std::shared_ptr<GADInterstitial> showUntouched() {
        auto ad = loadHostile(Hostility::Sound);
        EXPECT_EQ(hostileDelegate->log, (Log{"received"}));
        EXPECT_TRUE(waitFor([&] {
            return ask(ad, "String(hostile.events.indexOf('openableURLs') >= 0)") == "true";
        })) << ask(ad, "JSON.stringify(hostile)");
        show(ad);
        EXPECT_TRUE(waitFor([&] {
            return ask(ad, "String(hostile.events.indexOf('onshow') >= 0)") == "true";
        })) << ask(ad, "JSON.stringify(hostile)");
        EXPECT_TRUE(waitFor([&] {
            return ask(ad,
                       "String(hostile.events.length >= 2 && hostile.heard.length >= "
                       "hostile.events.length + 1 && hostile.played.length >= "
                       "hostile.events.length + 1)") == "true";
        })) << ask(ad, "JSON.stringify(hostile)");
        waitFor([] { return false; }, 2);
        return ad;
    }
};

class SoundServerWebKitTest : public SoundFixture<WithSoundServer> {
  protected:
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
    LogSink::Capture log;
    auto ad = showUntouched();
    if (HasFailure()) return;
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
    // The engine's sinks took every property it gave them.
    EXPECT_EQ(heldSinkLines(log), std::vector<std::string>{});
}

class RealSoundServerWebKitTest : public SoundFixture<WithPulseAudio> {
  protected:
    // The page's heartbeat, -1 when the page does not answer.
    static long beats(const std::shared_ptr<GADInterstitial>& ad) {
        const std::string beats = ask(ad, "String(hostile.beats)");
        return beats.empty() ? -1 : std::atol(beats.c_str());
    }
    // What the utterances of taps heard.
    static std::string heardAfterTaps(const std::shared_ptr<GADInterstitial>& ad) {
        return ask(ad,
                   "hostile.heard.filter(function (e) { return /^tapped /.test(e); })"
                   ".join()");
    }
    // How clearly the oscillator's tone is in what the null sink played (past the first
    // `from` samples).
    double toneRecorded(std::size_t from = 0) const {
        auto recording = sound.recording();
        recording.erase(recording.begin(),
                        recording.begin() + std::ptrdiff_t(std::min(from, recording.size())));
        return platform::testing::loudestToneShare(recording, 440,
                                                   PulseAudioServer::kRecordingRate);
    }
    std::string whatTheServerSaw() const {
        return "clients:\n" + platform::testing::describe(sound.clients()) + "streams:\n" +
               platform::testing::describe(sound.sinkInputs()) + "tone share " +
               std::to_string(toneRecorded()) + " in " + std::to_string(sound.recording().size()) +
               " samples\n" + sound.log();
    }
};

TEST_F(RealSoundServerWebKitTest, ATappedAdIsHeardOnTheSoundServerAndGoesOnAnswering) {
    ASSERT_FALSE(sound.address().empty()) << sound.log();
    ASSERT_TRUE(sound.startRecording());
    LogSink::Capture log;
    auto ad = showUntouched();
    if (HasFailure()) return;

    // Untouched: no stream, and no connection of anyone but the test's own lister and recorder.
    EXPECT_EQ(sound.connectionsByOthers(), 0) << whatTheServerSaw();
    EXPECT_EQ(sound.sinkInputs().size(), 0u) << whatTheServerSaw();
    EXPECT_EQ(ask(ad, "hostile.state()"), "suspended");
    const long untouchedBeats = beats(ad);
    EXPECT_GT(untouchedBeats, 0);

    // Tapped at full volume (the null sink is no desktop's speaker): the sentence is spoken to
    // its end, the context runs and its oscillator's tone reaches the server, from the web
    // process.
    tap({160, 240});
    ASSERT_TRUE(waitFor([&] {
        const std::string heard = heardAfterTaps(ad);
        return heard.find("tapped start") != std::string::npos &&
               heard.find("tapped end") != std::string::npos &&
               ask(ad, "String(hostile.context.indexOf('tapped running') >= 0)") == "true";
    })) << ask(ad, "JSON.stringify(hostile)")
        << "\n"
        << whatTheServerSaw();
    const std::string time = ask(ad, "String(hostile.time())");
    EXPECT_TRUE(waitFor([&] { return ask(ad, "String(hostile.time())") != time; }));
    EXPECT_TRUE(waitFor([&] { return toneRecorded() > 0.8; })) << whatTheServerSaw();
    const auto streams = sound.sinkInputs();
    RecordProperty("streams", platform::testing::describe(streams));
    for (const auto& stream : streams) {
        EXPECT_GT(stream.process(), 0) << whatTheServerSaw();
        EXPECT_NE(stream.process(), ::getpid()) << whatTheServerSaw();
    }
    // The oscillator's stream carries what the engine asked of the sink it picked: the role
    // it gives a context's output, and the program's name for the client.
    const auto context = std::find_if(streams.begin(), streams.end(), [](const auto& stream) {
        return stream.value("media.role") == "webaudio";
    });
    ASSERT_NE(context, streams.end()) << whatTheServerSaw();
    EXPECT_EQ(context->value("application.name"), program_invocation_short_name);

    // The page goes on answering: its heartbeat goes on, and a second tap is heard and spoken.
    const long tappedBeats = beats(ad);
    EXPECT_GT(tappedBeats, untouchedBeats);
    EXPECT_TRUE(waitFor([&] { return beats(ad) >= tappedBeats + 10; }));
    tap({160, 240});
    EXPECT_TRUE(waitFor([&] {
        const std::string heard = heardAfterTaps(ad);
        return ask(ad, "String(hostile.taps)") == "2" &&
               heard.find("tapped end", heard.find("tapped end") + 1) != std::string::npos;
    })) << ask(ad, "JSON.stringify(hostile)")
        << "\n"
        << whatTheServerSaw();
    EXPECT_EQ(ask(ad, "hostile.state()"), "running");
    RecordProperty("tapped", ask(ad, "JSON.stringify(hostile)"));

    // The page reloads itself: the old page's stream goes, the new one makes none untouched,
    // and after a tap its context's tone plays too (past what the recorder still had of the
    // old page's, a second's worth at most), and it speaks.
    ask(ad, "location.reload(), 'reloading'");
    EXPECT_TRUE(waitFor([&] {
        return ask(ad, "String(hostile.taps)") == "0" && sound.sinkInputs().empty();
    })) << ask(ad, "JSON.stringify(hostile)")
        << "\n"
        << whatTheServerSaw();
    const std::size_t reloaded = sound.recording().size() + PulseAudioServer::kRecordingRate;
    tap({160, 240});
    EXPECT_TRUE(waitFor([&] {
        const std::string heard = heardAfterTaps(ad);
        return heard.find("tapped end") != std::string::npos &&
               ask(ad, "String(hostile.context.indexOf('tapped running') >= 0)") == "true";
    })) << ask(ad, "JSON.stringify(hostile)")
        << "\n"
        << whatTheServerSaw();
    EXPECT_TRUE(waitFor([&] { return toneRecorded(reloaded) > 0.8; })) << whatTheServerSaw();
    RecordProperty("reloaded", ask(ad, "JSON.stringify(hostile)"));

    EXPECT_EQ(endedProcessLines(log), std::vector<std::string>{});
    EXPECT_EQ(heldSinkLines(log), std::vector<std::string>{});
}

}  // namespace
}  // namespace ads
