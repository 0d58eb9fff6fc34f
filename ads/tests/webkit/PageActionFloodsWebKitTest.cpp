// A page that sends one of its actions as fast as its view lets it (a burst, then 40 a second),
// each message as long as a page's URL may be, from an ad nobody touched: what the flood leaves
// in the game stays within its row's bound (PageActionRows.h; docs/ARCHITECTURE.md section
// 14): its heap grows by a few MB at most, the log hears at most the page's 100 lines and the
// dropped one, the ad server hears only what the row allows, and no screen, window, alert or
// web process is started. On real WebKit against our loopback ad server, with every room
// loaded as ads::load() loads them. Needs a display: scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
#define MOVU_HEAP_FROM_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MOVU_HEAP_FROM_SANITIZER 1
#endif
#endif
#if defined(MOVU_HEAP_FROM_SANITIZER)
// The sanitizer's allocator counts what it holds for the program (its own header may not be
// installed with the compiler).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

#include <algorithm>
#include <cstddef>
#include <iostream>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "ads/Ads.h"
#include "ads/foundation/GADCSI.h"
#include "ads/foundation/GADCSIConfiguration.h"
#include "ads/mediation/tests/HeardPublicAds.h"
#include "ads/slot/GADBannerView.h"
#include "ads/slot/tests/HostileInterstitialsFixture.h"
#include "ads/tests/PageActionRows.h"
#include "ads/testsupport/DesktopRecorder.h"
#include "ads/web/GADMRAIDInterceptor.h"
#include "platform/base/LogSink.h"
#include "platform/runtime/NotificationCenter.h"
#include "platform/testing/WebProcesses.h"
#include "platform/ui/AlertView.h"
#include "platform/web/ResourceInterceptor.h"
#include "platform/web/WebView.h"

namespace ads::testing {

// A row prints as its name, an ad as its kind (in the tests' names too).
void PrintTo(const PageActionRow& row, std::ostream* out) {
    *out << row.name;
}
void PrintTo(FloodedAd ad, std::ostream* out) {
    *out << (ad == FloodedAd::Banner ? "banner" : "interstitial");
}

}  // namespace ads::testing

