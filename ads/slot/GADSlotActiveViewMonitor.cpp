#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADMRAIDEventHandling.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/GADSlotActiveView.h"
#include "ads/web/GADAdView.h"

namespace ads {

// The slot as its measurement sees it; held weakly, so a slot on its way out answers nothing.
class GADSlotActiveViewSlotHost : public GADSlotActiveViewHost {
  public:
    explicit GADSlotActiveViewSlotHost(std::weak_ptr<GADSlot> slot) : slot_(std::move(slot)) {}

    std::shared_ptr<platform::ui::View> activeViewMonitoredView() const override {
        auto slot = slot_.lock();
        return slot ? slot->adView() : nullptr;
    }
    std::shared_ptr<GADAd> activeViewAd() const override {
        auto slot = slot_.lock();
        return slot ? slot->ad() : nullptr;
    }
    bool viewHasMadeImpression() const override {
        auto slot = slot_.lock();
        return slot && slot->viewHasMadeImpression_;
    }
    bool isMediating() const override {
        auto slot = slot_.lock();
        return slot && slot->isMediating();
    }
    bool isMRAIDEnabled() const override {
        auto slot = slot_.lock();
        return slot && slot->isMRAIDEnabled();
    }
    bool isInterstitial() const override {
        auto slot = slot_.lock();
        return slot && slot->adType().isInterstitial();
    }
    // Each sample tells the shown ad's MRAID handler (when it speaks MRAID) where it is.
    void updateMRAIDPositionFromView(const platform::ui::View& view) override {
        auto slot = slot_.lock();
        if (!slot) return;
        if (auto handler = slot->MRAIDEventHandler()) {
            handler->updatePositionFromView(
                std::const_pointer_cast<platform::ui::View>(view.shared_from_this()));
        }
    }

  private:
    std::weak_ptr<GADSlot> slot_;
};

GADSlotActiveView& GADSlot::activeView() {
    if (!activeView_) {
        activeView_ = GADSlotActiveView::create(
            std::make_unique<GADSlotActiveViewSlotHost>(weak_from_this()));
    }
    return *activeView_;
}

void GADSlot::startActiveViewReportingIfEnabled() {
    activeView().startActiveViewReportingIfEnabled();
}

void GADSlot::finishActiveViewReporting() {
    if (activeView_) activeView_->finishActiveViewReporting();
}

}  // namespace ads
