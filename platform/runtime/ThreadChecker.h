#pragma once

// Says loudly when code that belongs to the main thread runs on another one. Classes whose
// headers say "main thread only" call MOVU_CHECK_MAIN_THREAD() at the top of those methods: a
// call from a queue or a pool thread then stops a debug or sanitizer build at the caller, with
// the method's name, instead of racing quietly on fields nobody guards. Release builds (NDEBUG)
// compile the check away.
//
// The main thread is MainLoop's: whichever thread claimed the loop.

#include <functional>
#include <string>

namespace platform {

class ThreadChecker {
  public:
    // Called with the checked function's name on a violation. The default logs the name and
    // aborts; a test may install its own and count instead.
    using Handler = std::function<void(const char* function)>;

    // Answers whether the calling thread is the main thread; reports a violation otherwise.
    static bool checkMainThread(const char* function);

    // Installs a handler for the scope's lifetime (tests only; not thread-safe against
    // concurrent checks starting while it is installed or removed).
    class ScopedHandlerForTesting {
      public:
        explicit ScopedHandlerForTesting(Handler handler);
        ~ScopedHandlerForTesting();
        ScopedHandlerForTesting(const ScopedHandlerForTesting&) = delete;
        ScopedHandlerForTesting& operator=(const ScopedHandlerForTesting&) = delete;

      private:
        Handler previous_;
    };
};

}  // namespace platform

#ifdef NDEBUG
#define MOVU_CHECK_MAIN_THREAD() ((void)0)
#else
#define MOVU_CHECK_MAIN_THREAD() ((void)::platform::ThreadChecker::checkMainThread(__func__))
#endif
