#pragma once

// The cookie store shared by every request of the process that handles cookies: a cookie
// set by one answer goes out with the next request to the same site, from any thread. It
// lives in memory for the life of the process (and is never destroyed, so that a transfer
// still running while the process exits finds it); save() and load() carry it across
// launches.

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Url.h"

namespace platform {

struct HttpCookie {
    std::string name;
    std::string value;
    std::string domain;  // without a leading dot
    std::string path = "/";
    bool includeSubdomains = false;
    bool secure = false;
    bool httpOnly = false;
    double expires = 0;  // seconds since 1970; 0 for a session cookie

    friend bool operator==(const HttpCookie&, const HttpCookie&) = default;
};

class CookieJar {
  public:
    static CookieJar& shared();

    CookieJar(const CookieJar&) = delete;
    CookieJar& operator=(const CookieJar&) = delete;

    std::vector<HttpCookie> allCookies() const;
    // The cookies a request to `url` would carry (domain, path and scheme rules).
    std::vector<HttpCookie> cookiesForUrl(const Url& url) const;
    // A cookie with an empty name or domain, or with tabs or line breaks anywhere, is refused.
    bool setCookie(const HttpCookie& cookie);
    void deleteCookie(std::string_view name, std::string_view domain);
    void deleteAllCookies();

    // Netscape cookie-file format, written atomically; session cookies are not saved.
    bool save(const std::string& path) const;
    // Adds the cookies of a file written by save(); false when it cannot be read.
    bool load(const std::string& path);

    // The transfer library's share handle; only the transfer code uses it.
    void* nativeShare() const { return share_; }

  private:
    CookieJar();
    ~CookieJar() = delete;

    void* share_ = nullptr;
    // One lock per kind of data the share hands out; the transfer library asks for them.
    mutable std::mutex locks_[8];
    friend struct CookieJarLocking;
};

}  // namespace platform
