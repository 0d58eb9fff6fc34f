#pragma once

// Numbers in the announcement list and the server settings travel as decimal texts and are
// read the way the phone's string class read them: the leading number, 0 when there is none.
// Nothing here trusts the text: "nan", "inf" and endless digits give plain saturated values.

#include <cstdint>
#include <string>

#include "platform/base/Value.h"

namespace online {

// Leading decimal number ("12.5s" -> 12.5); 0 for a missing number or a value that is not a
// string.
double AnnounceDoubleValue(const platform::Value& v);
// Leading integer, saturated to 32 bits.
int32_t AnnounceIntValue(const platform::Value& v);
// Leading integer, saturated to 64 bits; expiry times are read with it so they survive 2038.
int64_t AnnounceLongLongValue(const platform::Value& v);
int64_t AnnounceLongLongValueOfText(const std::string& text);
// The CRC text of a file row: hexadecimal digits cut to 32 bits, 0 when there are none.
uint32_t AnnounceHexValue(const platform::Value& v);

}  // namespace online
