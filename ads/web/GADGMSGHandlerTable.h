#pragma once

// The gmsg handlers of one kind of ad page, as named places in dispatch order. The rooms whose
// handlers take a place fill it at start-up (ads::load() has every room register), so a later
// feature joins a page by filling its place, never by editing the code that makes the page's
// delegate. Every list has the place of the timing reports' handler, which GADAdViewDelegate
// adds itself: the places before it lead the list, the places after it are appended by the
// delegate's subclass.
//
// A place is filled once: a second fill of it is refused, since two features claiming one
// place is a mistake that must show, not a silent swap. A maker runs each time a delegate is
// made, with that delegate's context, and may answer nullptr (this page does not take its
// handler). Main thread only: rooms register before the first ad page is made.

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "ads/web/GADGMSGHandler.h"

namespace ads {

// Every place any page list has; each list names its own order.
enum class GADGMSGHandlerPlace {
    Opener,
    Defaults,
    MRAID,
    Video,
    Precache,
    TimingReports,
    AppEvents,
    AdApp,
    Swipe,
    DelayPageLoad,
};

template <class Context>
class GADGMSGHandlerTable {
  public:
    using Maker = std::function<std::shared_ptr<GADGMSGHandler>(const Context&)>;
    using HandlerList = std::vector<std::shared_ptr<GADGMSGHandler>>;

    // The places of the list in dispatch order; TimingReports among them.
    explicit GADGMSGHandlerTable(std::vector<GADGMSGHandlerPlace> order)
        : order_(std::move(order)) {}

    // False (and nothing changes) for a place the list does not have, the timing reports'
    // place, a place already filled or an empty maker.
    bool fill(GADGMSGHandlerPlace place, Maker maker) {
        if (!maker || place == GADGMSGHandlerPlace::TimingReports || makers_.count(place) ||
            std::find(order_.begin(), order_.end(), place) == order_.end()) {
            return false;
        }
        makers_.emplace(place, std::move(maker));
        return true;
    }
    bool isFilled(GADGMSGHandlerPlace place) const { return makers_.count(place) != 0; }

    // The handlers of the filled places before, and after, the timing reports' place.
    HandlerList leadingHandlers(const Context& context) const { return make(context, true); }
    HandlerList trailingHandlers(const Context& context) const { return make(context, false); }

  private:
    HandlerList make(const Context& context, bool leading) const {
        HandlerList handlers;
        bool beforeTimings = true;
        for (GADGMSGHandlerPlace place : order_) {
            if (place == GADGMSGHandlerPlace::TimingReports) {
                beforeTimings = false;
                continue;
            }
            if (beforeTimings != leading) continue;
            auto maker = makers_.find(place);
            if (maker == makers_.end()) continue;
            if (auto handler = maker->second(context)) handlers.push_back(std::move(handler));
        }
        return handlers;
    }

    const std::vector<GADGMSGHandlerPlace> order_;
    std::map<GADGMSGHandlerPlace, Maker> makers_;
};

}  // namespace ads
