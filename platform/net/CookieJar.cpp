#include "platform/net/CookieJar.h"

#include <curl/curl.h>

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>
#include <sstream>

#include "platform/net/CurlSupport.h"
#include "platform/net/HttpHeaders.h"

namespace platform {

struct CookieJarLocking {
    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* user) {
        static_cast<CookieJar*>(user)->locks_[static_cast<std::size_t>(data) % 8].lock();
    }
    static void unlock(CURL*, curl_lock_data data, void* user) {
        static_cast<CookieJar*>(user)->locks_[static_cast<std::size_t>(data) % 8].unlock();
    }
};

namespace {

bool hasControl(std::string_view text) {
    for (char c : text) {
        if (c == '\t' || c == '\r' || c == '\n' || c == '\0') return true;
    }
    return false;
}

// Whole seconds for the file line. A stored or hand-edited file may hold any number, and a
// double past the 64-bit range has no integer to convert to.
std::string expiryText(double expires) {
    constexpr double kLimit = 9.2e18;
    if (std::isnan(expires)) return "0";
    return std::to_string(static_cast<long long>(std::clamp(expires, -kLimit, kLimit)));
}

std::string netscapeLine(const HttpCookie& c) {
    std::string line;
    if (c.httpOnly) line += "#HttpOnly_";
    if (c.includeSubdomains) line += ".";
    line += c.domain;
    line += c.includeSubdomains ? "\tTRUE\t" : "\tFALSE\t";
    line += c.path.empty() ? "/" : c.path;
    line += c.secure ? "\tTRUE\t" : "\tFALSE\t";
    line += expiryText(c.expires);
    line += "\t" + c.name + "\t" + c.value;
    return line;
}

std::optional<HttpCookie> parseNetscapeLine(std::string_view line) {
    HttpCookie c;
    constexpr std::string_view kHttpOnly = "#HttpOnly_";
    if (line.substr(0, kHttpOnly.size()) == kHttpOnly) {
        c.httpOnly = true;
        line.remove_prefix(kHttpOnly.size());
    } else if (line.empty() || line.front() == '#') {
        return std::nullopt;
    }
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        auto tab = line.find('\t', start);
        fields.emplace_back(line.substr(start, tab - start));
        if (tab == std::string_view::npos) break;
        start = tab + 1;
    }
    if (fields.size() == 6) fields.emplace_back();  // a cookie with an empty value
    if (fields.size() != 7) return std::nullopt;
    c.domain = fields[0];
    if (!c.domain.empty() && c.domain.front() == '.') c.domain.erase(0, 1);
    c.includeSubdomains = fields[1] == "TRUE";
    c.path = fields[2];
    c.secure = fields[3] == "TRUE";
    char* end = nullptr;
    c.expires = static_cast<double>(std::strtoll(fields[4].c_str(), &end, 10));
    c.name = fields[5];
    c.value = fields[6];
    if (c.name.empty() || c.domain.empty()) return std::nullopt;
    return c;
}

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;

Easy easyOn(void* share) {
    Easy easy(curl_easy_init());
    if (easy) {
        curl_easy_setopt(easy.get(), CURLOPT_SHARE, static_cast<CURLSH*>(share));
        curl_easy_setopt(easy.get(), CURLOPT_COOKIEFILE, "");
    }
    return easy;
}

bool domainMatches(const std::string& host, const HttpCookie& c) {
    if (HttpHeaders::namesEqual(host, c.domain)) return true;
    if (!c.includeSubdomains || host.size() <= c.domain.size()) return false;
    std::string_view tail(host);
    tail.remove_prefix(host.size() - c.domain.size() - 1);
    return tail.front() == '.' && HttpHeaders::namesEqual(tail.substr(1), c.domain);
}

bool pathMatches(const std::string& path, const std::string& cookiePath) {
    if (cookiePath.empty() || cookiePath == "/") return true;
    if (path.compare(0, cookiePath.size(), cookiePath) != 0) return false;
    return path.size() == cookiePath.size() || cookiePath.back() == '/' ||
           path[cookiePath.size()] == '/';
}

}  // namespace

