#pragma once

// Forwards the button chosen on an action sheet to a method of its owner, which takes either
// the sheet and the index or the index alone. The owner is held weakly: the owner keeps this
// delegate, so holding the owner strongly would keep both alive for ever.

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/ui/ActionSheet.h"

namespace app {

class SimpleUIActionSheetDelegate : public platform::ui::ActionSheetDelegate {
  public:
    template <typename Owner>
    static std::shared_ptr<SimpleUIActionSheetDelegate> create(
        const std::shared_ptr<Owner>& owner,
        void (Owner::*method)(platform::ui::ActionSheet&, std::int64_t)) {
        std::weak_ptr<Owner> weak = owner;
        auto d = std::make_shared<SimpleUIActionSheetDelegate>();
        if (method)
            d->withSheet_ = [weak, method](platform::ui::ActionSheet& s, std::int64_t i) {
                auto o = weak.lock();
                if (!o) return false;
                ((*o).*method)(s, i);
                return true;
            };
        return d;
    }

    template <typename Owner>
    static std::shared_ptr<SimpleUIActionSheetDelegate> create(
        const std::shared_ptr<Owner>& owner, void (Owner::*method)(std::int64_t)) {
        std::weak_ptr<Owner> weak = owner;
        auto d = std::make_shared<SimpleUIActionSheetDelegate>();
        if (method)
            d->withIndex_ = [weak, method](std::int64_t i) {
                auto o = weak.lock();
                if (!o) return false;
                ((*o).*method)(i);
                return true;
            };
        return d;
    }

    void actionSheetClickedButtonAtIndex(platform::ui::ActionSheet& sheet, int index) override;
    // A cancel from the system counts as a click on index -1.
    void actionSheetCancel(platform::ui::ActionSheet& sheet) override;

  private:
    void deliver(platform::ui::ActionSheet& sheet, std::int64_t index);

    // Each answers false when it could not deliver (owner gone).
    std::function<bool(platform::ui::ActionSheet&, std::int64_t)> withSheet_;
    std::function<bool(std::int64_t)> withIndex_;
};

}  // namespace app
