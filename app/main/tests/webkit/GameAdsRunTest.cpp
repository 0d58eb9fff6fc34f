// The program as a player meets its ads: headless on a virtual display, paced to real time,
// against the local announcement service (serve.py, which sends the ads' settings) and our ad
// server. A game ends, and the game-over screen shows the ad banner at its top and the
// announcement banner at its bottom; the ad server sees one request and one impression per ad.
// A banner with a video plays it through the game's media backend.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/gfx/Image.h"
#include "platform/testing/ChildServer.h"
#include "platform/testing/RefusingDisplay.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/testing/TempDir.h"
#include "platform/testing/TestHttpServer.h"
#include "tools/ad_server/AdServer.h"

namespace fs = std::filesystem;
using tools::adserver::AdScenario;
using tools::adserver::RequestKind;

namespace {

const std::string kProgram = std::string(MOVU_BINARY_DIR) + "/app/main/movuroute";
const std::string kAnnounceFixture =
    std::string(MOVU_SOURCE_DIR) + "/tools/announce_fixture/serve.py";
constexpr const char* kBannerUnit = "ca-movu-banner";
constexpr const char* kInterstitialUnit = "ca-movu-ist";

// The announcement fixture in a child process, for the length of a scope, on a port it chose.
class AnnounceService : public platform::testing::ChildServer {
  public:
    explicit AnnounceService(const std::vector<std::string>& options)
        : ChildServer(arguments(options)) {}

