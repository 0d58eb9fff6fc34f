#pragma once

// How long an ad response may be kept, read from its HTTP caching fields. The fields come
// from the server as it sends them: anything that does not read as a rule means "do not keep".

#include <optional>
#include <string_view>

#include "platform/base/Value.h"
#include "platform/net/HttpHeaders.h"
#include "platform/net/UrlResponse.h"

namespace ads {

// The moment until which the response may be cached, or nothing:
//   1. "Pragma: no-cache": nothing.
//   2. The reference is the "Date" field, or now without one (or when it is no date).
//   3. "Cache-Control" with "no-store": nothing; with "max-age=N": the reference plus N
//      seconds when N is 1 or more, else nothing. Directives are matched without regard to
//      case, and N saturates instead of overflowing. Without either rule, go on.
//   4. "Expires" later than the reference: now plus the difference; otherwise nothing.
// "Now" is the clock's wall time (platform::Clock), so tests move it.
std::optional<platform::Date> gad_expirationDate(const platform::HttpHeaders& headers);
std::optional<platform::Date> gad_expirationDate(const platform::UrlResponse& response);

// A date in any of HTTP's three forms, or nothing.
std::optional<platform::Date> gad_dateFromHttpDateString(std::string_view text);

}  // namespace ads
