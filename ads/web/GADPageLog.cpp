#include "ads/web/GADPageLog.h"

#include "ads/web/GADAdView.h"
#include "platform/base/LogBudget.h"
#include "platform/runtime/Clock.h"

namespace ads {

namespace {

platform::LogBudget& orphanLog() {
    // Never destroyed: a late step may log while the process exits.
    static auto* budget = new platform::LogBudget(
        GADPageLog::kOrphanLines, GADPageLog::kOrphanDroppedLine, GADPageLog::kOrphanPeriodSeconds);
    return *budget;
}

}  // namespace

bool GADPageLog::write(const GADAdView* adView, const std::function<std::string()>& line) {
    if (adView && adView->webView()) return adView->webView()->pageLog().writeWith(line);
    return orphanLog().writeWith(line, platform::Clock::monotonic());
}

}  // namespace ads
