#pragma once

// The toolkit's only ties to the run loop: completions and animation ends are posted to the
// main loop and timed by its clock, so tests drive them with a manual clock.

#include <functional>
#include <memory>

namespace platform::ui {

// Runs fn on a later turn of the main loop.
void postToMain(std::function<void()> fn);
// Runs fn on the main loop once the given seconds have passed on the clock.
void postToMainAfter(double seconds, std::function<void()> fn);
// The clock's monotonic time in seconds.
double monotonicNow();

}  // namespace platform::ui

namespace platform::ui {

// Posts a notification without user info on the default centre.
void postNotification(const char* name, const void* object = nullptr);

}  // namespace platform::ui

namespace platform::ui {

// Calls fn on the main thread whenever the named notification is posted, until the returned
// token is dropped.
[[nodiscard]] std::shared_ptr<void> observeNotification(const char* name, std::function<void()> fn);

}  // namespace platform::ui
