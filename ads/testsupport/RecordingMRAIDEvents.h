#pragma once

// An MRAID event handler that writes down what it hears, as "error <action>: <message>",
// "visible 1", "loaded", "unloaded" and "position".

#include <memory>
#include <string>
#include <vector>

#include "ads/foundation/GADMRAIDEventHandling.h"

namespace ads::testing {

class RecordingMRAIDEvents : public GADMRAIDEventHandling {
  public:
    static std::shared_ptr<RecordingMRAIDEvents> create() {
        return std::make_shared<RecordingMRAIDEvents>();
    }
    void MRAIDAdDidLoad() override { events.push_back("loaded"); }
    void MRAIDAdDidUnload() override { events.push_back("unloaded"); }
    void updateVisibility(bool visible) override {
        events.push_back(std::string("visible ") + (visible ? "1" : "0"));
    }
    void updatePositionFromView(const std::shared_ptr<platform::ui::View>&) override {
        events.push_back("position");
    }
    void handleError(const std::string& message, const std::string& action) override {
        events.push_back("error " + action + ": " + message);
    }

    std::vector<std::string> events;
};

}  // namespace ads::testing
