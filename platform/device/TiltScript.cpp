#include "platform/device/TiltScript.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <numbers>
#include <sstream>

namespace platform {

namespace {

void setError(std::string* error, std::string text) {
    if (error) *error = std::move(text);
}

// A whole text as one finite number, or nothing.
std::optional<double> number(const std::string& text) {
    if (text.empty()) return std::nullopt;
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    double v = 0;
    if (!(in >> v)) return std::nullopt;
    in >> std::ws;
    if (!in.eof() || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::vector<std::string> splitColons(const std::string& text) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, ':')) parts.push_back(part);
    if (!text.empty() && text.back() == ':') parts.emplace_back();
    return parts;
}

// Sample files are small; anything larger is not one.
constexpr off_t kMaxFileBytes = 16 * 1024 * 1024;

}  // namespace

std::shared_ptr<TiltScript> TiltScript::constant(double x) {
    auto s = std::make_shared<TiltScript>();
    s->kind_ = Kind::Constant;
    s->amplitude_ = std::isfinite(x) ? std::clamp(x, -1.0, 1.0) : 0.0;
    return s;
}

std::shared_ptr<TiltScript> TiltScript::sine(double amplitude, double period) {
    auto s = std::make_shared<TiltScript>();
    s->kind_ = Kind::Sine;
    s->amplitude_ = std::isfinite(amplitude) ? std::clamp(amplitude, -1.0, 1.0) : 0.0;
    s->period_ = std::isfinite(period) && period > 0 ? period : 3.0;
    return s;
}

std::shared_ptr<TiltScript> TiltScript::silent() {
    auto s = std::make_shared<TiltScript>();
    s->kind_ = Kind::Silent;
    return s;
}

std::shared_ptr<TiltScript> TiltScript::parse(const std::string& description, std::string* error) {
    if (description == "flat") return constant(0);
    if (description == "silent") return silent();
    if (auto v = number(description)) return constant(*v);

    auto parts = splitColons(description);
    if (!parts.empty() && parts[0] == "const") {
        std::optional<double> v = parts.size() == 2 ? number(parts[1]) : std::nullopt;
        if (!v) {
            setError(error, "tilt script \"" + description + "\": expected const:<g>");
            return nullptr;
        }
        return constant(*v);
    }
    if (!parts.empty() && parts[0] == "sine") {
        double amplitude = 0.08, period = 4.0;
        if (parts.size() > 3) {
            setError(error, "tilt script \"" + description + "\": expected sine:<g>:<seconds>");
            return nullptr;
        }
        if (parts.size() >= 2) {
            auto a = number(parts[1]);
            if (!a) {
                setError(error, "tilt script \"" + description + "\": bad amplitude");
                return nullptr;
            }
            amplitude = *a;
        }
        if (parts.size() == 3) {
            auto p = number(parts[2]);
            if (!p || *p <= 0) {
                setError(error, "tilt script \"" + description + "\": bad period");
                return nullptr;
            }
            period = *p;
        }
        return sine(amplitude, period);
    }

    // Opened without waiting and checked on the open file: a FIFO or a device would block the
    // start (or stream forever), and checking the name first would race with a swap.
    int fd = ::open(description.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        setError(error, "tilt script \"" + description +
                            "\": not flat, silent, a number, const:, sine: or a readable file");
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        setError(error, "tilt script \"" + description + "\": not a readable file");
        return nullptr;
    }
    if (info.st_size > kMaxFileBytes) {
        ::close(fd);
        setError(error, "tilt script \"" + description + "\": file too large");
        return nullptr;
    }
    std::string text(static_cast<size_t>(info.st_size), '\0');
    size_t got = 0;
    while (got < text.size()) {
        ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    if (got != text.size()) {
        setError(error, "tilt script \"" + description + "\": read failed");
        return nullptr;
    }
    return fromSamples(text, description, error);
}

std::shared_ptr<TiltScript> TiltScript::fromSamples(const std::string& text,
                                                    const std::string& name, std::string* error) {
    std::vector<Row> rows;
    std::optional<size_t> columns;
    std::istringstream in(text);
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        std::istringstream fields(line);
        std::vector<double> values;
        std::string field;
        bool bad = false;
        while (fields >> field) {
            auto v = number(field);
            if (!v) {
                bad = true;
                break;
            }
            values.push_back(*v);
        }
        if (values.empty() && !bad) continue;
        if (bad || (values.size() != 3 && values.size() != 4) ||
            (columns && *columns != values.size())) {
            setError(error, name + ":" + std::to_string(lineNumber) +
                                ": expected \"x y z\" or \"t x y z\" like the lines before");
            return nullptr;
        }
        columns = values.size();
        Row row;
        size_t i = 0;
        if (values.size() == 4) {
            row.t = values[i++];
            if (!rows.empty() && row.t < rows.back().t) {
                setError(error,
                         name + ":" + std::to_string(lineNumber) + ": times must not go backwards");
                return nullptr;
            }
        }
        row.x = values[i];
        row.y = values[i + 1];
        row.z = values[i + 2];
        rows.push_back(row);
    }
    if (rows.empty()) {
        setError(error, name + ": no samples");
        return nullptr;
    }
    auto s = std::make_shared<TiltScript>();
    s->kind_ = *columns == 4 ? Kind::Timed : Kind::Sequence;
    s->rows_ = std::move(rows);
    return s;
}

std::optional<Acceleration> TiltScript::sample(long delivery, double elapsed) const {
    switch (kind_) {
        case Kind::Silent:
            return std::nullopt;
        case Kind::Constant:
            return Acceleration::sideways(amplitude_);
        case Kind::Sine:
            return Acceleration::sideways(amplitude_ *
                                          std::sin(2 * std::numbers::pi * elapsed / period_));
        case Kind::Sequence: {
            size_t i = delivery < 0 ? 0 : std::min(size_t(delivery), rows_.size() - 1);
            const Row& r = rows_[i];
            return Acceleration{r.x, r.y, r.z, 0};
        }
        case Kind::Timed: {
            // The last row whose time has come; before the first row, the first.
            auto it = std::upper_bound(rows_.begin(), rows_.end(), elapsed,
                                       [](double t, const Row& r) { return t < r.t; });
            const Row& r = it == rows_.begin() ? rows_.front() : *(it - 1);
            return Acceleration{r.x, r.y, r.z, 0};
        }
    }
    return std::nullopt;
}

}  // namespace platform
