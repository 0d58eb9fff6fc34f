#include "online/AnnounceText.h"

#include <cctype>
#include <limits>

#include "platform/base/Hex.h"
#include "platform/base/NumberText.h"

namespace online {

double AnnounceDoubleValue(const platform::Value& v) {
    if (!v.isString()) return 0;
    const double value = platform::doubleValue(v.stringRef());
    // Overflow reads as infinity; keep it finite so comparisons and sums stay sane.
    constexpr double kMax = std::numeric_limits<double>::max();
    if (value > kMax) return kMax;
    if (value < -kMax) return -kMax;
    return value;
}

int64_t AnnounceLongLongValueOfText(const std::string& text) {
    return platform::longLongValue(text);
}

int64_t AnnounceLongLongValue(const platform::Value& v) {
    return v.isString() ? platform::longLongValue(v.stringRef()) : 0;
}

int32_t AnnounceIntValue(const platform::Value& v) {
    return v.isString() ? platform::intValue(v.stringRef()) : 0;
}

uint32_t AnnounceHexValue(const platform::Value& v) {
    if (!v.isString()) return 0;
    const std::string& text = v.stringRef();
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) i += 2;
    uint32_t value = 0;
    for (; i < text.size() && platform::hexDigitValue(text[i]) >= 0; ++i) {
        // Longer texts keep their low 32 bits, as a cut to 32 bits does.
        value = (value << 4) | static_cast<uint32_t>(platform::hexDigitValue(text[i]));
    }
    return value;
}

}  // namespace online
