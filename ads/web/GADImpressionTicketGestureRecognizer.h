#pragma once

// The gesture that opens an ad's debug dialog (GADAdView::handleGesture). It sits on every ad
// view beside the touch recognizer and fails on every touch until the slot's gesture pattern
// is taught to it, so it never takes a touch from the page.

#include "platform/ui/GestureRecognizer.h"

namespace ads {

class GADImpressionTicketGestureRecognizer : public platform::ui::GestureRecognizer {
  public:
    GADImpressionTicketGestureRecognizer();

  protected:
    void touchesBegan(const platform::ui::TouchSet& touches,
                      const platform::ui::Event& event) override;
};

}  // namespace ads
