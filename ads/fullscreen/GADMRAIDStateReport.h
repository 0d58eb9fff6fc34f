#pragma once

// The state events an MRAID creative hears from the screens that change its layout (expand,
// resize, collapse, the second page of a two-part expand). A state event and what the ad's
// MRAID handler says belongs to the layout it names (its size and position, its visibility)
// reach the page in one delivery, the state first, so a listener of either reads the state and
// size of one layout. Without a handler (or for a view it does not measure) the page hears the
// state alone. An ad view back in its banner shows the picture of its page there until the page
// has run that delivery and painted (GADAdView::dispatchLayoutEvents). Main thread only.

#include <memory>
#include <optional>
#include <string>

#include "ads/foundation/GADMRAIDEventHandling.h"

namespace ads {

class GADAdView;

struct GADMRAIDStateReport {
    // The layout starts to change; the handler keeps back what it measures meanwhile.
    static void layoutWillChange(const std::shared_ptr<GADMRAIDEventHandling>& handler);
    // The layout has changed: `before` (events of the change itself), then the state (none
    // when the layout changed without a state of its own), then the handler's events of the
    // layout (the size even when unchanged with `alwaysSize`), all in one delivery.
    static void layoutDidChange(const std::shared_ptr<GADMRAIDEventHandling>& handler,
                                const std::shared_ptr<GADAdView>& view,
                                const std::optional<std::string>& state, bool alwaysSize = false,
                                GADMRAIDEvents before = {});
    static GADMRAIDEvents::value_type stateEvent(const std::string& state);
};

}  // namespace ads
