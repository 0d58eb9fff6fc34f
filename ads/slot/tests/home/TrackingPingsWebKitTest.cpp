// What an ad's page can make the game fetch in its name ("httpTrack") costs the game neither
// memory nor disk, however large the answers and however many the page asks for.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ads/foundation/GADLog.h"
#include "ads/slot/GADInterstitial.h"
#include "ads/slot/tests/HostileInterstitialsFixture.h"
#include "ads/slot/tests/home/BytesUnder.h"
#include "ads/web/GADPagePings.h"
#include "platform/base/LogSink.h"

namespace ads {
namespace {

namespace fs = std::filesystem;
using platform::LogSink;
using testing::bytesUnder;
using tools::adserver::RequestKind;

constexpr const char* kUnit = "ca-movu-pings";

long residentKilobytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

class TrackingPingsWebKitTest : public testing::HostileInterstitialsFixture {
  protected:
    TrackingPingsWebKitTest() : HostileInterstitialsFixture(kUnit) {}
};

// 300 "httpTrack" messages from an ad nobody saw or touched, each naming a 4 MB answer: the
// game fetched all of them at once, kept every body whole in memory and wrote each to its
// Caches folder (264-300 fetched; resident memory from 27 MB to 715 MB in the release build,
// up to 504 MB in the Caches folder at once).
TEST_F(TrackingPingsWebKitTest, APagesTrackingPingsAreBoundedAndKeepNoBodies) {
    LogSink::Capture log;
    auto fetched = [&] { return ads.log().of(RequestKind::LargeBody).size(); };
    // The flood starts two seconds after the page has loaded, so that what the load itself
    // costs the game is not counted.
    loadPage(
        "<script>addEventListener('load', function () { setTimeout(function () {\n"
        "  for (var i = 0; i < 300; ++i) send('gmsg://movuroute/httpTrack?u=' + "
        "encodeURIComponent(location.origin + '/mads/large_body?bytes=4000000&n=' + i));\n"
        "}, 2000); });</script>");
    const long before = residentKilobytes();
    long peak = before;
    std::uintmax_t diskPeak = 0;
    const fs::path caches = scope.home().path() / "Library" / "Caches";
    auto watch = [&] {
        peak = std::max(peak, residentKilobytes());
        diskPeak = std::max(diskPeak, bytesUnder(caches));
    };
    // Until the budget has been fetched, then a while longer for any ping past it.
    EXPECT_TRUE(waitFor([&] {
        watch();
        return fetched() >= GADPagePings::kMaxPingsPerAd;
    }));
    waitFor(
        [&] {
            watch();
            return false;
        },
        3);
    RecordProperty("fetched", std::to_string(fetched()));
    RecordProperty("peakGrowthMegabytes", std::to_string((peak - before) / 1024));
    RecordProperty("peakCacheBytes", std::to_string(diskPeak));
    EXPECT_EQ(fetched(), GADPagePings::kMaxPingsPerAd);
    // The budget's answers weigh 256 MB; thrown away as they come, they leave the game a few
    // MB larger (release build; the sanitizer build's own upkeep adds about 30 MB meanwhile).
    EXPECT_LT(peak - before, 64 * 1024);
    EXPECT_LT(diskPeak, std::uintmax_t{1} << 20);
    GADLogFlush();
    const auto lines = log.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), GADPagePings::kPingsDroppedText), 1);
    expectTheNextAdShows();
}

// An ad that spent its pings on its own trackers before anybody touched it: the "click" tracker
// it sends at the player's touch was dropped with the rest, so the ad server never heard of
// the click. A touch lets one through whatever the budget; a second one of the same touch, or
// one without a touch, is still dropped.
TEST_F(TrackingPingsWebKitTest, AClickTrackerAtATouchIsFetchedAfterTheAdsPingsAreSpent) {
    LogSink::Capture log;
    auto interstitial = loadPage(
        "<script>for (var i = 0; i < 64; ++i) send('gmsg://movuroute/httpTrack?u=' + "
        "encodeURIComponent(location.origin + '/mads/creative_event?name=track&n=' + i));\n"
        "function clickTracker(name) { send('gmsg://movuroute/click?u=' + "
        "encodeURIComponent(location.origin + '/mads/clk?' + name)); }\n"
        "var taps = 0;\n"
        "document.addEventListener('click', function (e) {\n"
        "  if (!e.isTrusted) return;\n"
        "  ++taps; clickTracker('tap=' + taps); clickTracker('again=' + taps);\n"
        "  send('gmsg://movuroute/log?string=' + encodeURIComponent('sent tap ' + taps));\n"
        "});\n"
        "setTimeout(function () { clickTracker('untouched'); }, 100);</script>\n"
        "<p style='height: 400px'>An ad</p>");
    // A line of the game's log, once it is written: what the page sent before it has reached
    // the game.
    auto logged = [&](const std::string& line) {
        return waitFor([&] {
            GADLogFlush();
            const auto lines = log.lines();
            return std::any_of(lines.begin(), lines.end(), [&](const std::string& written) {
                return written.find(line) != std::string::npos;
            });
        });
    };
    ASSERT_TRUE(waitFor([&] {
        return ads.log().count(RequestKind::CreativeEvent) >= GADPagePings::kMaxPingsPerAd;
    }));
    // The untouched tracker is refused before the player touches the ad: on a busy machine the
    // page's message could otherwise reach the game after the tap and be taken for its click.
    ASSERT_TRUE(logged(GADPagePings::kPingsDroppedText));
    show(interstitial);
    auto clickTrackers = [&] {
        std::vector<std::string> names;
        for (const auto& ping : ads.log().of(RequestKind::ClickTracking))
            names.push_back(ping.target.substr(ping.target.find('?') + 1));
        return names;
    };
    tap({160, 240});
    const bool fetched = waitFor([&] { return !clickTrackers().empty(); }, 10);
    RecordProperty("clickTrackersFetchedAtTheFirstTouch", static_cast<int>(clickTrackers().size()));
    EXPECT_TRUE(fetched);
    // Both trackers of the first touch reached the game before the second touch.
    ASSERT_TRUE(logged("sent tap 1"));
    tap({160, 240});
    EXPECT_TRUE(waitFor([&] { return clickTrackers().size() >= 2; }, 10));
    // Whatever else the page sends has nothing more to spend.
    waitFor([] { return false; }, 1);
    EXPECT_EQ(clickTrackers(), (std::vector<std::string>{"tap=1", "tap=2"}));
    EXPECT_EQ(ads.log().count(RequestKind::CreativeEvent), GADPagePings::kMaxPingsPerAd);
}

}  // namespace
}  // namespace ads
