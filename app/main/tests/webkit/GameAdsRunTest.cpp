// The program as a player meets its ads: headless on a virtual display, paced to real time,
// against the local announcement service (serve.py, which sends the ads' settings) and our ad
// server. A game ends, and the game-over screen shows the ad banner at its top and the
// announcement banner at its bottom; the ad server sees one request and one impression per ad.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/gfx/Image.h"
#include "platform/testing/ChildServer.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/testing/TempDir.h"
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
    // game-over screen and its banner then have about fifteen real seconds.
    RunResult r = runProgram("-u MOVUROUTE_LIMIT_AD_TRACKING MOVUROUTE_WEB_URL=" + announce.url() +
                                 " MOVUROUTE_AD_SERVER=" + ads.origin(),
                             {"--headless", "--real-time", "--seed", "1", "--start-level", "1",
                              "--tilt", "const:0.9", "--seconds", "22", "--screenshot-at",
                              "700:" + gameOver.string(), "--home", (dir / "home").string()},
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

}  // namespace
