#include "ads/foundation/GADServiceOrigins.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ads/foundation/GADLog.h"
#include "ads/foundation/GADSettings.h"
#include "ads/foundation/GADStringAdditions.h"
#include "platform/base/Value.h"
#include "platform/storage/Bundle.h"

namespace ads {

using platform::Url;

namespace {

struct Service {
    const char* name;  // for the log
    const char* variable;
    const char* bundleKey;
    const char* fallback;
    bool httpsUnlessLoopback;
};

constexpr Service kAdServer{"ad server", kGADAdServerVariable, kGADAdServerBundleKey,
                            kGADDefaultAdServerOrigin, false};
constexpr Service kAdsAPI{"ads API", kGADAdsAPIVariable, kGADAdsAPIBundleKey,
                          kGADDefaultAdsAPIOrigin, true};

// The origins are looked up at every request; a bad setting is told once per run, and again
// only once it changes.
bool firstWarningAbout(const char* source, std::string_view text) {
    // Never destroyed: requests may still look an origin up while the process exits.
    static auto* mutex = new std::mutex;
    static auto* warned = new std::set<std::string>;
    std::lock_guard lock(*mutex);
    return warned->insert(std::string(source) + "=" + std::string(text)).second;
}

// Scheme, host and port of the text; user, path, query and fragment go.
std::optional<Url> originOf(std::string_view text, const Service& service, const char* source) {
    if (text.empty()) return std::nullopt;
    auto url = Url::parse(text);
    const std::string scheme = url ? gad_asciiLowercased(url->scheme()) : std::string();
    const std::string host = url ? url->host() : std::string();
    const char* problem = nullptr;
    if (!url || (scheme != "http" && scheme != "https") || host.empty()) {
        problem = "is not an http(s) URL with a host";
    } else if (service.httpsUnlessLoopback && scheme == "http" && !GADIsLoopbackHost(host)) {
        problem = "is plain http to a host that is not this machine";
    }
    std::optional<Url> origin;
    if (!problem) {
        const bool ipv6 = host.find(':') != std::string::npos;
        std::string result = scheme + "://" + (ipv6 ? "[" + host + "]" : host);
        if (url->port()) result += ":" + std::to_string(*url->port());
        origin = Url::parse(result);
        // A host that only parsed in its escaped form cannot stand in an origin.
        if (!origin) problem = "is not an http(s) URL with a host";
    }
    if (problem && firstWarningAbout(source, text)) {
        GADLog("The %s origin from %s %s; it is not used.", service.name, source, problem);
    }
    return origin;
}

Url originFor(const Service& service) {
    if (const char* env = std::getenv(service.variable)) {
        if (auto found = originOf(env, service, service.variable)) return *found;
    }
    const platform::Value& configured =
        platform::Bundle::mainBundle()->objectForInfoDictionaryKey(service.bundleKey);
    if (configured.isString()) {
        if (auto found = originOf(configured.stringRef(), service, service.bundleKey)) {
            return *found;
        }
    }
    return *Url::parse(service.fallback);
}

Url withPath(const Url& origin, std::string_view path) {
    if (auto url = Url::parse(origin.absoluteString() + std::string(path))) return *url;
    return origin;
}

}  // namespace

Url GADAdServerOrigin() {
    return originFor(kAdServer);
}

Url GADAdServerURL(std::string_view path) {
    return withPath(GADAdServerOrigin(), path);
}

Url GADAdsAPIOrigin() {
    return originFor(kAdsAPI);
}

Url GADAdsAPIURL(std::string_view path) {
    return withPath(GADAdsAPIOrigin(), path);
}

bool GADIsLoopbackHost(std::string_view host) {
    const std::string text(host);
    if (gad_asciiLowercased(text) == "localhost") return true;
    in_addr v4{};
    if (::inet_pton(AF_INET, text.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    if (::inet_pton(AF_INET6, text.c_str(), &v6) == 1) return IN6_IS_ADDR_LOOPBACK(&v6);
    return false;
}

bool GADIsZivivuAdURL(const platform::Url& url) {
    std::vector<std::string> suffixes;
    if (const auto configured = GADSettings().asDomains(); configured && !configured->empty()) {
        std::string::size_type start = 0;
        while (start <= configured->size()) {
            const auto end = configured->find(',', start);
            suffixes.push_back(configured->substr(start, end - start));
            if (end == std::string::npos) break;
            start = end + 1;
        }
    } else {
        suffixes.push_back(GADAdServerOrigin().host());
    }
    // A host matches a suffix whole or as a subdomain, so "evilads.test" is not "ads.test".
    const std::string host = gad_asciiLowercased(url.host());
    if (host.empty()) return false;
    return std::any_of(suffixes.begin(), suffixes.end(), [&](const std::string& entry) {
        const std::string suffix = gad_asciiLowercased(entry);
        if (suffix.empty()) return false;
        if (host == suffix) return true;
        return host.size() > suffix.size() &&
               host.compare(host.size() - suffix.size(), suffix.size(), suffix) == 0 &&
               host[host.size() - suffix.size() - 1] == '.';
    });
}

}  // namespace ads
