#pragma once

// When a rendered check looks at its page, and which picture each tick of its timer judges, so
// that no tick waits for the page: a busy page (a creative's script that runs for seconds)
// answers a request for its picture seconds late, and a check that waited for it held the
// game's main thread, and every frame, for as long.
//
// Each tick still gives its delegate exactly one verdict, as a check that waited for its
// picture did; only the waiting goes:
// - A tick with no look in flight asks the page for a picture. A picture that comes before
//   the next tick is judged at once: it is that tick's verdict.
// - A look whose picture has not come by the next tick is not judged at that tick. The tick
//   that asked is reported not rendered then (nothing was seen in time, like a picture that
//   did not come within a waiting check's time-out), and so is every tick while the look stays
//   in flight; no second look is asked meanwhile (one in flight).
// - A picture that comes late is kept and judged at the next tick, which asks for none.
// So N ticks give N verdicts whatever the page does, and a check that gives up after so many
// failed looks gives up on the clock of its ticks, as before.
//
// Pure: no clock and no engine; the checkers drive it. Main thread only.

#include <cstdint>
#include <optional>

#include "platform/web/WebViewTypes.h"

namespace ads {

class GADRenderedLooks {
  public:
    // What one tick does, in this order.
    struct Tick {
        enum class Then {
            Look,       // ask for picture `look`; it is this tick's verdict if it comes in time
            JudgeHeld,  // judge `held` (a picture that came late; nothing when none could be had)
            Unseen,     // report not rendered: the look is still in flight
        };
        // First report the previous tick not rendered: its picture has not come in time.
        bool previousUnseen = false;
        Then then = Then::Look;
        std::uint64_t look = 0;
        std::optional<platform::web::WebSnapshot> held;
    };

    Tick tick();
    // The picture of look `look` came (nothing when the page could not be pictured). True when
    // it is the running tick's verdict, to be judged now; otherwise it is taken to be judged at
    // the next tick, or ignored when it answers a look given up by reset().
    bool arrived(std::uint64_t look, std::optional<platform::web::WebSnapshot>& picture);
    // Nothing in flight, nothing kept: the next tick asks afresh.
    void reset();

    bool isLookInFlight() const { return inFlight_; }

  private:
    std::uint64_t looks_ = 0;
    bool inFlight_ = false;
    // The running tick asked for the look in flight and has no verdict yet.
    bool owed_ = false;
    bool hasHeld_ = false;
    std::optional<platform::web::WebSnapshot> held_;
};

}  // namespace ads
