#include "ads/web/GADPageVideoBudget.h"

#include "ads/web/GADAdView.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

bool GADPageVideoBudget::Allowance::spend(Kind kind) {
    const bool source = kind != Kind::Action;
    const bool cuts = kind == Kind::Switch;
    if (actions >= kMaxActionsPerAd || (source && sources >= kMaxSourcesPerAd) ||
        (cuts && switches >= kMaxSwitchesPerAd)) {
        return false;
    }
    ++actions;
    sources += source;
    switches += cuts;
    return true;
}

GADPageVideoBudget& GADPageVideoBudget::shared() {
    // Never released: handlers of pages alive at exit still reach it.
    static auto* instance = new GADPageVideoBudget();
    return *instance;
}

bool GADPageVideoBudget::admit(const std::shared_ptr<GADAdView>& adView, Kind kind) {
    MOVU_CHECK_MAIN_THREAD();
    if (!adView) return false;
    std::erase_if(ads_, [](const auto& entry) { return entry.second.view.expired(); });
    const std::uint64_t page = adView->pageLoadCount();
    Entry& entry = ads_[adView.get()];
    // A new view at a freed one's address, or the view's next page: a budget of its own.
    if (entry.view.lock() != adView || entry.page != page) entry = Entry{adView, page, {}};
    return entry.allowance.spend(kind);
}

}  // namespace ads
