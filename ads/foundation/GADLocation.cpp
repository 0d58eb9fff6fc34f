#include "ads/foundation/GADLocation.h"

#include <cmath>
#include <cstdio>
#include <functional>

#include "platform/runtime/Clock.h"

namespace ads {

namespace {

// Truncated toward zero; coordinates in range always fit.
std::int64_t scaledCoordinate(double degrees) {
    return static_cast<std::int64_t>(degrees * 10000000.0);
}

}  // namespace

bool GADLocation::isPreciseLocation(double latitude, double longitude, double accuracy) {
    if (!(std::fabs(latitude) <= 90) || !(std::fabs(longitude) <= 180)) return false;
    if (!std::isfinite(accuracy)) return false;
    return std::fabs(latitude) > kEpsilon || std::fabs(longitude) > kEpsilon;
}

std::optional<GADLocation> GADLocation::initWithLatitude(double latitude, double longitude,
                                                         double accuracy) {
    if (!isPreciseLocation(latitude, longitude, accuracy)) return std::nullopt;
    GADLocation location;
    location.latitude_ = latitude;
    location.longitude_ = longitude;
    location.accuracy_ = accuracy;
    location.timestamp_ = platform::Clock::wallSeconds();
    return location;
}

std::optional<GADLocation> GADLocation::initWithLocationDescription(std::string description) {
    if (description.empty()) return std::nullopt;
    GADLocation location;
    location.description_ = std::move(description);
    location.timestamp_ = platform::Clock::wallSeconds();
    return location;
}

bool GADLocation::isPreciseLocation() const {
    return !description_ && isPreciseLocation(latitude_, longitude_, accuracy_);
}

std::string GADLocation::locationDescription() const {
    if (description_) return *description_;
    if (!isPreciseLocation()) return {};
    char text[96];
    std::snprintf(text, sizeof text, "%f,%f", latitude_, longitude_);
    return text;
}

std::optional<platform::Value> GADLocation::dictionaryRepresentation() const {
    if (!isPreciseLocation()) return std::nullopt;
    // Made afresh at each call rather than cached: the result never changes, and a request
    // may be read from several queues at once.
    return platform::Value::dictionary({
        {"time", platform::Value(timestamp_ * 1000000.0)},
        {"lat", platform::Value(scaledCoordinate(latitude_))},
        {"long", platform::Value(scaledCoordinate(longitude_))},
        {"radius", platform::Value(accuracy_ * 1000.0)},
    });
}

bool operator==(const GADLocation& a, const GADLocation& b) {
    const bool precise = a.isPreciseLocation();
    if (precise != b.isPreciseLocation()) return false;
    if (precise) {
        return std::fabs(a.latitude_ - b.latitude_) < GADLocation::kEpsilon &&
               std::fabs(a.longitude_ - b.longitude_) < GADLocation::kEpsilon &&
               std::fabs(a.accuracy_ - b.accuracy_) < GADLocation::kEpsilon;
    }
    return a.locationDescription() == b.locationDescription();
}

std::size_t GADLocation::hash() const {
    if (isPreciseLocation()) return 0x9e3779b9u;
    return std::hash<std::string>{}(locationDescription());
}

std::string GADLocation::description() const {
    return "<GADLocation: " + locationDescription() + ">";
}

}  // namespace ads
