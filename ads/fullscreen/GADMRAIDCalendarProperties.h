#pragma once

// An MRAID creative's calendar event, from the "createCalendarEvent" parameters: "start" and
// "end" in the layout "yyyy-MM-dd'T'HH:mm:ss" followed by "Z" or an offset "+hh:mm"/"-hh:mm"
// (2016-01-31T18:30:00-08:00); any other layout, or a date that does not exist, gives no time.
// "summary", "description" and "location" are copied, with control characters dropped (line
// breaks stay in the summary, which becomes the event's notes) and cut to kMaxTitle
// characters (kMaxNotes for the summary). Nothing is required.
//
// The event made from it (event()): title = description, notes = summary, location; no start:
// the next full hour after `now`; no end, or one not after the start: the start and one hour.

#include <cstddef>
#include <optional>
#include <string>

#include "platform/base/Value.h"
#include "platform/services/ICalendar.h"

namespace ads {

class GADMRAIDCalendarProperties {
  public:
    static constexpr std::size_t kMaxTitle = 1000;
    static constexpr std::size_t kMaxNotes = 10000;

    // None when a key holds something other than text.
    static std::optional<GADMRAIDCalendarProperties> fromDictionary(
        const platform::Value::Dictionary& parameters);
    // Seconds since 1970, or none.
    static std::optional<double> parseDate(const std::string& text);

    std::optional<double> startTime;
    std::optional<double> endTime;
    std::optional<std::string> summary;
    std::optional<std::string> eventDescription;
    std::optional<std::string> location;

    platform::services::CalendarEvent event(double now) const;
};

}  // namespace ads
