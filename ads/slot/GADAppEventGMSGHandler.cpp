#include "ads/slot/GADAppEventGMSGHandler.h"

#include "ads/slot/GADSlot.h"

namespace ads {

std::shared_ptr<GADAppEventGMSGHandler> GADAppEventGMSGHandler::create(
    std::weak_ptr<GADSlot> slot) {
    return std::make_shared<GADAppEventGMSGHandler>(Private{}, std::move(slot));
}

const GADGMSGActionTable* GADAppEventGMSGHandler::actionBlockDictionary() const {
    static const GADGMSGActionTable table{
        {"appEvent", action(&GADAppEventGMSGHandler::didReceiveAppEventNotification)},
    };
    return &table;
}

void GADAppEventGMSGHandler::didReceiveAppEventNotification(const GADGMSGActionInfo& info) {
    if (!info.note) return;
    const auto name = info.note->parameter("name");
    if (!name) return;
    auto slot = this->slot();
    if (!slot) return;
    if (auto delegate = slot->delegates().slot.lock()) {
        delegate->slotDidReceiveAppEvent(*slot, *name, info.note->parameter("info"));
    }
}

}  // namespace ads
