#pragma once

// The gesture that opens an ad's debug dialog (GADAdView::handleGesture): one finger drawing a
// horizontal zig-zag over the ad, right at least 15 points, left at least 15, right at least 15,
// then left by any amount, and lifted. A vertical step of more than 5 points between two moves,
// a leftward start, a run that turns back too soon, or two fingers landing at once fail it. It
// never takes touches from the page (recognised or not, the page sees every touch), so an ad
// that is only scrolled or tapped behaves as if the recognizer were not there. Main thread, as
// every recognizer.

#include <cstdint>

#include "platform/ui/GestureRecognizer.h"

namespace ads {

class GADImpressionTicketGestureRecognizer : public platform::ui::GestureRecognizer {
  public:
    static constexpr double kMinimumRun = 15.0;
    static constexpr double kMaximumVerticalStep = 5.0;

    GADImpressionTicketGestureRecognizer();

    // Its own progress: 0 before the first move, 1-4 in the four runs.
    std::int64_t gestureState() const { return gestureState_; }
    double distanceMoved() const { return distanceMoved_; }

  protected:
    void touchesBegan(const platform::ui::TouchSet& touches,
                      const platform::ui::Event& event) override;
    void touchesMoved(const platform::ui::TouchSet& touches,
                      const platform::ui::Event& event) override;
    void touchesEnded(const platform::ui::TouchSet& touches,
                      const platform::ui::Event& event) override;
    void touchesCancelled(const platform::ui::TouchSet& touches,
                          const platform::ui::Event& event) override;
    void reset() override;

  private:
    void fail() { setState(platform::ui::GestureState::Failed); }

    double distanceMoved_ = 0;
    std::int64_t gestureState_ = 0;
};

}  // namespace ads
