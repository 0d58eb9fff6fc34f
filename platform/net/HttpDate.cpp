#include "platform/net/HttpDate.h"

#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <utility>

namespace platform {

namespace {

constexpr std::array<const char*, 7> kShortDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 7> kLongDays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};
constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool sameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// A tiny cursor over the text; every reader answers false and leaves the cursor somewhere
// undefined on a mismatch, after which the whole form is abandoned.
class Cursor {
  public:
    explicit Cursor(std::string_view text) : text_(text) {}

    bool atEnd() const { return pos_ == text_.size(); }

    bool literal(char c) {
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    // One or more spaces.
    bool spaces() {
        std::size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
        return pos_ > start;
    }

    // Between minDigits and maxDigits decimal digits.
    bool number(int minDigits, int maxDigits, int& out) {
        int count = 0;
        int value = 0;
        while (count < maxDigits && pos_ < text_.size() && text_[pos_] >= '0' &&
               text_[pos_] <= '9') {
            value = value * 10 + (text_[pos_] - '0');
            ++pos_;
            ++count;
        }
        out = value;
        return count >= minDigits;
    }

    std::string_view word() {
        std::size_t start = pos_;
        while (pos_ < text_.size() && ((text_[pos_] >= 'a' && text_[pos_] <= 'z') ||
                                       (text_[pos_] >= 'A' && text_[pos_] <= 'Z'))) {
            ++pos_;
        }
        return text_.substr(start, pos_ - start);
    }

    std::string_view rest() const { return text_.substr(pos_); }
    void skipToEnd() { pos_ = text_.size(); }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

template <std::size_t N>
bool oneOf(std::string_view word, const std::array<const char*, N>& names) {
    for (const char* name : names) {
        if (sameText(word, name)) return true;
    }
    return false;
}

bool month(Cursor& c, int& out) {
    std::string_view w = c.word();
    for (int i = 0; i < 12; ++i) {
        if (sameText(w, kMonths[static_cast<std::size_t>(i)])) {
            out = i + 1;
            return true;
        }
    }
    return false;
}

bool timeOfDay(Cursor& c, int& h, int& m, int& s) {
    return c.number(1, 2, h) && c.literal(':') && c.number(2, 2, m) && c.literal(':') &&
           c.number(2, 2, s) && h <= 23 && m <= 59 && s <= 60;
}

// Seconds east of GMT, from the zone text at the end of the first two forms.
bool zone(std::string_view text, int& offsetSeconds) {
    offsetSeconds = 0;
    if (sameText(text, "GMT") || sameText(text, "UTC") || sameText(text, "UT") ||
        sameText(text, "Z")) {
        return true;
    }
    // The North American zone names that the old mail-date rules allowed.
    static constexpr std::pair<const char*, int> kNamed[] = {{"EST", -5}, {"EDT", -4}, {"CST", -6},
                                                             {"CDT", -5}, {"MST", -7}, {"MDT", -6},
                                                             {"PST", -8}, {"PDT", -7}};
    for (const auto& [name, hours] : kNamed) {
        if (sameText(text, name)) {
            offsetSeconds = hours * 3600;
            return true;
        }
    }
    if (text.size() > 3 &&
        (sameText(text.substr(0, 3), "GMT") || sameText(text.substr(0, 3), "UTC"))) {
        text.remove_prefix(3);
    }
    if (text.empty() || (text[0] != '+' && text[0] != '-')) return false;
    int sign = text[0] == '-' ? -1 : 1;
    Cursor c(text.substr(1));
    int hours = 0;
    int minutes = 0;
    if (!c.number(2, 2, hours)) return false;
    c.literal(':');
    if (!c.number(2, 2, minutes) || !c.atEnd() || hours > 23 || minutes > 59) return false;
    offsetSeconds = sign * (hours * 3600 + minutes * 60);
    return true;
}

std::optional<Date> makeDate(int year, int mon, int day, int h, int m, int s, int offset) {
    using namespace std::chrono;
    year_month_day ymd{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(mon)},
                       std::chrono::day{static_cast<unsigned>(day)}};
    if (!ymd.ok()) return std::nullopt;
    auto days = sys_days{ymd}.time_since_epoch().count();
    double seconds = static_cast<double>(days) * 86400.0 + h * 3600 + m * 60 + s - offset;
    return Date{seconds};
}

// Two-digit years fall in the window from 80 years ago to 20 years ahead, the usual reading
// of the obsolete form.
int expandYear(int twoDigits) {
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    int thisYear = utc.tm_year + 1900;
    int year = (thisYear / 100) * 100 + twoDigits;
    if (year > thisYear + 20) year -= 100;
    if (year <= thisYear - 80) year += 100;
    return year;
}

// "Sun, 06 Nov 1994 08:49:37 GMT"
std::optional<Date> parsePreferred(std::string_view text) {
    Cursor c(text);
    int day, mon, year, h, m, s, offset;
    if (!oneOf(c.word(), kShortDays) || !c.literal(',') || !c.spaces()) return std::nullopt;
    if (!c.number(1, 2, day) || !c.spaces() || !month(c, mon) || !c.spaces()) return std::nullopt;
    if (!c.number(4, 4, year) || !c.spaces() || !timeOfDay(c, h, m, s) || !c.spaces())
        return std::nullopt;
    if (!zone(c.rest(), offset)) return std::nullopt;
    return makeDate(year, mon, day, h, m, s, offset);
}

// "Sunday, 06-Nov-94 08:49:37 GMT"
std::optional<Date> parseObsolete(std::string_view text) {
    Cursor c(text);
    int day, mon, year, h, m, s, offset;
    if (!oneOf(c.word(), kLongDays) || !c.literal(',') || !c.spaces()) return std::nullopt;
    if (!c.number(1, 2, day) || !c.literal('-') || !month(c, mon) || !c.literal('-'))
        return std::nullopt;
    if (!c.number(2, 2, year) || !c.spaces() || !timeOfDay(c, h, m, s) || !c.spaces())
        return std::nullopt;
    if (!zone(c.rest(), offset)) return std::nullopt;
    return makeDate(expandYear(year), mon, day, h, m, s, offset);
}

// "Sun Nov  6 08:49:37 1994"
std::optional<Date> parseAsctime(std::string_view text) {
    Cursor c(text);
    int day, mon, year, h, m, s;
    if (!oneOf(c.word(), kShortDays) || !c.spaces() || !month(c, mon) || !c.spaces())
        return std::nullopt;
    if (!c.number(1, 2, day) || !c.spaces() || !timeOfDay(c, h, m, s) || !c.spaces())
        return std::nullopt;
    if (!c.number(4, 4, year) || !c.atEnd()) return std::nullopt;
    return makeDate(year, mon, day, h, m, s, 0);
}

std::string_view trim(std::string_view text) {
    auto blank = [](char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

std::string format(Date date, bool withZone) {
    using namespace std::chrono;
    // Years 1..9999; checked before any conversion to an integer.
    if (!(date.secondsSince1970 >= -62135596800.0 && date.secondsSince1970 < 253402300800.0))
        return {};
    auto total = static_cast<std::int64_t>(std::floor(date.secondsSince1970));
    std::int64_t days = total >= 0 ? total / 86400 : -((-total + 86399) / 86400);
    std::int64_t secondsOfDay = total - days * 86400;
    sys_days sd{std::chrono::days{days}};
    year_month_day ymd{sd};
    weekday wd{sd};
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s, %02u %s %04d %02d:%02d:%02d%s",
                  kShortDays[wd.c_encoding()], static_cast<unsigned>(ymd.day()),
                  kMonths[static_cast<unsigned>(ymd.month()) - 1], static_cast<int>(ymd.year()),
                  static_cast<int>(secondsOfDay / 3600), static_cast<int>(secondsOfDay / 60 % 60),
                  static_cast<int>(secondsOfDay % 60), withZone ? " GMT" : "");
    return buffer;
}

}  // namespace

std::optional<Date> parseHttpDate(std::string_view text) {
    text = trim(text);
    if (text.empty()) return std::nullopt;
    if (auto d = parsePreferred(text)) return d;
    if (auto d = parseAsctime(text)) return d;
    return parseObsolete(text);
}

std::string formatHttpDate(Date date) {
    return format(date, true);
}

std::string formatHttpDateWithoutZone(Date date) {
    return format(date, false);
}

}  // namespace platform
