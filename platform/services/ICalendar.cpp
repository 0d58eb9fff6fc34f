#include "platform/services/ICalendar.h"

#include <algorithm>
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

namespace {

bool isContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The bytes of the UTF-8 character this byte starts, 1 for a byte that starts none.
std::size_t sequenceLength(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0xC2 && b <= 0xDF) return 2;
    if (b >= 0xE0 && b <= 0xEF) return 3;
    if (b >= 0xF0 && b <= 0xF4) return 4;
    return 1;
}

// Where to end a line of at most `limit` bytes: at the limit unless that splits a character,
// then before the character, but never before `earliest`. Bytes that make no character (text
// that is not UTF-8) have nothing to keep together, so they are cut at the limit like ASCII.
std::size_t foldPoint(std::string_view line, std::size_t limit, std::size_t earliest) {
    if (!isContinuation(line[limit])) return limit;
    std::size_t start = limit;
    while (start > 0 && limit - start < 3 && isContinuation(line[start])) --start;
    if (isContinuation(line[start]) || start + sequenceLength(line[start]) <= limit) return limit;
    return start >= earliest ? start : limit;
}

}  // namespace

std::string iCalendarFoldedLine(std::string_view line) {
    constexpr std::size_t kMaxLine = 75;
    std::string out;
    // A reader takes everything up to the first ':' as the property's name, so the first fold
    // comes after it; our names are short, far from the limit.
    const std::size_t colon = line.find(':');
    std::size_t earliest = colon == std::string_view::npos ? 1 : std::min(colon + 1, kMaxLine);
    std::size_t limit = kMaxLine;
    while (line.size() > limit) {
        const std::size_t cut = foldPoint(line, limit, earliest);
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        limit = kMaxLine - 1;  // the leading space counts
        earliest = 1;
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
