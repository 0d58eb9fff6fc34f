// An ad with media, preloaded and never touched, on real WebKit against our loopback ad server,
// with the rooms loaded as the program loads them: a muted autoplay video and two hundred
// sounds, each a media element the engine would make a desktop media player and a session-bus
// connection for. With a session bus of the test's own, the ad's web processes ask it for
// nothing; without one, no warning per element reaches the game's log or its standard error.
// Needs a display: scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "ads/slot/GADInterstitial.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/tests/HostileInterstitialsFixture.h"
#include "ads/web/GADAdView.h"
#include "platform/base/LogSink.h"
#include "platform/testing/SessionBus.h"
#include "platform/testing/TempDir.h"
#include "platform/testing/WebProcesses.h"
#include "platform/web/WebView.h"

namespace ads {
namespace {

using platform::LogSink;
using platform::testing::PrivateSessionBus;
using tools::adserver::Hostility;

constexpr const char* kMediaUnit = "ca-movu-media";

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t linesWith(const std::vector<std::string>& lines, const char* text) {
    return std::size_t(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.find(text) != std::string::npos;
    }));
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

// The process's standard error, into a file for the length of the test: the web processes the
// engine starts meanwhile inherit it, as they inherit the game's.
class StandardErrorCapture {
  public:
    StandardErrorCapture() : path_((folder_ / "stderr").string()) {
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        std::FILE* file = std::fopen(path_.c_str(), "w");
        if (file) {
            ::dup2(::fileno(file), STDERR_FILENO);
            std::fclose(file);
        }
    }
    ~StandardErrorCapture() { restore(); }
    void restore() {
        if (saved_ < 0) return;
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
        saved_ = -1;
    }
    std::string text() const { return fileText(path_); }

  private:
    platform::testing::TempDir folder_;
    std::string path_;
    int saved_ = -1;
};

class SessionBusWebKitTest : public testing::HostileInterstitialsFixture {
  protected:
    SessionBusWebKitTest() : HostileInterstitialsFixture(kMediaUnit) {}

    void SetUp() override {
        HostileInterstitialsFixture::SetUp();
        const std::string clip = fileText(MOVU_BINARY_DIR "/media_clips/clip.webm");
        ASSERT_FALSE(clip.empty()) << "the media clips are built by the target media_clip_files";
        ads.server().setMediaClip(clip);
    }
    // The media ad, loaded and never shown, once every element was asked to play; then a few
    // seconds more, in which the engine named its player before.
    std::shared_ptr<GADInterstitial> loadMediaAd() {
        auto media = loadHostile(Hostility::MediaSessions);
        EXPECT_EQ(hostileDelegate->log, (Log{"received"}));
        auto view = media->slot()->adView()->webView();
        EXPECT_TRUE(waitFor([&] {
            return view->stringByEvaluatingJavaScriptFromString("hostile.asked", 1) ==
                   std::to_string(tools::adserver::kMediaSessionsSounds + 1);
        })) << view->stringByEvaluatingJavaScriptFromString("JSON.stringify(hostile)", 1);
        waitFor([] { return false; }, 4);
        return media;
    }
};

TEST_F(SessionBusWebKitTest, AMediaAdAsksAPrivateSessionBusForNothing) {
    PrivateSessionBus bus;
    ASSERT_FALSE(bus.address().empty()) << "dbus-daemon is missing (scripts/setup installs it)";
    ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().c_str(), 1);
    const auto before = bus.connections();
    const unsigned long takenBefore = bus.connectionsTaken();

    auto media = loadMediaAd();
    EXPECT_EQ(media->slot()->adView()->webView()->stringByEvaluatingJavaScriptFromString(
                  "hostile.wakeLock", 1),
              "refused");
    const unsigned long opened = bus.connectionsTaken() - takenBefore - 1;
    const auto after = bus.connections();
    const auto web = platform::testing::webProcesses();
    std::set<std::string> namesBefore, newNames;
    for (const auto& connection : before)
        namesBefore.insert(connection.names.begin(), connection.names.end());
    std::size_t webConnections = 0, ourConnections = 0;
    for (const auto& connection : after) {
        if (connection.process == ::getpid()) ++ourConnections;
        for (const auto& name : connection.names) {
            if (!namesBefore.count(name)) newNames.insert(name);
        }
        if (std::find(web.begin(), web.end(), connection.process) != web.end()) ++webConnections;
    }
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    RecordProperty("connectionsBefore", std::to_string(before.size()));
    RecordProperty("connectionsAfter", std::to_string(after.size()));
    RecordProperty("webProcessConnections", std::to_string(webConnections));
    RecordProperty("connectionsOpenedMeanwhile", std::to_string(opened));
    // A desktop media player of the ad (org.mpris.MediaPlayer2...) or anything else named.
    EXPECT_TRUE(newNames.empty()) << platform::testing::describe(after);
    EXPECT_EQ(webConnections, 0u) << platform::testing::describe(after);
    // Nor the game's process for them (a screensaver held off, the accessibility bus asked for).
    EXPECT_EQ(ourConnections, 0u) << platform::testing::describe(after);
    // Not one per element, from any process, nor one opened and closed again meanwhile. A few
    // are not the page's: GTK looks for the desktop's document portal as it opens, and each
    // network process watches the desktop's proxy settings.
    EXPECT_LT(after.size(), before.size() + 3) << platform::testing::describe(after);
    EXPECT_LT(opened, 10u) << platform::testing::describe(after);
}

TEST_F(SessionBusWebKitTest, WithoutABusNoWarningPerMediaElementReachesTheLog) {
    // No bus anywhere: no address, and no folder of the user's that would hold one.
    platform::testing::TempDir runtime;
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    StandardErrorCapture standardError;
    LogSink::Capture log;

    auto media = loadMediaAd();
    standardError.restore();
    const auto written = linesOf(standardError.text());
    const auto logged = log.lines();
    RecordProperty("busLinesOnStandardError", std::to_string(linesWith(written, "D-Bus")));
    RecordProperty("busLinesInTheLog", std::to_string(linesWith(logged, "D-Bus")));
    RecordProperty("standardErrorBytes", std::to_string(standardError.text().size()));
    // At most one line for each web process, whatever number of elements it made.
    const std::size_t processes = platform::testing::webProcesses().size();
    EXPECT_LE(linesWith(written, "D-Bus") + linesWith(logged, "D-Bus"), processes)
        << ::testing::PrintToString(std::vector<std::string>(
               logged.begin(), logged.begin() + std::min<std::size_t>(logged.size(), 10)));
    // Nothing of the web processes on the game's own standard error.
    EXPECT_EQ(linesWith(written, "WebKitWebProcess"), 0u)
        << written.size() << " lines, the first: " << (written.empty() ? "" : written.front());
}

}  // namespace
}  // namespace ads
