#include "ads/web/GADActiveViewGMSGHandler.h"

#include <charconv>
#include <optional>
#include <string>

namespace ads {

namespace {

// Unit ids are the slots' active-view counters: whole numbers from 1. Anything else names no
// unit, so it is better dropped than read as some other unit's number.
std::optional<std::uint64_t> unitID(const GADNotification& note) {
    auto text = note.parameter("hashCode");
    if (!text || text->empty()) return std::nullopt;
    std::uint64_t id = 0;
    const char* end = text->data() + text->size();
    auto [rest, error] = std::from_chars(text->data(), end, id);
    if (error != std::errc() || rest != end) return std::nullopt;
    return id;
}

}  // namespace

std::shared_ptr<GADActiveViewGMSGHandler> GADActiveViewGMSGHandler::create() {
    return std::make_shared<GADActiveViewGMSGHandler>(Private{});
}

const GADGMSGActionTable* GADActiveViewGMSGHandler::actionBlockDictionary() const {
    static const GADGMSGActionTable table{
        {"visibilityChanged", action(&GADActiveViewGMSGHandler::visibilityChanged)},
        {"untrackActiveViewUnit", action(&GADActiveViewGMSGHandler::untrackActiveViewUnit)},
    };
    return &table;
}

void GADActiveViewGMSGHandler::visibilityChanged(const GADGMSGActionInfo& info) {
    const auto id = unitID(*info.note);
    const auto visible = info.note->parameter("isVisible");
    if (!id || !visible) return;
    if (auto delegate = delegate_.lock()) {
        delegate->activeViewGMSGHandlerDidReceiveVisibilityNotification(*this, *visible == "1",
                                                                        *id);
    }
}

void GADActiveViewGMSGHandler::untrackActiveViewUnit(const GADGMSGActionInfo& info) {
    const auto id = unitID(*info.note);
    if (!id) return;
    if (auto delegate = delegate_.lock()) {
        delegate->activeViewGMSGHandlerDidReceiveUntrackNotification(*this, *id);
    }
}

}  // namespace ads
