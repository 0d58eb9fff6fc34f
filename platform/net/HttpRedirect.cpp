#include "platform/net/HttpRedirect.h"

#include "platform/net/CurlSupport.h"

namespace platform {

namespace {

// Servers put raw spaces and other bytes into Location fields; when the strict parser refuses
// one, the transfer library's lenient resolution (which escapes them) gets a second try.
std::optional<Url> resolveLocation(const Url& base, const std::string& location) {
    if (auto url = Url::parse(location, base)) return url;
    if (auto lenient = resolveUrl(base.absoluteString(), location)) return Url::parse(*lenient);
    return std::nullopt;
}

}  // namespace

std::optional<UrlRequest> redirectRequestFor(const UrlRequest& previous,
                                             const UrlResponse& response) {
    if (!response.isRedirect()) return std::nullopt;
    auto target = resolveLocation(previous.url(), response.headers.value("Location"));
    if (!target || !target->hasScheme()) return std::nullopt;

    UrlRequest next = previous;
    next.setUrl(*target);
    const long status = response.statusCode;
    const std::string& method = previous.httpMethod();
    bool toGet = (status == 303 && method != "HEAD") ||
                 ((status == 301 || status == 302) && method == "POST");
    if (toGet) {
        next.setHttpMethod("GET");
        next.setHttpBody(UrlRequest::Bytes{});
        HttpHeaders headers = next.allHttpHeaderFields();
        headers.remove("Content-Type");
        headers.remove("Content-Length");
        next.setAllHttpHeaderFields(std::move(headers));
    }
    // Credentials were meant for one server over the channel they were given on: not for
    // another host, and never in clear text after a secure request.
    const bool otherHost = !HttpHeaders::namesEqual(previous.url().host(), target->host());
    const bool downgraded = HttpHeaders::namesEqual(previous.url().scheme(), "https") &&
                            !HttpHeaders::namesEqual(target->scheme(), "https");
    if (otherHost || downgraded) {
        HttpHeaders headers = next.allHttpHeaderFields();
        headers.remove("Authorization");
        headers.remove("Cookie");
        next.setAllHttpHeaderFields(std::move(headers));
    }
    return next;
}

}  // namespace platform
