#include "ads/foundation/GADServiceOrigins.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <optional>
#include <string>

#include "ads/foundation/GADLog.h"
#include "platform/base/Value.h"
#include "platform/storage/Bundle.h"

namespace ads {

using platform::Url;

namespace {

std::string lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

struct Service {
    const char* name;  // for the log
    const char* variable;
    const char* bundleKey;
    const char* fallback;
};

constexpr Service kAdServer{"ad server", kGADAdServerVariable, kGADAdServerBundleKey,
                            kGADDefaultAdServerOrigin};

// Scheme, host and port of the text; user, path, query and fragment go.
std::optional<Url> originOf(std::string_view text, const Service& service, const char* source) {
    if (text.empty()) return std::nullopt;
    auto url = Url::parse(text);
    const std::string scheme = url ? lowercase(url->scheme()) : std::string();
    const std::string host = url ? url->host() : std::string();
    std::optional<Url> origin;
    if (url && (scheme == "http" || scheme == "https") && !host.empty()) {
        const bool ipv6 = host.find(':') != std::string::npos;
        std::string result = scheme + "://" + (ipv6 ? "[" + host + "]" : host);
        if (url->port()) result += ":" + std::to_string(*url->port());
        // A host that only parsed in its escaped form cannot stand in an origin.
        origin = Url::parse(result);
    }
    if (!origin) {
        GADLog("The %s origin from %s is not an http(s) URL with a host; it is not used.",
               service.name, source);
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

}  // namespace ads