  private:
    static std::vector<std::string> arguments(const std::vector<std::string>& options) {
        std::vector<std::string> args{"python3", "-u", kAnnounceFixture, "--port", "0"};
        args.insert(args.end(), options.begin(), options.end());
        return args;
    }
};

struct RunResult {
    int status = -1;
    std::string output;
};

RunResult runProgram(const std::string& environment, const std::vector<std::string>& args,
                     const fs::path& outputFile) {
    std::string command = "env " + environment + " '" + kProgram + "'";
    for (const auto& a : args) command += " '" + a + "'";
    command += " > '" + outputFile.string() + "' 2>&1";
    RunResult r;
    int raw = std::system(command.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(outputFile);
    std::stringstream text;
    text << in.rdbuf();
    r.output = text.str();
    return r;
}

// Share of the pixels in rows [top, bottom) within `tolerance` of the colour.
double shareOf(const platform::gfx::Image& image, int top, int bottom, int r, int g, int b,
               int tolerance = 12) {
    long hits = 0, all = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < image.width(); ++x, ++all) {
            const auto* p = image.pixel(x, y);
            if (std::abs(p[0] - r) <= tolerance && std::abs(p[1] - g) <= tolerance &&
                std::abs(p[2] - b) <= tolerance)
                ++hits;
        }
    return all ? double(hits) / double(all) : 0;
}

// Where the pictures of a run are kept for a person to look at.
fs::path screenshotDir() {
    fs::path dir = fs::path(MOVU_BINARY_DIR) / "screenshots";
    fs::create_directories(dir);
    return dir;
}

std::size_t countFor(const tools::adserver::AdServer& server, RequestKind kind,
                     const std::string& unit) {
    std::size_t n = 0;
    for (const auto& request : server.log().of(kind)) n += request.slotname == unit;
    return n;
}

// A run with ads says on the terminal only how to get test ads, once: not the interstitial's
// step-by-step account, nor the screens' bookkeeping at exit.
void expectOnlyWhatAPlayerNeeds(const std::string& output) {
    EXPECT_EQ(output.find("istAd"), std::string::npos) << output;
    EXPECT_EQ(output.find("[INFO]"), std::string::npos) << output;
    EXPECT_EQ(output.find("old subview exists"), std::string::npos) << output;
    const std::string tracking = "Advertising tracking may be disabled";
    auto first = output.find(tracking);
    ASSERT_NE(first, std::string::npos) << output;
    EXPECT_EQ(output.find(tracking, first + 1), std::string::npos) << output;
    EXPECT_NE(output.find("MOVUROUTE_LIMIT_AD_TRACKING=0"), std::string::npos) << output;
}

// A stand-in for the desktop's opener, first on the program's PATH: it writes down what the
// program asked it to open, one line each, instead of starting a browser. What to put before
// the program's environment.
std::string recordingDesktopOpener(const fs::path& dir) {
    const fs::path bin = dir / "bin";
    fs::create_directories(bin);
    std::ofstream(bin / "xdg-open")
        << "#!/bin/sh\necho \"$1\" >> '" << (dir / "opened.txt").string() << "'\n";
    fs::permissions(bin / "xdg-open", fs::perms::owner_all);
    const char* path = std::getenv("PATH");
    return "PATH=" + bin.string() + ":" + (path ? path : "/usr/bin:/bin") + " ";
}

std::vector<std::string> linesOf(const fs::path& file) {
    std::vector<std::string> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(GameAdsRunTest, TheAnnouncementServiceListensOnAPortItChoseAndNames) {
    // Two at once: each has a port of its own, taken before it was named.
    AnnounceService first({});
    AnnounceService second({});
    ASSERT_TRUE(first.running());
    ASSERT_TRUE(second.running());
    EXPECT_NE(first.port(), second.port());
}

TEST(GameAdsRunTest, AGameEndsOnTheGameOverScreenWithTheAdBannerAtTheTop) {
    MOVU_SKIP_WITHOUT_DISPLAY();
    tools::adserver::AdServer ads;
    ASSERT_TRUE(ads.isRunning());
    ads.setScenario(kBannerUnit, AdScenario::banner().withColor("#c81e1e"));
    // No pop-up and no interstitial: either would stand over the screen.
    AnnounceService announce({"--serial", "0", "--durez-enable", "1", "--context-flag", "0"});
    ASSERT_TRUE(announce.running());

    platform::testing::TempDir dir;
    const fs::path gameOver = screenshotDir() / "game_over_with_ad_banner.png";
    fs::remove(gameOver);
    // Steered hard right the car leaves the road within five seconds of game time; the
    // game-over screen and its banner then have about fifteen real seconds. Then the player
    // taps the banner: the game's own window, application and touches must let the ad open
    // its click, which the tests of the ads library set up for themselves.
    RunResult r = runProgram(
        "-u MOVUROUTE_LIMIT_AD_TRACKING " + recordingDesktopOpener(dir.path()) +
            "MOVUROUTE_WEB_URL=" + announce.url() + " MOVUROUTE_AD_SERVER=" + ads.origin(),
        {"--headless", "--real-time", "--seed", "1", "--start-level", "1", "--tilt", "const:0.9",
         "--seconds", "26", "--screenshot-at", "700:" + gameOver.string(), "--tap-at", "710:160,25",
         "--home", (dir / "home").string()},
        dir / "output.txt");
    ASSERT_EQ(r.status, 0) << r.output;

    auto image = platform::gfx::Image::loadPng(gameOver.string());
    ASSERT_TRUE(image);
    // The ad's box fills the top 50 points; the announcement banner's picture (navy with a
    // yellow frame) the bottom 50; the screen between shows neither.
    EXPECT_GT(shareOf(*image, 0, 50, 200, 30, 30), 0.5);
    EXPECT_LT(shareOf(*image, 50, 430, 200, 30, 30), 0.01);
    EXPECT_GT(shareOf(*image, 430, 480, 32, 48, 96) + shareOf(*image, 430, 480, 250, 200, 40), 0.3);

    EXPECT_EQ(countFor(ads, RequestKind::AdRequest, kBannerUnit), 1u) << r.output;
    EXPECT_EQ(countFor(ads, RequestKind::Impression, kBannerUnit), 1u);
    // The tap is one click: counted once, its click URL handed to the desktop once.
    const auto opened = linesOf(dir.path() / "opened.txt");
    ASSERT_EQ(opened.size(), 1u) << r.output;
    EXPECT_NE(opened[0].find("/aclk/"), std::string::npos) << opened[0];
    EXPECT_EQ(ads.log().count(RequestKind::ClickTracking), 1u) << r.output;
    expectOnlyWhatAPlayerNeeds(r.output);
}

TEST(GameAdsRunTest, AnInterstitialAtTheGamesEndIsClosedAndThenBothBannersShow) {
    MOVU_SKIP_WITHOUT_DISPLAY();
    tools::adserver::AdServer ads;
    ASSERT_TRUE(ads.isRunning());
    ads.setScenario(kBannerUnit, AdScenario::banner().withColor("#c81e1e"));
    ads.setScenario(kInterstitialUnit, AdScenario::interstitial().withColor("#1ec81e"));
    // Interstitials at a game's end only; no pop-up to stand in front of the screen.
    AnnounceService announce({"--serial", "0", "--durez-enable", "1", "--context-flag", "1"});
    ASSERT_TRUE(announce.running());

    platform::testing::TempDir dir;
    const fs::path interstitial = screenshotDir() / "game_end_interstitial.png";
    const fs::path gameOver = screenshotDir() / "game_over_with_both_banners.png";
    fs::remove(interstitial);
    fs::remove(gameOver);
    // The game ends within five seconds; by tick 450 the interstitial has had ten seconds to
    // come up. Its Close button sits at the top right; after it the game-over screen loads
    // its banner, given about fifteen seconds more.
    RunResult r =
        runProgram("-u MOVUROUTE_LIMIT_AD_TRACKING MOVUROUTE_WEB_URL=" + announce.url() +
                       " MOVUROUTE_AD_SERVER=" + ads.origin(),
                   {"--headless", "--real-time", "--seed", "1", "--start-level", "1", "--tilt",
                    "const:0.9", "--seconds", "32", "--screenshot-at",
                    "450:" + interstitial.string(), "--tap-at", "480:275,25", "--screenshot-at",
                    "1000:" + gameOver.string(), "--home", (dir / "home").string()},
                   dir / "output.txt");
    ASSERT_EQ(r.status, 0) << r.output;

    auto shown = platform::gfx::Image::loadPng(interstitial.string());
    ASSERT_TRUE(shown);
    EXPECT_GT(shareOf(*shown, 0, 480, 30, 200, 30), 0.5) << r.output;

    auto after = platform::gfx::Image::loadPng(gameOver.string());
    ASSERT_TRUE(after);
    EXPECT_LT(shareOf(*after, 0, 480, 30, 200, 30), 0.01);
    EXPECT_GT(shareOf(*after, 0, 50, 200, 30, 30), 0.5);
    EXPECT_LT(shareOf(*after, 50, 430, 200, 30, 30), 0.01);
    EXPECT_GT(shareOf(*after, 430, 480, 32, 48, 96) + shareOf(*after, 430, 480, 250, 200, 40), 0.3);

    // The second interstitial request is the next game's ad, loaded once this one closed;
    // it is never shown.
    EXPECT_EQ(countFor(ads, RequestKind::AdRequest, kInterstitialUnit), 2u) << r.output;
    EXPECT_EQ(countFor(ads, RequestKind::Impression, kInterstitialUnit), 1u);
    EXPECT_EQ(countFor(ads, RequestKind::AdRequest, kBannerUnit), 1u);
    EXPECT_EQ(countFor(ads, RequestKind::Impression, kBannerUnit), 1u);
    expectOnlyWhatAPlayerNeeds(r.output);
}

// A banner page that plays the test clip under an HTML button over its right half, plays it
// again whenever it ends, and sends every video event it hears to the ad server.
std::string videoBanner(const std::string& clip, const std::string& events) {
    return R"(<!DOCTYPE html>
<html><head><style>
  html, body { margin: 0; height: 100%; background: transparent; }
  button { position: absolute; right: 0; top: 0; width: 160px; height: 50px; border: 0;
           background: rgb(255, 255, 0); }
</style><script>
  function send(query) {
    var frame = document.createElement('iframe');
    frame.style.display = 'none';
    frame.src = 'gmsg://movuroute/video?' + query;
    document.documentElement.appendChild(frame);
  }
  var heard = 0;
  function RADE_ReceiveMessage(name, params) {
    if (name !== 'onVideoEvent') return;
    if (params.event !== 'timeupdate')
      new Image().src = ')" +
           events + R"(&event=' + encodeURIComponent(params.event) + '&n=' + heard++;
    if (params.event === 'canplaythrough') send('action=play');
    if (params.event === 'ended') { send('action=currentTime&time=0'); send('action=play'); }
  }
  send('action=new&x=0&y=0&w=160&h=50');
  send('action=src&src=' + encodeURIComponent(')" +
           clip + R"('));
</script></head>
<body><button>Install</button></body></html>)";
}

// Leak checking for a run that starts GStreamer. GLib keeps its quark strings in one array and,
// when GStreamer's types take the count past 2048, moves them to a larger one and drops the
// first (16 KiB, made by GLib's library constructor) for good, so that lookups need no lock.
// The suppression list has a line for it (the loader's _dl_init), but only the slow unwinder
// sees past GLib's frames, which lack frame pointers, and it makes the game about a hundred
// times slower; the fast one stops at g_malloc. So this run alone also lets go of blocks
// allocated through g_malloc; the game's other runs never start GStreamer and check them.
std::string withGLibQuarkBlock(const fs::path& dir) {
    std::ifstream in(std::string(MOVU_SOURCE_DIR) + "/scripts/lsan.supp");
    std::string list{std::istreambuf_iterator<char>(in), {}};
    list +=
        "# GLib's first quark array, dropped when GStreamer passes 2048 quarks (see the test).\n"
        "leak:^g_malloc$\n";
    const fs::path file = dir / "lsan-gstreamer.supp";
    std::ofstream(file) << list;
    return "suppressions=" + file.string() + ":print_suppressions=0";
}

// In the order the page heard them: each is its own picture request, and those may reach the
// server in another order.
std::vector<std::string> videoEvents(const tools::adserver::AdServer& server) {
    std::map<long, std::string> byNumber;
    for (const auto& request : server.log().of(RequestKind::CreativeEvent)) {
        if (request.slotname == kBannerUnit) {
            byNumber.emplace(std::strtol(request.param("n").c_str(), nullptr, 10),
                             request.param("event"));
        }
    }
    std::vector<std::string> events;
    for (auto& [number, event] : byNumber) events.push_back(std::move(event));
    return events;
}

TEST(GameAdsRunTest, ABannersVideoPlaysInTheGameUnderThePagesButton) {
    MOVU_SKIP_WITHOUT_DISPLAY();
    std::ifstream in(MOVU_BINARY_DIR "/media_clips/clip.webm", std::ios::binary);
    const std::string clip{std::istreambuf_iterator<char>(in), {}};
    ASSERT_FALSE(clip.empty());
    platform::testing::TestHttpServer media;
    ASSERT_TRUE(media.isRunning());
    media.get("/clip.webm", [clip](const httplib::Request&, httplib::Response& res) {
        res.set_content(clip, "video/webm");
    });
    tools::adserver::AdServer ads;
    ASSERT_TRUE(ads.isRunning());
    ads.setScenario(kBannerUnit, AdScenario::banner().withHtml(videoBanner(
                                     media.url("/clip.webm"),
                                     ads.origin() + "/mads/creative_event?slot=" + kBannerUnit)));
    AnnounceService announce({"--serial", "0", "--durez-enable", "1", "--context-flag", "0"});
    ASSERT_TRUE(announce.running());

    platform::testing::TempDir dir;
    const fs::path playing = screenshotDir() / "game_over_banner_video.png";
    fs::remove(playing);
    RunResult r = runProgram("-u MOVUROUTE_LIMIT_AD_TRACKING MOVUROUTE_WEB_URL=" + announce.url() +
                                 " MOVUROUTE_AD_SERVER=" + ads.origin() +
                                 " LSAN_OPTIONS=" + withGLibQuarkBlock(dir.path()),
                             {"--headless", "--real-time", "--seed", "1", "--start-level", "1",
                              "--tilt", "const:0.9", "--seconds", "22", "--screenshot-at",
                              "700:" + playing.string(), "--home", (dir / "home").string()},
                             dir / "output.txt");
    ASSERT_EQ(r.status, 0) << r.output;

    // The page heard its clip become playable and play, never fail.
    const auto events = videoEvents(ads);
    std::string heard;
    for (const auto& e : events) heard += e + ",";
    EXPECT_EQ(heard.rfind("canplaythrough,play,", 0), 0u) << heard << "\n" << r.output;
    EXPECT_NE(heard.find("ended,"), std::string::npos) << heard;
    EXPECT_EQ(heard.find("error"), std::string::npos) << heard;

    // The clip's picture (one of its four pure colours) shows in the banner's left half at its
    // own shape, 16:9 in a player of 160 x 50 points: 89 points wide in the middle, the rest
    // bars; the page's yellow button fills the right half. (A picture scaled to the player
    // without keeping its square pixels filled the whole half, stretched.)
    auto image = platform::gfx::Image::loadPng(playing.string());
    ASSERT_TRUE(image);
    const auto share = [&](int left, int right, int red, int green, int blue) {
        long hits = 0;
        for (int y = 5; y < 45; ++y)
            for (int x = left; x < right; ++x) {
                const auto* p = image->pixel(x, y);
                hits += std::abs(p[0] - red) <= 40 && std::abs(p[1] - green) <= 40 &&
                        std::abs(p[2] - blue) <= 40;
            }
        return double(hits) / (40.0 * (right - left));
    };
    double picture = 0, bars = 0;
    for (auto [red, green, blue] : {std::tuple{255, 0, 0}, std::tuple{0, 255, 0},
                                    std::tuple{0, 0, 255}, std::tuple{255, 255, 255}}) {
        picture = std::max(picture, share(40, 120, red, green, blue));
        bars = std::max({bars, share(5, 30, red, green, blue), share(130, 155, red, green, blue)});
    }
    EXPECT_GT(picture, 0.9);
    EXPECT_LT(bars, 0.05);
    long yellow = 0;
    for (int y = 5; y < 45; ++y)
        for (int x = 165; x < 315; ++x) {
            const auto* p = image->pixel(x, y);
            yellow += p[0] > 200 && p[1] > 200 && p[2] < 60;
        }
    EXPECT_GT(double(yellow) / (40.0 * 150.0), 0.9);
}

// The web engine opens its own connection to the display, later than any window; a refusal
// then must not leave the whole run without ads. Headless, so the engine's is the only client.
TEST(GameAdsRunTest, PagesLoadOnADisplayThatTurnedTheEnginesFirstTryAway) {
    MOVU_SKIP_WITHOUT_DISPLAY();
    platform::testing::RefusingDisplay display(1);
    ASSERT_TRUE(display.listening()) << display.error();
    tools::adserver::AdServer ads;
    ASSERT_TRUE(ads.isRunning());
    // The interstitial asked for at launch loads the SDK core page; none is shown.
    AnnounceService announce({"--serial", "0", "--durez-enable", "1", "--context-flag", "0"});
    ASSERT_TRUE(announce.running());

    platform::testing::TempDir dir;
    RunResult r = runProgram(
        "-u WAYLAND_DISPLAY -u MOVUROUTE_LIMIT_AD_TRACKING DISPLAY=" + display.name() +
            " XAUTHORITY=" + display.authorityFile() + " MOVUROUTE_WEB_URL=" + announce.url() +
            " MOVUROUTE_AD_SERVER=" + ads.origin(),
        {"--headless", "--real-time", "--seconds", "15", "--home", (dir / "home").string()},
        dir / "output.txt");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(display.refused(), 1);
    EXPECT_EQ(r.output.find("no display could be opened"), std::string::npos) << r.output;
    EXPECT_GE(ads.log().count(RequestKind::PageLoad), 1u) << r.output;
}

// Played in a real window (SDL on the X display), as a person starts it. The GL driver and
// D-Bus keep memory for the life of the process; the leak check at exit must still pass.
TEST(GameWindowRunTest, AWindowedRunEndsWithoutALeakReport) {
    MOVU_SKIP_WITHOUT_DISPLAY();
    platform::testing::TempDir dir;
    // Both services refuse at once: a window run must not reach out to anything.
    RunResult r = runProgram(
        "MOVUROUTE_WEB_URL=http://127.0.0.1:9 "
        "MOVUROUTE_AD_SERVER=http://127.0.0.1:9",
        {"--seconds", "1", "--home", (dir / "home").string()}, dir / "output.txt");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output.find("LeakSanitizer"), std::string::npos) << r.output;
}

// On a busy machine the X server turns a new client away now and then; the window still opens
// on a later try.
TEST(GameWindowRunTest, AWindowOpensOnADisplayThatTurnedItsFirstClientsAway) {
    MOVU_SKIP_WITHOUT_DISPLAY();
    platform::testing::RefusingDisplay display(2);
    ASSERT_TRUE(display.listening()) << display.error();
    platform::testing::TempDir dir;
    RunResult r =
        runProgram("-u WAYLAND_DISPLAY -u SDL_VIDEODRIVER DISPLAY=" + display.name() +
                       " XAUTHORITY=" + display.authorityFile() +
                       " MOVUROUTE_WEB_URL=http://127.0.0.1:9"
                       " MOVUROUTE_AD_SERVER=http://127.0.0.1:9",
                   {"--seconds", "1", "--home", (dir / "home").string()}, dir / "output.txt");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(display.refused(), 2);
    EXPECT_GE(display.joined(), 1);
}

}  // namespace
