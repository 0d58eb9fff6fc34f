#include "ads/fullscreen/GADMRAIDStateReport.h"

#include "ads/web/GADAdView.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

void GADMRAIDStateReport::layoutWillChange(const std::shared_ptr<GADMRAIDEventHandling>& handler) {
    MOVU_CHECK_MAIN_THREAD();
    if (handler) handler->MRAIDLayoutWillChange();
}

GADMRAIDEvents::value_type GADMRAIDStateReport::stateEvent(const std::string& state) {
    return {"onStateChanged", {{"state", platform::Value(state)}}};
}

void GADMRAIDStateReport::layoutDidChange(const std::shared_ptr<GADMRAIDEventHandling>& handler,
                                          const std::shared_ptr<GADAdView>& view,
                                          const std::optional<std::string>& state, bool alwaysSize,
                                          GADMRAIDEvents before) {
    MOVU_CHECK_MAIN_THREAD();
    if (!view) return;
    GADMRAIDEvents events = std::move(before);
    if (state) events.push_back(stateEvent(*state));
    if (handler) {
        for (auto& event : handler->MRAIDLayoutDidChange(view, alwaysSize)) {
            events.push_back(std::move(event));
        }
    }
    view->dispatchLayoutEvents(events);
}

}  // namespace ads
