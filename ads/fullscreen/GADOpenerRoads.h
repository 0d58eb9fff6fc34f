#pragma once

// The opener's roads whose screens live in rooms of their own: the in-app browser, video, in-app
// purchases, resizing an ad and calendar events. Those rooms set their road at start-up (their
// line in ads::load()), so the opener names none of them. The opener keeps its gates: the
// browser, video and purchase roads run only once the click got through the gate against
// automatic clicks (and, for the browser and video, only with something to open and a
// controller to present from); the resize and calendar roads first check what the creative
// asks (so an invalid request hears why, touched or not) and then ask the opener's gate
// themselves. What a road opens it reports to the opener (didOpenInApp, didOpenExternalApp)
// as the opener's own screens do.
//
// Unset roads: the browser, in-app purchases, resizing and calendar events leave one line in
// the log and open nothing; video takes the browser's road.
//
// A road is set once: a second set is refused, since two rooms claiming one road is a mistake
// that must show. Main thread only; roads are set before the first ad page is made.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/base/Url.h"
#include "platform/base/Value.h"

namespace ads {

class GADOpener;

class GADOpenerRoads {
  public:
    // The URL and the orientations (bit 1 << orientation) the screen may take.
    using URLRoad = std::function<void(GADOpener&, const platform::Url&, std::uint64_t)>;
    // The product, the quantity and the reporting URL formats of the purchase.
    using InAppPurchaseRoad = std::function<void(GADOpener&, const std::string&, std::int64_t,
                                                 const std::vector<std::string>&)>;
    // The page's resize properties, or its calendar event.
    using DictionaryRoad = std::function<void(GADOpener&, const platform::Value::Dictionary&)>;

    // The roads every opener takes unless it was made with others.
    static GADOpenerRoads& shared();

    bool setBrowser(URLRoad road) { return setOnce(browser_, std::move(road)); }
    bool setVideo(URLRoad road) { return setOnce(video_, std::move(road)); }
    bool setInAppPurchase(InAppPurchaseRoad road) {
        return setOnce(inAppPurchase_, std::move(road));
    }
    bool setResize(DictionaryRoad road) { return setOnce(resize_, std::move(road)); }
    bool setCalendar(DictionaryRoad road) { return setOnce(calendar_, std::move(road)); }

    const URLRoad& browser() const { return browser_; }
    const URLRoad& video() const { return video_; }
    const InAppPurchaseRoad& inAppPurchase() const { return inAppPurchase_; }
    const DictionaryRoad& resize() const { return resize_; }
    const DictionaryRoad& calendar() const { return calendar_; }

  private:
    template <class Road>
    static bool setOnce(Road& slot, Road road) {
        if (slot || !road) return false;
        slot = std::move(road);
        return true;
    }

    URLRoad browser_;
    URLRoad video_;
    InAppPurchaseRoad inAppPurchase_;
    DictionaryRoad resize_;
    DictionaryRoad calendar_;
};

}  // namespace ads
