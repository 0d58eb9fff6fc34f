#pragma once

// A view that is not there for touches: its subviews take theirs, but a touch on its own empty
// area falls through to whatever lies beneath. The transparent presenter lays full-screen ads
// into the app's window with these, so the app stays usable around the ad's content.

#include <memory>

#include "platform/ui/View.h"

namespace ads {

class GADUnclickableView : public platform::ui::View {
    struct Private {};

  public:
    static std::shared_ptr<GADUnclickableView> create(platform::Rect frame = {});
    GADUnclickableView(Private, platform::Rect frame) : platform::ui::View(frame) {}

    const char* className() const override { return "GADUnclickableView"; }

    // The ordinary hit test, except that this view itself is never the answer.
    std::shared_ptr<platform::ui::View> hitTest(platform::Point p,
                                                const platform::ui::Event* event) override;
};

}  // namespace ads
