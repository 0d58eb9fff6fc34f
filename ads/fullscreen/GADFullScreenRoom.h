#pragma once

// What the full-screen room puts into the tables of the SDK at start-up: its handlers in the
// ad app page's list (the opener's, the defaults, the ad app controller's), the opener's
// browser road (the in-app browser, GADBrowserViewController) and, as it fills the pages'
// precache place, the folder the video player may play precached files from. ads::load() calls
// it; so do tests that make ad app pages. Any number of calls: the registrations are made
// once.

#include <memory>

#include "ads/fullscreen/GADDefaultGMSGHandler.h"
#include "ads/fullscreen/GADOpenerGMSGHandler.h"
#include "ads/web/GADGMSGHandlerTable.h"
#include "ads/web/GADPrecacheGMSGHandler.h"

namespace ads {

struct GADFullScreenRoom {
    static void load();

    // The page services of this room in another page list (a room above has it fill its own):
    // the opener's handler, for a page whose context has an opener, the defaults, and the
    // precaching of the page below (it needs nothing of a slot).
    template <class Context>
    static void fillPageServices(GADGMSGHandlerTable<Context>& list) {
        list.fill(GADGMSGHandlerPlace::Opener,
                  [](const Context& page) -> std::shared_ptr<GADGMSGHandler> {
                      if (!page.opener) return nullptr;
                      return GADOpenerGMSGHandler::create(page.opener);
                  });
        list.fill(GADGMSGHandlerPlace::Defaults,
                  [](const Context&) { return GADDefaultGMSGHandler::create(); });
        list.fill(GADGMSGHandlerPlace::Precache,
                  [](const Context&) { return GADPrecacheGMSGHandler::create(); });
    }
};

}  // namespace ads
