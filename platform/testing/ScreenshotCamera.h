#pragma once

// For tests: photographs a window's view tree headless at twice the point size (640 x 960 for
// the phone's 320 x 480 points) into a folder, usually <build>/screenshots/, so screen tests
// can both check pixels and leave a picture for a person to look at.

#include <array>
#include <memory>
#include <string>

#include "platform/gfx/HeadlessContext.h"
#include "platform/gfx/Image.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/Window.h"

namespace platform::testing {

class ScreenshotCamera {
  public:
    static constexpr int kScale = 2;

    // `error` says why when no headless context could be made (isReady() is then false).
    explicit ScreenshotCamera(std::string directory, std::string* error = nullptr);
    bool isReady() const { return context_ != nullptr; }
    const std::string& directory() const { return directory_; }

    // Draws the window and saves it as `name` in the directory; `saveError` says why a save
    // failed (empty when it worked).
    gfx::Image shoot(ui::Window& window, const std::string& name, std::string* saveError);
    // Draws the window as a frame of the program would, without saving it.
    gfx::Image draw(ui::Window& window);

    // The colour at a point (in points) of a shot.
    static std::array<int, 3> rgb(const gfx::Image& image, double xPt, double yPt);

  private:
    std::string directory_;
    std::unique_ptr<gfx::HeadlessContext> context_;
    ui::Compositor compositor_;
};

}  // namespace platform::testing
