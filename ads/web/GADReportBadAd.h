#pragma once

// The report a user sends from an ad's debug dialog: the creative's debug text, posted as
// {"debugHeader": text} in compact JSON to the server-tuned report address
// ("/zivivu/ads/bad_ad_report_path") or, without one, to the ad server's "/s/reportAd". A POST
// with the web view's user agent, never answered from a cache; nothing is retried, and the
// answer is not read. An address that is no URL sends nothing. Main thread.

#include <optional>
#include <string>

namespace ads {

// An absent header is sent as JSON null.
void GADReportBadAd(const std::optional<std::string>& debugHeader);

}  // namespace ads
