#pragma once

// What the web room puts into the tables of the SDK at start-up: start-up step 2, which lets
// the MRAID interceptor serve and registers it with the platform's resource interceptor, and
// the SDK core hooks its constants switch it by (the script paths, the redirect). The hooks go
// on the shared SDK core when a requester first asks it for an ad URL (hookSharedSDKCore), not
// at start-up: a program that never asks for an ad makes no hidden page and loads no web
// engine. ads::load() calls load() first of the rooms; any number of calls register once.

namespace ads {

struct GADWebRoom {
    static void load();
    // Sets the MRAID hooks on the shared SDK core, once per core (a new shared core, made
    // after a reload or by a test, gets them again). Main thread.
    static void hookSharedSDKCore();
};

}  // namespace ads
