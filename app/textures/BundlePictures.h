#pragma once

// The game's pictures in the main bundle: each may come in three resolutions ("car.png",
// "car_cs150.png", "car_cs200.png", for contents scales 1, 1.5 and 2). The game's textures
// and the toolkit's views (tab icons, interface files) find their files here, so both show
// the same picture for a name.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace platform::ui {
class Image;
}

namespace app {

class BundlePictures {
  public:
    // 1 -> 1, 2 -> 1.5, 3 -> 2; anything else 1 (settings files store the index).
    static float contentsScaleValueFromIndex(int32_t index);
    // The picture file for a resource at the drawing resolution of `index` (with the scale it
    // was drawn for), trying lower resolutions first, then higher ones.
    static std::optional<std::pair<std::string, float>> pictureFileForName(const std::string& name,
                                                                           int32_t index);
    // A picture by file name ("icon_scores.png") for views, at the main screen's resolution;
    // nullptr when the bundle has none or it cannot be read (the reason is logged).
    static std::shared_ptr<const platform::ui::Image> interfaceImageNamed(const std::string& name);
};

}  // namespace app
