#pragma once

// For test programs: a picture of the window as it is now, also left as <build>/screenshots/<name>
// for a person to look at. A camera that cannot be had or a file that cannot be written fails
// the running test; the picture is then empty.

#include <gtest/gtest.h>

#include <string>

#include "platform/gfx/Image.h"
#include "platform/testing/ScreenshotCamera.h"
#include "platform/ui/Window.h"

#ifndef MOVU_BINARY_DIR
#error "MOVU_BINARY_DIR names the build folder; test programs are given it by movu_tests"
#endif

namespace platform::testing {

inline gfx::Image shootTestWindow(ui::Window& window, const std::string& name) {
    std::string cameraError;
    ScreenshotCamera camera{std::string(MOVU_BINARY_DIR) + "/screenshots", &cameraError};
    EXPECT_TRUE(camera.isReady()) << cameraError;
    if (!camera.isReady()) return {};
    std::string saveError;
    auto picture = camera.shoot(window, name, &saveError);
    EXPECT_TRUE(saveError.empty()) << saveError;
    return picture;
}

}  // namespace platform::testing
