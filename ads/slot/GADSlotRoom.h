#pragma once

// What the slot room puts into the tables of the SDK at start-up: its public classes in the
// class registry, its handlers in the slot page's list (the opener's and the defaults from
// the room below, the app events, the ad app controller's, the page-load delay) and the app
// events in the ad app page's list, for a slot's interstitial. ads::load() calls it; so do
// tests that make slot pages. Any number of calls: the registrations are made once.

namespace ads {

struct GADSlotRoom {
    static void load();
};

}  // namespace ads
