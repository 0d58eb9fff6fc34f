#pragma once

// Percent encoding for URLs. Decoding reports failure (a bad escape, or bytes that are not
// UTF-8 when text is asked for) instead of guessing.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// A set of ASCII characters that may stay unescaped; everything else (including every byte
// >= 0x80) is escaped.
class UrlCharacterSet {
  public:
    constexpr UrlCharacterSet() = default;
    explicit UrlCharacterSet(std::string_view chars);

    bool contains(unsigned char c) const { return c < 128 && allowed_[c]; }
    UrlCharacterSet with(std::string_view chars) const;
    UrlCharacterSet without(std::string_view chars) const;

    // ALPHA DIGIT - . _ ~
    static const UrlCharacterSet& unreserved();
    static const UrlCharacterSet& alphanumeric();
    // What may stand unescaped in each part of a URL (the sets the web service's URLs were built
    // with).
    static const UrlCharacterSet& pathAllowed();
    static const UrlCharacterSet& queryAllowed();
    static const UrlCharacterSet& fragmentAllowed();
    static const UrlCharacterSet& hostAllowed();
    static const UrlCharacterSet& userAllowed();
    // Every character that may appear literally somewhere in a URL (unreserved, reserved and
    // '%'); used by the legacy "escape what is illegal" encoding.
    static const UrlCharacterSet& urlLegal();

  private:
    std::array<bool, 128> allowed_{};
};

// Escapes each byte outside `allowed` as "%XX" (upper-case hex: signed query strings must come out
// byte for byte the same).
std::string percentEncode(std::string_view text, const UrlCharacterSet& allowed);
// Escapes everything but the unreserved characters: safe for one query name or value.
std::string percentEncodeComponent(std::string_view text);

// Decodes "%XX" escapes; fails on a '%' without two hex digits, or when the result is not
// valid UTF-8. With plusAsSpace, '+' decodes to ' ' (form encoding).
std::optional<std::string> percentDecode(std::string_view text, bool plusAsSpace = false);
// The same, for arbitrary bytes: only bad escapes fail.
std::optional<std::string> percentDecodeBytes(std::string_view text, bool plusAsSpace = false);

}  // namespace platform
