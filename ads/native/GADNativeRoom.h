#pragma once

// What the native room puts into the tables of the SDK at start-up: the native ad formats'
// classes (GADNativeAdClasses), by ad type and by server format, and their names. ads::load() calls
// it; so do tests that load native ads. Any number of calls: the registrations are made once.

namespace ads {

struct GADNativeRoom {
    static void load();
};

// Puts every native ad format's class in GADNativeAdClasses and names the formats in
// platform::ClassRegistry.
void registerNativeClasses();

}  // namespace ads
