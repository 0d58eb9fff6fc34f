#include "util/TextUtil.h"

#include <algorithm>

#include "platform/base/Hex.h"
#include "platform/base/PercentEncoding.h"

namespace util {

std::string HexStringFromBytes(const uint8_t* bytes, long length) {
    if (bytes == nullptr || length < 1) return {};
    return platform::hexLower(bytes, static_cast<size_t>(length));
}

std::string HexStringFromData(const std::vector<uint8_t>& data) {
    return HexStringFromBytes(data.data(), static_cast<long>(data.size()));
}

std::string StringByUrlEncodeUTF8(const std::string& text) {
    // Spaces pass the escaping untouched so that they can become "+" afterwards; a "+" of the
    // text itself is escaped.
    static const auto kFormAllowed = platform::UrlCharacterSet::alphanumeric().with("-._ ");
    std::string out = platform::percentEncode(text, kFormAllowed);
    std::replace(out.begin(), out.end(), ' ', '+');
    return out;
}

std::optional<std::string> StringByUrlDecodeUTF8(const std::string& text) {
    return platform::percentDecode(text, true);
}

bool StringIsNilOrEmpty(const std::optional<std::string>& text) {
    return !text || text->empty();
}

}  // namespace util
