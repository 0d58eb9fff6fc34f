#include "platform/services/ICalendar.h"

#include <cmath>
#include <ctime>

namespace platform::services {

std::string iCalendarEscapedText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case ';':
                out += "\\;";
                break;
            case ',':
                out += "\\,";
                break;
            case '\r':
                // CRLF and a lone CR are one line break each.
                if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
                out += "\\n";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) break;
                out += c;
        }
    }
    return out;
}

std::string iCalendarFoldedLine(std::string_view line) {
    constexpr std::size_t kMaxLine = 75;
    std::string out;
    std::size_t limit = kMaxLine;
    while (line.size() > limit) {
        std::size_t cut = limit;
        // Never inside a UTF-8 sequence: back up over continuation bytes.
        while (cut > 1 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        limit = kMaxLine - 1;  // the leading space counts
    }
    out.append(line);
    out += "\r\n";
    return out;
}

std::string iCalendarUTCTime(double seconds) {
    if (!std::isfinite(seconds)) seconds = 0;
    const std::time_t t = static_cast<std::time_t>(std::floor(seconds));
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &utc);
    return text;
}

std::string iCalendarText(const CalendarEvent& event, double stamp, const std::string& uid) {
    std::string out;
    auto line = [&](std::string_view name, const std::string& value) {
        out += iCalendarFoldedLine(std::string(name) + ":" + value);
    };
    line("BEGIN", "VCALENDAR");
    line("VERSION", "2.0");
    line("PRODID", "-//Movuroute//Ad calendar event//EN");
    line("BEGIN", "VEVENT");
    line("UID", iCalendarEscapedText(uid));
    line("DTSTAMP", iCalendarUTCTime(stamp));
    line("DTSTART", iCalendarUTCTime(event.start));
    line("DTEND", iCalendarUTCTime(event.end));
    if (!event.title.empty()) line("SUMMARY", iCalendarEscapedText(event.title));
    if (!event.location.empty()) line("LOCATION", iCalendarEscapedText(event.location));
    if (!event.notes.empty()) line("DESCRIPTION", iCalendarEscapedText(event.notes));
    line("END", "VEVENT");
    line("END", "VCALENDAR");
    return out;
}

}  // namespace platform::services
