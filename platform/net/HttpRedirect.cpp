#include "platform/net/HttpRedirect.h"

#include "platform/net/CurlSupport.h"

namespace platform {

std::optional<UrlRequest> redirectRequestFor(const UrlRequest& previous,
                                             const UrlResponse& response) {
    if (!response.isRedirect()) return std::nullopt;
    auto target = resolveUrl(previous.url(), response.headers.value("Location"));
    if (!target) return std::nullopt;

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
    auto from = splitUrl(previous.url());
    auto to = splitUrl(*target);
    if (!from || !to || from->host != to->host) {
        HttpHeaders headers = next.allHttpHeaderFields();
        headers.remove("Authorization");
        next.setAllHttpHeaderFields(std::move(headers));
    }
    return next;
}

}  // namespace platform
