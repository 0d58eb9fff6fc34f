#pragma once

// What an MRAID creative's events go through: the object an ad's MRAIDEventHandler points at
// (the slot that shows it, from the creative's "mraidLoaded" until the slot lets the ad go).
// An ad speaks MRAID exactly while it has one. Main thread only.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/Value.h"

namespace platform::ui {
class View;
}

namespace ads {

// Page events by name with their parameters, in the order the page must hear them.
using GADMRAIDEvents = std::vector<std::pair<std::string, platform::Value::Dictionary>>;

class GADMRAIDEventHandling {
  public:
    virtual ~GADMRAIDEventHandling() = default;

    virtual void MRAIDAdDidLoad() = 0;
    virtual void MRAIDAdDidUnload() = 0;
    virtual void updateVisibility(bool visible) = 0;
    // The monitored view, at each viewability refresh.
    virtual void updatePositionFromView(const std::shared_ptr<platform::ui::View>& view) = 0;
    // The creative hears "onError" with the message and the action.
    virtual void handleError(const std::string& message, const std::string& action) = 0;

    // The creative's layout begins to change (expand, resize, collapse): whatever is measured
    // until it has changed belongs to no state the creative could read, so it is kept back.
    virtual void MRAIDLayoutWillChange() {}
    // The layout has changed and `view` stands where it now is. Answers what must reach the
    // page together with, and right after, the state event that names the layout (its size
    // and position, its visibility), so that a listener of either reads one layout; `always`
    // reports the size even when it did not change. Nothing by default.
    virtual GADMRAIDEvents MRAIDLayoutDidChange(const std::shared_ptr<platform::ui::View>& /*view*/,
                                                bool /*always*/) {
        return {};
    }
    // What a further page of the creative (the second page of a two-part expand, shown in
    // `page`) must hear before it is told it is ready: the screen, the device's features, its
    // own size and the ad's default position. Nothing by default.
    virtual GADMRAIDEvents MRAIDEventsForPage(const std::shared_ptr<platform::ui::View>& /*page*/) {
        return {};
    }
};

}  // namespace ads
