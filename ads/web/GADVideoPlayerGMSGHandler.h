#pragma once

// The page message "video": its parameter "action" picks what happens to the video of the ad
// view the message came from (GADAdViewVideoAdditions, GADVideoPlayer):
//   "new"         "x","y","w","h": as "position", then a player without a source if none yet
//   "position"    "x","y","w","h": the picture's frame when all four are there (and finite),
//                 else the zero rectangle (the whole ad view); laid out on the next layout
//   "src"         "src": the source (text that is no URL: no source)
//   "load"        nothing
//   "play", "pause"
//   "volume"      "volume": 0..1, anything else ignored
//   "muted"       "muted": "Y", "y", "T", "t" or a digit 1-9 first (after blanks) mutes
//   "currentTime" "time": a seek, in seconds (not finite: ignored; negative: to 0)
//   "hide", "show" the picture
// Numbers read their leading number (text without one reads 0). An absent or unknown action,
// a missing parameter, and every action that talks to the player while the ad view has none
// change nothing; the message still counts as handled. Every known action spends the page's
// video budget (GADPageVideoBudget: switches, sources and actions per ad); one past it is
// refused: the page hears "error" (a refused source drops the item it would have replaced),
// and a line (kVideoActionRefusedText and the action's name) goes out of the page's log
// budget.
//
// Main thread, as every handler. The ad view's delegate is held weakly and not used.

#include <memory>

#include "ads/web/GADGMSGHandler.h"
#include "ads/web/GADGMSGHandlerTable.h"

namespace ads {

class GADAdViewDelegate;

class GADVideoPlayerGMSGHandler : public GADGMSGHandler {
    struct Private {};

  public:
    static constexpr const char* kVideoActionRefusedText =
        "Ad page video: this ad has asked its video player for as much as an ad may; refused: ";

    static std::shared_ptr<GADVideoPlayerGMSGHandler> create(
        std::weak_ptr<GADAdViewDelegate> adViewDelegate = {});
    GADVideoPlayerGMSGHandler(Private, std::weak_ptr<GADAdViewDelegate> adViewDelegate);

    // Takes the video's place in a page list.
    template <class Context>
    static void fillPlace(GADGMSGHandlerTable<Context>& list) {
        list.fill(GADGMSGHandlerPlace::Video, [](const Context&) { return create(); });
    }

    const GADGMSGActionTable* actionBlockDictionary() const override;
    void didReceiveVideoAction(const GADGMSGActionInfo& info);

  private:
    std::weak_ptr<GADAdViewDelegate> adViewDelegate_;
};

}  // namespace ads
