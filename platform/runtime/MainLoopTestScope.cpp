#include "platform/runtime/MainLoopTestScope.h"

namespace platform {

MainLoopTestScope::MainLoopTestScope() : clock_(std::make_shared<ManualClock>()) {
    previous_ = Clock::install(clock_);
    MainLoop::main().reset();
}

MainLoopTestScope::~MainLoopTestScope() {
    MainLoop::main().reset();
    Clock::install(previous_);
}

}  // namespace platform
