#pragma once

// What the web room puts into the tables of the SDK at start-up: start-up step 2, which lets
// the MRAID interceptor serve and registers it with the platform's resource interceptor, and
// the SDK core hooks the constants switch it by (its script paths, its redirect). ads::load()
// calls it first of the rooms; any number of calls register once.

namespace ads {

struct GADWebRoom {
    static void load();
    // The SDK core hooks alone (a test that makes its own shared SDK core sets them again).
    static void setSDKCoreHooks();
};

}  // namespace ads
