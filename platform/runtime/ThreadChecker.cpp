#include "platform/runtime/ThreadChecker.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/runtime/MainLoop.h"

namespace platform {

namespace {

ThreadChecker::Handler& installedHandler() {
    static ThreadChecker::Handler handler;
    return handler;
}

[[noreturn]] void abortOnViolation(const char* function) {
    std::fprintf(stderr, "[FATAL] %s is main-thread only and was called on another thread\n",
                 function);
    std::fflush(stderr);
    std::abort();
}

}  // namespace

bool ThreadChecker::checkMainThread(const char* function) {
    if (MainLoop::main().isMainThread()) {
        return true;
    }
    if (const auto& handler = installedHandler()) {
        handler(function);
    } else {
        abortOnViolation(function);
    }
    return false;
}

ThreadChecker::ScopedHandlerForTesting::ScopedHandlerForTesting(Handler handler)
    : previous_(std::exchange(installedHandler(), std::move(handler))) {}

ThreadChecker::ScopedHandlerForTesting::~ScopedHandlerForTesting() {
    installedHandler() = std::move(previous_);
}

}  // namespace platform
