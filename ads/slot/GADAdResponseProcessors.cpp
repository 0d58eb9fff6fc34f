#include "ads/slot/GADAdResponseProcessors.h"

#include "ads/slot/GADSlot.h"

namespace ads {

GADAdResponseProcessors& GADAdResponseProcessors::shared() {
    // Made on first use and kept for the whole process, like the tables of page messages.
    static auto* table = new GADAdResponseProcessors;
    return *table;
}

GADAdResponseProcessors::GADAdResponseProcessors() {
    const Entry standard{
        [](GADSlot& slot, const std::shared_ptr<GADAd>& ad) { slot.processStandardAdResponse(ad); },
        true};
    entries_[GADAdResponseType::HTML] = standard;
    entries_[GADAdResponseType::Native] = {standard.process, false};
    entries_[GADAdResponseType::CustomRendering] = {
        [](GADSlot& slot, const std::shared_ptr<GADAd>& ad) {
            slot.processCustomRenderingAdResponse(ad);
        },
        true};
    entries_[GADAdResponseType::Mediation] = {
        [](GADSlot& slot, const std::shared_ptr<GADAd>& ad) { slot.refuseMediationAdResponse(ad); },
        false};
    scriptAd_ = [](GADSlot& slot, const std::shared_ptr<GADAd>& ad) {
        slot.loadAdNetworkJavaScriptRequest(ad);
    };
}

GADAdResponseProcessors::Entry GADAdResponseProcessors::setEntry(GADAdResponseType type,
                                                                 Entry entry) {
    Entry previous = std::move(entries_[type]);
    entries_[type] = std::move(entry);
    return previous;
}

GADAdResponseProcessors::Processor GADAdResponseProcessors::setScriptAdProcessor(
    Processor processor) {
    std::swap(processor, scriptAd_);
    return processor;
}

const GADAdResponseProcessors::Entry* GADAdResponseProcessors::entry(GADAdResponseType type) const {
    const auto found = entries_.find(type);
    return found != entries_.end() && found->second.process ? &found->second : nullptr;
}

}  // namespace ads
