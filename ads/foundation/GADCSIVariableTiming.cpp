#include "ads/foundation/GADCSIVariableTiming.h"

#include "platform/runtime/WeakCall.h"
#include "platform/ui/Application.h"

namespace ads {

std::shared_ptr<GADCSIVariableTiming> GADCSIVariableTiming::create(std::string name,
                                                                   double startTime) {
    return create(std::move(name), startTime, -1.0);
}

std::shared_ptr<GADCSIVariableTiming> GADCSIVariableTiming::create(std::string name,
                                                                   double startTime,
                                                                   double length) {
    if (name.empty()) return nullptr;
    auto timing =
        std::make_shared<GADCSIVariableTiming>(Private{}, std::move(name), startTime, length);
    timing->observeResignActive();
    return timing;
}

GADCSIVariableTiming::GADCSIVariableTiming(Private, std::string name, double startTime,
                                           double length)
    : name_(std::move(name)), start_(startTime), length_(length) {}

void GADCSIVariableTiming::observeResignActive() {
    resignActive_ = platform::NotificationCenter::defaultCenter().observe(
        platform::ui::kWillResignActiveNotification, nullptr,
        platform::weakCall(weak_from_this(),
                           [](GADCSIVariableTiming& self, const platform::Notification&) {
                               if (self.length() < 0) self.setStart(-1.0);
                           }));
}

}  // namespace ads
