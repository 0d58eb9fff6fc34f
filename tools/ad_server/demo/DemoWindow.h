#pragma once

// The demonstrations' window: a 320 x 480 point window (at the screen's scale) that draws a
// view tree and takes mouse clicks as touches. Needs SDL's video started.

#include <filesystem>
#include <memory>
#include <string>

namespace platform::ui {
class Window;
}

namespace tools::adserver {

// Runs until the window is closed, or for `seconds` when above 0. Answers the exit status.
int runDemoWindow(const char* title, const std::shared_ptr<platform::ui::Window>& shown,
                  double seconds);

// What a program does once its rooms are loaded (ads::load()): the application finishes
// launching, which starts the ads library, and becomes active, as the game does. An ad opens
// nothing, a purchase sheet included, in an application that is not active.
void launchDemoApplication();

// A new folder under /tmp for a headless run's photographs, named on standard output, so a run
// from the checkout leaves nothing in it. Empty (and said so) when none can be made.
std::string temporaryScreenshotFolder(const std::string& demo);

// A demonstration's app home, so a run never touches the player's purchases or settings: the
// folder given, kept, or else a new one under /tmp, removed when the program exits. It is also
// the home of the libraries' own caches and runtime files (platform::keepLibraryFilesIn), so a
// run writes nothing into the user's ~/.cache either; hence it must be made first thing in
// main, before any thread starts. One per program.
class DemoHome {
  public:
    DemoHome(const std::string& demo, const std::string& given);
    DemoHome(const DemoHome&) = delete;
    DemoHome& operator=(const DemoHome&) = delete;

    // False (and said so on standard error) when there is no folder to use.
    bool isReady() const { return !path_.empty(); }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace tools::adserver
