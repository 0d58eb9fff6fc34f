#include "platform/ui/Image.h"

namespace platform::ui {

namespace {
Image::Provider& provider() {
    static Image::Provider p;
    return p;
}
}  // namespace

void Image::setProvider(Provider p) {
    provider() = std::move(p);
}

std::shared_ptr<const Image> Image::named(const std::string& name) {
    if (name.empty() || !provider()) return nullptr;
    return provider()(name);
}

}  // namespace platform::ui
