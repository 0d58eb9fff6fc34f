#pragma once

// For tests: the platform's process-wide state as a fresh program finds it, on the way in and
// again on the way out, so no test leans on what another left behind. It covers the singletons
// and the switches tests set on them: the standard user defaults (found again at first use),
// the application object, the main screen, the alert queue, the audio session, the
// accelerometer (its delegate, script and held keys), the keychain's injected failure, the
// network flags, the advertising identifier, the battery's sysfs root, a failing random
// source, the store lookup's script, the store's catalogue, products script and payment queue, the
// composers' answers and the system sound counts.
//
// It does not touch the main loop or the clock (platform::MainLoopTestScope does), nor where
// the program lives (home, bundle, environment: platform::testing::ScopedEnv and the tests'
// own homes), nor the libraries above the platform. Declare it before the objects a test builds, so
// they are gone before the state they used is put back.

namespace platform::testing {

class PlatformStateScope {
  public:
    PlatformStateScope();
    ~PlatformStateScope();
    PlatformStateScope(const PlatformStateScope&) = delete;
    PlatformStateScope& operator=(const PlatformStateScope&) = delete;

    // Everything above back to its start; what the scope does on entry and exit.
    static void resetAll();
};

}  // namespace platform::testing
