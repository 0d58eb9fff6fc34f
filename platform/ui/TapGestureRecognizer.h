#pragma once

#include "platform/ui/GestureRecognizer.h"

namespace platform::ui {

// Recognized when the required number of taps lands near one place, each quickly after the
// previous one. A finger that wanders off fails it.
class TapGestureRecognizer : public GestureRecognizer {
  public:
    static std::shared_ptr<TapGestureRecognizer> create(Action a = {});

    int numberOfTapsRequired() const { return tapsRequired_; }
    void setNumberOfTapsRequired(int n) { tapsRequired_ = n < 1 ? 1 : n; }

    static constexpr double kAllowableMovement = 10;
    static constexpr double kMaximumTapInterval = 0.35;

  protected:
    void touchesBegan(const TouchSet& t, const Event& e) override;
    void touchesMoved(const TouchSet& t, const Event& e) override;
    void touchesEnded(const TouchSet& t, const Event& e) override;
    void reset() override;

  private:
    int tapsRequired_ = 1;
    int taps_ = 0;
    Point start_;
    double lastEnd_ = -1;
};

}  // namespace platform::ui
