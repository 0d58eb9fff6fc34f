#pragma once

// The opener's MRAID roads this room sets at start-up (GADOpenerRoads):
//   - resize: the banner's ad view shown at the creative's resize properties
//     (GADMRAIDResizeOverlayPresenter in a GADExpandedAdAppViewController with every
//     orientation and the creative's own close area), or, for an ad already resized, the new
//     properties given to its presenter. Once shown, or once new properties are taken, the ad
//     hears "onStateChanged" {"state": "resized"} and "onSizeChanged" with the size, in one
//     delivery (with an MRAID handler, the size where the ad now stands); closing it tells
//     {"state": "default"} and the banner's size unless it went on to expand. The properties
//     are checked before the opener's gate (a resize, or new properties for an ad already
//     resized): refused ones (missing keys included) hear the presenter's invalid-properties
//     error whether the ad was touched or not, spend no touch, show nothing, count no click,
//     move no close area and report no "resized"; a refusal of the gate says its cause.
//   - calendar: the creative's event (GADMRAIDCalendarProperties) in the calendar's event
//     editor (platform::services::EventEditor) through the opener, once the event could be
//     read (else "Could not fully parse event dictionary"), after the gate and the
//     calendar's permission (CalendarStore: asked once while undecided); refused, restricted
//     or denied, the page hears "onCalendarEventCanceled" (on the main thread). The permission
//     question goes down unanswered when the full-screen screen of the ad that asked closes,
//     and the editor comes only while the ad is still on screen.
// Main thread only.

#include "platform/base/Value.h"

namespace ads {

class GADOpener;

struct GADMRAIDRoads {
    // Sets both roads on the process's table; any number of calls set them once.
    static void load();

    static void resize(GADOpener& opener, const platform::Value::Dictionary& parameters);
    static void calendar(GADOpener& opener, const platform::Value::Dictionary& parameters);
};

}  // namespace ads
