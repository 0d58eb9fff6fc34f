#pragma once

// The page message "delayPageLoaded": an ad's script holds back its "loaded" signal while it
// prepares ("start" raises a count, "stop" lowers it again) or gives up ("cancel"). Only the
// presence of a parameter counts, never its value, and the first of start, stop and cancel
// present is the one applied, so a message with both start and stop is a start. Every change
// of the count reaches the delegate with the old and the new value; a stop at 0 changes
// nothing and says nothing. A cancel tells the delegate, then forgets it for good and sets the
// count back to 0: a page that gave up cannot hold back a later load of the same view.
//
// Main thread. The work runs on a later main-loop turn, after the work already waiting there,
// and only while the handler lives. The delegate (the page's ad view delegate, which owns this
// handler) is held weakly.

#include <cstdint>
#include <memory>

#include "ads/web/GADDelayLoadDelegate.h"
#include "ads/web/GADGMSGHandler.h"

namespace ads {

class GADDelayPageLoadGMSGHandler
    : public GADGMSGHandler,
      public std::enable_shared_from_this<GADDelayPageLoadGMSGHandler> {
    struct Private {};

  public:
    static std::shared_ptr<GADDelayPageLoadGMSGHandler> create(
        std::weak_ptr<GADDelayLoadDelegate> delegate);
    GADDelayPageLoadGMSGHandler(Private, std::weak_ptr<GADDelayLoadDelegate> delegate);

    const GADGMSGActionTable* actionBlockDictionary() const override;

    void delayPageLoadWithArguments(const GADGMSGActionInfo& info);

    std::int64_t delayCount() const { return delayCount_; }
    std::shared_ptr<GADDelayLoadDelegate> delegate() const { return delegate_.lock(); }

  private:
    void applyArguments(const GADNotification& note);

    std::int64_t delayCount_ = 0;
    std::weak_ptr<GADDelayLoadDelegate> delegate_;
};

}  // namespace ads
