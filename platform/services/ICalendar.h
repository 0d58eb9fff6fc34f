#pragma once

// One calendar event as an iCalendar file (RFC 5545) the desktop's calendar reads: a
// VCALENDAR with one VEVENT. Text is escaped (backslash, ";", ",", line breaks as "\n") and
// every line is folded at 75 bytes, never before the ':' that ends the property's name and
// without splitting a UTF-8 character, so no field can add a property or a component of its
// own; control characters other than line breaks are dropped.
// Times are written in UTC.

#include <string>
#include <string_view>

namespace platform::services {

struct CalendarEvent {
    std::string title;
    std::string location;
    std::string notes;
    // Seconds since 1970, UTC.
    double start = 0;
    double end = 0;
};

// The escaped value of a text property.
std::string iCalendarEscapedText(std::string_view text);
// The line folded into lines of at most 75 bytes, each ended by CRLF.
std::string iCalendarFoldedLine(std::string_view line);
// "20160201T023000Z".
std::string iCalendarUTCTime(double seconds);
// The whole file; `stamp` is when it was made, `uid` names the event.
std::string iCalendarText(const CalendarEvent& event, double stamp, const std::string& uid);

}  // namespace platform::services
