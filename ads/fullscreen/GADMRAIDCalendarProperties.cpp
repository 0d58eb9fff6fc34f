#include "ads/fullscreen/GADMRAIDCalendarProperties.h"

#include <cmath>
#include <ctime>

namespace ads {

namespace {

bool digits(const std::string& text, std::size_t at, std::size_t count, int& value) {
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

bool isLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Control characters dropped (line breaks too unless kept), then cut to at most `max`
// characters without splitting one.
std::string cleaned(const std::string& text, std::size_t max, bool keepLineBreaks) {
    std::string out;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c == '\r' && keepLineBreaks) {
            if (i + 1 < text.size() && text[i + 1] == '\n') continue;  // CRLF: the LF stays
            c = '\n';
        }
        if ((c < 0x20 && !(c == '\n' && keepLineBreaks)) || c == 0x7f) continue;
        // Counted by their first byte, so a character is kept whole or not at all.
        if ((c & 0xC0) != 0x80) {
            if (characters == max) break;
            ++characters;
        }
        out += static_cast<char>(c);
    }
    return out;
}

}  // namespace

std::optional<double> GADMRAIDCalendarProperties::parseDate(const std::string& text) {
    int year, month, day, hour, minute, second;
    if (text.size() < 20 || !digits(text, 0, 4, year) || text[4] != '-' ||
        !digits(text, 5, 2, month) || text[7] != '-' || !digits(text, 8, 2, day) ||
        text[10] != 'T' || !digits(text, 11, 2, hour) || text[13] != ':' ||
        !digits(text, 14, 2, minute) || text[16] != ':' || !digits(text, 17, 2, second)) {
        return std::nullopt;
    }
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 ||
        day > kDays[month - 1] + (month == 2 && isLeap(year) ? 1 : 0) || hour > 23 || minute > 59 ||
        second > 59) {
        return std::nullopt;
    }
    int offset = 0;
    const std::string zone = text.substr(19);
    if (zone != "Z") {
        int zoneHours, zoneMinutes;
        if (zone.size() != 6 || (zone[0] != '+' && zone[0] != '-') ||
            !digits(zone, 1, 2, zoneHours) || zone[3] != ':' || !digits(zone, 4, 2, zoneMinutes) ||
            zoneHours > 23 || zoneMinutes > 59) {
            return std::nullopt;
        }
        offset = (zoneHours * 3600 + zoneMinutes * 60) * (zone[0] == '-' ? -1 : 1);
    }
    std::tm utc{};
    utc.tm_year = year - 1900;
    utc.tm_mon = month - 1;
    utc.tm_mday = day;
    utc.tm_hour = hour;
    utc.tm_min = minute;
    utc.tm_sec = second;
    return static_cast<double>(timegm(&utc)) - offset;
}

std::optional<GADMRAIDCalendarProperties> GADMRAIDCalendarProperties::fromDictionary(
    const platform::Value::Dictionary& parameters) {
    GADMRAIDCalendarProperties properties;
    auto text = [&](const char* key, std::optional<std::string>& into) {
        auto it = parameters.find(key);
        if (it == parameters.end()) return true;
        if (!it->second.isString()) return false;
        into = it->second.asString();
        return true;
    };
    std::optional<std::string> start, end;
    if (!text("start", start) || !text("end", end) || !text("summary", properties.summary) ||
        !text("description", properties.eventDescription) ||
        !text("location", properties.location)) {
        return std::nullopt;
    }
    if (start) properties.startTime = parseDate(*start);
    if (end) properties.endTime = parseDate(*end);
    if (properties.summary) properties.summary = cleaned(*properties.summary, kMaxNotes, true);
    if (properties.eventDescription) {
        properties.eventDescription = cleaned(*properties.eventDescription, kMaxTitle, false);
    }
    if (properties.location) properties.location = cleaned(*properties.location, kMaxTitle, false);
    return properties;
}

platform::services::CalendarEvent GADMRAIDCalendarProperties::event(double now) const {
    platform::services::CalendarEvent event;
    event.title = eventDescription.value_or("");
    event.notes = summary.value_or("");
    event.location = location.value_or("");
    event.start = startTime ? *startTime : (std::floor(now / 3600) + 1) * 3600;
    // A calendar event ends after it starts (RFC 5545 refuses an end at the start too).
    event.end = endTime && *endTime > event.start ? *endTime : event.start + 3600;
    return event;
}

}  // namespace ads
