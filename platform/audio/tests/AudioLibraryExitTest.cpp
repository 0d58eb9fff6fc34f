// Exit-time work registered with the audio layer runs while the audio library is still whole:
// ahead of what the library builds on its first device and context, whenever the work was
// registered, and once.

#include "platform/audio/AudioDevice.h"
#include "platform/audio/AudioLibraryExit.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace platform::audio;

namespace {

const bool kNullAudioOutput = [] { return ::setenv("ALSOFT_DRIVERS", "null", 0) == 0; }();

int workRuns = 0;

// Stands for the state the library builds lazily while it opens its first device: its
// destructor runs where the library's own clean-up would.
struct LibraryState {
    ~LibraryState() {
        if (workRuns != 2) std::_Exit(10 + workRuns);
    }
};

}  // namespace

TEST(AudioLibraryExit, WorkRunsOnceAheadOfStateTheLibraryBuiltOnItsFirstDevice) {
    ASSERT_TRUE(kNullAudioOutput);
    // A fresh process, so that the library is first brought up inside it; it leaves through
    // std::exit, so exit handlers and static destructors run. Exit code 10 + n: the work ran
    // n times before the library's state went.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            runBeforeAudioLibraryExit([] { ++workRuns; });
            // The library's lazy state comes into being inside the first open.
            static LibraryState state;
            auto device = AudioDevice::openDefault();
            if (!device || device->createContext(0) != ALC_NO_ERROR) std::_Exit(2);
            // Work registered once the library is up runs ahead of it too.
            runBeforeAudioLibraryExit([] { ++workRuns; });
            // Left open, as by a program that never tears its sound down.
            static AudioDevice* leftOpen = device.release();
            (void)leftOpen;
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}
