#pragma once

// The second page of a two-part MRAID expansion, shown in an ad view of its own: its page
// hears what the first page heard before its ready (the screen, the device's features, its own
// size and the ad's default position, from the ad's MRAID handler), then that it is ready and
// expanded, and whether it is visible; the banner whose creative asked for it hears
// "expanded" while it is up and "default" once it has gone, each with what its MRAID handler
// finds of it then.
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

  private:
    bool toldPage_ = false;
};

}  // namespace ads
