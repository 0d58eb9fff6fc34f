#pragma once

// Whether a response's "Content-Disposition" asks for the body to be saved rather than shown:
// its type, before any parameter, is "attachment" in any case, as the engine itself reads it
// (RFC 6266). Parameters are not looked at, so a malformed filename does not hide one. Header
// only: the web engine module uses it and takes nothing of platform_web's code.

#include <cstddef>
#include <string_view>

namespace platform::web {

inline bool isAttachmentDisposition(std::string_view value) {
    std::string_view type = value.substr(0, value.find(';'));
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!type.empty() && isSpace(type.front())) type.remove_prefix(1);
    while (!type.empty() && isSpace(type.back())) type.remove_suffix(1);
    constexpr std::string_view kAttachment = "attachment";
    if (type.size() != kAttachment.size()) return false;
    for (std::size_t i = 0; i < type.size(); ++i) {
        const char c = type[i] >= 'A' && type[i] <= 'Z' ? static_cast<char>(type[i] + 32) : type[i];
        if (c != kAttachment[i]) return false;
    }
    return true;
}

}  // namespace platform::web
