#include "online/UrlPath.h"

#include <cctype>

#include "platform/base/Hex.h"

namespace online {

namespace {

// A malformed escape stays as it is rather than dropping the whole path.
std::string percentDecoded(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size()) {
            int hi = platform::hexDigitValue(s[i + 1]);
            int lo = platform::hexDigitValue(s[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.push_back(static_cast<char>(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        out.push_back(s[i]);
    }
    return out;
}

}  // namespace

std::string UrlPathOf(const std::string& url) {
    std::size_t colon = url.find(':');
    if (colon == std::string::npos || colon == 0) return {};
    for (std::size_t i = 0; i < colon; ++i) {
        char c = url[i];
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') {
            return {};
        }
    }
    std::size_t pathStart = colon + 1;
    if (url.compare(pathStart, 2, "//") == 0) {
        pathStart = url.find_first_of("/?#", pathStart + 2);
        if (pathStart == std::string::npos || url[pathStart] != '/') return {};
    } else if (pathStart >= url.size() || url[pathStart] != '/') {
        // "mailto:x" and the like have no hierarchical path.
        return {};
    }
    std::size_t pathEnd = url.find_first_of("?#", pathStart);
    std::string path = percentDecoded(url.substr(
        pathStart, pathEnd == std::string::npos ? std::string::npos : pathEnd - pathStart));
    // A web page may link "/startTitle/": the route is the same, as the phone's URLs
    // reported their paths without the trailing slash.
    if (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace online
