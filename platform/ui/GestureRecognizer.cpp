#include "platform/ui/GestureRecognizer.h"

#include <algorithm>

#include "platform/ui/Touch.h"
#include "platform/ui/View.h"

namespace platform::ui {

void GestureRecognizer::setEnabled(bool e) {
    if (enabled_ == e) return;
    enabled_ = e;
    if (!e && (state_ == GestureState::Began || state_ == GestureState::Changed))
        setState(GestureState::Cancelled);
    if (!e) {
        touches_.clear();
        state_ = GestureState::Possible;
        reset();
    }
}

Point GestureRecognizer::locationInView(const View* v) const {
    if (touches_.empty()) return {};
    Point sum;
    for (auto& t : touches_) {
        Point p = t->locationInView(v);
        sum.x += p.x;
        sum.y += p.y;
    }
    return {sum.x / touches_.size(), sum.y / touches_.size()};
}

void GestureRecognizer::setState(GestureState s) {
    state_ = s;
    if (s == GestureState::Began || s == GestureState::Changed || s == GestureState::Ended ||
        s == GestureState::Cancelled) {
        auto keep = shared_from_this();
        auto actions = actions_;
        for (auto& [id, action] : actions) {
            const bool still = std::any_of(actions_.begin(), actions_.end(),
                                           [id = id](const auto& a) { return a.first == id; });
            if (still) action(*this);
        }
    }
}

void GestureRecognizer::removeTarget(TargetId id) {
    std::erase_if(actions_, [id](const auto& a) { return a.first == id; });
}

void GestureRecognizer::handleBegan(const TouchSet& t, const Event& e) {
    if (!enabled_) return;
    for (auto& touch : t) touches_.push_back(touch);
    if (state_ == GestureState::Failed || state_ == GestureState::Ended ||
        state_ == GestureState::Cancelled)
        return;
    touchesBegan(t, e);
}

void GestureRecognizer::handleMoved(const TouchSet& t, const Event& e) {
    if (!enabled_) return;
    if (state_ == GestureState::Possible || state_ == GestureState::Began ||
        state_ == GestureState::Changed)
        touchesMoved(t, e);
}

void GestureRecognizer::handleEnded(const TouchSet& t, const Event& e) {
    if (!enabled_) return;
    if (state_ == GestureState::Possible || state_ == GestureState::Began ||
        state_ == GestureState::Changed)
        touchesEnded(t, e);
    for (auto& touch : t)
        touches_.erase(std::remove(touches_.begin(), touches_.end(), touch), touches_.end());
}

void GestureRecognizer::handleCancelled(const TouchSet& t, const Event& e) {
    if (!enabled_) return;
    if (state_ == GestureState::Possible || state_ == GestureState::Began ||
        state_ == GestureState::Changed)
        touchesCancelled(t, e);
    for (auto& touch : t)
        touches_.erase(std::remove(touches_.begin(), touches_.end(), touch), touches_.end());
}

void GestureRecognizer::resetIfFinished() {
    if (!touches_.empty()) return;
    if (state_ == GestureState::Possible) return;
    if (state_ == GestureState::Began || state_ == GestureState::Changed) return;
    state_ = GestureState::Possible;
    reset();
}

}  // namespace platform::ui
