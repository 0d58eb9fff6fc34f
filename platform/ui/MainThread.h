#pragma once

// The toolkit's only ties to the run loop: completions and animation ends are posted to the
// main loop and timed by its clock, so tests drive them with a manual clock.

#include <cstdint>
#include <functional>
#include <memory>

namespace platform::ui {

// Runs fn on a later turn of the main loop.
void postToMain(std::function<void()> fn);
// Runs fn on the main loop once the given seconds have passed on the clock.
void postToMainAfter(double seconds, std::function<void()> fn);
// The clock's monotonic time in seconds.
double monotonicNow();

// Frames are drawn only when something they show changed. Every change to what a view draws
// counts one display change (View::setNeedsDisplay); a compositor compares the count with the
// one it last drew. A change also wakes the main loop, so a loop asleep on a still screen
// comes round to draw it, whichever thread (or other library's loop) made it. Any thread.
void markDisplayChanged();
std::uint64_t displayGeneration();

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
