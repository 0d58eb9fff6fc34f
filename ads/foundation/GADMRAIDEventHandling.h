#pragma once

// What an MRAID creative's events go through: the object an ad's MRAIDEventHandler points at
// (the slot that shows it, from the creative's "mraidLoaded" until the slot lets the ad go).
// An ad speaks MRAID exactly while it has one. Main thread only.

#include <memory>
#include <string>

namespace platform::ui {
class View;
}

namespace ads {

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
};

}  // namespace ads
