#pragma once

// Dates in HTTP header fields. Servers still send all three historical forms, so parsing
// accepts each of them; formatting always writes the preferred one.
//
//   "Sun, 06 Nov 1994 08:49:37 GMT"    (the preferred form)
//   "Sunday, 06-Nov-94 08:49:37 GMT"   (the obsolete form with a two-digit year)
//   "Sun Nov  6 08:49:37 1994"         (the C library's asctime form, always GMT)

#include <optional>
#include <string>
#include <string_view>

#include "platform/base/Value.h"

namespace platform {

// Nothing for text in none of the forms or for a day or time that does not exist. Names of
// days and months are matched without regard to case; the zone may be GMT, UTC, UT, Z or a
// numeric offset ("+0100", "GMT+01:00") or a North American zone name ("PST"); surrounding
// white space is ignored.
std::optional<Date> parseHttpDate(std::string_view text);

// The preferred form, in GMT; seconds are truncated. Empty for dates outside years 1..9999.
std::string formatHttpDate(Date date);

// The preferred form without the trailing zone ("Sun, 06 Nov 1994 08:49:37"), as some
// conditional-request code writes it; parseHttpDate does not accept this form.
std::string formatHttpDateWithoutZone(Date date);

}  // namespace platform
