// A creative that asks for what it is refused, over and over, on real WebKit against our
// loopback ad server, with the rooms loaded as the program loads them: every line it causes in
// the game's log, whoever writes it, comes out of the one budget of its page, and the game's
// cores pay little for the refusals. Needs a display: scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "ads/slot/GADInterstitial.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/tests/HostileInterstitialsFixture.h"
#include "ads/web/GADAdView.h"
#include "platform/base/LogSink.h"
#include "platform/web/WebView.h"

namespace ads {
namespace {

using platform::LogSink;
using tools::adserver::Hostility;

constexpr const char* kHostileUnit = "ca-movu-refusals";

// The CPU time this process has used, all its threads, user and system.
double processCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Lines a refusal of the page's requests writes, and the one that says the rest are dropped.
// (A web process's own output has a budget of its own.)
bool isPageLine(const std::string& line) {
    static const char* const kPageTexts[] = {
        "WebView: a page asked to print",
        "WebView: a page asked for a file",
        "WebView: a page's download",
        "WebView: a response that is",
        platform::web::WebView::kPageLogDroppedLine,
    };
    return std::any_of(std::begin(kPageTexts), std::end(kPageTexts),
                       [&](const char* text) { return line.rfind(text, 0) == 0; });
}

class RefusedRequestsLogWebKitTest : public testing::HostileInterstitialsFixture {
  protected:
    RefusedRequestsLogWebKitTest() : HostileInterstitialsFixture(kHostileUnit) {}
};

// What the refusing page counted: its prints, downloads, choosers asked for and taps heard.
struct Counted {
    int prints = -1, downloads = -1, choosers = -1, taps = -1;
    bool done() const {
        return prints == tools::adserver::kRefusalFloodPrints &&
               downloads == tools::adserver::kRefusalFloodDownloads &&
               choosers >= tools::adserver::kRefusalFloodChoosers;
    }
};

Counted counted(const std::shared_ptr<GADInterstitial>& ad) {
    Counted c;
    const std::string text =
        ad->slot()->adView()->webView()->stringByEvaluatingJavaScriptFromString(
            "[hostile.prints, hostile.downloads, hostile.choosers, hostile.taps].join(' ')", 2);
    std::sscanf(text.c_str(), "%d %d %d %d", &c.prints, &c.downloads, &c.choosers, &c.taps);
    return c;
}

TEST_F(RefusedRequestsLogWebKitTest, EveryRefusalOfAPageSpendsItsOneBudget) {
    LogSink::Capture log;
    const double cpuBefore = processCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    // Prints and downloads start as it loads, before anyone has seen it.
    auto hostile = loadHostile(Hostility::RefusalFlood);
    ASSERT_EQ(hostileDelegate->log, (Log{"received"}));
    show(hostile);
    // Each tap, below the offer and away from our close button, gives it a chooser; the next
    // comes once the page has heard the last.
    int tapped = 0;
    Counted now;
    ASSERT_TRUE(waitFor(
        [&] {
            now = counted(hostile);
            if (now.choosers < tools::adserver::kRefusalFloodChoosers && now.taps == tapped) {
                tap({160, 440});
                ++tapped;
            }
            return now.done();
        },
        100))
        << "prints " << now.prints << ", downloads " << now.downloads << ", choosers "
        << now.choosers << " after " << now.taps << " taps";
    // Some of the downloads are the page's frames, whose answers are refused as they come.
    EXPECT_TRUE(waitFor([&] {
        return ads.log().count(tools::adserver::RequestKind::Attachment) ==
               std::size_t(tools::adserver::kRefusalFloodAttachmentFrames);
    }));
    RecordProperty(
        "floodSeconds",
        std::to_string(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()));
    RecordProperty("gameCpuSeconds", std::to_string(processCpuSeconds() - cpuBefore));

    const auto lines = log.lines();
    std::vector<std::string> pageLines;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(pageLines), isPageLine);
    RecordProperty("pageLines", std::to_string(pageLines.size()));
    EXPECT_LE(pageLines.size(), platform::web::WebView::kPageLogLines + 1)
        << ::testing::PrintToString(std::vector<std::string>(
               pageLines.begin(), pageLines.begin() + std::min<std::size_t>(pageLines.size(), 20)));
    EXPECT_EQ(
        std::count(pageLines.begin(), pageLines.end(), platform::web::WebView::kPageLogDroppedLine),
        1);
    closeWithOurButton();
}

}  // namespace
}  // namespace ads
