#pragma once

// The SDK core page's viewability messages: "visibilityChanged" (the unit "hashCode" is now
// visible or not, "isVisible" = "1" meaning visible) and "untrackActiveViewUnit" (the page
// stopped watching the unit "hashCode"). Both go to the weak delegate, the SDK core web view,
// which routes them to the unit's observer. A message that lacks a parameter it needs, or whose
// "hashCode" is no whole number of 0 or more, is taken (so no other handler sees it) and
// ignored. Main thread, like every handler.

#include <cstdint>
#include <memory>

#include "ads/web/GADGMSGHandler.h"

namespace ads {

class GADActiveViewGMSGHandler;

class GADActiveViewGMSGHandlerDelegate {
  public:
    virtual ~GADActiveViewGMSGHandlerDelegate() = default;
    virtual void activeViewGMSGHandlerDidReceiveVisibilityNotification(
        GADActiveViewGMSGHandler& handler, bool visible, std::uint64_t activeViewID) = 0;
    virtual void activeViewGMSGHandlerDidReceiveUntrackNotification(
        GADActiveViewGMSGHandler& handler, std::uint64_t activeViewID) = 0;
};

class GADActiveViewGMSGHandler : public GADGMSGHandler {
    struct Private {};

  public:
    static std::shared_ptr<GADActiveViewGMSGHandler> create();
    explicit GADActiveViewGMSGHandler(Private) {}

    const GADGMSGActionTable* actionBlockDictionary() const override;

    std::shared_ptr<GADActiveViewGMSGHandlerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<GADActiveViewGMSGHandlerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

  private:
    void visibilityChanged(const GADGMSGActionInfo& info);
    void untrackActiveViewUnit(const GADGMSGActionInfo& info);

    std::weak_ptr<GADActiveViewGMSGHandlerDelegate> delegate_;
};

}  // namespace ads
