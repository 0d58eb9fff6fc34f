#pragma once

// The demonstrations' window: a 320 x 480 point window (at the screen's scale) that draws a
// view tree and takes mouse clicks as touches. Needs SDL's video started.

#include <memory>
#include <string>

namespace platform::ui {
class Window;
}

namespace tools::adserver {

// Runs until the window is closed, or for `seconds` when above 0. Answers the exit status.
int runDemoWindow(const char* title, const std::shared_ptr<platform::ui::Window>& shown,
                  double seconds);

// A new folder under /tmp for a headless run's photographs, named on standard output, so a run
// from the checkout leaves nothing in it. Empty (and said so) when none can be made.
std::string temporaryScreenshotFolder(const std::string& demo);

}  // namespace tools::adserver
