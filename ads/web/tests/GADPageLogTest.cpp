#include "ads/web/GADPageLog.h"

#include <gtest/gtest.h>

#include <string>

#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/web/GADAdView.h"
#include "platform/base/LogSink.h"
#include "platform/web/WebView.h"

namespace ads {
namespace {

using platform::web::WebView;

// A page's lines spend its own budget, which its next page renews; lines whose page is gone
// share the process's budget, which renews each minute.
TEST(GADPageLogTest, APagesLinesSpendItsBudgetAndAGonePagesTheProcesss) {
    testing::AdsTestScope scope;
    testing::AdViewTestScope views;
    auto adView = GADAdView::create({0, 0, 320, 50});
    auto other = GADAdView::create({0, 0, 320, 50});
    platform::LogSink::Capture log;
    for (int i = 0; i < 250; ++i) GADPageLog::write(adView.get(), "refused " + std::to_string(i));
    EXPECT_TRUE(GADPageLog::write(other.get(), "another page's"));
    auto lines = log.lines();
    ASSERT_EQ(lines.size(), WebView::kPageLogLines + 2);
    EXPECT_EQ(lines[WebView::kPageLogLines], WebView::kPageLogDroppedLine);
    EXPECT_EQ(lines.back(), "another page's");

    adView->loadHTMLString("<p>next</p>", std::nullopt);
    EXPECT_TRUE(GADPageLog::write(adView.get(), "the next page's"));

    platform::LogSink::Capture orphans;
    int made = 0;
    for (int i = 0; i < 250; ++i) {
        GADPageLog::write(nullptr, [&] {
            ++made;
            return std::string("gone");
        });
    }
    EXPECT_EQ(made, int(GADPageLog::kOrphanLines));
    EXPECT_EQ(orphans.lines().size(), GADPageLog::kOrphanLines + 1);
    EXPECT_EQ(orphans.lines().back(), GADPageLog::kOrphanDroppedLine);
    scope.advance(GADPageLog::kOrphanPeriodSeconds);
    EXPECT_TRUE(GADPageLog::write(nullptr, "a minute later"));
}

}  // namespace
}  // namespace ads
