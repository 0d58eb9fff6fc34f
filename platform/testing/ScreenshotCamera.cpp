#include "platform/testing/ScreenshotCamera.h"

#include <filesystem>

namespace platform::testing {

ScreenshotCamera::ScreenshotCamera(std::string directory, std::string* error)
    : directory_(std::move(directory)) {
    std::string why;
    context_ = gfx::HeadlessContext::create(320 * kScale, 480 * kScale, &why);
    if (error) *error = why;
    std::error_code ec;
    std::filesystem::create_directories(directory_, ec);
}

gfx::Image ScreenshotCamera::draw(ui::Window& window) {
    // A web view's engine may have made a GL context of its own current on this thread since
    // the last shot.
    context_->makeCurrent();
    compositor_.drawFrame(window, 320 * kScale, 480 * kScale);
    return context_->readPixels();
}

gfx::Image ScreenshotCamera::shoot(ui::Window& window, const std::string& name,
                                   std::string* saveError) {
    auto image = draw(window);
    std::string error;
    if (image.savePng(directory_ + "/" + name, &error)) error.clear();
    if (saveError) *saveError = error;
    return image;
}

std::array<int, 3> ScreenshotCamera::rgb(const gfx::Image& image, double xPt, double yPt) {
    auto* p = image.pixel(int(xPt * kScale), int(yPt * kScale));
    return {p[0], p[1], p[2]};
}

}  // namespace platform::testing
