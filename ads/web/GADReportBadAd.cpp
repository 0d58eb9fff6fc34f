#include "ads/web/GADReportBadAd.h"

#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADJSONAdditions.h"
#include "ads/foundation/GADServiceOrigins.h"
#include "ads/foundation/GADSettings.h"
#include "platform/net/Connection.h"

namespace ads {

namespace {

constexpr const char* kReportPath = "/s/reportAd";
// The answer is never read; a report server that talks on is not listened to.
constexpr std::int64_t kMaxAnswerBytes = 64 * 1024;

}  // namespace

void GADReportBadAd(const std::optional<std::string>& debugHeader) {
    std::optional<platform::Url> url;
    if (auto configured = GADSettings().badAdReportPath()) {
        url = platform::Url::parse(*configured);
    } else {
        url = GADAdServerURL(kReportPath);
    }
    if (!url || !url->hasScheme()) return;

    platform::Value body = platform::Value::dictionary(
        {{"debugHeader", debugHeader ? platform::Value(*debugHeader) : platform::Value()}});
    const std::string json = gad_JSONString(body, false).value_or("");

    platform::UrlRequest request(*url,
                                 platform::UrlRequestCachePolicy::ReloadIgnoringLocalCacheData);
    request.setHttpMethod("POST");
    request.setHttpBody(json);
    request.setValueForHttpHeaderField(std::to_string(json.size()), "Content-Length");
    request.setValueForHttpHeaderField("application/json", "Content-Type");
    if (auto agent = GADDevice::sharedInstance()->userAgentString(); agent && !agent->empty()) {
        request.setUserAgent(*agent);
    }
    platform::Connection::sendAsynchronousRequest(
        std::move(request), [](const auto&, const auto&, const auto&) {}, kMaxAnswerBytes);
}

}  // namespace ads
