#pragma once

// The second page of a two-part MRAID expansion, shown in an ad view of its own: its page
// hears that it is ready and expanded, and whether it is visible; the banner whose creative
// asked for it hears "expanded" while it is up and "default" once it has gone.
//
// Main thread only; the banner's ad view is reached through the slot, weakly.

#include <memory>

#include "ads/fullscreen/GADAdAppViewController.h"

namespace ads {

class GADSupplementalAdAppViewController : public GADAdAppViewController {
  public:
    static std::shared_ptr<GADSupplementalAdAppViewController> create();
    explicit GADSupplementalAdAppViewController(Private key)
        : GADAdAppViewController(key, nullptr) {}

    const char* className() const override { return "GADSupplementalAdAppViewController"; }

    void viewDidAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;

  protected:
    void finishAppearing() override;
    void finishDismissal() override;
};

}  // namespace ads
