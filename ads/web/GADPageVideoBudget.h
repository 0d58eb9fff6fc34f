#pragma once

// What one ad's page may ask of the game's media player with "video" messages. A page is
// untrusted and may run with nobody watching (a preloaded interstitial long before it shows);
// each source it names is a fetch from a server of its choosing and a pipeline of decoders in
// the game's process, so a page switching sources in a loop costs the game a core and the
// player its data plan. Per ad, that is per page its ad view loaded (GADAdView::pageLoadCount):
//   - at most kMaxSwitchesPerAd sources that cut the one before short: named while an item
//     the page opened had neither played to its end nor failed (a page switching sources in a
//     loop replaces each before it ends). A source after the last one ended or failed, as a
//     playlist's next clip or a wrapper's second media file, is not a switch;
//   - at most kMaxSourcesPerAd sources in all ("src" naming one that may play: one that may
//     not opens nothing and counts as any other action);
//   - at most kMaxActionsPerAd actions of any kind, sources included;
//   - past any of them, the action is refused: the page hears "error" (a refused source also
//     drops the item it would have replaced, GADVideoPlayer::refuseSource), and each refusal
//     writes a line out of the page's log budget (its web view's pageLog(): 100 lines and one
//     dropped line for everything the page causes), so a flood is heard of once in the log.
// Nothing is kept for an ad view that is gone, and a new page in the view starts afresh.
//
// The judgement is Allowance (pure: counts and limits); GADPageVideoBudget keeps one per ad
// view. Main thread only; the ad views are held weakly.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>

namespace ads {

class GADAdView;

class GADPageVideoBudget {
  public:
    // An honest video ad names one source, or two: a short one while it loads and the full
    // one, or a VAST wrapper's second media file after the first failed. A page that replaces
    // items before they end four times that often is switching in a loop.
    static constexpr std::size_t kMaxSwitchesPerAd = 8;
    // A playlist ad plays its clips to their ends, one after another: up to 20 short ones, and
    // a few failed files or cut-short switches among them. Past that each source is a fetch
    // and a pipeline nobody watches to its end.
    static constexpr std::size_t kMaxSourcesPerAd = 32;
    // Its player is driven by a few dozen actions per clip: made, placed (again at each layout
    // change: rotation, expansion), played, paused and resumed as it leaves and enters view,
    // muted, sought back to replay. Past a few hundred a page is not playing a video to
    // anybody.
    static constexpr std::size_t kMaxActionsPerAd = 256;

    // What one action is.
    enum class Kind {
        Action,  // not a source
        Source,  // a source after none, or after the last one ended or failed
        Switch,  // a source that cuts an unfinished one short
    };

    // One page's spending.
    struct Allowance {
        std::size_t actions = 0;
        std::size_t sources = 0;
        std::size_t switches = 0;
        // Spends one action (a source and a switch too, when it is one): whether it may run.
        // A refused one spends nothing.
        bool spend(Kind kind);
    };

    // The one every page's video handler shares.
    static GADPageVideoBudget& shared();

    // Spends one action of the ad view's current page: whether it may run.
    bool admit(const std::shared_ptr<GADAdView>& adView, Kind kind);
    // The ad views with an allowance kept (tests: a view that is gone has none).
    std::size_t adsKept() const { return ads_.size(); }

  private:
    struct Entry {
        std::weak_ptr<GADAdView> view;
        std::uint64_t page = 0;
        Allowance allowance;
    };
    std::map<const GADAdView*, Entry> ads_;
};

}  // namespace ads
