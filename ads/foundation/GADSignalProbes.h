#pragma once

// The probes the signal component builds its signal from: text conversion, web-safe Base64,
// reachability, battery, screen, time zone and how much of a kind of view shows. The signal
// component relies on their exact results, so each does exactly what it says and nothing
// more. Those that read views or the screen run on the main thread; the others anywhere.

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "platform/base/Geometry.h"

namespace ads {

// Two 32-bit results travel as one 64-bit value: the first in the low half, the second in the
// high half.
std::int64_t GADPackInt32Pair(std::int32_t low, std::int32_t high);
std::int32_t GADPackedLow(std::int64_t packed);
std::int32_t GADPackedHigh(std::int64_t packed);

// A text as it is handed over: the program's UTF-8, or UTF-16 (page text and text that counts
// UTF-16 units).
using GADText = std::variant<std::string, std::u16string>;

// The text as a C string. UTF-8 text gives its own buffer (*flag 0: do not free it, and keep
// the text alive while it is used); UTF-16 text gives a converted, zero-filled buffer of the
// largest size UTF-8 may need plus one (*flag 1: release it with GADFreeUTF8CString). No
// text, UTF-8 that is not well formed or UTF-16 with a lone surrogate give nullptr (and leave
// *flag alone). `flag` may be null.
const char* GADCFStringToUTF8CString(const GADText* text, int* flag);
void GADFreeUTF8CString(const char* string, int flag);

// The machine's reachability flags now (0 when they cannot be read) through the pointer;
// answers whether there was a pointer to store them through.
bool GADNetworkReachabilityFlags(std::uint32_t* flags);

// RFC 4648's URL- and filename-safe Base64 without padding. Nothing for a negative length or
// missing bytes.
std::string GADWebSafeBase64StringFromBytes(const void* bytes, std::int32_t length);

// The battery level in percent, truncated (-100 when unknown), and the battery state
// (platform::BatteryState), packed. Monitoring is switched on for the reading and off again
// when it was off. Main thread.
std::int64_t GADBatteryLevelAndState();

// The main screen's size in pixels (points times scale), width and height truncated,
// packed. Main thread.
std::int64_t GADScreenModeSize();

// Whole minutes east of UTC now, plus GADTimeZoneOffsetAdjustment (1440 at start, so the
// result is never negative).
std::int32_t GADTimeZoneOffsetMinutes();
extern std::atomic<std::int32_t> GADTimeZoneOffsetAdjustment;

// The part of the first visible view of the named class (or a subclass; names as the class
// registry knows them) that another view drawn after it covers, in window coordinates: a walk
// of the key window's tree, back to front, skipping hidden views with their subviews. The zero
// rectangle when such a view shows and nothing covers it; the null rectangle when no class has
// that name, there is no key window or no such view shows. Main thread.
platform::Rect GADVisibleRectOfViewsOfClassNamed(std::string_view className);

}  // namespace ads