CookieJar& CookieJar::shared() {
    // Never destroyed: transfers on other threads may still carry its cookies while the
    // process exits.
    static auto* jar = new CookieJar();
    return *jar;
}

CookieJar::CookieJar() {
    ensureCurlReady();
    CURLSH* share = curl_share_init();
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    curl_share_setopt(share, CURLSHOPT_LOCKFUNC, &CookieJarLocking::lock);
    curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, &CookieJarLocking::unlock);
    curl_share_setopt(share, CURLSHOPT_USERDATA, this);
    share_ = share;
}

std::vector<HttpCookie> CookieJar::allCookies() const {
    std::vector<HttpCookie> out;
    Easy easy = easyOn(share_);
    if (!easy) return out;
    curl_slist* list = nullptr;
    if (curl_easy_getinfo(easy.get(), CURLINFO_COOKIELIST, &list) != CURLE_OK) return out;
    double now = static_cast<double>(std::time(nullptr));
    for (curl_slist* item = list; item; item = item->next) {
        auto cookie = parseNetscapeLine(item->data);
        if (!cookie) continue;
        if (cookie->expires != 0 && cookie->expires < now) continue;
        out.push_back(std::move(*cookie));
    }
    curl_slist_free_all(list);
    return out;
}

std::vector<HttpCookie> CookieJar::cookiesForUrl(const Url& url) const {
    std::vector<HttpCookie> out;
    const std::string host = url.host();
    if (host.empty()) return out;
    const std::string path = url.rawPath().empty() ? std::string("/") : url.rawPath();
    const bool https = HttpHeaders::namesEqual(url.scheme(), "https");
    for (auto& cookie : allCookies()) {
        if (!domainMatches(host, cookie)) continue;
        if (!pathMatches(path, cookie.path)) continue;
        if (cookie.secure && !https) continue;
        out.push_back(std::move(cookie));
    }
    return out;
}

bool CookieJar::setCookie(const HttpCookie& cookie) {
    if (cookie.name.empty() || cookie.domain.empty()) return false;
    if (hasControl(cookie.name) || hasControl(cookie.value) || hasControl(cookie.domain) ||
        hasControl(cookie.path)) {
        return false;
    }
    Easy easy = easyOn(share_);
    if (!easy) return false;
    std::string line = netscapeLine(cookie);
    return curl_easy_setopt(easy.get(), CURLOPT_COOKIELIST, line.c_str()) == CURLE_OK;
}

void CookieJar::deleteCookie(std::string_view name, std::string_view domain) {
    auto cookies = allCookies();
    Easy easy = easyOn(share_);
    if (!easy) return;
    curl_easy_setopt(easy.get(), CURLOPT_COOKIELIST, "ALL");
    for (const auto& cookie : cookies) {
        if (cookie.name == name && HttpHeaders::namesEqual(cookie.domain, domain)) continue;
        std::string line = netscapeLine(cookie);
        curl_easy_setopt(easy.get(), CURLOPT_COOKIELIST, line.c_str());
    }
}

void CookieJar::deleteAllCookies() {
    Easy easy = easyOn(share_);
    if (easy) curl_easy_setopt(easy.get(), CURLOPT_COOKIELIST, "ALL");
}

bool CookieJar::save(const std::string& path) const {
    std::string text = "# Netscape HTTP Cookie File\n";
    for (const auto& cookie : allCookies()) {
        if (cookie.expires == 0) continue;
        text += netscapeLine(cookie) + "\n";
    }
    std::string temporary = path + ".tmp" + std::to_string(::getpid());
    // Saved cookies are credentials: readable by this user only.
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        ::close(fd);
        std::remove(temporary.c_str());
        return false;
    }
    bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    ok = std::fflush(file) == 0 && ok;
    ok = ::fsync(fileno(file)) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    if (!ok || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

bool CookieJar::load(const std::string& path) {
    // "e": close-on-exec, as every descriptor of ours, so a child started meanwhile holds none.
    FILE* file = std::fopen(path.c_str(), "rbe");
    if (!file) return false;
    std::string text;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
    std::fclose(file);
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (auto cookie = parseNetscapeLine(line)) setCookie(*cookie);
    }
    return true;
}

}  // namespace platform
