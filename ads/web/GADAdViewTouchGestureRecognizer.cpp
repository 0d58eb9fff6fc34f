#include "ads/web/GADAdViewTouchGestureRecognizer.h"

#include <cstdint>

#include "ads/foundation/GADDeviceSignal.h"
#include "ads/foundation/GADRunOnMainThread.h"
#include "platform/ui/Touch.h"
#include "platform/ui/View.h"

namespace ads {

using platform::ui::GestureState;

GADAdViewTouchGestureRecognizer::GADAdViewTouchGestureRecognizer(TouchHandler onTouch)
    : onTouch_(std::move(onTouch)) {
    // Never recognizing, it must never take touches from the page either.
    setCancelsTouchesInView(false);
}

void GADAdViewTouchGestureRecognizer::touchesBegan(const platform::ui::TouchSet&,
                                                   const platform::ui::Event& event) {
    touchesBeganTimestamp_ = event.timestamp();
    if (onTouch_) onTouch_();
}

void GADAdViewTouchGestureRecognizer::touchesEnded(const platform::ui::TouchSet& touches,
                                                   const platform::ui::Event& event) {
    setState(GestureState::Failed);
    const double began = touchesBeganTimestamp_;
    touchesBeganTimestamp_ = 0;
    if (touches.empty()) return;
    // Whole milliseconds and points: the signal recorder keeps 32-bit integers.
    const auto truncated = [](double value) {
        if (!(value > -2147483648.0 && value < 2147483648.0)) return std::int32_t{-1};
        return static_cast<std::int32_t>(value);
    };
    const std::int32_t duration = began > 0 ? truncated((event.timestamp() - began) * 1000) : -1;
    auto view = this->view();
    const platform::Point location = touches.front()->locationInView(view.get());
    GADRunOnMainThread([x = truncated(location.x), y = truncated(location.y), duration] {
        GADRecordTouchSignal(x, y, duration);
    });
}

void GADAdViewTouchGestureRecognizer::touchesCancelled(const platform::ui::TouchSet&,
                                                       const platform::ui::Event&) {
    setState(GestureState::Failed);
    touchesBeganTimestamp_ = 0;
}

}  // namespace ads
