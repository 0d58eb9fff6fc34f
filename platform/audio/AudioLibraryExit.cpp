#include "platform/audio/AudioLibraryExit.h"

#include <cstdlib>
#include <mutex>
#include <vector>

namespace platform::audio {
namespace {

struct ExitWork {
    std::mutex mutex;
    std::vector<std::function<void()>> work;
    bool registeredAfterDevice = false;
    bool registeredAfterContext = false;
};

// Never destroyed: the exit handler reads it after static destructors have begun to run.
ExitWork& exitWork() {
    static ExitWork* work = new ExitWork;
    return *work;
}

void runExitWork() {
    std::vector<std::function<void()>> work;
    {
        std::lock_guard lock(exitWork().mutex);
        work.swap(exitWork().work);
    }
    for (auto it = work.rbegin(); it != work.rend(); ++it)
        if (*it) (*it)();
}

}  // namespace

void runBeforeAudioLibraryExit(std::function<void()> fn) {
    std::lock_guard lock(exitWork().mutex);
    exitWork().work.push_back(std::move(fn));
}

void noteAudioLibraryStateBuilt(AudioLibraryState state) {
    // The first device and the first context are where the library builds what it tears down
    // at exit; later ones build nothing new of that kind.
    {
        std::lock_guard lock(exitWork().mutex);
        bool& registered = state == AudioLibraryState::Device ? exitWork().registeredAfterDevice
                                                              : exitWork().registeredAfterContext;
        if (registered) return;
        registered = true;
    }
    std::atexit(runExitWork);
}

}  // namespace platform::audio
