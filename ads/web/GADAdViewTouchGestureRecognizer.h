#pragma once

// Watches the touches on an ad without ever taking them: it fails at the end of every touch, so
// the page and every other recognizer see the touches as if it were not there. The ad view
// hears of each touch that begins, so a later navigation can be told from one the page made on
// its own (a click needs a real touch); each touch that ends goes to the device's touch signal
// (its place in the view and how long it lasted, -1 ms when its start was not seen).

#include <functional>

#include "platform/ui/GestureRecognizer.h"

namespace ads {

class GADAdViewTouchGestureRecognizer : public platform::ui::GestureRecognizer {
  public:
    using TouchHandler = std::function<void()>;

    explicit GADAdViewTouchGestureRecognizer(TouchHandler onTouch);

    // The event time of the last touch start; 0 when none is open.
    double touchesBeganTimestamp() const { return touchesBeganTimestamp_; }

  protected:
    void touchesBegan(const platform::ui::TouchSet& touches,
                      const platform::ui::Event& event) override;
    void touchesEnded(const platform::ui::TouchSet& touches,
                      const platform::ui::Event& event) override;
    void touchesCancelled(const platform::ui::TouchSet& touches,
                          const platform::ui::Event& event) override;

  private:
    TouchHandler onTouch_;
    double touchesBeganTimestamp_ = 0;
};

}  // namespace ads
