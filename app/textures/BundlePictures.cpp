#include "app/textures/BundlePictures.h"

#include "platform/gfx/Image.h"
#include "platform/storage/Bundle.h"
#include "platform/ui/Image.h"
#include "platform/ui/Screen.h"
#include "util/LogMessage.h"

namespace app {

float BundlePictures::contentsScaleValueFromIndex(int32_t index) {
    switch (index) {
        case 2:
            return 1.5f;
        case 3:
            return 2.0f;
        default:
            return 1.0f;
    }
}

std::optional<std::pair<std::string, float>> BundlePictures::pictureFileForName(
    const std::string& name, int32_t index) {
    auto bundle = platform::Bundle::mainBundle();
    // The candidates run from the index down to 1, then up through 2 and 3: a smaller picture
    // scaled up looks better than none.
    for (int32_t i = index; i >= -1; --i) {
        int32_t c = i > 0 ? i : 2 - i;
        std::string file = name;
        if (c == 2) file += "_cs150";
        if (c == 3) file += "_cs200";
        if (auto path = bundle->pathForResource(file, "png")) {
            return std::make_pair(path->string(), contentsScaleValueFromIndex(c));
        }
    }
    return std::nullopt;
}

std::shared_ptr<const platform::ui::Image> BundlePictures::interfaceImageNamed(
    const std::string& name) {
    std::string stem = name;
    if (stem.size() > 4 && stem.compare(stem.size() - 4, 4, ".png") == 0)
        stem.resize(stem.size() - 4);
    double scale = platform::ui::Screen::mainScreen().scale();
    int32_t index = scale >= 2 ? 3 : scale >= 1.5 ? 2 : 1;
    auto file = pictureFileForName(stem, index);
    if (!file) return nullptr;
    std::string error;
    auto image = platform::gfx::Image::loadPng(file->first, &error);
    if (!image) {
        util::LogMessage("+[AppCoreBase interfaceImageNamed:]", 3, file->first + ": " + error);
        return nullptr;
    }
    // Points are the picture's pixels at the resolution it was drawn for.
    platform::Size size{image->width() / double(file->second),
                        image->height() / double(file->second)};
    return std::make_shared<platform::ui::Image>(
        name, size, std::make_shared<const platform::gfx::Image>(std::move(*image)), file->second);
}

}  // namespace app
