#pragma once

// One HTTP request as a value: URL, method, header fields, body, time-out, cache policy and
// whether the shared cookie jar takes part. Copy it, change the copy, send either.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Url.h"
#include "platform/net/HttpHeaders.h"

namespace platform {

// Cache policies with fixed numeric values, since callers store and pass them as numbers. There is
// no local response cache here, so the policies only differ in what they ask of caches between us
// and the server: the policy that ignores remote data sends "Cache-Control: no-cache" and "Pragma:
// no-cache" (unless the request sets them).
enum class UrlRequestCachePolicy : std::uint64_t {
    UseProtocolCachePolicy = 0,
    ReloadIgnoringLocalCacheData = 1,
    ReturnCacheDataElseLoad = 2,
    ReturnCacheDataDontLoad = 3,
    ReloadIgnoringLocalAndRemoteCacheData = 4,
    ReloadRevalidatingCacheData = 5,
};

class UrlRequest {
  public:
    using Bytes = std::vector<std::uint8_t>;

    static constexpr double kDefaultTimeoutInterval = 60.0;
    // Longer waits (up to infinity) are taken as this one: a year, still in range of every
    // clock and time-out the transfer code converts it to.
    static constexpr double kMaxTimeoutInterval = 365.0 * 24 * 3600;

    UrlRequest() = default;
    explicit UrlRequest(
        Url url, UrlRequestCachePolicy cachePolicy = UrlRequestCachePolicy::UseProtocolCachePolicy,
        double timeoutInterval = kDefaultTimeoutInterval);

    const Url& url() const { return url_; }
    void setUrl(Url url) { url_ = std::move(url); }
    // The request for a URL text, or nothing when the text is not a URL.
    static std::optional<UrlRequest> withString(std::string_view url);

    // "GET" by default; any token is allowed ("POST", "HEAD", "PUT", "DELETE", ...).
    const std::string& httpMethod() const { return method_; }
    void setHttpMethod(std::string method);

    const HttpHeaders& allHttpHeaderFields() const { return headers_; }
    void setAllHttpHeaderFields(HttpHeaders headers) { headers_ = std::move(headers); }
    std::string valueForHttpHeaderField(std::string_view field) const {
        return headers_.value(field);
    }
    // An empty value removes the field.
    void setValueForHttpHeaderField(std::string value, std::string_view field);
    void addValueForHttpHeaderField(std::string_view value, std::string_view field);

    // The agent sent by requests without a "User-Agent" field; settable once at start-up (the
    // shell puts the web view's agent here), readable from any thread.
    static std::string defaultUserAgent();
    static void setDefaultUserAgent(std::string agent);

    // Shorthand for the "User-Agent" field.
    std::string userAgent() const { return headers_.value("User-Agent"); }
    void setUserAgent(std::string agent) {
        setValueForHttpHeaderField(std::move(agent), "User-Agent");
    }

    // Sent with every method but GET and HEAD, which never carry a body.
    const Bytes& httpBody() const { return body_; }
    void setHttpBody(Bytes body) { body_ = std::move(body); }
    void setHttpBody(std::string_view body) { body_.assign(body.begin(), body.end()); }

    // Seconds without any progress (connecting, sending or receiving) after which the
    // request fails with a time-out; 0 or less means the default of 60, more than a year
    // (or infinity) a year.
    double timeoutInterval() const { return timeout_; }
    void setTimeoutInterval(double seconds) { timeout_ = seconds; }

    UrlRequestCachePolicy cachePolicy() const { return cachePolicy_; }
    void setCachePolicy(UrlRequestCachePolicy policy) { cachePolicy_ = policy; }

    bool httpShouldHandleCookies() const { return handleCookies_; }
    void setHttpShouldHandleCookies(bool handle) { handleCookies_ = handle; }

    // The time-out actually applied.
    double effectiveTimeout() const {
        if (!(timeout_ > 0)) return kDefaultTimeoutInterval;
        return timeout_ < kMaxTimeoutInterval ? timeout_ : kMaxTimeoutInterval;
    }

  private:
    Url url_;
    std::string method_ = "GET";
    HttpHeaders headers_;
    Bytes body_;
    double timeout_ = kDefaultTimeoutInterval;
    UrlRequestCachePolicy cachePolicy_ = UrlRequestCachePolicy::UseProtocolCachePolicy;
    bool handleCookies_ = true;
};

}  // namespace platform
