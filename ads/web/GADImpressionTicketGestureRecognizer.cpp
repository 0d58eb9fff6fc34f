#include "ads/web/GADImpressionTicketGestureRecognizer.h"

#include <cmath>

#include "platform/ui/Touch.h"
#include "platform/ui/View.h"

namespace ads {

using platform::ui::GestureState;

GADImpressionTicketGestureRecognizer::GADImpressionTicketGestureRecognizer() {
    setCancelsTouchesInView(false);
}

void GADImpressionTicketGestureRecognizer::touchesBegan(const platform::ui::TouchSet& touches,
                                                        const platform::ui::Event&) {
    if (touches.size() != 1) fail();
}

void GADImpressionTicketGestureRecognizer::touchesMoved(const platform::ui::TouchSet& touches,
                                                        const platform::ui::Event&) {
    if (state() == GestureState::Failed || touches.empty()) return;
    auto view = this->view();
    const platform::Point now = touches.front()->locationInView(view.get());
    const platform::Point before = touches.front()->previousLocationInView(view.get());
    if (std::fabs(now.y - before.y) > kMaximumVerticalStep) {
        fail();
        return;
    }
    const double step = std::fabs(now.x - before.x);
    const bool left = now.x < before.x;
    const bool right = now.x > before.x;
    // A run that turns back starts the next one with the step that turned it.
    const auto turn = [&] {
        if (distanceMoved_ < kMinimumRun) {
            fail();
            return;
        }
        distanceMoved_ = step;
        ++gestureState_;
    };
    switch (gestureState_) {
        case 0:
            if (left) {
                fail();
                return;
            }
            distanceMoved_ += step;
            gestureState_ = 1;
            break;
        case 1:
        case 3:
            if (left) {
                turn();
            } else {
                distanceMoved_ += step;
            }
            break;
        case 2:
            if (right) {
                turn();
            } else {
                distanceMoved_ += step;
            }
            break;
        case 4:
            // The last run has no minimum, but it may not turn back.
            if (right) {
                fail();
            } else {
                distanceMoved_ += step;
            }
            break;
        default:
            fail();
    }
}

void GADImpressionTicketGestureRecognizer::touchesEnded(const platform::ui::TouchSet&,
                                                        const platform::ui::Event&) {
    if (state() == GestureState::Possible && gestureState_ == 4) {
        setState(GestureState::Ended);
        return;
    }
    fail();
    gestureState_ = 0;
}

void GADImpressionTicketGestureRecognizer::touchesCancelled(const platform::ui::TouchSet&,
                                                            const platform::ui::Event&) {
    fail();
    reset();
}

void GADImpressionTicketGestureRecognizer::reset() {
    GestureRecognizer::reset();
    gestureState_ = 0;
    distanceMoved_ = 0;
}

}  // namespace ads
