#include "ads/web/GADDelayPageLoadGMSGHandler.h"

#include <limits>

#include "platform/runtime/MainLoop.h"
#include "platform/runtime/WeakCall.h"

namespace ads {

std::shared_ptr<GADDelayPageLoadGMSGHandler> GADDelayPageLoadGMSGHandler::create(
    std::weak_ptr<GADDelayLoadDelegate> delegate) {
    return std::make_shared<GADDelayPageLoadGMSGHandler>(Private{}, std::move(delegate));
}

GADDelayPageLoadGMSGHandler::GADDelayPageLoadGMSGHandler(
    Private, std::weak_ptr<GADDelayLoadDelegate> delegate)
    : delegate_(std::move(delegate)) {}

const GADGMSGActionTable* GADDelayPageLoadGMSGHandler::actionBlockDictionary() const {
    static const GADGMSGActionTable table{
        {"delayPageLoaded", action(&GADDelayPageLoadGMSGHandler::delayPageLoadWithArguments)},
    };
    return &table;
}

void GADDelayPageLoadGMSGHandler::delayPageLoadWithArguments(const GADGMSGActionInfo& info) {
    if (!info.note) return;
    platform::MainLoop::main().post(platform::weakCall(
        weak_from_this(),
        [note = info.note](GADDelayPageLoadGMSGHandler& self) { self.applyArguments(*note); }));
}

void GADDelayPageLoadGMSGHandler::applyArguments(const GADNotification& note) {
    const auto& parameters = note.parameters();
    if (parameters.count("start")) {
        // A page that starts without end cannot wrap the count round to "not delayed".
        if (delayCount_ == std::numeric_limits<std::int64_t>::max()) return;
        const std::int64_t from = delayCount_++;
        if (auto delegate = this->delegate()) {
            delegate->loadHandlerDidChangeDelay(*this, from, delayCount_);
        }
    } else if (parameters.count("stop")) {
        if (delayCount_ < 1) return;
        const std::int64_t from = delayCount_--;
        if (auto delegate = this->delegate()) {
            delegate->loadHandlerDidChangeDelay(*this, from, delayCount_);
        }
    } else if (parameters.count("cancel")) {
        auto delegate = this->delegate();
        delegate_.reset();
        delayCount_ = 0;
        if (delegate) delegate->loadHandlerDidCancel(*this);
    }
}

}  // namespace ads
