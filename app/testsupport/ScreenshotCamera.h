#pragma once

// Screen tests photograph through the platform's headless camera (640 x 960 for the phone's
// 320 x 480 points, into <build>/screenshots/).

#include "platform/testing/ScreenshotCamera.h"

namespace app {

using ScreenshotCamera = platform::testing::ScreenshotCamera;

}  // namespace app
