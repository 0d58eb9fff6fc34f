#pragma once

// A URL with strict parsing: text that RFC 3986 does not allow raw (spaces, quotes, braces,
// non-ASCII, a '%' without two hex digits, a second '#', brackets outside an IPv6 host, a
// non-numeric or too large port) gives no URL at all, so callers can never act on a half-understood
// address. Relative references resolve by RFC 3986.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

class Url {
  public:
    // An absolute URL or a relative reference; nullopt when the text is not a valid URL.
    // The empty string is refused.
    static std::optional<Url> parse(std::string_view text);
    // The text resolved against a base URL (the empty reference is the base without its
    // fragment).
    static std::optional<Url> parse(std::string_view text, const Url& base);
    // "file://" URL for an absolute local path, escaping what must be escaped.
    static Url fileUrl(std::string_view path);

    // This URL as the base of a relative reference.
    std::optional<Url> resolve(std::string_view reference) const { return parse(reference, *this); }

    // The full text: as given for a parsed absolute URL, recomposed after resolution.
    const std::string& absoluteString() const { return text_; }

    const std::string& scheme() const { return scheme_; }  // as written; "" when none
    bool hasScheme() const { return !scheme_.empty(); }
    // A scheme whose text does not go on with "/" ("mailto:", "about:") has no hierarchy:
    // no host, no path, only a resource specifier.
    bool isOpaque() const { return opaque_; }
    bool hasAuthority() const { return hasAuthority_; }
    // Text after "scheme:" (everything when there is no scheme).
    std::string resourceSpecifier() const;

    // Decoded user and password of the authority; nullopt when absent.
    std::optional<std::string> user() const;
    std::optional<std::string> password() const;
    // Decoded host, without the brackets of an IPv6 address; "" when there is none.
    std::string host() const;
    std::optional<int> port() const { return port_; }

    // The path exactly as written (percent escapes kept, trailing slash kept).
    const std::string& rawPath() const { return path_; }
    // Decoded path without a trailing slash (except the root "/"), the form callers compare against
    // ("/startLevel"); "" when it does not decode to UTF-8 or holds an escaped NUL ("%00").
    std::string path() const;
    // "/" first for an absolute path, then each non-empty decoded segment. Empty when any
    // segment fails to decode or holds a NUL.
    std::vector<std::string> pathComponents() const;
    std::string lastPathComponent() const;
    std::string pathExtension() const;

    // Raw query (without '?') and fragment (without '#'); nullopt when absent, "" when present
    // but empty.
    const std::optional<std::string>& query() const { return query_; }
    const std::optional<std::string>& fragment() const { return fragment_; }
    // name=value pairs of the query, decoded; a pair that does not decode is left out.
    std::vector<std::pair<std::string, std::string>> queryItems() const;
    std::optional<std::string> queryValue(std::string_view name) const;

    bool isFileUrl() const;
    // This URL with one more (escaped) path segment; the query and fragment are dropped.
    Url appendingPathComponent(std::string_view component) const;
    Url withoutFragment() const;

    friend bool operator==(const Url& a, const Url& b) { return a.text_ == b.text_; }

  private:
    struct Parts;
    static std::optional<Url> fromText(std::string_view text);
    void recompose();
    void guardPath();

    std::string text_;
    std::string scheme_;
    bool hasAuthority_ = false;
    bool opaque_ = false;
    std::string authority_;  // raw
    std::optional<std::string> userInfo_;
    std::string host_;  // raw, brackets removed
    std::optional<int> port_;
    std::string path_;
    std::optional<std::string> query_;
    std::optional<std::string> fragment_;
};

}  // namespace platform
