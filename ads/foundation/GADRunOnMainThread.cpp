#include "ads/foundation/GADRunOnMainThread.h"

#include "platform/runtime/MainLoop.h"

namespace ads {

void GADRunOnMainThread(std::function<void()> block) {
    platform::MainLoop::main().runOnMain(std::move(block));
}

}  // namespace ads
