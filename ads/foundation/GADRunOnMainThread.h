#pragma once

// The SDK's one way onto the main thread: its callbacks to the app and its view work started
// from background queues go through here.

#include <functional>

namespace ads {

// Runs the block before returning when called on the main thread; otherwise posts it to the
// main loop and returns at once. An empty block is ignored.
void GADRunOnMainThread(std::function<void()> block);

}  // namespace ads