namespace ads {
namespace {

using platform::LogSink;
using testing::FloodedAd;
using testing::PageActionRow;
using tools::adserver::AdScenario;
using tools::adserver::RequestKind;

constexpr const char* kUnit = "ca-movu-page-actions";
// Enough of the largest messages to show what each keeps, few enough that the whole table
// runs in minutes on two cores.
constexpr int kRowMessages = 150;
// The game's heap after a flood, against before it: what a bounded action may leave (a few
// log lines, a refusal's record) is far below this; 150 messages kept whole are 30 MB.
constexpr std::size_t kMaxGrowthBytes = 5u << 20;

// Bytes the game has allocated and not freed now.
std::size_t heapBytes() {
#if defined(MOVU_HEAP_FROM_SANITIZER)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

// A page that, a second after it loaded, sends `count` messages, each the URL `message` makes
// (a script expression of i and big): 80 at once, then 8 every 200 ms, about the most its view
// lets it navigate; then, from half a second after its last, "floodDone", which no handler
// takes, every half second: the page's messages have a budget of their own, and on a busy
// machine the first could be refused with the last of the flood. The game has handled the
// whole flood once it hears one, since it hears a page's messages in order.
std::string floodingPage(const std::string& message, int count) {
    const std::string n = std::to_string(count);
    return "<script>var big = 'x'.repeat(" + std::to_string(testing::kBigBytes) +
           "), n = 0;\n"
           "function message(i) { return " +
           message +
           "; }\n"
           "function go() {\n"
           "  for (var k = n ? 8 : 80; k > 0 && n < " +
           n + "; --k, ++n) send(message(n));\n  if (n < " + n +
           ") setTimeout(go, 200);\n"
           "  else setInterval(function () { send('gmsg://movuroute/floodDone'); }, 500);\n"
           "}\n"
           "addEventListener('load', function () { setTimeout(go, 1000); });</script>";
}

std::string rowMessage(const PageActionRow& row) {
    return std::string("'gmsg://movuroute/") + row.action + "?' + (" + row.query + ")";
}

// What one flood left behind.
struct Left {
    bool done = false;          // the page said its flood was over
    bool processEnded = false;  // a watch ended the page's process before that
    // The game's heap is judged of a flood that was over. One whose process a watch ended is
    // judged by its lines and requests: the heap then also holds what the engine keeps and
    // makes as it ends a process and starts the next, on a schedule of its own (32-38 MB more
    // at the look, beside twice the stated load, and nothing more in a quiet run whose
    // process was killed mid-flood).
    bool heapJudged() const { return done && !processEnded; }
    long long heapGrowth = 0;
    std::size_t lines = 0;
    std::vector<std::string> firstLines;
    std::vector<std::string> requests;
    bool screenShown = false;
    std::size_t desktopOpenings = 0;
    std::size_t alerts = 0;
    long webProcessesAdded = 0;
};

class PageActionFloodsWebKitTest : public testing::HostileInterstitialsFixture {
  protected:
    PageActionFloodsWebKitTest() : HostileInterstitialsFixture(kUnit) {}

    void SetUp() override {
        // Every room as the program loads it.
        ads::load();
        HostileInterstitialsFixture::SetUp();
        done_ = platform::NotificationCenter::defaultCenter().observe(
            "floodDone", nullptr, [this](const platform::Notification&) { ++floodsDone_; });
    }
    void TearDown() override {
        if (banner_) banner_->removeFromSuperview();
        banner_.reset();
        HostileInterstitialsFixture::TearDown();
        platform::web::ResourceInterceptor::setHandler(GADMRAIDInterceptor::kScriptName, nullptr);
        GADMRAIDInterceptor::resetForTesting();
    }
    void onTurn() override {
        if (app->presentedViewController()) screenShown_ = true;
    }

    // The ad's page, loaded as a banner on the app's screen, nobody touching it.
    void loadBannerPage(const std::string& body, bool protectedFromAutoClicks) {
        auto scenario = AdScenario::banner().withHtml(page(body));
        if (protectedFromAutoClicks) scenario.withAutoClickProtection();
        ads.server().setScenario(kUnit, scenario);
        banner_ = GADBannerView::create(kGADAdSizeBanner, {0, 430});
        banner_->setAdUnitID(kUnit);
        banner_->setRootViewController(app);
        banner_->setDelegate(bannerHeard_);
        app->view()->addSubview(banner_);
        banner_->loadRequest(GADRequest::request());
        ASSERT_TRUE(ads.waitWhileClockMoves(scope, [&] { return !bannerHeard_->log.empty(); }));
        ASSERT_EQ(bannerHeard_->log, std::vector<std::string>{"received"});
    }

    // Loads the flooding page into the ad, waits for its "floodDone" and measures what the
    // flood left from the moment the page had loaded.
    Left flood(FloodedAd ad, const std::string& html, double seconds,
               bool protectedFromAutoClicks = false) {
        Left left;
        const int doneBefore = floodsDone_;
        if (ad == FloodedAd::Banner) {
            loadBannerPage(html, protectedFromAutoClicks);
        } else {
            loadPage(html);
            EXPECT_EQ(hostileDelegate->log, (Log{"received"}));
        }
        // The page floods a second after its load; the game has settled by then.
        ads.waitWhileClockMoves(
            scope, [] { return false; }, 0.5);
        LogSink::Capture log;
        const std::size_t requestsBefore = ads.log().all().size();
        const auto processesBefore = platform::testing::webProcesses().size();
        const std::size_t heapBefore = heapBytes();
        screenShown_ = false;
        // Done, or its process ended by a watch on the way (a page that sends this much is
        // busy, and on a busy machine its waits for a core make it more so): either way its
        // bounds hold from here.
        left.done = ads.waitWhileClockMoves(
            scope,
            [&] {
                onTurn();
                return floodsDone_ > doneBefore || log.contains("ended itself") ||
                       log.contains("web process has not answered");
            },
            seconds);
        left.done = left.done && floodsDone_ > doneBefore;
        // What the last messages started has run.
        ads.waitWhileClockMoves(
            scope,
            [&] {
                onTurn();
                return false;
            },
            1);
        scope.runUntilIdle();
        auto split = testing::pageLines(log.lines(), 200);
        left.processEnded = split.processEnded;
        left.lines = split.lines.size();
        split.lines.resize(std::min<std::size_t>(split.lines.size(), 5));
        left.firstLines = std::move(split.lines);
        left.heapGrowth = static_cast<long long>(heapBytes()) - static_cast<long long>(heapBefore);
        const auto all = ads.log().all();
        for (std::size_t i = requestsBefore; i < all.size(); ++i) {
            // What the core page reports of refusals is bounded per ad on its own (at most
            // three), and shown by the opener's tests.
            if (all[i].kind == RequestKind::CoreCall) continue;
            left.requests.push_back(tools::adserver::logLine(all[i]).substr(0, 160));
        }
        left.screenShown = screenShown_;
        left.desktopOpenings = desktop_.opened().size();
        left.alerts = platform::ui::AlertView::queuedCount() +
                      (platform::ui::AlertView::visibleAlert() ? 1 : 0);
        left.webProcessesAdded = static_cast<long>(platform::testing::webProcesses().size()) -
                                 static_cast<long>(processesBefore);
        // The figures a reader of the run compares with the row's bound.
        std::cout << "flood: heap growth " << left.heapGrowth << " bytes, " << left.lines
                  << " log lines, " << left.requests.size() << " server requests, screen "
                  << left.screenShown << ", desktop " << left.desktopOpenings << ", alerts "
                  << left.alerts << ", web processes added " << left.webProcessesAdded << std::endl;
        RecordProperty("heapGrowthBytes", std::to_string(left.heapGrowth));
        RecordProperty("logLines", std::to_string(left.lines));
        RecordProperty("serverRequests", std::to_string(left.requests.size()));
        return left;
    }

    std::shared_ptr<GADBannerView> banner_;
    std::shared_ptr<testing::HeardPublicAds> bannerHeard_ =
        std::make_shared<testing::HeardPublicAds>();

  private:
    testing::DesktopRecorder desktop_;
    platform::NotificationCenter::Observation done_;
    int floodsDone_ = 0;
    bool screenShown_ = false;
};

class PageActionFloodWebKitTest : public PageActionFloodsWebKitTest,
                                  public ::testing::WithParamInterface<PageActionRow> {};

TEST_P(PageActionFloodWebKitTest, AFloodOfTheLargestMessagesStaysWithinItsRowsBound) {
    const PageActionRow& row = GetParam();
    // Timing messages keep most in a process that reports (one in twenty does): their rows
    // run as one.
    auto configuration = GADCSI::sharedInstance()->configuration();
    const bool reporting = configuration->reportingEnabled();
    if (std::string(row.action) == "instrument") configuration->setReportingEnabled(true);
    const Left left = flood(row.ad, floodingPage(rowMessage(row), kRowMessages), 60);
    configuration->setReportingEnabled(reporting);
    EXPECT_TRUE(left.done || left.processEnded);
    if (left.heapJudged()) {
        EXPECT_LT(left.heapGrowth, static_cast<long long>(kMaxGrowthBytes));
    }
    EXPECT_LE(left.lines, platform::web::WebView::kPageLogLines + 1)
        << ::testing::PrintToString(left.firstLines);
    EXPECT_LE(left.requests.size(), row.requests) << ::testing::PrintToString(left.requests);
    EXPECT_FALSE(left.screenShown);
    EXPECT_EQ(left.desktopOpenings, 0u);
    EXPECT_EQ(left.alerts, 0u);
    EXPECT_LE(left.webProcessesAdded, 0);
}

std::vector<PageActionRow> floodedRows() {
    std::vector<PageActionRow> rows;
    for (const auto& row : testing::pageActionRows()) {
        if (row.query) rows.push_back(row);
    }
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Rows, PageActionFloodWebKitTest, ::testing::ValuesIn(floodedRows()),
                         [](const ::testing::TestParamInfo<PageActionRow>& info) {
                             return std::string(info.param.name);
                         });

// 2,000 ticks with labels of 200 KB, each a new label: every label was kept until the next ad's
// report, and the game grew by the labels' size (from 230 to 720 MB in 65 s at 40 a second).
// Both ways a process keeps ticks: only their timestamps, or, in a process that reports (one
// in twenty), their measurements too.
class TwoThousandTicksWebKitTest : public PageActionFloodsWebKitTest,
                                   public ::testing::WithParamInterface<bool> {};

TEST_P(TwoThousandTicksWebKitTest, WithLargeLabelsLeaveTheGameAsLargeAsBefore) {
    auto configuration = GADCSI::sharedInstance()->configuration();
    const bool reporting = configuration->reportingEnabled();
    configuration->setReportingEnabled(GetParam());
    const Left left = flood(FloodedAd::Interstitial,
                            floodingPage("'gmsg://movuroute/instrument?action=tick&label=' + "
                                         "big + i + '&timestamp=' + (1700000000000 + i)",
                                         2000),
                            150);
    configuration->setReportingEnabled(reporting);
    EXPECT_TRUE(left.done || left.processEnded);
    if (left.heapJudged()) {
        EXPECT_LT(left.heapGrowth, static_cast<long long>(kMaxGrowthBytes));
    }
    EXPECT_LE(left.lines, platform::web::WebView::kPageLogLines + 1);
}

INSTANTIATE_TEST_SUITE_P(Processes, TwoThousandTicksWebKitTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Reporting" : "NotReporting");
                         });

// 2,000 expansions, web apps, resizes, pictures and calendar events asked of an ad nobody
// touched: each refusal wrote its MRAID error to the log, 779 lines in 40 s from an
// interstitial and 974 from a banner (1,600 and 2,000 of the 2,000 here).
class TwoThousandRefusalsWebKitTest : public PageActionFloodsWebKitTest,
                                      public ::testing::WithParamInterface<FloodedAd> {};

TEST_P(TwoThousandRefusalsWebKitTest, OfMRAIDRequestsWriteAtMostThePagesLines) {
    // The opener takes expansions and web apps; MRAID the rest.
    const std::string refused =
        "'gmsg://movuroute/' + ['open?a=expand&o=p', 'open?a=webapp&u=' + "
        "encodeURIComponent(location.origin + '/landing'), 'mraid?a=resize&width=300&height=100"
        "&offsetX=0&offsetY=0&customClosePosition=top-right&allowOffscreen=false', "
        "'mraid?a=storePicture&iurl=' + encodeURIComponent(location.origin + "
        "'/mraid/picture.png?n=' + i), 'mraid?a=createCalendarEvent&description=e' + i + "
        "'&start=2030-01-01T10:00:00Z'][i % 5] + '&pad=' + big.substring(0, 1000)";
    // The banner is on the app's screen: under the server's protection nothing it asks for
    // untouched is let through, not even its first.
    const Left left = flood(GetParam(), floodingPage(refused, 2000), 150, true);
    EXPECT_TRUE(left.done || left.processEnded);
    EXPECT_LE(left.lines, platform::web::WebView::kPageLogLines + 1)
        << ::testing::PrintToString(left.firstLines);
    EXPECT_FALSE(left.screenShown);
    EXPECT_EQ(left.desktopOpenings, 0u);
}

INSTANTIATE_TEST_SUITE_P(Ads, TwoThousandRefusalsWebKitTest,
                         ::testing::Values(FloodedAd::Interstitial, FloodedAd::Banner),
                         [](const ::testing::TestParamInfo<FloodedAd>& info) {
                             return std::string(info.param == FloodedAd::Banner ? "Banner"
                                                                                : "Interstitial");
                         });

}  // namespace
}  // namespace ads
