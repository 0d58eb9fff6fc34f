#include "ads/foundation/GADURLRequestUtilities.h"

#include "ads/foundation/GADDevice.h"

namespace ads {

std::optional<platform::UrlRequest> gad_requestForURL(
    const std::optional<platform::Url>& url, const std::optional<std::vector<std::uint8_t>>& data,
    const platform::HttpHeaders& headers, const std::optional<std::string>& type) {
    std::string agent;
    if (auto device = GADDevice::sharedInstance()) agent = device->userAgentString().value_or("");
    return gad_requestForURL(url, data, headers, type, agent);
}

std::optional<platform::UrlRequest> gad_requestForURL(
    const std::optional<platform::Url>& url, const std::optional<std::vector<std::uint8_t>>& data,
    const platform::HttpHeaders& headers, const std::optional<std::string>& type,
    const std::string& userAgent) {
    if (!url) return std::nullopt;
    platform::UrlRequest request(*url);
    request.setAllHttpHeaderFields(headers);
    if (!userAgent.empty()) request.setUserAgent(userAgent);
    if (data && type && !type->empty()) {
        request.setHttpMethod("POST");
        request.setHttpBody(*data);
        request.setValueForHttpHeaderField(std::to_string(data->size()), "Content-Length");
        request.setValueForHttpHeaderField(*type, "Content-Type");
    }
    return request;
}

}  // namespace ads
