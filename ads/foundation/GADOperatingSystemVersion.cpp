#include "ads/foundation/GADOperatingSystemVersion.h"

#include "platform/base/NumberText.h"

namespace ads {

GADOperatingSystemVersion GADOperatingSystemVersion::fromString(std::string_view text) {
    std::int64_t parts[3] = {0, 0, 0};
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        std::size_t end = text.find('.', start);
        if (end == std::string_view::npos) end = text.size();
        parts[i] = platform::integerValue(text.substr(start, end - start));
        if (end == text.size()) break;
        start = end + 1;
    }
    return {parts[0], parts[1], parts[2]};
}

std::string GADOperatingSystemVersion::toString() const {
    return std::to_string(majorVersion) + "." + std::to_string(minorVersion) + "." +
           std::to_string(patchVersion);
}

}  // namespace ads
