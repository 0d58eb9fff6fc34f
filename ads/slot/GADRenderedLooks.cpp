#include "ads/slot/GADRenderedLooks.h"

#include <utility>

namespace ads {

GADRenderedLooks::Tick GADRenderedLooks::tick() {
    Tick tick;
    if (owed_) {
        owed_ = false;
        tick.previousUnseen = true;
    }
    if (hasHeld_) {
        hasHeld_ = false;
        tick.then = Tick::Then::JudgeHeld;
        tick.held = std::exchange(held_, std::nullopt);
        return tick;
    }
    if (inFlight_) {
        tick.then = Tick::Then::Unseen;
        return tick;
    }
    inFlight_ = true;
    owed_ = true;
    tick.then = Tick::Then::Look;
    tick.look = ++looks_;
    return tick;
}

bool GADRenderedLooks::arrived(std::uint64_t look,
                               std::optional<platform::web::WebSnapshot>& picture) {
    if (!inFlight_ || look != looks_) return false;
    inFlight_ = false;
    if (owed_) {
        owed_ = false;
        return true;
    }
    hasHeld_ = true;
    held_ = std::move(picture);
    return false;
}

void GADRenderedLooks::reset() {
    // The number goes on, so a picture of a look given up here is recognised as stale.
    inFlight_ = false;
    owed_ = false;
    hasHeld_ = false;
    held_.reset();
}

}  // namespace ads
