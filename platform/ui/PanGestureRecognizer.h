#pragma once

#include "platform/ui/GestureRecognizer.h"

namespace platform::ui {

// Begins once the touches have moved far enough from where they went down, then reports
// changes until they lift.
class PanGestureRecognizer : public GestureRecognizer {
  public:
    static std::shared_ptr<PanGestureRecognizer> create(Action a = {});

    static constexpr double kHysteresis = 10;

    // Movement since the gesture's start, in the given view's coordinate scale.
    Point translationInView(const View* v) const;
    void setTranslation(Point t, const View* v);
    // Points per second, from the last two samples.
    Point velocityInView(const View* v) const;

  protected:
    void touchesBegan(const TouchSet& t, const Event& e) override;
    void touchesMoved(const TouchSet& t, const Event& e) override;
    void touchesEnded(const TouchSet& t, const Event& e) override;
    void reset() override;

  private:
    Point start_;
    Point last_;
    double lastTime_ = 0;
    Point velocity_;
};

}  // namespace platform::ui
