#pragma once

// An image as views use it: a name, a size in points and, once graphics are up, its pixels.
// The toolkit does not know where pictures lie: an interface file's pictures come from the
// file's owner (InterfaceOwner::interfaceImageNamed), a tab's icon from its tab bar controller.

#include <memory>
#include <string>

#include "platform/ui/Geometry.h"

namespace platform::gfx {
class Image;
}

namespace platform::ui {

class Image {
  public:
    Image(std::string name, Size size, std::shared_ptr<const gfx::Image> pixels = nullptr,
          double scale = 1)
        : name_(std::move(name)), size_(size), pixels_(std::move(pixels)), scale_(scale) {}

    const std::string& name() const { return name_; }
    Size size() const { return size_; }
    double scale() const { return scale_; }
    const std::shared_ptr<const gfx::Image>& pixels() const { return pixels_; }

  private:
    std::string name_;
    Size size_;
    std::shared_ptr<const gfx::Image> pixels_;
    double scale_;
};

using ImagePtr = std::shared_ptr<const Image>;

}  // namespace platform::ui
